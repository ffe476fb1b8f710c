#include "settings/robotfile.h"

#include <openssl/evp.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <memory>

#include "design/kinematics.h"
#include "settings/inputfile.h"
#include "settings/request.h"
#include "settings/robotentries.h"
#include "settings/usertext.h"
#include "study/comparison.h"
#include "study/params.h"

namespace {

// The key that names the robot kind.
const char *const KINDKEY = "kind";

std::string hexdigest(const unsigned char *md, unsigned int n) {
    std::string hex;
    char two[3];
    for (unsigned int k = 0; k < n; ++k) {
        std::snprintf(two, sizeof two, "%02x", md[k]);
        hex += two;
    }
    return hex;
}

// The SHA-256 digest of `bytes` in hexadecimal, "" when the library could not make it.
std::string sha256of(const std::string &bytes) {
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), md, &n, EVP_sha256(), nullptr) != 1) return "";
    return hexdigest(md, n);
}

// The bytes of the file, at most MAXROBOTFILEBYTES; "" or why they could not be read.
std::string readbytes(const std::string &path, std::string &bytes) {
    std::string why;
    const int fd = openregularfile(path, why);
    if (fd < 0) return why == NOTREGULAR ? why : "cannot be read";
    bytes.resize(MAXROBOTFILEBYTES + 1);
    size_t n = 0;
    ssize_t got = 1;
    while (n < bytes.size() && got > 0) {
        got = read(fd, &bytes[n], bytes.size() - n);
        if (got > 0) n += static_cast<size_t>(got);
        if (got < 0 && errno == EINTR) got = 1;
    }
    close(fd);
    if (got < 0) return "cannot be read";
    bytes.resize(n);
    if (bytes.size() > MAXROBOTFILEBYTES)
        return "longer than " + std::to_string(MAXROBOTFILEBYTES) + " bytes; accepts a short robot file";
    return "";
}

// The words of the robot kinds, as the robot setting has them.
std::string kindwords() { return std::string(robotword(ROBOTCYL)) + " or " + robotword(ROBOTSCARA); }

// The number of entry e for parameter k of robot `type`: a number, or a text
// "NUMBER UNIT" with the parameter's unit. "" or why not.
std::string numberof(const FileEntry &e, Parameter k, char type, double &v) {
    const std::string unit = parameterunit(k, type);
    if (e.form == FileEntry::NUMBER) {
        v = e.number;
        return "";
    }
    if (e.form != FileEntry::TEXT) return "not a number; accepts " + parameteraccepts(k, type);
    const size_t space = e.text.find(' ');
    const std::string given = space == std::string::npos ? "" : e.text.substr(space + 1);
    if (space == std::string::npos || !readnumber(e.text.substr(0, space), v))
        return "'" + excerpt(e.text) + "' refused; accepts " + parameteraccepts(k, type) + ", as a number or \"NUMBER " + unit +
               "\"";
    if (given != unit) return "unit '" + excerpt(given) + "' refused; accepts " + unit;
    return "";
}

// The robot kind the entries name; "" or why not.
std::string kindof(const FileEntry &kind, char &type) {
    if (kind.line == 0) return "kind missing; accepts kind = \"cylindrical\" or kind = \"scara\"";
    const std::string word = kind.form == FileEntry::TEXT ? kind.text : "";
    if (word == robotword(ROBOTCYL))
        type = ROBOTCYL;
    else if (word == robotword(ROBOTSCARA))
        type = ROBOTSCARA;
    else
        return "kind: '" + excerpt(word) + "' refused; accepts " + kindwords();
    return "";
}

// The model the entry names: rigid bodies or not; "" or why not.
std::string modelof(const FileEntry &model, bool &rigid) {
    const std::string word = model.form == FileEntry::TEXT ? model.text : "";
    rigid = model.line != 0 && word == RIGIDWORD;
    if (model.line == 0 || rigid || word == POINTSWORD) return "";
    return "model: '" + excerpt(word) + "' refused; accepts " + RIGIDWORD + " or " + POINTSWORD;
}

// The names a robot file of robot `type` in the model accepts.
std::string filenames(char type, bool rigid) {
    std::string names = std::string(KINDKEY) + ", model";
    for (int k = 0; k < PARAMETERS; ++k) {
        const Parameter p = static_cast<Parameter>(k);
        if (parameterrow(p).inFile && parameterin(p, type, rigid)) names += std::string(", ") + parameterrow(p).name;
    }
    return names;
}

// The line a refusal about the whole move names: the first of the points' or the
// lengths' lines the file gives, else line 1.
long moveline(const std::vector<FileEntry> &values) {
    for (const char *name : {"x0", "y0", "xf", "yf", "L1", "L2"})
        for (const FileEntry &e : values)
            if (e.name == name) return e.line;
    return 1;
}

// Why the SCARA cannot reach point `which` (x, y) of its move with the link lengths
// in the records, "" when it can.
std::string outofreach(const char *which, double x, double y) {
    if (scarareachable(x, y)) return "";
    char text[200];
    std::snprintf(text, sizeof text, "the %s point (%g, %g) m is out of the SCARA's reach; accepts points %g m to %g m from the base",
                  which, x, y, std::fabs(scara.L1 - scara.L2), scara.L1 + scara.L2);
    return text;
}

