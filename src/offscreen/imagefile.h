// Folder offscreen/: the window drawn off screen into PNG/GIF files, on a private X server; uses records/, processes/, window/, study/, settings/, console/, atomicwrite/.
// Picture files: PNG through libpng, animated GIF through giflib, each written whole
// or not at all (atomicwrite/outfile.h): the file asked for changes only when the picture is
// complete. GIF frames keep their colours exactly: a colour table holds at most 256
// colours, and a frame whose changed pixels need more is refused.
#pragma once

#include "records/outcome.h"
#include "records/records.h"

// Most colours one GIF frame can hold: its colour table has 8-bit indices.
constexpr int GIFCOLOURS = 256;

// Each routine that can fail fails with "PATH could not be written: <reason>" when
// the file could not be created or written, and a GIF frame that needs more than
// GIFCOLOURS colours with "a frame has more than 256 colours, more than a GIF frame
// holds exactly; PATH not written" (nothing written for it).

// Writes the picture as an 8-bit RGB PNG.
Outcome writepng(const char *path, const RgbImage &picture);

// An animated GIF that loops forever, written one frame at a time; one at a time.
// gifbegin starts the file for frames of w x h pixels.
Outcome gifbegin(const char *path, int w, int h);
// Appends a frame of the animation's size, shown for `delay` hundredths of a second.
// The first frame's colours become the file's colour table. A later frame stores
// only the box of pixels that changed, the unchanged ones in it transparent (when
// its table has room for that entry), with its own table when the file's lacks one
// of its colours.
Outcome gifframe(const RgbImage &picture, int delay);
// Ends the file: the animation replaces the file asked for.
Outcome gifend();
// Ends the file without keeping it: the file asked for stays as it was.
void gifabandon();
