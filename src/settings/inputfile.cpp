#include "settings/inputfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

const char *const NOTREGULAR = "not a regular file";

int openregularfile(const std::string &path, std::string &why) {
    // Not blocking: opening a pipe waits for a writer, and a device may wait too.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return -1;
    }
    struct stat st;
    // Reading a regular file never waits, whatever the flag: it only matters to
    // pipes and devices, which are refused.
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) return fd;
    why = NOTREGULAR;
    close(fd);
    return -1;
}
