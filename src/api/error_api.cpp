// Exports of the error-test family.
#include "api/host_io.h"
#include "bus/error_tests.h"
#include "bus/frame.h"
#include "bus/transact.h"

using tbcom::api::Guard;
using tbcom::api::TextIn;
using tbcom::api::TextOut;
namespace bus = tbcom::bus;

namespace {

// Library-owned texts handed to the host by pointer.
const char kSix[] = "6";
const char kFifteen[] = "15";
const char kTwentyOne[] = "21";
const char kEmpty[] = "";


constexpr int32_t kGOk = -1;
constexpr int32_t kGFail = 2;

}  // namespace

extern "C" {

tbcom_bool tbcom_impl_Error_Start(uint8_t position, double meterConstant, uint8_t circles, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        if (!bus::ValidPosition(position)) return false;
        return tbcom::api::OpenBench(port) && bus::StartError(position, meterConstant, circles);
    });
}

tbcom_bool tbcom_impl_Error_StartL(int32_t position, double meterConstant, int32_t circles, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        if (!bus::ValidPosition(position)) return false;
        return tbcom::api::OpenBench(port) && bus::StartError(static_cast<uint8_t>(position), meterConstant, circles);
    });
}

tbcom_bool tbcom_impl_Error_Start_Correct(uint8_t position, double meterConstant, double correction,
                                           int32_t circles, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        if (!bus::ValidPosition(position)) return false;
        return tbcom::api::OpenBench(port) &&
               bus::StartError(position, meterConstant, circles, bus::CorrectionField(correction));
    });
}

tbcom_bool tbcom_impl_Error_Read(char** result, uint8_t position, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        if (!bus::ValidPosition(position)) return false;
        if (!tbcom::api::OpenBench(port)) return false;
        bus::ErrorReading r = bus::ReadError(position);
        return TextOut(result, r.text, 16) && r.ok;
    });
}

tbcom_bool tbcom_impl_Error_Clear(uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return tbcom::api::OpenBench(port) && bus::ClearAll(); });
}

tbcom_bool tbcom_impl_ErrorClear(uint8_t position, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        if (!bus::ValidPosition(position)) return false;
        return tbcom::api::OpenBench(port) && bus::ClearPosition(position);
    });
}

tbcom_bool tbcom_impl_Error_Reset(uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return tbcom::api::OpenBench(port) && bus::ResetAll(); });
}

tbcom_bool tbcom_impl_ErrorComm(uint8_t port, uint8_t address, uint8_t command, const char* data,
                                 char** reply) {
    return Guard<tbcom_bool>(0, [&] {
        if (!tbcom::api::OpenBench(port)) return false;
        const std::string r = bus::PassThrough(address, command, TextIn(data));
        return TextOut(reply, r, 32) && !bus::HasRecvBad(r);
    });
}

tbcom_bool tbcom_impl_ErrorComm1(uint8_t port, uint8_t address, uint8_t command, const char* data) {
    return Guard<tbcom_bool>(0, [&] {
        return tbcom::api::OpenBench(port) && !bus::HasRecvBad(bus::PassThrough(address, command, TextIn(data)));
    });
}

int32_t tbcom_impl_ErrorCircles_gFun(const char* port, int32_t position, int32_t circles,
                                     int32_t stdPulses, int32_t, const char** code, int32_t) {
    return Guard<int32_t>(kGFail, [&] {
        if (!bus::ValidPosition(position)) return kGFail;
        auto n = tbcom::api::PortFromText(port);
        if (!n || !tbcom::api::OpenBench(*n)) return kGFail;
        const bool ok = bus::StartErrorRaw(static_cast<uint8_t>(position), circles, stdPulses);
        if (code) *code = ok ? kSix : kTwentyOne;
        return ok ? kGOk : kGFail;
    });
}

int32_t tbcom_impl_ErrorPules_gFun(const char* port, int32_t mode, int32_t position, int32_t, int32_t,
                                   const char** pair) {
    return Guard<int32_t>(kGFail, [&] {
        if (!bus::ValidPosition(position)) return kGFail;
        if (mode != 2) return kGFail;
        auto n = tbcom::api::PortFromText(port);
        if (!n || !tbcom::api::OpenBench(*n)) return kGFail;
        const bool ok = bus::PulseCheck(static_cast<uint8_t>(position));
        if (pair) {
            pair[0] = ok ? kSix : kFifteen;
            pair[1] = kEmpty;
        }
        return ok ? kGOk : kGFail;
    });
}

int32_t tbcom_impl_ErrorOrder_gFun(const char* port, int32_t order, int32_t position, int32_t,
                                   const char** pair) {
    return Guard<int32_t>(kGFail, [&] {
        if (!bus::ValidPosition(position)) return kGFail;
        auto n = tbcom::api::PortFromText(port);
        if (!n || !tbcom::api::OpenBench(*n)) return kGFail;
        if (order > 17) return kGFail;
        // Texts of the last call, valid until the next one.
        static std::string first, second;
        bus::OrderResult r = bus::RunOrder(order, static_cast<uint8_t>(position));
        if (pair) {
            if (r.writesFirst) {
                first = r.first;
                pair[0] = first.c_str();
            }
            if (r.writesSecond) {
                second = r.second;
                pair[1] = second.c_str();
            }
        }
        return r.ok ? kGOk : kGFail;
    });
}

}  // extern "C"
