// Settings dialog in the console and the comparison run it ends with.
#pragma once

// Asks for changed conditions (entry chosen by app.lastKey), designs with and without
// mass error, simulates the three motions and prints the results.
void settingsdialog();
