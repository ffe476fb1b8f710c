// Names given twice in JSON text. The parser keeps the last member of an object of
// each name, so a reader that refuses a name given twice watches the names while
// the text is parsed, from the parser's callback. Read by the JSON robot files and
// the batch lines.
#pragma once

#include <nlohmann/json.hpp>

#include <set>
#include <string>
#include <vector>

// The member names of the objects open while a text is parsed, and the first name
// given twice in one object. Written by watchnames.
struct NameWatch {
    std::vector<std::set<std::string>> open;  // by depth of their members: the names of the object open there
    std::string twice;                        // the first name given twice in one object; "" for none
};

// Notes one event of the parser (its callback's arguments); always true: the
// parser keeps every value.
bool watchnames(NameWatch &w, int depth, nlohmann::ordered_json::parse_event_t event,
                const nlohmann::ordered_json &parsed);
