// The files of a figure: page and text sizes read from the PDF itself, the same bytes
// from the same drawing, the date only from SOURCE_DATE_EPOCH, the metadata naming the
// program and the settings, SVG text kept as text.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "formats/resultjson.h"
#include "plots/figure.h"
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

}  // namespace
