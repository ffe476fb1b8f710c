// Start-up questions and the settings dialog in the console, and the comparison run
// each dialog ends with.
#pragma once

#include "study/comparison.h"
#include <string>

// Languages of the result lines: the dialog's Japanese, or English for readers of it.
enum Language : char { JAPANESE, ENGLISH };

// The result lines of a comparison pass as the dialog prints them (in Japanese), or
// the same figures in English; each after a line end.
std::string resultlines(const ComparisonResult &r, Language language = JAPANESE);

// Asks for changed conditions (entry chosen by app.lastKey), designs with and without
// mass error, simulates the three motions and prints the results.
void settingsdialog();

// Start-up in the console, on the records as initialset leaves them: the title, both
// robots' provisional conditions, the robot and the motion asked, then the first dialog.
void startupdialog();
