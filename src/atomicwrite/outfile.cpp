#include "atomicwrite/outfile.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "processes/interrupt.h"

namespace {

// Temporaries open at once: a sweep's results and its plot, with room to spare.
constexpr int MAXTEMPORARIES = 8;
// Bytes of the file's name kept in its temporary's: with the dot and the suffix
// the temporary's name stays within the 255 bytes a name may have.
constexpr size_t NAMEKEPT = 200;
const char TEMPSUFFIX[] = ".XXXXXX";
// Permissions of a new file before the umask, as other programs create files.
constexpr mode_t NEWFILEMODE = 0666;
// The permission bits of a mode (set-id and sticky bits with them) that a
// replaced file passes on to the one replacing it.
constexpr mode_t MODEBITS = 07777;
// Signals whose default action ends the program while a temporary is open.
const int DEADLYSIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

// A temporary to remove should the program end before it is renamed or removed.
// Read by the signal handler: written only with the deadly signals blocked.
struct Temporary {
    volatile sig_atomic_t used;  // the slot holds a temporary
    pid_t owner;                 // the process that made it: forked workers leave it alone
    char path[PATH_MAX];         // its path
};

Temporary temporaries[MAXTEMPORARIES];

void removetemporaries() {
    const pid_t self = getpid();
    for (Temporary &t : temporaries)
        if (t.used && t.owner == self) unlink(t.path);
}

void ondeadlysignal(int sig) {
    removetemporaries();
    signal(sig, SIG_DFL);
    raise(sig);  // delivered on return, with the default action: the program ends
}

// The deadly signals blocked until the returned mask is set again.
sigset_t blockdeadly() { return blocksignals(DEADLYSIGNALS, sizeof DEADLYSIGNALS / sizeof DEADLYSIGNALS[0]); }

// Removes the temporaries at exit and on the deadly signals that would end the
// program at once. A signal the program handles itself keeps its handler: the
// console's and the private X server's pass the signal on to the handler before
// them (this one, when it came first), a sweep's stop leaves the outputs to the run.
void guardtemporaries() {
    static bool atexitset = false;
    if (!atexitset) atexitset = std::atexit(removetemporaries) == 0;
    struct sigaction sa, current;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = ondeadlysignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : DEADLYSIGNALS)
        if (sigaction(sig, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO) &&
            current.sa_handler == SIG_DFL)
            sigaction(sig, &sa, nullptr);
}

void forget(const std::string &path) {
    for (Temporary &t : temporaries)
        if (t.used && t.owner == getpid() && path == t.path) t.used = 0;
}

bool failed(OutputFile &out, int error) {
    if (out.error == 0) out.error = error;
    return false;
}

