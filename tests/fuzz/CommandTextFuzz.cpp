// Feeds arbitrary bytes to the command file reader in both programs' modes, and checks that reading
// the bytes a line at a time gives what converting them whole gives, that what the configuration
// program reads survives its own save and reading unchanged, and that a save that touched nothing
// never changes what the shell extension does with a line it could read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/commands/CommandFile.h"
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

// What a command means to the shell extension: its fields and its compiled parts, adjacent text parts
// joined (a long text may be split into runs at other places once saved).
std::u16string Meaning(const Command& command) {
    const CopyFormat& f = command.format;
    std::u16string out = command.name + u'\0' + static_cast<char16_t>(command.type) + f.itemSeparator +
                         u'\0' + f.startText + u'\0' + f.endText + u'\0' + (f.newlineAtEnd ? u'1' : u'0');
    bool inText = false;
    for (const auto& part : f.parts) {
        if (const auto* text = dynamic_cast<const ItemPartText*>(part.get())) {
            out += inText ? u"" : u"\0t";
            out += text->Text();
            inText = true;
            continue;
        }
        inText = false;
        if (const auto* path = dynamic_cast<const ItemPartPath*>(part.get())) {
            out += {u'\0', u'p', static_cast<char16_t>(path->Component()),
                    static_cast<char16_t>(path->Separator())};
        } else if (const auto* size = dynamic_cast<const ItemPartSize*>(part.get())) {
            out += {u'\0', u's', static_cast<char16_t>(size->Unit())};
        } else if (const auto* date = dynamic_cast<const ItemPartDate*>(part.get())) {
            out += {u'\0', u'd', static_cast<char16_t>(date->Stamp()), static_cast<char16_t>(date->Style())};
        } else {
            out += u"\0y";
        }
    }
    return out;
}

CommandList ReadAsShellExtension(std::u16string_view text) {
    CommandList list;
    std::u16string log;
    ParseCommandText(text, EscapeMode::FullEscapes, list, log);
    return list;
}

// The configuration program reads the file and saves it untouched; the shell extension then reads the
// commands it read before, in the same order and with the same meaning. A refused save writes nothing.
// A line the shell extension rejects stays rejected, except one whose format has an unescaped "]":
// the configuration program keeps that command, marked as faulty, with the bracket as text, which the
// save escapes.
void CheckSaveKeepsShellReading(const std::u16string& text) {
    CommandList editor;
    std::u16string log;
    ParseCommandText(text, EscapeMode::EditorEscapes, editor, log);
    std::u16string refusal;
    if (!CheckCommandList(editor, refusal)) {
        return;
    }
    const CommandList original = ReadAsShellExtension(text);
    std::vector<std::u16string> saved;
    for (const Command& command : editor) {
        CommandList one;
        one.push_back(Command(command.name));
        one.back().type = command.type;
        CopyFormat& f = one.back().format;
        f.formatText = command.format.formatText;
        f.itemSeparator = command.format.itemSeparator;
        f.startText = command.format.startText;
        f.endText = command.format.endText;
        f.newlineAtEnd = command.format.newlineAtEnd;
        const CommandList back = ReadAsShellExtension(CommandFileText(one));
        if (command.format.errorText.empty()) {
            if (back.size() != 1) {
                std::abort();
            }
            saved.push_back(Meaning(back[0]));
        } else if (!back.empty() && command.format.formatText.find(u']') == std::u16string::npos) {
            std::abort();
        }
    }
    if (saved.size() != original.size()) {
        std::abort();
    }
    for (std::size_t i = 0; i < saved.size(); ++i) {
        if (saved[i] != Meaning(original[i])) {
            std::abort();
        }
    }
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

    const std::u16string file = DecodeCommandFileBytes(bytes);
    CheckSaveKeepsShellReading(file);

    // The first save may normalise a field ("\x" becomes "\\x", a long field may be cut at a run's
    // 1024 characters); from then on saving and reading must give the same fields.
    std::u16string log;
    CommandList first;
    ParseCommandText(file, EscapeMode::EditorEscapes, first, log);
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
