// Shared set-up of the model tests: every record at its start-up value.
#pragma once

#include "study/params.h"
#include "records/records.h"
#include "simulation/control.h"
#include "simulation/simulation.h"

// Puts every record back to what start-up leaves (both robots derived for horizontal
// motion, control tables, SOTOC bookkeeping and logs cleared) with robot `type`
// selected, so that no test sees what another one left.
inline void installdefaults(char type) {
    initialset();
    app.type = type;
    app.sgnG = MOTIONHORIZONTAL;
}
