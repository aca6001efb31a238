#include "core/editor/CommandTypeTexts.h"

namespace quillet {
namespace {

// In type value order, so that a type's row is found by its value.
constexpr CommandTypeTexts kTexts[] = {
    {CommandType::Quillet, MessageId::TypeNameQuillet, MessageId::TypeFieldQuillet, MessageId::NewNameQuillet,
     MessageId::DescribeQuillet, false},
    {CommandType::QuilletAndDelete, MessageId::TypeNameQuilletAndDelete, MessageId::TypeFieldQuilletAndDelete,
     MessageId::NewNameQuilletAndDelete, MessageId::DescribeQuilletAndDelete, false},
    {CommandType::PasteFileName, MessageId::TypeNamePasteFileName, MessageId::TypeFieldPasteFileName,
     MessageId::NewNamePasteFileName, MessageId::DescribePasteFileName, true},
    {CommandType::PasteFileNameNoExt, MessageId::TypeNamePasteFileNameNoExt,
     MessageId::TypeFieldPasteFileNameNoExt, MessageId::NewNamePasteFileNameNoExt,
     MessageId::DescribePasteFileNameNoExt, true},
    {CommandType::Options, MessageId::TypeNameOptions, MessageId::TypeFieldOptions, MessageId::NewNameOptions,
     MessageId::DescribeOptions, false},
    {CommandType::SubFolder, MessageId::TypeNameSubFolder, MessageId::TypeFieldSubFolder,
     MessageId::NewNameSubFolder, MessageId::DescribeSubFolder, false},
    {CommandType::Configure, MessageId::TypeNameConfigure, MessageId::TypeFieldConfigure,
     MessageId::NewNameConfigure, MessageId::DescribeConfigure, false},
    {CommandType::UserDefined, MessageId::TypeNameUserDefined, MessageId::TypeFieldUserDefined,
     MessageId::NewNameUserDefined, MessageId::DescribeUserDefined, false},
};

constexpr CommandType kNewCommandOrder[] = {
    CommandType::UserDefined,        CommandType::Quillet,
    CommandType::QuilletAndDelete,   CommandType::PasteFileName,
    CommandType::PasteFileNameNoExt, CommandType::Options,
    CommandType::Configure,          CommandType::SubFolder,
};

}  // namespace

const CommandTypeTexts& TextsOf(CommandType type) {
    const auto value = static_cast<std::size_t>(type);
    return value < std::size(kTexts) ? kTexts[value] : kTexts[std::size(kTexts) - 1];
}

std::u16string DescriptionOf(CommandType type) {
    const CommandTypeTexts& texts = TextsOf(type);
    std::u16string text(MessageText(texts.description));
    if (texts.pasteNote) {
        text += u"\r\n\r\n";
        text += MessageText(MessageId::PasteNote);
    }
    return text;
}

std::span<const CommandType> NewCommandOrder() {
    return kNewCommandOrder;
}

}  // namespace quillet
