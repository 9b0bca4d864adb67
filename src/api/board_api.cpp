// Exports of the function-board family: one frame each to the board of a
// position. Getters leave the host's buffer untouched when nothing could be
// sent (bench port unavailable).
#include <string>

#include "api/host_io.h"
#include "bus/board_codecs.h"
#include "bus/function_boards.h"

using tbcom::api::Guard;
using tbcom::api::TextIn;
using tbcom::api::TextOut;
namespace bus = tbcom::bus;
namespace board = tbcom::bus::board;

namespace {

std::string decimal(int32_t v) { return std::to_string(v); }

// The longest text of each field, as the header states it.
size_t longest(bus::BoardField field) {
    switch (field) {
        case bus::BoardField::CharAt3: return 1;
        case bus::BoardField::HexState: return 16;
        default: return 8;
    }
}

tbcom_bool get(char** out, uint8_t port, uint8_t position, uint8_t command, bus::BoardField field) {
    const bus::BoardReading r = bus::BoardGet(port, position, command, field);
    if (r.sent && !TextOut(out, r.text, longest(field))) return 0;
    return r.ok;
}

tbcom_bool set(uint8_t port, uint8_t position, uint8_t command, const std::string& data) {
    return bus::BoardSet(port, position, command, data);
}

}  // namespace

extern "C" {

tbcom_bool tbcom_impl_SetRS485On(uint8_t position, int32_t state, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return set(port, position, board::kSetRs485, decimal(state)); });
}

tbcom_bool tbcom_impl_GetRS485On(char** state, uint8_t position, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return get(state, port, position, board::kGetRs485, bus::BoardField::CharAt3); });
}

tbcom_bool tbcom_impl_GetFSState(char** bits, uint8_t position, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return get(bits, port, position, board::kGetFs, bus::BoardField::BitsAt3); });
}

tbcom_bool tbcom_impl_SetFSState(uint8_t position, uint8_t port, const char* bits) {
    return Guard<tbcom_bool>(0, [&] {
        return set(port, position, board::kSetFs, std::string(1, static_cast<char>(bus::BitTextToByte(TextIn(bits)))));
    });
}

tbcom_bool tbcom_impl_GetFCState(char** bits, uint8_t position, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return get(bits, port, position, board::kGetFc, bus::BoardField::BitsAt4); });
}

tbcom_bool tbcom_impl_GetFCStateP(char** state, uint8_t position, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return get(state, port, position, board::kGetFcP, bus::BoardField::HexState); });
}

tbcom_bool tbcom_impl_SetFCState(uint8_t position, uint8_t port, const char* text) {
    return Guard<tbcom_bool>(0, [&] { return set(port, position, board::kSetFc, bus::FcStateData(TextIn(text))); });
}

tbcom_bool tbcom_impl_SetProPulse(uint8_t a, int32_t b, uint8_t c, uint8_t d, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return bus::BoardSetAt41(port, board::kProPulse, bus::ProPulseData(a, b, c, d)); });
}

tbcom_bool tbcom_impl_SetPulseState(uint8_t position, int32_t value, int32_t mode, int32_t port) {
    return Guard<tbcom_bool>(0, [&] {
        const uint8_t command = mode == 1 ? board::kPulseStateMode1 : board::kPulseState;
        return set(static_cast<uint8_t>(port & 0xFF), position, command, std::string(1, static_cast<char>(value & 0xFF)));
    });
}

tbcom_bool tbcom_impl_SetFSPulse(uint8_t position, uint8_t a, uint8_t b, uint8_t c, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        return set(port, position, board::kFsPulse,
                   std::string{static_cast<char>(a), static_cast<char>(b), static_cast<char>(c)});
    });
}

tbcom_bool tbcom_impl_SetCTState(uint8_t position, int32_t state, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return set(port, position, board::kSetCt, decimal(state)); });
}

tbcom_bool tbcom_impl_SetVoltState(uint8_t position, int32_t a, int32_t b, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return set(port, position, board::kSetVolt, decimal(a) + decimal(b)); });
}

tbcom_bool tbcom_impl_SetErrDisplay(uint8_t position, uint8_t port, const char* text) {
    return Guard<tbcom_bool>(0, [&] { return set(port, position, board::kErrDisplay, TextIn(text)); });
}

tbcom_bool tbcom_impl_ResultDisplay(uint8_t position, uint8_t port, int32_t value) {
    return Guard<tbcom_bool>(0, [&] { return set(port, position, board::kResultDisplay, bus::DisplayData(value)); });
}

tbcom_bool tbcom_impl_ChangeMeterInterface(uint8_t position, uint8_t port, int32_t value) {
    return Guard<tbcom_bool>(0, [&] { return set(port, position, board::kMeterInterface, bus::DisplayData(value)); });
}

tbcom_bool tbcom_impl_SetPWMPara(uint8_t position, double value, int32_t range, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        const auto step = bus::PwmStep(value, range);
        return step && set(port, position, board::kPwmPara, bus::PwmData(*step));
    });
}

tbcom_bool tbcom_impl_SetPWMState(uint8_t position, int32_t state, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return set(port, position, board::kPwmState, decimal(state)); });
}

tbcom_bool tbcom_impl_SetCheckDCState(uint8_t position, int32_t state, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return set(port, position, board::kCheckDc, decimal(state)); });
}

tbcom_bool tbcom_impl_GetDCValue(char** value, uint8_t position, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return get(value, port, position, board::kGetDc, bus::BoardField::DcValue); });
}

tbcom_bool tbcom_impl_SetFCAddVolt(uint8_t position, int32_t state, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return set(port, position, board::kSetFcAddVolt, decimal(state)); });
}

tbcom_bool tbcom_impl_GetFCAddVolt(char** state, uint8_t position, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return get(state, port, position, board::kGetFcAddVolt, bus::BoardField::CharAt3); });
}

tbcom_bool tbcom_impl_SetDCOutType(uint8_t position, int32_t type, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return set(port, position, board::kSetDcOutType, decimal(type)); });
}

tbcom_bool tbcom_impl_GetDCOutType(char** type, uint8_t position, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return get(type, port, position, board::kGetDcOutType, bus::BoardField::CharAt3); });
}

}  // extern "C"
