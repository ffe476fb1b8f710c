// The files of a figure: page and text sizes read from the PDF itself, the layouts of
// every figure read back by an independent reader (text of 7 pt and more, all on the
// page), the same bytes from the same drawing, the date only from SOURCE_DATE_EPOCH,
// the metadata naming the program and the settings, SVG text kept as text.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "formats/resultjson.h"
#include "plots/figure.h"
#include "plots/plot.h"
#include "tests/support/imagedecode.h"
#include "settings/request.h"
#include "study/params.h"
#include "tests/support/tempdir.h"

namespace {

// Largest height of the markers drawn as glyphs [pt]: 0.55 (the curves' markers)
// or 0.8 (the legend's) of 8.5 pt text.
constexpr double MARKERPOINTS = 6.9;

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

// The figure drawn into `path` with the options; its bytes.
std::string drawn(const std::string &path, const FigureOptions &o) {
    OutputFile out;
    EXPECT_TRUE(beginoutput(path, out).ok());
    const Outcome done = drawcomparison(out, scarapass().settings, scarapass().result, o);
    EXPECT_TRUE(done.ok()) << done.message;
    return readfile(path);
}

// Every stream of the PDF that inflates, inflated.
std::vector<std::string> pdfstreams(const std::string &pdf) {
    std::vector<std::string> streams;
    for (size_t at = pdf.find("stream\n"); at != std::string::npos; at = pdf.find("stream\n", at + 1)) {
        const size_t begin = at + 7, end = pdf.find("endstream", begin);
        if (end == std::string::npos) break;
        std::string out(1 << 22, '\0');
        uLongf n = out.size();
        if (uncompress(reinterpret_cast<Bytef *>(&out[0]), &n, reinterpret_cast<const Bytef *>(pdf.data() + begin),
                       end - begin) == Z_OK)
            streams.push_back(out.substr(0, n));
    }
    return streams;
}

// The sizes of the PDF's text [pt]: cairo sets each run of text with a font of size 1
// scaled by its text matrix "s 0 0 -s x y Tm" under a page matrix of scale 1.
std::vector<double> textsizes(const std::string &pdf) {
    std::vector<double> sizes;
    const std::regex tm(R"(([0-9.]+) 0 0 -([0-9.]+) [-0-9.]+ [-0-9.]+ Tm)");
    for (const std::string &s : pdfstreams(pdf))
        for (auto m = std::sregex_iterator(s.begin(), s.end(), tm); m != std::sregex_iterator(); ++m)
            sizes.push_back(std::stod((*m)[1]));
    return sizes;
}

// The size most of the text has, rounded to tenths of a point.
double commonsize(const std::vector<double> &sizes) {
    std::map<long, int> counts;
    for (double s : sizes) ++counts[std::lround(10.0 * s)];
    return std::max_element(counts.begin(), counts.end(), [](auto &a, auto &b) { return a.second < b.second; })
               ->first /
           10.0;
}

// The text with the character references of ASCII ("&#x54;") written out.
std::string asciitext(const std::string &xml) {
    std::string out;
    for (size_t i = 0; i < xml.size(); ++i) {
        const size_t end = xml.compare(i, 3, "&#x") == 0 ? xml.find(';', i) : std::string::npos;
        if (end != std::string::npos && end - i <= 5) {
            out += static_cast<char>(std::stoi(xml.substr(i + 3, end - i - 3), nullptr, 16));
            i = end;
        } else {
            out += xml[i];
        }
    }
    return out;
}

// An ASCII text as cairo writes it in UTF-16BE where it holds parentheses: hex digits after the byte order mark.
std::string utf16hex(const std::string &text) {
    std::string hex = "FEFF";
    for (unsigned char c : text) {
        char digits[5];
        std::snprintf(digits, sizeof digits, "00%02X", c);
        hex += digits;
    }
    return hex;
}

// The PDF's page and its text at the default (two columns) and a column's size: the
// page 7.2 x 4.5 in and 3.5 x 2.6 in in whole points. On two columns most text is 8
// to 9 pt, no word smaller than 8 pt nor larger than the title's 10 pt (the markers,
// glyphs too, are MARKERPOINTS and smaller). The column's page shows its own layout
// with text of 7.4 pt, 7.4 / 8.5 of that on two columns.
TEST(PageFile, PageAndTextSizesOfThePdf) {
    TempDir dir;
    FigureOptions column;
    column.W = ONECOLUMNWIDTH;
    column.H = ONECOLUMNHEIGHT;
    const std::string wide = drawn(dir.file("wide.pdf"), FigureOptions{}), narrow = drawn(dir.file("narrow.pdf"), column);
    EXPECT_NE(wide.find("/MediaBox [ 0 0 518 324 ]"), std::string::npos);
    EXPECT_NE(narrow.find("/MediaBox [ 0 0 252 187 ]"), std::string::npos);
    for (const auto &[pdf, scale] : {std::make_pair(&wide, 1.0), std::make_pair(&narrow, 7.4 / 8.5)}) {
        std::vector<double> sizes = textsizes(*pdf);
        sizes.erase(std::remove_if(sizes.begin(), sizes.end(), [&](double s) { return s <= MARKERPOINTS * scale; }),
                    sizes.end());
        ASSERT_GT(sizes.size(), 10u);
        EXPECT_GE(commonsize(sizes), 8.0 * scale - 0.05);
        EXPECT_LE(commonsize(sizes), 9.0 * scale + 0.05);
        EXPECT_GE(*std::min_element(sizes.begin(), sizes.end()), 8.0 * scale);
        EXPECT_LE(*std::max_element(sizes.begin(), sizes.end()), 10.0 * scale);
    }
}

// An SVG on a column's paper is the figure laid out on the paper enlarged by 8.5 / 7.4
// (289 x 215 pt), shown on the paper's 252 x 187 pt.
TEST(PageFile, SvgOnSmallPaperShowsTheLayoutScaled) {
    TempDir dir;
    FigureOptions column;
    column.W = ONECOLUMNWIDTH;
    column.H = ONECOLUMNHEIGHT;
    const std::string svg = drawn(dir.file("narrow.svg"), column);
    EXPECT_NE(svg.find("width=\"252pt\""), std::string::npos);
    EXPECT_NE(svg.find("height=\"187pt\""), std::string::npos);
    EXPECT_NE(svg.find("viewBox=\"0 0 289 215\""), std::string::npos) << svg.substr(0, 400);
}

// Drawn twice, each format gives the same bytes; without SOURCE_DATE_EPOCH no date
// is written, with it its date (86400 * 366 s: 1971-01-02) in each format's way.
TEST(PageFile, SameBytesAndTheSourceDate) {
    TempDir dir;
    unsetenv("SOURCE_DATE_EPOCH");
    for (const char *ext : {".png", ".svg", ".pdf"}) {
        SCOPED_TRACE(ext);
        const std::string a = drawn(dir.file(std::string("a") + ext), FigureOptions{});
        const std::string b = drawn(dir.file(std::string("b") + ext), FigureOptions{});
        EXPECT_EQ(a, b);
        EXPECT_EQ(a.find("CreationDate"), std::string::npos);
        EXPECT_EQ(a.find("Creation Time"), std::string::npos);
        EXPECT_EQ(a.find("dc:date"), std::string::npos);
    }
    setenv("SOURCE_DATE_EPOCH", "31622400", 1);
    EXPECT_EQ(sourcedate(), "1971-01-02T00:00:00Z");
    EXPECT_NE(drawn(dir.file("d.pdf"), FigureOptions{}).find("/CreationDate (19710102000000Z)"), std::string::npos);
    EXPECT_NE(drawn(dir.file("d.png"), FigureOptions{}).find(std::string("Creation Time\0", 14) + "1971-01-02T00:00:00Z"),
              std::string::npos);
    EXPECT_NE(drawn(dir.file("d.svg"), FigureOptions{}).find("<dc:date>1971-01-02T00:00:00Z</dc:date>"),
              std::string::npos);
    for (const char *bad : {"", "1e9", "-5", "soon", "99999999999999999999"}) {
        setenv("SOURCE_DATE_EPOCH", bad, 1);
        EXPECT_EQ(sourcedate(), "") << bad;
    }
    unsetenv("SOURCE_DATE_EPOCH");
}

// Each format's metadata names the program's version and commit and the settings
// given; the SVG's text is text, searchable for the axis label.
TEST(PageFile, MetadataAndSearchableText) {
    TempDir dir;
    FigureOptions o;
    o.settings = R"({"robot":"scara","error":1.0})";
    const std::string program = programtext(SOTOC_RELEASE, SOTOC_COMMIT);
    const std::string png = drawn(dir.file("m.png"), o), svg = drawn(dir.file("m.svg"), o),
                      pdf = drawn(dir.file("m.pdf"), o);
    EXPECT_NE(png.find(std::string("Software\0", 9) + program), std::string::npos);
    EXPECT_NE(png.find(std::string("Comment\0", 8) + "settings " + o.settings), std::string::npos);
    EXPECT_NE(pdf.find("/Creator <" + utf16hex(program) + ">"), std::string::npos);
    EXPECT_NE(pdf.find("/Subject (settings " + o.settings + ")"), std::string::npos) << "cairo's literal, no parentheses in it";
    EXPECT_NE(svg.find("<dc:creator>" + program + "</dc:creator>"), std::string::npos);
    EXPECT_NE(svg.find("<dc:description>settings " + o.settings + "</dc:description>"), std::string::npos);
    EXPECT_GT(std::count(svg.begin(), svg.end(), '<'), 0);
    EXPECT_NE(asciitext(svg).find(">time [s]</tspan></text>"), std::string::npos);
    EXPECT_EQ(svg.find("<symbol"), std::string::npos) << "no glyph outlines";
}

// A PNG's text chunk is tEXt (Latin-1 by the PNG standard) only for ASCII; other text
// goes in an iTXt chunk (keyword, no compression, no language, then UTF-8) as it is.
TEST(PageFile, PngTextBeyondAsciiInItxt) {
    TempDir dir;
    const struct {
        std::string settings;
        const char *chunk;
    } cases[] = {
        {R"({"robot":"scara"})", "tEXt"},
        {"{\"path\":\"\xC3\xA9.toml\"}", "iTXt"},
        {"{\"path\":\"\xE6\x97\xA5.toml\"}", "iTXt"},
    };
    for (const auto &c : cases) {
        FigureOptions o;
        o.settings = c.settings;
        const std::string png = drawn(dir.file("t.png"), o);
        const std::string header = std::string(c.chunk) + "Comment" + std::string("\0", 1) +
                                   (c.chunk == std::string("iTXt") ? std::string("\0\0\0\0", 4) : "");
        EXPECT_NE(png.find(header + "settings " + c.settings), std::string::npos) << c.settings;
        const std::string other = c.chunk == std::string("iTXt") ? "tEXt" : "iTXt";
        EXPECT_EQ(png.find(other + "Comment"), std::string::npos);
    }
}

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

PlotPoint point(int i, double x, int j, double y) {
    PlotPoint p = mapcell(i, j, x, y);
    p.tocTf = 1.2;
    p.sotocTf = 1.3;
    p.tfFree = 1.25;
    p.tocError = 0.1 * (1 + i);
    p.sotocError = 0.002 * (1 + j) * (1 + i);
    return p;
}

// The SCARA with gravity over the mass error, or (map) over the end point, 5 x 5
// from -1 to 1 m, with a mark of every kind: points out of reach (the map's corners),
// without a solution of either design, a SOTOC run unfinished, designs of another
// structure, one solved only by the wide search, and a point missing (the sweep: one
// out of reach instead, as a map over one axis has them).
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
            PlotPoint c = map ? point(i, -1.0 + 0.5 * i, j, -1.0 + 0.5 * j) : point(i, -20.0 + 5.0 * i, 0, 0.0);
            if (map && std::hypot(c.x, c.y) > 0.9) c.outcome = POINTNOTRUN;
            p.push_back(c);
        }
    p[map ? 6 : 1].outcome = POINTNOSOLUTION;
    if (!map) p[6].outcome = POINTNOTRUN;  // drawn only by a map over one axis
    p[map ? 7 : 2].outcome = POINTNOSOLUTION;
    p[map ? 7 : 2].noerrsolution = true;
    p[map ? 8 : 3].sotocFinished = false;
    p[map ? 11 : 4].otherstructure = true;
    p[map ? 12 : 5].wideonly = true;
    if (map) p.erase(p.begin() + 13);
    return p;
}

enum Kind { COMPARISON, SWEEP, AXISMAP, MAP };

bool drawkind(Kind kind, const std::string &path, const FigureOptions &o, std::string &message) {
    OutputFile out;
    if (!beginoutput(path, out).ok()) return false;
    PlotSetup setup = setupof(kind == MAP);
    setup.map = kind != SWEEP;  // a map over one axis is drawn as a sweep, with the points out of reach
    const Outcome done = kind == COMPARISON ? drawcomparison(out, scarapass().settings, scarapass().result, o)
                                            : drawplot(out, setup, pointsof(kind == MAP), o);
    message = done.message;
    return done.ok();
}

}  // namespace

// Each figure at a column's width, short and tall, and at two columns': the text read
// from the PDF is 7 pt or more but for the markers, and every character and every
// path drawn (the legends' frames among them) lies on the page.
TEST(PageFile, EveryFigureReadableAndOnThePage) {
    TempDir dir;
    const struct {
        Kind kind;
        const char *name;
    } kinds[] = {{COMPARISON, "comparison"}, {SWEEP, "sweep"}, {AXISMAP, "map over one axis"}, {MAP, "map"}};
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
