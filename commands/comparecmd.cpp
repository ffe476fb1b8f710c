#include "commands/comparecmd.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "study/comparison.h"
#include "console/dialog.h"
#include "commands/options.h"
#include "study/params.h"
#include "formats/resultjson.h"
#include "formats/runcsv.h"

namespace {

const char *const ABOUT =
    "Runs one comparison pass: designs the switching times with the nominal workpiece mass and with\n"
    "the mass error, simulates error-free TOC, TOC with the error and SOTOC with the error on the\n"
    "nominal plant, and prints the final times, final tip positions and positioning errors as the\n"
    "console dialog prints them. Asks nothing and opens no window. Exit status: 0 compared,\n"
    "2 refused options, 3 no switching-time solution.";

// Makes the folder of --log when it is missing; "" or the refusal.
std::string makelogdir(const std::string &dir) {
    std::error_code e;
    std::filesystem::create_directories(dir, e);
    if (!e && std::filesystem::is_directory(dir, e)) return "";
    return "--log: '" + dir + "' refused; accepts a folder that exists or can be made (" +
           (e ? e.message() : "not a folder") + ")";
}

}  // namespace

int comparecommand(int argc, char **argv) {
    initialset();
    CLI::App cmd{ABOUT, "sotoc compare"};
    CompareOptionValues values;
    addcompareoptions(cmd, values);
    bool json = false;
    std::string logdir;
    cmd.add_flag("--json", json, "Print one JSON object (settings, derived values, designs, runs) instead.");
    cmd.add_option("--log", logdir,
                   "Also write the three runs to DIR/tocFree.csv, tocErr.csv and sotocErr.csv, one row per "
                   "logged sample (made when missing).")
        ->type_name("DIR");
    int status = 0;
    if (!parsecommand(cmd, argc, argv, status)) return status;
    CompareRequest request;
    std::string refused = requestfromoptions(values, "--", request);
    if (refused.empty() && !logdir.empty()) refused = makelogdir(logdir);
    if (!refused.empty()) {
        reportproblem(cmd, refused);
        return EXIT_REFUSED;
    }

    const ComparisonResult result = standalonepass(request);
    if (json)
        std::printf("%s\n", resultjson(request, result).dump().c_str());
    else if (result.outcome == COMPARED) {
        printresultlines(result);
        std::printf("\n");
    }
    if (result.outcome != COMPARED) {
        if (!json) reportproblem(cmd, nosolution(result));
        return EXIT_NOSOLUTION;
    }
    const std::string failed = logdir.empty() ? "" : writeruncsv(logdir, result.type);
    if (!failed.empty()) reportproblem(cmd, failed);
    return failed.empty() ? 0 : 1;
}
