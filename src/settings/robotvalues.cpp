#include "settings/robotvalues.h"

#include <cmath>

#include "study/comparison.h"

std::vector<double> robotvalues(const CompareRequest &r) {
    installarm(r);
    standalonebasis(requestsettings(r));
    task.dt = sampleperiod(task.tfNom);
    std::vector<double> values(PARAMETERS, NAN);
    for (int k = 0; k < PARAMETERS; ++k) {
        const Parameter p = static_cast<Parameter>(k);
        if (parameterof(p, r.type)) values[k] = parameterrow(p).at(robotparams(r.type));
    }
    return values;
}
