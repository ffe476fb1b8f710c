// Fuzz target: arbitrary bytes as the input of sotoc batch or as the arguments of a
// subcommand, read as the program reads them (in process, no worker is started).
// An input starting with '-' is a list of arguments separated by zero bytes; any
// other input is batch input, its first byte choosing the size of the pieces it
// arrives in. Checks what the readers promise beside not crashing: the lines taken
// are the input, an error line is JSON with a printable, bounded reason, and every
// refusal of an argument is printable and bounded.
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "jobs/batchinput.h"
#include "jobs/grid.h"
#include "jobs/mapgrid.h"
#include "commands/options.h"
#include "study/params.h"
#include "settings/usertext.h"

namespace {

using json = nlohmann::ordered_json;

// The first byte of a list of arguments.
constexpr uint8_t ARGUMENTS = '-';
// Pieces of batch input arrive in 1..PIECES bytes.
constexpr size_t PIECES = 64;
// Bytes a refusal may take beyond MESSAGEBYTES: the ellipsis, and the text around
// quoted values.
constexpr size_t MESSAGESLACK = 200;

void require(bool promise) {
    if (!promise) std::abort();
}

// A refusal has the status of one and is one printable line of bounded length.
void checkrefusal(const Outcome &refusal) {
    const std::string &why = refusal.message;
    require(refusal.status == REFUSEDSTATUS);
    require(!why.empty() && why.size() <= MESSAGEBYTES + MESSAGESLACK);
    require(printable(why, why.size()) == why);
}

// Batch input in pieces of `piece` bytes: every line read, refused ones answered.
void readbatch(const uint8_t *data, size_t size, size_t piece) {
    LineReader reader{};
    std::string lines, line;
    for (size_t at = 0;; at += piece) {
        if (at < size)
            feedinput(reader, reinterpret_cast<const char *>(data) + at, std::min(piece, size - at));
        else
            reader.ended = true;
        while (takeline(reader, line)) {
            lines += line + "\n";
            CompareRequest r;
            if (blankline(line)) continue;
            const Outcome read = readbatchline(line, r);
            if (read.ok()) continue;
            require(read.status == REFUSEDSTATUS);
            const json answer = json::parse(errorline(reader.number, read.message));
            const std::string error = answer["error"].get<std::string>();
            require(answer["line"] == reader.number && error.size() <= MESSAGEBYTES + 3);
            require(printable(error, error.size()) == error);
        }
        if (reader.ended) break;
    }
    const std::string input(reinterpret_cast<const char *>(data), size);
    require(lines == input || lines == input + "\n");
}

// The options of compare, batch, sweep, map and render, parsed and checked.
void readarguments(const uint8_t *data, size_t size) {
    std::vector<std::string> args = splitat(std::string(reinterpret_cast<const char *>(data), size), '\0');
    args[0] = "sotoc";
    std::vector<const char *> argv;
    for (const std::string &a : args) argv.push_back(a.c_str());
    CLI::App cmd{"", "sotoc fuzz"};
    CompareOptionValues values;
    addcompareoptions(cmd, values);
    int jobs, frame = -1;
    double delay = 0.0;
    std::string errors, shard, axes[2];
    addjobsoption(cmd, jobs);
    addnumberoption(cmd, "--frame", frame, "");
    addnumberoption(cmd, "--delay", delay, "");
    cmd.add_option("--errors", errors, "");
    cmd.add_option("--shard", shard, "");
    cmd.add_option("--x", axes[0], "");
    cmd.add_option("--y", axes[1], "");
    try {
        const Outcome parsed = parsearguments(cmd, static_cast<int>(argv.size()), argv.data());
        if (!parsed.ok()) return checkrefusal(parsed);
    } catch (const CLI::Success &) {
        return;  // --help
    }
    CompareRequest r;
    const Outcome taken = requestfromoptions(values, "--", r);
    if (!taken.ok()) checkrefusal(taken);
    Grid grid;
    Shard s;
    MapGrid map{MapAxis{}, MapAxis{AXISNONE, Grid{}}};
    for (const Outcome &read : {parsegrid(errors, errorrange(), grid), parseshard(shard, s)})
        if (!read.ok()) checkrefusal(read);
    const Outcome x = parseaxis(axes[0], map.x);
    if (!x.ok()) return checkrefusal(x);
    const Outcome y = axes[1].empty() ? succeeded() : parseaxis(axes[1], map.y);
    if (!y.ok()) return checkrefusal(y);
    const Outcome checked = taken.ok() ? checkaxes(map, axes, values) : succeeded();
    if (!checked.ok()) checkrefusal(checked);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    initialset();  // the defaults the options start from
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    if (data[0] == ARGUMENTS)
        readarguments(data, size);
    else
        readbatch(data + 1, size - 1, 1 + data[0] % PIECES);
    return 0;
}
