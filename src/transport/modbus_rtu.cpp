#include "transport/modbus_rtu.h"

#include "transport/reader.h"
#include "transport/serial_port.h"

namespace tbcom::transport {

namespace {

// Bytes that may open a reply: the controller, and the other Modbus devices
// and meters that answer on the bench port.
constexpr std::string_view kModbusStartBytes("\xB1\x01\x37\xA0\xA1\xA2\xA3", 7);
constexpr std::uint32_t kModbusSilenceMs = 500;
constexpr std::uint32_t kModbusOverallMs = 1500;

void put16(std::string& s, std::uint16_t v) {
    s += static_cast<char>(v >> 8);
    s += static_cast<char>(v & 0xFF);
}

// Sends a request and checks the reply's length and CRC.
bool transact(platform::PortHandle h, const std::string& request, int replyLen, std::string& reply) {
    int sent = WriteModbusFrame(h, request);
    int received = ReadModbusReply(h, reply, replyLen);
    return sent + received == static_cast<int>(request.size()) + replyLen && ModbusCrcOk(reply);
}

}  // namespace

std::uint16_t ModbusCrc16(std::string_view bytes) {
    std::uint16_t crc = 0xFFFF;
    for (unsigned char b : bytes) {
        crc ^= b;
        for (int i = 0; i < 8; ++i) crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

bool ModbusCrcOk(std::string_view frame) {
    if (frame.size() < 2) return false;
    std::uint16_t crc = ModbusCrc16(frame.substr(0, frame.size() - 2));
    return static_cast<std::uint8_t>(frame[frame.size() - 2]) == (crc & 0xFF) &&
           static_cast<std::uint8_t>(frame[frame.size() - 1]) == (crc >> 8);
}

std::string WithCrc(std::string frame) {
    std::uint16_t crc = ModbusCrc16(frame);
    frame += static_cast<char>(crc & 0xFF);
    frame += static_cast<char>(crc >> 8);
    return frame;
}

std::string BuildReadRegisters(std::uint8_t dev, std::uint16_t first, std::uint16_t count) {
    std::string f{static_cast<char>(dev), 0x03};
    put16(f, first);
    put16(f, count);
    return WithCrc(std::move(f));
}

std::string BuildWriteRegister(std::uint8_t dev, std::uint16_t reg, std::uint16_t value) {
    std::string f{static_cast<char>(dev), 0x06};
    put16(f, reg);
    put16(f, value);
    return WithCrc(std::move(f));
}

std::string BuildWriteRegisters(std::uint8_t dev, std::uint16_t first, std::string_view data) {
    std::string f{static_cast<char>(dev), 0x10};
    put16(f, first);
    put16(f, static_cast<std::uint16_t>(data.size() / 2));
    f += static_cast<char>(data.size() & 0xFF);
    f += data;
    return WithCrc(std::move(f));
}

int WriteModbusFrame(platform::PortHandle h, std::string_view frame) {
    if (!frame.empty() && static_cast<std::uint8_t>(frame[0]) == kBenchController) {
        std::string buf(5, '\xF9');
        buf += frame;
        PurgeAndWrite(h, buf);
    } else {
        PurgeAndWrite(h, frame);
    }
    return static_cast<int>(frame.size());
}

int ReadModbusReply(platform::PortHandle h, std::string& out, int count) {
    return ReadFixedReply(h, count, kModbusStartBytes, kModbusSilenceMs, kModbusOverallMs, out) ? count : 0;
}

int ModbusReadRegisters(platform::PortHandle h, std::uint8_t dev, std::uint16_t first,
                        std::uint16_t count, std::string& data) {
    std::string reply;
    const int replyLen = 2 * count + 5;
    if (!transact(h, BuildReadRegisters(dev, first, count), replyLen, reply)) return -1;
    data = reply.substr(3, 2u * count);
    return 0;
}

int ModbusWriteRegister(platform::PortHandle h, std::uint8_t dev, std::uint16_t reg,
                        std::uint16_t value) {
    std::string reply;
    return transact(h, BuildWriteRegister(dev, reg, value), 8, reply) ? 0 : -1;
}

int ModbusWriteRegisters(platform::PortHandle h, std::uint8_t dev, std::uint16_t first,
                         std::string_view data) {
    std::string reply;
    return transact(h, BuildWriteRegisters(dev, first, data), 8, reply) ? 0 : -1;
}

}  // namespace tbcom::transport
