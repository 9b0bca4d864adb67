#include "dd7400_meter.h"

#include <algorithm>
#include <cmath>

#include "kp_meter.h"

namespace tbcom::sim {

namespace {

constexpr unsigned char kContinuation = 0x9F;
constexpr std::size_t kContinuationData = 156;
constexpr std::size_t kFirstPartBytes = 20;  // code, spare, three values

std::string framed(const std::string& body, unsigned char length) {
    unsigned sum = 0;
    for (char c : body) sum += static_cast<unsigned char>(c);
    std::string f{'\xA3', '\x01', static_cast<char>(length)};
    return f + body + static_cast<char>(sum & 0xFF);
}

std::string framed(const std::string& body) { return framed(body, static_cast<unsigned char>(body.size() + 1)); }

}  // namespace

FrameMeter::FrameMeter(const World& world, FrameMeterModel model, std::function<bool()> connected)
    : Device(model == FrameMeterModel::Dd7400 ? "dd7400" : model == FrameMeterModel::Tb8760 ? "tb8760" : "tb8700b"),
      world_(world),
      connected_(std::move(connected)) {}

std::string FrameMeter::EncodeD(double v) {
    const double a = std::fabs(v);
    int e = -9;
    while (e < 9 && a * 1e6 / std::pow(10.0, e) >= 9999999.5) ++e;
    long long m = std::llround(a * 1e6 / std::pow(10.0, e));
    if (m > 9999999) m = 9999999;
    std::string digits{e < 0 ? '1' : '0', static_cast<char>('0' + std::abs(e)), v < 0 && m != 0 ? '1' : '0'};
    for (long long d = 1000000; d > 0; d /= 10) digits += static_cast<char>('0' + (m / d) % 10);
    std::string bytes;
    for (std::size_t i = 0; i < 10; i += 2)
        bytes += static_cast<char>(((digits[i] - '0') << 4) | (digits[i + 1] - '0'));
    return bytes;
}

std::string FrameMeter::frame(int code) const {
    const SourceState& s = world_.source;
    PhaseValues m[3];
    for (int k = 0; k < 3; ++k) m[k] = Measure(s, k, errorPct);
    std::vector<double> values;
    switch (code) {
        case 0xF0: return framed(std::string(1, '\xF0') + EncodeD(s.frequency));
        case 0xF1: values = {m[0].p, m[1].p, m[2].p, m[0].p + m[1].p + m[2].p}; break;
        case 0xF2: values = {m[0].q, m[1].q, m[2].q, m[0].q + m[1].q + m[2].q}; break;
        case 0xF3: values = {m[0].s, m[1].s, m[2].s, m[0].s + m[1].s + m[2].s}; break;
        case 0xF4: {
            const double p = m[0].p + m[1].p + m[2].p, sv = m[0].s + m[1].s + m[2].s;
            values = {m[0].pf, m[1].pf, m[2].pf, sv > 0 ? p / sv : 1};
            break;
        }
        case 0xF5:
            values = {Wrap360(s.angleU[1]), Wrap360(s.angleU[2]), Wrap360(s.angleI[0]), Wrap360(s.angleI[1]),
                      Wrap360(s.angleI[2])};
            break;
        case 0xF6: values = {m[0].u, m[1].u, m[2].u, m[0].i, m[1].i, m[2].i, m[0].u, m[1].u, m[2].u}; break;
        default: return {};
    }
    std::string body{static_cast<char>(code), '\0'};
    for (double v : values) body += EncodeD(v) + '\0';
    return framed(body);
}

void FrameMeter::onBurst(std::string_view burst, Line& line) {
    if (connected_ && !connected_()) return;
    std::vector<std::string> frames;
    bool continued = false;
    for (std::size_t at = 0; at + 5 <= burst.size(); at += 5) {
        if (static_cast<unsigned char>(burst[at]) != 0xA3 || burst[at + 2] != '\x02') return;
        const int code = static_cast<unsigned char>(burst[at + 3]);
        ++commands;
        const std::vector<int> codes =
            code == 0xA0 ? std::vector<int>{0xF6, 0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5} : std::vector<int>{code};
        for (int c : codes) {
            std::string f = frame(c);
            if (f.empty()) return;
            if (c == 0xF6 && continuationAnswers > 0) {
                continued = true;
                // The values after the first three continue in a frame of
                // fixed size (156 data bytes), padded with zeros.
                const std::string body = f.substr(3, f.size() - 4);
                std::string rest = body.substr(kFirstPartBytes);
                rest.resize(kContinuationData, '\0');
                frames.push_back(framed(body.substr(0, kFirstPartBytes)));
                frames.push_back(framed(std::string("\xF6\x00", 2) + rest, kContinuation));
                continue;
            }
            frames.push_back(f);
        }
    }
    if (frames.empty()) return;
    if (continued) --continuationAnswers;
    if (reversedAnswers > 0) {
        --reversedAnswers;
        std::reverse(frames.begin(), frames.end());
    }
    if (shortAnswers > 0) {
        --shortAnswers;
        frames.pop_back();
    }
    if (lyingLengthAnswers > 0) {
        --lyingLengthAnswers;
        frames.back()[2] = static_cast<char>(static_cast<unsigned char>(frames.back()[2]) + 10);
    }
    std::string out;
    for (auto& f : frames) out += f;
    line.reply(*this, out);
}

}  // namespace tbcom::sim
