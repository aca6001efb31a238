#include "core/registration/RegistryScript.h"

#include <array>

#include "core/messages/Messages.h"
#include "platform/AsciiCase.h"

namespace quillet::registry {
namespace {

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f' || c == u'\v';
}

struct Token {
    std::u16string text;
    bool quoted = false;
    int line = 0;
    bool Is(std::u16string_view word) const { return !quoted && EqualsIgnoringAsciiCase(text, word); }
};

// Tokens are separated by white space, as in the usual script form: a bare "{" is a brace, while a
// bare "{5B1C...}" is a key name. Quoted tokens use '' for a quote.
class ScriptReader {
  public:
    ScriptReader(std::u16string_view text, const Replacements& replacements, std::u16string& error)
        : text_(text), replacements_(replacements), error_(error) {}

    // False at the end of the text or on a malformed token (error set then).
    bool Next(Token& token) {
        SkipSpace();
        if (position_ >= text_.size() || !error_.empty()) {
            return false;
        }
        token = Token{};
        token.line = line_;
        if (text_[position_] == u'\'') {
            token.quoted = true;
            ++position_;
            for (;;) {
                if (position_ >= text_.size()) {
                    return Fail(FormatMessageText(MessageId::RegistryScriptExpected,
                                                  {token.line, u"a closing quote"}));
                }
                const char16_t c = text_[position_++];
                if (c == u'\n') {
                    ++line_;
                }
                if (c == u'\'') {
                    if (position_ < text_.size() && text_[position_] == u'\'') {
                        ++position_;
                    } else {
                        break;
                    }
                }
                token.text += c;
            }
        } else {
            while (position_ < text_.size() && !IsSpace(text_[position_])) {
                token.text += text_[position_++];
            }
        }
        return true;
    }

    bool AtEnd() {
        SkipSpace();
        return position_ >= text_.size();
    }

    // The token's text with its placeholders filled.
    bool Expand(const Token& token, std::u16string& expanded) {
        expanded.clear();
        const std::u16string& text = token.text;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] != u'%') {
                expanded += text[i];
                continue;
            }
            const std::size_t close = text.find(u'%', i + 1);
            if (close == std::u16string::npos) {
                return Fail(
                    FormatMessageText(MessageId::RegistryScriptExpected, {token.line, u"a closing '%'"}));
            }
            const std::u16string_view name = std::u16string_view(text).substr(i + 1, close - i - 1);
            if (name.empty()) {
                expanded += u'%';
            } else {
                const auto* found = FindReplacement(name);
                if (!found) {
                    return Fail(
                        FormatMessageText(MessageId::RegistryScriptUnknownPlaceholder, {token.line, name}));
                }
                expanded += *found;
            }
            i = close;
        }
        return true;
    }

    bool Fail(std::u16string message) {
        if (error_.empty()) {
            error_ = std::move(message);
        }
        return false;
    }

    bool Expected(const Token& near, std::u16string_view what) {
        return Fail(FormatMessageText(MessageId::RegistryScriptExpected, {near.line, what}));
    }

    int Line() const { return line_; }

  private:
    void SkipSpace() {
        while (position_ < text_.size() && IsSpace(text_[position_])) {
            if (text_[position_] == u'\n') {
                ++line_;
            }
            ++position_;
        }
    }

    const std::u16string* FindReplacement(std::u16string_view name) const {
        for (const auto& [placeholder, replacement] : replacements_) {
            if (EqualsIgnoringAsciiCase(placeholder, name)) {
                return &replacement;
            }
        }
        return nullptr;
    }

    std::u16string_view text_;
    const Replacements& replacements_;
    std::u16string& error_;
    std::size_t position_ = 0;
    int line_ = 1;
};

struct RootName {
    std::u16string_view shortName;
    std::u16string_view longName;
    RegistryRoot root;
};

constexpr std::array<RootName, 5> kRoots = {{
    {u"HKCR", u"HKEY_CLASSES_ROOT", RegistryRoot::ClassesRoot},
    {u"HKCU", u"HKEY_CURRENT_USER", RegistryRoot::CurrentUser},
    {u"HKLM", u"HKEY_LOCAL_MACHINE", RegistryRoot::LocalMachine},
    {u"HKU", u"HKEY_USERS", RegistryRoot::Users},
    {u"HKCC", u"HKEY_CURRENT_CONFIG", RegistryRoot::CurrentConfig},
}};

bool ParseNumber(std::u16string_view text, std::uint32_t& number) {
    unsigned base = 10;
    if (text.size() > 2 && text[0] == u'0' && LowerAscii(text[1]) == u'x') {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) {
        return false;
    }
    std::uint64_t value = 0;
    for (const char16_t c : text) {
        unsigned digit = 0;
        if (c >= u'0' && c <= u'9') {
            digit = static_cast<unsigned>(c - u'0');
        } else if (base == 16 && LowerAscii(c) >= u'a' && LowerAscii(c) <= u'f') {
            digit = static_cast<unsigned>(LowerAscii(c) - u'a' + 10);
        } else {
            return false;
        }
        value = value * base + digit;
        if (value > 0xFFFFFFFFu) {
            return false;
        }
    }
    number = static_cast<std::uint32_t>(value);
    return true;
}

