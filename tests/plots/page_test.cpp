// The layouts of the pages read back from the PDF files, by an independent reader
// (pdfminer, in Debian's Python): every figure at a column's and at two columns'
// sizes has text of 7 pt and more, and its text and its frames on the page.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "atomicwrite/outfile.h"
#include "plots/figure.h"
#include "plots/plot.h"
#include "settings/request.h"
#include "study/params.h"
#include "tests/support/tempdir.h"

namespace {

// The reader: the page's box, then each character (its size, box, text) and each
// drawn path's box, in points from the page's lower left corner. A character's size
// is its box's height, or its width when it is set turned by a right angle (the y
// labels).
const char *const READER = R"(import sys
from pdfminer.high_level import extract_pages
from pdfminer.layout import LTChar, LTCurve
def walk(o):
    if isinstance(o, (LTChar, LTCurve)):
        yield o
    elif hasattr(o, '__iter__'):
        for c in o:
            yield from walk(c)
for page in extract_pages(sys.argv[1]):
    print('page %.2f %.2f %.2f %.2f' % page.bbox)
    for o in walk(page):
        if isinstance(o, LTChar):
            size = o.size if o.upright else o.width
            print('char %.3f %.2f %.2f %.2f %.2f %s' % (size, o.x0, o.y0, o.x1, o.y1, o.get_text()))
        else:
            print('path 0 %.2f %.2f %.2f %.2f' % (o.x0, o.y0, o.x1, o.y1))
)";

// Smallest text at print size [pt], as journals ask; the markers along the curves
// and over the points are symbols, not text, and may be smaller.
constexpr double LEASTTEXT = 7.0;
const char *const MARKERS[] = {"■", "●", "○", "▲", "▼", "◆", "□", "◇", "△"};
// How far a box may reach past the page's edge [pt]: the rounding of the reader's
// boxes and the half width of a frame's line on the edge.
constexpr double EDGE = 0.6;

struct Box {
    std::string kind;  // "char" or "path"
    double size, x0, y0, x1, y1;
    std::string text;
};

// The boxes of the PDF as the reader reads them; none when it fails.
std::vector<Box> readpdf(const TempDir &dir, const std::string &pdf, Box &page) {
    const std::string script = dir.file("reader.py");
    std::ofstream(script) << READER;
    std::vector<Box> boxes;
    FILE *out = popen(("/usr/bin/python3 " + script + " " + pdf).c_str(), "r");
    if (out == nullptr) return boxes;
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, out)) > 0) text.append(buf, n);
    if (pclose(out) != 0) return {};
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream in(line);
        Box b;
        in >> b.kind;
        if (b.kind == "page") {
            in >> page.x0 >> page.y0 >> page.x1 >> page.y1;
            continue;
        }
        in >> b.size >> b.x0 >> b.y0 >> b.x1 >> b.y1;
        std::getline(in, b.text);
        if (!b.text.empty()) b.text.erase(0, 1);
        boxes.push_back(b);
    }
    return boxes;
}

bool marker(const std::string &text) {
    for (const char *m : MARKERS)
        if (text == m) return true;
    return false;
}

// The default comparison of the SCARA in vertical motion, as compare runs it.
struct Pass {
    ComparisonSettings settings;
    ComparisonResult result;
};

const Pass &scarapass() {
    static const Pass p = [] {
        initialset();
        const CompareRequest request = defaultrequest(ROBOTSCARA, MOTIONVERTICAL);
        return Pass{requestsettings(request), standalonepass(request)};
    }();
    return p;
}

PlotPoint point(int i, int j, double x, double y) {
    PlotPoint p{};
    p.i = i;
    p.j = j;
    p.x = x;
    p.y = y;
    p.outcome = POINTCOMPARED;
    p.tocTf = 1.2;
    p.sotocTf = 1.3;
    p.tfFree = 1.25;
    p.tocError = 0.1 * (1 + i);
    p.sotocError = 0.002 * (1 + j) * (1 + i);
    p.sotocFinished = true;
    return p;
}

