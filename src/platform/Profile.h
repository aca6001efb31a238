// The initialization-file profile in which the Options dialog keeps its choices.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillet::platform {

// The largest profile file read; a larger one reads as empty, as one that cannot be read does.
inline constexpr std::uint64_t kMaxProfileSize = std::uint64_t{16} << 20;

// The initialization-file profile: sections of "name=value" lines. ReadProfileInt returns the
// value's leading decimal integer (an optional sign and digits after leading blanks; 0 when it has
// none), or defaultValue when the section or name is missing or its value is empty. Windows:
// GetPrivateProfileIntW / WritePrivateProfileStringW; POSIX: the same file format, read and written
// by our own code. Section and value names compare ignoring the case of A-Z.
int ReadProfileInt(const std::u16string& file, std::u16string_view section, std::u16string_view name,
                   int defaultValue);
bool WriteProfileValue(const std::u16string& file, std::u16string_view section, std::u16string_view name,
                       std::u16string_view value);

}  // namespace quillet::platform
