#include "core/editor/AttributePicker.h"

#include <algorithm>

#include "core/format/ItemFormat.h"

namespace quillet {
namespace {

// The first entry of a tag list adds no tag, so that the attribute's default form applies.
constexpr AttributeEntry kNameForms[] = {
    {MessageId::PickNameAndExtension, u"name"},
    {MessageId::PickNameOnly, u"namenoext"},
    {MessageId::PickExtensionOnly, u"ext"},
};
// The Path row's lists name a tag and an attribute: the reference leaves out the attribute's own
// default tag (the backslash of a full path, the forward slash of a path in a working tree).
constexpr AttributeEntry kPathSeparators[] = {
    {MessageId::PickBackslash, u"backslash"},
    {MessageId::PickDoubleBackslash, u"doublebackslash"},
    {MessageId::PickForwardSlash, u"forwardslash"},
    {MessageId::PickNetworkPath, u"unc"},
    {MessageId::PickFileUrl, u"url"},
    {MessageId::PickWslPath, u"wsl"},
    {MessageId::PickMsysPath, u"msys"},
    {MessageId::PickCygwinPath, u"cygwin"},
    {MessageId::PickShortPath, u"short"},
};
constexpr AttributeEntry kPathForms[] = {
    {MessageId::PickFullPath, u"path"},
    {MessageId::PickParentFolder, u"folder"},
    {MessageId::PickRepositoryPath, u"repopath"},
};

// The tag that an attribute writes without one.
std::u16string_view DefaultTag(const AttributeKeyword& keyword) {
    for (const AttributeTag& tag : keyword.tags) {
        if (tag.value == keyword.defaultValue && tag.form == PathForm::AsIs) {
            return tag.tag;
        }
    }
    return {};
}
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
    if (!IsEnabled(list) || index < 0 || static_cast<std::size_t>(index) >= EntriesOf(list).size()) {
        return;
    }
    choices_[static_cast<std::size_t>(list)] = index;
    // The list chosen last wins over a form that the chosen path does not take.
    const AttributeKeyword& path = PathKeyword();
    if (RowOf(list) != AttributeRow::Path || FindAttributeTag(path, Piece(AttributeList::PathSeparator))) {
        return;
    }
    if (list == AttributeList::PathForm) {
        const std::span<const AttributeEntry> separators = EntriesOf(AttributeList::PathSeparator);
        const auto fitting =
            std::find_if(separators.begin(), separators.end(),
                         [&](const AttributeEntry& entry) { return entry.piece == DefaultTag(path); });
        choices_[static_cast<std::size_t>(AttributeList::PathSeparator)] =
            static_cast<int>(fitting - separators.begin());
    } else {
        choices_[static_cast<std::size_t>(AttributeList::PathForm)] = 0;
    }
}

const AttributeKeyword& AttributePicker::PathKeyword() const {
    return *FindAttributeKeyword(Piece(AttributeList::PathForm));
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
        case AttributeRow::Path: {
            const AttributeKeyword& path = PathKeyword();
            reference += path.name;
            if (const std::u16string_view tag = Piece(AttributeList::PathSeparator);
                tag != DefaultTag(path)) {
                reference += u':';
                reference += tag;
            }
            break;
        }
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
