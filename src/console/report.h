// The printed conditions of the selected robot.
#pragma once

// Prints the conditions block of app.type ('a' or 'b'; nothing for other values).
void printconditions();
