// The standard meter's pulse constant for a model designation, a voltage and
// a current: the constant a host asks for directly. It has its own table,
// separate from the constant of the source ranges: its rows differ (the
// "KP8404C-66" bands, the models of no group) and some of its constants are
// the meter's own rounded values.
#pragma once

#include <string>

namespace tbcom::stdmeter {

// volts, amperes. The model is normalised on a copy (the standard-meter
// model of the bench is not changed; the LX-7000D sub-variant is). For the
// LX-7000 models CtRate and the LX range index are set from the current.
// 2.4e7 for a model of no group.
double StdConstByModel(double voltage, double current, const std::string& model);

}  // namespace tbcom::stdmeter
