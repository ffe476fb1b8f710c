#include "offscreen/imagefile.h"

#include <gif_lib.h>
#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "atomicwrite/outfile.h"

namespace {

// Graphics control and application extensions: four bytes of frame control, and the
// eleven-byte name and three-byte data block that make players loop (0: forever).
constexpr int GCBBYTES = 4;
const char LOOPNAME[] = "NETSCAPE2.0";
constexpr int LOOPNAMEBYTES = 11;
const unsigned char LOOPFOREVER[] = {1, 0, 0};
// Colour resolution written in the screen descriptor [bits per primary].
constexpr int COLOURBITS = 8;
// A colour table's entry 0 kept for the pixels a frame leaves as they were: no
// picture colour (those are 0xRRGGBB) equals it.
constexpr uint32_t TRANSPARENT = 0xff000000u;
constexpr int NOTRANSPARENT = -1;

// A rectangle of the picture [pixels].
struct Box {
    int x, y, w, h;
};

// The animation being written. Each frame after the first holds only the box of
// pixels that changed; inside it, unchanged pixels are transparent where the colour
// table has room for that.
struct GifOut {
    OutputFile out;                      // the file being written
    GifFileType *file;                   // giflib's writer onto it, or null
    int w, h;                            // frame size [pixels]
    std::vector<uint32_t> global;        // the file's colour table (0xRRGGBB, TRANSPARENT), from the first frame
    std::vector<uint32_t> local;         // the table of a frame whose colours the file's table lacks
    std::vector<GifPixelType> indices;   // the frame's box as colour indices, row after row
    std::vector<unsigned char> shown;    // the picture as the frames so far show it
};

GifOut gif = {{}, nullptr, 0, 0, {}, {}, {}, {}};

uint32_t packed(const unsigned char *p) { return uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2]; }

// Index of colour c in the palette; a new colour is appended when `grow` allows and
// the palette has room. -1 when it is not there and cannot be added.
int colourindex(std::vector<uint32_t> &palette, uint32_t c, bool grow) {
    for (size_t k = 0; k < palette.size(); ++k)
        if (palette[k] == c) return static_cast<int>(k);
    if (!grow || palette.size() == static_cast<size_t>(GIFCOLOURS)) return -1;
    palette.push_back(c);
    return static_cast<int>(palette.size() - 1);
}

// Writes the box of the picture into gif.indices with the palette, growing it when
// `grow` allows; pixels as shown already get index `transparent` (unless
// NOTRANSPARENT). False at the first colour that does not fit.
bool mapbox(const RgbImage &picture, const Box &b, std::vector<uint32_t> &palette, bool grow, int transparent) {
    gif.indices.resize(static_cast<size_t>(b.w) * b.h);
    uint32_t last = 0;
    int lastindex = -1;
    size_t n = 0;
    for (int y = b.y; y < b.y + b.h; ++y)
        for (int x = b.x; x < b.x + b.w; ++x) {
            const size_t at = (static_cast<size_t>(y) * picture.w + x) * 3;
            const uint32_t c = packed(&picture.rgb[at]);
            if (transparent != NOTRANSPARENT && c == packed(&gif.shown[at])) {
                gif.indices[n++] = static_cast<GifPixelType>(transparent);
                continue;
            }
            if (lastindex < 0 || c != last) {
                lastindex = colourindex(palette, c, grow);
                if (lastindex < 0) return false;
                last = c;
            }
            gif.indices[n++] = static_cast<GifPixelType>(lastindex);
        }
    return true;
}

// A new table for the box: with a transparent entry when the colours leave room.
// The transparent index, or NOTRANSPARENT; false when the colours do not fit at all.
bool newpalette(const RgbImage &picture, const Box &b, std::vector<uint32_t> &palette, bool first,
                int &transparent) {
    palette.assign(1, TRANSPARENT);
    transparent = first ? NOTRANSPARENT : 0;
    if (mapbox(picture, b, palette, true, transparent)) return true;
    palette.clear();
    transparent = NOTRANSPARENT;
    return mapbox(picture, b, palette, true, transparent);
}

