// Prints the registry entries of registration scripts as WiX registry rows, so that an installer
// package writes exactly what the module's own registration writes, from the same scripts.
//
//   registry-rows --scope machine|user --module FORMATTED --folder FORMATTED [--set NAME=TEXT]... SCRIPT...
//
// machine puts the HKEY_CLASSES_ROOT keys below HKLM\Software\Classes, user below
// HKCU\Software\Classes. %MODULE% becomes the --module text as the installer reads it (e.g. [#file]),
// %FOLDER% the --folder text (the module's folder with its final backslash, e.g. [INSTALLDIR]); every
// other text is escaped so that the installer takes it literally.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/registration/RegistryScript.h"
#include "platform/Utf.h"

namespace {

using namespace quillet;
using registry::RegistryRoot;
using registry::ScriptKey;

// Stand for the module's path and folder until the row is escaped; private-use characters no script
// holds.
constexpr char16_t kModuleMark = u'\uE000';
constexpr char16_t kFolderMark = u'\uE001';

std::string Xml(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// A literal text in a column of the installer's Formatted type, the marks made their formatted texts.
std::string InstallerText(const std::u16string& text, const std::string& module, const std::string& folder) {
    std::string out;
    for (const char16_t c : text) {
        if (c == kModuleMark) {
            out += module;
        } else if (c == kFolderMark) {
            out += folder;
        } else if (c == u'[' || c == u']' || c == u'{' || c == u'}') {
            out += std::string("[\\") + static_cast<char>(c) + "]";
        } else {
            out += Utf16ToUtf8(std::u16string(1, c));
        }
    }
    return Xml(out);
}

struct Rows {
    std::string root;  // HKLM or HKCU
    std::string module;
    std::string folder;
    std::ostringstream out;

    std::string Formatted(const std::u16string& text) const { return InstallerText(text, module, folder); }

    void Key(const ScriptKey& key, const std::u16string& parent) {
        const std::u16string path = parent.empty() ? key.name : parent + u'\\' + key.name;
        const std::string where = "Root=\"" + root + "\" Key=\"" + Formatted(path) + "\"";
        // A row named "*" without a value creates the key and removes it whole at uninstall, as the
        // module's unregistration removes a replaced key; "+" only creates it.
        if (key.disposition == ScriptKey::Disposition::Replaced) {
            out << "<RegistryValue " << where << " Name=\"*\" Type=\"string\"/>\n";
        } else if (key.disposition == ScriptKey::Disposition::Plain && key.values.empty()) {
            out << "<RegistryValue " << where << " Name=\"+\" Type=\"string\"/>\n";
        }
        for (const registry::ScriptValue& value : key.values) {
            // A kept key's default value belongs to others, as in the module's unregistration; the
            // scripts give none.
            out << "<RegistryValue " << where;
            if (!value.name.empty()) {
                out << " Name=\"" << Formatted(value.name) << "\"";
            }
            if (value.value.kind == registry::RegistryValue::Kind::Number) {
                out << " Type=\"integer\" Value=\"" << value.value.number << "\"/>\n";
            } else {
                std::string text = Formatted(value.value.text);
                if (!text.empty() && text[0] == '#') {
                    text = "#" + text;  // a leading # would make a number
                }
                out << " Type=\"string\" Value=\"" << text << "\"/>\n";
            }
        }
        for (const ScriptKey& subkey : key.subkeys) {
            Key(subkey, path);
        }
    }
};

int Fail(const std::string& message) {
    std::cerr << "registry-rows: " << message << '\n';
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string scope;
    Rows rows;
    registry::Replacements replacements = {{u"MODULE", std::u16string(1, kModuleMark)},
                                           {u"FOLDER", std::u16string(1, kFolderMark)}};
    std::vector<std::string> scripts;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--scope" || arg == "--module" || arg == "--folder" || arg == "--set") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (arg == "--scope") {
                scope = value;
            } else if (arg == "--module") {
                rows.module = value;
            } else if (arg == "--folder") {
                rows.folder = value;
            } else if (const std::size_t equals = value.find('='); equals != std::string::npos) {
                replacements.emplace_back(Utf8ToUtf16(value.substr(0, equals)),
                                          Utf8ToUtf16(value.substr(equals + 1)));
            } else {
                return Fail("--set takes NAME=TEXT");
            }
        } else if (arg.rfind("--", 0) == 0) {
            return Fail("unknown option " + arg);
        } else {
            scripts.push_back(arg);
        }
    }
    if ((scope != "machine" && scope != "user") || rows.module.empty() || rows.folder.empty() ||
        scripts.empty()) {
        return Fail(
            "usage: registry-rows --scope machine|user --module FORMATTED --folder FORMATTED [--set "
            "NAME=TEXT]... "
            "SCRIPT...");
    }
    rows.root = scope == "user" ? "HKCU" : "HKLM";
    rows.out << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!-- Generated from the registration scripts; "
                "do not edit. -->\n<Include>\n";
    for (const std::string& name : scripts) {
        std::ifstream file(name, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        if (!file) {
            return Fail("cannot read " + name);
        }
        registry::RegistryScript script;
        std::u16string error;
        if (!registry::ParseRegistryScript(Utf8ToUtf16(text.str()), replacements, script, error)) {
            return Fail(name + ": " + Utf16ToUtf8(error));
        }
        // Both scopes go through the per-user form: the same keys below Software\Classes.
        for (const registry::ScriptRoot& root : registry::ForCurrentUser(script).roots) {
            if (root.root != RegistryRoot::CurrentUser) {
                return Fail(name + ": only HKEY_CLASSES_ROOT keys can be installed");
            }
            for (const ScriptKey& key : root.keys) {
                rows.Key(key, {});
            }
        }
    }
    rows.out << "</Include>\n";
    std::cout << rows.out.str();
    return std::cout.good() ? 0 : 1;
}
