#include "core/format/ItemParts.h"

#include <algorithm>

#include "platform/Locale.h"
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

// Where the last `count` components of path begin.
std::size_t StartOfLastComponents(std::u16string_view path, char16_t separator, std::size_t count) {
    std::size_t at = path.size();
    for (std::size_t seen = 0; at > 0; --at) {
        if (path[at - 1] == separator && ++seen == count) {
            break;
        }
    }
    return at;
}

// Appends text with every separator written as the separator tag says.
void AppendWithSeparator(std::u16string_view text, char16_t native, PathSeparator separator,
                         TextBuffer& buffer) {
    if (separator == PathSeparator::Backslash) {
        buffer.AppendRaw(text);
        return;
    }
    buffer.Reserve(text.size() * (separator == PathSeparator::DoubleBackslash ? 2 : 1));
    for (const char16_t c : text) {
        if (c != native) {
            buffer.AppendChar(c);
        } else if (separator == PathSeparator::DoubleBackslash) {
            buffer.AppendChar(c);
            buffer.AppendChar(c);
        } else {
            buffer.AppendChar(u'/');
        }
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
        case PathComponent::RepoPath:
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

void ItemPartText::Render(const CFItem&, TextBuffer& buffer, PathLookups&) const {
    buffer.AppendText(text_);
}

void AppendPathPart(std::u16string_view path, std::size_t nameOffset, PathComponent component,
                    PathSeparator separator, PathForm form, PathLookups& lookups, TextBuffer& buffer) {
    const char16_t native = lookups.Separator();
    if (component == PathComponent::RepoPath) {
        const std::size_t folderEnd = path.find_last_of(native);
        const std::size_t root = folderEnd == std::u16string_view::npos
                                     ? folderEnd
                                     : lookups.RepositoryRootLength(path.substr(0, folderEnd));
        if (root != std::u16string_view::npos) {
            const std::u16string_view inTree = path.substr(root + 1);
            if (form == PathForm::Url) {
                lookups.AppendUrl(inTree, false, buffer);
            } else {
                AppendWithSeparator(inTree, native, separator, buffer);
            }
            return;
        }
        component = PathComponent::Path;  // outside any working tree: the full path
    }
    const bool fullPath = component == PathComponent::Path || component == PathComponent::Folder;
    std::u16string_view formed = path;
    char16_t formedSeparator = native;
    std::u16string shortPath;
    switch (form) {
        case PathForm::AsIs:
            break;
        case PathForm::Unc:
        case PathForm::Url:
            if (fullPath) {
                formed = lookups.NetworkPath(path, form == PathForm::Unc);
            }
            break;
        case PathForm::Wsl:
        case PathForm::Msys:
        case PathForm::Cygwin:
            formed = lookups.ShellPath(path, form);
            formedSeparator = formed.data() == path.data() ? native : u'/';
            break;
        case PathForm::Short:
            shortPath = lookups.ShortPath(path);
            formed = shortPath;
            break;
    }
    std::size_t nameStart = nameOffset;
    if (formed.data() != path.data()) {
        // A form rewrites the start of a path (or, short, each of its names): the name is as many
        // components at its end as before.
        const std::u16string_view name = path.substr(std::min(nameOffset, path.size()));
        nameStart =
            StartOfLastComponents(formed, formedSeparator,
                                  static_cast<std::size_t>(std::count(name.begin(), name.end(), native)) + 1);
    }
    const std::u16string_view text = PathComponentText(formed, nameStart, component);
    if (form == PathForm::Url) {
        lookups.AppendUrl(text, fullPath, buffer);
    } else {
        AppendWithSeparator(text, native, separator, buffer);
    }
}

void ItemPartPath::Render(const CFItem& item, TextBuffer& buffer, PathLookups& lookups) const {
    AppendPathPart(item.Path(), item.NameOffset(), component_, separator_, form_, lookups, buffer);
}

void ItemPartType::Render(const CFItem& item, TextBuffer& buffer, PathLookups&) const {
    if (const auto typeName = platform::FileTypeName(std::u16string(item.Name()), item.IsFolder())) {
        buffer.AppendText(*typeName);
    }
}

void ItemPartSize::Render(const CFItem& item, TextBuffer& buffer, PathLookups&) const {
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

void ItemPartDate::Render(const CFItem& item, TextBuffer& buffer, PathLookups&) const {
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

void CopyFormat::RenderItem(const CFItem& item, TextBuffer& buffer, PathLookups& lookups) const {
    for (const auto& part : parts) {
        part->Render(item, buffer, lookups);
    }
}

}  // namespace quillet
