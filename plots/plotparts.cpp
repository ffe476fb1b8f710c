#include "plots/plotparts.h"

#include <plplot.h>

#include <algorithm>
#include <cmath>

namespace {

// Decades shown when no positioning error is positive (none compared).
constexpr double EMPTYLOGLO = -3.0;
constexpr double EMPTYLOGHI = 0.0;

void setcolours() {
    const int rgb[NCOLOURS][3] = {{255, 255, 255}, {0, 0, 0},       {255, 0, 0},  {0, 0, 255},
                                  {110, 110, 110}, {215, 215, 215}, {80, 80, 80}};
    for (int c = 0; c < NCOLOURS; ++c) plscol0(c, rgb[c][0], rgb[c][1], rgb[c][2]);
}

// Whether axis a of the setup carries the setting `s` (a ratio is carried by AXISRATIOS too).
bool along(PlotAxis axis, PlotAxis s) {
    return axis == s || (axis == AXISRATIOS && (s == AXISRATIO1 || s == AXISRATIO2));
}

// A setting in the title: the letter of the axis that varies it, else its value.
std::string settingtext(const PlotSetup &setup, PlotAxis s) {
    if (along(setup.xaxis, s)) return "x";
    if (along(setup.yaxis, s)) return "y";
    return format("%g", axisvalue(s, setup.request));
}

std::string robottext(const CompareRequest &r) {
    std::string robot = r.type == ROBOTSCARA ? "SCARA robot" : "Cylindrical-coordinate robot";
    robot += r.sgnG == MOTIONVERTICAL ? ", vertical motion" : ", horizontal motion";
    if (r.type == ROBOTSCARA) robot += r.elbow == ELBOWDOWN ? ", elbow down" : ", elbow up";
    return robot;
}

// The ratios, the move and the mass error, each value an axis varies named by its letter.
std::string settingstext(const PlotSetup &s) {
    std::string text = "reduction ratios u1 = ";
    if (s.xaxis == AXISRATIOS || s.yaxis == AXISRATIOS)
        text += "u2 = " + settingtext(s, AXISRATIO1);
    else
        text += settingtext(s, AXISRATIO1) + ", u2 = " + settingtext(s, AXISRATIO2);
    text += ";  move (" + settingtext(s, AXISSTARTX) + ", " + settingtext(s, AXISSTARTY) + ") m  to  (" +
            settingtext(s, AXISENDX) + ", " + settingtext(s, AXISENDY) + ") m";
    if (s.xaxis != AXISERROR && s.yaxis != AXISERROR) text += ";  mass error " + settingtext(s, AXISERROR) + " %";
    return text;
}

}  // namespace

Range logrange(const std::vector<PlotPoint> &p, bool unfinished) {
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (const PlotPoint &s : p) {
        if (s.outcome != POINTCOMPARED) continue;
        const bool sotoc = unfinished || s.sotocFinished;
        for (double e : {s.tocError, sotoc ? s.sotocError : s.tocError})
            if (e > 0.0 && std::isfinite(e)) {
                lo = std::min(lo, std::log10(e));
                hi = std::max(hi, std::log10(e));
            }
    }
    if (lo > hi) return {EMPTYLOGLO, EMPTYLOGHI};
    lo = std::floor(lo);
    hi = std::ceil(hi);
    return {lo, hi > lo ? hi : lo + 1.0};
}

bool beginpage(OutputFile &picture, const std::vector<PlotPoint> &points, int width, int height,
               std::string &message) {
    const std::string device = plotdevice(picture.target);
    std::FILE *f = nullptr;
    if (device.empty())
        message = "cannot tell the picture format of \"" + picture.target + "\": use .png, .svg or .pdf";
    else if (points.empty())
        message = "no results to plot";
    else if ((f = outputstream(picture)) == nullptr)
        message = outputproblem(picture);
    if (f == nullptr) {
        abandonoutput(picture);
        return false;
    }
    plsdev(device.c_str());
    plsfile(f);  // PLplot closes it at plend
    plspage(0.0, 0.0, width, height, 0, 0);
    setcolours();
    plinit();
    pladv(0);
    plschr(TEXTHEIGHT, 1.0);
    return true;
}

bool endpage(OutputFile &picture, std::string &message) {
    plend();
    if (commitoutput(picture)) return true;
    message = outputproblem(picture);
    return false;
}

std::string format(const char *fmt, double a, double b, double c, double d) {
    char buf[160];
    std::snprintf(buf, sizeof buf, fmt, a, b, c, d);
    return buf;
}

void drawtitle(const PlotSetup &setup, const std::string &kind, double left, double right, double low,
               double high) {
    plvpor(left, right, low, high);
    plcol0(BLACK);
    plschr(0.0, TITLESCALE);
    plmtex("t", 3.2, 0.0, 0.0, (kind + ": " + robottext(setup.request)).c_str());
    plschr(0.0, 1.0);
    plmtex("t", 1.5, 0.0, 0.0, settingstext(setup).c_str());
}

int countoutcome(const std::vector<PlotPoint> &p, PointOutcome o) {
    return static_cast<int>(std::count_if(p.begin(), p.end(), [o](const PlotPoint &s) { return s.outcome == o; }));
}
