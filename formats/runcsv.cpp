#include "formats/runcsv.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/records.h"
#include "formats/resultjson.h"
#include "study/request.h"

namespace {

const char *header(char type) {
    return type == ROBOTSCARA ? "t [s],phi1 [rad],phi2 [rad],x [m],y [m],tau1 [N m],tau2 [N m]\n"
                              : "t [s],theta [rad],r [m],x [m],y [m],tau1 [N m],F2 [N]\n";
}

bool writerun(std::FILE *f, char type, const RunLog &run) {
    bool ok = std::fputs(header(type), f) >= 0;
    for (int i = 0; i <= task.nStep && ok; ++i) {
        const double row[7] = {i * task.dt, run.fi[i][0], run.fi[i][1], run.P[i][0],
                               run.P[i][1], run.tau[i][0], run.tau[i][1]};
        std::string line;
        for (int c = 0; c < 7; ++c) line += (c > 0 ? "," : "") + numbertext(row[c]);
        line += '\n';
        ok = std::fputs(line.c_str(), f) >= 0;
    }
    return ok;
}

}  // namespace

std::string writeruncsv(const std::string &dir, char type) {
    const RobotRuns &runs = robotruns(type);
    const RunLog *logs[3] = {&runs.tocFree, &runs.tocErr, &runs.sotocErr};
    for (int k = 0; k < 3; ++k) {
        const std::string path = dir + "/" + RUNNAMES[k] + ".csv";
        std::FILE *f = std::fopen(path.c_str(), "w");
        bool ok = f != nullptr && writerun(f, type, *logs[k]);
        if (f != nullptr) ok = std::fclose(f) == 0 && ok;
        if (!ok) return "cannot write " + path + ": " + std::strerror(errno);
    }
    return "";
}
