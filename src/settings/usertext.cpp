#include "settings/usertext.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// "…": the ellipsis that ends shortened text.
const char *const ELLIPSIS = "\xE2\x80\xA6";

// Well-formed UTF-8 beyond ASCII, as the Unicode standard tables it: lead bytes
// leadLow..leadHigh start sequences of `length` bytes whose second byte lies in
// secondLow..secondHigh (ruling out over-long forms, surrogates and code points above
// U+10FFFF) and whose further bytes are continuation bytes.
struct Utf8Form {
    unsigned char leadLow, leadHigh;
    size_t length;
    unsigned char secondLow, secondHigh;
};
const Utf8Form UTF8FORMS[] = {
    {0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF}, {0xE1, 0xEC, 3, 0x80, 0xBF},
    {0xED, 0xED, 3, 0x80, 0x9F}, {0xEE, 0xEF, 3, 0x80, 0xBF}, {0xF0, 0xF0, 4, 0x90, 0xBF},
    {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F},
};
// Range of continuation bytes.
constexpr unsigned char CONTINUATIONLOW = 0x80, CONTINUATIONHIGH = 0xBF;
// ASCII below this is a control character, and so is DEL.
constexpr unsigned char FIRSTPRINTABLE = 0x20, DELETE = 0x7F;

bool within(unsigned char b, unsigned char low, unsigned char high) { return b >= low && b <= high; }

// Length of the well-formed sequence of a form at text[i]; 0 when it is not one.
size_t formlength(const std::string &text, size_t i, const Utf8Form &f) {
    if (i + f.length > text.size() || !within(static_cast<unsigned char>(text[i + 1]), f.secondLow, f.secondHigh))
        return 0;
    for (size_t k = 2; k < f.length; ++k)
        if (!within(static_cast<unsigned char>(text[i + k]), CONTINUATIONLOW, CONTINUATIONHIGH)) return 0;
    return f.length;
}

// Length of the well-formed UTF-8 sequence at text[i], a control character only when
// `controls`; 0 when none starts there.
size_t sequencelength(const std::string &text, size_t i, bool controls) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    if (lead < CONTINUATIONLOW) return controls || (lead >= FIRSTPRINTABLE && lead != DELETE) ? 1 : 0;
    for (const Utf8Form &f : UTF8FORMS)
        if (within(lead, f.leadLow, f.leadHigh)) return formlength(text, i, f);
    return 0;
}

// Takes an optional '+' before a number (from_chars takes only '-').
const char *numberstart(const std::string &text) {
    const char *p = text.data();
    return text.size() > 1 && p[0] == '+' && p[1] != '-' ? p + 1 : p;
}

// Reads a number of type T that fills `text` exactly.
template <class T>
bool readexactly(const std::string &text, T &v) {
    const char *end = text.data() + text.size();
    T got;
    const std::from_chars_result r = std::from_chars(numberstart(text), end, got);
    if (r.ec != std::errc() || r.ptr != end) return false;
    v = got;
    return true;
}

}  // namespace

bool readnumber(const std::string &text, double &v) {
    double got;
    if (!readexactly(text, got) || !std::isfinite(got)) return false;
    v = got;
    return true;
}

bool readnumber(const std::string &text, int &v) { return readexactly(text, v); }

std::vector<std::string> splitat(const std::string &text, char separator) {
    std::vector<std::string> parts;
    size_t from = 0;
    for (size_t at; (at = text.find(separator, from)) != std::string::npos; from = at + 1)
        parts.push_back(text.substr(from, at - from));
    parts.push_back(text.substr(from));
    return parts;
}

namespace {

// `text` with every byte that starts no sequence (sequencelength) written as \xHH,
// and with `controls` a backslash too; cut after about `most` bytes with an ellipsis.
std::string escaped(const std::string &text, size_t most, bool controls) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const size_t n = controls && text[i] == '\\' ? 0 : sequencelength(text, i, controls);
        char code[8];
        if (n == 0) std::snprintf(code, sizeof code, "\\x%02X", static_cast<unsigned char>(text[i]));
        const std::string piece = n > 0 ? text.substr(i, n) : std::string(code);
        if (out.size() + piece.size() > most) return out + ELLIPSIS;
        out += piece;
        i += n > 0 ? n : 1;
    }
    return out;
}

}  // namespace

std::string printable(const std::string &text, size_t most) { return escaped(text, most, false); }

std::string utf8text(const std::string &text) { return escaped(text, std::string::npos, true); }

std::string utf8bytes(const std::string &text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned value = 0;
        const char *hex = text.data() + i + 2;
        const bool code = text.compare(i, 2, "\\x") == 0 && i + 4 <= text.size() &&
                          std::from_chars(hex, hex + 2, value, 16).ptr == hex + 2;
        out += code ? static_cast<char>(value) : text[i];
        if (code) i += 3;
    }
    return out;
}

std::string excerpt(const std::string &text) { return printable(text, QUOTEBYTES); }
