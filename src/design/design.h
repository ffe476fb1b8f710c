// Folder design/: inverse kinematics, switching-time design, matrix inversion; uses records/, simulation/.
// Switching-time design of the bang-bang time-optimal motion.
#pragma once

// Designs the three switching times and the final time of the selected robot for
// its move phi0 -> phif (app.designErr 'n' cold start, 'm' warm start from its ts).
// On success writes the robot's ts and sgn and designs.segpos/segvel and returns 1;
// returns 0 and changes none of them when neither starting sign of joint 2 gives a
// solution. Either way designs.chosen and designs.trial tell how both trials ended.
int designswitching();
