// The customized copy of the Options dialog: the ten stored copy options, the copy format built
// from them, the sort orders and the summary line under the preview.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/format/ItemParts.h"
#include "core/format/Items.h"

namespace quillet {

class MAbortBase;

// The orders of an ItemSelection's flat array.
enum class SortOrder : std::uint32_t {
    AsSelected = 0,
    NameAscending = 1,
    NameDescending = 2,
    SizeAscending = 3,
    SizeDescending = 4,
    ModifiedAscending = 5,
    ModifiedDescending = 6,
    // Names with their digit runs compared by value. Versions that know only 0 to 6 read these as
    // an unknown choice and copy as selected, so a stored 7 or 8 stays readable both ways.
    NaturalNameAscending = 7,
    NaturalNameDescending = 8,
};

// What comes between two items.
enum class ItemSeparator : std::int32_t { LineBreak = 0, CommaLineBreak = 1, Space = 2, Tab = 3, Comma = 4 };
enum class QuoteMark : std::int32_t { Double = 0, Single = 1 };

// The ten copy options. A choice's number, as stored, is the index of its list entry.
struct CopyOptions {
    ItemSeparator filenamesSeparator = ItemSeparator::LineBreak;
    bool filenamesQuote = false;
    QuoteMark filenamesQuoteChar = QuoteMark::Double;
    bool fullPath = false;
    PathSeparator pathSeparator = PathSeparator::Backslash;
    bool addSize = false;
    SizeUnit sizeUnits = SizeUnit::Bytes;
    bool addDate = false;
    DateStyle dateFormat = DateStyle::ShortDateTime;
    SortOrder sortOption = SortOrder::AsSelected;
};

enum class CopyOptionKind { Boolean, Choice };

// One stored option: its profile value name, its kind, for a choice the entries of its drop-down
// list (the index of an entry is the stored value), and its number as stored (a boolean 0 or 1).
struct CopyOptionField {
    std::u16string_view profileName;
    CopyOptionKind kind;
    std::span<const std::u16string_view> entries;
    int (*stored)(const CopyOptions& options);
    // Any non-zero number sets a boolean; a choice takes the number as it is.
    void (*store)(CopyOptions& options, int value);
};

// The ten options in their stored order; the Options dialog fills its lists from these entries.
std::span<const CopyOptionField> CopyOptionFields();

inline constexpr std::u16string_view kCopyOptionsSection = u"Options";
inline constexpr std::u16string_view kCopyOptionsFileName = u"ScrivelShExt.INI";

// The per-user profile that keeps the options, beside the command file; empty when the platform
// names no per-user folder.
std::u16string CopyOptionsFile();

// Reads the ten values from the profile file into options. A value the profile does not hold keeps
// the value options had; a boolean read as any non-zero value becomes 1; a choice outside its list
// becomes its default.
void LoadCopyOptions(CopyOptions& options, const std::u16string& file);
// Writes the ten values to the profile file in their stored order, creating its folder first.
// A failure is logged (LogFailure), as nothing else can be done about it where options are saved.
void SaveCopyOptions(const CopyOptions& options, const std::u16string& file);
// The options stored in the per-user profile (CopyOptionsFile), the defaults where it holds none.
CopyOptions StoredCopyOptions();

// The copy format of the customized copy: optional quotes around the name or path, optional size and
// date after tabs, the chosen separator between items, nothing before, after or at the end.
CopyFormat BuildOptionsCopyFormat(const CopyOptions& options);

// The part of the flat array a sort puts in order: the items before `from` are in place already and
// belong before all others; of the rest, only the first places up to `upTo` need their items, the
// items behind them following in no particular order (all a preview of the first ones needs).
struct SortSpan {
    std::size_t from = 0;
    std::size_t upTo = static_cast<std::size_t>(-1);
};

// Orders the flat array (or the span of it) by the selection's order (a SortOrder); AsSelected and
// any other value leave it as it is.
// With abort, a long sort asks it now and then (letting a window's messages through) and stops,
// returning false, once it says so; the order is then unfinished.
bool SortSelection(ItemSelection& selection, MAbortBase* abort = nullptr, SortSpan span = {});

// Puts a selection in its order: the flat array rebuilt from the added items (Flatten, with expanded
// folders while the selection expands them), then sorted by the selection's order. With abort, as
// SortSelection: false once abort stopped the sort.
bool ArrangeSelection(ItemSelection& selection, MAbortBase* abort = nullptr);

// Compares names as the name orders do: A-Z equal to a-z, every other character by its code unit.
int CompareNames(std::u16string_view a, std::u16string_view b);

// Compares names as the natural orders do (file2 before file10): as CompareNames, except that a run
// of the digits 0-9 compares by its value, of any length, against another run; against any other
// character it compares as its first digit does. Names equal so are ordered by the first pair of runs
// whose leading zeros differ, fewer first (file1 before file01), so only identical names compare
// equal apart from the case of A-Z.
int CompareNamesNumerically(std::u16string_view a, std::u16string_view b);

// A count in the user's locale's digit grouping, without a fraction; plain digits when the platform's
// number formatting fails.
std::u16string FormatGroupedNumber(std::uint64_t count);

// The line under the preview: the flat array's count and total size.
std::u16string SummaryText(const ItemSelection& selection);

}  // namespace quillet
