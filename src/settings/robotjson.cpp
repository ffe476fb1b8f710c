// The entries of a JSON robot file: one object of "NAME": VALUE members.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>

#include "settings/jsonnames.h"
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

// The refusal of a number the parser cannot hold (1e400), at the line of the text
// it quotes: the parser says no place.
Outcome outofrange(const std::string &path, const std::string &bytes, const json::exception &e) {
    std::string why = e.what();
    why = why.substr(why.find("] ") == std::string::npos ? 0 : why.find("] ") + 2);
    const size_t close = why.rfind('\''), open = close == std::string::npos ? close : why.rfind('\'', close - 1);
    const size_t at = open == std::string::npos ? 0 : bytes.find(why.substr(open + 1, close - open - 1));
    return refusedat(path, lineat(bytes, at == std::string::npos ? 0 : at),
                     excerpt(why) + " refused; accepts numbers within the range of a double");
}

}  // namespace

Outcome jsonentries(const std::string &path, const std::string &bytes, FileEntries &entries) {
    NameWatch names;
    json j;
    try {
        j = json::parse(bytes, [&names](int depth, json::parse_event_t event, json &parsed) {
            return watchnames(names, depth, event, parsed);
        });
    } catch (const json::parse_error &e) {
        std::string why = e.what();
        why = why.substr(why.find(": ") == std::string::npos ? 0 : why.find(": ") + 2);
        return refusedat(path, lineat(bytes, e.byte == 0 ? 0 : e.byte - 1), "not JSON: " + why + "; " + JSONFORM);
    } catch (const json::exception &e) {
        return outofrange(path, bytes, e);
    }
    if (!j.is_object()) return refusedat(path, 1, std::string("not a JSON object; ") + JSONFORM);
    if (!names.twice.empty())
        return refusedat(path, keyline(bytes, names.twice, 1), "'" + excerpt(names.twice) + "' given twice");
    for (const auto &[name, value] : j.items()) {
        addentry(entryof(name, value, keyline(bytes, name, 0)), entries);
    }
    return succeeded();
}
