// The graphics window: its callbacks, the key commands and the drawing of one picture.
#pragma once

// The window title: the key summary, UTF-8.
extern const char WINDOWTITLE[];

// What a settings key runs: the console dialog with its comparison pass.
using SettingsDialog = void (*)();

// Opens the 800 x 800 window (argc and argv go to GLUT) and runs the event loop;
// never returns. The settings keys run `dialog`.
void openwindow(int *argc, char **argv, SettingsDialog dialog);

// Everything openwindow does before the event loop: the window exists and is current.
void createwindow(int *argc, char **argv, SettingsDialog dialog);

// New window size: the drawing is stretched over the whole window.
void reshape(int width, int height);

void beginframe();  // clears the picture
void endframe();    // shows it

// Key commands typed in the window; the mouse position is ignored.
void keyboard(unsigned char key, int x, int y);

// Draws one complete picture of the robot app.type at app.frame and app.scale.
void display();
