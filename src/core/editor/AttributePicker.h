// The rules of the Insert File/Folder Attribute dialog: five rows (Name, Path, Type, Size, Date), each
// with its lists, and the one attribute reference of the item format language that the checked row
// and its lists' entries make. The dialog binds its radio buttons and lists to this and shows
// Reference() in "Text to insert:".
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "core/messages/Messages.h"

namespace quillet {

struct AttributeKeyword;

enum class AttributeRow { Name, Path, Type, Size, Date };
enum class AttributeList { NameForm, PathSeparator, PathForm, SizeUnit, DateStamp, DateForm };
inline constexpr int kAttributeListCount = static_cast<int>(AttributeList::DateForm) + 1;

// One entry of a list: its text and the piece of the reference it stands for.
struct AttributeEntry {
    MessageId label;
    std::u16string_view piece;
};

// A list's entries in the order the dialog shows them.
std::span<const AttributeEntry> EntriesOf(AttributeList list);

// The row a list belongs to.
AttributeRow RowOf(AttributeList list);

class AttributePicker {
  public:
    // As the dialog opens: Name checked, the first entry of every list chosen.
    AttributePicker() = default;

    // Checking a row enables its lists and disables the others; their choices are kept.
    void Check(AttributeRow row) { checked_ = row; }
    // A choice in an enabled list; ignored for a disabled list or an index outside the list. A form that
    // the Path row's attribute does not take moves that row's other list to an entry that fits.
    void Choose(AttributeList list, int index);

    AttributeRow Checked() const { return checked_; }
    int Choice(AttributeList list) const { return choices_[static_cast<std::size_t>(list)]; }
    bool IsEnabled(AttributeList list) const { return RowOf(list) == checked_; }

    // The checked row's reference, always ending with ";": "$name;", "$folder:forwardslash;",
    // "$path:unc;", "$repopath;".
    std::u16string Reference() const;

  private:
    std::u16string_view Piece(AttributeList list) const;
    // The keyword of the Path row's chosen attribute.
    const AttributeKeyword& PathKeyword() const;

    AttributeRow checked_ = AttributeRow::Name;
    std::array<int, kAttributeListCount> choices_{};
};

}  // namespace quillet