// Why the robot of the file cannot make its move, "" when it can: the SCARA reaches
// its start and end points with the file's link lengths, noted in the file.
std::string unreachable(RobotFile &file) {
    const std::unique_ptr<RecordsCopy> before = std::make_unique<RecordsCopy>();
    keeprecords(*before);
    installrobot(file);
    file.L1 = scara.L1;
    file.L2 = scara.L2;
    std::string why;
    if (file.type == ROBOTSCARA) why = outofreach("start", task.x0, task.y0);
    if (why.empty() && file.type == ROBOTSCARA) why = outofreach("end", task.xf, task.yf);
    putrecords(*before);
    return why;
}

// The values of the entries into `file`: "" or the refusal at its line.
Outcome valuesof(const std::string &path, const std::vector<FileEntry> &values, RobotFile &file) {
    for (const FileEntry &e : values) {
        double v = NAN;
        const Outcome taken = entryvalue(path, e, file.type, file.rigid, v);
        if (!taken.ok()) return taken;
        file.values.emplace_back(parameternamed(e.name), v);
    }
    return succeeded();
}

// The extension of the file's name in lower case, "" for none.
std::string extensionof(const std::string &path) {
    const size_t dot = path.find_last_of('.'), slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string extension = path.substr(dot + 1);
    for (char &c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

// The entries of the file's format, chosen by its extension: .urdf, .json, else TOML.
Outcome entriesof(const std::string &path, const std::string &bytes, FileEntries &entries) {
    const std::string extension = extensionof(path);
    if (extension == "urdf") return urdfentries(path, bytes, entries);
    if (extension == "json") return jsonentries(path, bytes, entries);
    return tomlentries(path, bytes, entries);
}

}  // namespace

std::string noticeat(const std::string &path, long line, const std::string &what) {
    return excerpt(path) + ":" + std::to_string(line) + ": " + printable(what, MESSAGEBYTES);
}

Outcome refusedat(const std::string &path, long line, const std::string &why) { return failure(noticeat(path, line, why), 2); }

void addentry(const FileEntry &e, FileEntries &entries) {
    if (e.name == entries.kind.name)
        entries.kind = e;
    else if (e.name == entries.model.name)
        entries.model = e;
    else
        entries.values.push_back(e);
}

Outcome entryvalue(const std::string &path, const FileEntry &e, char type, bool rigid, double &v) {
    const Parameter k = parameternamed(e.name);
    if (k == PARAMETERS || !parameterrow(k).inFile || !parameterin(k, type, rigid))
        return refusedat(path, e.line,
                         "'" + excerpt(e.name) + "' refused; a " + robotword(type) + (rigid ? " rigid-body" : "") +
                             " robot file accepts " + filenames(type, rigid));
    std::string why = numberof(e, k, type, v);
    if (why.empty() && !parameteraccepted(k, v)) why = numbertext(v) + " refused; accepts " + parameteraccepts(k, type);
    if (!why.empty()) return refusedat(path, e.line, e.name + e.from + ": " + why);
    return succeeded();
}

Outcome readrobotfile(const std::string &path, RobotFile &file) {
    std::string bytes;
    const std::string unread = readbytes(path, bytes);
    if (!unread.empty()) return refusedat(path, 1, unread);
    RobotFile read{path, sha256of(bytes), ROBOTCYL, false, {}, 0.0, 0.0, {}};
    if (read.sha256.empty()) return failure("the digest of " + excerpt(path) + " could not be made");
    FileEntries entries;
    const Outcome parsed = entriesof(path, bytes, entries);
    if (!parsed.ok()) return parsed;
    const std::string nokind = kindof(entries.kind, read.type);
    if (!nokind.empty()) return refusedat(path, std::max(entries.kind.line, 1L), nokind);
    const std::string nomodel = modelof(entries.model, read.rigid);
    if (!nomodel.empty()) return refusedat(path, entries.model.line, nomodel);
    const Outcome values = valuesof(path, entries.values, read);
    if (!values.ok()) return values;
    const std::string why = unreachable(read);
    if (!why.empty()) return refusedat(path, moveline(entries.values), why);
    read.notices = entries.notices;
    file = read;
    return succeeded();
}

bool robotreaches(const RobotFile &file, double x, double y) {
    if (file.values.empty()) return scarareachable(x, y);
    const double L1 = scara.L1, L2 = scara.L2;
    scara.L1 = file.L1;
    scara.L2 = file.L2;
    const bool reaches = scarareachable(x, y);
    scara.L1 = L1;
    scara.L2 = L2;
    return reaches;
}

void installrobot(const RobotFile &file) {
    initialset();
    if (file.values.empty() && !file.rigid) return;
    RobotParams &p = robotparams(file.type);
    p.rigid = file.rigid;
    bool kept[PARAMETERS] = {};
    for (const auto &[k, v] : file.values) {
        parameterrow(k).at(p) = v;
        kept[k] = true;
    }
    task.mw = task.mwNom;
    scara.m1 = scara.m1Nom;
    fixatstart(file.type, kept);
    settlestart();
}