class ScriptParser {
  public:
    ScriptParser(std::u16string_view text, const Replacements& replacements, std::u16string& error)
        : reader_(text, replacements, error) {}

    bool Parse(RegistryScript& script) {
        Token token;
        while (Next(token)) {
            ScriptRoot root;
            if (!RootOf(token, root.root) || !ExpectOpenBrace(token) || !ParseKeys(root.keys)) {
                return false;
            }
            script.roots.push_back(std::move(root));
        }
        return reader_.AtEnd();
    }

  private:
    bool RootOf(const Token& token, RegistryRoot& root) {
        for (const RootName& name : kRoots) {
            if (token.Is(name.shortName) || token.Is(name.longName)) {
                root = name.root;
                return true;
            }
        }
        return reader_.Fail(
            FormatMessageText(MessageId::RegistryScriptUnknownRoot, {token.line, token.text}));
    }

    bool ExpectOpenBrace(const Token& after) {
        Token brace;
        if (!Next(brace) || !brace.Is(u"{")) {
            return reader_.Expected(brace.line ? brace : after, u"'{'");
        }
        return true;
    }

    // Reads keys and "val" entries up to the closing brace.
    bool ParseKeys(std::vector<ScriptKey>& keys, std::vector<ScriptValue>* values = nullptr) {
        Token token;
        for (;;) {
            if (!Next(token)) {
                return reader_.Expected(Token{{}, false, reader_.Line()}, u"'}'");
            }
            if (token.Is(u"}")) {
                return true;
            }
            if (token.Is(u"{")) {
                return reader_.Expected(token, u"a key name");
            }
            if (token.Is(u"val")) {
                if (!values) {
                    return reader_.Expected(token, u"a key name (values belong inside a key)");
                }
                ScriptValue value;
                Token name;
                if (!Next(name) || name.Is(u"{") || name.Is(u"}")) {
                    return reader_.Expected(token, u"a value name after 'val'");
                }
                if (!reader_.Expand(name, value.name) || !ParseAssignment(name, value.value)) {
                    return false;
                }
                values->push_back(std::move(value));
                continue;
            }
            ScriptKey key;
            if (token.Is(u"NoRemove") || token.Is(u"ForceRemove")) {
                key.disposition =
                    token.Is(u"NoRemove") ? ScriptKey::Disposition::Kept : ScriptKey::Disposition::Replaced;
                if (!Next(token) || token.Is(u"{") || token.Is(u"}")) {
                    return reader_.Expected(token, u"a key name");
                }
            }
            if (!reader_.Expand(token, key.name) || !ParseKeyRest(token, key)) {
                return false;
            }
            keys.push_back(std::move(key));
        }
    }

    // After a key's name: an optional "= type data", then an optional body in braces.
    bool ParseKeyRest(const Token& nameToken, ScriptKey& key) {
        if (key.name.empty() || key.name.find(u'\\') != std::u16string::npos) {
            return reader_.Expected(nameToken, u"a key name without backslashes");
        }
        Token token;
        if (!Peek(token)) {
            return reader_.Expected(nameToken, u"'}'");
        }
        if (token.Is(u"=")) {
            ScriptValue value;
            if (!ParseAssignment(nameToken, value.value)) {
                return false;
            }
            key.values.push_back(std::move(value));
            if (!Peek(token)) {
                return reader_.Expected(nameToken, u"'}'");
            }
        }
        if (token.Is(u"{")) {
            Consume();
            return ParseKeys(key.subkeys, &key.values);
        }
        return true;
    }

    // "= s 'text'" or "= d number".
    bool ParseAssignment(const Token& near, RegistryValue& value) {
        Token token;
        if (!Next(token) || !token.Is(u"=")) {
            return reader_.Expected(near, u"'='");
        }
        Token type;
        Token data;
        if (!Next(type) || !(type.Is(u"s") || type.Is(u"d"))) {
            return reader_.Expected(near, u"a value type ('s' or 'd')");
        }
        if (!Next(data)) {
            return reader_.Expected(near, u"a value");
        }
        std::u16string text;
        if (!reader_.Expand(data, text)) {
            return false;
        }
        if (type.Is(u"s")) {
            value = RegistryValue::String(std::move(text));
            return true;
        }
        std::uint32_t number = 0;
        if (!ParseNumber(text, number)) {
            return reader_.Fail(FormatMessageText(MessageId::RegistryScriptBadNumber, {data.line, text}));
        }
        value = RegistryValue::Number(number);
        return true;
    }

    // One token of look-ahead.
    bool Peek(Token& token) {
        if (!peeked_) {
            if (!Next(lookahead_)) {
                return false;
            }
            peeked_ = true;
        }
        token = lookahead_;
        return true;
    }
    void Consume() { peeked_ = false; }

