#include "plots/plot.h"

namespace {

// Draws the points read, or abandons the picture with the reader's refusal.
bool drawread(const Outcome &read, const PlotSetup &setup, const std::vector<PlotPoint> &points,
              OutputFile &picture, std::string &message) {
    if (read.ok()) return drawplot(picture, setup, points, message);
    message = read.message;
    abandonoutput(picture);
    return false;
}

}  // namespace

bool plotresults(const std::vector<std::string> &paths, bool mixedprograms, OutputFile &picture,
                 std::string &message) {
    PlotSetup setup{};
    std::vector<PlotPoint> points;
    const Outcome read = readresults(paths, mixedprograms, setup, points);
    return drawread(read, setup, points, picture, message);
}

bool plotreading(const ResultReading &reading, OutputFile &picture, std::string &message) {
    PlotSetup setup{};
    std::vector<PlotPoint> points;
    const Outcome read = finishreading(reading, setup, points);
    return drawread(read, setup, points, picture, message);
}
