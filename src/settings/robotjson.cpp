// The entries of a JSON robot file: one object of "NAME": VALUE members.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <map>

#include "settings/robotentries.h"
#include "settings/usertext.h"

namespace {

using json = nlohmann::ordered_json;

// What a JSON robot file is, said after a refusal of its form.
const char *const JSONFORM = "accepts one object of \"NAME\": VALUE members, e.g. {\"kind\": \"scara\", \"L2\": 0.5}";

// The line of byte `at` of `bytes`, counting from 1.
long lineat(const std::string &bytes, size_t at) {
    const auto end = bytes.begin() + static_cast<std::ptrdiff_t>(std::min(at, bytes.size()));
    return 1 + static_cast<long>(std::count(bytes.begin(), end, '\n'));
}

// The line of the `nth` (from 0) member named `name`: where "name" stands followed by
// a colon; line 1 when it cannot be found as written (a name with escapes).
long keyline(const std::string &bytes, const std::string &name, int nth) {
    const std::string quoted = "\"" + name + "\"";
    for (size_t at = bytes.find(quoted); at != std::string::npos; at = bytes.find(quoted, at + 1)) {
        size_t after = at + quoted.size();
        while (after < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[after]))) ++after;
        if (after < bytes.size() && bytes[after] == ':' && nth-- == 0) return lineat(bytes, at);
    }
    return 1;
}

// Member `value` named `name` as an entry at `line`.
FileEntry entryof(const std::string &name, const json &value, long line) {
    FileEntry e{name, line, FileEntry::OTHER, 0.0, "", ""};
    if (value.is_number()) {
        e.form = FileEntry::NUMBER;
        e.number = value.get<double>();
    } else if (value.is_string()) {
        e.form = FileEntry::TEXT;
        e.text = value.get<std::string>();
    }
    return e;
}

}  // namespace

Outcome jsonentries(const std::string &path, const std::string &bytes, FileEntries &entries) {
    // The names of the top object's members as the parser meets them: a name given
    // twice is refused (the parser alone would keep the last).
    std::map<std::string, int> seen;
    std::string twice;
    const json::parser_callback_t names = [&](int depth, json::parse_event_t event, json &parsed) {
        if (event == json::parse_event_t::key && depth == 1 && ++seen[parsed.get<std::string>()] == 2 && twice.empty())
            twice = parsed.get<std::string>();
        return true;
    };
    json j;
    try {
        j = json::parse(bytes, names);
    } catch (const json::parse_error &e) {
        std::string why = e.what();
        why = why.substr(why.find(": ") == std::string::npos ? 0 : why.find(": ") + 2);
        return refusedat(path, lineat(bytes, e.byte == 0 ? 0 : e.byte - 1), "not JSON: " + why + "; " + JSONFORM);
    }
    if (!j.is_object()) return refusedat(path, 1, std::string("not a JSON object; ") + JSONFORM);
    if (!twice.empty()) return refusedat(path, keyline(bytes, twice, 1), "'" + excerpt(twice) + "' given twice");
    for (const auto &[name, value] : j.items()) {
        addentry(entryof(name, value, keyline(bytes, name, 0)), entries);
    }
    return succeeded();
}
