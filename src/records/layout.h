// Fixed positions of the window's parts and the drawn robot dimensions.
#pragma once

// Installs the layout from the robots' lengths and the workpiece mass in use.
void installlayout();
