// The entries of a robot file as its reader finds them, whatever its format (TOML,
// JSON, URDF): each reader turns its file into entries, and one checker turns the
// entries into the robot file's values. Read by robotfile.cpp and the readers.
#pragma once

#include <string>
#include <vector>

#include "records/outcome.h"

// One name = value of a robot file.
struct FileEntry {
    enum Form { NUMBER, TEXT, OTHER };
    std::string name;   // as the file names it
    long line;          // the file's line that gives it (1 for the whole file)
    Form form;          // a number, a text ("NUMBER UNIT"), or anything else
    double number;      // its value, for a NUMBER [the parameter's unit]
    std::string text;   // its text, for a TEXT
    std::string from;   // where a reader worked it out from, said after its name; "" for a value written
};

// A robot file's entries: its kind (a TEXT entry named "kind"; line 0 for none), its
// model (named "model"; line 0 for none: the point masses) and its values, in the
// file's order, and what it gives that the model ignores (noticeat's texts).
struct FileEntries {
    FileEntry kind{"kind", 0, FileEntry::OTHER, 0.0, "", ""};
    FileEntry model{"model", 0, FileEntry::OTHER, 0.0, "", ""};
    std::vector<FileEntry> values;
    std::vector<std::string> notices;
};

// The model's word for an arm of rigid bodies, and for the built-in point masses.
constexpr const char *RIGIDWORD = "rigid";
constexpr const char *POINTSWORD = "points";

// Entry e into `entries`: the kind, the model, or a value.
void addentry(const FileEntry &e, FileEntries &entries);

// "PATH:LINE: why", refused with the status of a refused setting; `why` printable
// and bounded as a message that repeats typed text (a parser's words quote the file).
Outcome refusedat(const std::string &path, long line, const std::string &why);

// "PATH:LINE: what", made as refusedat's text: a notice of what the file gives that
// the model ignores.
std::string noticeat(const std::string &path, long line, const std::string &what);

// The value of entry e for the parameter it names of robot `type` (ROBOTCYL or
// ROBOTSCARA) in the rigid-body model or the point masses, in its unit and range; fails with the refusal at its line, naming
// what the file of that robot accepts.
Outcome entryvalue(const std::string &path, const FileEntry &e, char type, bool rigid, double &v);

// The entries of each format read from the file's bytes. Fail as readrobotfile does.
Outcome tomlentries(const std::string &path, const std::string &bytes, FileEntries &entries);
Outcome jsonentries(const std::string &path, const std::string &bytes, FileEntries &entries);
Outcome urdfentries(const std::string &path, const std::string &bytes, FileEntries &entries);
