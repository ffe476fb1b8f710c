#include "app/imagefile.h"

#include <gif_lib.h>
#include <png.h>

#include <cstdint>
#include <vector>

namespace {

// Graphics control and application extensions: four bytes of frame control, and the
// eleven-byte name and three-byte data block that make players loop (0: forever).
constexpr int GCBBYTES = 4;
const char LOOPNAME[] = "NETSCAPE2.0";
constexpr int LOOPNAMEBYTES = 11;
const unsigned char LOOPFOREVER[] = {1, 0, 0};
// Colour resolution written in the screen descriptor [bits per primary].
constexpr int COLOURBITS = 8;

// The animation being written.
struct GifOut {
    GifFileType *file;                  // open file, or null
    int w, h;                           // frame size [pixels]
    std::vector<uint32_t> global;       // colours of the file's table (0xRRGGBB), set by the first frame
    std::vector<uint32_t> local;        // colours of the frame being written when not all are global
    std::vector<GifPixelType> indices;  // the frame as colour indices, row after row
};

GifOut gif = {nullptr, 0, 0, {}, {}, {}};

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

// Writes the picture's colour indices into gif.indices; false at the first colour
// that is not in the palette and cannot be added to it.
bool mapcolours(const RgbImage &picture, std::vector<uint32_t> &palette, bool grow) {
    const size_t n = static_cast<size_t>(picture.w) * picture.h;
    gif.indices.resize(n);
    uint32_t last = 0;
    int lastindex = -1;
    for (size_t i = 0; i < n; ++i) {
        const uint32_t c = packed(&picture.rgb[3 * i]);
        if (lastindex < 0 || c != last) {
            lastindex = colourindex(palette, c, grow);
            if (lastindex < 0) return false;
            last = c;
        }
        gif.indices[i] = static_cast<GifPixelType>(lastindex);
    }
    return true;
}

// A giflib colour map of the palette, padded with black to a power of two entries.
ColorMapObject *colourmap(const std::vector<uint32_t> &palette) {
    int size = 2;
    while (size < static_cast<int>(palette.size())) size *= 2;
    std::vector<GifColorType> colours(size, GifColorType{0, 0, 0});
    for (size_t k = 0; k < palette.size(); ++k)
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

// The screen descriptor with the first frame's colours as the file's table.
bool putscreen() {
    ColorMapObject *map = colourmap(gif.global);
    const bool ok = map != nullptr && EGifPutScreenDesc(gif.file, gif.w, gif.h, COLOURBITS, 0, map) == GIF_OK;
    GifFreeMapObject(map);
    return ok && putloop();
}

// Frame control (delay) and the image with its own table, or with the file's when
// `local` is null.
bool putimage(int delay, const std::vector<uint32_t> *local) {
    GraphicsControlBlock gcb = {DISPOSAL_UNSPECIFIED, false, delay, NO_TRANSPARENT_COLOR};
    GifByteType control[GCBBYTES];
    EGifGCBToExtension(&gcb, control);
    if (EGifPutExtension(gif.file, GRAPHICS_EXT_FUNC_CODE, GCBBYTES, control) != GIF_OK) return false;
    ColorMapObject *map = local != nullptr ? colourmap(*local) : nullptr;
    bool ok = (local == nullptr || map != nullptr) &&
              EGifPutImageDesc(gif.file, 0, 0, gif.w, gif.h, false, map) == GIF_OK;
    GifFreeMapObject(map);
    for (int y = 0; ok && y < gif.h; ++y)
        ok = EGifPutLine(gif.file, &gif.indices[static_cast<size_t>(y) * gif.w], gif.w) == GIF_OK;
    return ok;
}

}  // namespace

ImageStatus writepng(const char *path, const RgbImage &picture) {
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.w);
    image.height = static_cast<png_uint_32>(picture.h);
    image.format = PNG_FORMAT_RGB;
    const bool ok = png_image_write_to_file(&image, path, 0, picture.rgb.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok ? IMAGEWRITTEN : IMAGENOTWRITTEN;
}

ImageStatus gifbegin(const char *path, int w, int h) {
    int error = 0;
    gif.file = EGifOpenFileName(path, false, &error);
    if (gif.file == nullptr) return IMAGENOTWRITTEN;
    EGifSetGifVersion(gif.file, true);
    gif.w = w;
    gif.h = h;
    gif.global.clear();
    return IMAGEWRITTEN;
}

ImageStatus gifframe(const RgbImage &picture, int delay) {
    if (gif.file == nullptr || picture.w != gif.w || picture.h != gif.h) return IMAGENOTWRITTEN;
    const bool first = gif.global.empty();
    const std::vector<uint32_t> *local = nullptr;
    if (first || !mapcolours(picture, gif.global, false)) {
        std::vector<uint32_t> &palette = first ? gif.global : gif.local;
        palette.clear();
        if (!mapcolours(picture, palette, true)) {
            palette.clear();
            return IMAGETOOMANYCOLOURS;
        }
        if (first && !putscreen()) return IMAGENOTWRITTEN;
        if (!first) local = &gif.local;
    }
    return putimage(delay, local) ? IMAGEWRITTEN : IMAGENOTWRITTEN;
}

ImageStatus gifend() {
    if (gif.file == nullptr) return IMAGENOTWRITTEN;
    int error = 0;
    const bool closed = EGifCloseFile(gif.file, &error) == GIF_OK;
    gif.file = nullptr;
    return closed ? IMAGEWRITTEN : IMAGENOTWRITTEN;
}
