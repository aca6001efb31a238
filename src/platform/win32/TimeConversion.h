#pragma once

#include <windows.h>

#include <optional>

#include "platform/Platform.h"

namespace quillet::platform {

// A file's UTC time as local date and time of the zone in effect on that date; empty when Windows
// cannot convert it.
std::optional<LocalDateTime> LocalFromFileTime(const FILETIME& fileTime);

SYSTEMTIME ToSystemTime(const LocalDateTime& time);

}  // namespace quillet::platform
