// Files written whole or not at all: the temporary beside the file, what replaces
// what, what is refused, and the temporary gone on every way out but SIGKILL.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "processes/interrupt.h"
#include "atomicwrite/outfile.h"
#include "tests/support/pty.h"
#include "tests/support/run.h"
#include "tests/support/tempdir.h"

namespace {

std::string textof(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

mode_t modeof(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

bool put(OutputFile &out, const std::string &text) { return writeoutput(out, text.data(), text.size()).ok(); }

// Runs body in a forked child; returns its wait status.
int inchild(const std::function<int()> &body) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

// While the output is open the file keeps its old text and the new one sits in a
// hidden temporary with the file's permissions; committed, it replaces the file.
TEST(OutFile, CommitReplacesAbandonKeeps) {
    TempDir dir;
    const std::string file = dir.file("r.csv");
    std::ofstream(file) << "old";
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    OutputFile out;
    ASSERT_TRUE(beginoutput(file, out).ok());
    ASSERT_TRUE(put(out, "new"));
    EXPECT_EQ(textof(file), "old");
    const std::string temporary = dir.temporaryof("r.csv");
    ASSERT_NE(temporary, "");
    EXPECT_EQ(textof(temporary), "new");
    EXPECT_EQ(modeof(temporary) & 07777, 0640u);
    ASSERT_TRUE(commitoutput(out).ok());
    EXPECT_EQ(textof(file), "new");
    EXPECT_EQ(modeof(file) & 07777, 0640u);

    ASSERT_TRUE(beginoutput(file, out).ok());
    put(out, "unwanted");
    abandonoutput(out);
    EXPECT_EQ(textof(file), "new");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"r.csv"});

    const mode_t mask = umask(022);
    ASSERT_TRUE(beginoutput(dir.file("fresh"), out).ok());
    ASSERT_TRUE(commitoutput(out).ok());
    umask(mask);
    EXPECT_EQ(modeof(dir.file("fresh")) & 07777, 0644u);
    EXPECT_EQ(textof(dir.file("fresh")), "");
}

// Refused before anything is written: no folder, a folder, a link to nothing.
// Taken: a link (followed, it stays a link) and a device (written in place and
// never removed; a full disk fails the write).
TEST(OutFile, WhatCannotBeMadeRefusedLinksAndDevicesTaken) {
    TempDir dir;
    const struct {
        std::string target;
        int error;
    } refused[] = {{dir.file("missing/r.csv"), ENOENT}, {dir.path, EISDIR}, {dir.file("dangling"), ENOENT}};
    ASSERT_EQ(symlink("nowhere", dir.file("dangling").c_str()), 0);
    for (const auto &r : refused) {
        OutputFile out;
        EXPECT_FALSE(beginoutput(r.target, out).ok()) << r.target;
        EXPECT_EQ(out.error, r.error) << r.target;
        EXPECT_EQ(out.fd, -1);
    }
    EXPECT_EQ(dir.names(), std::vector<std::string>{"dangling"});

    std::ofstream(dir.file("real.csv")) << "old";
    ASSERT_EQ(symlink("real.csv", dir.file("link.csv").c_str()), 0);
    OutputFile out;
    ASSERT_TRUE(beginoutput(dir.file("link.csv"), out).ok());
    put(out, "new");
    ASSERT_TRUE(commitoutput(out).ok());
    EXPECT_EQ(textof(dir.file("real.csv")), "new");
    struct stat st;
    ASSERT_EQ(lstat(dir.file("link.csv").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));

    const std::string full = dir.fulldevice("full");
    ASSERT_NE(full, "") << "mknod needs root";
    ASSERT_TRUE(beginoutput(full, out).ok());
    EXPECT_FALSE(put(out, "lost"));
    EXPECT_FALSE(commitoutput(out).ok());
    EXPECT_EQ(outputproblem(out), "cannot write " + full + ": No space left on device");
    EXPECT_TRUE(S_ISCHR(modeof(full)));
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"dangling", "full", "link.csv", "real.csv"}));
}

// A library writing to the stream, and closing it itself as PLplot does: its
// failures reach commitoutput.
TEST(OutFile, StreamWritesReachTheOutput) {
    TempDir dir;
    const std::string full = dir.fulldevice("full.svg");
    ASSERT_NE(full, "") << "mknod needs root";
    for (const std::string &target : {dir.file("p.svg"), full}) {
        OutputFile out;
        ASSERT_TRUE(beginoutput(target, out).ok());
        std::FILE *f = outputstream(out);
        ASSERT_NE(f, nullptr);
        std::fputs("<svg/>", f);
        std::fclose(f);
        EXPECT_EQ(commitoutput(out).ok(), target != full) << target;
    }
    EXPECT_EQ(textof(dir.file("p.svg")), "<svg/>");
    OutputFile out;
    ASSERT_TRUE(beginoutput(dir.file("q.svg"), out).ok());
    std::fputs("<svg/>", outputstream(out));
    ASSERT_TRUE(commitoutput(out).ok());  // closes the stream the library left open
    EXPECT_EQ(textof(dir.file("q.svg")), "<svg/>");
}

