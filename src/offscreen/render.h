// Pictures of the runs in the trajectory log as files: the window's own drawing of the
// robot app.type, made on the X display in use or, when there is none, on a private
// X server that is started for it and stopped before returning.
#pragma once

#include <string>

#include "records/outcome.h"
#include "records/records.h"

// Both leave app.frame at the last row drawn, and fail, the file as it was, when
// there is no X display and no private X server could be started, when the window
// system would not give the window the asked size (`size`, "WxH" as given), and as
// the picture files (offscreen/imagefile.h) fail.

// The picture at log row `frame` (0..nStep), w x h pixels, as a PNG file.
Outcome renderpng(const char *path, int frame, int w, int h, const std::string &size);

// Rows 0, every, 2 every, ... and the last row nStep as an animated GIF of w x h
// pixels; each frame is shown for `delay` seconds per `every` rows up to the next
// frame (the last for `delay`), to the nearest hundredth of a second.
Outcome rendergif(const char *path, int every, double delay, int w, int h, const std::string &size);

// The delay of `every` rows that plays the motion at its real speed [s].
double realdelay(int every);

// The window's snapshot: writes the picture to sotoc-<robot>-<motion>-frame<NNN>.png
// in the current folder (robot app.type, motion app.sgnG, row app.frame) and prints
// the file's full path in the console, or that it could not be written.
void savesnapshot(const RgbImage &picture);
