// Pictures of the runs in the trajectory log as files: the window's own drawing of the
// robot app.type, made on the X display in use or, when there is none, on a private
// X server that is started for it and stopped before returning.
#pragma once

#include "records/records.h"

enum RenderStatus {
    RENDERED,             // the file is written
    RENDERNODISPLAY,      // no X display, and no private X server could be started
    RENDERWINDOWSIZE,     // the window system would not give the window the asked size
    RENDERNOTWRITTEN,     // the file could not be written (errno tells why); it is as it was
    RENDERTOOMANYCOLOURS  // a GIF frame has more colours than a GIF frame can hold exactly
};

// Both leave app.frame at the last row drawn.

// The picture at log row `frame` (0..nStep), w x h pixels, as a PNG file.
RenderStatus renderpng(const char *path, int frame, int w, int h);

// Rows 0, every, 2 every, ... and the last row nStep as an animated GIF of w x h
// pixels; each frame is shown for `delay` seconds per `every` rows up to the next
// frame (the last for `delay`), to the nearest hundredth of a second.
RenderStatus rendergif(const char *path, int every, double delay, int w, int h);

// The delay of `every` rows that plays the motion at its real speed [s].
double realdelay(int every);

// The window's snapshot: writes the picture to sotoc-<robot>-<motion>-frame<NNN>.png
// in the current folder (robot app.type, motion app.sgnG, row app.frame) and prints
// the file's full path in the console, or that it could not be written.
void savesnapshot(const RgbImage &picture);
