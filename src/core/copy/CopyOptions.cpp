#include "core/copy/CopyOptions.h"

#include <algorithm>
#include <type_traits>

#include "core/commands/CommandFile.h"
#include "core/copy/FolderScan.h"
#include "core/failure/Failure.h"
#include "core/messages/Messages.h"
#include "platform/AsciiCase.h"
#include "platform/Diagnostics.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/Paths.h"
#include "platform/Profile.h"

namespace quillet {
namespace {

constexpr std::u16string_view kSeparatorEntries[] = {u"One per line", u"One per line + comma", u"Space",
                                                     u"Tab", u"Comma"};
// What each of them puts between two items, in the same order.
constexpr std::u16string_view kItemSeparatorTexts[] = {u"\n", u",\n", u" ", u"\t", u","};
constexpr std::u16string_view kQuoteCharEntries[] = {u"Double quote (\")", u"Single quote (')"};
constexpr std::u16string_view kPathSeparatorEntries[] = {u"\\", u"\\\\", u"/"};
constexpr std::u16string_view kSizeUnitEntries[] = {u"Bytes", u"KB", u"MB", u"GB", u"Auto"};
constexpr std::u16string_view kDateFormatEntries[] = {u"Short date & time", u"Long date & time",
                                                      u"Short date", u"Long date"};
constexpr std::u16string_view kSortEntries[] = {u"As selected",
                                                u"By name (A-Z)",
                                                u"By name (Z-A)",
                                                u"By size (smallest first)",
                                                u"By size (largest first)",
                                                u"By modified date (oldest first)",
                                                u"By modified date (newest first)",
                                                u"By name, numbers by value (A-Z)",
                                                u"By name, numbers by value (Z-A)"};
// The list's index is the stored SortOrder.
static_assert(std::size(kSortEntries) == static_cast<std::size_t>(SortOrder::NaturalNameDescending) + 1);

// An option's number as stored, and the option set from one.
template <auto Member>
int StoredNumber(const CopyOptions& options) {
    return static_cast<int>(options.*Member);
}
template <auto Member>
void StoreNumber(CopyOptions& options, int value) {
    using Value = std::remove_reference_t<decltype(options.*Member)>;
    options.*Member = static_cast<Value>(value);
}
template <auto Member>
constexpr CopyOptionField Field(std::u16string_view profileName,
                                std::span<const std::u16string_view> entries = {}) {
    return {profileName, entries.empty() ? CopyOptionKind::Boolean : CopyOptionKind::Choice, entries,
            &StoredNumber<Member>, &StoreNumber<Member>};
}

constexpr CopyOptionField kFields[] = {
    Field<&CopyOptions::filenamesSeparator>(u"Filenames Separator", kSeparatorEntries),
    Field<&CopyOptions::filenamesQuote>(u"Filenames Quote"),
    Field<&CopyOptions::filenamesQuoteChar>(u"Filenames Quote Char", kQuoteCharEntries),
    Field<&CopyOptions::fullPath>(u"Full Path"),
    Field<&CopyOptions::pathSeparator>(u"Path Separator", kPathSeparatorEntries),
    Field<&CopyOptions::addSize>(u"Add Size"),
    Field<&CopyOptions::sizeUnits>(u"Size Units", kSizeUnitEntries),
    Field<&CopyOptions::addDate>(u"Add Date"),
    Field<&CopyOptions::dateFormat>(u"Date Format", kDateFormatEntries),
    Field<&CopyOptions::sortOption>(u"Sort Option", kSortEntries),
};

std::u16string DecimalText(std::int64_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

// The ascending orders; a descending order is its ascending twin with the operands swapped.
bool NameBefore(const CFItem* a, const CFItem* b) {
    return CompareNames(a->Name(), b->Name()) < 0;
}

bool SizeBefore(const CFItem* a, const CFItem* b) {
    if (a->size != b->size) {
        return a->size < b->size;
    }
    if (a->IsFolder() != b->IsFolder()) {
        return a->IsFolder();  // a folder before a file of the same size
    }
    return NameBefore(a, b);
}

bool ModifiedBefore(const CFItem* a, const CFItem* b) {
    if (a->modified != b->modified) {
        return a->modified < b->modified;
    }
    return NameBefore(a, b);
}

// Sorts like std::sort. With abort, a long range is sorted in slices that are then merged pairwise,
// asking abort between the steps, so that no step takes long; false once abort says stop.
template <class Iterator, class Less>
bool SortInSteps(Iterator first, Iterator last, Less less, MAbortBase* abort) {
    constexpr std::ptrdiff_t kSlice = 8192;
    const std::ptrdiff_t count = last - first;
    if (abort == nullptr || count <= kSlice) {
        std::sort(first, last, less);
        return true;
    }
    for (std::ptrdiff_t start = 0; start < count; start += kSlice) {
        std::sort(first + start, first + std::min(count, start + kSlice), less);
        if (abort->CheckAbort()) {
            return false;
        }
    }
    for (std::ptrdiff_t width = kSlice; width < count; width *= 2) {
        for (std::ptrdiff_t start = 0; start + width < count; start += 2 * width) {
            std::inplace_merge(first + start, first + start + width,
                               first + std::min(count, start + 2 * width), less);
            if (abort->CheckAbort()) {
                return false;
            }
        }
    }
    return true;
}

// Sorts the span of [first, last): the items from span.from on, of which only the first places up to
// span.upTo need their own items (found by partitioning, which costs a fraction of a sort).
template <class Iterator, class Less>
bool SortSpanInSteps(Iterator first, Iterator last, SortSpan span, Less less, MAbortBase* abort) {
    const auto count = static_cast<std::size_t>(last - first);
    const std::size_t from = std::min(span.from, count);
    const std::size_t upTo = std::min(span.upTo, count);
    if (upTo <= from) {
        return true;
    }
    first += static_cast<std::ptrdiff_t>(from);
    if (upTo < count) {
        const Iterator end = first + static_cast<std::ptrdiff_t>(upTo - from);
        std::nth_element(first, end, last, less);
        last = end;
    }
    return SortInSteps(first, last, less, abort);
}

// Sorting by name compares the names many times: sort compact copies of the name views (as small
// as a string view, with the item's index in place of half its length field), so that each
// comparison reads the characters directly, then put the items back in that order. Both numbers fit
// 32 bits: a name is a file system's, at most 32,767 characters, and a selection is held in memory.
template <int (*Compare)(std::u16string_view, std::u16string_view)>
bool SortByName(std::vector<CFItem*>& flat, bool descending, SortSpan span, MAbortBase* abort) {
    struct Entry {
        const char16_t* chars;
        std::uint32_t length;
        std::uint32_t index;
        std::u16string_view Name() const { return {chars, length}; }
    };
    std::vector<Entry> entries;
    entries.reserve(flat.size());
    for (std::size_t i = 0; i < flat.size(); ++i) {
        const std::u16string_view name = flat[i]->Name();
        entries.push_back(
            {name.data(), static_cast<std::uint32_t>(name.size()), static_cast<std::uint32_t>(i)});
    }
    const bool done =
        descending
            ? SortSpanInSteps(
                  entries.begin(), entries.end(), span,
                  [](const Entry& a, const Entry& b) { return Compare(b.Name(), a.Name()) < 0; }, abort)
            : SortSpanInSteps(
                  entries.begin(), entries.end(), span,
                  [](const Entry& a, const Entry& b) { return Compare(a.Name(), b.Name()) < 0; }, abort);
    if (!done) {
        return false;
    }
    std::vector<CFItem*> sorted;
    sorted.reserve(flat.size());
    for (const Entry& entry : entries) {
        sorted.push_back(flat[entry.index]);
    }
    flat = std::move(sorted);
    return true;
}

constexpr bool IsDigit(char16_t c) {
    return static_cast<unsigned>(c - u'0') < 10u;
}

// Where the run of zeros, or of digits, that starts at `at` ends.
std::size_t EndOfZeros(std::u16string_view text, std::size_t at) {
    while (at < text.size() && text[at] == u'0') {
        ++at;
    }
    return at;
}

std::size_t EndOfDigits(std::u16string_view text, std::size_t at) {
    while (at < text.size() && IsDigit(text[at])) {
        ++at;
    }
    return at;
}

}  // namespace

std::span<const CopyOptionField> CopyOptionFields() {
    return kFields;
}

std::u16string CopyOptionsFile() {
    const std::u16string commandFile = userCommandFile();
    if (commandFile.empty()) {
        return {};
    }
    return commandFile.substr(0, NameOffsetOf(commandFile)) + std::u16string(kCopyOptionsFileName);
}

void LoadCopyOptions(CopyOptions& options, const std::u16string& file) {
    if (file.empty()) {
        return;
    }
    for (const CopyOptionField& field : kFields) {
        const int value =
            platform::ReadProfileInt(file, kCopyOptionsSection, field.profileName, field.stored(options));
        // A choice no list entry stands for would show as a blank list and shape the text by the
        // rules for other values (items run together, Quote ticked without quotes): use the default,
        // which the next save then stores.
        const bool listed = value >= 0 && static_cast<std::size_t>(value) < field.entries.size();
        field.store(options,
                    field.kind == CopyOptionKind::Choice && !listed ? field.stored(CopyOptions{}) : value);
    }
}

void SaveCopyOptions(const CopyOptions& options, const std::u16string& file) {
    if (file.empty()) {
        return;
    }
    const std::size_t folderEnd = file.find_last_of(platform::kPathSeparator);
    if (folderEnd != std::u16string::npos && folderEnd > 0) {
        platform::CreateFolders(file.substr(0, folderEnd));
    }
    for (const CopyOptionField& field : kFields) {
        if (!platform::WriteProfileValue(file, kCopyOptionsSection, field.profileName,
                                         DecimalText(field.stored(options)))) {
            QUILLET_LOG_FAILURE_IN(FailureFromSystemError(platform::LastSystemError()),
                                   "saving the copy options", file, -1);
            return;  // the next values would fail alike
        }
    }
}

CopyOptions StoredCopyOptions() {
    CopyOptions options;
    LoadCopyOptions(options, CopyOptionsFile());
    return options;
}

CopyFormat BuildOptionsCopyFormat(const CopyOptions& options) {
    CopyFormat format;
    std::u16string quote;
    if (options.filenamesQuote && options.filenamesQuoteChar == QuoteMark::Double) {
        quote = u"\"";
    } else if (options.filenamesQuote && options.filenamesQuoteChar == QuoteMark::Single) {
        quote = u"'";
    }
    if (!quote.empty()) {
        format.parts.push_back(std::make_unique<ItemPartText>(quote));
    }
    const bool knownSeparator = options.pathSeparator == PathSeparator::DoubleBackslash ||
                                options.pathSeparator == PathSeparator::ForwardSlash;
    format.parts.push_back(
        std::make_unique<ItemPartPath>(options.fullPath ? PathComponent::Path : PathComponent::Name,
                                       knownSeparator ? options.pathSeparator : PathSeparator::Backslash));
    if (!quote.empty()) {
        format.parts.push_back(std::make_unique<ItemPartText>(quote));
    }
    if (options.addSize) {
        const bool knownUnit = options.sizeUnits >= SizeUnit::Bytes && options.sizeUnits <= SizeUnit::Auto;
        format.parts.push_back(std::make_unique<ItemPartText>(u"\t"));
        format.parts.push_back(
            std::make_unique<ItemPartSize>(knownUnit ? options.sizeUnits : SizeUnit::Bytes));
    }
    if (options.addDate) {
        const bool knownStyle =
            options.dateFormat >= DateStyle::ShortDateTime && options.dateFormat <= DateStyle::LongDate;
        format.parts.push_back(std::make_unique<ItemPartText>(u"\t"));
        format.parts.push_back(std::make_unique<ItemPartDate>(
            DateStamp::Modified, knownStyle ? options.dateFormat : DateStyle::ShortDate));
    }
    // A number no entry stands for puts nothing between the items.
    if (const auto separator = static_cast<std::size_t>(options.filenamesSeparator);
        separator < std::size(kItemSeparatorTexts)) {
        format.itemSeparator = kItemSeparatorTexts[separator];
    }
    return format;
}

int CompareNames(std::u16string_view a, std::u16string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const char16_t x = LowerAscii(a[i]);
        const char16_t y = LowerAscii(b[i]);
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

int CompareNamesNumerically(std::u16string_view a, std::u16string_view b) {
    // Most pairs differ outside any digit run: find the first difference as CompareNames does, and
    // read numbers only when a run meets it.
    const std::size_t common = std::min(a.size(), b.size());
    std::size_t i = 0;
    while (i < common && LowerAscii(a[i]) == LowerAscii(b[i])) {
        ++i;
    }
    // A name that runs out first comes first: the run it ends in is the other's run cut short.
    if (i == common) {
        return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
    }
    const std::size_t differs = i;
    while (i > 0 && IsDigit(a[i - 1])) {
        --i;  // back to the start of the run, which is the same in both names
    }
    // Two other characters (any runs before them ended alike), or a run that begins at another
    // character: as the name order.
    if ((!IsDigit(a[differs]) && !IsDigit(b[differs])) ||
        (i == differs && (!IsDigit(a[i]) || !IsDigit(b[i])))) {
        return LowerAscii(a[differs]) < LowerAscii(b[differs]) ? -1 : 1;
    }
    // Two digits that differ: the number with more digits after its leading zeros is the larger;
    // with as many, and as many zeros, these digits decide. Other runs go the long way.
    if (IsDigit(a[differs]) && IsDigit(b[differs])) {
        const std::size_t aValue = EndOfZeros(a, i);
        const std::size_t bValue = EndOfZeros(b, i);
        const std::size_t aEnd = EndOfDigits(a, std::max(aValue, differs));
        const std::size_t bEnd = EndOfDigits(b, std::max(bValue, differs));
        if (aEnd - aValue != bEnd - bValue) {
            return aEnd - aValue < bEnd - bValue ? -1 : 1;
        }
        if (aValue == bValue) {
            return a[differs] < b[differs] ? -1 : 1;
        }
    }
    std::size_t j = i;  // in b: runs of different lengths part the two places
    int zeros = 0;      // the first difference in leading zeros, for names otherwise equal
    while (i < a.size() && j < b.size()) {
        if (!IsDigit(a[i]) || !IsDigit(b[j])) {
            const char16_t x = LowerAscii(a[i]);
            const char16_t y = LowerAscii(b[j]);
            if (x != y) {
                return x < y ? -1 : 1;
            }
            ++i;
            ++j;
            continue;
        }
        const std::size_t aRun = i;
        const std::size_t bRun = j;
        const std::size_t aValue = EndOfZeros(a, aRun);
        const std::size_t bValue = EndOfZeros(b, bRun);
        const std::size_t aZeros = aValue - aRun;
        const std::size_t bZeros = bValue - bRun;
        i = EndOfDigits(a, aValue);
        j = EndOfDigits(b, bValue);
        // Without leading zeros, the longer number is the larger; of equal lengths, the first digit
        // that differs decides.
        if (i - aValue != j - bValue) {
            return i - aValue < j - bValue ? -1 : 1;
        }
        if (const int digits = a.substr(aValue, i - aValue).compare(b.substr(bValue, j - bValue))) {
            return digits < 0 ? -1 : 1;
        }
        if (zeros == 0 && aZeros != bZeros) {
            zeros = aZeros < bZeros ? -1 : 1;
        }
    }
    if (i < a.size() || j < b.size()) {
        return i < a.size() ? 1 : -1;
    }
    return zeros;
}

bool SortSelection(ItemSelection& selection, MAbortBase* abort, SortSpan span) {
    std::vector<CFItem*>& flat = selection.Flat();
    switch (static_cast<SortOrder>(selection.order)) {
        case SortOrder::NameAscending:
            return SortByName<CompareNames>(flat, false, span, abort);
        case SortOrder::NameDescending:
            return SortByName<CompareNames>(flat, true, span, abort);
        case SortOrder::NaturalNameAscending:
            return SortByName<CompareNamesNumerically>(flat, false, span, abort);
        case SortOrder::NaturalNameDescending:
            return SortByName<CompareNamesNumerically>(flat, true, span, abort);
        case SortOrder::SizeAscending:
            return SortSpanInSteps(flat.begin(), flat.end(), span, SizeBefore, abort);
        case SortOrder::SizeDescending:
            return SortSpanInSteps(
                flat.begin(), flat.end(), span,
                [](const CFItem* a, const CFItem* b) { return SizeBefore(b, a); }, abort);
        case SortOrder::ModifiedAscending:
            return SortSpanInSteps(flat.begin(), flat.end(), span, ModifiedBefore, abort);
        case SortOrder::ModifiedDescending:
            return SortSpanInSteps(
                flat.begin(), flat.end(), span,
                [](const CFItem* a, const CFItem* b) { return ModifiedBefore(b, a); }, abort);
        default:
            return true;  // as selected: Flatten restores that order
    }
}

bool ArrangeSelection(ItemSelection& selection, MAbortBase* abort) {
    selection.Flatten();
    return SortSelection(selection, abort);
}

std::u16string FormatGroupedNumber(std::uint64_t count) {
    const std::string digits = std::to_string(count);
    const std::u16string text(digits.begin(), digits.end());
    const auto formatted = platform::FormatNumberForLocale(text);
    return formatted && !formatted->empty() ? *formatted : text;
}

std::u16string SummaryText(const ItemSelection& selection) {
    const std::u16string count = FormatGroupedNumber(selection.Flat().size());
    const std::u16string total = FormatGroupedNumber(selection.totalSize);
    const MessageId message = selection.hasFolder && !selection.expand ? MessageId::SummaryFilesAndFolders
                                                                       : MessageId::SummaryFiles;
    return FormatMessageText(message, {count, total});
}

}  // namespace quillet
