#include "source/drivers/dbf_table.h"

#include "core/numbers.h"
#include "core/text.h"

namespace tbcom::source::drivers {

namespace {

constexpr std::size_t kHeaderBytes = 32;
constexpr std::size_t kDescriptorBytes = 32;
constexpr char kDescriptorEnd = 0x0D;

std::uint32_t le(std::string_view s, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + static_cast<std::size_t>(i)]);
    return v;
}

}  // namespace

std::optional<DbfTable> DbfTable::Parse(std::string bytes) {
    if (bytes.size() < kHeaderBytes + 1) return std::nullopt;
    // Version 4 in the low bits is the later format with 48-byte
    // descriptors, which this reader does not know.
    if ((static_cast<unsigned char>(bytes[0]) & 0x07) == 4) return std::nullopt;
    DbfTable t;
    t.count_ = le(bytes, 4, 4);
    t.headerLen_ = le(bytes, 8, 2);
    t.recordLen_ = le(bytes, 10, 2);
    if (t.headerLen_ < kHeaderBytes + 1 || t.headerLen_ > bytes.size() || t.recordLen_ < 1) return std::nullopt;

    std::size_t at = kHeaderBytes, offset = 1;  // byte 0 of a record is its deleted flag
    for (;; at += kDescriptorBytes) {
        if (at >= t.headerLen_) return std::nullopt;  // no end mark inside the header
        if (bytes[at] == kDescriptorEnd) break;
        if (at + kDescriptorBytes > t.headerLen_) return std::nullopt;
        std::string name = bytes.substr(at, 11);
        name = core::UpperAscii(core::Trim(name.substr(0, name.find('\0'))));
        const std::size_t len = static_cast<unsigned char>(bytes[at + 16]);
        t.fields_.push_back({name, offset, len});
        offset += len;
    }
    if (offset > t.recordLen_) return std::nullopt;
    const std::uint64_t need = t.headerLen_ + static_cast<std::uint64_t>(t.count_) * t.recordLen_;
    if (need > bytes.size()) return std::nullopt;  // cut short
    t.bytes_ = std::move(bytes);
    return t;
}

bool DbfTable::deleted(std::size_t record) const { return bytes_[headerLen_ + record * recordLen_] == '*'; }

const DbfTable::Field* DbfTable::find(std::string_view name) const {
    const std::string want = core::UpperAscii(name);
    for (const Field& f : fields_)
        if (f.name == want) return &f;
    return nullptr;
}

std::string_view DbfTable::text(std::size_t record, const Field& f) const {
    return std::string_view(bytes_).substr(headerLen_ + record * recordLen_ + f.offset, f.length);
}

std::optional<std::size_t> DbfTable::findFirst(std::string_view field, double key) const {
    const Field* f = find(field);
    if (!f) return std::nullopt;
    for (std::size_t r = 0; r < count_; ++r) {
        if (deleted(r)) continue;
        auto v = core::TryTextToFloat(core::Trim(text(r, *f)));
        if (v && *v == key) return r;
    }
    return std::nullopt;
}

double DbfTable::number(std::size_t record, std::string_view field) const {
    const Field* f = find(field);
    if (!f || record >= count_) return 0;
    return core::TryTextToFloat(core::Trim(text(record, *f))).value_or(0);
}

}  // namespace tbcom::source::drivers
