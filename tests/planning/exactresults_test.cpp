// Exact results of whole comparison sequences, pinned bit for bit: both designs
// (both trials with their iterations, final vectors and last shots, and the stored
// times, signs and switching states) and the three simulated runs with the SOTOC
// final time. The expected fingerprints were taken from the straightforward
// implementation; any speed-up of the shots, the dynamics or the runs must keep them.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/params.h"
#include "core/records.h"
#include "model/simulation.h"
#include "planning/design.h"
#include "planning/designparts.h"

namespace {

// FNV-1a over the bytes of the values fed to it.
struct Fingerprint {
    uint64_t h = 14695981039346656037ull;
};

void feed(Fingerprint &f, const void *data, size_t size) {
    const unsigned char *b = static_cast<const unsigned char *>(data);
    for (size_t i = 0; i < size; ++i) {
        f.h ^= b[i];
        f.h *= 1099511628211ull;
    }
}

void feedtrials(Fingerprint &f, const DesignTrial trials[2]) {
    for (int t = 0; t < 2; ++t) {
        feed(f, trials[t].x, sizeof trials[t].x);
        feed(f, &trials[t].tf, sizeof trials[t].tf);
        feed(f, &trials[t].iterations, sizeof trials[t].iterations);
        feed(f, trials[t].shot.tb, sizeof trials[t].shot.tb);
        feed(f, trials[t].shot.wsgn, sizeof trials[t].shot.wsgn);
        feed(f, trials[t].shot.trace, sizeof trials[t].shot.trace);
    }
}

void feedstored(Fingerprint &f, int solved) {
    const ControlTables &c = controltables(app.type);
    feed(f, &solved, sizeof solved);
    feed(f, c.ts, sizeof c.ts);
    feed(f, c.sgn, sizeof c.sgn);
    feed(f, designs.segpos, sizeof designs.segpos);
    feed(f, designs.segvel, sizeof designs.segvel);
}

void feedrun(Fingerprint &f) {
    const RunLog &w = robotruns(app.type).work;
    const size_t rows = task.nStep + 1;
    feed(f, w.fi, rows * sizeof w.fi[0]);
    feed(f, w.P, rows * sizeof w.P[0]);
    feed(f, w.tau, rows * sizeof w.tau[0]);
    feed(f, &sotoc.phase, sizeof sotoc.phase);
    feed(f, &sotoc.tfsotoc[robotindex(app.type)], sizeof(double));
}

struct PinCase {
    char type, gravity, elbow;
    double u1, u2;          // reduction ratios; 0 keeps the defaults
    double x0, y0, xf, yf;  // move [m]
    double percent;         // mass error [%]
    uint64_t design;        // both designs: trials and stored results
    uint64_t runs;          // the three runs (none when a design fails)
};

// One comparison as the dialog runs it: time base from the nominal time, design
// with the nominal masses and TOC run, design with the erroneous masses from the
// nominal times, then TOC and SOTOC of that design on the nominal plant.
void comparisonsequence(const PinCase &c, Fingerprint &design, Fingerprint &runs) {
    static DesignTrial trials[2];
    initialset();
    app.type = c.type;
    app.sgnG = c.gravity;
    app.elbow = c.elbow;
    RobotParams &p = robotparams(c.type);
    if (c.u1 > 0.0) {
        p.u1 = c.u1;
        p.u2 = c.u2;
    }
    task.x0 = c.x0;
    task.y0 = c.y0;
    task.xf = c.xf;
    task.yf = c.yf;
    task.errRatio = c.percent / 100.0;
    seterrormasses();
    derivesettings();
    task.dt = (task.tfNom > 4.0 ? 8.0 : 4.0) / task.nStep;

    app.designErr = 'n';
    designtrials(trials);
    feedtrials(design, trials);
    const int free = designswitching();
    feedstored(design, free);
    if (!free) return;
    app.ctrlType = 'T';
    simulate();
    feedrun(runs);

    task.mw = task.mwErr;
    scara.m1 = scara.m1Err;
    derivesettings();
    app.designErr = 'm';
    designtrials(trials);
    feedtrials(design, trials);
    const int err = designswitching();
    feedstored(design, err);
    if (!err) return;
    ControlTables &t = controltables(c.type);
    for (int k = 0; k < 4; ++k)
        for (int j = 0; j < 2; ++j) {
            t.swRefPos[k][j] = k < 3 ? designs.segpos[k][j] : p.phif[j];
            t.swRefVel[k][j] = k < 3 ? designs.segvel[k][j] : 0.0;
        }
    task.mw = task.mwNom;
    scara.m1 = scara.m1Nom;
    derivesettings();
    for (char ctrl : {'T', 'S'}) {
        app.ctrlType = ctrl;
        simulate();
        feedrun(runs);
    }
}

std::string hex(uint64_t v) {
    char s[24];
    std::snprintf(s, sizeof s, "0x%016" PRIx64, v);
    return s;
}

// Default move of both robots, the cylindrical quarter turn (its default half turn
// has no horizontal solution), the SCARA elbow-down branch, and ratios that make
// the nominal move longer than 4 s (8 s runs).
const PinCase CASES[] = {
    {'b', 'g', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, -50.0,
     0x0d00725d7b5a8193ull, 0x331ec1d84c8a70b2ull},
    {'b', 'g', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, -20.0,
     0x401b83d610fa5709ull, 0x2b2429280ba83ac4ull},
    {'b', 'g', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, 0.0,
     0x105b7273cbcd7fd1ull, 0x917ea2d8cfc33c93ull},
    {'b', 'g', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, 1.0,
     0xc509b0acb33a947full, 0x03939cd18c290afbull},
    {'b', 'g', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, 20.0,
     0xb830ab18e9b9f8f4ull, 0x6b766ddd72286848ull},
    {'b', 'g', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, 50.0,
     0x3fbc0a65b070364bull, 0x8798b2f70fec2f13ull},
    {'b', 'h', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, -50.0,
     0xde1ff8305a6ff5feull, 0xb79448620010478cull},
    {'b', 'h', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, 1.0,
     0x97791a7f8f44629dull, 0xf00342ec16c65bbcull},
    {'b', 'h', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, 50.0,
     0x9067957a27c63e9bull, 0x9b3c1937a9d6eaf8ull},
    {'b', 'g', '1', 0, 0, 0.5, 0.3, -0.4, 0.5, 20.0,
     0x523c1f2647b38d2full, 0x381e6918f2e0498full},
    {'a', 'g', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, -50.0,
     0xb7165761052ea148ull, 0x98aaee4d3cb185f5ull},
    {'a', 'g', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, 1.0,
     0x22643cb8005160d9ull, 0x1ec2043fb44b9bbbull},
    {'a', 'g', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, 50.0,
     0x62cbb80f7a02aac6ull, 0x5f3cf10b6984148aull},
    {'a', 'h', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, 1.0,
     0x9dc36515b26dac7bull, 0xcbf29ce484222325ull},
    {'a', 'h', '2', 0, 0, 0.7, 0.0, 0.0, 0.7, -20.0,
     0x2a1eb1b4a63454d4ull, 0x85435dd992552c4full},
    {'a', 'h', '2', 0, 0, 0.7, 0.0, 0.0, 0.7, 1.0,
     0xdc5058b45ba7b667ull, 0x7b90c4632f7e8a70ull},
    {'a', 'h', '2', 0, 0, 0.7, 0.0, 0.0, 0.7, 20.0,
     0xb14478cc50d1b8a9ull, 0xd3bd02377b5b4245ull},
    {'b', 'g', '2', 900, 900, 0.7, 0.0, -0.3, 0.4, -20.0,
     0xeba2ad250492aeabull, 0x931653a8ca7b52fbull},
    {'b', 'g', '2', 900, 900, 0.7, 0.0, -0.3, 0.4, 20.0,
     0x1d3c2ff454d8c093ull, 0x0acdccad339cbbcfull},
    {'b', 'h', '2', 5, 5, 0.7, 0.0, -0.3, 0.4, 1.0,
     0x591d938953c20702ull, 0xe89268abd4bc7746ull},
    {'a', 'g', '2', 20, 20, 0.7, 0.0, -0.3, 0.4, 1.0,
     0xf93c910bc41d2717ull, 0x062b90a0545d7bb9ull},
};

TEST(ExactResults, ComparisonSequencesKeepEveryBit) {
    for (const PinCase &c : CASES) {
        SCOPED_TRACE(testing::Message() << c.type << c.gravity << c.elbow << " u=" << c.u1 << "," << c.u2 << " ("
                                        << c.x0 << "," << c.y0 << ")->(" << c.xf << "," << c.yf << ") "
                                        << c.percent << "%");
        Fingerprint design, runs;
        comparisonsequence(c, design, runs);
        EXPECT_EQ(hex(design.h), hex(c.design)) << "tfNom " << task.tfNom;
        EXPECT_EQ(hex(runs.h), hex(c.runs));
    }
}

}  // namespace