// The folder of a path ("." for a bare name).
std::string folderof(const std::string &path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file the target names: a link followed to its end (a link to nothing fails).
bool finalpath(const std::string &target, std::string &final) {
    struct stat st;
    final = target;
    if (lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    char *resolved = realpath(target.c_str(), nullptr);
    if (resolved == nullptr) return false;
    final = resolved;
    std::free(resolved);
    return true;
}

// Makes the temporary beside out.final with the permissions the file will have.
bool opentemporary(OutputFile &out) {
    const std::string name = out.final.substr(out.final.rfind('/') + 1);
    std::string path = folderof(out.final) + "/." + name.substr(0, NAMEKEPT) + TEMPSUFFIX;
    struct stat st;
    const mode_t mask = umask(0);
    umask(mask);
    const mode_t mode = stat(out.final.c_str(), &st) == 0 ? st.st_mode & MODEBITS : NEWFILEMODE & ~mask;
    guardtemporaries();
    const sigset_t before = blockdeadly();
    Temporary *slot = nullptr;
    for (Temporary &t : temporaries)
        if (!t.used || t.owner != getpid()) slot = &t;
    if (slot != nullptr && path.size() < sizeof slot->path) {
        out.fd = mkostemp(&path[0], O_CLOEXEC);
        if (out.fd >= 0) {
            std::memcpy(slot->path, path.c_str(), path.size() + 1);
            slot->owner = getpid();
            slot->used = 1;
        }
    } else {
        errno = slot == nullptr ? EMFILE : ENAMETOOLONG;
    }
    const int error = errno;
    sigprocmask(SIG_SETMASK, &before, nullptr);
    if (out.fd < 0) return failed(out, error);
    out.path = path;
    out.temporary = true;
    if (fchmod(out.fd, mode) == 0) return true;
    failed(out, errno);
    abandonoutput(out);
    return false;
}

ssize_t streamwrite(void *cookie, const char *bytes, size_t n) {
    return writeoutput(*static_cast<OutputFile *>(cookie), bytes, n).ok() ? static_cast<ssize_t>(n) : -1;
}

int streamclose(void *cookie) {
    static_cast<OutputFile *>(cookie)->stream = nullptr;
    return 0;
}

// Closes the descriptor (and the stream on it, writing what it holds).
void closeoutput(OutputFile &out) {
    if (out.stream != nullptr) std::fclose(out.stream);
    if (out.fd >= 0 && close(out.fd) != 0) failed(out, errno);
    out.fd = -1;
}

// Flushes the folder of `path` to the disk, so that a rename in it lasts; false with
// errno set when the folder could not be flushed. A file system that cannot flush a
// folder (EINVAL) keeps its renames by itself.
bool syncfolder(const std::string &path) {
    const int fd = open(folderof(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = fsync(fd) == 0 || errno == EINVAL;
    const int error = errno;
    close(fd);
    errno = error;
    return synced;
}

// Renames the temporary over the file and flushes the folder when `keep` (a failure
// then kept in out.error), otherwise removes it.
void endtemporary(OutputFile &out, bool keep) {
    const sigset_t before = blockdeadly();
    if (keep && rename(out.path.c_str(), out.final.c_str()) != 0) keep = failed(out, errno);
    if (!keep) unlink(out.path.c_str());
    forget(out.path);
    sigprocmask(SIG_SETMASK, &before, nullptr);
    out.temporary = false;
    if (keep && !syncfolder(out.final)) failed(out, errno);
}

// Done, or failed with the failure kept in out.error said as outputproblem says it.
Outcome outcomeof(bool done, const OutputFile &out) { return done ? succeeded() : failure(outputproblem(out)); }

bool openoutput(const std::string &target, OutputFile &out) {
    out = OutputFile{target, "", "", -1, false, nullptr, 0};
    if (!finalpath(target, out.final)) return failed(out, errno);
    struct stat st;
    // A name too long, a folder that cannot be searched, a file as a folder: refused
    // now rather than when the temporary is renamed. A missing file is made.
    if (stat(out.final.c_str(), &st) != 0) return errno == ENOENT ? opentemporary(out) : failed(out, errno);
    if (S_ISREG(st.st_mode)) return opentemporary(out);
    if (S_ISDIR(st.st_mode)) return failed(out, EISDIR);
    // A device or a pipe: written in place, never replaced.
    out.path = out.final;
    out.fd = open(out.final.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    return out.fd >= 0 || failed(out, errno);
}

}  // namespace

Outcome beginoutput(const std::string &target, OutputFile &out) { return outcomeof(openoutput(target, out), out); }

Outcome writeoutput(OutputFile &out, const void *bytes, size_t n) {
    return outcomeof(out.error == 0 && (writewhole(out.fd, bytes, n) || failed(out, errno)), out);
}

std::FILE *outputstream(OutputFile &out) {
    if (out.stream == nullptr) out.stream = fopencookie(&out, "w", {nullptr, streamwrite, nullptr, streamclose});
    if (out.stream == nullptr) failed(out, errno);
    return out.stream;
}

Outcome commitoutput(OutputFile &out) {
    if (out.fd < 0) failed(out, EBADF);
    if (out.stream != nullptr) std::fclose(out.stream);
    if (out.temporary && out.error == 0 && fsync(out.fd) != 0) failed(out, errno);
    closeoutput(out);
    if (out.temporary) endtemporary(out, out.error == 0);
    return outcomeof(out.error == 0, out);
}

void abandonoutput(OutputFile &out) {
    closeoutput(out);
    if (out.temporary) endtemporary(out, false);
}

std::string outputproblem(const OutputFile &out) {
    return "cannot write " + out.target + ": " + std::strerror(out.error != 0 ? out.error : EIO);
}

bool samefile(const std::string &a, const std::string &b) {
    struct stat sa, sb;
    if (stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    std::error_code ea, eb;
    const std::filesystem::path ra = std::filesystem::weakly_canonical(a, ea), rb = std::filesystem::weakly_canonical(b, eb);
    return !ea && !eb && ra == rb;
}

bool isstandardoutput(const std::string &path) {
    struct stat out, named;
    return fstat(STDOUT_FILENO, &out) == 0 && S_ISREG(out.st_mode) && stat(path.c_str(), &named) == 0 &&
           out.st_dev == named.st_dev && out.st_ino == named.st_ino;
}
