#include "tests/support/tempdir.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// Device numbers of /dev/full.
constexpr unsigned FULLMAJOR = 1;
constexpr unsigned FULLMINOR = 7;

}  // namespace

TempDir::TempDir() {
    char name[] = "/tmp/sotoc-test-XXXXXX";
    path = mkdtemp(name) ? name : "";
}

TempDir::~TempDir() {
    std::error_code e;
    if (!path.empty()) std::filesystem::remove_all(path, e);
}

std::vector<std::string> TempDir::names() const {
    std::vector<std::string> v;
    std::error_code e;
    for (const auto &entry : std::filesystem::directory_iterator(path, e)) v.push_back(entry.path().filename());
    std::sort(v.begin(), v.end());
    return v;
}

std::string TempDir::fulldevice(const std::string &name) const {
    const std::string node = file(name);
    return mknod(node.c_str(), S_IFCHR | 0666, makedev(FULLMAJOR, FULLMINOR)) == 0 ? node : "";
}

std::string TempDir::temporaryof(const std::string &name) const {
    const std::string prefix = "." + name + ".";
    for (const std::string &n : names())
        if (n.size() == prefix.size() + 6 && n.compare(0, prefix.size(), prefix) == 0) return file(n);
    return "";
}

std::string readfile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
