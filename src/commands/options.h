// The command line of the subcommands: the options of one comparison with their
// help, --jobs, the parse, and the one-line report of a refusal.
#pragma once

#include <string>

#include "records/outcome.h"
#include "settings/request.h"

struct OutputFile;
struct ComparisonResult;
struct FigureOptions;

namespace CLI {
class App;
class Option;
class Validator;
}

// Exit status of a subcommand whose switching-time design has no solution, beside
// 0 (done), FAILURESTATUS and REFUSEDSTATUS (records/outcome.h).
constexpr int EXIT_NOSOLUTION = 3;
// Exit status of a subcommand whose pass diverged: a derived value or a figure of
// its runs is no finite number.
constexpr int EXIT_DIVERGED = 4;

// The exit status of a pass that did not compare: EXIT_DIVERGED or EXIT_NOSOLUTION.
int uncomparedstatus(const ComparisonResult &r);

// Adds an option --NAME to `cmd` for every setting of the table (settings/settings.h),
// each with its units, accepted values and default in the help; numbers are read
// strictly, a list's numbers separated by commas. Reads the defaults
// from the records, so initialset must have run.
void addcompareoptions(CLI::App &cmd, CompareOptionValues &v);

// Adds option `name` taking one number, read strictly (readnumber of
// settings/usertext.h) into v; a text that is no number is refused while parsing. v
// keeps its value when the option is not given.
CLI::Option *addnumberoption(CLI::App &cmd, const std::string &name, int &v, const std::string &help);
CLI::Option *addnumberoption(CLI::App &cmd, const std::string &name, double &v, const std::string &help);

// The check of an option that names a file, a folder or a word: refuses an empty
// value ("'' refused; accepts ACCEPTS"), which names none and is not the option left out.
CLI::Validator nonempty(const std::string &accepts);

// Adds --jobs N (1..MAXJOBS comparisons at once in worker processes) to `cmd` and
// sets `jobs` to its default, the number of cores.
void addjobsoption(CLI::App &cmd, int &jobs);

// Smallest side of a figure's page [in]: room for a panel and its 8.5 pt numbers.
constexpr double MINPAGESIDE = 1.0;

// Adds the options of a figure to `cmd`, read into o while parsing and refused there:
// --figsize W,H (inches, MINPAGESIDE to MAXPAGESIDE), --no-title and, when
// `timeaxis`, --time-range T0,T1 (seconds, T1 > T0), else --measure NAME (the
// measure a sweep's or a map's picture draws, one of measurenames()).
void addfigureoptions(CLI::App &cmd, FigureOptions &o, bool timeaxis);

// What --plot accepts: "a file name ending in .png, .svg or .pdf".
extern const char *const PICTURENAMES;

// Checks --plot FILE before any work: refuses all but a name ending in .png, .svg or
// .pdf that is not, when the command writes standard output (`stdoutused`), the
// file standard output goes to (the picture would replace it); refuses --figsize of
// a PNG beyond MAXPNGPIXELS.
Outcome checkplot(const std::string &plot, const FigureOptions &o, bool stdoutused);

// The refusal of an output that beginoutput (atomicwrite/outfile.h) could not make, for
// option `option`: "OPTION: 'TARGET' refused; accepts a writable file (<reason>)",
// the target quoted as typed values are (excerpt).
std::string outputrefusal(const std::string &option, const OutputFile &out);

// Says on standard error, one line each as a refusal is said, what robot file `file`
// gives that the model ignores.
void reportnotices(const CLI::App &cmd, const RobotFile &file);

// Parses the arguments of subcommand `cmd` (argv[0] is its name) and prints
// nothing; refuses with one line of at most about MESSAGEBYTES; an option taking
// one value given more than once is refused by its name. --help throws
// CLI::Success for the caller in this folder to print.
Outcome parsearguments(CLI::App &cmd, int argc, const char *const *argv);

// Parses the arguments of subcommand `cmd` (argv[0] is its name). Returns true to go
// on; false with `status` set after the help was printed (0) or an argument was
// refused (REFUSEDSTATUS, one line on standard error, nothing on standard output).
bool parsecommand(CLI::App &cmd, int argc, char **argv, int &status);

// Prints `message` of subcommand `cmd` (a refusal or why it failed) as one line on
// standard error.
void reportproblem(const CLI::App &cmd, const std::string &message);