// The smallest box holding every pixel that differs from what is shown; a single
// pixel when none does (a frame needs an image).
Box changedbox(const RgbImage &picture) {
    int x0 = picture.w, y0 = picture.h, x1 = -1, y1 = -1;
    for (int y = 0; y < picture.h; ++y)
        for (int x = 0; x < picture.w; ++x) {
            const size_t at = (static_cast<size_t>(y) * picture.w + x) * 3;
            if (packed(&picture.rgb[at]) == packed(&gif.shown[at])) continue;
            x0 = std::min(x0, x);
            x1 = std::max(x1, x);
            y0 = std::min(y0, y);
            y1 = y;
        }
    if (x1 < 0) return {0, 0, 1, 1};
    return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

// A giflib colour map of the palette, padded with black to a power of two entries.
ColorMapObject *colourmap(const std::vector<uint32_t> &palette) {
    int size = 2;
    while (size < static_cast<int>(palette.size())) size *= 2;
    std::vector<GifColorType> colours(size, GifColorType{0, 0, 0});
    for (size_t k = 0; k < palette.size(); ++k)
        if (palette[k] != TRANSPARENT)
            colours[k] = {static_cast<GifByteType>(palette[k] >> 16), static_cast<GifByteType>(palette[k] >> 8),
                          static_cast<GifByteType>(palette[k])};
    return GifMakeMapObject(size, colours.data());
}

bool putloop() {
    return EGifPutExtensionLeader(gif.file, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
           EGifPutExtensionBlock(gif.file, LOOPNAMEBYTES, LOOPNAME) == GIF_OK &&
           EGifPutExtensionBlock(gif.file, sizeof LOOPFOREVER, LOOPFOREVER) == GIF_OK &&
           EGifPutExtensionTrailer(gif.file) == GIF_OK;
}

// The screen descriptor with the file's colour table.
bool putscreen() {
    ColorMapObject *map = colourmap(gif.global);
    const bool ok = map != nullptr && EGifPutScreenDesc(gif.file, gif.w, gif.h, COLOURBITS, 0, map) == GIF_OK;
    GifFreeMapObject(map);
    return ok && putloop();
}

// Frame control (delay, transparency; the frame stays when the next comes) and the
// box with its own table, or with the file's when `local` is null.
bool putimage(const Box &b, int delay, const std::vector<uint32_t> *local, int transparent) {
    GraphicsControlBlock gcb = {DISPOSE_DO_NOT, false, delay, transparent};
    GifByteType control[GCBBYTES];
    EGifGCBToExtension(&gcb, control);
    if (EGifPutExtension(gif.file, GRAPHICS_EXT_FUNC_CODE, GCBBYTES, control) != GIF_OK) return false;
    ColorMapObject *map = local != nullptr ? colourmap(*local) : nullptr;
    if (map == nullptr) {
        // giflib keeps a copy of the last frame's own table and drops it unfreed when
        // a frame without one follows.
        GifFreeMapObject(gif.file->Image.ColorMap);
        gif.file->Image.ColorMap = nullptr;
    }
    bool ok = (local == nullptr || map != nullptr) && EGifPutImageDesc(gif.file, b.x, b.y, b.w, b.h, false, map) == GIF_OK;
    GifFreeMapObject(map);
    for (int y = 0; ok && y < b.h; ++y)
        ok = EGifPutLine(gif.file, &gif.indices[static_cast<size_t>(y) * b.w], b.w) == GIF_OK;
    return ok;
}

// The failure of a file that could not be written, errno telling why.
Outcome notwritten(const std::string &path) { return failure(path + " could not be written: " + std::strerror(errno)); }

// The same for an output, its kept failure telling why.
Outcome notwritten(const OutputFile &out) {
    if (out.error != 0) errno = out.error;
    return notwritten(out.target);
}

// The failure of a GIF frame with more colours than its table can hold.
Outcome toomanycolours() {
    return failure("a frame has more than " + std::to_string(GIFCOLOURS) +
                   " colours, more than a GIF frame holds exactly; " + gif.out.target + " not written");
}

// Puts the box of a frame after the first: with the file's table when it holds the
// colours, else with a table of its own.
Outcome putchanges(const RgbImage &picture, const Box &b, int delay) {
    const bool globaltransparent = !gif.global.empty() && gif.global[0] == TRANSPARENT;
    if (globaltransparent && mapbox(picture, b, gif.global, false, 0))
        return putimage(b, delay, nullptr, 0) ? succeeded() : notwritten(gif.out);
    int transparent = NOTRANSPARENT;
    if (!newpalette(picture, b, gif.local, false, transparent)) return toomanycolours();
    return putimage(b, delay, &gif.local, transparent) ? succeeded() : notwritten(gif.out);
}

// giflib's output: the bytes go to the file, a failure is kept there.
int putbytes(GifFileType *, const GifByteType *bytes, int n) {
    return writeoutput(gif.out, bytes, static_cast<size_t>(n)).ok() ? n : 0;
}

// Closes giflib's writer; false when it could not write the file's end.
bool closegif() {
    int error = 0;
    const bool closed = EGifCloseFile(gif.file, &error) == GIF_OK;
    gif.file = nullptr;
    return closed;
}

}  // namespace

Outcome writepng(const char *path, const RgbImage &picture) {
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.w);
    image.height = static_cast<png_uint_32>(picture.h);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    std::vector<unsigned char> bytes;
    bool ok = png_image_write_get_memory_size(image, size, 0, picture.rgb.data(), 0, nullptr) != 0;
    if (ok) {
        bytes.resize(size);
        ok = png_image_write_to_memory(&image, bytes.data(), &size, 0, picture.rgb.data(), 0, nullptr) != 0;
    }
    png_image_free(&image);
    OutputFile out;
    if (!ok) return notwritten(path);
    if (!beginoutput(path, out).ok()) return notwritten(out);
    writeoutput(out, bytes.data(), size);
    return commitoutput(out).ok() ? succeeded() : notwritten(out);
}

