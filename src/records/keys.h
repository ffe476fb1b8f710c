// Folder records/: program-wide records, selection codes, window keys, view layout, the table of parameters; uses nothing.
// The window's keys in one table: what each does (the window's key handler, the
// dialog's first question) and how `sotoc --help` and the dialog's key guide
// describe it.
#pragma once

#include <iterator>
#include <string>

#include "records/records.h"

// What a key typed in the window does.
enum KeyAction {
    KEYNONE,       // nothing beyond being the last key
    KEYROBOT,      // selects the robot the key codes, then the dialog
    KEYMOTION,     // selects the motion the key codes, then the dialog and its run
    KEYRATIOS,     // the dialog from its reduction-ratio question
    KEYPOINTS,     // the dialog from its start and end point question
    KEYMASSERROR,  // the dialog from its mass-error question
    KEYSTEP,       // one sample on, stopping at the last row
    KEYREWIND,     // back to row 0
    KEYPLAY,       // plays at the real speed, or pauses
    KEYSNAPSHOT,   // saves the picture shown
    KEYZOOMOUT,    // shrinks the robot picture
    KEYZOOMIN,     // enlarges it
    KEYQUIT,       // ends the program
};

// Where --help writes a key's line: alone, or two short ones side by side.
enum HelpPlace { HELPLINE, HELPLEFT, HELPRIGHT };

// One key of the window. Keys described together follow each other, the first
// carrying the descriptions and the others none (help null).
struct WindowKey {
    char key;                  // byte the window receives
    KeyAction action;          // what it does
    const char *name;          // name of a key that does not show itself ("Esc"); null: the key
    const char *help;          // description in --help (English); null: described with the key before
    HelpPlace place;           // its place in --help
    const char *guideheading;  // line of the key guide before the key's own, or null
    const char *guidelabel;    // number in the key guide ("(6-1)"); null: the guide leaves it out
    const char *guide;         // description in the key guide (Japanese)
};

// The Esc key's byte.
constexpr char ESCAPEKEY = 27;

// In the order --help and the key guide list them.
inline constexpr WindowKey WINDOWKEYS[] = {
    {ROBOTCYL, KEYROBOT, nullptr,
     "choose the cylindrical-coordinate or SCARA robot (then the console dialog)", HELPLINE, nullptr, "(1)",
     "円筒座標・SCARAロボットの選択"},
    {ROBOTSCARA, KEYROBOT, nullptr, nullptr, HELPLINE, nullptr, nullptr, nullptr},
    {'u', KEYRATIOS, nullptr, "change the reduction ratios", HELPLEFT, nullptr, "(2)", "減速機の減速比変更"},
    {MOTIONVERTICAL, KEYMOTION, nullptr, "vertical or horizontal motion", HELPRIGHT, nullptr, "(3)",
     "重力有り(垂直運動）・なし(水平運動)の選択"},
    {MOTIONHORIZONTAL, KEYMOTION, nullptr, nullptr, HELPLINE, nullptr, nullptr, nullptr},
    {'k', KEYPOINTS, nullptr, "change the start and end points", HELPLEFT, nullptr, "(4)", "運動の始点・終点変更"},
    {'m', KEYMASSERROR, nullptr, "change the mass error", HELPRIGHT, nullptr, "(5)", "質量誤差の変更"},
    {'s', KEYSTEP, nullptr, "advance the animation one sample", HELPLEFT, "(6) 描画の選択", "(6-1)", "運動継続"},
    {'0', KEYREWIND, nullptr, "back to the start of the motion", HELPRIGHT, nullptr, "(6-2)", "運動初期に戻す"},
    {' ', KEYPLAY, "space", "play the motion at its real speed, or pause it (from the start at the end)", HELPLINE,
     nullptr, nullptr, nullptr},
    {'p', KEYSNAPSHOT, nullptr, "save the picture shown as sotoc-<robot>-<motion>-frame<NNN>.png here", HELPLINE,
     nullptr, nullptr, nullptr},
    {'w', KEYZOOMOUT, nullptr, "shrink or enlarge the robot picture", HELPLINE, nullptr, "(6-4)",
     "ロボット図の縮小拡大"},
    {'W', KEYZOOMIN, nullptr, nullptr, HELPLINE, nullptr, nullptr, nullptr},
    {ESCAPEKEY, KEYQUIT, "Esc", "quit", HELPLINE, nullptr, "(7)", "終了                                描画画面へ"},
};
constexpr int WINDOWKEYCOUNT = static_cast<int>(std::size(WINDOWKEYS));

// What `key` does in the window: KEYNONE for a key the table does not list.
KeyAction windowkeyaction(char key);

// Whether the action runs the console dialog (and its comparison).
bool startsdialog(KeyAction action);

// The keys WINDOWKEYS[i] describes (itself and the keys after it that have no
// description), named as --help names them ("a, b", "space") or, with `guide`, as
// the key guide does ("'a' 'b'", "ESC").
std::string windowkeynames(int i, bool guide);
