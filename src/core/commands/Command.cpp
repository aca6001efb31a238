#include "core/commands/Command.h"

namespace quillet {
namespace {

using enum MessageId;

// In the order of the New Command list: user-defined first, the configure type before the sub-menu
// type. Copy and user-defined commands share the folder with a sheet; the two renames share the pencil.
constexpr CommandTypeInfo kCommandTypes[] = {
    {CommandType::UserDefined, u"", TypeNameUserDefined, TypeFieldUserDefined, NewNameUserDefined,
     DescribeUserDefined, HelpUserDefined, 1, MenuShows::Always, CommandAction::CopyWithFormat},
    {CommandType::Quillet, u"QUILLET", TypeNameQuillet, TypeFieldQuillet, NewNameQuillet, DescribeQuillet,
     HelpCopyNames, 1, MenuShows::Always, CommandAction::CopyNames},
    {CommandType::QuilletAndDelete, u"QUILLET_AND_DELETE", TypeNameQuilletAndDelete,
     TypeFieldQuilletAndDelete, NewNameQuilletAndDelete, DescribeQuilletAndDelete, HelpCopyAndDelete, 2,
     MenuShows::ForOneItem, CommandAction::CopyAndDelete},
    {CommandType::PasteFileName, u"PASTEFILENAME", TypeNamePasteFileName, TypeFieldPasteFileName,
     NewNamePasteFileName, DescribePasteFileName, HelpPasteFileName, 4, MenuShows::ForOneItemAndNewName,
     CommandAction::PasteName},
    {CommandType::PasteFileNameNoExt, u"PASTEFILENAME_NOEXT", TypeNamePasteFileNameNoExt,
     TypeFieldPasteFileNameNoExt, NewNamePasteFileNameNoExt, DescribePasteFileNameNoExt,
     HelpPasteFileNameKeepExt, 4, MenuShows::ForOneItemAndNewName, CommandAction::PasteNameKeepingExtension},
    {CommandType::Options, u"OPTIONS", TypeNameOptions, TypeFieldOptions, NewNameOptions, DescribeOptions,
     HelpOptions, 3, MenuShows::Always, CommandAction::ShowOptions},
    {CommandType::Configure, u"CONFIGURE", TypeNameConfigure, TypeFieldConfigure, NewNameConfigure,
     DescribeConfigure, HelpConfigure, 6, MenuShows::Always, CommandAction::StartConfiguration},
    {CommandType::SubFolder, u"SUBFOLDER", TypeNameSubFolder, TypeFieldSubFolder, NewNameSubFolder,
     DescribeSubFolder, std::nullopt, 5, MenuShows::AsSubMenu, CommandAction::None},
};

}  // namespace

std::span<const CommandTypeInfo> CommandTypes() {
    return kCommandTypes;
}

const CommandTypeInfo* FindCommandType(CommandType type) {
    for (const CommandTypeInfo& info : kCommandTypes) {
        if (info.type == type) {
            return &info;
        }
    }
    return nullptr;
}

const CommandTypeInfo& InfoOf(CommandType type) {
    const CommandTypeInfo* info = FindCommandType(type);
    return info ? *info : *FindCommandType(CommandType::UserDefined);
}

std::optional<CommandType> CommandTypeFromKeyword(std::u16string_view keyword) {
    for (const CommandTypeInfo& info : kCommandTypes) {
        if (!info.keyword.empty() && info.keyword == keyword) {
            return info.type;
        }
    }
    return std::nullopt;
}

std::u16string_view KeywordOf(CommandType type) {
    const CommandTypeInfo* info = FindCommandType(type);
    return info ? info->keyword : std::u16string_view();
}

CommandAction ClickAction(CommandType type, ModifierKeys keys) {
    const CommandTypeInfo* info = FindCommandType(type);
    if (!info) {
        return CommandAction::None;
    }
    if (info->click == CommandAction::CopyNames && keys.control) {
        return CommandAction::ShowOptions;
    }
    if (info->click == CommandAction::CopyNames && keys.shift) {
        return CommandAction::CopyPaths;
    }
    return info->click;
}

}  // namespace quillet
