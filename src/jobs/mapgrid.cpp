#include "jobs/mapgrid.h"

#include "study/comparison.h"
#include "settings/usertext.h"

namespace {

// Whether two axes set a same value.
bool overlap(PlotAxis a, PlotAxis b) {
    if (!tableaxis(a) || !tableaxis(b)) return a == b;
    const AxisRow &p = axisrow(a), &q = axisrow(b);
    return p.setting == q.setting && p.first < q.first + q.count && q.first < p.first + p.count;
}

// Refuses option s when the axes set every one of its values.
Outcome checkreplaced(const std::vector<AxisUse> &axes, const CompareOptionValues &given, Setting s,
                      const std::string &why) {
    const std::vector<double> &values = given.numbers[s];
    if (values.empty()) return succeeded();
    bool set[MAXSETTINGNUMBERS] = {};
    std::string by;
    for (const AxisUse &a : axes) {
        if (a.kind == AXISNONE || !tableaxis(a.kind) || axisrow(a.kind).setting != s) continue;
        for (int v = axisrow(a.kind).first; v < axisrow(a.kind).first + axisrow(a.kind).count; ++v) set[v] = true;
        by += (by.empty() ? "--" : " and --") + a.option + " " + axisrow(a.kind).name;
    }
    for (int v = 0; v < settingrow(s).count; ++v)
        if (!set[v]) return succeeded();
    return refused("--" + std::string(settingrow(s).name) + ": '" + excerpt(numberlist(values)) + "' refused; " + by +
                   " " + why);
}

// Refuses a value of named option s (--design-error, --param) that an axis sets.
Outcome checknamedreplaced(const std::vector<AxisUse> &axes, const CompareOptionValues &given, Setting s,
                           const std::string &why) {
    for (const AxisUse &a : axes) {
        if (a.kind == AXISNONE || tableaxis(a.kind) || axissetting(a.kind) != s) continue;
        const std::string name = parameterrow(axisparameter(a.kind)).name;
        for (const auto &value : given.named[s])
            if (value.first == name)
                return refused("--" + std::string(settingoption(s, "--")) + ": '" +
                               excerpt(value.first + "=" + numbertext(value.second)) + "' refused; --" + a.option +
                               " " + axisname(a.kind) + " " + why);
    }
    return succeeded();
}

}  // namespace

Outcome axisnamed(const std::string &name, PlotAxis &a) {
    int kind = 0;
    while (kind < AXISEND && (kind == AXISNONE || name != axisname(static_cast<PlotAxis>(kind)))) ++kind;
    if (kind == AXISEND) return refused("with NAME one of " + axisnames());
    const PlotAxis k = static_cast<PlotAxis>(kind);
    if (!tableaxis(k) && !namedbyanyarm(axissetting(k), axisparameter(k)))
        return refused("with NAME one of " + axisnames() + "; " + name + " is no primary value the axis takes");
    a = k;
    return succeeded();
}

Outcome checkreaches(const CompareRequest &r) {
    const Outcome start = checkreach(r, "", SETTINGSTART);
    return start.ok() ? checkreach(r, "", SETTINGEND) : start;
}

Outcome parseaxis(const std::string &text, MapAxis &axis) {
    const size_t equals = text.find('=');
    const std::string name = text.substr(0, equals);
    PlotAxis k = AXISNONE;
    const Outcome named = equals == std::string::npos ? refused("with NAME one of " + axisnames()) : axisnamed(name, k);
    if (!named.ok()) return refused("accepts NAME=FROM:TO:STEP " + named.message);
    Grid grid;
    const Outcome parsed = parsegrid(text.substr(equals + 1), axisrange(k, name), grid);
    if (parsed.ok()) axis = MapAxis{k, grid};
    return parsed;
}

Outcome checkaxes(const MapGrid &grid, const std::string typed[2], const CompareOptionValues &given) {
    const PlotAxis x = grid.x.kind, y = grid.y.kind;
    const std::string yrefused = "--y: '" + excerpt(typed[1]) + "' refused; ";
    if (y != AXISNONE && overlap(x, y))
        return refused(yrefused + "the axes must differ, and --x " + axisname(x) +
                       (x == y ? " is the same axis" : " already varies " + axisname(y)));
    if (static_cast<double>(axiscount(grid.x)) * axiscount(grid.y) > MAXGRIDPOINTS)
        return refused(yrefused + "the map has more than a million points (--x " + std::to_string(axiscount(grid.x)) +
                       " times --y " + std::to_string(axiscount(grid.y)) + "); choose larger steps");
    return checkgivenreplaced({{grid.x.kind, "x"}, {grid.y.kind, "y"}}, given, "set it in every point of the map",
                              "sets it in every point of the map");
}

Outcome checkgivenreplaced(const std::vector<AxisUse> &axes, const CompareOptionValues &given,
                           const std::string &setwhy, const std::string &namedwhy) {
    for (int s = 0; s < SETTINGS; ++s) {
        Outcome replaced = checkreplaced(axes, given, static_cast<Setting>(s), setwhy);
        if (replaced.ok()) replaced = checknamedreplaced(axes, given, static_cast<Setting>(s), namedwhy);
        if (!replaced.ok()) return replaced;
    }
    return succeeded();
}

int axiscount(const MapAxis &axis) { return axis.kind == AXISNONE ? 1 : axis.grid.count; }

int mapcount(const MapGrid &grid) { return axiscount(grid.x) * axiscount(grid.y); }

CompareRequest mappoint(const MapGrid &grid, const CompareRequest &base, int i, int j) {
    CompareRequest r = base;
    const struct {
        const MapAxis &axis;
        int index;
    } set[2] = {{grid.x, i}, {grid.y, j}};
    for (const auto &s : set) {
        if (s.axis.kind != AXISNONE) setaxisvalue(s.axis.kind, r, gridpoint(s.axis.grid, s.index));
    }
    return r;
}
