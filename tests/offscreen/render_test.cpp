// Pictures made with no X display: a private X server that is gone afterwards, also
// when the program is interrupted or killed. GL runs only in forked children.
#include <gtest/gtest.h>

#include <dirent.h>
#include <errno.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>

#include "study/comparison.h"
#include "study/params.h"
#include "offscreen/render.h"
#include "tests/support/imagedecode.h"
#include "tests/support/tempdir.h"
#include "tests/support/pty.h"
#include "tests/support/run.h"
#include "tests/support/xserver.h"

namespace {

// The default SCARA comparison with gravity, as a pass of its own.
bool scaravertical() {
    initialset();
    app.type = ROBOTSCARA;
    app.sgnG = MOTIONVERTICAL;
    ComparisonSettings s = currentsettings();
    s.tfNomBasis = standalonebasis(s);
    return comparisonpass(s).outcome == COMPARED;
}

// Whether this process has no child process at all, running or ended.
bool nochildren() { return waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD; }

// Starts body in a forked child without a DISPLAY; its return value is the exit status.
// Processes orphaned below this one are handed to it, so none can slip away unseen.
pid_t headless(const std::function<int()> &body) {
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        unsetenv("DISPLAY");
        _exit(body());
    }
    return pid;
}

// A child process of `parent` running the program `name`, or -1.
pid_t childnamed(pid_t parent, const std::string &name) {
    DIR *proc = opendir("/proc");
    if (proc == nullptr) return -1;
    pid_t found = -1;
    while (dirent *e = readdir(proc)) {
        std::ifstream stat(std::string("/proc/") + e->d_name + "/stat");
        std::string pid, comm, state;
        pid_t ppid = 0;
        if (stat >> pid >> comm >> state >> ppid && ppid == parent && comm == "(" + name + ")") found = std::atoi(pid.c_str());
    }
    closedir(proc);
    return found;
}

