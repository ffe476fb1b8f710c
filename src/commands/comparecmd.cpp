#include "commands/comparecmd.h"

#include <CLI/CLI.hpp>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "study/comparison.h"
#include "console/dialog.h"
#include "commands/options.h"
#include "commands/passcmd.h"
#include "study/params.h"
#include "settings/usertext.h"
#include "formats/resultjson.h"
#include "formats/runcsv.h"
#include "atomicwrite/outfile.h"
#include "plots/figure.h"
#include "processes/interrupt.h"

namespace {

const char *const ABOUT =
    "Runs one comparison pass: designs the switching times with the nominal workpiece mass and with\n"
    "the mass error, simulates error-free TOC, TOC with the error and SOTOC with the error on the\n"
    "nominal plant, and prints the final times, final tip positions and positioning errors as the\n"
    "console dialog prints them, in Japanese or in English (--lang). Asks nothing and opens no\n"
    "window. --plot draws the comparison as a figure for print (none when there is no solution).\n"
    "Exit status: 0 compared, 1 results, logs or figure not written, 2 refused options, 3 no\n"
    "switching-time solution, 4 diverged (a derived value or a figure of the runs is no finite\n"
    "number).";

// Makes the folder of --log when it is missing, noting in `made` the folders it
// made, deepest first; refuses a folder that cannot be made.
Outcome makelogdir(const std::string &dir, std::vector<std::filesystem::path> &made) {
    std::error_code e;
    std::filesystem::path p = std::filesystem::absolute(dir, e).lexically_normal();
    if (!p.has_filename()) p = p.parent_path();  // "runs/"
    for (; !e && p.has_relative_path() && !std::filesystem::exists(p, e); p = p.parent_path()) made.push_back(p);
    if (!e) std::filesystem::create_directories(dir, e);
    if (!e && std::filesystem::is_directory(dir, e)) return succeeded();
    return refused("--log: '" + excerpt(dir) + "' refused; accepts a folder that exists or can be made (" +
                   (e ? e.message() : "not a folder") + ")");
}

// Removes the folders made for --log while they are empty: nothing was logged.
void removelogdir(const std::vector<std::filesystem::path> &made) {
    std::error_code e;
    for (const std::filesystem::path &p : made)
        if (!std::filesystem::is_empty(p, e) || !std::filesystem::remove(p, e)) return;
}

// Refuses a --plot that names one of the CSV files of --log.
Outcome checklogclash(const std::string &plot, const std::string &logdir) {
    if (logdir.empty()) return succeeded();
    for (const char *run : RUNNAMES) {
        const std::string log = logdir + "/" + run + ".csv";
        if (samefile(plot, log))
            return refused("--plot: '" + excerpt(plot) + "' refused; it names the log file '" + excerpt(log) + "'");
    }
    return succeeded();
}

// Begins the output of --plot once the --log folder is made; refuses with nothing
// begun.
Outcome beginplot(const std::string &plot, const std::string &logdir, OutputFile &picture) {
    if (plot.empty()) return succeeded();
    const Outcome clash = checklogclash(plot, logdir);
    if (!clash.ok()) return clash;
    return beginoutput(plot, picture).ok() ? succeeded() : refused(outputrefusal("--plot", picture));
}

// The language the environment asks messages in, as the C library reads it: the
// first of LC_ALL, LC_MESSAGES and LANG that is set and not empty; Japanese for a
// Japanese locale (ja, ja_JP.UTF-8, ...), English for any other or none.
Language environmentlanguage() {
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char *value = std::getenv(name);
        if (value && *value) return std::strncmp(value, "ja", 2) == 0 ? JAPANESE : ENGLISH;
    }
    return ENGLISH;
}

// Sets `language` from --lang, or from the environment when it is not given; refuses
// any other word.
Outcome chooselanguage(const std::string &lang, Language &language) {
    if (lang.empty()) language = environmentlanguage();
    else if (lang == "ja") language = JAPANESE;
    else if (lang == "en") language = ENGLISH;
    else return refused("--lang: '" + excerpt(lang) + "' refused; accepts ja or en");
    return succeeded();
}

// The output of the pass: the JSON object or the dialog's result lines.
std::string outputtext(bool json, Language language, const CompareRequest &request, const ComparisonResult &result) {
    if (json) return resultjson(request, result).dump() + "\n";
    return result.outcome == COMPARED ? resultlines(result, language) + "\n" : "";
}

}  // namespace

int comparecommand(int argc, char **argv) {
    bool json = false;
    std::string logdir, plot, lang;
    Language language = ENGLISH;
    std::vector<std::filesystem::path> made;
    OutputFile picture{};
    FigureOptions figure;
    const auto addoptions = [&](CLI::App &cmd) {
        cmd.add_flag("--json", json, "Print one JSON object (settings, derived values, designs, runs) instead.");
        cmd.add_option("--lang", lang,
                       "Language of the result lines: ja (the console dialog's Japanese) or en. Default: ja when "
                       "the locale (LC_ALL, LC_MESSAGES or LANG) is Japanese, else en.")
            ->type_name("ja|en")
            ->check(nonempty("ja or en"));
        cmd.add_option("--log", logdir,
                       "Also write the three runs to DIR/tocFree.csv, tocErr.csv and sotocErr.csv, one row per "
                       "logged sample (made when missing).")
            ->type_name("DIR")
            ->check(nonempty("a folder"));
        cmd.add_option("--plot", plot,
                       "Also draw the comparison into FILE (.png, .svg or .pdf): tip paths, joint displacements and "
                       "torques of the three runs. Not drawn without a solution.")
            ->type_name("FILE")
            ->check(nonempty(PICTURENAMES));
        addfigureoptions(cmd, figure, true);
    };
    const auto takeoptions = [&]() {
        Outcome taken = chooselanguage(lang, language);
        if (taken.ok() && !plot.empty()) taken = checkplot(plot, figure, true);
        if (taken.ok() && !logdir.empty()) taken = makelogdir(logdir, made);
        if (taken.ok()) taken = beginplot(plot, logdir, picture);
        if (!taken.ok()) removelogdir(made);
        return taken;
    };
    const auto finish = [&](const CLI::App &cmd, const CompareRequest &request, const ComparisonResult &result) {
        Outcome written = writeresults(STDOUT_FILENO, outputtext(json, language, request, result));
        if (written.ok() && result.outcome == COMPARED && !logdir.empty()) written = writeruncsv(logdir, result.type);
        if (!written.ok() || result.outcome != COMPARED) removelogdir(made);
        if (!plot.empty()) {
            if (written.ok() && result.outcome == COMPARED) {
                figure.settings = settingsjson(request).dump();
                written = drawcomparison(picture, requestsettings(request), result, figure);
            }
            else
                abandonoutput(picture);
        }
        if (!written.ok()) {
            reportproblem(cmd, written.message);
            return written.status;
        }
        if (result.outcome == COMPARED) return 0;
        if (!json || !plot.empty())
            reportproblem(cmd, uncompared(result) + (plot.empty() ? "" : "; no figure drawn"));
        return uncomparedstatus(result);
    };
    return passcommand(argc, argv, PassCommand{ABOUT, "sotoc compare", addoptions, takeoptions, finish});
}
