#include "commands/plotcmd.h"

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

#include "commands/options.h"
#include "study/params.h"
#include "plots/plot.h"
#include "formats/resultfile.h"
#include "settings/usertext.h"
#include "atomicwrite/outfile.h"

namespace {

const char *const ABOUT =
    "Draws the picture of result files: JSON Lines of sotoc sweep or sotoc map (all their shards,\n"
    "in any order) or of sotoc batch whose results differ only in the mass error. Lines with a\n"
    "\"map\" key are a map's, and the settings that differ between them its axes: a map over two\n"
    "settings is drawn as heatmaps of both positioning errors and of which controller came closer,\n"
    "a sweep or a map over one setting as positioning errors and final times against it. Results\n"
    "made by another version of sotoc, or by a build from another commit, than the first line's\n"
    "are refused, naming both, unless --mixed-programs is given. Exit status: 0 drawn,\n"
    "1 unreadable results (FILE:LINE named) or picture not written, 2 refused options (a picture\n"
    "that cannot be made in its folder, or that names a result file, among them).";

}  // namespace

int plotcommand(int argc, char **argv) {
    initialset();  // the settings of the results are checked against the robots' defaults
    CLI::App cmd{ABOUT, "sotoc plot"};
    std::vector<std::string> files;
    std::string picture;
    cmd.add_option("FILE", files, "Result files (JSON Lines).")->required()->type_name("");
    cmd.add_option("--plot", picture, "The picture to draw: .png, .svg or .pdf.")->required()->type_name("FILE");
    bool mixedprograms = false;
    cmd.add_flag("--mixed-programs", mixedprograms,
                 "Draw results made by different versions or commits of sotoc together.");
    FigureOptions figure;
    addfigureoptions(cmd, figure, false);
    int status = 0;
    if (!parsecommand(cmd, argc, argv, status)) return status;
    Outcome taken = checkplot(picture, figure, false);
    for (const std::string &file : files)
        if (taken.ok() && samefile(file, picture))
            taken = refused("--plot: '" + excerpt(picture) + "' refused; it names the result file '" +
                            excerpt(file) + "'");
    OutputFile out;
    if (taken.ok() && !beginoutput(picture, out).ok()) taken = refused(outputrefusal("--plot", out));
    if (!taken.ok()) {
        reportproblem(cmd, taken.message);
        return taken.status;
    }
    const Outcome drawn = plotresults(files, mixedprograms, out, figure);
    if (!drawn.ok()) reportproblem(cmd, drawn.message);
    return drawn.status;
}
