// Digit grouping by a C locale grouping string, shared by both platform layers.
#include <climits>

#include "platform/Locale.h"

namespace quillet::platform {

std::u16string GroupDigits(std::u16string_view digits, std::string_view grouping,
                           std::u16string_view separator) {
    // Group sizes from the right: each byte of grouping in turn, the last one repeating.
    std::u16string reversed;
    reversed.reserve(digits.size() * 2);
    std::size_t groupIndex = 0;
    std::size_t inGroup = 0;
    bool groupingEnded = grouping.empty();
    for (std::size_t i = digits.size(); i-- > 0;) {
        if (!groupingEnded) {
            const char size = grouping[groupIndex];
            if (size <= 0 || size == CHAR_MAX) {
                groupingEnded = true;
            } else if (inGroup == static_cast<std::size_t>(size)) {
                reversed.append(separator.rbegin(), separator.rend());
                inGroup = 0;
                if (groupIndex + 1 < grouping.size()) {
                    ++groupIndex;
                    const char next = grouping[groupIndex];
                    groupingEnded = next <= 0 || next == CHAR_MAX;
                }
            }
        }
        reversed.push_back(digits[i]);
        ++inGroup;
    }
    return std::u16string(reversed.rbegin(), reversed.rend());
}

}  // namespace quillet::platform