    // The reader's next token, or the peeked one: every read goes through here.
    bool Next(Token& token) {
        if (peeked_) {
            peeked_ = false;
            token = lookahead_;
            return true;
        }
        return reader_.Next(token);
    }

    ScriptReader reader_;
    Token lookahead_;
    bool peeked_ = false;
};

std::u16string Join(const std::u16string& parent, const std::u16string& name) {
    return parent.empty() ? name : parent + u'\\' + name;
}

class Interpreter {
  public:
    Interpreter(MRegistryStore& store, RegistryRoot root, RegistryOutcome& outcome)
        : store_(store), root_(root), outcome_(outcome) {}

    bool Register(const ScriptKey& key, const std::u16string& parent) {
        const std::u16string path = Join(parent, key.name);
        if (key.disposition == ScriptKey::Disposition::Replaced &&
            !Check(store_.DeleteTree(root_, path), path, true)) {
            return false;
        }
        if (!Check(store_.CreateKey(root_, path), path)) {
            return false;
        }
        for (const ScriptValue& value : key.values) {
            if (!Check(store_.SetValue(root_, path, value.name, value.value), path)) {
                return false;
            }
        }
        for (const ScriptKey& subkey : key.subkeys) {
            if (!Register(subkey, path)) {
                return false;
            }
        }
        return true;
    }

    bool Unregister(const ScriptKey& key, const std::u16string& parent) {
        const std::u16string path = Join(parent, key.name);
        if (key.disposition == ScriptKey::Disposition::Replaced) {
            return Check(store_.DeleteTree(root_, path), path, true);
        }
        bool hasSubkeys = false;
        bool hasValues = false;
        const RegistryStatus status = store_.QueryKey(root_, path, hasSubkeys, hasValues);
        if (status == kRegistryNotFound) {
            return true;  // already gone, with everything the script put below it
        }
        if (!Check(status, path)) {
            return false;
        }
        for (const ScriptKey& subkey : key.subkeys) {
            if (!Unregister(subkey, path)) {
                return false;
            }
        }
        for (const ScriptValue& value : key.values) {
            // A kept key's own (default) value is not ours to remove; values the script adds to it are.
            if (key.disposition == ScriptKey::Disposition::Kept && value.name.empty()) {
                continue;
            }
            if (!Check(store_.DeleteValue(root_, path, value.name), path, true)) {
                return false;
            }
        }
        if (key.disposition == ScriptKey::Disposition::Kept) {
            return true;
        }
        // A key that others have put subkeys or values into stays, so as not to take theirs away.
        if (!Check(store_.QueryKey(root_, path, hasSubkeys, hasValues), path)) {
            return false;
        }
        return hasSubkeys || hasValues || Check(store_.DeleteKey(root_, path), path, true);
    }

  private:
    bool Check(RegistryStatus status, const std::u16string& path, bool notFoundIsFine = false) {
        if (status == kRegistrySuccess || (notFoundIsFine && status == kRegistryNotFound)) {
            return true;
        }
        outcome_ = RegistryOutcome{status, root_, path};
        return false;
    }

    MRegistryStore& store_;
    RegistryRoot root_;
    RegistryOutcome& outcome_;
};

template <typename Step>
RegistryOutcome RunScript(const RegistryScript& script, MRegistryStore& store, Step step) {
    RegistryOutcome outcome;
    for (const ScriptRoot& root : script.roots) {
        Interpreter interpreter(store, root.root, outcome);
        for (const ScriptKey& key : root.keys) {
            if (!step(interpreter, key)) {
                return outcome;
            }
        }
    }
    return outcome;
}

}  // namespace

bool ParseRegistryScript(std::u16string_view text, const Replacements& replacements, RegistryScript& script,
                         std::u16string& error) {
    error.clear();
    script = RegistryScript{};
    ScriptParser parser(text, replacements, error);
    const bool parsed = parser.Parse(script) && error.empty();
    if (!parsed) {
        script = RegistryScript{};
    }
    return parsed;
}

RegistryScript ForCurrentUser(const RegistryScript& script) {
    RegistryScript user;
    for (const ScriptRoot& root : script.roots) {
        if (root.root != RegistryRoot::ClassesRoot) {
            user.roots.push_back(root);
            continue;
        }
        ScriptKey classes{u"Classes", ScriptKey::Disposition::Kept, {}, root.keys};
        ScriptKey software{u"Software", ScriptKey::Disposition::Kept, {}, {std::move(classes)}};
        user.roots.push_back(ScriptRoot{RegistryRoot::CurrentUser, {std::move(software)}});
    }
    return user;
}

RegistryOutcome RegisterScript(const RegistryScript& script, MRegistryStore& store) {
    return RunScript(script, store, [](Interpreter& interpreter, const ScriptKey& key) {
        return interpreter.Register(key, {});
    });
}

RegistryOutcome UnregisterScript(const RegistryScript& script, MRegistryStore& store) {
    return RunScript(script, store, [](Interpreter& interpreter, const ScriptKey& key) {
        return interpreter.Unregister(key, {});
    });
}

}  // namespace quillet::registry
