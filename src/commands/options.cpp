#include "commands/options.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "atomicwrite/outfile.h"
#include "jobs/batch.h"
#include "plots/figure.h"
#include "settings/request.h"
#include "settings/settings.h"
#include "settings/usertext.h"
#include "processes/workers.h"

namespace {

// The refusal of option `name`'s argument `text`, thrown while the arguments are parsed.
CLI::ValidationError argumentrefusal(const std::string &name, const std::string &text, const std::string &accepts) {
    return CLI::ValidationError(name, "'" + excerpt(text) + "' refused; accepts " + accepts);
}

// Adds option `name` of setting s: one argument of numbers separated by commas,
// read strictly into v in order.
void addnumbersoption(CLI::App &cmd, const std::string &name, Setting s, std::vector<double> &v,
                      const std::string &help, const std::string &typeName) {
    cmd.add_option_function<std::string>(
           name,
           [&v, name, s](const std::string &argument) {
               v.clear();
               for (const std::string &part : splitat(argument, ',')) {
                   double x;
                   if (!readnumber(part, x)) throw argumentrefusal(name, argument, settingaccepts(s));
                   v.push_back(x);
               }
           },
           help)
        ->type_name(typeName);
}

// Adds option `name` of named setting s: NAME=NUMBER, repeatable, each read strictly into v.
void addnamedoption(CLI::App &cmd, const std::string &name, Setting s, std::vector<std::pair<std::string, double>> &v,
                    const std::string &help, const std::string &typeName) {
    cmd.add_option_function<std::vector<std::string>>(
           name,
           [&v, name, s](const std::vector<std::string> &arguments) {
               v.clear();
               for (const std::string &argument : arguments) {
                   const size_t equals = argument.find('=');
                   double x;
                   if (equals == std::string::npos || !readnumber(argument.substr(equals + 1), x))
                       throw argumentrefusal(name, argument, settingaccepts(s));
                   v.emplace_back(argument.substr(0, equals), x);
               }
           },
           help)
        ->type_name(typeName)
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

// Refuses, by its name, an option that takes one value and was given more than
// once; succeeds when none was (the parse stopped for another reason).
Outcome checkrepeated(const CLI::App &cmd) {
    for (const CLI::Option *option : cmd.get_options())
        if (option->nonpositional() && option->get_items_expected_max() == 1 && option->count() > 1)
            return refused(option->get_name() + ": given " + std::to_string(option->count()) +
                           " times; accepts it once");
    return succeeded();
}

template <class T>
CLI::Option *addonenumber(CLI::App &cmd, const std::string &name, T &v, const std::string &help) {
    return cmd.add_option_function<std::string>(
        name,
        [&v, name](const std::string &text) {
            if (!readnumber(text, v))
                throw argumentrefusal(name, text, std::is_integral<T>::value ? "a whole number" : "a number");
        },
        help);
}

// Two numbers separated by a comma, read strictly; false when the text is not that.
bool readpair(const std::string &text, double &a, double &b) {
    const std::vector<std::string> parts = splitat(text, ',');
    return parts.size() == 2 && readnumber(parts[0], a) && readnumber(parts[1], b) && std::isfinite(a) &&
           std::isfinite(b);
}

}  // namespace

int uncomparedstatus(const ComparisonResult &r) { return r.outcome == DIVERGED ? EXIT_DIVERGED : EXIT_NOSOLUTION; }

const char *const PICTURENAMES = "a file name ending in .png, .svg or .pdf";

namespace {

// Adds --measure NAME, the figure of the runs a sweep's or a map's picture draws.
void addmeasureoption(CLI::App &cmd, FigureOptions &o) {
    cmd.add_option_function<std::string>(
           "--measure",
           [&o](const std::string &text) {
               if (!measurenamed(text, o.measure)) throw argumentrefusal("--measure", text, measurenames());
           },
           "The figure of the TOC and SOTOC runs with the error the picture draws, named as in the result's runs: "
           "error (the positioning error with the velocity term [m]), designedTipError (the tip's distance from "
           "the goal at the designed final time [m]), endTipError (at the end of the run [m]), settlingTime [s] or "
           "tf (the final time [s]). A sweep draws it over the final time (over the positioning error for tf); a "
           "map draws both controllers' values and their ratio SOTOC / TOC, below 1 where SOTOC came closer or "
           "was sooner. Runs without a value (no settling, the designed final time beyond the run) are marked. "
           "Default: error.")
        ->type_name("NAME");
}

}  // namespace

void addfigureoptions(CLI::App &cmd, FigureOptions &o, bool timeaxis) {
    const std::string sides = "W,H in inches, each from " + numbertext(MINPAGESIDE) + " to " + numbertext(MAXPAGESIDE);
    cmd.add_option_function<std::string>(
           "--figsize",
           [&o, sides](const std::string &text) {
               double w, h;
               if (!readpair(text, w, h) || w < MINPAGESIDE || h < MINPAGESIDE || w > MAXPAGESIDE || h > MAXPAGESIDE)
                   throw argumentrefusal("--figsize", text, sides);
               o.W = w;
               o.H = h;
           },
           "Size of the figure's page in inches, rounded to whole points (a PNG has " + numbertext(PNGDPI) +
               " pixels per inch, at most " + numbertext(MAXPNGPIXELS / 1e6) + " million: about " +
               numbertext(std::floor(std::sqrt(MAXPNGPIXELS) / PNGDPI)) + " in square). Text is " + numbertext(TEXTPOINTS) + " pt on pages of two columns (" +
               numbertext(TWOCOLUMNWIDTH) + " in) and wider; a narrower page, such as a journal column's " +
               numbertext(ONECOLUMNWIDTH) + "," + numbertext(ONECOLUMNHEIGHT) + ", gets a one-column layout of its own "
               "(panels stacked or across its width, short legends under them) with text of " +
               numbertext(ONECOLUMNTEXTPOINTS) + " pt; a wide page lower than " + numbertext(TWOCOLUMNHEIGHT) +
               " in shows the two-column figure of its shape scaled down, text with it. Default: " +
               numbertext(TWOCOLUMNWIDTH) + "," + numbertext(TWOCOLUMNHEIGHT) + ", two columns.")
        ->type_name("W,H");
    cmd.add_flag_callback("--no-title", [&o]() { o.title = false; },
                          "Leave out the title lines above the panels (a caption says it); the panels take their room.");
    if (!timeaxis) {
        addmeasureoption(cmd, o);
        return;
    }
    cmd.add_option_function<std::string>(
           "--time-range",
           [&o](const std::string &text) {
               double t0, t1;
               if (!readpair(text, t0, t1) || !(t1 > t0))
                   throw argumentrefusal("--time-range", text, "T0,T1 in seconds with T1 > T0");
               o.t0 = t0;
               o.t1 = t1;
           },
           "Time axis of the figure's joint panels in seconds. Default: from 0 to the last final time of the three "
           "runs (designed, or reached by SOTOC) and " + numbertext(100.0 * TIMEMARGIN) + " %.")
        ->type_name("T0,T1");
}

void addcompareoptions(CLI::App &cmd, CompareOptionValues &v) {
    for (int k = 0; k < SETTINGS; ++k) {
        const Setting s = static_cast<Setting>(k);
        const SettingRow &row = settingrow(s);
        const std::string name = std::string("--") + settingoption(s, "--");
        if (row.flag)
            cmd.add_flag_callback(name, [&v, s]() { v.words[s] = settingrow(s).words[1].word; }, settinghelp(s));
        else if (row.words != nullptr || settingisfile(row))
            cmd.add_option(name, v.words[s], settinghelp(s))
                ->type_name(row.typeName)
                ->check(nonempty(settingaccepts(s)));
        else if (row.named != nullptr)
            addnamedoption(cmd, name, s, v.named[s], settinghelp(s), row.typeName);
        else
            addnumbersoption(cmd, name, s, v.numbers[s], settinghelp(s), row.typeName);
    }
}

CLI::Option *addnumberoption(CLI::App &cmd, const std::string &name, int &v, const std::string &help) {
    return addonenumber(cmd, name, v, help);
}

CLI::Option *addnumberoption(CLI::App &cmd, const std::string &name, double &v, const std::string &help) {
    return addonenumber(cmd, name, v, help);
}

CLI::Validator nonempty(const std::string &accepts) {
    return CLI::Validator(
        [accepts](std::string &value) { return value.empty() ? "'' refused; accepts " + accepts : ""; }, "");
}

void addjobsoption(CLI::App &cmd, int &jobs) {
    jobs = cores();
    cmd.add_option_function<std::string>(
           "--jobs",
           [&jobs](const std::string &text) {
               const Outcome read = readjobs(text, jobs);
               if (!read.ok()) throw CLI::ValidationError(read.message);
           },
           "Comparisons run at once, each in its own worker process (1 to " + std::to_string(MAXJOBS) +
               "); the output is the same for every N. Default: the number of cores of the machine it runs on.")
        ->type_name("N");
}

Outcome parsearguments(CLI::App &cmd, int argc, const char *const *argv) {
    try {
        cmd.parse(argc, argv);
        return succeeded();
    } catch (const CLI::ValidationError &e) {
        return refused(printable(e.what(), MESSAGEBYTES));  // the checks above name what is accepted
    } catch (const CLI::ExtrasError &) {
        std::string extras;
        for (const std::string &a : cmd.remaining()) extras += (extras.empty() ? "" : " ") + a;
        return refused("'" + excerpt(extras) + "' refused; accepts the options that --help lists");
    } catch (const CLI::Success &) {
        throw;
    } catch (const CLI::ArgumentMismatch &e) {
        const Outcome repeated = checkrepeated(cmd);
        return repeated.ok() ? refused(printable(e.what(), MESSAGEBYTES) + "; accepts what --help lists") : repeated;
    } catch (const CLI::ParseError &e) {
        return refused(printable(e.what(), MESSAGEBYTES) + "; accepts what --help lists");
    }
}

bool parsecommand(CLI::App &cmd, int argc, char **argv, int &status) {
    try {
        const Outcome parsed = parsearguments(cmd, argc, argv);
        if (parsed.ok()) return true;
        reportproblem(cmd, parsed.message);
        status = parsed.status;
    } catch (const CLI::Success &e) {
        status = cmd.exit(e);
    }
    return false;
}

Outcome checkplot(const std::string &plot, const FigureOptions &o, bool stdoutused) {
    if (plotdevice(plot).empty())
        return refused("--plot: '" + excerpt(plot) + "' refused; accepts " + PICTURENAMES);
    const PageSize pixels = pngsize(papersize(o));
    if (plotdevice(plot) == "png" && static_cast<double>(pixels.w) * pixels.h > MAXPNGPIXELS)
        return refused("--figsize: '" + numbertext(o.W) + "," + numbertext(o.H) + "' refused; a PNG takes at most " +
                       numbertext(MAXPNGPIXELS / 1e6) + " million pixels (" + std::to_string(pixels.w) + " x " +
                       std::to_string(pixels.h) + " at " + numbertext(PNGDPI) +
                       " per inch): a smaller page, or .svg or .pdf");
    if (stdoutused && isstandardoutput(plot))
        return refused("--plot: '" + excerpt(plot) + "' refused; standard output is written to it");
    return succeeded();
}

std::string outputrefusal(const std::string &option, const OutputFile &out) {
    return option + ": '" + excerpt(out.target) + "' refused; accepts a writable file (" + std::strerror(out.error) +
           ")";
}

void reportproblem(const CLI::App &cmd, const std::string &message) {
    std::fprintf(stderr, "%s: %s\n", cmd.get_name().c_str(), message.c_str());
}

void reportnotices(const CLI::App &cmd, const RobotFile &file) {
    for (const std::string &notice : file.notices) reportproblem(cmd, notice);
}
