// A folder of its own under /tmp for the files of one test, removed with its files.
#pragma once

#include <string>

struct TempDir {
    std::string path;  // the folder, without a trailing slash
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    // Path of `name` inside the folder.
    std::string file(const std::string &name) const { return path + "/" + name; }
};
