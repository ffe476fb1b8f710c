// Settings dialog in the console and the comparison run it ends with.
#pragma once

#include "app/comparison.h"

// The result lines of a comparison pass as the dialog prints them.
void printresultlines(const ComparisonResult &r);

// Asks for changed conditions (entry chosen by app.lastKey), designs with and without
// mass error, simulates the three motions and prints the results.
void settingsdialog();
