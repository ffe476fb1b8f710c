// cpack -G DEB in a scratch folder: the package's dependencies and the program in it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/install/installed.h"
#include "tests/support/pty.h"
#include "tests/support/tempdir.h"

namespace {

// The package names of a control field's value ("a (>= 1), b | c" gives a, b and c).
std::set<std::string> packagenames(const std::string &field) {
    std::set<std::string> names;
    const std::regex name("(^|[,|])\\s*([a-z0-9][a-z0-9.+-]*)");
    for (std::sregex_iterator m(field.begin(), field.end(), name), end; m != end; ++m) names.insert((*m)[2]);
    return names;
}

// The value of one field of the package's control data as `dpkg-deb -I` shows it.
std::string controlfield(const std::string &info, const std::string &field) {
    std::smatch m;
    return std::regex_search(info, m, std::regex("\\n " + field + ": ([^\\n]*)")) ? m[1].str() : "";
}

// The shared libraries `binary` names (its NEEDED entries).
std::vector<std::string> neededlibraries(const std::string &binary) {
    const std::string dynamic = runtool({"readelf", "-d", binary}).out;
    std::vector<std::string> names;
    const std::regex needed("\\(NEEDED\\)[^\\[]*\\[([^\\]]+)\\]");
    for (std::sregex_iterator m(dynamic.begin(), dynamic.end(), needed), end; m != end; ++m)
        names.push_back((*m)[1]);
    return names;
}

// The Debian package holding the library `soname` as `binary` loads it; empty when
// none does. dpkg knows a file under /lib or /usr/lib, as its package installs it.
std::string owner(const std::string &binary, const std::string &soname) {
    std::smatch m;
    const std::string libraries = runtool({"ldd", binary}).out;
    if (!std::regex_search(libraries, m, std::regex("\\t" + std::regex_replace(soname, std::regex("[.+]"), "\\$&") +
                                                    " => (\\S+)")))
        return "";
    const std::string path = m[1];
    const std::string merged = path.rfind("/usr/", 0) == 0 ? path.substr(4) : "/usr" + path;
    for (const std::string &p : {path, merged}) {
        const RunOutcome r = runtool({"dpkg-query", "-S", p});
        if (r.status == 0) return r.out.substr(0, r.out.find_first_of(":"));
    }
    return "";
}

}  // namespace

TEST(Package, DependsOnWhatTheProgramLinksAndLoadsAndItsProgramRuns) {
    TempDir scratch;
    const RunOutcome made =
        runprogram({CPACK_PROGRAM, "-G", "DEB", "--config", SOTOC_BUILD_DIR "/CPackConfig.cmake", "-B", scratch.path});
    ASSERT_EQ(0, made.status) << made.out << made.err;
    std::string arch = runtool({"dpkg", "--print-architecture"}).out;
    arch.erase(arch.find_last_not_of('\n') + 1);
    const std::string deb = scratch.file("sotoc_" SOTOC_VERSION "_" + arch + ".deb");
    ASSERT_TRUE(std::filesystem::exists(deb)) << made.out;

    const RunOutcome info = runtool({"dpkg-deb", "-I", deb});
    ASSERT_EQ(0, info.status) << info.err;
    const std::set<std::string> depends = packagenames(controlfield(info.out, "Depends"));
    const std::set<std::string> recommends = packagenames(controlfield(info.out, "Recommends"));

    // Every library the program links, among them GL, GLUT and PLplot, through the
    // package that holds it.
    const std::vector<std::string> needed = neededlibraries(sotocbinary());
    for (const char *library : {"libGL|libOpenGL|libGLX", "libglut", "libplplot"})
        EXPECT_TRUE(std::any_of(needed.begin(), needed.end(),
                                [&](const std::string &n) { return std::regex_search(n, std::regex(library)); }))
            << library;
    for (const std::string &soname : needed) {
        const std::string package = owner(sotocbinary(), soname);
        EXPECT_FALSE(package.empty()) << soname;
        EXPECT_EQ(1u, depends.count(package)) << soname << " from " << package << "\n" << info.out;
    }
    // What the program loads or starts by name.
    for (const char *package : {"plplot-driver-cairo", "fonts-dejavu-core"})
        EXPECT_EQ(1u, depends.count(package)) << package << "\n" << info.out;
    EXPECT_EQ(1u, recommends.count("xvfb")) << info.out;

    const std::string root = scratch.file("root");
    const RunOutcome unpacked = runtool({"dpkg-deb", "-x", deb, root});
    ASSERT_EQ(0, unpacked.status) << unpacked.err;
    expectsameprogram(root + "/usr/bin/sotoc");
    // Man pages compressed, as Debian has them; none left uncompressed.
    const std::string man = root + "/usr/share/man/man1/";
    EXPECT_NE(std::string::npos, runtool({"zcat", man + "sotoc-compare.1.gz"}).out.find("\\-\\-robot"));
    for (const auto &entry : std::filesystem::directory_iterator(man))
        EXPECT_EQ(entry.path().string().substr(entry.path().string().size() - 5), ".1.gz") << entry.path();
    // The copyright file where Debian looks for it, with the notices of the libraries
    // whose headers are compiled in.
    const std::string copyright = readfile(root + "/usr/share/doc/sotoc/copyright");
    for (const char *library : {"Upstream-Name: CLI11", "Upstream-Name: nlohmann-json"})
        EXPECT_NE(std::string::npos, copyright.find(library)) << library;
#ifdef SOTOC_PYTHON_INSTALL_DIR
    // The Python module and its stub, where Debian's python3 looks under /usr, for the
    // version of Debian's python3 it was built with; NumPy for the arrays of its logs.
    EXPECT_NE(std::string::npos, copyright.find("Upstream-Name: pybind11"));
    const RunOutcome version =
        runtool({"/usr/bin/python3", "-c", "import sys; print(sys.version_info.major, sys.version_info.minor)"});
    std::istringstream words(version.out);
    int major = 0, minor = 0;
    ASSERT_TRUE(words >> major >> minor) << version.out << version.err;
    const std::string dependsline = controlfield(info.out, "Depends");
    const std::string at = std::to_string(major) + "." + std::to_string(minor);
    const std::string below = std::to_string(major) + "." + std::to_string(minor + 1);
    EXPECT_NE(std::string::npos, dependsline.find("python3 (>= " + at + "~)")) << dependsline;
    EXPECT_NE(std::string::npos, dependsline.find("python3 (<< " + below + ")")) << dependsline;
    EXPECT_EQ(1u, recommends.count("python3-numpy")) << info.out;
    std::set<std::string> python;
    for (const auto &entry : std::filesystem::directory_iterator(root + "/usr/" SOTOC_PYTHON_INSTALL_DIR))
        python.insert(entry.path().filename());
    EXPECT_EQ((std::set<std::string>{SOTOC_PYTHON_MODULE, "sotoc.py", "sotoc.pyi"}), python);
#endif
}
