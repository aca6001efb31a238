#include "core/editor/VisibleSpace.h"

#include <algorithm>

namespace quillet {

std::u16string ToDisplayForm(std::u16string_view stored) {
    std::u16string shown(stored);
    std::replace(shown.begin(), shown.end(), u' ', kVisibleSpace);
    return shown;
}

void VisibleSpaceText::Edit(std::u16string_view shown, std::optional<std::size_t> caret, bool realDots) {
    if (shown.size() == filled_.size() && shown == ToDisplayForm(filled_)) {
        shown_ = shown;
        stored_ = filled_;
        return;
    }
    const std::u16string_view old = shown_;
    const std::size_t shorter = std::min(old.size(), shown.size());
    std::size_t prefix = 0;
    while (prefix < shorter && old[prefix] == shown[prefix]) {
        ++prefix;
    }
    std::size_t suffix = 0;
    if (caret && *caret <= shown.size() && shown.size() - *caret <= old.size() &&
        shown.substr(*caret) == old.substr(old.size() - (shown.size() - *caret))) {
        // The new part ends at the caret: what follows it is the old text's end.
        suffix = shown.size() - *caret;
        prefix = std::min(prefix, std::min(*caret, old.size() - suffix));
    } else {
        while (suffix < shorter - prefix &&
               old[old.size() - 1 - suffix] == shown[shown.size() - 1 - suffix]) {
            ++suffix;
        }
    }
    std::u16string stored = stored_.substr(0, prefix);
    for (const char16_t c : shown.substr(prefix, shown.size() - prefix - suffix)) {
        stored.push_back(c == kVisibleSpace && !realDots ? u' ' : c);
    }
    stored.append(stored_, stored_.size() - suffix, suffix);
    shown_ = shown;
    stored_ = std::move(stored);
}

}  // namespace quillet
