#include "core/commands/Command.h"

namespace quillet {
namespace {

constexpr CommandTypeInfo kCommandTypes[] = {
    {CommandType::Quillet, u"QUILLET"},
    {CommandType::QuilletAndDelete, u"QUILLET_AND_DELETE"},
    {CommandType::PasteFileName, u"PASTEFILENAME"},
    {CommandType::PasteFileNameNoExt, u"PASTEFILENAME_NOEXT"},
    {CommandType::Options, u"OPTIONS"},
    {CommandType::SubFolder, u"SUBFOLDER"},
    {CommandType::Configure, u"CONFIGURE"},
    {CommandType::UserDefined, u""},
};

}  // namespace

std::span<const CommandTypeInfo> CommandTypes() {
    return kCommandTypes;
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
    for (const CommandTypeInfo& info : kCommandTypes) {
        if (info.type == type) {
            return info.keyword;
        }
    }
    return {};
}

}  // namespace quillet
