// The files of a page. PNG and PDF pages are cairo surfaces that PLplot's
// external-context device draws on, so that this program writes their files: the
// PNG with libpng and its text chunks, the PDF with its document information. SVG
// pages come from PLplot's own SVG device, whose text stays text (cairo's SVG
// surface writes glyph outlines); their metadata element is set in before the file
// is written. No file carries a date but SOURCE_DATE_EPOCH's: the same command
// writes the same bytes.
#include <cairo-pdf.h>
#include <cairo.h>
#include <plplot.h>
#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <tuple>
#include <vector>

#include "formats/resultjson.h"
#include "plots/page.h"
#include "settings/usertext.h"

namespace {

// Metres per inch, for the resolution a PNG records.
constexpr double METRESPERINCH = 0.0254;
// Latest time SOURCE_DATE_EPOCH may name [s since 1970]: 9999-12-31T23:59:59Z, the
// last of four-digit years, which the dates of PDF and PNG files have.
constexpr long long LASTSOURCETIME = 253402300799LL;
// Bytes below this are ASCII: a PNG's text of none other fits a tEXt chunk as it is.
constexpr unsigned char FIRSTNONASCII = 0x80;

// What the metadata of a file names, besides its format.
struct Metadata {
    std::string title;     // the figure's title
    std::string program;   // "sotoc VERSION (commit COMMIT)"
    std::string settings;  // the settings that made it, "" when not known
    std::string date;      // sourcedate(), "" for none
};

// The page being drawn. Written by beginpage; read and ended by endpage.
struct OpenPage {
    std::string device;         // plotdevice of the target
    std::FILE *stream;          // PNG and PDF: the output's stream; else null
    cairo_surface_t *surface;   // PNG and PDF: what PLplot draws on; else null
    cairo_t *context;           // its context
    char *svg;                  // SVG: PLplot's file in memory (open_memstream)
    size_t svgbytes;            // its length
    Metadata meta;
    PageSize layout, paper;     // pagesize and papersize [pt]
} page;

cairo_status_t writetostream(void *stream, const unsigned char *bytes, unsigned int n) {
    return std::fwrite(bytes, 1, n, static_cast<std::FILE *>(stream)) == n ? CAIRO_STATUS_SUCCESS
                                                                            : CAIRO_STATUS_WRITE_ERROR;
}

// The surface of a PNG (PNGDPI, white) or a PDF page (with its document
// information) of size s [pt]; PLplot draws on it in points.
cairo_surface_t *newsurface(const std::string &device, PageSize s, const Metadata &m, std::FILE *f) {
    if (device == "png") {
        const PageSize pixels = pngsize(s);
        return cairo_image_surface_create(CAIRO_FORMAT_RGB24, pixels.w, pixels.h);
    }
    cairo_surface_t *pdf = cairo_pdf_surface_create_for_stream(writetostream, f, s.w, s.h);
    cairo_pdf_surface_set_metadata(pdf, CAIRO_PDF_METADATA_TITLE, m.title.c_str());
    cairo_pdf_surface_set_metadata(pdf, CAIRO_PDF_METADATA_CREATOR, m.program.c_str());
    cairo_pdf_surface_set_metadata(pdf, CAIRO_PDF_METADATA_SUBJECT, ("settings " + m.settings).c_str());
    // An empty date leaves it out; cairo would write the time of the run.
    cairo_pdf_surface_set_metadata(pdf, CAIRO_PDF_METADATA_CREATE_DATE, m.date.c_str());
    return pdf;
}

// A context on the surface that draws in points of the layout, scaled by `scale`
// (figurescale) onto the paper, on white.
cairo_t *newcontext(cairo_surface_t *surface, const std::string &device, double scale) {
    cairo_t *cr = cairo_create(surface);
    const double pixels = device == "png" ? PNGDPI / POINTSPERINCH : 1.0;  // per point of the paper
    if (pixels * scale != 1.0) cairo_scale(cr, pixels * scale, pixels * scale);
    cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    cairo_paint(cr);
    return cr;
}

std::string xmlescaped(const std::string &text) {
    std::string out;
    for (char c : text) {
        if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '&') out += "&amp;";
        else out += c;
    }
    return out;
}

