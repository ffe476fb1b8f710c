// The input of a batch: JSON Lines cut into lines as the bytes arrive, and each
// line read into a comparison request or refused with the answer it gets. Pure
// functions: they print nothing, start no process and never exit.
#pragma once

#include <cstddef>
#include <string>

#include "records/outcome.h"
#include "settings/request.h"

// Bytes of the input not yet taken as lines. Written by feedinput and takeline;
// read by the batch loop.
struct LineReader {
    std::string bytes;  // bytes read; those before `taken` are handed out already
    size_t taken;       // bytes at the front handed out as lines
    size_t searched;    // bytes[taken..searched) hold no line end
    bool ended;         // the end of the input was read
    int number;         // number of the last line taken (the first is 1), blank ones counted
};

// Adds n bytes read from the input.
void feedinput(LineReader &r, const char *data, size_t n);

// Takes the next whole line, without its line end; once the input has ended also
// the last line when it has none. False while no line is complete. Each byte is
// looked at once, so reading is linear in the length of the input.
bool takeline(LineReader &r, std::string &line);

// Brackets a line may nest: a request needs two (the object and its arrays). A
// deeper value is refused while it is read, so no refusal quotes a deep value.
constexpr int MAXNESTING = 4;

// The refusal of `text` (a line, or an object as a front end shows it) for
// nesting deeper than MAXNESTING.
std::string nestingrefusal(const std::string &text);

// Whether a line holds only white space: skipped, with no answer.
bool blankline(const std::string &line);

// Reads one line that is not blank: one JSON object with the fields of
// requestfromobject, nothing after it, nested at most a few levels, into r. Refuses
// a line that cannot run, saying why; it is answered with errorline.
Outcome readbatchline(const std::string &line, CompareRequest &r);

// The answer to line `number` that did not run: {"line":N,"error":"why"}, without a
// line end, with `why` printable and at most MESSAGEBYTES long (settings/usertext.h).
std::string errorline(int number, const std::string &why);
