#include "formats/runcsv.h"


#include "files/outfile.h"
#include "core/records.h"
#include "formats/resultjson.h"
#include "study/request.h"

namespace {

const char *header(char type) {
    return type == ROBOTSCARA ? "t [s],phi1 [rad],phi2 [rad],x [m],y [m],tau1 [N m],tau2 [N m]\n"
                              : "t [s],theta [rad],r [m],x [m],y [m],tau1 [N m],F2 [N]\n";
}

// The CSV text of one run.
std::string runtext(char type, const RunLog &run) {
    std::string text = header(type);
    for (int i = 0; i <= task.nStep; ++i) {
        const double row[7] = {i * task.dt, run.fi[i][0], run.fi[i][1], run.P[i][0],
                               run.P[i][1], run.tau[i][0], run.tau[i][1]};
        for (int c = 0; c < 7; ++c) text += (c > 0 ? "," : "") + numbertext(row[c]);
        text += '\n';
    }
    return text;
}

}  // namespace

std::string writeruncsv(const std::string &dir, char type) {
    const RobotRuns &runs = robotruns(type);
    const RunLog *logs[3] = {&runs.tocFree, &runs.tocErr, &runs.sotocErr};
    for (int k = 0; k < 3; ++k) {
        OutputFile out;
        if (!beginoutput(dir + "/" + RUNNAMES[k] + ".csv", out)) return outputproblem(out);
        const std::string text = runtext(type, *logs[k]);
        writeoutput(out, text.data(), text.size());
        if (!commitoutput(out)) return outputproblem(out);
    }
    return "";
}
