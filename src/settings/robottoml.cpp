// The entries of a TOML robot file: NAME = VALUE lines.
#include <toml++/toml.h>

#include <cmath>

#include "settings/robotentries.h"

namespace {

// Node `value` named `name` as an entry.
FileEntry entryof(const std::string &name, const toml::node &value) {
    FileEntry e{name, static_cast<long>(value.source().begin.line), FileEntry::OTHER, 0.0, "", ""};
    if (value.is_number()) {
        e.form = FileEntry::NUMBER;
        e.number = value.value<double>().value_or(NAN);
    } else if (value.is_string()) {
        e.form = FileEntry::TEXT;
        e.text = *value.value<std::string>();
    }
    return e;
}

}  // namespace

Outcome tomlentries(const std::string &path, const std::string &bytes, FileEntries &entries) {
    toml::table t;
    try {
        t = toml::parse(bytes, path);
    } catch (const toml::parse_error &e) {
        return refusedat(path, static_cast<long>(e.source().begin.line),
                         "not TOML: " + std::string(e.description()) + "; accepts a robot file of NAME = VALUE lines");
    }
    for (const auto &[key, value] : t) {
        addentry(entryof(std::string(key.str()), value), entries);
    }
    return succeeded();
}
