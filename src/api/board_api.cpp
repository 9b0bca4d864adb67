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

TBCOM_API tbcom_bool TBCOM_CALL SetRS485On(uint8_t position, int32_t state, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return set(port, position, board::kSetRs485, decimal(state)); });
}

TBCOM_API tbcom_bool TBCOM_CALL GetRS485On(char** state, uint8_t position, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return get(state, port, position, board::kGetRs485, bus::BoardField::CharAt3); });
}

TBCOM_API tbcom_bool TBCOM_CALL GetFSState(char** bits, uint8_t position, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return get(bits, port, position, board::kGetFs, bus::BoardField::BitsAt3); });
}

TBCOM_API tbcom_bool TBCOM_CALL SetFSState(uint8_t position, uint8_t port, const char* bits) {
    return Guard<tbcom_bool>(0, [&] {
        return set(port, position, board::kSetFs, std::string(1, static_cast<char>(bus::BitTextToByte(TextIn(bits)))));
    });
}

TBCOM_API tbcom_bool TBCOM_CALL GetFCState(char** bits, uint8_t position, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return get(bits, port, position, board::kGetFc, bus::BoardField::BitsAt4); });
}

TBCOM_API tbcom_bool TBCOM_CALL GetFCStateP(char** state, uint8_t position, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return get(state, port, position, board::kGetFcP, bus::BoardField::HexState); });
}

TBCOM_API tbcom_bool TBCOM_CALL SetFCState(uint8_t position, uint8_t port, const char* text) {
    return Guard<tbcom_bool>(0, [&] { return set(port, position, board::kSetFc, bus::FcStateData(TextIn(text))); });
}

TBCOM_API tbcom_bool TBCOM_CALL SetProPulse(uint8_t a, int32_t b, uint8_t c, uint8_t d, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return bus::BoardSetAt41(port, board::kProPulse, bus::ProPulseData(a, b, c, d)); });
}

TBCOM_API tbcom_bool TBCOM_CALL SetPulseState(uint8_t position, int32_t value, int32_t mode, int32_t port) {
    return Guard<tbcom_bool>(0, [&] {
        const uint8_t command = mode == 1 ? board::kPulseStateMode1 : board::kPulseState;
        return set(static_cast<uint8_t>(port & 0xFF), position, command, std::string(1, static_cast<char>(value & 0xFF)));
    });
}

TBCOM_API tbcom_bool TBCOM_CALL SetFSPulse(uint8_t position, uint8_t a, uint8_t b, uint8_t c, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        return set(port, position, board::kFsPulse,
                   std::string{static_cast<char>(a), static_cast<char>(b), static_cast<char>(c)});
    });
}

TBCOM_API tbcom_bool TBCOM_CALL SetCTState(uint8_t position, int32_t state, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return set(port, position, board::kSetCt, decimal(state)); });
}

TBCOM_API tbcom_bool TBCOM_CALL SetVoltState(uint8_t position, int32_t a, int32_t b, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return set(port, position, board::kSetVolt, decimal(a) + decimal(b)); });
}

TBCOM_API tbcom_bool TBCOM_CALL SetErrDisplay(uint8_t position, uint8_t port, const char* text) {
    return Guard<tbcom_bool>(0, [&] { return set(port, position, board::kErrDisplay, TextIn(text)); });
}

TBCOM_API tbcom_bool TBCOM_CALL ResultDisplay(uint8_t position, uint8_t port, int32_t value) {
    return Guard<tbcom_bool>(0, [&] { return set(port, position, board::kResultDisplay, bus::DisplayData(value)); });
}

TBCOM_API tbcom_bool TBCOM_CALL ChangeMeterInterface(uint8_t position, uint8_t port, int32_t value) {
    return Guard<tbcom_bool>(0, [&] { return set(port, position, board::kMeterInterface, bus::DisplayData(value)); });
}

TBCOM_API tbcom_bool TBCOM_CALL SetPWMPara(uint8_t position, double value, int32_t range, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        const auto step = bus::PwmStep(value, range);
        return step && set(port, position, board::kPwmPara, bus::PwmData(*step));
    });
}

TBCOM_API tbcom_bool TBCOM_CALL SetPWMState(uint8_t position, int32_t state, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return set(port, position, board::kPwmState, decimal(state)); });
}

TBCOM_API tbcom_bool TBCOM_CALL SetCheckDCState(uint8_t position, int32_t state, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return set(port, position, board::kCheckDc, decimal(state)); });
}

TBCOM_API tbcom_bool TBCOM_CALL GetDCValue(char** value, uint8_t position, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return get(value, port, position, board::kGetDc, bus::BoardField::DcValue); });
}

TBCOM_API tbcom_bool TBCOM_CALL SetFCAddVolt(uint8_t position, int32_t state, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return set(port, position, board::kSetFcAddVolt, decimal(state)); });
}

TBCOM_API tbcom_bool TBCOM_CALL GetFCAddVolt(char** state, uint8_t position, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return get(state, port, position, board::kGetFcAddVolt, bus::BoardField::CharAt3); });
}

TBCOM_API tbcom_bool TBCOM_CALL SetDCOutType(uint8_t position, int32_t type, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return set(port, position, board::kSetDcOutType, decimal(type)); });
}

TBCOM_API tbcom_bool TBCOM_CALL GetDCOutType(char** type, uint8_t position, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return get(type, port, position, board::kGetDcOutType, bus::BoardField::CharAt3); });
}

}  // extern "C"
