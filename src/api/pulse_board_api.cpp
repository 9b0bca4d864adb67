// Exports of the pulse board and the register-block read. They work on the
// handle the host passes (from getComHandle) and never open a port.
#include "api/host_io.h"
#include "instruments/pulse_board.h"

using tbcom::api::Guard;
using tbcom::api::TextOut;
namespace inst = tbcom::instruments;

namespace {

// Longest texts written: 32 counters of "-2147483648" and 31 commas; 125
// registers of four hex digits.
constexpr size_t kMaxCountersText = 32 * 11 + 31;
constexpr size_t kMaxRegisterText = 4 * inst::kMaxReadRegisters;

std::uint8_t lowByte(int32_t v) { return static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) & 0xFF); }

}  // namespace

extern "C" {

tbcom_bool tbcom_impl_PulseBoard_Start(tbcom_handle handle, int32_t address, int32_t selector,
                                       int32_t value) {
    return Guard<tbcom_bool>(0, [&] {
        if (value < 0 || value > 0xFFFF) return false;
        return inst::PulseBoardCommand(handle, lowByte(address), true, lowByte(selector),
                                       static_cast<std::uint16_t>(value));
    });
}

tbcom_bool tbcom_impl_PulseBoard_Stop(tbcom_handle handle, int32_t address) {
    return Guard<tbcom_bool>(0, [&] { return inst::PulseBoardCommand(handle, lowByte(address), false, 0, 0); });
}

tbcom_bool tbcom_impl_PulseBoard_Read(tbcom_handle handle, int32_t address, char** counters) {
    return Guard<tbcom_bool>(0, [&] {
        auto text = inst::PulseBoardCounters(handle, lowByte(address));
        TextOut(counters, text.value_or(""), kMaxCountersText);
        return text.has_value();
    });
}

tbcom_bool tbcom_impl_Read_Reg(char** registers, tbcom_handle handle, int32_t address, int32_t first,
                               int32_t count) {
    return Guard<tbcom_bool>(0, [&] {
        std::optional<std::string> text;
        if (first >= 0 && first <= 0xFFFF && count >= 1 && count <= inst::kMaxReadRegisters)
            text = inst::ReadRegisterBlock(handle, lowByte(address), static_cast<std::uint16_t>(first),
                                           static_cast<std::uint16_t>(count));
        TextOut(registers, text.value_or(""), kMaxRegisterText);
        return text.has_value();
    });
}

}  // extern "C"
