#include "jobs/grid.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "settings/request.h"
#include "settings/settings.h"
#include "settings/usertext.h"

namespace {

// TO counts as a grid point when it lies within this share of STEP of one: a TO
// typed short of a point's last digits (0:0.9999999:0.1) still ends the grid there.
constexpr double ENDTOLERANCE = 1e-6;

// Larger exponents than this (beyond any number a double holds) are counted as this.
constexpr int MAXEXPONENT = 100000;

// A number as typed: units of 10^-decimals, with the count of its digits from the
// first one that is not 0. Written by typeddecimal; read by parsegrid.
struct TypedDecimal {
    GridUnits units;
    int decimals;  // negative for an exponent beyond the digits typed ("1e3": 1 unit of 10^3)
    int digits;
};

// The exponent after 'e' or 'E' in text[k..], bounded by MAXEXPONENT.
int exponentof(const std::string &text, size_t k) {
    const bool negative = k < text.size() && text[k] == '-';
    if (k < text.size() && (text[k] == '-' || text[k] == '+')) ++k;
    int e = 0;
    for (; k < text.size(); ++k) e = std::min(MAXEXPONENT, e * 10 + (text[k] - '0'));
    return negative ? -e : e;
}

// Reads a number readnumber took (sign, digits, fraction, exponent) digit by digit;
// false when it has more than MAXGRIDDIGITS digits.
bool typeddecimal(const std::string &text, TypedDecimal &t) {
    t = TypedDecimal{0, 0, 0};
    size_t k = text[0] == '-' || text[0] == '+' ? 1 : 0;
    bool fraction = false;
    for (; k < text.size() && text[k] != 'e' && text[k] != 'E'; ++k) {
        if (text[k] == '.') {
            fraction = true;
            continue;
        }
        if (fraction) ++t.decimals;
        if (t.units == 0 && text[k] == '0') continue;
        if (++t.digits > MAXGRIDDIGITS) return false;
        t.units = t.units * 10 + (text[k] - '0');
    }
    if (t.units == 0) t.decimals = 0;
    if (t.units != 0 && k < text.size()) t.decimals -= exponentof(text, k + 1);
    if (text[0] == '-') t.units = -t.units;
    return true;
}

GridUnits powerten(int n) {
    GridUnits p = 1;
    for (int k = 0; k < n; ++k) p *= 10;
    return p;
}

// FROM, TO and STEP as typed, each in units of 10^-decimals of the one with the
// most decimals; false when one then has more than MAXGRIDDIGITS digits.
bool commonunits(const TypedDecimal typed[3], GridUnits units[3], int &decimals) {
    decimals = 0;
    for (int k = 0; k < 3; ++k) decimals = std::max(decimals, typed[k].decimals);
    for (int k = 0; k < 3; ++k) {
        const int shift = decimals - typed[k].decimals;
        if (typed[k].units != 0 && typed[k].digits + shift > MAXGRIDDIGITS) return false;
        units[k] = typed[k].units == 0 ? 0 : typed[k].units * powerten(shift);
    }
    return true;
}

// Intervals of the grid from `from` to `to` in steps of `step` (units of one decimal
// place): TO within ENDTOLERANCE of STEP below a point counts as that point.
GridUnits intervalsof(GridUnits from, GridUnits to, GridUnits step) {
    const GridUnits span = to - from, rest = span % step;
    const bool closeto = rest > 0 && static_cast<double>(step - rest) <= ENDTOLERANCE * static_cast<double>(step);
    return span / step + (closeto ? 1 : 0);
}

// The decimal number units * 10^-decimals as the nearest double.
double decimalvalue(GridUnits units, int decimals) {
    char text[64];
    char *end = text + sizeof text;
    char *p = end;
    GridUnits u = units < 0 ? -units : units;
    do {
        *--p = static_cast<char>('0' + static_cast<int>(u % 10));
        u /= 10;
    } while (u != 0);
    if (units < 0) *--p = '-';
    const std::string digits(p, end);
    double v = 0.0;
    readnumber(digits + "e-" + std::to_string(decimals), v);
    return v;
}

// Refuses point i when it lies outside the range. `to` is TO as typed (in the
// grid's units): when the last point stands for it, just beyond it, the refusal
// names both.
Outcome checkinside(const Grid &grid, const GridRange &range, int i, GridUnits to) {
    const double v = gridpoint(grid, i);
    if (range.accepts(v)) return succeeded();
    const bool standsforto = i == grid.count - 1 && grid.from + i * grid.step > to;
    const std::string beside =
        standsforto ? "; TO " + valuetext(decimalvalue(to, grid.decimals), range.unit) + " counts as this point" : "";
    return refused("the grid point " + valuetext(v, range.unit) + " (point " + std::to_string(i) + beside +
                   ") lies outside " + range.bounds);
}

// The refusal of a grid's text that holds no grid.
Outcome unreadable(const std::string &text, const GridRange &range) {
    const std::string unit = *range.unit == '\0' ? "" : std::string(" [") + range.unit + "]";
    return refused("expected FROM:TO:STEP or values V1,V2,..." + unit + " (for example " + range.example +
                   "), got \"" + excerpt(text) + "\"");
}

// The list "V1,V2,..." into `grid`; refuses a value that is no number, does not lie
// above the one before or is refused by the range, and more than MAXGRIDPOINTS values.
Outcome parselist(const std::string &text, const GridRange &range, Grid &grid) {
    const std::vector<std::string> parts = splitat(text, ',');
    if (static_cast<double>(parts.size()) > MAXGRIDPOINTS) return refused("the list has more than a million values");
    Grid g{0, 0, 0, static_cast<int>(parts.size()), {}};
    for (const std::string &part : parts) {
        double v;
        const int i = static_cast<int>(g.listed.size());
        if (!readnumber(part, v)) return unreadable(text, range);
        if (i > 0 && !(v > g.listed.back()))
            return refused("the grid point " + valuetext(v, range.unit) + " (point " + std::to_string(i) +
                           ") does not lie above the one before, " + valuetext(g.listed.back(), range.unit));
        if (!range.accepts(v))
            return refused("the grid point " + valuetext(v, range.unit) + " (point " + std::to_string(i) +
                           ") lies outside " + range.bounds);
        g.listed.push_back(v);
    }
    grid = g;
    return succeeded();
}

}  // namespace

