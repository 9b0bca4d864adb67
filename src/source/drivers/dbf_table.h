// A reader of dBASE III/IV tables, enough for the harmonic correction table:
// the header, the field descriptors and the fixed-width records with their
// deleted flag. A file whose structure does not hold together (a header or
// descriptor array that runs past the file, records that do not fit their
// record length, fewer bytes than the header promises) is no table at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tbcom::source::drivers {

class DbfTable {
public:
    static std::optional<DbfTable> Parse(std::string bytes);

    std::size_t records() const { return count_; }
    bool deleted(std::size_t record) const;
    // The first live record whose field reads as the number `key`.
    std::optional<std::size_t> findFirst(std::string_view field, double key) const;
    // A field read as a decimal number (numeric and character fields alike);
    // 0 when it is blank, not a number, or the table has no such field.
    double number(std::size_t record, std::string_view field) const;

private:
    struct Field {
        std::string name;  // upper case, as the descriptor spells it
        std::size_t offset, length;
    };
    const Field* find(std::string_view name) const;
    std::string_view text(std::size_t record, const Field& f) const;

    std::string bytes_;
    std::vector<Field> fields_;
    std::size_t headerLen_ = 0, recordLen_ = 0, count_ = 0;
};

}  // namespace tbcom::source::drivers
