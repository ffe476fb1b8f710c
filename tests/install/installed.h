// What the install and package tests share: system tools run by name, and the check
// that an installed copy of the program is the program built here.
#pragma once

#include <string>
#include <vector>

#include "tests/support/run.h"
#include "tests/support/tempdir.h"

// Runs a program found on PATH (through env, so NAME=value words set variables first).
RunOutcome runtool(const std::vector<std::string> &args);

// Expects `binary` to print what the built program prints: its version and the JSON of
// a couple of comparisons, byte for byte.
void expectsameprogram(const std::string &binary);
