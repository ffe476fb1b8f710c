// Fixed positions of the window's parts and the drawn robot dimensions.
#pragma once

#include "core/records.h"

// Installs the layout from the robots' lengths and the workpiece mass in use.
void installlayout();
