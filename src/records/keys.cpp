#include "records/keys.h"

#include <cctype>

namespace {

// One key's name: its own character, quoted in the guide, or its name, in capitals
// in the guide.
std::string keyname(const WindowKey &k, bool guide) {
    if (k.name == nullptr) return guide ? std::string{'\'', k.key, '\''} : std::string(1, k.key);
    std::string name = k.name;
    if (guide)
        for (char &c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

}  // namespace

KeyAction windowkeyaction(char key) {
    for (const WindowKey &k : WINDOWKEYS)
        if (k.key == key) return k.action;
    return KEYNONE;
}

bool startsdialog(KeyAction action) {
    return action == KEYROBOT || action == KEYMOTION || action == KEYRATIOS || action == KEYPOINTS ||
           action == KEYMASSERROR;
}

std::string windowkeynames(int i, bool guide) {
    std::string names = keyname(WINDOWKEYS[i], guide);
    for (int j = i + 1; j < WINDOWKEYCOUNT && WINDOWKEYS[j].help == nullptr; ++j)
        names += (guide ? " " : ", ") + keyname(WINDOWKEYS[j], guide);
    return names;
}
