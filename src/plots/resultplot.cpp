#include "plots/plot.h"

namespace {

// Draws the points read, or abandons the picture with the reader's refusal.
Outcome drawread(const Outcome &read, const PlotSetup &setup, const std::vector<PlotPoint> &points,
                 OutputFile &picture, const FigureOptions &o) {
    if (read.ok()) return drawplot(picture, setup, points, o);
    abandonoutput(picture);
    return read;
}

}  // namespace

Outcome plotresults(const std::vector<std::string> &paths, bool mixedprograms, OutputFile &picture,
                    const FigureOptions &o) {
    PlotSetup setup{};
    std::vector<PlotPoint> points;
    const Outcome read = readresults(paths, mixedprograms, setup, points);
    return drawread(read, setup, points, picture, o);
}

Outcome plotreading(const ResultReading &reading, OutputFile &picture, const FigureOptions &o) {
    PlotSetup setup{};
    std::vector<PlotPoint> points;
    const Outcome read = finishreading(reading, setup, points);
    return drawread(read, setup, points, picture, o);
}
