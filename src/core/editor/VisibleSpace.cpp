#include "core/editor/VisibleSpace.h"

#include <algorithm>

namespace quillet {

std::u16string ToDisplayForm(std::u16string_view stored) {
    std::u16string shown(stored);
    std::replace(shown.begin(), shown.end(), u' ', kVisibleSpace);
    return shown;
}

std::u16string ToStoredForm(std::u16string_view shown) {
    std::u16string stored(shown);
    std::replace(stored.begin(), stored.end(), kVisibleSpace, u' ');
    return stored;
}

}  // namespace quillet
