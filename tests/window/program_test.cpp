// The real program in a pseudo-terminal with its window on a private X server.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "tests/support/pty.h"
#include "tests/support/xserver.h"

namespace {

const char TITLE[] =
    "a,b:ロボット選択, u:減速, g,h:重力, k:始終点, m,j:制御 変更， W,w:画面拡大縮小，0:初期へ，s:継続，"
    "space:再生/一時停止，p:画像保存";

int ignoreerrors(Display *, XErrorEvent *) { return 0; }

// What the window shows of the joint-1 torque graph near the start of its time axis
// (x = 0.41..0.45), on the limit lines y = 0.1 +- 0.25: 1 the blue curve on them,
// 0 only the red lines (no curve yet), -1 neither (no picture yet). The grab leaves out
// the window's left column and top row, which lie off the screen.
int torquecurve(Display *dpy, Window win) {
    const int x0 = 564, x1 = 580;
    XImage *img = XGetImage(dpy, win, x0, 1, x1 - x0, 799, AllPlanes, ZPixmap);
    if (img == nullptr) return -1;
    bool blue = false, red = false;
    for (int row : {800 - 1 - 540, 800 - 1 - 340}) {  // from the top, less the row left out
        for (int dy = -2; dy <= 2; ++dy) {
            for (int x = 0; x < x1 - x0; ++x) {
                const unsigned long v = XGetPixel(img, x, row - 1 + dy);
                blue = blue || v == 0x0000ff;
                red = red || v == 0xff0000;
            }
        }
    }
    XDestroyImage(img);
    return blue ? 1 : red ? 0 : -1;
}

bool waitfor(Display *dpy, Window win, int shown) {
    for (int tries = 0; tries < 600; ++tries) {
        if (torquecurve(dpy, win) == shown) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

bool sameterminal(const termios &a, const termios &b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag &&
           std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

}  // namespace

TEST(Program, DialogWindowKeysAndEscape) {
    XServer x;
    ASSERT_TRUE(xstart(x));
    std::vector<std::string> env = windowprogramenv();
    env.push_back("DISPLAY=" + x.display);
    PtyProcess p;
    ASSERT_TRUE(ptystart(p, {sotocbinary()}, env));
    ASSERT_TRUE(ptyexpect(p, "type="));
    ptysend(p, "b");
    ASSERT_TRUE(ptyexpect(p, "sgnG="));
    ptysend(p, "h");
    // Through the questions to the mass error, read as a line in the terminal's own mode.
    ASSERT_TRUE(ptyexpect(p, "条件のどれか変更する？"));
    ptysend(p, "y");
    ASSERT_TRUE(ptyexpect(p, "以下全て変更しない : n"));
    ptysend(p, "z");
    ASSERT_TRUE(ptyexpect(p, "重力考慮する？"));
    ptysend(p, "h");
    ASSERT_TRUE(ptyexpect(p, "変更する？　yes:y   no:n"));
    ptysend(p, "n");
    ASSERT_TRUE(ptyexpect(p, "error="));
    termios before;
    ASSERT_TRUE(ptyattr(p, before));
    ptysend(p, "1\r");
    ASSERT_TRUE(ptyexpect(p, "描画画面へ       ", 120));

    const std::string found = xcommand(x, "xdotool search --sync --onlyvisible --name 's:'");
    const Window win = std::strtoul(found.c_str(), nullptr, 10);
    ASSERT_NE(win, 0u) << found;
    const std::string id = std::to_string(win);
    const std::string names = xcommand(x, "xprop -id " + id + " _NET_WM_NAME WM_NAME");
    EXPECT_NE(names.find(std::string("_NET_WM_NAME(UTF8_STRING) = \"") + TITLE + "\""), std::string::npos) << names;
    EXPECT_NE(names.find(std::string("WM_NAME(COMPOUND_TEXT) = \"") + TITLE + "\""), std::string::npos) << names;

    Display *dpy = XOpenDisplay(x.display.c_str());
    ASSERT_NE(dpy, nullptr);
    XSetErrorHandler(ignoreerrors);
    ASSERT_TRUE(waitfor(dpy, win, 0)) << "frame 0 shows no curve";
    xcommand(x, "xdotool windowfocus --sync " + id + " key --delay 20 s s s s s s s s s s s s s s s s s s s s");
    EXPECT_TRUE(waitfor(dpy, win, 1)) << "'s' advances the curves";

    // A settings key: the dialog asks in the console, then the window shows frame 0.
    xcommand(x, "xdotool windowfocus --sync " + id + " key m");
    ASSERT_TRUE(ptyexpect(p, "(6-1) 誤差の変更"));
    ASSERT_TRUE(ptyexpect(p, "error="));
    ptysend(p, "5\r");
    ASSERT_TRUE(ptyexpect(p, "描画画面へ       ", 120));
    EXPECT_TRUE(waitfor(dpy, win, 0)) << "the new runs are shown from frame 0 without a key";

    xcommand(x, "xdotool windowfocus --sync " + id + " key Escape");
    EXPECT_EQ(ptywait(p, 30), 0) << p.output.substr(p.mark);
    termios after;
    ASSERT_TRUE(ptyattr(p, after));
    EXPECT_TRUE(sameterminal(before, after));
    ptyclose(p);
    XCloseDisplay(dpy);
    xstop(x);
}