// Waits until the child has started its private X server.
bool serverstarted(pid_t child) {
    for (int tries = 0; tries < 600; ++tries) {
        if (childnamed(child, "Xvfb") > 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// The PNG and the GIF decode to the sizes and the number of frames; the GIF as read.
DecodedGif expectfiles(const std::string &png, int w, int h, const std::string &gif, int gw, int gh, size_t frames) {
    RgbImage picture;
    EXPECT_TRUE(readpng(png, picture));
    EXPECT_EQ(picture.w, w);
    EXPECT_EQ(picture.h, h);
    DecodedGif animation;
    EXPECT_TRUE(readgif(gif, animation));
    EXPECT_EQ(animation.w, gw);
    EXPECT_EQ(animation.h, gh);
    EXPECT_EQ(animation.frames.size(), frames);
    return animation;
}

TEST(Headless, PngAndGifWithoutDisplayLeaveNoProcess) {
    TempDir folder;
    const std::string png = folder.file("last.png"), gif = folder.file("motion.gif");
    const pid_t pid = headless([&] {
        if (!scaravertical()) return 2;
        if (!renderpng(png.c_str(), task.nStep, 400, 300, "400x300").ok()) return 3;
        if (!nochildren()) return 4;
        if (!rendergif(gif.c_str(), 50, realdelay(50), 200, 200, "200x200").ok()) return 5;
        return nochildren() ? 0 : 6;
    });
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(nochildren()) << "a process outlived the renderer";
    expectfiles(png, 400, 300, gif, 200, 200, 5);
}

// Whether the temporary written for file `name` of the folder has grown past
// `bytes` within a minute.
bool temporarygrows(const TempDir &folder, const std::string &name, long bytes) {
    for (int tries = 0; tries < 1200; ++tries) {
        std::ifstream f(folder.temporaryof(name), std::ios::binary | std::ios::ate);
        if (f && f.tellg() > bytes) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// Ctrl-C or a termination request while the server starts or while frames are drawn:
// the renderer stops its server, removes the unfinished file, then dies of the signal.
TEST(Headless, InterruptedRenderStopsItsServer) {
    TempDir folder;
    const std::string gif = folder.file("motion.gif");
    const struct {
        int sig;
        bool drawing;  // sent once frames are written, else as soon as the server runs
    } cases[] = {{SIGINT, false}, {SIGTERM, false}, {SIGINT, true}, {SIGHUP, true}};
    for (const auto &c : cases) {
        const int sig = c.sig;
        std::remove(gif.c_str());
        const pid_t pid = headless([&] {
            if (!scaravertical()) return 2;
            rendergif(gif.c_str(), 1, realdelay(1), 800, 800, "800x800");
            return 3;
        });
        ASSERT_TRUE(serverstarted(pid)) << sig;
        if (c.drawing) {
            ASSERT_TRUE(temporarygrows(folder, "motion.gif", 1000)) << sig;
        }
        kill(pid, sig);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig << " " << status;
        EXPECT_TRUE(nochildren()) << "the server of a renderer ended by " << sig << " was left behind";
        EXPECT_TRUE(folder.names().empty()) << sig << ": " << folder.names().front();
    }
}

// Killed outright, the renderer cannot stop its server; the server ends by itself.
TEST(Headless, KilledRendererTakesItsServerAlong) {
    TempDir folder;
    const std::string gif = folder.file("motion.gif");
    const pid_t pid = headless([&] {
        if (!scaravertical()) return 2;
        rendergif(gif.c_str(), 1, realdelay(1), 800, 800, "800x800");
        return 3;
    });
    ASSERT_TRUE(serverstarted(pid));
    kill(pid, SIGKILL);
    ASSERT_EQ(waitpid(pid, nullptr, 0), pid);
    bool gone = false;
    for (int tries = 0; tries < 400 && !gone; ++tries) {
        while (waitpid(-1, nullptr, WNOHANG) > 0) {
        }
        gone = nochildren();
        if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(gone) << "the server outlived its killed renderer";
}

// Starts `sotoc render --robot scara --motion vertical` and the arguments in a child
// without a DISPLAY, with what the program needs to draw under the sanitizers and
// the `extraenv` entries, and without core files; its standard error goes to
// `errors`. Returns its process id.
pid_t startrender(const std::vector<std::string> &extra, const std::string &errors,
                  const std::vector<std::string> &extraenv = {}) {
    std::vector<std::string> args = {sotocbinary(), "render", "--robot", "scara", "--motion", "vertical"};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<std::string> env = windowprogramenv();
    env.insert(env.end(), extraenv.begin(), extraenv.end());
    return headless([&] {
        for (std::string &e : env) putenv(e.data());
        const rlimit nocore = {0, 0};
        setrlimit(RLIMIT_CORE, &nocore);
        freopen("/dev/null", "w", stdout);
        freopen(errors.c_str(), "w", stderr);
        std::vector<char *> argv;
        for (std::string &a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        return 127;
    });
}

// Runs the render of startrender to its end: the exit status, or -1 when it did not exit.
int renderscara(const std::vector<std::string> &extra, const std::string &errors,
                const std::vector<std::string> &extraenv = {}) {
    const pid_t pid = startrender(extra, errors, extraenv);
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

std::string textof(const std::string &path) {
    std::ifstream f(path);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// `sotoc render` as a user would run it on a machine without a screen.
TEST(RenderCommand, WritesPngAndGifWithoutDisplayAndLeavesNoProcess) {
    TempDir folder;
    const std::string png = folder.file("start.png"), gif = folder.file("motion.gif"), errors = folder.file("err");
    const std::vector<std::vector<std::string>> runs = {
        {"--png", png, "--frame", "0", "--size", "300x200"},
        {"--gif", gif, "--every", "50", "--delay", "120", "--size", "64x48"},
    };
    for (const auto &extra : runs) {
        EXPECT_EQ(renderscara(extra, errors), 0) << extra[0] << textof(errors);
        EXPECT_TRUE(nochildren()) << extra[0];
    }
    const DecodedGif animation = expectfiles(png, 300, 200, gif, 64, 48, 5);
    for (int delay : animation.delays) EXPECT_EQ(delay, 12);
}

// Refused before anything is drawn: status 2, one line naming the option, no file.
TEST(RenderCommand, OptionsOutsideTheirRangesRefused) {
    TempDir folder;
    const std::string out = folder.file("x.png"), gifout = folder.file("x.gif");
    const std::vector<std::vector<std::string>> refused = {
        {},
        {"--png", out, "--gif", gifout},
        {"--png", out, "--size", "15x800"},
        {"--png", out, "--size", "800x4097"},
        {"--png", out, "--size", "800x800x"},
        {"--png", out, "--size", "4294967312x16"},
        {"--png", out, "--size", " 16x16"},
        {"--png", out, "--frame", "0x10"},
        {"--gif", gifout, "--every", " 4"},
        {"--gif", gifout, "--delay", "1e400"},
        {"--png", out, "--frame", "201"},
        {"--png", out, "--frame", "-2"},
        {"--png", out, "--every", "2"},
        {"--gif", gifout, "--every", "0"},
        {"--gif", gifout, "--every", "201"},
        {"--gif", gifout, "--delay", "9"},
        {"--gif", gifout, "--frame", "3"},
        {"--png", out, "--robot", "delta"},
    };
    for (const auto &extra : refused) {
        std::vector<std::string> args = {"render", "--robot", "scara", "--motion", "vertical"};
        args.insert(args.end(), extra.begin(), extra.end());
        const RunOutcome r = runsotoc(args);
        const std::string named = extra.empty() ? "--png" : extra.size() > 2 ? extra[2] : extra[0];
        EXPECT_EQ(r.status, 2) << named;
        EXPECT_EQ(r.out, "") << named;
        EXPECT_EQ(r.err.rfind("sotoc render: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(named), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    RgbImage none;
    EXPECT_FALSE(readpng(out, none));
    EXPECT_FALSE(std::ifstream(gifout).good());
}

// The limits themselves are taken, and a move without a solution says why.
TEST(RenderCommand, LimitsAcceptedAndNoSolutionReported) {
    TempDir folder;
    const std::string png = folder.file("small.png"), gif = folder.file("slow.gif");
    const std::string errors = folder.file("err");
    EXPECT_EQ(renderscara({"--png", png, "--size", "16x16", "--frame", "200"}, errors), 0) << textof(errors);
    RgbImage picture;
    ASSERT_TRUE(readpng(png, picture));
    EXPECT_EQ(picture.w, 16);
    EXPECT_EQ(renderscara({"--gif", gif, "--every", "200", "--delay", "10"}, errors), 0) << textof(errors);
    DecodedGif animation;
    ASSERT_TRUE(readgif(gif, animation));
    EXPECT_EQ(animation.frames.size(), 2u);
    EXPECT_EQ(animation.delays.front(), 1);
    // The last frame shows one row of 199: its share of 10 ms rounds to no time at
    // all, and a delay of 0 would let players pick their own.
    EXPECT_EQ(renderscara({"--gif", gif, "--every", "199", "--delay", "10", "--size", "16x16"}, errors), 0)
        << textof(errors);
    DecodedGif short199;
    ASSERT_TRUE(readgif(gif, short199));
    EXPECT_EQ(short199.delays, (std::vector<int>{1, 1, 1}));
    const RunOutcome r = runsotoc({"render", "--robot", "cylindrical", "--motion", "horizontal", "--png", png});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("no switching-time solution for the design without mass error"), std::string::npos) << r.err;
}

// A picture that cannot be written is said in one line, with the file and the
// system's reason, and the command fails with status 1: a PNG once its row is
// drawn, a GIF before any frame.
TEST(RenderCommand, UnwritablePictureSaidOnceWithStatusOne) {
    TempDir folder, logs;
    const std::string errors = logs.file("err");
    for (const char *option : {"--png", "--gif"}) {
        const std::string file = folder.path + "/missing/picture" + (option[2] == 'p' ? ".png" : ".gif");
        EXPECT_EQ(renderscara({option, file, "--size", "16x16"}, errors), 1) << option;
        EXPECT_EQ(textof(errors), "sotoc render: " + file + " could not be written: No such file or directory\n");
    }
    EXPECT_TRUE(folder.names().empty());
}

// A picture that cannot be written leaves the file as it was: a full disk, a link
// to one, no X server at all. A picture written whole replaces the file a link names.
TEST(RenderCommand, FailedRenderLeavesTheFileAsItWas) {
    TempDir folder, logs;
    const std::string errors = logs.file("err");
    ASSERT_NE(folder.fulldevice("node.png"), "") << "mknod needs root";
    ASSERT_EQ(symlink("node.png", folder.file("link.png").c_str()), 0);
    for (const char *name : {"node.png", "link.png"}) {
        EXPECT_EQ(renderscara({"--png", folder.file(name), "--size", "16x16"}, errors), 1) << name;
        EXPECT_NE(textof(errors).find(std::string(name) + " could not be written: No space left on device"),
                  std::string::npos)
            << textof(errors);
    }
    struct stat st;
    ASSERT_EQ(stat(folder.file("node.png").c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    ASSERT_EQ(lstat(folder.file("link.png").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));

    std::ofstream(folder.file("old.gif")) << "old";
    EXPECT_EQ(renderscara({"--gif", folder.file("old.gif"), "--every", "100", "--size", "16x16"}, errors,
                          {"PATH=/nonexistent"}),
              1);
    EXPECT_NE(textof(errors).find("no X display"), std::string::npos) << textof(errors);
    EXPECT_EQ(textof(folder.file("old.gif")), "old");
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"link.png", "node.png", "old.gif"}));

    ASSERT_EQ(symlink("old.gif", folder.file("new.gif").c_str()), 0);
    EXPECT_EQ(renderscara({"--gif", folder.file("new.gif"), "--every", "100", "--size", "16x16"}, errors), 0)
        << textof(errors);
    DecodedGif animation;
    ASSERT_TRUE(readgif(folder.file("old.gif"), animation));
    EXPECT_EQ(animation.frames.size(), 3u);
    ASSERT_EQ(lstat(folder.file("new.gif").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_TRUE(nochildren());
}

// Stops the process once `writing` holds (polled every 10 ms, for a minute); true
// when it still holds with the process stopped, so that the work it watches is
// still unfinished when a signal sent now is delivered.
bool stopwhile(pid_t pid, const std::function<bool()> &writing) {
    for (int tries = 0; tries < 6000 && !writing(); ++tries) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    int status = 0;
    if (kill(pid, SIGSTOP) != 0 || waitpid(pid, &status, WUNTRACED) != pid || !WIFSTOPPED(status)) return false;
    return writing();
}

// Sends `sig` to the stopped process and lets it go on; true when the signal ended it.
bool endsbysignal(pid_t pid, int sig) {
    kill(pid, sig);
    kill(pid, SIGCONT);
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFSIGNALED(status) && WTERMSIG(status) == sig;
}

// Reaps the processes handed to this one (a killed renderer's server ends by
// itself); true once there are none left.
bool reapall() {
    for (int tries = 0; tries < 400; ++tries) {
        while (waitpid(-1, nullptr, WNOHANG) > 0) {
        }
        if (nochildren()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// A render interrupted by a signal while it writes its animation, or while it draws
// its picture, leaves the old file and no temporary; killed outright, it cannot
// remove its temporary, but the old file stays all the same.
TEST(RenderCommand, SignalsLeaveTheOldFileAndNoTemporary) {
    TempDir folder, logs;
    const std::string gif = folder.file("motion.gif"), png = folder.file("last.png");
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGKILL}) {
        std::ofstream(gif) << "old";
        const pid_t pid = startrender({"--gif", gif, "--size", "64x64"}, logs.file("err"));
        ASSERT_TRUE(stopwhile(pid, [&] { return !folder.temporaryof("motion.gif").empty(); })) << sig;
        EXPECT_TRUE(endsbysignal(pid, sig)) << sig;
        EXPECT_TRUE(reapall()) << sig;
        EXPECT_EQ(textof(gif), "old") << sig;
        if (sig == SIGKILL) std::remove(folder.temporaryof("motion.gif").c_str());
        EXPECT_EQ(folder.names(), std::vector<std::string>{"motion.gif"}) << sig;
    }
    std::ofstream(png) << "old";
    const pid_t pid = startrender({"--png", png, "--size", "64x64"}, logs.file("err"));
    ASSERT_TRUE(stopwhile(pid, [&] { return childnamed(pid, "Xvfb") > 0; }));
    EXPECT_TRUE(endsbysignal(pid, SIGTERM));
    EXPECT_TRUE(reapall());
    EXPECT_EQ(textof(png), "old");
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"last.png", "motion.gif"}));
}

}  // namespace
