#include "offscreen/render.h"

#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <string>

#include "console/console.h"
#include "records/records.h"
#include "offscreen/imagefile.h"
#include "offscreen/xvfb.h"
#include "settings/request.h"
#include "window/window.h"

namespace {

// GIF delays count hundredths of a second.
constexpr double GIFTICKSPERSECOND = 100.0;
// Longest snapshot path taken [bytes].
constexpr size_t MAXPATH = 4096;

// The display the pictures are drawn on: the one in use, or a private server.
struct RenderDisplay {
    pid_t server;      // the private X server, or -1
    std::string name;  // its display name
};

// Finds a display, opens the picture window on it; false with the status when
// neither works out (nothing is left running then).
bool begindrawing(RenderDisplay &d, int w, int h, RenderStatus &status) {
    static char program[] = "sotoc";
    static char displayoption[] = "-display";
    char *plain[] = {program, nullptr};
    d.server = -1;
    if (!displayreachable(1, plain)) {
        d.server = xvfbstart(w, h, d.name, true);
        if (d.server < 0) {
            status = RENDERNODISPLAY;
            return false;
        }
    }
    char *args[] = {program, displayoption, d.name.data(), nullptr};
    int argc = d.server > 0 ? 3 : 1;
    if (openpicturewindow(&argc, d.server > 0 ? args : plain, w, h)) return true;
    status = RENDERWINDOWSIZE;
    xvfbstop(d.server);
    return false;
}

void enddrawing(RenderDisplay &d) {
    closepicturewindow();
    xvfbstop(d.server);
}

// The picture at log row `frame` into `picture`.
void drawrow(int frame, RgbImage &picture) {
    app.frame = frame;
    readpicture(picture);
}

RenderStatus imagestatus(ImageStatus s) {
    return s == IMAGEWRITTEN ? RENDERED : s == IMAGETOOMANYCOLOURS ? RENDERTOOMANYCOLOURS : RENDERNOTWRITTEN;
}

// Frame delay of `rows` rows [hundredths of a second]: at least one, as a frame of
// delay 0 is shown for a player's own default time.
int framedelay(double delay, int rows, int every) {
    return std::max(1, static_cast<int>(std::lround(delay * rows / every * GIFTICKSPERSECOND)));
}

// Draws the GIF's frames into the open file.
ImageStatus gifframes(int every, double delay) {
    RgbImage picture;
    for (int row = 0;; row = std::min(row + every, task.nStep)) {
        const int rows = row < task.nStep ? std::min(every, task.nStep - row) : every;
        drawrow(row, picture);
        const ImageStatus s = gifframe(picture, framedelay(delay, rows, every));
        if (s != IMAGEWRITTEN || row == task.nStep) return s;
    }
}

}  // namespace

RenderStatus renderpng(const char *path, int frame, int w, int h) {
    RenderDisplay d;
    RenderStatus status = RENDERED;
    if (!begindrawing(d, w, h, status)) return status;
    RgbImage picture;
    drawrow(frame, picture);
    enddrawing(d);
    return imagestatus(writepng(path, picture));
}

RenderStatus rendergif(const char *path, int every, double delay, int w, int h) {
    RenderDisplay d;
    RenderStatus status = RENDERED;
    if (gifbegin(path, w, h) != IMAGEWRITTEN) return RENDERNOTWRITTEN;
    if (!begindrawing(d, w, h, status)) {
        gifabandon();
        return status;
    }
    const ImageStatus s = gifframes(every, delay);
    const int why = errno;
    enddrawing(d);
    if (s == IMAGEWRITTEN) return imagestatus(gifend());
    gifabandon();
    errno = why;
    return imagestatus(s);
}

double realdelay(int every) { return every * task.dt; }

void savesnapshot(const RgbImage &picture) {
    char name[64];
    std::snprintf(name, sizeof name, "sotoc-%s-%s-frame%03d.png", robotword(app.type), motionword(app.sgnG),
                  app.frame);
    char folder[MAXPATH];
    const std::string path = getcwd(folder, sizeof folder) != nullptr ? std::string(folder) + "/" + name : name;
    if (writepng(name, picture) == IMAGEWRITTEN)
        consoleprint("\n画像を保存しました: %s\n", path.c_str());
    else
        consoleprint("\n画像を保存できません: %s\n", path.c_str());
}
