#include "tests/support/imagedecode.h"

#include <gif_lib.h>
#include <png.h>

bool readpng(const std::string &path, RgbImage &picture) {
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    picture.w = static_cast<int>(image.width);
    picture.h = static_cast<int>(image.height);
    picture.rgb.assign(PNG_IMAGE_SIZE(image), 0);
    const bool ok = png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok;
}

namespace {

// Paints one decoded image onto the canvas with its colour table.
void compose(const GifFileType *file, const SavedImage &image, RgbImage &canvas) {
    const GifImageDesc &d = image.ImageDesc;
    const ColorMapObject *map = d.ColorMap != nullptr ? d.ColorMap : file->SColorMap;
    GraphicsControlBlock gcb = {DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    DGifSavedExtensionToGCB(const_cast<GifFileType *>(file), static_cast<int>(&image - file->SavedImages), &gcb);
    for (int y = 0; y < d.Height; ++y)
        for (int x = 0; x < d.Width; ++x) {
            const int k = image.RasterBits[static_cast<size_t>(y) * d.Width + x];
            if (k == gcb.TransparentColor || map == nullptr || k >= map->ColorCount) continue;
            unsigned char *p = &canvas.rgb[(static_cast<size_t>(d.Top + y) * canvas.w + d.Left + x) * 3];
            p[0] = map->Colors[k].Red;
            p[1] = map->Colors[k].Green;
            p[2] = map->Colors[k].Blue;
        }
}

}  // namespace

bool readgif(const std::string &path, DecodedGif &gif) {
    int error = 0;
    GifFileType *file = DGifOpenFileName(path.c_str(), &error);
    if (file == nullptr) return false;
    if (DGifSlurp(file) != GIF_OK) {
        DGifCloseFile(file, &error);
        return false;
    }
    gif.w = file->SWidth;
    gif.h = file->SHeight;
    RgbImage canvas = {gif.w, gif.h, std::vector<unsigned char>(static_cast<size_t>(gif.w) * gif.h * 3, 0)};
    for (int i = 0; i < file->ImageCount; ++i) {
        compose(file, file->SavedImages[i], canvas);
        gif.frames.push_back(canvas);
        GraphicsControlBlock gcb = {DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
        DGifSavedExtensionToGCB(file, i, &gcb);
        gif.delays.push_back(gcb.DelayTime);
        const GifImageDesc &d = file->SavedImages[i].ImageDesc;
        gif.localmaps.push_back(d.ColorMap != nullptr);
        gif.boxes.push_back(d.Width * d.Height);
    }
    DGifCloseFile(file, &error);
    return true;
}

long pixeldifferences(const RgbImage &a, const RgbImage &b) {
    if (a.w != b.w || a.h != b.h || a.rgb.size() != b.rgb.size()) return -1;
    long n = 0;
    for (size_t i = 0; i < a.rgb.size(); i += 3)
        n += a.rgb[i] != b.rgb[i] || a.rgb[i + 1] != b.rgb[i + 1] || a.rgb[i + 2] != b.rgb[i + 2];
    return n;
}


Rgb mappixel(const RgbImage &pic, const MapFrame &f, int k, double x, double y) {
    const double px = (f.left[k] + (x - f.xlo) / (f.xhi - f.xlo) * (f.right[k] - f.left[k])) * pic.w;
    const double py = (1.0 - (f.bottom + (y - f.ylo) / (f.yhi - f.ylo) * (f.top - f.bottom))) * pic.h;
    const unsigned char *c = &pic.rgb[3 * (static_cast<size_t>(py) * pic.w + static_cast<size_t>(px))];
    return {c[0], c[1], c[2]};
}

PlotPoint mapcell(int i, int j, double x, double y) {
    PlotPoint p{};
    p.i = i;
    p.j = j;
    p.x = x;
    p.y = y;
    p.outcome = POINTCOMPARED;
    p.tocTf = p.sotocTf = p.tfFree = 1.0;
    p.sotocFinished = true;
    return p;
}