GridRange settingrange(Setting s, const std::string &symbol) {
    const SettingRow &row = settingrow(s);
    return GridRange{row.unit, row.gridExample, [&row](double v) { return settingaccepted(row, v); },
                     std::string(row.gridNoun) + " " + rangetext(row, symbol, row.unit)};
}

GridRange axisrange(PlotAxis a, const std::string &symbol) {
    if (axissetting(a) != SETTINGPARAMS) return settingrange(axissetting(a), symbol);
    const Parameter k = axisparameter(a);
    const char type = parameterunit(k, ROBOTSCARA) ? ROBOTSCARA : ROBOTCYL;
    const char *unit = parameterunit(k, type);
    const char *shown = std::string(unit) == "-" ? "" : unit;
    return GridRange{shown, "0.3:0.6:0.01", [k](double v) { return parameteraccepted(k, v); },
                     "the values of " + symbol + ": " +
                         parameteraccepts(k, type)};
}

GridRange errorrange() { return settingrange(SETTINGERROR, settingrow(SETTINGERROR).name); }

Outcome parsegrid(const std::string &text, const GridRange &range, Grid &grid) {
    if (text.find(':') == std::string::npos) return parselist(text, range, grid);
    const std::vector<std::string> parts = splitat(text, ':');
    double from, to, step;
    if (parts.size() != 3 || !readnumber(parts[0], from) || !readnumber(parts[1], to) ||
        !readnumber(parts[2], step))
        return unreadable(text, range);
    if (!(step > 0.0)) return refused("the step must be positive, got " + valuetext(step, range.unit));
    if (from > to)
        return refused("FROM " + valuetext(from, range.unit) + " lies above TO " + valuetext(to, range.unit));
    TypedDecimal typed[3];
    GridUnits units[3];
    Grid g{0, 0, 0, 0, {}};
    bool exact = true;
    for (int k = 0; k < 3; ++k) exact = exact && typeddecimal(parts[k], typed[k]);
    if (!exact || !commonunits(typed, units, g.decimals))
        return refused("FROM, TO and STEP take at most " + std::to_string(MAXGRIDDIGITS) +
                       " digits from the first digit of a value to the last decimal place typed");
    const GridUnits intervals = intervalsof(units[0], units[1], units[2]);
    if (intervals + 1 > static_cast<GridUnits>(MAXGRIDPOINTS))
        return refused("the grid has more than a million points; choose a larger step");
    g.from = units[0];
    g.step = units[2];
    g.count = static_cast<int>(intervals) + 1;
    for (int i : {0, g.count - 1}) {
        const Outcome inside = checkinside(g, range, i, units[1]);
        if (!inside.ok()) return inside;
    }
    grid = g;
    return succeeded();
}

double gridpoint(const Grid &grid, int i) {
    return grid.listed.empty() ? decimalvalue(grid.from + i * grid.step, grid.decimals)
                               : grid.listed[static_cast<size_t>(i)];
}

std::string valuetext(double v, const char *unit) {
    return *unit == '\0' ? numbertext(v) : numbertext(v) + " " + unit;
}

Outcome readgrid(const std::string &text, Grid &grid) {
    const Outcome parsed = parsegrid(text, errorrange(), grid);
    return parsed.ok() ? parsed : refused("--errors: '" + excerpt(text) + "' refused; " + parsed.message);
}

Outcome parseshard(const std::string &text, Shard &shard) {
    const std::vector<std::string> parts = splitat(text, '/');
    Shard s{};
    if (parts.size() != 2 || !readnumber(parts[0], s.k) || !readnumber(parts[1], s.n))
        return refused("expected K/N (for example 0/3), got \"" + excerpt(text) + "\"");
    if (s.n < 1) return refused("the number of shards N must be at least 1, got " + std::to_string(s.n));
    if (s.k < 0 || s.k >= s.n)
        return refused("the shard index K must lie in 0.." + std::to_string(s.n - 1) + ", got " + std::to_string(s.k));
    shard = s;
    return succeeded();
}

ShardPoints shardpoints(int count, const Shard &shard) {
    return ShardPoints{shard.k, shard.n, shard.k < count ? (count - 1 - shard.k) / shard.n + 1 : 0};
}
