// The parameters of the robot model by name, one table: their symbols, units, kinds
// and where each lives in the records. `sotoc params` lists them, robot files name
// them, and whatever else names a parameter takes its name from here. Prints nothing.
#pragma once

#include <string>

#include "records/records.h"

// Every parameter of the robot model and the task, in the order of their rows.
enum Parameter {
    // Shared by both robots, in the task's record.
    PARAMMWNOM, PARAMMW, PARAMMWERR, PARAMERRRATIO,
    PARAMX0, PARAMY0, PARAMXF, PARAMYF,
    PARAMWN1, PARAMWN2, PARAMZETA1, PARAMZETA2, PARAMALPHA1, PARAMALPHA2,
    PARAMDT, PARAMTFNOM,
    // One robot's, in its record.
    PARAML, PARAML1, PARAML2, PARAMM1NOM, PARAMM1, PARAMM1ERR,
    PARAMIJ1, PARAMIJ2, PARAMIMM1, PARAMIMM2, PARAMU1, PARAMU2, PARAMTM1, PARAMTM2,
    PARAMIM1, PARAMIM2, PARAMJ1MAX, PARAMJ2MAX, PARAMM11MAX, PARAMM12MAX, PARAMM22MAX,
    PARAMT1MAX, PARAMT2MAX, PARAMT1MAXG, PARAMT2MAXG,
    PARAMPHI01, PARAMPHI02, PARAMPHIF1, PARAMPHIF2,
    PARAMKP1, PARAMKP2, PARAMKD1, PARAMKD2, PARAMKI1, PARAMKI2,
    // The rigid bodies of an arm that has them.
    PARAMML1, PARAMML2, PARAMC1X, PARAMC1Y, PARAMC2X, PARAMC2Y, PARAMIC1, PARAMIC2,
    PARAMETERS,  // the number of parameters
};

// How a parameter gets its value.
enum ParameterKind {
    PRIMARYVALUE,   // installed at start, changed by the settings or a robot file
    FIXEDATSTART,   // computed at start from the primary values (the drives' sizing), or given by a robot file
    DERIVEDVALUE,   // derived from the others before every design and run
};

// What a value given for a parameter must be.
enum ParameterRange {
    RANGEPOSITIVE,    // a number from MINMODELVALUE to MAXMODELVALUE (study/comparison.h)
    RANGERATIO,       // a reduction ratio, as the ratios setting accepts it
    RANGECOORDINATE,  // a coordinate of a point, as the start and end settings accept it
    RANGENONNEGATIVE, // 0, or a number from MINMODELVALUE to MAXMODELVALUE
    RANGEOFFSET,      // a distance along a link's axis, as a coordinate of a point: |value| <= the coordinates' bound
    RANGENONE,        // not given by the user: fixed or derived
};

// Which model of the arm a parameter belongs to.
enum ParameterModel {
    BOTHMODELS,   // point masses and rigid bodies alike
    POINTMODEL,   // only the built-in model's point masses
    RIGIDMODEL,   // only an arm of rigid bodies
};

// One parameter.
struct ParameterRow {
    const char *name;        // its symbol, as params prints it and a robot file names it
    const char *unit[2];     // of the cylindrical and the SCARA robot; null where that robot has none
    ParameterKind kind;
    bool inFile;             // a robot file may give it
    ParameterRange range;    // what a given value must be
    const char *meaning;     // what it is, in a few words
    double &(*at)(RobotParams &p);  // its value for the robot of record p (the task's for shared ones)
    ParameterModel model = BOTHMODELS;
};

// The row of parameter k (0..PARAMETERS-1), in the order of Parameter.
const ParameterRow &parameterrow(Parameter k);

// The parameter of a name, PARAMETERS for none: the whole name, so a name with a zero
// byte ("mwNom\0x") names none.
Parameter parameternamed(const std::string &name);

// The words of a kind: "primary", "fixed at start", "derived".
const char *kindword(ParameterKind kind);

// Whether robot `type` has parameter k in the model the records hold for it.
bool parameterof(Parameter k, char type);

// Whether robot `type` has parameter k in the rigid-body model (`rigid`) or the
// point masses.
bool parameterin(Parameter k, char type, bool rigid);

// Its unit for robot `type` ("m", "kg m^2", "-" for a ratio of like quantities).
const char *parameterunit(Parameter k, char type);
