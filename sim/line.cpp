#include "line.h"

#include <algorithm>

namespace tbcom::sim {

namespace {

bool understands(const SerialSettings& a, const SerialSettings& b) {
    return a.baud == b.baud && a.dataBits == b.dataBits && a.parity == b.parity;
}

// What a receiver at the wrong settings makes of a byte: deterministic
// garbage that fails every checksum of the bench's protocols.
std::uint8_t garble(std::uint8_t b) { return static_cast<std::uint8_t>((b ^ 0x5A) + 0x33); }

}  // namespace

std::uint64_t Line::charUs(const SerialSettings& s) {
    int bits = 1 + s.dataBits + (s.parity == platform::Parity::None ? 0 : 1) +
               (s.stopBits == platform::StopBits::One ? 1 : 2);
    std::uint32_t baud = s.baud ? s.baud : 1;
    return (static_cast<std::uint64_t>(bits) * 1000000 + baud - 1) / baud;
}

bool Line::hostWrite(std::string_view bytes) {
    Fault f;
    if (vanishIn_ < 0 && takeFault("*", FaultKind::Vanish, &f)) vanishIn_ = f.param > 0 ? f.param : 0;
    if (vanished()) {
        rx_.clear();  // what was on its way is lost with the adapter
        return false;
    }
    if (vanishIn_ > 0) --vanishIn_;
    const std::uint64_t now = clock_.us;
    log_.push_back({WireEntry::FromHost, now, std::string(bytes), "", host_});
    burstEndUs_ = now + charUs(host_) * bytes.size();
    lineFreeUs_ = std::max(lineFreeUs_, burstEndUs_);
    for (auto& d : devices_) {
        if (!d->powered || !understands(d->settings(), host_)) continue;
        d->onBurst(bytes, *this);
    }
    return true;
}

int Line::hostQueued() const {
    int n = 0;
    for (auto& p : rx_) {
        if (p.atUs > clock_.us) break;
        ++n;
    }
    return n;
}

int Line::hostRead(std::uint8_t* buf, int max) {
    int n = 0;
    while (n < max && !rx_.empty() && rx_.front().atUs <= clock_.us) {
        buf[n++] = rx_.front().byte;
        rx_.pop_front();
    }
    return n;
}

void Line::hostPurge() {
    // Only what the driver already holds is discarded; bytes still on the
    // wire arrive afterwards.
    while (!rx_.empty() && rx_.front().atUs <= clock_.us) rx_.pop_front();
}

std::uint64_t Line::nextArrivalUs() const {
    for (auto& p : rx_)
        if (p.atUs > clock_.us) return p.atUs;
    return 0;
}

std::uint64_t Line::runEndUs(std::uint64_t limitUs) const {
    std::uint64_t end = 0;
    for (auto& p : rx_) {
        if (p.atUs <= clock_.us) continue;
        if (p.atUs > limitUs || (end != 0 && p.atUs - end > charUs(host_))) break;
        end = p.atUs;
    }
    return end;
}

bool Line::takeFault(const std::string& device, FaultKind kind, Fault* out) {
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (it->kind != kind || (it->device != "*" && it->device != device)) continue;
        if (out) *out = *it;
        if (it->times > 0 && --it->times == 0) faults_.erase(it);
        return true;
    }
    return false;
}

void Line::reply(const Device& from, std::string bytes, double turnaround) {
    Fault f;
    if (takeFault(from.name(), FaultKind::Silence)) return;
    if (takeFault(from.name(), FaultKind::Babble, &f)) {
        babble(from, f, turnaround);
        return;
    }
    if (takeFault(from.name(), FaultKind::BadChecksum) && bytes.size() >= 2)
        bytes[bytes.size() - 2] = static_cast<char>(bytes[bytes.size() - 2] ^ 0x01);
    if (takeFault(from.name(), FaultKind::Short, &f))
        bytes.resize(bytes.size() > static_cast<size_t>(f.param) ? bytes.size() - f.param : 0);
    double extra = 0;
    if (takeFault(from.name(), FaultKind::Delay, &f)) extra = f.seconds;
    std::string noise;
    if (takeFault(from.name(), FaultKind::Noise, &f)) noise = f.bytes;
    double splitGap = -1;
    if (takeFault(from.name(), FaultKind::Split, &f)) splitGap = f.seconds;
    if (takeFault(from.name(), FaultKind::Trailing, &f)) bytes += f.bytes;

    const SerialSettings& s = from.settings();
    std::uint64_t start = std::max(lineFreeUs_, burstEndUs_ + static_cast<std::uint64_t>((turnaround + extra) * 1e6));
    std::string all = noise + bytes;
    if (splitGap >= 0 && all.size() >= 2) {
        size_t half = noise.size() + bytes.size() / 2;
        schedule(start, all.substr(0, half), s);
        std::uint64_t second = start + charUs(s) * half + static_cast<std::uint64_t>(splitGap * 1e6);
        schedule(second, all.substr(half), s);
    } else {
        schedule(start, all, s);
    }
    log_.push_back({WireEntry::ToHost, start, all, from.name(), s});
}

void Line::babble(const Device& from, const Fault& f, double turnaround) {
    if (f.bytes.empty()) return;
    const SerialSettings& s = from.settings();
    const std::uint64_t gapUs = static_cast<std::uint64_t>(f.param > 0 ? f.param : 1) * 1000;
    std::uint64_t t = std::max(lineFreeUs_, burstEndUs_ + static_cast<std::uint64_t>(turnaround * 1e6));
    const std::uint64_t end = t + static_cast<std::uint64_t>(f.seconds * 1e6);
    log_.push_back({WireEntry::ToHost, t, f.bytes, from.name(), s});
    // Starts behind everything scheduled: appended in order, no sorting.
    const std::uint64_t c = charUs(s);
    const bool clear = understands(s, host_);
    for (; t < end; t += gapUs)
        for (unsigned char b : f.bytes) rx_.push_back({t += c, clear ? b : garble(b)});
    lineFreeUs_ = std::max(lineFreeUs_, t);
}

void Line::schedule(std::uint64_t startUs, const std::string& bytes, const SerialSettings& s) {
    const std::uint64_t c = charUs(s);
    const bool clear = understands(s, host_);
    // Bytes that all come after those in flight keep the queue in order.
    const bool inOrder = rx_.empty() || rx_.back().atUs <= startUs + c;
    std::uint64_t t = startUs;
    for (unsigned char b : bytes) {
        t += c;
        rx_.push_back({t, clear ? b : garble(b)});
    }
    lineFreeUs_ = std::max(lineFreeUs_, t);
    if (!inOrder)
        std::stable_sort(rx_.begin(), rx_.end(), [](const Pending& a, const Pending& b) { return a.atUs < b.atUs; });
}

std::vector<std::string> Line::hostWrites() const {
    std::vector<std::string> out;
    for (auto& e : log_)
        if (e.dir == WireEntry::FromHost) out.push_back(e.bytes);
    return out;
}

std::vector<WireEntry> Line::hostWriteEntries() const {
    std::vector<WireEntry> out;
    for (auto& e : log_)
        if (e.dir == WireEntry::FromHost) out.push_back(e);
    return out;
}

}  // namespace tbcom::sim
