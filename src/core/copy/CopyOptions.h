// The customized copy of the Options dialog: the ten stored copy options, the copy format built
// from them, the seven sort orders and the summary line under the preview.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/format/ItemParts.h"
#include "core/format/Items.h"

namespace quillet {

class MAbortBase;

// The ten copy options, each an integer as stored. Booleans hold 0 or 1; a choice holds the index of
// its list entry (a value set by other means, such as the command line, is read by the rules below as
// their "any other value" case).
struct CopyOptions {
    int filenamesSeparator = 0;  // 0 line break, 1 comma + line break, 2 space, 3 tab, 4 comma
    int filenamesQuote = 0;
    int filenamesQuoteChar = 0;  // 0 double quote, 1 single quote
    int fullPath = 0;
    int pathSeparator = 0;  // 0 unchanged, 1 doubled, 2 forward slash
    int addSize = 0;
    int sizeUnits = 0;  // 0 bytes, 1 KB, 2 MB, 3 GB, 4 automatic
    int addDate = 0;
    int dateFormat = 0;  // 0 short date & time, 1 long date & time, 2 short date, 3 long date
    int sortOption = 0;  // a SortOrder
};

// The orders of an ItemSelection's flat array.
enum class SortOrder : std::uint32_t {
    AsSelected = 0,
    NameAscending = 1,
    NameDescending = 2,
    SizeAscending = 3,
    SizeDescending = 4,
    ModifiedAscending = 5,
    ModifiedDescending = 6,
};

enum class CopyOptionKind { Boolean, Choice };

// One stored option: its profile value name, its kind, where it lives in CopyOptions and, for a
// choice, the entries of its drop-down list (the index of an entry is the stored value).
struct CopyOptionField {
    std::u16string_view profileName;
    CopyOptionKind kind;
    int CopyOptions::*value;
    std::span<const std::u16string_view> entries;
};

// The ten options in their stored order; the Options dialog fills its lists from these entries.
std::span<const CopyOptionField> CopyOptionFields();

inline constexpr std::u16string_view kCopyOptionsSection = u"Options";
inline constexpr std::u16string_view kCopyOptionsFileName = u"ScrivelShExt.INI";

// The options shared by every Options dialog of the process; all 0 until loaded.
CopyOptions& SharedCopyOptions();

// The per-user profile that keeps the options, beside the command file; empty when the platform
// names no per-user folder.
std::u16string CopyOptionsFile();

// Reads the ten values from the profile file into options. A value the profile does not hold keeps
// the value options had; a boolean read as any non-zero value becomes 1; a choice outside its list
// becomes its default.
void LoadCopyOptions(CopyOptions& options, const std::u16string& file);
// Writes the ten values to the profile file in their stored order, creating its folder first.
// Failures are ignored, as nothing can be done about them where options are saved.
void SaveCopyOptions(const CopyOptions& options, const std::u16string& file);
// The same for the shared options and the per-user profile.
void LoadCopyOptions();
void SaveCopyOptions();

// The copy format of the customized copy: optional quotes around the name or path, optional size and
// date after tabs, the chosen separator between items, nothing before, after or at the end.
CopyFormat BuildOptionsCopyFormat(const CopyOptions& options);

// Orders the flat array by the selection's order (1-6); 0 and any other value leave it as it is.
// With abort, a long sort asks it now and then (letting a window's messages through) and stops,
// returning false, once it says so; the order is then unfinished.
bool SortSelection(ItemSelection& selection, MAbortBase* abort = nullptr);

// Compares names as the name orders do: A-Z equal to a-z, every other character by its code unit.
int CompareNames(std::u16string_view a, std::u16string_view b);

// A count in the user's locale's digit grouping, without a fraction; plain digits when the platform's
// number formatting fails.
std::u16string FormatGroupedNumber(std::uint64_t count);

// The line under the preview: the flat array's count and total size.
std::u16string SummaryText(const ItemSelection& selection);

}  // namespace quillet
