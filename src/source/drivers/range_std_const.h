// The standard meter's constant for the source ranges that a request
// selects: the constant error tests use after every output.
#pragma once

#include <string>

namespace tbcom::source::drivers {

// For the selected designation and the request's highest phase voltage (V)
// and current (A). Sets SmallCurrentFactor (1, or 10 / 100 with ReviseMode
// 2, when the constant is multiplied by it) and, for the LX-7000 rows,
// CtRate and the LX range index. 2.4e7 for designations of no group.
double RangeStdConst(double voltage, double current);
// The same for a given designation.
double RangeStdConstFor(const std::string& model, double voltage, double current);

}  // namespace tbcom::source::drivers
