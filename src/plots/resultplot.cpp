#include "plots/plot.h"

bool plotresults(const std::vector<std::string> &paths, OutputFile &picture, std::string &message) {
    PlotSetup setup{};
    std::vector<PlotPoint> points;
    if (readresults(paths, setup, points, message)) return drawplot(picture, setup, points, message);
    abandonoutput(picture);
    return false;
}

bool plotreading(const ResultReading &reading, OutputFile &picture, std::string &message) {
    PlotSetup setup{};
    std::vector<PlotPoint> points;
    if (finishreading(reading, setup, points, message)) return drawplot(picture, setup, points, message);
    abandonoutput(picture);
    return false;
}
