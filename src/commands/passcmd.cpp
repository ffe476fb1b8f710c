#include "commands/passcmd.h"

#include <CLI/CLI.hpp>

#include "commands/options.h"
#include "study/params.h"

int passcommand(int argc, char **argv, const PassCommand &command) {
    initialset();
    CLI::App cmd{command.about, command.name};
    CompareOptionValues values;
    addcompareoptions(cmd, values);
    command.addoptions(cmd);
    int status = 0;
    if (!parsecommand(cmd, argc, argv, status)) return status;
    CompareRequest request;
    Outcome taken = requestfromoptions(values, "--", request);
    if (taken.ok()) taken = command.takeoptions();
    if (!taken.ok()) {
        reportproblem(cmd, taken.message);
        return taken.status;
    }
    reportnotices(cmd, request.robotfile);
    return command.finish(cmd, request, standalonepass(request));
}
