// Picture files read back with the libraries that wrote them.
#pragma once

#include <string>
#include <vector>

#include "records/records.h"
#include "plots/plot.h"

// An animated GIF: every frame as shown, composed onto the frames before it.
struct DecodedGif {
    int w = 0, h = 0;             // logical screen [pixels]
    std::vector<RgbImage> frames;
    std::vector<int> delays;      // per frame [hundredths of a second]
    std::vector<bool> localmaps;  // whether the frame carries its own colour table
    std::vector<int> boxes;       // pixels the frame stores
};

bool readpng(const std::string &path, RgbImage &picture);
bool readgif(const std::string &path, DecodedGif &gif);

// Number of pixels in which two pictures of the same size differ; -1 for different sizes.
long pixeldifferences(const RgbImage &a, const RgbImage &b);


// One pixel's colour.
struct Rgb {
    int r, g, b;
};

// The pixel of a map picture under the point (x, y) of the axes of panel k (0 to 2)
// of frame f.
Rgb mappixel(const RgbImage &pic, const MapFrame &f, int k, double x, double y);

// A compared point of a map's grid at index (i, j) and axes' values (x, y): final
// times of 1 s, SOTOC's run finished, no positioning errors yet.
PlotPoint mapcell(int i, int j, double x, double y);
