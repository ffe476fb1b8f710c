// Robot files: an arm of the user's own, a TOML file that names the robot kind and
// any primary value of the robot and the task by the names of the parameter table
// (records/parameters.h), read strictly, with the SHA-256 digest of its bytes; and
// the records set up with it. Prints nothing.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "records/outcome.h"
#include "records/parameters.h"

// A robot file as read. Written by readrobotfile; read by installrobot and the
// result JSON.
struct RobotFile {
    std::string path;    // as given; "" for none: the built-in robots
    std::string sha256;  // digest of its bytes, 64 lower-case hexadecimal digits
    char type;           // the robot it describes: ROBOTCYL or ROBOTSCARA
    bool rigid;          // the arm as rigid bodies (model = "rigid", every URDF), else the point masses
    std::vector<std::pair<Parameter, double>> values;  // the values it gives, in its order [their units]
    double L1, L2;       // the SCARA's link lengths with it, the built-in ones where it gives none [m]
    std::vector<std::string> notices;  // what it gives that the model ignores, each "PATH:LINE: what", in its order
};

// Bytes a robot file may have at most: a few dozen short lines are enough, and a
// huge file is refused instead of read whole.
constexpr size_t MAXROBOTFILEBYTES = 65536;

// Reads robot file `path`, a regular file (a pipe or a device is refused unread):
// a kind = "cylindrical" or "scara", and values of the parameters a robot file may
// give (ParameterRow::inFile) for that robot, each a number in the parameter's unit
// or a text "NUMBER UNIT" naming that unit, within the parameter's range; the move
// from the file's start to its end point must be one the robot reaches. Fails with
// status 2 and "PATH:LINE: why" (line 1 for what concerns the whole file), file
// unchanged then.
Outcome readrobotfile(const std::string &path, RobotFile &file);

// Whether the SCARA of a file reaches (x, y) with the file's link lengths; the
// records' robot when the file gives no values (none given: path "").
bool robotreaches(const RobotFile &file, double x, double y);

// Puts the records as initialset leaves them, then, for a file of values, its values in
// place of the start values: those fixed at start that it does not give are
// computed from its values (fixatstart), and everything is derived again.
void installrobot(const RobotFile &file);
