// The graphics window: its callbacks, the key commands, playback and the drawing of
// one picture; also windows that only make pictures to be read back.
#pragma once

#include "records/records.h"

// The window title: the key summary, UTF-8.
extern const char WINDOWTITLE[];

// What a settings key runs: the console dialog with its comparison pass.
using SettingsDialog = void (*)();

// What the snapshot key hands the picture now shown to: the caller names the file,
// writes it and says where it went.
using SnapshotSaver = void (*)(const RgbImage &picture);

// Opens the 800 x 800 window (argc and argv go to GLUT) and runs the event loop;
// never returns. The settings keys run `dialog`, the snapshot key `saver`.
void openwindow(int *argc, char **argv, SettingsDialog dialog, SnapshotSaver saver);

// Everything openwindow does before the event loop: the window exists and is current.
void createwindow(int *argc, char **argv, SettingsDialog dialog, SnapshotSaver saver);

// Whether the X display GLUT would open for these arguments (their -display, else
// the DISPLAY variable) accepts a connection.
bool displayreachable(int argc, char **argv);

// New window size: the drawing is stretched over the whole window.
void reshape(int width, int height);

void beginframe();  // clears the picture
void endframe();    // shows it

// Key commands typed in the window, as WINDOWKEYS lists them; the mouse position is ignored.
void keyboard(unsigned char key, int x, int y);

// Turns the layout into that of the rendered picture (layout.rendered) for the
// logged runs of robot `type`: the base moved right, never left, as far as the
// figures of both runs with the error need at every row to lie whole within the
// window's left edge at app.scale.
void userenderedlayout(char type);

// Draws one complete picture of the robot app.type at app.frame and app.scale.
void display();

// Draws the same picture into the current window's back buffer without showing it
// and reads it back at the window's size.
void readpicture(RgbImage &picture);

// A window of w x h pixels that only makes pictures for readpicture; GLUT is
// initialised with argc and argv unless it already is. False when the window system
// gives the window another size (it is then closed again).
bool openpicturewindow(int *argc, char **argv, int w, int h);
// Destroys it and ends GLUT (closing the display connection) when openpicturewindow
// initialised it; otherwise lets the event loop run once to remove the window and
// makes the window that was current before current again.
void closepicturewindow();
