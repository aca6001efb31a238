// Windows' own time structures for the time and locale sides of the Win32 layer.
#pragma once

#include <windows.h>

#include <optional>

#include "platform/Time.h"

namespace quillet::platform {

// A file's UTC time as local date and time of the zone in effect on that date; empty when Windows
// cannot convert it.
std::optional<LocalDateTime> LocalFromFileTime(const FILETIME& fileTime);

// A FILETIME as whole seconds since 1970 UTC.
FileTimeSeconds SecondsOf(const FILETIME& time);

SYSTEMTIME ToSystemTime(const LocalDateTime& time);

}  // namespace quillet::platform
