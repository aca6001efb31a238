// Windows' own time structures for the time and locale sides of the Win32 layer.
#pragma once

#include <windows.h>

#include <optional>

#include "platform/Time.h"

namespace quillet::platform {

// A FILETIME as whole seconds since 1970 UTC.
FileTimeSeconds SecondsOf(const FILETIME& time);

SYSTEMTIME ToSystemTime(const LocalDateTime& time);

}  // namespace quillet::platform
