#include "jobs/mapgrid.h"

#include "study/comparison.h"
#include "settings/usertext.h"

namespace {

// What an axis varies: values first..first+count-1 of a setting's numbers.
struct AxisDefinition {
    Setting setting;  // the comparison option whose values it sets
    int first, count;
};

// By PlotAxis: error, ratio1, ratio2, ratios, start-x, start-y, end-x, end-y.
const AxisDefinition AXES[AXISNONE] = {
    {SETTINGERROR, 0, 1}, {SETTINGRATIOS, 0, 1}, {SETTINGRATIOS, 1, 1}, {SETTINGRATIOS, 0, 2},
    {SETTINGSTART, 0, 1}, {SETTINGSTART, 1, 1},  {SETTINGEND, 0, 1},    {SETTINGEND, 1, 1},
};

// The values an axis of setting s may take, said with the axis's name.
GridRange axisrange(PlotAxis kind) {
    const std::string name = AXISNAMES[kind];
    switch (AXES[kind].setting) {
        case SETTINGERROR: return errorrange();
        case SETTINGRATIOS:
            return GridRange{"", "20:200:10", ratioaccepted,
                             "the reduction ratios 0 < " + name + " <= " + numbertext(MAXRATIO)};
        default:
            return GridRange{"m", "-0.5:0.5:0.05", coordinateaccepted,
                             "the coordinates " + valuetext(-MAXCOORDINATE, "m") + " <= " + name +
                                 " <= " + valuetext(MAXCOORDINATE, "m")};
    }
}

// Whether two axes set a same value.
bool overlap(PlotAxis a, PlotAxis b) {
    const AxisDefinition &p = AXES[a], &q = AXES[b];
    return p.setting == q.setting && p.first < q.first + q.count && q.first < p.first + p.count;
}

// The option values given for setting s.
const std::vector<double> &givenvalues(const CompareOptionValues &v, Setting s) {
    return s == SETTINGRATIOS ? v.ratios : s == SETTINGSTART ? v.start : s == SETTINGEND ? v.end : v.error;
}

// The refusal of option s when the axes set every one of its values, else "".
std::string replacedoption(const MapAxis *axes[2], const CompareOptionValues &given, Setting s) {
    const std::vector<double> &values = givenvalues(given, s);
    if (values.empty()) return "";
    const int size = s == SETTINGERROR ? 1 : 2;
    bool set[2] = {false, false};
    std::string by;
    for (int a = 0; a < 2; ++a) {
        const PlotAxis kind = axes[a]->kind;
        if (kind == AXISNONE || AXES[kind].setting != s) continue;
        for (int v = AXES[kind].first; v < AXES[kind].first + AXES[kind].count; ++v) set[v] = true;
        by += (by.empty() ? "--" : " and --") + std::string(a == 0 ? "x " : "y ") + AXISNAMES[kind];
    }
    if (!set[0] || (size == 2 && !set[1])) return "";
    return "--" + std::string(SETTINGNAMES[s]) + ": '" + excerpt(numberlist(values)) + "' refused; " + by +
           " set it in every point of the map";
}

}  // namespace

Setting axissetting(PlotAxis kind) { return AXES[kind].setting; }

bool parseaxis(const std::string &text, MapAxis &axis, std::string &message) {
    const size_t equals = text.find('=');
    const std::string name = text.substr(0, equals);
    int kind = 0;
    while (kind < AXISNONE && name != AXISNAMES[kind]) ++kind;
    if (equals == std::string::npos || kind == AXISNONE) {
        std::string names;
        for (const char *a : AXISNAMES) names += (names.empty() ? "" : ", ") + std::string(a);
        message = "accepts NAME=FROM:TO:STEP with NAME one of " + names;
        return false;
    }
    const PlotAxis k = static_cast<PlotAxis>(kind);
    Grid grid;
    if (!parsegrid(text.substr(equals + 1), axisrange(k), grid, message)) return false;
    axis = MapAxis{k, grid};
    return true;
}

std::string axesrefusal(const MapGrid &grid, const std::string typed[2], const CompareOptionValues &given) {
    const PlotAxis x = grid.x.kind, y = grid.y.kind;
    const std::string yrefused = "--y: '" + excerpt(typed[1]) + "' refused; ";
    if (y != AXISNONE && overlap(x, y))
        return yrefused + "the axes must differ, and --x " + AXISNAMES[x] +
               (x == y ? " is the same axis" : std::string(" already varies ") + AXISNAMES[y]);
    if (static_cast<double>(axiscount(grid.x)) * axiscount(grid.y) > MAXGRIDPOINTS)
        return yrefused + "the map has more than a million points (--x " + std::to_string(axiscount(grid.x)) +
               " times --y " + std::to_string(axiscount(grid.y)) + "); choose larger steps";
    const MapAxis *axes[2] = {&grid.x, &grid.y};
    for (Setting s : {SETTINGRATIOS, SETTINGSTART, SETTINGEND, SETTINGERROR}) {
        const std::string refused = replacedoption(axes, given, s);
        if (!refused.empty()) return refused;
    }
    return "";
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
        if (s.axis.kind == AXISNONE) continue;
        const AxisDefinition &a = AXES[s.axis.kind];
        double *values = settingvalues(r, a.setting);
        for (int v = a.first; v < a.first + a.count; ++v) values[v] = gridpoint(s.axis.grid, s.index);
    }
    return r;
}
