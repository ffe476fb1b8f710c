// Folder design/: inverse kinematics, switching-time design, matrix inversion; uses records/, simulation/.
// Switching-time design of the bang-bang time-optimal motion.
#pragma once

// Designs the three switching times and the final time of the selected robot for
// its move phi0 -> phif (app.designErr 'n' cold start, 'm' warm start from its ts),
// with the trials app.joint2Start runs (both signs of joint 2 keeping the shorter
// final time, or one forced sign) from the guesses app.designSearch allows.
// On success writes the robot's ts and sgn and designs.segpos/segvel and returns 1;
// returns 0 and changes none of them when no trial gives a solution. Either way
// designs.chosen, designs.trial and designs.wide tell how the trials ended.
int designswitching();
