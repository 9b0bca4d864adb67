// The VN-74 standard meter on a line of its own at 57600 baud. A query
// A6 2E 00 04 00 q FF FD with its 16-bit byte sum is answered with 26 bytes:
// A6 2E, the length 00 14, five VN floats (exponent byte, sign bit, 23-bit
// fraction) and the 16-bit sum of the bytes before it. By q: 00 phase
// voltages, 0A line voltages, 01 currents, 02/0B active powers and their
// total, 03/0C apparent, 04/0D/0E/0F reactive, 05 frequency, 06/09 current
// angles from Ua in (-180, 180], 07 power factors. Faults of the next
// answers: a failing sum, a length field that lies.
#pragma once

#include <string>
#include <vector>

#include "line.h"
#include "world.h"

namespace tbcom::sim {

class Vn74Meter : public Device {
public:
    explicit Vn74Meter(const World& world);

    double errorPct = 0;
    int queries = 0;
    int badSumAnswers = 0;
    int lyingLengthAnswers = 0;

    void onBurst(std::string_view burst, Line& line) override;
    // The five values the meter reports for query q.
    std::vector<double> values(int q) const;
    static std::string EncodeFloat(double v);  // four bytes

private:
    const World& world_;
};

}  // namespace tbcom::sim
