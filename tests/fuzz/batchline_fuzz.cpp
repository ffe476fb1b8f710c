// Fuzz target: arbitrary bytes as one line of sotoc batch, read as the batch reads a
// line (no comparison runs). Checks what the reader promises beside not crashing: a
// refusal has the status of one and its error line is JSON with a printable, bounded
// reason; a request taken reads back the same from the settings its result names.
#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "formats/resultjson.h"
#include "jobs/batchinput.h"
#include "settings/usertext.h"
#include "study/params.h"

namespace {

using json = nlohmann::ordered_json;

void require(bool promise) {
    if (!promise) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const bool set = (initialset(), true);
    (void)set;
    const std::string line(reinterpret_cast<const char *>(data), size);
    if (blankline(line)) return 0;
    CompareRequest r;
    const Outcome read = readbatchline(line, r);
    if (!read.ok()) {
        require(read.status == REFUSEDSTATUS);
        const json answer = json::parse(errorline(1, read.message));
        const std::string error = answer["error"].get<std::string>();
        require(error.size() <= MESSAGEBYTES + 3 && printable(error, error.size()) == error);
        return 0;
    }
    const json settings = settingsjson(r);
    CompareRequest again;
    require(requestfromobject(settings, again).ok());
    require(settingsjson(again) == settings);
    return 0;
}