// The SCARA with gravity over the mass error, or (map) over the end point, 5 x 5
// from -1 to 1 m, with a mark of every kind: points out of reach (the map's corners),
// without a solution of either design, a SOTOC run unfinished, designs of another
// structure, one solved only by the wide search, and a point missing.
PlotSetup setupof(bool map) {
    PlotSetup s{};
    s.request = CompareRequest{ROBOTSCARA, MOTIONVERTICAL, {40.0, 40.0}, {0.7, 0.0}, {-0.3, 0.4}, ELBOWUP, 1.0};
    s.map = map;
    s.xaxis = map ? AXISENDX : AXISERROR;
    s.yaxis = map ? AXISENDY : AXISNONE;
    s.reachInner = 0.1;
    s.reachOuter = 0.9;
    return s;
}

std::vector<PlotPoint> pointsof(bool map) {
    std::vector<PlotPoint> p;
    for (int j = 0; j < (map ? 5 : 1); ++j)
        for (int i = 0; i < (map ? 5 : 9); ++i) {
            PlotPoint c = map ? point(i, j, -1.0 + 0.5 * i, -1.0 + 0.5 * j) : point(i, 0, -20.0 + 5.0 * i, 0.0);
            if (map && std::hypot(c.x, c.y) > 0.9) c.outcome = POINTNOTRUN;
            p.push_back(c);
        }
    p[map ? 6 : 1].outcome = POINTNOSOLUTION;
    p[map ? 7 : 2].outcome = POINTNOSOLUTION;
    p[map ? 7 : 2].noerrsolution = true;
    p[map ? 8 : 3].sotocFinished = false;
    p[map ? 11 : 4].otherstructure = true;
    p[map ? 12 : 5].wideonly = true;
    if (map) p.erase(p.begin() + 13);
    return p;
}

enum Kind { COMPARISON, SWEEP, MAP };

bool drawkind(Kind kind, const std::string &path, const FigureOptions &o, std::string &message) {
    OutputFile out;
    if (!beginoutput(path, out).ok()) return false;
    const Outcome done = kind == COMPARISON ? drawcomparison(out, scarapass().settings, scarapass().result, o)
                                            : drawplot(out, setupof(kind == MAP), pointsof(kind == MAP), o);
    message = done.message;
    return done.ok();
}

}  // namespace

// Each figure at a column's width, short and tall, and at two columns': the text read
// from the PDF is 7 pt or more but for the markers, and every character and every
// path drawn (the legends' frames among them) lies on the page.
TEST(Page, EveryFigureReadableAndOnThePage) {
    TempDir dir;
    const struct {
        Kind kind;
        const char *name;
    } kinds[] = {{COMPARISON, "comparison"}, {SWEEP, "sweep"}, {MAP, "map"}};
    const struct {
        double w, h;  // [in]
    } sizes[] = {{ONECOLUMNWIDTH, ONECOLUMNHEIGHT}, {ONECOLUMNWIDTH, TWOCOLUMNHEIGHT}, {TWOCOLUMNWIDTH, TWOCOLUMNHEIGHT}};
    for (const auto &k : kinds)
        for (const auto &z : sizes)
            for (bool title : {true, false}) {
                FigureOptions o;
                o.W = z.w;
                o.H = z.h;
                o.title = title;
                const std::string at = std::string(k.name) + " at " + std::to_string(z.w) + " x " +
                                       std::to_string(z.h) + (title ? "" : ", no title");
                const std::string pdf = dir.file("f.pdf");
                std::string message;
                ASSERT_TRUE(drawkind(k.kind, pdf, o, message)) << at << ": " << message;
                Box page{};
                const std::vector<Box> boxes = readpdf(dir, pdf, page);
                ASSERT_GT(boxes.size(), 100u) << at << ": the reader read nothing";
                EXPECT_NEAR(page.x1, z.w * POINTSPERINCH, 0.5) << at;
                EXPECT_NEAR(page.y1, z.h * POINTSPERINCH, 0.5) << at;
                int texts = 0;
                for (const Box &b : boxes) {
                    const std::string what = at + ": " + b.kind + " '" + b.text + "' at " + std::to_string(b.x0) +
                                             ", " + std::to_string(b.y0);
                    if (b.kind == "char" && !marker(b.text)) {
                        ++texts;
                        EXPECT_GE(b.size, LEASTTEXT) << what;
                    }
                    EXPECT_GE(b.x0, page.x0 - EDGE) << what;
                    EXPECT_GE(b.y0, page.y0 - EDGE) << what;
                    EXPECT_LE(b.x1, page.x1 + EDGE) << what;
                    EXPECT_LE(b.y1, page.y1 + EDGE) << what;
                }
                EXPECT_GT(texts, 100) << at;
            }
}
