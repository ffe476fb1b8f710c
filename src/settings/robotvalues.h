// The values of the robot model for one comparison: every parameter of the table
// (records/parameters.h) as the pass's nominal derivation leaves it. Prints nothing.
#pragma once

#include <vector>

#include "settings/request.h"

// The value of every parameter, by Parameter, for the request's robot and task as
// its pass derives them with the nominal masses, dt the pass's sample period;
// not-a-number for the parameters the robot has not. Leaves the records so derived.
std::vector<double> robotvalues(const CompareRequest &r);
