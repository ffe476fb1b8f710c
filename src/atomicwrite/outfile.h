// Folder atomicwrite/: files written whole (a temporary renamed over the target); uses records/, processes/.
// Files written whole or not at all. The bytes go to a temporary ".NAME.XXXXXX" in
// the folder of the file asked for, which is renamed over it only once complete; a
// failed or abandoned output, an exit and a deadly signal (SIGINT, SIGTERM, SIGHUP,
// SIGQUIT, SIGPIPE, where no handler of the program's own is in force) remove the
// temporary and leave the file as it was. A link is followed to the file it names.
// A target that is no regular file (a device, a pipe) is written in place and never
// removed.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "records/outcome.h"

// One file being written. Written by beginoutput and the writing routines; read by
// commitoutput and the messages.
struct OutputFile {
    std::string target;  // the file asked for, as given
    std::string final;   // the file it names, links followed: what the temporary replaces
    std::string path;    // where the bytes go: the temporary, or final itself when written in place
    int fd;              // open descriptor of path, -1 once ended
    bool temporary;      // path is a temporary made in this run
    std::FILE *stream;   // outputstream's stream while open, else null
    int error;           // errno of the first failure, 0 while none
};

// The routines that can fail keep the first failure's errno in out.error and fail
// with outputproblem's message.

// Opens the output for `target`; fails when it cannot be made (no such folder, not
// writable, a folder, a link to nothing, a name too long).
Outcome beginoutput(const std::string &target, OutputFile &out);

// Writes all n bytes; fails when they could not be, or an earlier write failed.
Outcome writeoutput(OutputFile &out, const void *bytes, size_t n);

// A buffered stream onto the output for libraries that write to a FILE*; its write
// failures are kept in out.error. The library may close it; commitoutput and
// abandonoutput close it otherwise.
std::FILE *outputstream(OutputFile &out);

// Ends the output: the temporary is flushed to the disk and renamed over the target
// (a new file gets the usual permissions, an existing one keeps its own), and the
// folder is flushed so the rename lasts. Fails, the temporary removed and the target
// untouched, when any write, the flush or the rename failed; fails too, the file
// replaced, when the folder could not be flushed.
Outcome commitoutput(OutputFile &out);

// Ends the output without keeping it: the temporary is removed, the target untouched.
void abandonoutput(OutputFile &out);

// "cannot write TARGET: <reason>" for the failure kept in out.error.
std::string outputproblem(const OutputFile &out);

// Whether two paths name the same file: the same existing file (links followed, hard
// links too), or the same path once the folders and links in it are resolved.
bool samefile(const std::string &a, const std::string &b);

// Whether `path` names the regular file standard output is written to (links and
// hard links followed).
bool isstandardoutput(const std::string &path);
