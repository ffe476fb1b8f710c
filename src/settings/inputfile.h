// Folder settings/: the settings a user gives by name (their table, a comparison request, robot files, typed text read strictly); prints nothing; uses records/, simulation/, design/, study/.
// Files a user names for the program to read (robot files, result files): opened
// without waiting and taken only when regular, so that a pipe without a writer, a
// terminal or a device never holds the program or takes bytes meant for another
// reader (a batch's own standard input named as /dev/stdin).
#pragma once

#include <string>

// Why a file that is no regular file is refused, as the refusals say it.
extern const char *const NOTREGULAR;

// Opens `path` for reading when it is a regular file: its descriptor (closed on
// exec), or -1 with `why` (NOTREGULAR or the system's reason).
int openregularfile(const std::string &path, std::string &why);
