// The C library's broken-down time for a local date and time, shared by the time and locale sides.
#pragma once

#include <ctime>

#include "platform/Time.h"

namespace quillet::platform {

std::tm ToTm(const LocalDateTime& time);

}  // namespace quillet::platform
