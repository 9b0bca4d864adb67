// The function boards at the meter positions (address 0x41 + position, the
// same as the position's calculator; position 0 addresses 0x41, there is no
// broadcast). Each command is one frame sent with BusCommand, which stores
// the bench port number and opens the ports first.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tbcom::bus {

namespace board {
inline constexpr std::uint8_t kSetRs485 = 0xA0;
inline constexpr std::uint8_t kGetFs = 0xA1;
inline constexpr std::uint8_t kSetFs = 0xA2;
inline constexpr std::uint8_t kGetFc = 0xA3;
inline constexpr std::uint8_t kSetFc = 0xA4;
inline constexpr std::uint8_t kProPulse = 0xA5;
inline constexpr std::uint8_t kPulseStateMode1 = 0xA6;
inline constexpr std::uint8_t kPulseState = 0xA7;
inline constexpr std::uint8_t kSetCt = 0xA8;
inline constexpr std::uint8_t kSetVolt = 0xAA;
inline constexpr std::uint8_t kGetRs485 = 0xAB;
inline constexpr std::uint8_t kErrDisplay = 0x2D;
inline constexpr std::uint8_t kMeterInterface = 0x4B;
inline constexpr std::uint8_t kResultDisplay = 0x4C;
inline constexpr std::uint8_t kPwmPara = 0xB0;
inline constexpr std::uint8_t kPwmState = 0xB1;
inline constexpr std::uint8_t kCheckDc = 0xB2;
inline constexpr std::uint8_t kGetDc = 0xB3;
inline constexpr std::uint8_t kSetFcAddVolt = 0xB4;
inline constexpr std::uint8_t kGetFcAddVolt = 0xB5;
inline constexpr std::uint8_t kSetDcOutType = 0xB6;
inline constexpr std::uint8_t kGetDcOutType = 0xB7;
inline constexpr std::uint8_t kFsPulse = 0xB8;
inline constexpr std::uint8_t kGetFcP = 0xB9;
}  // namespace board

// Sends command + data to the board of `position`. True when the reply has
// no "RECV_BAD". False, with nothing sent, when the bench port cannot be
// opened or the position's address would reach the broadcast (p > 189).
bool BoardSet(std::uint8_t port, int position, std::uint8_t command, std::string_view data);
// SetProPulse always addresses unit 0x41.
bool BoardSetAt41(std::uint8_t port, std::uint8_t command, std::string_view data);

// Which part of a getter's reply is handed to the host.
enum class BoardField {
    BitsAt3,   // byte at offset 3 as 8 bit characters, bit 0 first
    BitsAt4,   // byte at offset 4 likewise
    CharAt3,   // byte at offset 3 as a one-character text
    DcValue,   // reply characters 4..8 x 7.5 mV, "0.000"; the reply itself on failure
    HexState,  // reply characters 4..11 as 16 hex digits
};

struct BoardReading {
    bool sent = false;  // false: nothing was sent, the host's buffer stays untouched
    bool ok = false;
    std::string text;   // cut from the reply whatever the outcome; meaningless when !ok
};
BoardReading BoardGet(std::uint8_t port, int position, std::uint8_t command, BoardField field);

// The field a getter cuts out of a reply (or out of "RECV_BAD").
std::string BoardFieldText(std::string_view reply, bool ok, BoardField field);

}  // namespace tbcom::bus
