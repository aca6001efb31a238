// Feeds arbitrary bytes to the command file reader in both programs' modes, in any encoding, and
// checks that the configuration program's save without edits leaves a UTF-8 file byte for byte as it
// was and never changes what the shell extension reads from a file in another encoding, that a
// command written from its fields means to the shell extension what its line meant, and that what
// the configuration program reads survives its own save and reading unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/commands/CommandFile.h"

namespace {

using namespace quillet;

bool SameFields(const Command& a, const Command& b) {
    return a.name == b.name && a.type == b.type && a.format.formatText == b.format.formatText &&
           a.format.itemSeparator == b.format.itemSeparator && a.format.startText == b.format.startText &&
           a.format.endText == b.format.endText && a.format.newlineAtEnd == b.format.newlineAtEnd &&
           a.format.errorText == b.format.errorText;
}

// The list's entries as the editor would hold them after an edit of each command: the fields alone,
// without the lines as read (a line that is no command stays as it stands).
CommandList FromFields(const CommandList& list) {
    CommandList fresh;
    fresh.form = list.form;
    for (const Command& command : list) {
        Command& copy = fresh.emplace_back(command.name);
        copy.type = command.type;
        copy.format.formatText = command.format.formatText;
        copy.format.itemSeparator = command.format.itemSeparator;
        copy.format.startText = command.format.startText;
        copy.format.endText = command.format.endText;
        copy.format.newlineAtEnd = command.format.newlineAtEnd;
        copy.format.errorText = command.format.errorText;
        copy.unreadable = command.unreadable;
        copy.readLine = command.unreadable.empty() ? std::u16string() : command.readLine;
    }
    return fresh;
}

// Saved from the fields and read again by the configuration program.
CommandList ReadBack(const CommandList& list) {
    const CommandList fresh = FromFields(list);
    CommandList again;
    std::u16string log;
    ParseCommandFileBytes(EncodeCommandFileText(CommandFileText(fresh), fresh.form),
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

CommandList ReadAsShellExtension(std::string_view bytes) {
    CommandList list;
    std::u16string log;
    ParseCommandFileBytes(bytes, EscapeMode::FullEscapes, list, log);
    return list;
}

// The configuration program reads the bytes and saves them without an edit: a UTF-8 file comes back
// byte for byte, and any file reads the same to the shell extension afterwards.
void CheckUntouchedSave(std::string_view bytes) {
    CommandList editor;
    CommandList shell;
    std::u16string log;
    ParseCommandFileBytes(bytes, EscapeMode::EditorEscapes, editor, log);
    ParseCommandFileBytes(bytes, EscapeMode::FullEscapes, shell, log);
    if (CheckCommandList(editor)) {
        std::abort();  // nothing was changed, so nothing can be refused
    }
    const std::string saved = EncodeCommandFileText(CommandFileText(editor), editor.form);
    if (editor.form.encoding == TextEncoding::Utf8 && !editor.form.replacedBytes && saved != bytes) {
        std::abort();
    }
    CommandList again;
    ParseCommandFileBytes(saved, EscapeMode::FullEscapes, again, log);
    if (again.size() != shell.size()) {
        std::abort();
    }
    for (std::size_t i = 0; i < again.size(); ++i) {
        if (Meaning(again[i]) != Meaning(shell[i])) {
            std::abort();
        }
    }
}

// The configuration program reads the file and saves every command from its fields, as after an edit
// of each; the shell extension then reads the commands it read before, in the same order and with the
// same meaning. A refused save writes nothing. A line the shell extension rejects stays rejected,
// except one whose format has an unescaped "]": the configuration program keeps that command, marked
// as faulty, with the bracket as text, which the save escapes.
void CheckSaveKeepsShellReading(std::string_view bytes) {
    CommandList editor;
    std::u16string log;
    ParseCommandFileBytes(bytes, EscapeMode::EditorEscapes, editor, log);
    CommandList fresh = FromFields(editor);
    std::erase_if(fresh, [](const Command& command) { return !command.unreadable.empty(); });
    if (CheckCommandList(fresh)) {
        return;
    }
    const CommandList original = ReadAsShellExtension(bytes);
    std::vector<std::u16string> saved;
    for (const Command& command : fresh) {
        CommandList one;
        one.push_back(Command(command.name));
        one.back().type = command.type;
        one.back().format.formatText = command.format.formatText;
        one.back().format.itemSeparator = command.format.itemSeparator;
        one.back().format.startText = command.format.startText;
        one.back().format.endText = command.format.endText;
        one.back().format.newlineAtEnd = command.format.newlineAtEnd;
        const CommandList back = ReadAsShellExtension(EncodeCommandFileText(CommandFileText(one)));
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
    CheckUntouchedSave(bytes);
    CheckSaveKeepsShellReading(bytes);

    // The first save from the fields may normalise one ("\x" becomes "\\x", a long field may be cut
    // at a run's 1024 characters); from then on saving and reading must give the same fields.
    std::u16string log;
    CommandList first;
    ParseCommandFileBytes(bytes, EscapeMode::EditorEscapes, first, log);
    const CommandList second = ReadBack(first);
    const CommandList third = ReadBack(second);
    if (second.size() != third.size()) {
        std::abort();
    }
    for (std::size_t i = 0; i < second.size(); ++i) {
        if (!SameFields(second[i], third[i]) || second[i].unreadable.empty() != third[i].unreadable.empty()) {
            std::abort();
        }
    }
    return 0;
}
