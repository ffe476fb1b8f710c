#include "settings/jsonnames.h"

bool watchnames(NameWatch &w, int depth, nlohmann::ordered_json::parse_event_t event,
                const nlohmann::ordered_json &parsed) {
    using event_t = nlohmann::ordered_json::parse_event_t;
    // An object opened at depth d has its members at depth d + 1.
    const size_t members = static_cast<size_t>(depth) + 1;
    if (event == event_t::object_start) {
        if (w.open.size() <= members) w.open.resize(members + 1);
        w.open[members].clear();
    }
    const size_t at = static_cast<size_t>(depth);
    if (event == event_t::key && at < w.open.size() && !w.open[at].insert(parsed.get<std::string>()).second &&
        w.twice.empty())
        w.twice = parsed.get<std::string>();
    return true;
}
