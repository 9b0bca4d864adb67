#include "manual_source.h"

#include <vector>

#include "core/numbers.h"
#include "core/text.h"

namespace tbcom::sim {

namespace {

// Nominal ranges by code (index = code - 1); the source delivers up to 1.2
// times the nominal value.
const std::vector<double> kPlmVolts = {60, 120, 240, 480};
const std::vector<double> kZakVolts = {65, 130, 260, 520};
const std::vector<double> kPlmDirectAmps = {0.02, 0.05, 0.128, 0.32, 0.8, 2, 5, 12};
// Through the PLM's transformer input ("DB0;") codes 6 to 8 are 20, 50 and
// 120 A.
const std::vector<double> kPlmCtAmps = {0.02, 0.05, 0.128, 0.32, 0.8, 20, 50, 120};
const std::vector<double> kZakAmps = {0.02, 0.04, 0.08, 0.16, 0.2, 0.4, 0.8, 1.6,
                                      2,    4,    8,    16,   20,  40,  80,  160};
constexpr double kOverRange = 1.2;

// The nominal value of code field `field` ("U3,3,3" -> 3), 0 when unknown.
double rangeOf(const std::vector<double>& table, const std::string& field) {
    auto code = core::TryTextToInt(core::CommaField(field.substr(1), 1));
    if (!code || *code < 1 || *code > static_cast<std::int64_t>(table.size())) return 0;
    return table[static_cast<size_t>(*code - 1)];
}

}  // namespace

ManualSource::ManualSource(World& world, bool plm6007, std::function<bool()> connected)
    : Device(plm6007 ? "plmsource" : "zaksource", Settings(4800)),
      world_(world),
      plm_(plm6007),
      connected_(std::move(connected)) {}

void ManualSource::onBurst(std::string_view burst, Line&) {
    if (connected_ && !connected_()) return;
    if (burst.size() < 5 || burst.substr(0, 4) != "MAN;" || burst.back() != '\r') return;
    ++commands;
    lastCommand = std::string(burst.substr(4));
    bool direct = true;
    double u = 0, i = 0;
    std::string currentField;
    for (int n = 1;; ++n) {
        const std::string f = core::SepField(lastCommand, ";", n);
        if (f.empty()) break;
        if (f == "DB0") direct = false;
        if (f[0] == 'U') u = rangeOf(plm_ ? kPlmVolts : kZakVolts, f);
        if (f[0] == 'I') currentField = f;
    }
    if (!currentField.empty()) i = rangeOf(plm_ ? (direct ? kPlmDirectAmps : kPlmCtAmps) : kZakAmps, currentField);
    if (u > 0) world_.source.rangeLimitU = kOverRange * u;
    if (i > 0) world_.source.rangeLimitI = kOverRange * i;
}

}  // namespace tbcom::sim
