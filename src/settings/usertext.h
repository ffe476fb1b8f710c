// Text as users type it: numbers read strictly, and typed text quoted in messages
// (escaped, bounded). Pure functions: they print nothing and never exit.
#pragma once

#include <string>
#include <vector>

// Reads a decimal number that fills `text` exactly: an optional sign, digits with an
// optional fraction and exponent. Refuses spaces, hexadecimal, inf, nan, an empty
// text and numbers beyond the range of a double (overflow or underflow).
bool readnumber(const std::string &text, double &v);

// The same for a whole decimal number within the range of int.
bool readnumber(const std::string &text, int &v);

// The parts of `text` between the separators, empty ones included ("a,,b": three).
std::vector<std::string> splitat(const std::string &text, char separator);

// `text` made fit for a message: every byte that is not part of well-formed UTF-8,
// and every control character, written as \xHH; cut after about `most` bytes with
// an ellipsis. Valid UTF-8 of at most most + 3 bytes.
std::string printable(const std::string &text, size_t most);

// `text` made fit for UTF-8 output (JSON, picture metadata, Python's str): every byte
// that is not part of well-formed UTF-8, and every backslash, written as the four
// characters \xHH (a file name's byte 0xFF as \xFF, a backslash as \x5C), the rest
// as it is, control characters included. utf8bytes gives the text back.
std::string utf8text(const std::string &text);

// The bytes of a text of utf8text: each \xHH (two hexadecimal digits) as byte HH.
std::string utf8bytes(const std::string &text);

// Bytes of typed text a message repeats at most: enough to recognise a value.
constexpr size_t QUOTEBYTES = 80;

// Bytes of a message that repeats typed text at most: room for what went wrong, a
// quoted value and what is accepted, however long the text was.
constexpr size_t MESSAGEBYTES = 400;

// `text` quoted in a refusal: printable, shortened to QUOTEBYTES.
std::string excerpt(const std::string &text);
