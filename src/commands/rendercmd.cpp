#include "commands/rendercmd.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "study/comparison.h"
#include "commands/options.h"
#include "commands/passcmd.h"
#include "study/params.h"
#include "records/records.h"
#include "offscreen/render.h"
#include "formats/resultjson.h"
#include "settings/usertext.h"
#include "window/window.h"

namespace {

const char *const ABOUT =
    "Runs one comparison pass (the options of sotoc compare) and writes what the window shows of it:\n"
    "--png FILE the picture at one log row, --gif FILE the animation of all rows. The pictures are\n"
    "the window's own drawing. Needs no screen: without an X display it starts a private X server\n"
    "(Xvfb) and stops it before it ends. Exit status: 0 written, 1 not written, 2 refused options,\n"
    "3 no switching-time solution, 4 diverged (a figure of the runs that is no finite number).";

// Picture sizes taken [pixels]: room for the window's texts, and within what the
// software renderer and Xvfb give.
constexpr int MINSIZE = 16;
constexpr int MAXSIZE = 4096;
// Frame delays taken [ms]: a GIF counts hundredths of a second in 16 bits.
constexpr double MINDELAY = 10.0;
constexpr double MAXDELAY = 655350.0;
constexpr double MSPERSECOND = 1000.0;

// What the render options add to those of compare.
struct RenderOptions {
    std::string png, gif;     // output files; one of them
    int frame;                // --png: log row, -1 the last
    int every;                // --gif: every K-th row
    double delay;             // --gif: time a frame is shown [ms], 0 for the real speed
    std::string size;         // "WxH"
    int w, h;                 // parsed size [pixels]
};

void addrenderoptions(CLI::App &cmd, RenderOptions &o) {
    CLI::Option *png =
        cmd.add_option("--png", o.png, "Write the picture at one log row to FILE, a name ending in .png.")
            ->type_name("FILE");
    CLI::Option *gif = cmd.add_option("--gif", o.gif,
                                      "Write the animation of rows 0 to the last to FILE, a name ending in .gif "
                                      "(an animated GIF that loops, every colour exact).")
                           ->type_name("FILE")
                           ->excludes(png);
    addnumberoption(cmd, "--frame", o.frame, "With --png: the log row drawn, 0 to the last (default the last).")
        ->type_name("N")
        ->needs(png);
    addnumberoption(cmd, "--every", o.every, "With --gif: every K-th row, K >= 1 (default 1); the last row always ends it.")
        ->type_name("K")
        ->needs(gif);
    addnumberoption(cmd, "--delay", o.delay,
                   "With --gif: milliseconds each frame is shown, to the nearest 10 (default the real speed: "
                   "K sample periods).")
        ->type_name("MS")
        ->needs(gif);
    cmd.add_option("--size", o.size, "Picture width and height in pixels (default 800x800, each 16 to 4096).")
        ->type_name("WxH");
}

// Whether `name` ends in `extension`.
bool endswith(const std::string &name, const std::string &extension) {
    return name.size() >= extension.size() && name.compare(name.size() - extension.size(), extension.size(), extension) == 0;
}

// Refuses the file of option `option` ("--png") whose name does not end in the
// format's extension (when it is given): a picture named otherwise would be taken
// for another format.
Outcome checkextension(const std::string &option, const std::string &file) {
    const std::string extension = "." + option.substr(2);
    if (file.empty() || endswith(file, extension)) return succeeded();
    return refused(option + ": '" + excerpt(file) + "' refused; accepts a file name ending in " + extension);
}

// Fills in the size, frame and every; refuses an option out of its range.
Outcome checkrenderoptions(RenderOptions &o) {
    if (o.png.empty() && o.gif.empty()) return refused("--png FILE or --gif FILE is needed");
    for (const Outcome &named : {checkextension("--png", o.png), checkextension("--gif", o.gif)})
        if (!named.ok()) return named;
    const std::vector<std::string> wh = splitat(o.size, 'x');
    if (wh.size() != 2 || !readnumber(wh[0], o.w) || !readnumber(wh[1], o.h) || o.w < MINSIZE || o.h < MINSIZE ||
        o.w > MAXSIZE || o.h > MAXSIZE)
        return refused("--size: '" + excerpt(o.size) + "' refused; accepts WxH with W and H from 16 to 4096 pixels");
    if (o.frame < -1 || o.frame > task.nStep)
        return refused("--frame: '" + std::to_string(o.frame) + "' refused; accepts a log row from 0 to " +
                       std::to_string(task.nStep));
    if (o.every < 1 || o.every > task.nStep)
        return refused("--every: '" + std::to_string(o.every) + "' refused; accepts 1 to " +
                       std::to_string(task.nStep));
    if (o.delay != 0.0 && !(o.delay >= MINDELAY && o.delay <= MAXDELAY))
        return refused("--delay: '" + numbertext(o.delay) + "' refused; accepts 10 to 655350 milliseconds");
    return succeeded();
}

}  // namespace

int rendercommand(int argc, char **argv) {
    RenderOptions o = {"", "", -1, 1, 0.0, "800x800", 0, 0};
    const auto finish = [&o](const CLI::App &cmd, const CompareRequest &, const ComparisonResult &result) {
        if (result.outcome != COMPARED) {
            reportproblem(cmd, uncompared(result));
            return uncomparedstatus(result);
        }
        userenderedlayout(result.type);
        const Outcome rendered =
            o.png.empty() ? rendergif(o.gif.c_str(), o.every,
                                      o.delay != 0.0 ? o.delay / MSPERSECOND : realdelay(o.every), o.w, o.h, o.size)
                          : renderpng(o.png.c_str(), o.frame < 0 ? task.nStep : o.frame, o.w, o.h, o.size);
        if (!rendered.ok()) reportproblem(cmd, rendered.message);
        return rendered.status;
    };
    return passcommand(argc, argv,
                       PassCommand{ABOUT, "sotoc render", [&o](CLI::App &cmd) { addrenderoptions(cmd, o); },
                                   [&o]() { return checkrenderoptions(o); }, finish});
}
