#include "commands/options.h"

#include <CLI/CLI.hpp>

#include <cstdio>

#include "core/records.h"
#include "study/comparison.h"
#include "study/request.h"
#include "workers/workers.h"

namespace {

// Refuses a command-line element that is not a number, before CLI11 converts it.
CLI::Validator numbervalidator(Setting s) {
    return CLI::Validator(
        [s](std::string &text) {
            double v;
            return CLI::detail::lexical_cast(text, v) ? std::string()
                                                      : "'" + text + "' refused; accepts " + settingaccepts(s);
        },
        "");
}

}  // namespace

void addcompareoptions(CLI::App &cmd, CompareOptionValues &v) {
    const CompareRequest c = defaultrequest(ROBOTCYL, MOTIONHORIZONTAL);
    const CompareRequest s = defaultrequest(ROBOTSCARA, MOTIONHORIZONTAL);
    cmd.add_option("--robot", v.robot,
                   "Robot: cylindrical (rotary joint 1, prismatic joint 2) or scara (two rotary joints). Required.")
        ->type_name("NAME");
    cmd.add_option("--motion", v.motion, "Motion: horizontal (no gravity) or vertical (with gravity). Required.")
        ->type_name("NAME");
    cmd.add_option("--ratios", v.ratios,
                   "Reduction ratios of joints 1 and 2 [rad/rad; cylindrical joint 2: rad/m], 0 < U <= " +
                       numbertext(MAXRATIO) + ". Default: " + numberlist({c.u[0], c.u[1]}) + " (cylindrical), " +
                       numberlist({s.u[0], s.u[1]}) + " (scara).")
        ->type_name("U1,U2")
        ->delimiter(',')
        ->check(numbervalidator(SETTINGRATIOS));
    const std::string within = ", " + numbertext(-MAXCOORDINATE) + " <= X, Y <= " + numbertext(MAXCOORDINATE);
    cmd.add_option("--start", v.start,
                   "PTP start point [m]" + within + ". Default: " + numberlist({c.start[0], c.start[1]}) + ".")
        ->type_name("X,Y")
        ->delimiter(',')
        ->check(numbervalidator(SETTINGSTART));
    cmd.add_option("--end", v.end,
                   "PTP end point [m]" + within + ". Default: " + numberlist({c.end[0], c.end[1]}) + ".")
        ->type_name("X,Y")
        ->delimiter(',')
        ->check(numbervalidator(SETTINGEND));
    cmd.add_option("--elbow", v.elbow,
                   "SCARA elbow bent down (joint 2 >= 0) or up (joint 2 <= 0). Default: " +
                       std::string(elbowword(c.elbow)) + ".")
        ->type_name("down|up");
    cmd.add_option("--error", v.error,
                   "Mass error of the design [%], " + numbertext(-MAXERRORPERCENT) + " < error < " +
                       numbertext(MAXERRORPERCENT) + ". Default: " + numbertext(c.errorPercent) + ".")
        ->type_name("PERCENT")
        ->check(numbervalidator(SETTINGERROR));
}

void addjobsoption(CLI::App &cmd, int &jobs) {
    jobs = cores();
    cmd.add_option("--jobs", jobs,
                   "Comparisons run at once, each in its own worker process; the output is the same "
                   "for every N. Default: the number of cores (" +
                       std::to_string(jobs) + ").")
        ->type_name("N")
        ->check(CLI::Range(1, MAXJOBS));
}

bool parsecommand(CLI::App &cmd, int argc, char **argv, int &status) {
    try {
        cmd.parse(argc, argv);
        return true;
    } catch (const CLI::Success &e) {
        status = cmd.exit(e);
    } catch (const CLI::ValidationError &e) {
        reportproblem(cmd, e.what());  // the checks above name what is accepted
        status = EXIT_REFUSED;
    } catch (const CLI::ExtrasError &) {
        std::string extras;
        for (const std::string &a : cmd.remaining()) extras += (extras.empty() ? "" : " ") + a;
        reportproblem(cmd, "'" + extras + "' refused; accepts the options that --help lists");
        status = EXIT_REFUSED;
    } catch (const CLI::ParseError &e) {
        reportproblem(cmd, e.what() + std::string("; accepts what --help lists"));
        status = EXIT_REFUSED;
    }
    return false;
}

void reportproblem(const CLI::App &cmd, const std::string &message) {
    std::fprintf(stderr, "%s: %s\n", cmd.get_name().c_str(), message.c_str());
}
