#include "offscreen/render.h"

#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
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

// Finds a display, opens the picture window on it; fails when neither works out
// (nothing is left running then).
Outcome begindrawing(RenderDisplay &d, int w, int h, const std::string &size) {
    static char program[] = "sotoc";
    static char displayoption[] = "-display";
    char *plain[] = {program, nullptr};
    d.server = -1;
    if (!displayreachable(1, plain)) {
        d.server = xvfbstart(w, h, d.name, true);
        if (d.server < 0) return failure("no X display, and no private X server could be started (is Xvfb installed?)");
    }
    char *args[] = {program, displayoption, d.name.data(), nullptr};
    int argc = d.server > 0 ? 3 : 1;
    if (openpicturewindow(&argc, d.server > 0 ? args : plain, w, h)) return succeeded();
    xvfbstop(d.server);
    return failure("the window system would not give a " + size + " window");
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

// Frame delay of `rows` rows [hundredths of a second]: at least one, as a frame of
// delay 0 is shown for a player's own default time.
int framedelay(double delay, int rows, int every) {
    return std::max(1, static_cast<int>(std::lround(delay * rows / every * GIFTICKSPERSECOND)));
}

// Draws the GIF's frames into the open file.
Outcome gifframes(int every, double delay) {
    RgbImage picture;
    for (int row = 0;; row = std::min(row + every, task.nStep)) {
        const int rows = row < task.nStep ? std::min(every, task.nStep - row) : every;
        drawrow(row, picture);
        const Outcome framed = gifframe(picture, framedelay(delay, rows, every));
        if (!framed.ok() || row == task.nStep) return framed;
    }
}

}  // namespace

Outcome renderpng(const char *path, int frame, int w, int h, const std::string &size) {
    RenderDisplay d;
    const Outcome drawing = begindrawing(d, w, h, size);
    if (!drawing.ok()) return drawing;
    RgbImage picture;
    drawrow(frame, picture);
    enddrawing(d);
    return writepng(path, picture);
}

Outcome rendergif(const char *path, int every, double delay, int w, int h, const std::string &size) {
    RenderDisplay d;
    const Outcome begun = gifbegin(path, w, h);
    if (!begun.ok()) return begun;
    const Outcome drawing = begindrawing(d, w, h, size);
    if (!drawing.ok()) {
        gifabandon();
        return drawing;
    }
    const Outcome framed = gifframes(every, delay);
    enddrawing(d);
    if (framed.ok()) return gifend();
    gifabandon();
    return framed;
}

double realdelay(int every) { return every * task.dt; }

void savesnapshot(const RgbImage &picture) {
    char name[64];
    std::snprintf(name, sizeof name, "sotoc-%s-%s-frame%03d.png", robotword(app.type), motionword(app.sgnG),
                  app.frame);
    char folder[MAXPATH];
    const std::string path = getcwd(folder, sizeof folder) != nullptr ? std::string(folder) + "/" + name : name;
    if (writepng(name, picture).ok())
        consoleprint("\n画像を保存しました: %s\n", path.c_str());
    else
        consoleprint("\n画像を保存できません: %s\n", path.c_str());
}