TEST(OutFile, SameFileThroughSpellingsAndLinks) {
    TempDir dir;
    const std::string a = dir.file("a"), b = dir.file("b");
    std::ofstream(a) << "a";
    std::ofstream(b) << "b";
    ASSERT_EQ(link(a.c_str(), dir.file("hard").c_str()), 0);
    ASSERT_EQ(symlink("a", dir.file("soft").c_str()), 0);
    const std::string folder = dir.path.substr(dir.path.rfind('/') + 1);
    EXPECT_TRUE(samefile(a, dir.path + "/./../" + folder + "/a"));
    EXPECT_TRUE(samefile(a, dir.file("hard")));
    EXPECT_TRUE(samefile(dir.file("soft"), a));
    EXPECT_TRUE(samefile(dir.file("new"), dir.path + "//new"));
    EXPECT_FALSE(samefile(a, b));
    EXPECT_FALSE(samefile(dir.file("new"), dir.file("new2")));
    EXPECT_FALSE(samefile(a, dir.file("new")));
}

// An exit and the deadly signals remove the temporary and leave the file; a stop
// signal the run catches itself leaves the decision to the run, and a forked
// worker's exit leaves its parent's temporary alone.
TEST(OutFile, TemporaryGoneOnExitAndSignalsUnlessTheRunDecides) {
    TempDir dir;
    const std::string file = dir.file("r.jsonl");
    std::ofstream(file) << "old";
    int status = inchild([&] {
        OutputFile out;
        if (!beginoutput(file, out).ok() || !put(out, "partial")) return 2;
        std::exit(0);
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(dir.names(), std::vector<std::string>{"r.jsonl"});
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        status = inchild([&] {
            OutputFile out;
            if (!beginoutput(file, out).ok() || !put(out, "partial")) return 2;
            raise(sig);
            return 3;
        });
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig << " " << status;
        EXPECT_EQ(dir.names(), std::vector<std::string>{"r.jsonl"}) << sig;
    }
    EXPECT_EQ(textof(file), "old");

    status = inchild([&] {
        catchstopsignals();
        OutputFile out;
        if (!beginoutput(file, out).ok() || !put(out, "whole lines\n")) return 2;
        raise(SIGTERM);
        const int worker = inchild([]() -> int { std::exit(0); });
        if (stoprequested() != SIGTERM || !WIFEXITED(worker)) return 3;
        return commitoutput(out).ok() ? 0 : 4;
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(textof(file), "whole lines\n");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"r.jsonl"});
}

// A name longer than a folder holds (255 bytes) is refused when the output begins,
// before anything is written, not when the temporary is renamed; 255 bytes are taken.
TEST(OutFile, NameTooLongRefusedAtTheBeginning) {
    TempDir dir;
    OutputFile out;
    EXPECT_FALSE(beginoutput(dir.file(std::string(256, 'n')), out).ok());
    EXPECT_EQ(out.error, ENAMETOOLONG);
    EXPECT_EQ(out.fd, -1);
    EXPECT_EQ(dir.names(), std::vector<std::string>{});
    ASSERT_TRUE(beginoutput(dir.file(std::string(255, 'n')), out).ok());
    ASSERT_TRUE(put(out, "whole"));
    ASSERT_TRUE(commitoutput(out).ok());
    EXPECT_EQ(textof(dir.file(std::string(255, 'n'))), "whole");
    EXPECT_EQ(dir.names(), std::vector<std::string>{std::string(255, 'n')});
}

// The lines "fsync PATH" and "rename FROM TO" the shim noted, in order.
std::vector<std::string> loglines(const std::string &path) {
    std::istringstream in(readfile(path));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The index of the first line from `from` on that starts with `start`, or lines.size().
size_t firstline(const std::vector<std::string> &lines, size_t from, const std::string &start) {
    while (from < lines.size() && lines[from].rfind(start, 0) != 0) ++from;
    return from;
}

// As the program writes its files, watched through the calls it makes: each
// temporary is flushed to the disk before it is renamed over its file, and the
// folder is flushed after the rename, so a crash leaves the old file or the new one
// whole. (A figure and the three logs of one comparison.)
TEST(OutFile, FlushedBeforeTheRenameFolderFlushedAfter) {
    TempDir dir;
    const std::string log = dir.file("calls.log"), runs = dir.file("runs");
    const RunOutcome r = runprogram({"/usr/bin/env", "LD_PRELOAD=" SYNCSHIM, "SYNCSHIM_LOG=" + log,
                                     "ASAN_OPTIONS=verify_asan_link_order=0", sotocbinary(), "compare", "--robot",
                                     "scara", "--motion", "vertical", "--plot", dir.file("f.svg"), "--log", runs});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = loglines(log);
    const struct {
        std::string folder, name;
    } files[] = {{dir.path, "f.svg"}, {runs, "tocFree.csv"}, {runs, "tocErr.csv"}, {runs, "sotocErr.csv"}};
    for (const auto &f : files) {
        SCOPED_TRACE(f.name);
        const size_t flushed = firstline(lines, 0, "fsync " + f.folder + "/." + f.name + ".");
        ASSERT_LT(flushed, lines.size()) << readfile(log);
        const std::string temporary = lines[flushed].substr(6);
        const size_t renamed = firstline(lines, flushed, "rename " + temporary + " " + f.folder + "/" + f.name);
        ASSERT_LT(renamed, lines.size()) << readfile(log);
        EXPECT_EQ(lines[renamed], "rename " + temporary + " " + f.folder + "/" + f.name);
        const size_t folder = firstline(lines, renamed, "fsync " + f.folder);
        ASSERT_LT(folder, lines.size()) << readfile(log);
        EXPECT_EQ(lines[folder], "fsync " + f.folder);
    }
}

}  // namespace
