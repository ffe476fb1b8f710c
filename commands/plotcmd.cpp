#include "commands/plotcmd.h"

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

#include "commands/options.h"
#include "study/params.h"
#include "plots/plot.h"
#include "formats/resultfile.h"
#include "files/outfile.h"

namespace {

const char *const ABOUT =
    "Draws the picture of sotoc sweep --plot from result files: JSON Lines of sotoc sweep (all its\n"
    "shards, in any order) or sotoc batch whose results differ only in the mass error. Exit status:\n"
    "0 drawn, 1 unreadable results or picture not written, 2 refused options (a picture that cannot be\n"
    "made in its folder, or that names a result file, among them).";

}  // namespace

int plotcommand(int argc, char **argv) {
    initialset();  // the settings of the results are checked against the robots' defaults
    CLI::App cmd{ABOUT, "sotoc plot"};
    std::vector<std::string> files;
    std::string picture;
    cmd.add_option("FILE", files, "Result files (JSON Lines).")->required()->type_name("");
    cmd.add_option("--plot", picture, "The picture to draw: .png, .svg or .pdf.")->required()->type_name("FILE");
    int status = 0;
    if (!parsecommand(cmd, argc, argv, status)) return status;
    std::string refused = plotrefusal(picture, false);
    for (const std::string &file : files)
        if (refused.empty() && samefile(file, picture))
            refused = "--plot: '" + picture + "' refused; it names the result file '" + file + "'";
    OutputFile out;
    if (refused.empty() && !beginoutput(picture, out))
        refused = outputrefusal("--plot", out);
    if (!refused.empty()) {
        reportproblem(cmd, refused);
        return EXIT_REFUSED;
    }
    SweepSetup setup{};
    std::vector<SweepPoint> points;
    std::string message;
    if (!readresults(files, setup, points, message)) {
        abandonoutput(out);
        reportproblem(cmd, message);
        return 1;
    }
    if (!drawsweep(out, setup, points, message)) {
        reportproblem(cmd, message);
        return 1;
    }
    return 0;
}