Outcome gifbegin(const char *path, int w, int h) {
    if (!beginoutput(path, gif.out).ok()) return notwritten(gif.out);
    int error = 0;
    gif.file = EGifOpen(nullptr, putbytes, &error);
    if (gif.file == nullptr) {
        abandonoutput(gif.out);
        return notwritten(path);
    }
    EGifSetGifVersion(gif.file, true);
    gif.w = w;
    gif.h = h;
    gif.global.clear();
    gif.shown.clear();
    return succeeded();
}

Outcome gifframe(const RgbImage &picture, int delay) {
    if (gif.file == nullptr || picture.w != gif.w || picture.h != gif.h) return notwritten(gif.out.target);
    Outcome status = succeeded();
    if (gif.shown.empty()) {
        const Box whole = {0, 0, gif.w, gif.h};
        int transparent = NOTRANSPARENT;
        if (!newpalette(picture, whole, gif.global, true, transparent)) {
            gif.global.clear();
            return toomanycolours();
        }
        if (!putscreen() || !putimage(whole, delay, nullptr, NOTRANSPARENT)) return notwritten(gif.out);
    } else {
        status = putchanges(picture, changedbox(picture), delay);
    }
    if (status.ok()) gif.shown = picture.rgb;
    return status;
}

Outcome gifend() {
    if (gif.file == nullptr) return notwritten(gif.out.target);
    if (closegif()) return commitoutput(gif.out).ok() ? succeeded() : notwritten(gif.out);
    abandonoutput(gif.out);
    return notwritten(gif.out);
}

void gifabandon() {
    if (gif.file != nullptr) closegif();
    abandonoutput(gif.out);
}
