// Error tests at the meter positions: start, read, clear and reset the error
// calculators, raw pass-through, and the order codes of the "_gFun" calls.
// All operations assume the bench port is open (the exports ensure it).
#pragma once

#include <cstdint>
#include <string>

namespace tbcom::bus {

// Position 0 broadcasts. Circles as "0000", standard pulses as "000000000",
// then the optional four-character correction field.
bool StartError(int position, double meterConstant, std::int64_t circles, const std::string& correction = {});
// The correction field of Error_Start_Correct: 0.15 -> "0015", -1.50 -> "1150".
std::string CorrectionField(double c);

struct ErrorReading {
    bool ok = false;
    std::string text;  // "<status>,<error>" on success; the raw field when it is not a number
};
ErrorReading ReadError(std::uint8_t position);
// A status-and-value reply as the error calculators and the clock unit send
// it: status character, then six characters in thousandths. Gives
// "<status>,<value with 3 decimals>", or the trimmed field when it is not a
// number.
ErrorReading ParseStatusReply(const std::string& reply);

bool ClearAll();                          // Error_Clear
bool ClearPosition(std::uint8_t position);  // ErrorClear: 0x41 + p, also for p = 0
bool ResetAll();                          // Error_Reset

// Raw frame 0x01, address, command + data. A data text starting with "#"
// is replaced by the hex byte sum of the rest ("BAD_STR" if odd).
std::string PassThrough(std::uint8_t address, std::uint8_t command, const std::string& data);

// Sends circles and standard pulses as given (no scaling).
bool StartErrorRaw(int position, std::int64_t circles, std::int64_t stdPulses);

// The order codes of ErrorOrder_gFun. `first` and `second` receive the texts
// the host is handed; `writesSecond` tells whether the second one is set.
struct OrderResult {
    bool ok = false;
    bool writesFirst = false;
    bool writesSecond = false;
    std::string first, second;
};
OrderResult RunOrder(int order, int position);
// Mode 2 of ErrorPules_gFun: the result of command 0x0A, '1' in the status.
bool PulseCheck(int position);

}  // namespace tbcom::bus
