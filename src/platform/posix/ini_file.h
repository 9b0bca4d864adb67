// INI text with the rules of the Windows private-profile calls, over plain
// strings so it can be tested without a file system.
//
// "[name]" starts a section, "key=value" is an entry; names match without
// regard to ASCII case, blanks around names and values are ignored, lines
// starting with ';' are comments. Only the first section of a name counts.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tbcom::platform::posix {

// The value of `key` in `section`, nothing when either is missing.
std::optional<std::string> IniLookup(std::string_view text, std::string_view section, std::string_view key);

// `text` with key=value set in section: an existing entry gets the new value
// in place, a new key goes after the last entry of its section, a new section
// goes at the end. Every other line is kept byte for byte.
std::string IniUpdate(std::string_view text, std::string_view section, std::string_view key,
                      std::string_view value);

}  // namespace tbcom::platform::posix
