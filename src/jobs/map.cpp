#include "jobs/map.h"

#include "formats/resultjson.h"
#include "settings/usertext.h"

namespace {

// Most error-free halves a map keeps at once, each with a copy of the records
// (about 0.2 MB): a map with the mass error on --y and more columns in its shard
// than this runs each point whole instead (the same lines, twice the work).
constexpr size_t MAXKEPTHALVES = 512;

// The grid indices of run point k.
void indicesof(const MapPoints &m, int k, int &i, int &j) {
    const int nx = axiscount(m.job.grid.x);
    i = m.indices[k] % nx;
    j = m.indices[k] / nx;
}

CompareRequest pointrequest(const MapPoints &m, int k) {
    int i, j;
    indicesof(m, k, i, j);
    return mappoint(m.job.grid, m.job.request, i, j);
}

// The row or column whose points share run point k's error-free half.
int groupof(const MapPoints &m, int k) {
    int i, j;
    indicesof(m, k, i, j);
    return m.erroraxis == 0 ? j : i;
}

// Decides whether the points share error-free halves: along the axis of the mass
// error, unless too many halves would be kept at once. Counts the points of each.
void planhalves(MapPoints &m) {
    m.erroraxis = m.job.grid.x.kind == AXISERROR ? 0 : m.job.grid.y.kind == AXISERROR ? 1 : -1;
    if (m.erroraxis < 0) return;
    for (size_t k = 0; k < m.indices.size(); ++k)
        if (checkreaches(pointrequest(m, static_cast<int>(k))).ok()) ++m.left[groupof(m, static_cast<int>(k))];
    if (m.erroraxis == 0 || m.left.size() <= MAXKEPTHALVES) return;
    m.erroraxis = -1;
    m.left.clear();
}

// Checks the axes into the grid; refuses with the option of the axis refused.
Outcome takeaxes(const std::string typed[2], const CompareOptionValues &given, MapGrid &grid) {
    MapAxis *axes[2] = {&grid.x, &grid.y};
    grid.y = MapAxis{AXISNONE, Grid{}};
    for (int a = 0; a < 2; ++a) {
        if (a == 1 && typed[a].empty()) continue;
        const Outcome parsed = parseaxis(typed[a], *axes[a]);
        if (!parsed.ok())
            return refused(std::string(a == 0 ? "--x" : "--y") + ": '" + excerpt(typed[a]) + "' refused; " +
                           parsed.message);
    }
    return checkaxes(grid, typed, given);
}

// Whether an axis varies the SCARA's link lengths, and so its reach.
bool variesreach(const MapGrid &grid) {
    for (PlotAxis a : {grid.x.kind, grid.y.kind})
        if (a == namedaxis(SETTINGPARAMS, PARAML1) || a == namedaxis(SETTINGPARAMS, PARAML2)) return true;
    return false;
}

// Refuses an axis of a parameter the map's robot has not.
Outcome checkrobotaxes(const MapGrid &grid, const std::string typed[2], char type, bool rigid) {
    for (int a = 0; a < 2; ++a) {
        const PlotAxis kind = a == 0 ? grid.x.kind : grid.y.kind;
        if (kind == AXISNONE || tableaxis(kind) || namedparameter(axissetting(kind), axisparameter(kind), type, rigid))
            continue;
        return refused(std::string(a == 0 ? "--x" : "--y") + ": '" + excerpt(typed[a]) + "' refused; a " +
                       robotword(type) + " robot takes NAME one of " + namedparameters(axissetting(kind), type, rigid));
    }
    return succeeded();
}

// The SCARA's reach of the start and end points that no axis varies: refused as
// sotoc compare refuses them, as every point would be unreachable.
Outcome checkfixedreach(const MapJob &job) {
    for (Setting s : {SETTINGSTART, SETTINGEND}) {
        const bool varied = (job.grid.x.kind != AXISNONE && axissetting(job.grid.x.kind) == s) ||
                            (job.grid.y.kind != AXISNONE && axissetting(job.grid.y.kind) == s) ||
                            variesreach(job.grid);
        const Outcome reach = varied ? succeeded() : checkreach(job.request, "--", s);
        if (!reach.ok()) return reach;
    }
    return succeeded();
}

// Refuses a map whose axes give the encoders, the noise or the delay without a
// control period, as sotoc compare refuses them: judged at its last point, where
// the increasing grids are largest.
Outcome checkaxescontrolperiod(const MapJob &job) {
    const CompareRequest last =
        mappoint(job.grid, job.request, axiscount(job.grid.x) - 1, axiscount(job.grid.y) - 1);
    return checkcontrolperiod(last, "--");
}

}  // namespace

Outcome readmap(const CompareOptionValues &values, const std::string typed[2], MapJob &job) {
    Outcome taken = requestwithoutreach(values, "--", job.request);
    if (taken.ok()) taken = takeaxes(typed, values, job.grid);
    if (taken.ok()) taken = checkrobotaxes(job.grid, typed, job.request.type, job.request.robotfile.rigid);
    if (taken.ok()) taken = checkfixedreach(job);
    if (taken.ok()) taken = checkaxescontrolperiod(job);
    return taken;
}

MapPoints mappoints(const MapJob &job) {
    MapPoints m{job, shardpoints(mapcount(job.grid), job.shard), -1, {}, {}, {}};
    planhalves(m);
    return m;
}

void preparemappoint(MapPoints &m, int k) {
    const CompareRequest r = pointrequest(m, k);
    if (m.erroraxis < 0 || !checkreaches(r).ok()) return;
    const int group = groupof(m, k);
    auto found = m.halves.find(group);
    if (found == m.halves.end()) {
        installarm(r);
        ComparisonSettings settings = requestsettings(r);
        settings.tfNomBasis = standalonebasis(settings);
        SharedHalf half{errorfreepass(settings), std::make_unique<RecordsCopy>()};
        keeprecords(*half.records);
        found = m.halves.emplace(group, std::move(half)).first;
    } else {
        putrecords(*found->second.records);
    }
    m.current = found->second.result;
    if (--m.left[group] == 0) m.halves.erase(found);
}

std::string mappointline(const MapPoints &m, int k) {
    int i, j;
    indicesof(m, k, i, j);
    const CompareRequest r = pointrequest(m, k);
    const Outcome reach = checkreaches(r);
    if (!reach.ok()) return mapline(unreachablejson(r, reach.message), i, j);
    if (m.erroraxis < 0) return mapline(resultjson(r, standalonepass(r)), i, j);
    return mapline(resultjson(r, errorpass(m.current, errorratio(r.errorPercent), requestsettings(r).designErrors)), i, j);
}

std::string mappointname(const MapPoints &m, int k) {
    int i, j;
    indicesof(m, k, i, j);
    return "map point i=" + std::to_string(i) + " j=" + std::to_string(j);
}