// The SVG metadata element: Dublin Core's title, creator, description and date.
std::string svgmetadata(const Metadata &m) {
    std::string text = "<metadata><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
                       "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><rdf:Description>";
    text += "<dc:title>" + xmlescaped(m.title) + "</dc:title>";
    text += "<dc:creator>" + xmlescaped(m.program) + "</dc:creator>";
    text += "<dc:description>settings " + xmlescaped(m.settings) + "</dc:description>";
    if (!m.date.empty()) text += "<dc:date>" + m.date + "</dc:date>";
    return text + "</rdf:Description></rdf:RDF></metadata>\n";
}

// The opening tag of PLplot's SVG root with the paper's width and height in place
// of the layout's; its viewBox keeps the layout, which the paper then shows scaled.
std::string papertag(std::string tag, PageSize layout, PageSize paper) {
    const std::tuple<const char *, int, int> sides[] = {{"width", layout.w, paper.w}, {"height", layout.h, paper.h}};
    for (const auto &[name, from, to] : sides) {
        const std::string was = std::string(name) + "=\"" + std::to_string(from) + "pt\"";
        const size_t at = tag.find(was);
        if (at != std::string::npos) tag.replace(at, was.size(), std::string(name) + "=\"" + std::to_string(to) + "pt\"");
    }
    return tag;
}

// PLplot's SVG on its paper, with the metadata set in after the opening tag of its
// root, written straight to the output.
bool writesvg(OutputFile &picture, const std::string &svg, const Metadata &m, PageSize layout, PageSize paper) {
    const size_t root = svg.find("<svg");
    const size_t after = root == std::string::npos ? std::string::npos : svg.find('>', root);
    if (after == std::string::npos) return false;
    const std::string text = svg.substr(0, root) + papertag(svg.substr(root, after + 1 - root), layout, paper) + "\n" +
                             svgmetadata(m) + svg.substr(after + 1);
    return writeoutput(picture, text.data(), text.size()).ok();
}

// A text chunk: tEXt for ASCII text, else iTXt, whose text is UTF-8 (tEXt's is Latin-1).
void addtext(std::vector<png_text> &chunks, const char *key, const std::string &value) {
    const bool ascii = std::all_of(value.begin(), value.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < FIRSTNONASCII; });
    png_text t{};
    t.compression = ascii ? PNG_TEXT_COMPRESSION_NONE : PNG_ITXT_COMPRESSION_NONE;
    t.key = const_cast<char *>(key);
    t.text = const_cast<char *>(value.c_str());
    t.text_length = value.size();
    chunks.push_back(t);
}

// The RGB rows of the cairo image, as libpng takes them.
std::vector<unsigned char> rgbrows(cairo_surface_t *image) {
    cairo_surface_flush(image);
    const int w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
    const int stride = cairo_image_surface_get_stride(image);
    const unsigned char *data = cairo_image_surface_get_data(image);
    std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t px;
            std::memcpy(&px, data + static_cast<size_t>(y) * stride + 4 * x, 4);
            unsigned char *out = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            out[0] = (px >> 16) & 0xff;
            out[1] = (px >> 8) & 0xff;
            out[2] = px & 0xff;
        }
    return rgb;
}

// libpng's failures end the write quietly: the output's error says what went wrong.
[[noreturn]] void pngfailed(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void pngwarned(png_structp, png_const_charp) {}

// The rows as an 8-bit RGB PNG of PNGDPI with the text chunks and no time chunk.
// Holds nothing that libpng's jump past it would leave undestroyed.
bool writepngrows(std::FILE *f, int w, int h, const unsigned char *rgb, std::vector<png_text> &chunks) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngfailed, pngwarned);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    const png_uint_32 perm = static_cast<png_uint_32>(std::lround(PNGDPI / METRESPERINCH));
    png_set_pHYs(png, info, perm, perm, PNG_RESOLUTION_METER);
    png_set_text(png, info, chunks.data(), static_cast<int>(chunks.size()));
    png_write_info(png, info);
    for (int y = 0; y < h; ++y) png_write_row(png, rgb + static_cast<size_t>(y) * w * 3);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

// The image as a PNG with the metadata in text chunks under the keywords PNG defines (Title, Software, ...).
bool writepng(std::FILE *f, cairo_surface_t *image, const Metadata &m) {
    const std::vector<unsigned char> rgb = rgbrows(image);
    const std::string settings = "settings " + m.settings;
    std::vector<png_text> chunks;
    addtext(chunks, "Title", m.title);
    addtext(chunks, "Software", m.program);
    addtext(chunks, "Comment", settings);
    if (!m.date.empty()) addtext(chunks, "Creation Time", m.date);
    return writepngrows(f, cairo_image_surface_get_width(image), cairo_image_surface_get_height(image), rgb.data(),
                        chunks);
}

