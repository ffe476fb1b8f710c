#include "formats/runcsv.h"

#include "atomicwrite/outfile.h"
#include "formats/resultjson.h"
#include "settings/request.h"

namespace {

const char *header(char type) {
    return type == ROBOTSCARA ? "t [s],phi1 [rad],phi2 [rad],x [m],y [m],tau1 [N m],tau2 [N m]\n"
                              : "t [s],theta [rad],r [m],x [m],y [m],tau1 [N m],F2 [N]\n";
}

// The CSV text of one run: the program that wrote it as a comment, the columns, the rows.
std::string runtext(char type, const RunLog &run) {
    std::string text = "# " + programtext(SOTOC_RELEASE, SOTOC_COMMIT) + "\n" + header(type);
    for (int i = 0; i <= task.nStep; ++i) {
        double row[RUNCOLUMNS];
        runrow(run, i, row);
        for (int c = 0; c < RUNCOLUMNS; ++c) text += (c > 0 ? "," : "") + numbertext(row[c]);
        text += '\n';
    }
    return text;
}

}  // namespace

const RunLog &storedrun(char type, int k) {
    const RobotRuns &runs = robotruns(type);
    return k == 0 ? runs.tocFree : k == 1 ? runs.tocErr : runs.sotocErr;
}

void runrow(const RunLog &run, int i, double row[RUNCOLUMNS]) {
    row[0] = i * task.dt;
    for (int j = 0; j < 2; ++j) {
        row[1 + j] = run.fi[i][j];
        row[3 + j] = run.P[i][j];
        row[5 + j] = run.tau[i][j];
    }
}

Outcome writeruncsv(const std::string &dir, char type) {
    for (int k = 0; k < 3; ++k) {
        OutputFile out;
        const Outcome begun = beginoutput(dir + "/" + RUNNAMES[k] + ".csv", out);
        if (!begun.ok()) return begun;
        const std::string text = runtext(type, storedrun(type, k));
        writeoutput(out, text.data(), text.size());
        const Outcome written = commitoutput(out);
        if (!written.ok()) return written;
    }
    return succeeded();
}
