// A folder of its own under /tmp for the files of one test, removed with its files,
// and the text of a file.
#pragma once

#include <string>
#include <vector>

struct TempDir {
    std::string path;  // the folder, without a trailing slash
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    // Path of `name` inside the folder.
    std::string file(const std::string &name) const { return path + "/" + name; }
    // Names in the folder, hidden ones too, sorted.
    std::vector<std::string> names() const;
    // Path of the temporary a program writes for file `name` of the folder
    // (".name.XXXXXX"), or "" while there is none.
    std::string temporaryof(const std::string &name) const;
    // A full disk as a file `name` in the folder: a character device with the numbers
    // of /dev/full (writes fail with ENOSPC). Needs root; returns its path, or "".
    std::string fulldevice(const std::string &name) const;
};

// The text of a file, empty when it cannot be read.
std::string readfile(const std::string &path);
