// Fuzz target: arbitrary bytes as a robot file of one format (the extension the build
// gives it: toml, json or urdf), written to a file and read as the program reads one.
// Checks what the reader promises beside not crashing or hanging: a refusal has the
// status of one and says "PATH:LINE: why" in one printable line of bounded length; a
// file taken gives values within their parameters' ranges.
#include <unistd.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "settings/request.h"
#include "settings/robotfile.h"
#include "settings/usertext.h"
#include "study/params.h"

namespace {

void require(bool promise) {
    if (!promise) std::abort();
}

// A folder of this process's own holding the file each input is written to,
// removed at the end.
struct Scratch {
    std::string folder, file;
    Scratch() {
        char name[] = "/tmp/robotfuzz.XXXXXX";
        require(mkdtemp(name) != nullptr);
        folder = name;
        file = folder + "/arm." SOTOC_FUZZ_EXTENSION;
    }
    ~Scratch() {
        unlink(file.c_str());
        rmdir(folder.c_str());
    }
};

void write(const std::string &path, const uint8_t *data, size_t size) {
    std::FILE *f = std::fopen(path.c_str(), "wb");
    require(f != nullptr);
    require(std::fwrite(data, 1, size, f) == size || size == 0);
    require(std::fclose(f) == 0);
}

// "PATH:LINE: why", printable and bounded.
void checkrefusal(const std::string &path, const Outcome &refusal) {
    const std::string &why = refusal.message;
    require(refusal.status == REFUSEDSTATUS);
    require(why.compare(0, path.size() + 1, path + ":") == 0);
    size_t at = path.size() + 1;
    while (at < why.size() && std::isdigit(static_cast<unsigned char>(why[at]))) ++at;
    require(at > path.size() + 1 && why.compare(at, 2, ": ") == 0);
    require(why.size() <= at + 2 + MESSAGEBYTES + 3);
    require(printable(why, why.size()) == why);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static Scratch scratch;
    static const bool set = (initialset(), true);
    (void)set;
    write(scratch.file, data, size);
    RobotFile file{};
    const Outcome read = readrobotfile(scratch.file, file);
    if (!read.ok()) {
        checkrefusal(scratch.file, read);
        return 0;
    }
    for (const auto &[k, v] : file.values) require(parameteraccepted(k, v));
    return 0;
}