// Writes the finished page into the output (PNG, PDF: its stream, then closed).
bool writepage(OutputFile &picture) {
    bool written = true;
    if (page.device == "svg") {
        written = writesvg(picture, std::string(page.svg, page.svgbytes), page.meta, page.layout, page.paper);
        std::free(page.svg);
        return written;
    }
    cairo_destroy(page.context);
    if (page.device == "png") written = writepng(page.stream, page.surface, page.meta);
    cairo_surface_finish(page.surface);
    written = written && cairo_surface_status(page.surface) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(page.surface);
    return std::fclose(page.stream) == 0 && written;
}

}  // namespace

bool onecolumn(const FigureOptions &o) { return o.W < TWOCOLUMNWIDTH; }

double figurescale(const FigureOptions &o) {
    if (onecolumn(o)) return ONECOLUMNTEXTPOINTS / TEXTPOINTS;
    return std::min({1.0, o.W / TWOCOLUMNWIDTH, o.H / TWOCOLUMNHEIGHT});
}

PageSize papersize(const FigureOptions &o) {
    return {static_cast<int>(std::lround(o.W * POINTSPERINCH)), static_cast<int>(std::lround(o.H * POINTSPERINCH))};
}

PageSize pagesize(const FigureOptions &o) {
    const double scale = figurescale(o);
    return {static_cast<int>(std::lround(o.W * POINTSPERINCH / scale)),
            static_cast<int>(std::lround(o.H * POINTSPERINCH / scale))};
}

PageSize pngsize(PageSize paper) {
    const double scale = PNGDPI / POINTSPERINCH;
    return {static_cast<int>(std::lround(paper.w * scale)), static_cast<int>(std::lround(paper.h * scale))};
}

std::string sourcedate() {
    static bool warned = false;
    const char *epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (epoch == nullptr || *epoch == '\0') return "";
    char *end = nullptr;
    errno = 0;
    const long long seconds = std::strtoll(epoch, &end, 10);
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm utc{};
    const bool digits = *epoch >= '0' && *epoch <= '9';  // strtoll would take spaces and signs too
    if (!digits || *end != '\0' || errno != 0 || seconds > LASTSOURCETIME || gmtime_r(&t, &utc) == nullptr) {
        if (!warned)
            std::fprintf(stderr,
                         "sotoc: SOURCE_DATE_EPOCH '%s' ignored, the pictures carry no date; it takes whole seconds "
                         "since 1970 from 0 to %lld\n",
                         printable(epoch, QUOTEBYTES).c_str(), LASTSOURCETIME);
        warned = true;
        return "";
    }
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

Outcome beginpage(OutputFile &picture, const FigureOptions &o, const std::string &title) {
    const std::string device = plotdevice(picture.target);
    Outcome begun = succeeded();
    std::FILE *f = nullptr;
    if (device.empty())
        begun = failure("cannot tell the picture format of \"" + picture.target + "\": use .png, .svg or .pdf");
    else if (device != "svg" && (f = outputstream(picture)) == nullptr)
        begun = failure(outputproblem(picture));
    if (!begun.ok()) {
        abandonoutput(picture);
        return begun;
    }
    const PageSize s = pagesize(o);
    page = OpenPage{device, f, nullptr, nullptr, nullptr, 0,
                    {title, programtext(SOTOC_RELEASE, SOTOC_COMMIT), o.settings, sourcedate()}, s, papersize(o)};
    if (device == "svg") {
        std::FILE *memory = open_memstream(&page.svg, &page.svgbytes);
        if (memory == nullptr) {
            abandonoutput(picture);
            return failure("cannot draw the SVG page: no memory");
        }
        plsdev("svg");
        plsfile(memory);  // PLplot closes it at plend
    } else {
        page.surface = newsurface(device, page.paper, page.meta, f);
        page.context = newcontext(page.surface, device, figurescale(o));
        plsdev("extcairo");
    }
    plspage(0.0, 0.0, s.w, s.h, 0, 0);
    setcolours();
    plinit();
    if (page.context != nullptr) pl_cmd(PLESC_DEVINIT, page.context);
    setpagetext();
    return succeeded();
}

Outcome endpage(OutputFile &picture) {
    plend();
    const bool written = writepage(picture);
    page = OpenPage{};
    if (!written && picture.error == 0) picture.error = EIO;
    return commitoutput(picture);
}
