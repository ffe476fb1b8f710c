// cmake --install into a temporary prefix: the program, its man pages, the documentation.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/install/installed.h"
#include "tests/support/tempdir.h"

namespace fs = std::filesystem;

namespace {

// Installs the build into `prefix`.
void install(const std::string &prefix) {
    const RunOutcome r = runprogram({CMAKE_PROGRAM, "--install", SOTOC_BUILD_DIR, "--prefix", prefix});
    ASSERT_EQ(0, r.status) << r.out << r.err;
}

// The lines of `text` after the line `heading` up to the next empty line.
std::vector<std::string> linesafter(const std::string &text, const std::string &heading) {
    std::istringstream in(text);
    std::vector<std::string> lines;
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (inside && line.empty()) break;
        if (inside) lines.push_back(line);
        inside = inside || line == heading;
    }
    return lines;
}

// The first word of each line, from the help text of `sotoc --help`'s subcommand list.
std::vector<std::string> subcommands(const std::string &binary) {
    std::vector<std::string> names;
    for (const std::string &line : linesafter(runprogram({binary, "--help"}).out, "Subcommands:")) {
        std::istringstream words(line);
        std::string name;
        words >> name;
        names.push_back(name);
    }
    return names;
}

// The option names a --help text lists ("-h,--help  Print ..." gives -h and --help).
std::vector<std::string> options(const std::string &help) {
    std::vector<std::string> names;
    std::istringstream in(help);
    std::string line;
    while (std::getline(in, line)) {
        const size_t start = line.find_first_not_of(' ');
        if (start == std::string::npos || start == 0 || line[start] != '-') continue;
        std::istringstream spellings(line.substr(start, line.find(' ', start) - start));
        std::string name;
        while (std::getline(spellings, name, ',')) names.push_back(name);
    }
    return names;
}

// A man page as the reader sees it, in plain ASCII and on lines too wide to break.
std::string render(const std::string &page) {
    const RunOutcome r = runtool({"MANWIDTH=400", "LC_ALL=C", "MANOPT=", "man", "-l", page});
    EXPECT_EQ(0, r.status) << page << ": " << r.err;
    return r.out;
}

}  // namespace

TEST(Install, InstalledProgramAndDocumentationAreTheBuilt) {
    TempDir prefix;
    ASSERT_NO_FATAL_FAILURE(install(prefix.path));
    expectsameprogram(prefix.file("bin/sotoc"));

    const std::string doc = prefix.file("share/doc/sotoc");
    EXPECT_EQ(readfile(SOTOC_SOURCE_DIR "/README.md"), readfile(doc + "/README.md"));
    int pictures = 0;
    for (const auto &entry : fs::directory_iterator(SOTOC_SOURCE_DIR "/docs/gallery")) {
        const std::string name = entry.path().filename();
        EXPECT_EQ(readfile(entry.path()), readfile(doc + "/docs/gallery/" + name)) << name;
        ++pictures;
    }
    EXPECT_GT(pictures, 0);
}

// One page for the program and one for each subcommand it lists, compressed by gzip
// as Debian installs man pages, each showing every option of its --help text.
TEST(Install, ManPagesShowTheOptionsOfEachHelp) {
    TempDir prefix;
    ASSERT_NO_FATAL_FAILURE(install(prefix.path));
    const std::string binary = prefix.file("bin/sotoc"), man = prefix.file("share/man/man1/");
    const std::vector<std::string> subs = subcommands(binary);
    ASSERT_GE(subs.size(), 5u);

    std::set<std::string> want = {"sotoc.1.gz"}, got;
    for (const std::string &sub : subs) want.insert("sotoc-" + sub + ".1.gz");
    for (const auto &entry : fs::directory_iterator(man)) {
        got.insert(entry.path().filename());
        EXPECT_EQ(0, runtool({"gzip", "--test", entry.path()}).status) << entry.path();
    }
    EXPECT_EQ(want, got);

    const std::string main = render(man + "sotoc.1.gz");
    for (const char *option : {"--help", "--version"}) EXPECT_NE(std::string::npos, main.find(option)) << option;
    for (const std::string &sub : subs) {
        EXPECT_NE(std::string::npos, main.find("sotoc-" + sub + "(1)")) << "sotoc(1) refers to " << sub;
        const std::string page = render(man + "sotoc-" + sub + ".1.gz");
        EXPECT_NE(std::string::npos, page.find("sotoc-" + sub + " - ")) << page;
        const std::vector<std::string> names = options(runprogram({binary, sub, "--help"}).out);
        EXPECT_GE(names.size(), 2u) << sub;
        for (const std::string &name : names) EXPECT_NE(std::string::npos, page.find(name)) << sub << " " << name;
    }
    EXPECT_NE(std::string::npos, render(man + "sotoc-compare.1.gz").find("--robot"));
}
