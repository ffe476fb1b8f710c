// Exact results of whole comparison passes, pinned bit for bit: both designs (the
// times, signs and switching states, and both trials with their final vectors,
// iterations and verdicts), the three runs' logs with the SOTOC final time, and
// the printed figures. The expected fingerprints were taken from the
// straightforward implementation; any speed-up of the shots, the dynamics or the
// runs must keep them.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <string>

#include "study/comparison.h"
#include "study/params.h"
#include "records/records.h"

namespace {

// FNV-1a over the bytes of the values fed to it (fields one by one: no padding).
struct Fingerprint {
    uint64_t h = 14695981039346656037ull;
};

template <class T>
void feed(Fingerprint &f, const T &value) {
    const unsigned char *b = reinterpret_cast<const unsigned char *>(&value);
    for (size_t i = 0; i < sizeof value; ++i) {
        f.h ^= b[i];
        f.h *= 1099511628211ull;
    }
}

void feeddesign(Fingerprint &f, const DesignSummary &d) {
    feed(f, d.solved);
    feed(f, d.ts);
    feed(f, d.chosen);
    for (const TrialOutcome &t : d.trial) {
        feed(f, t.x);
        feed(f, t.tf);
        feed(f, t.iterations);
        feed(f, t.verdict);
    }
}

void feedfigures(Fingerprint &f, const RunFigures &r) {
    feed(f, r.tf);
    feed(f, r.row);
    feed(f, r.P);
    feed(f, r.error);
    feed(f, r.ratio);
    feed(f, r.pastspan);
}

void feedrun(Fingerprint &f, const RunLog &run) {
    for (int i = 0; i <= task.nStep; ++i) {
        feed(f, run.fi[i]);
        feed(f, run.P[i]);
        feed(f, run.tau[i]);
    }
}

// Settings beyond the defaults of one pinned pass.
struct PinCase {
    char type, gravity, elbow;
    double u1, u2;          // reduction ratios; 0 keeps the defaults
    double x0, y0, xf, yf;  // move [m]
    double percent;         // mass error [%]
    uint64_t design;        // both designs and the stored tables
    uint64_t runs;          // the three runs and their figures
};

// One pass standing alone, as the dialog would run it with these settings.
ComparisonResult pinnedpass(const PinCase &c) {
    initialset();
    app.type = c.type;
    app.sgnG = c.gravity;
    app.elbow = c.elbow;
    ComparisonSettings s = currentsettings();
    if (c.u1 > 0.0) {
        s.u1 = c.u1;
        s.u2 = c.u2;
    }
    s.x0 = c.x0;
    s.y0 = c.y0;
    s.xf = c.xf;
    s.yf = c.yf;
    s.errRatio = c.percent / 100.0;
    s.tfNomBasis = standalonebasis(s);
    return comparisonpass(s);
}

void fingerprints(const ComparisonResult &r, Fingerprint &design, Fingerprint &runs) {
    feed(design, r.outcome);
    feed(design, r.dt);
    feed(design, r.tfNom);
    feeddesign(design, r.free);
    feeddesign(design, r.err);
    const ControlTables &c = controltables(r.type);
    feed(design, c.ts);
    feed(design, c.sgn);
    feed(design, c.swRefPos);
    feed(design, c.swRefVel);
    feed(design, designs.segpos);
    feed(design, designs.segvel);
    if (r.outcome != COMPARED) return;
    const RobotRuns &logs = robotruns(r.type);
    feedrun(runs, logs.tocFree);
    feedrun(runs, logs.tocErr);
    feedrun(runs, logs.sotocErr);
    feed(runs, sotoc.tfsotoc[robotindex(r.type)]);
    feedfigures(runs, r.tocFree);
    feedfigures(runs, r.tocErr);
    feedfigures(runs, r.sotocErr);
    feed(runs, r.sotocFinished);
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
     0x85b959343a21dab7ull, 0x2fb3f6bb45781b0dull},
    {'b', 'g', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, -20.0,
     0x772d6c908bb95233ull, 0x3de0b1a3433f149cull},
    {'b', 'g', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, 0.0,
     0xad46a2fbe0c3d959ull, 0xf16f28fef4d7391aull},
    {'b', 'g', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, 1.0,
     0xff83369d4d875de2ull, 0x9a6e299445c8393eull},
    {'b', 'g', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, 20.0,
     0x22c5f98751598101ull, 0x2167c0aa6f5c2b05ull},
    {'b', 'g', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, 50.0,
     0x3e71a65aad8f9ab3ull, 0x36dba10ca751be6cull},
    {'b', 'h', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, -50.0,
     0xf469c1a63ab30c80ull, 0x3118ffed676f6844ull},
    {'b', 'h', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, 1.0,
     0xd239b1a9b88e0926ull, 0x274e6f4d1507735bull},
    {'b', 'h', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, 50.0,
     0x40f74e88f1b77874ull, 0x4b946e7ac7bd2869ull},
    {'b', 'g', '1', 0, 0, 0.5, 0.3, -0.4, 0.5, 20.0,
     0xc3c73fd1bbb284efull, 0x934c5b91eb509147ull},
    {'a', 'g', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, -50.0,
     0xd34cb0c4e8e0f799ull, 0xd6ec9dc648305077ull},
    {'a', 'g', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, 1.0,
     0x79c350338cf99c25ull, 0xf58499ba7a32c245ull},
    {'a', 'g', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, 50.0,
     0x8b0f4ebe4bcd88f4ull, 0x4da0796283cf04b1ull},
    {'a', 'h', '2', 0, 0, 0.7, 0.0, -0.3, 0.4, 1.0,
     0xb3675cc36e2b4702ull, 0xcbf29ce484222325ull},
    {'a', 'h', '2', 0, 0, 0.7, 0.0, 0.0, 0.7, -20.0,
     0x93d027d15ca09dadull, 0x022768e892ee9f84ull},
    {'a', 'h', '2', 0, 0, 0.7, 0.0, 0.0, 0.7, 1.0,
     0x89c6617fca98783eull, 0x9dfee4f69c745280ull},
    {'a', 'h', '2', 0, 0, 0.7, 0.0, 0.0, 0.7, 20.0,
     0x08f12ec5f89516d6ull, 0x8b923dedc629080bull},
    {'b', 'g', '2', 900, 900, 0.7, 0.0, -0.3, 0.4, -20.0,
     0xc559d3f43ed5b325ull, 0xaf2e3912866a35afull},
    {'b', 'g', '2', 900, 900, 0.7, 0.0, -0.3, 0.4, 20.0,
     0xce7ce538bd65408full, 0x0cb3e89e85885296ull},
    {'b', 'h', '2', 5, 5, 0.7, 0.0, -0.3, 0.4, 1.0,
     0x606fe0ffa7f736bbull, 0xab21cb83c8862488ull},
    {'a', 'g', '2', 20, 20, 0.7, 0.0, -0.3, 0.4, 1.0,
     0x2b5f1a27b9cdc784ull, 0x27301a076ae1b219ull},
};

TEST(ExactResults, ComparisonPassesKeepEveryBit) {
    for (const PinCase &c : CASES) {
        SCOPED_TRACE(testing::Message() << c.type << c.gravity << c.elbow << " u=" << c.u1 << "," << c.u2 << " ("
                                        << c.x0 << "," << c.y0 << ")->(" << c.xf << "," << c.yf << ") "
                                        << c.percent << "%");
        const ComparisonResult r = pinnedpass(c);
        Fingerprint design, runs;
        fingerprints(r, design, runs);
        EXPECT_EQ(hex(design.h), hex(c.design)) << "tfNom " << r.tfNom;
        EXPECT_EQ(hex(runs.h), hex(c.runs));
    }
}

}  // namespace
