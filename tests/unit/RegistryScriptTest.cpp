#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "MemoryRegistry.h"
#include "SharedIds.h"
#include "TestSupport.h"
#include "core/registration/RegistryScript.h"
#include "platform/Utf.h"

namespace quillet::test {
namespace {

using registry::RegistryOutcome;
using registry::RegistryRoot;
using registry::RegistryScript;
using registry::Replacements;

constexpr char16_t kAppId[] = u"{C93E4B57-1A2F-4D68-B7C4-0F5E8A2D6B19}";
constexpr char16_t kFirstMenuClsid[] = u"{" QUILLET_FIRST_MENU_CLSID "}";

// The module's own scripts, as the resource compiler embeds them (with the build's ids filled in).
std::u16string ReadScript(const char* name) {
    std::ifstream file(std::string(QUILLET_REGISTRATION_DIR) + "/" + name, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_FALSE(text.str().empty()) << name;
    return Utf8ToUtf16(text.str());
}

RegistryScript Parse(std::u16string_view text, const Replacements& replacements) {
    RegistryScript script;
    std::u16string error;
    EXPECT_TRUE(ParseRegistryScript(text, replacements, script, error)) << Printable(error);
    return script;
}

// The two scripts of the shell extension, with the module path as the server fills it in.
struct ModuleScripts {
    RegistryScript appId;
    RegistryScript scrivel;

    explicit ModuleScripts(std::u16string modulePath = u"C:\\Program Files\\Quillet\\ScrivelShExt.DLL") {
        appId = Parse(ReadScript("AppID.rgs"), {{u"APPID", kAppId}});
        scrivel = Parse(ReadScript("Scrivel.rgs"),
                        {{u"APPID", kAppId}, {u"FIRSTMENUCLSID", kFirstMenuClsid}, {u"MODULE", modulePath}});
    }

    RegistryOutcome Register(MemoryRegistry& registry) const {
        const RegistryOutcome outcome = RegisterScript(appId, registry);
        return outcome.Succeeded() ? RegisterScript(scrivel, registry) : outcome;
    }
    RegistryOutcome Unregister(MemoryRegistry& registry) const {
        const RegistryOutcome outcome = UnregisterScript(scrivel, registry);
        return outcome.Succeeded() ? UnregisterScript(appId, registry) : outcome;
    }
};

// Every key and value that registering the module writes, with %MODULE% for the module's path.
std::string RegisteredEntries(const std::string& modulePath) {
    std::ifstream file(QUILLET_TEST_DATA_DIR "/registered-entries.txt", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    std::string entries = text.str();
    const std::string placeholder = "%MODULE%";
    for (std::size_t at = entries.find(placeholder); at != std::string::npos;
         at = entries.find(placeholder, at)) {
        entries.replace(at, placeholder.size(), modulePath);
        at += modulePath.size();
    }
    EXPECT_FALSE(entries.empty());
    return entries;
}

TEST(RegistryScript, ModuleScriptsWriteTheirEntriesOnceAndRemoveAllButTheSharedKeys) {
    const ModuleScripts scripts;
    MemoryRegistry registry;
    const std::string registered = RegisteredEntries("C:\\Program Files\\Quillet\\ScrivelShExt.DLL");
    ASSERT_TRUE(scripts.Register(registry).Succeeded());
    EXPECT_EQ(registry.Dump(), registered);
    ASSERT_TRUE(scripts.Register(registry).Succeeded());
    EXPECT_EQ(registry.Dump(), registered) << "registering twice";

    ASSERT_TRUE(scripts.Unregister(registry).Succeeded());
    const char kShared[] =
        "HKCR\nHKCR\\*\nHKCR\\*\\ShellEx\nHKCR\\*\\ShellEx\\ContextMenuHandlers\nHKCR\\AppID\nHKCR\\CLSID\n"
        "HKCR\\Folder\nHKCR\\Folder\\ShellEx\nHKCR\\Folder\\ShellEx\\ContextMenuHandlers\n";
    EXPECT_EQ(registry.Dump(), kShared);
    ASSERT_TRUE(scripts.Unregister(registry).Succeeded()) << "unregistering twice";
    EXPECT_EQ(registry.Dump(), kShared);
}

TEST(RegistryScript, PerUserScriptsWriteTheSameEntriesBelowTheUsersClassesAndKeepItsSharedKeys) {
    ModuleScripts user(u"C:\\Users\\Ann\\AppData\\Local\\Programs\\Quillet\\ScrivelShExt.dll");
    user.appId = registry::ForCurrentUser(user.appId);
    user.scrivel = registry::ForCurrentUser(user.scrivel);
    MemoryRegistry registry;
    ASSERT_TRUE(user.Register(registry).Succeeded());

    // The machine-wide list, each line moved from HKCR to the user's classes.
    std::set<std::string> expected = {"HKCU", "HKCU\\Software"};
    std::stringstream machine(
        RegisteredEntries("C:\\Users\\Ann\\AppData\\Local\\Programs\\Quillet\\ScrivelShExt.dll"));
    for (std::string line; std::getline(machine, line);) {
        expected.insert("HKCU\\Software\\Classes" + line.substr(4));
    }
    std::string expectedText;
    for (const std::string& line : expected) {
        expectedText += line + '\n';
    }
    EXPECT_EQ(registry.Dump(), expectedText);

    ASSERT_TRUE(user.Unregister(registry).Succeeded());
    const std::string left = registry.Dump();
    EXPECT_EQ(left.find("Scrivel"), std::string::npos) << left;
    EXPECT_EQ(left.find("{5B1C7E2A"), std::string::npos) << left;
    EXPECT_NE(left.find("HKCU\\Software\\Classes\\Folder\\ShellEx\\ContextMenuHandlers\n"),
              std::string::npos);
    EXPECT_NE(left.find("HKCU\\Software\\Classes\\*\\ShellEx\\ContextMenuHandlers\n"), std::string::npos);
}

TEST(RegistryScript, OthersEntriesSurviveAndStaleEntriesUnderReplacedKeysGo) {
    const ModuleScripts scripts;
    MemoryRegistry registry;
    const auto root = RegistryRoot::ClassesRoot;
    // Another extension's handler, a value someone put into our ProgID key, and a leftover of an
    // older version under our class key.
    registry.CreateKey(root, u"*\\ShellEx\\ContextMenuHandlers\\Other");
    registry.SetValue(root, u"*\\ShellEx\\ContextMenuHandlers\\Other", u"",
                      registry::RegistryValue::String(u"{x}"));
    registry.CreateKey(root, u"ScrivelShExt.Scrivel");
    registry.SetValue(root, u"ScrivelShExt.Scrivel", u"Owner", registry::RegistryValue::Number(7));
    const std::string before = registry.Dump();
    registry.CreateKey(root, u"CLSID\\{5B1C7E2A-93D4-4F6B-A8E0-2C4D9F1B7A63}\\Stale");

    ASSERT_TRUE(scripts.Register(registry).Succeeded());
    EXPECT_EQ(registry.Dump().find("Stale"), std::string::npos);
    EXPECT_NE(registry.Dump().find("HKCR\\ScrivelShExt.Scrivel  [Owner] = 7"), std::string::npos);

    ASSERT_TRUE(scripts.Unregister(registry).Succeeded());
    std::string expected = before;
    for (const char* shared : {"HKCR\\AppID\n", "HKCR\\CLSID\n", "HKCR\\Folder\n", "HKCR\\Folder\\ShellEx\n",
                               "HKCR\\Folder\\ShellEx\\ContextMenuHandlers\n"}) {
        expected += shared;
    }
    std::stringstream lines(expected);
    std::multiset<std::string> sorted;
    for (std::string line; std::getline(lines, line);) {
        sorted.insert(line);
    }
    std::string sortedText;
    for (const std::string& line : sorted) {
        sortedText += line + '\n';
    }
    EXPECT_EQ(registry.Dump(), sortedText);
}

TEST(RegistryScript, TheFirstFailingKeyStopsTheRunAndIsReported) {
    struct Row {
        const char16_t* failingKey;
        bool unregister;
        const char* mustNotExist;  // a key after the failing one
    };
    const Row rows[] = {
        {u"AppID", false, "ScrivelShExt.Scrivel.1"},
        {u"CLSID\\{5B1C7E2A-93D4-4F6B-A8E0-2C4D9F1B7A63}\\InprocServer32", false, "Folder"},
        {u"ScrivelShExt.Scrivel.1\\CLSID", false, "CLSID"},
        {u"*\\ShellEx\\ContextMenuHandlers\\ScrivelShExt", true, nullptr},
        {u"ScrivelShExt.Scrivel\\CurVer", true, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Printable(row.failingKey));
        const ModuleScripts scripts;
        MemoryRegistry registry;
        if (row.unregister) {
            ASSERT_TRUE(scripts.Register(registry).Succeeded());
        }
        registry.FailOn(row.failingKey, 5);
        const RegistryOutcome outcome =
            row.unregister ? scripts.Unregister(registry) : scripts.Register(registry);
        EXPECT_EQ(outcome.status, 5);
        EXPECT_TRUE(outcome.key == row.failingKey) << Printable(outcome.key);
        if (row.mustNotExist) {
            EXPECT_EQ(registry.Dump().find(std::string("HKCR\\") + row.mustNotExist + "\n"),
                      std::string::npos);
        } else {
            // The keys after the failing one were not touched: the AppID entries are still there.
            EXPECT_NE(registry.Dump().find("ScrivelShExt.DLL"), std::string::npos);
        }
    }
}

TEST(RegistryScript, ReplacementsAreLiteralText) {
    // A module path with a quote and braces must not change the script's structure.
    const std::u16string path = u"C:\\Users\\O'Brien {x} %MODULE%\\ScrivelShExt.DLL";
    const RegistryScript script = Parse(u"HKCR { K = s '%MODULE%' { val V = d '%N%' } Pct = s '100%%' }",
                                        {{u"module", path}, {u"N", u"0x10"}});
    MemoryRegistry registry;
    ASSERT_TRUE(RegisterScript(script, registry).Succeeded());
    EXPECT_EQ(registry.Dump(), "HKCR\nHKCR\\K\nHKCR\\K  [V] = 16\nHKCR\\K  [] = " + Utf16ToUtf8(path) +
                                   "\nHKCR\\Pct\nHKCR\\Pct  [] = 100%\n");
}

TEST(RegistryScript, MalformedScriptsAreRejectedWithTheirLine) {
    struct Row {
        const char16_t* text;
        const char16_t* message;
    };
    const Row rows[] = {
        {u"HKXX { }", u"Registration script, line 1: unknown root key \"HKXX\"."},
        {u"HKCR\n{\n  Key = s 'open", u"Registration script, line 3: expected a closing quote."},
        {u"HKCR { Key = s '%NOPE%' }",
         u"Registration script, line 1: no replacement for the placeholder \"NOPE\"."},
        {u"HKCR { Key = d 12x }", u"Registration script, line 1: \"12x\" is not a number."},
        {u"HKCR { Key = d 4294967296 }", u"Registration script, line 1: \"4294967296\" is not a number."},
        {u"HKCR { Key = q 'x' }", u"Registration script, line 1: expected a value type ('s' or 'd')."},
        {u"HKCR {\n Key {\n", u"Registration script, line 3: expected '}'."},
        {u"HKCR { val V = s 'x' }",
         u"Registration script, line 1: expected a key name (values belong inside a key)."},
        {u"HKCR { 'a\\b' }", u"Registration script, line 1: expected a key name without backslashes."},
        {u"HKCR Key", u"Registration script, line 1: expected '{'."},
        {u"HKCR { Key = s '100%' }", u"Registration script, line 1: expected a closing '%'."},
    };
    for (const Row& row : rows) {
        RegistryScript script;
        std::u16string error;
        EXPECT_FALSE(ParseRegistryScript(row.text, {}, script, error)) << Printable(row.text);
        EXPECT_EQ(Printable(error), Printable(row.message)) << Printable(row.text);
        EXPECT_TRUE(script.roots.empty());
    }
}

TEST(RegistryScript, KeywordsIgnoreCaseAndQuotedWordsAreNames) {
    const RegistryScript script =
        Parse(u"hkey_classes_root { noremove 'NoRemove' { FORCEREMOVE 'val' = s 'it''s' } }", {});
    MemoryRegistry registry;
    ASSERT_TRUE(RegisterScript(script, registry).Succeeded());
    EXPECT_EQ(registry.Dump(), "HKCR\nHKCR\\NoRemove\nHKCR\\NoRemove\\val\nHKCR\\NoRemove\\val  [] = it's\n");
    ASSERT_TRUE(UnregisterScript(script, registry).Succeeded());
    EXPECT_EQ(registry.Dump(), "HKCR\nHKCR\\NoRemove\n");
}

}  // namespace
}  // namespace quillet::test
