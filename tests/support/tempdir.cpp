#include "tests/support/tempdir.h"

#include <stdlib.h>

#include <filesystem>

TempDir::TempDir() {
    char name[] = "/tmp/sotoc-test-XXXXXX";
    path = mkdtemp(name) ? name : "";
}

TempDir::~TempDir() {
    std::error_code e;
    if (!path.empty()) std::filesystem::remove_all(path, e);
}
