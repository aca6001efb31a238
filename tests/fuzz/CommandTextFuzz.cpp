// Feeds arbitrary bytes to the command file reader in both programs' modes, checks that reading the
// bytes a line at a time gives what converting them whole gives, and that what the configuration
// program reads survives its own save and reading unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/CommandFile.h"
#include "platform/Utf.h"

namespace {

using namespace quillet;

bool SameFields(const Command& a, const Command& b) {
    return a.name == b.name && a.type == b.type && a.format.formatText == b.format.formatText &&
           a.format.itemSeparator == b.format.itemSeparator && a.format.startText == b.format.startText &&
           a.format.endText == b.format.endText && a.format.newlineAtEnd == b.format.newlineAtEnd &&
           a.format.errorText == b.format.errorText;
}

CommandList ReadBack(const CommandList& list) {
    CommandList again;
    std::u16string log;
    ParseCommandText(DecodeCommandFileBytes(EncodeCommandFileText(CommandFileText(list))),
                     EscapeMode::EditorEscapes, again, log);
    return again;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // Zero characters are kept here, to reach the parser's own handling of them.
    const std::u16string text = Utf8ToUtf16(bytes);
    for (const EscapeMode mode : {EscapeMode::FullEscapes, EscapeMode::EditorEscapes}) {
        CommandList list;
        std::u16string log;
        ParseCommandText(text, mode, list, log);
    }

    // The file's bytes read a line at a time give what the whole text converted at once gives.
    for (const EscapeMode mode : {EscapeMode::FullEscapes, EscapeMode::EditorEscapes}) {
        CommandList whole;
        CommandList byLine;
        std::u16string wholeLog;
        std::u16string byLineLog;
        ParseCommandText(DecodeCommandFileBytes(bytes), mode, whole, wholeLog);
        ParseCommandFileBytes(bytes, mode, byLine, byLineLog);
        if (whole.size() != byLine.size() || wholeLog != byLineLog) {
            std::abort();
        }
        for (std::size_t i = 0; i < whole.size(); ++i) {
            if (!SameFields(whole[i], byLine[i]) ||
                whole[i].format.parts.size() != byLine[i].format.parts.size()) {
                std::abort();
            }
        }
    }

    // The first save may normalise a field ("\x" becomes "\\x", a long field may be cut at a run's
    // 1024 characters); from then on saving and reading must give the same fields.
    std::u16string log;
    CommandList first;
    ParseCommandText(DecodeCommandFileBytes(bytes), EscapeMode::EditorEscapes, first, log);
    const CommandList second = ReadBack(first);
    const CommandList third = ReadBack(second);
    if (second.size() != third.size()) {
        std::abort();
    }
    for (std::size_t i = 0; i < second.size(); ++i) {
        if (!SameFields(second[i], third[i])) {
            std::abort();
        }
    }
    return 0;
}
