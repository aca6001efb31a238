#include "core/editor/CommandTypeTexts.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace quillet {

std::u16string DescriptionOf(CommandType type) {
    const CommandTypeInfo& info = InfoOf(type);
    std::u16string text(MessageText(info.description));
    if (info.shown == MenuShows::ForOneItemAndNewName) {
        text += u"\r\n\r\n";
        text += MessageText(MessageId::PasteNote);
    }
    return text;
}

std::span<const CommandType> NewCommandOrder() {
    static const std::vector<CommandType> order = [] {
        std::vector<CommandType> types;
        std::ranges::transform(CommandTypes(), std::back_inserter(types), &CommandTypeInfo::type);
        return types;
    }();
    return order;
}

}  // namespace quillet
