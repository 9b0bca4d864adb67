// Lazy opening of the two ports the library owns.
#pragma once

namespace tbcom::core {

// Opens the VN-74 port if closed (its failure is ignored) and the bench port
// if closed (resetting the standard meter's kind). False when the bench port
// cannot be opened.
bool EnsurePorts();

}  // namespace tbcom::core
