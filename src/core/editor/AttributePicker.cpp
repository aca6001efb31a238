#include "core/editor/AttributePicker.h"

namespace quillet {
namespace {

// The first entry of a tag list adds no tag, so that the attribute's default form applies.
constexpr AttributeEntry kNameForms[] = {
    {MessageId::PickNameAndExtension, u"name"},
    {MessageId::PickNameOnly, u"namenoext"},
    {MessageId::PickExtensionOnly, u"ext"},
};
constexpr AttributeEntry kPathSeparators[] = {
    {MessageId::PickBackslash, u""},
    {MessageId::PickDoubleBackslash, u":doublebackslash"},
    {MessageId::PickForwardSlash, u":forwardslash"},
};
constexpr AttributeEntry kPathForms[] = {
    {MessageId::PickFullPath, u"path"},
    {MessageId::PickParentFolder, u"folder"},
};
constexpr AttributeEntry kSizeUnits[] = {
    {MessageId::PickBytes, u""},         {MessageId::PickKilobytes, u":kb"},
    {MessageId::PickMegabytes, u":mb"},  {MessageId::PickGigabytes, u":gb"},
    {MessageId::PickAutoSize, u":auto"},
};
constexpr AttributeEntry kDateStamps[] = {
    {MessageId::PickModified, u"moddate"},
    {MessageId::PickAccessed, u"accdate"},
    {MessageId::PickCreated, u"credate"},
};
constexpr AttributeEntry kDateForms[] = {
    {MessageId::PickShortDateTime, u""},
    {MessageId::PickLongDateTime, u":longdatetime"},
    {MessageId::PickShortDate, u":shortdate"},
    {MessageId::PickLongDate, u":longdate"},
};

}  // namespace

std::span<const AttributeEntry> EntriesOf(AttributeList list) {
    switch (list) {
        case AttributeList::NameForm:
            return kNameForms;
        case AttributeList::PathSeparator:
            return kPathSeparators;
        case AttributeList::PathForm:
            return kPathForms;
        case AttributeList::SizeUnit:
            return kSizeUnits;
        case AttributeList::DateStamp:
            return kDateStamps;
        case AttributeList::DateForm:
            return kDateForms;
    }
    return {};
}

AttributeRow RowOf(AttributeList list) {
    switch (list) {
        case AttributeList::NameForm:
            return AttributeRow::Name;
        case AttributeList::PathSeparator:
        case AttributeList::PathForm:
            return AttributeRow::Path;
        case AttributeList::SizeUnit:
            return AttributeRow::Size;
        case AttributeList::DateStamp:
        case AttributeList::DateForm:
            return AttributeRow::Date;
    }
    return AttributeRow::Type;
}

void AttributePicker::Choose(AttributeList list, int index) {
    if (IsEnabled(list) && index >= 0 && static_cast<std::size_t>(index) < EntriesOf(list).size()) {
        choices_[static_cast<std::size_t>(list)] = index;
    }
}

std::u16string_view AttributePicker::Piece(AttributeList list) const {
    return EntriesOf(list)[static_cast<std::size_t>(Choice(list))].piece;
}

std::u16string AttributePicker::Reference() const {
    std::u16string reference = u"$";
    switch (checked_) {
        case AttributeRow::Name:
            reference += Piece(AttributeList::NameForm);
            break;
        case AttributeRow::Path:
            reference += Piece(AttributeList::PathForm);
            reference += Piece(AttributeList::PathSeparator);
            break;
        case AttributeRow::Type:
            reference += u"type";
            break;
        case AttributeRow::Size:
            reference += u"size";
            reference += Piece(AttributeList::SizeUnit);
            break;
        case AttributeRow::Date:
            reference += Piece(AttributeList::DateStamp);
            reference += Piece(AttributeList::DateForm);
            break;
    }
    reference += u';';
    return reference;
}

}  // namespace quillet
