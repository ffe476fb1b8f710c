// The settings subcommand: the table of a comparison's settings, as text or JSON.
#pragma once

// sotoc settings [--json]: each setting with what it takes, its unit, range and
// defaults and the map axes over it. Exit status 0, 1 when the output could not be
// written, 2 for refused options.
int settingscommand(int argc, char **argv);
