// A manual-mode power source ("PLM 600.7" or "ZAK-K6009") on the bench line
// at 4800 baud (bytes at any other setting reach it garbled and are
// ignored). It takes "MAN;U<v>,<v>,<v>;[DB<d>;]I<c>,<c>,<c>;<mode>\r",
// never answers, keeps the last command and limits its output to the
// ranges the command selected. Hears nothing while `connected` says false.
#pragma once

#include <functional>
#include <string>

#include "line.h"
#include "world.h"

namespace tbcom::sim {

class ManualSource : public Device {
public:
    ManualSource(World& world, bool plm6007, std::function<bool()> connected = {});

    std::string lastCommand;  // without "MAN;"
    int commands = 0;

    void onBurst(std::string_view burst, Line& line) override;

private:
    World& world_;
    bool plm_;
    std::function<bool()> connected_;
};

}  // namespace tbcom::sim
