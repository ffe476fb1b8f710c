#include "formats/titles.h"

#include <cstdarg>
#include <cstdio>
#include <filesystem>

#include "settings/request.h"
#include "settings/settings.h"
#include "settings/usertext.h"

namespace {

// Whether axis a of the setup carries the setting `s` (a ratio is carried by AXISRATIOS too).
bool along(PlotAxis axis, PlotAxis s) {
    return axis == s || (axis == AXISRATIOS && (s == AXISRATIO1 || s == AXISRATIO2));
}

// A setting in the title: the letter of the axis that varies it, else its value.
std::string settingtext(const PlotSetup &setup, PlotAxis s) {
    if (along(setup.xaxis, s)) return "x";
    if (along(setup.yaxis, s)) return "y";
    return printed("%g", axisvalue(s, setup.request));
}

// The robot file of the settings as a title names it, "" for the built-in robots.
std::string robotfiletitle(const RobotFile &f) {
    if (f.path.empty()) return "";
    const std::string name = std::filesystem::path(f.path).filename().string();
    return ";  robot file " + printable(name, QUOTEBYTES) + " (SHA-256 " + f.sha256.substr(0, TITLEDIGESTDIGITS) + ")";
}

}  // namespace

std::string printed(const char *format, ...) {
    char buf[200];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    return buf;
}

std::string robottitle(const ComparisonSettings &s) {
    std::string robot = s.type == ROBOTSCARA ? "SCARA robot" : "Cylindrical-coordinate robot";
    robot += s.sgnG == MOTIONVERTICAL ? ", vertical motion" : ", horizontal motion";
    if (s.type == ROBOTSCARA) robot += s.elbow == ELBOWDOWN ? ", elbow down" : ", elbow up";
    return robot;
}

std::string plotkind(const PlotSetup &setup) { return setup.map ? "Map" : "Mass-error sweep"; }

std::string plottitle(const PlotSetup &setup, const std::string &kind) {
    return kind + ": " + robottitle(requestsettings(setup.request)) + robotfiletitle(setup.request.robotfile);
}

std::string settingstitle(const PlotSetup &s) {
    std::string text = "reduction ratios u1 = ";
    if (s.xaxis == AXISRATIOS || s.yaxis == AXISRATIOS)
        text += "u2 = " + settingtext(s, AXISRATIO1);
    else
        text += settingtext(s, AXISRATIO1) + ", u2 = " + settingtext(s, AXISRATIO2);
    text += ";  move (" + settingtext(s, AXISSTARTX) + ", " + settingtext(s, AXISSTARTY) + ") m  to  (" +
            settingtext(s, AXISENDX) + ", " + settingtext(s, AXISENDY) + ") m";
    if (s.xaxis != AXISERROR && s.yaxis != AXISERROR) text += ";  mass error " + settingtext(s, AXISERROR) + " %";
    // SOTOC's switching rule, when it is not the one of the interactive program.
    if (along(s.xaxis, AXISNEAR) || along(s.yaxis, AXISNEAR) || s.request.near != DEFAULTNEAR)
        text += ";  SOTOC near " + settingtext(s, AXISNEAR);
    if (!settingoff(SETTINGFALLBACK, &s.request.fallback))
        text += ";  fallback " + printed("%g", s.request.fallback) + " s";
    for (const auto &[k, v] : s.request.designErrors)
        text += std::string(";  design error of ") + parameterrow(k).name + " " +
                settingtext(s, namedaxis(SETTINGDESIGNERRORS, k)) + " %";
    for (const auto &[k, v] : s.request.params)
        text += std::string(";  ") + parameterrow(k).name + " " + settingtext(s, namedaxis(SETTINGPARAMS, k)) + " " +
                parameterunit(k, s.request.type);
    return text;
}
