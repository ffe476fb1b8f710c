// Fuzz target: arbitrary bytes as the console's keys and number lines, through the
// start-up questions, the first settings dialog with its comparison, and then the
// dialogs that settings keys in the window start, one window key a byte (in process,
// no terminal, no window).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "console/console.h"
#include "console/dialog.h"
#include "study/params.h"
#include "records/records.h"

namespace {

// Dialogs started from the window per input, at most: one key each, and each runs a
// comparison pass (up to about 1.5 s under the sanitizers).
constexpr int MAXWINDOWDIALOGS = 4;
// Bytes of one input used, at most [bytes]. After a failed design the same dialog
// asks again: the slowest pass (a design with mass error that fails, about 1.5 s under
// the sanitizers) can follow every 4 bytes, and this keeps an input under a minute.
constexpr size_t MAXINPUT = 128;

// A key pressed in the window, taken as the window takes it: a settings key sets
// what it names and starts the dialog from an empty console input; any other key
// changes nothing a dialog reads. Whether a dialog ran.
bool windowkey(char key) {
    switch (key) {
        case ROBOTCYL:
        case ROBOTSCARA: app.type = key; break;
        case MOTIONVERTICAL:
        case MOTIONHORIZONTAL: app.sgnG = key; break;
        case 'u':
        case 'k':
        case 'm': break;
        default: return false;
    }
    app.lastKey = key;
    discardinput();
    settingsdialog();
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // The console's text goes nowhere; libFuzzer reports on the standard error.
    return std::freopen("/dev/null", "w", stdout) != nullptr ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    consolefeed(data, std::min(size, MAXINPUT));
    try {
        initialset();
        startupdialog();
        for (int dialogs = 0; dialogs < MAXWINDOWDIALOGS;)
            if (windowkey(readkey())) ++dialogs;
    } catch (const InputEnded &) {
        // The bytes ran out, or the user chose to end: the program would end here.
    }
    consolefeed(nullptr, 0);
    return 0;
}
