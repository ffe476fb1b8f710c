#include "jobs/batchinput.h"
#include "formats/resultjson.h"

#include <nlohmann/json.hpp>

#include "settings/jsonnames.h"
#include "settings/usertext.h"

namespace {

using json = nlohmann::ordered_json;

// Thrown by the parser at a value nested deeper than MAXNESTING.
struct TooDeep {};

// The parser's callback: refuses the start of an object or array nested too deep.
bool nestingguard(int depth, json::parse_event_t event, json &) {
    const bool opens = event == json::parse_event_t::object_start || event == json::parse_event_t::array_start;
    if (opens && depth >= MAXNESTING) throw TooDeep{};
    return true;
}

// What a line accepts, at the end of its refusals.
const char *const ONEOBJECT = "; accepts one JSON object per line";

// The message of a JSON exception without its "[json.exception.KIND.N] " prefix.
std::string exceptiontext(const json::exception &e) {
    const std::string what = e.what();
    const size_t cut = what.find("] ");
    return cut == std::string::npos ? what : what.substr(cut + 2);
}

}  // namespace

void feedinput(LineReader &r, const char *data, size_t n) {
    // Bytes handed out are dropped once they outnumber those kept: each byte moves
    // at most once more on average.
    if (r.taken > 0 && r.taken >= r.bytes.size() - r.taken) {
        r.bytes.erase(0, r.taken);
        r.searched -= r.taken;
        r.taken = 0;
    }
    r.bytes.append(data, n);
}

bool takeline(LineReader &r, std::string &line) {
    const size_t end = r.bytes.find('\n', r.searched);
    if (end == std::string::npos) {
        r.searched = r.bytes.size();
        if (!r.ended || r.taken == r.bytes.size()) return false;
    }
    const size_t stop = end == std::string::npos ? r.bytes.size() : end;
    line.assign(r.bytes, r.taken, stop - r.taken);
    r.taken = end == std::string::npos ? stop : stop + 1;
    r.searched = r.taken;
    ++r.number;
    return true;
}

std::string nestingrefusal(const std::string &text) {
    return "'" + excerpt(text) + "' refused: nested more than " + std::to_string(MAXNESTING) + " levels deep" +
           ONEOBJECT;
}

bool blankline(const std::string &line) { return line.find_first_not_of(" \t\r") == std::string::npos; }

Outcome readbatchline(const std::string &line, CompareRequest &r) {
    const size_t zero = line.find('\0');
    if (zero != std::string::npos)
        return refused("a zero byte at column " + std::to_string(zero + 1) + " refused" + ONEOBJECT);
    NameWatch names;
    json j;
    try {
        j = json::parse(line, [&names](int depth, json::parse_event_t event, json &parsed) {
            return nestingguard(depth, event, parsed) && watchnames(names, depth, event, parsed);
        });
    } catch (const TooDeep &) {
        return refused(nestingrefusal(line));
    } catch (const json::parse_error &e) {
        return refused("not JSON: " + exceptiontext(e));
    } catch (const json::exception &e) {
        return refused("out of range: " + exceptiontext(e));
    }
    if (!j.is_object()) return refused("'" + excerpt(j.dump()) + "' refused" + ONEOBJECT);
    if (!names.twice.empty()) return refused("'" + excerpt(names.twice) + "' given twice; accepts each name once");
    return requestfromobject(j, r);
}

std::string errorline(int number, const std::string &why) {
    return json{{"line", number}, {"error", printable(why, MESSAGEBYTES)}}.dump();
}
