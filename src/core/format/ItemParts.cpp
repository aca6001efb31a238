#include "core/format/ItemParts.h"

#include <algorithm>

#include "platform/Locale.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "platform/Time.h"

namespace quillet {
namespace {

void AppendNumber(std::uint64_t value, TextBuffer& buffer) {
    char16_t digits[20];
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    buffer.Reserve(count);
    while (count > 0) {
        buffer.AppendChar(digits[--count]);
    }
}

// Division rounding up, without the overflow of adding divisor - 1 first.
std::uint64_t DivideRoundingUp(std::uint64_t value, std::uint64_t divisor) {
    return value / divisor + (value % divisor != 0 ? 1 : 0);
}

}  // namespace

std::u16string_view PathComponentText(std::u16string_view path, std::size_t nameOffset,
                                      PathComponent component) {
    const std::u16string_view name = path.substr(std::min(nameOffset, path.size()));
    const std::size_t dot = name.find_last_of(u'.');
    switch (component) {
        case PathComponent::Path:
            return path;
        case PathComponent::Name:
            return name;
        case PathComponent::Folder:
            return path.substr(0, path.size() - name.size());
        case PathComponent::Ext:
            return dot == std::u16string_view::npos ? std::u16string_view() : name.substr(dot + 1);
        case PathComponent::NameNoExt:
            return dot == std::u16string_view::npos ? name : name.substr(0, dot);
    }
    return {};
}

void ItemPartText::Render(const CFItem&, TextBuffer& buffer) const {
    buffer.AppendText(text_);
}

void ItemPartPath::Render(const CFItem& item, TextBuffer& buffer) const {
    const std::u16string_view text = PathComponentText(item.Path(), item.NameOffset(), component_);
    if (separator_ == PathSeparator::Backslash) {
        buffer.AppendRaw(text);
        return;
    }
    buffer.Reserve(text.size() * (separator_ == PathSeparator::DoubleBackslash ? 2 : 1));
    for (const char16_t c : text) {
        if (c != platform::kPathSeparator) {
            buffer.AppendChar(c);
        } else if (separator_ == PathSeparator::DoubleBackslash) {
            buffer.AppendChar(c);
            buffer.AppendChar(c);
        } else {
            buffer.AppendChar(u'/');
        }
    }
}

void ItemPartType::Render(const CFItem& item, TextBuffer& buffer) const {
    if (const auto typeName = platform::FileTypeName(std::u16string(item.Name()), item.IsFolder())) {
        buffer.AppendText(*typeName);
    }
}

void ItemPartSize::Render(const CFItem& item, TextBuffer& buffer) const {
    if (item.IsFolder()) {
        return;  // folders have no size in an item format
    }
    constexpr std::uint64_t kKilo = 1024;
    constexpr std::uint64_t kMega = kKilo * 1024;
    constexpr std::uint64_t kGiga = kMega * 1024;
    const std::uint64_t bytes = item.size;
    SizeUnit unit = unit_;
    if (unit == SizeUnit::Auto) {
        unit = bytes < kKilo   ? SizeUnit::Bytes
               : bytes < kMega ? SizeUnit::Kilobytes
               : bytes < kGiga ? SizeUnit::Megabytes
                               : SizeUnit::Gigabytes;
    }
    std::uint64_t value = bytes;
    char16_t suffix = u'B';
    switch (unit) {
        case SizeUnit::Kilobytes:
            value = DivideRoundingUp(bytes, kKilo), suffix = u'K';
            break;
        case SizeUnit::Megabytes:
            value = DivideRoundingUp(bytes, kMega), suffix = u'M';
            break;
        case SizeUnit::Gigabytes:
            value = DivideRoundingUp(bytes, kGiga), suffix = u'G';
            break;
        default:
            break;
    }
    AppendNumber(value, buffer);
    if (unit_ == SizeUnit::Auto) {
        buffer.AppendChar(suffix);
    }
}

void ItemPartDate::Render(const CFItem& item, TextBuffer& buffer) const {
    const std::int64_t seconds = stamp_ == DateStamp::Modified  ? item.modified
                                 : stamp_ == DateStamp::Created ? item.created
                                                                : item.accessed;
    // The conversion the stamp was made with, which reaches back to 1601 on both platforms.
    const auto local = platform::LocalTimeOfFileTime(seconds);
    if (!local) {
        return;
    }
    const bool longDate = style_ == DateStyle::LongDate || style_ == DateStyle::LongDateTime;
    if (const auto date = platform::FormatDate(*local, longDate)) {
        buffer.AppendText(*date);
    }
    if (style_ == DateStyle::ShortDateTime || style_ == DateStyle::LongDateTime) {
        if (const auto time = platform::FormatTime(*local)) {
            buffer.AppendChar(u' ');
            buffer.AppendText(*time);
        }
    }
}

void CopyFormat::RenderItem(const CFItem& item, TextBuffer& buffer) const {
    for (const auto& part : parts) {
        part->Render(item, buffer);
    }
}

}  // namespace quillet
