// The file commands on real files under Wine: renames through the shell's move, copy-and-delete with
// the shell's confirmation answered from here, and the start of the configuration program.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "HostWatchers.h"
#include "TestSupport.h"
#include "platform/AsciiCase.h"
#include "platform/Clipboard.h"
#include "platform/Paths.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"
#include "shellext/FileCommands.h"

namespace quillet::shellext {
namespace {

using platform::AsWide;
using test::ClipboardHolder;
using test::ConfirmationAnswerer;
using test::Printable;
using test::TempFolder;
using test::WaitFor;

bool Exists(const std::u16string& path) {
    return GetFileAttributesW(AsWide(path)) != INVALID_FILE_ATTRIBUTES;
}

// The attributes of exactly the item at a full path (the "\\?\" form keeps a trailing dot or space).
DWORD ExactAttributes(const std::u16string& path) {
    return GetFileAttributesW(AsWide(u"\\\\?\\" + path));
}

// Creates exactly the named file (of `size` bytes) or, with a trailing backslash, folder.
std::u16string MakeItem(const std::u16string& folder, const std::u16string& name, std::size_t size) {
    const bool isFolder = name.back() == u'\\';
    const std::u16string path = folder + u"\\" + (isFolder ? name.substr(0, name.size() - 1) : name);
    EXPECT_TRUE(isFolder ? test::MakeFoldersLong(path) : test::WriteFileLong(path, size)) << Printable(path);
    return path;
}

std::vector<std::u16string> Entries(const std::u16string& folder) {
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW found;
    const std::u16string pattern = folder + u"\\*";
    const platform::FolderSearchHandle search(FindFirstFileW(AsWide(pattern), &found));
    if (!search) {
        return names;
    }
    do {
        const std::u16string name = platform::FromWide(found.cFileName);
        if (name != u"." && name != u"..") {
            names.push_back(name);
        }
    } while (FindNextFileW(search.Get(), &found));
    return names;
}

// The size of exactly the file at a full path; 0 when it cannot be read.
std::size_t SizeOf(const std::u16string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(AsWide(u"\\\\?\\" + path), GetFileExInfoStandard, &data)) {
        return 0;
    }
    return data.nFileSizeLow;
}

void SetClipboard(const std::optional<std::u16string>& text) {
    ASSERT_TRUE(
        platform::ReplaceClipboardText(text ? std::optional<std::u16string_view>(*text) : std::nullopt));
}

// ---- Renames ----

enum class Paste { Plain, KeepExtension };

struct RenameRow {
    const char* what;
    std::u16string item;  // created in its own folder; a trailing backslash makes it a folder
    std::optional<std::u16string> clipboard;
    Paste paste;
    std::u16string expected;   // the item's name afterwards
    std::u16string sibling{};  // another item of the folder (a trailing backslash: a folder), untouched
    // Wine 8 keeps a name's old case through any rename (MoveFileW too): the name afterwards is
    // compared ignoring case.
    bool caseOnly = false;
};

constexpr std::size_t kItemSize = 3;
constexpr std::size_t kSiblingSize = 7;

// Runs a row in its own folder `subfolder` of temp, which holds nothing but the folders of the rows.
void RunRename(const TempFolder& temp, const std::u16string& subfolder, const RenameRow& row) {
    SCOPED_TRACE(row.what);
    const std::u16string folder = temp.MakeFolder(subfolder);
    const std::u16string item = MakeItem(folder, row.item, kItemSize);
    ASSERT_NE(ExactAttributes(item), INVALID_FILE_ATTRIBUTES) << Printable(item);
    std::vector<std::u16string> expected{row.expected};
    if (!row.sibling.empty()) {
        const std::u16string sibling = MakeItem(folder, row.sibling, kSiblingSize);
        expected.push_back(sibling.substr(folder.size() + 1));
    }
    SetClipboard(row.clipboard);

    const std::vector<std::u16string> selection{item};
    PasteFileName(selection, row.paste == Paste::KeepExtension);

    std::vector<std::u16string> entries = Entries(folder);
    std::sort(entries.begin(), entries.end());
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(entries.size(), expected.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (row.caseOnly) {
            EXPECT_TRUE(EqualsIgnoringAsciiCase(entries[i], expected[i])) << Printable(entries[i]);
        } else {
            EXPECT_EQ(Printable(entries[i]), Printable(expected[i]));
        }
    }
    if (!row.sibling.empty()) {
        if (row.sibling.back() == u'\\') {
            EXPECT_TRUE(Entries(folder + u"\\" + row.sibling.substr(0, row.sibling.size() - 1)).empty());
        } else {
            EXPECT_EQ(SizeOf(folder + u"\\" + row.sibling), kSiblingSize);
        }
    }
    // Nothing moved up beside the rows' folders either.
    for (const std::u16string& entry : Entries(temp.Root().u16string())) {
        EXPECT_EQ(entry.rfind(subfolder.substr(0, 3), 0), 0u) << Printable(entry);
    }
}

template <std::size_t count>
void RunRenames(const RenameRow (&rows)[count]) {
    const TempFolder temp;
    for (std::size_t i = 0; i < count; ++i) {
        RunRename(temp, u"row" + platform::FromWide(std::to_wstring(i).c_str()), rows[i]);
    }
}

TEST(FileCommands, PasteRenamesInTheSameFolder) {
    const RenameRow rows[] = {
        {"plain", u"a.doc", u"b.txt", Paste::Plain, u"b.txt"},
        {"keep: no dot in the text", u"a.txt", u"Report 2024", Paste::KeepExtension, u"Report 2024.txt"},
        {"keep: only the last dot goes", u"a.txt", u"Report.final.docx", Paste::KeepExtension,
         u"Report.final.txt"},
        {"keep: item without extension", u"README", u"notes.md", Paste::KeepExtension, u"notes"},
        {"keep: text that is only an extension", u"a.txt", u".md", Paste::KeepExtension, u".txt"},
        {"keep: folder with a dot", u"my.dir\\", u"projects", Paste::KeepExtension, u"projects.dir"},
        {"plain: folder", u"old\\", u"new", Paste::Plain, u"new"},
        {"non-BMP names", u"\U0001D11E.txt", u"\U0001D120 b.txt", Paste::Plain, u"\U0001D120 b.txt"},
        {"beside a name that differs by a trailing dot", u"a.doc", u"b.doc", Paste::Plain, u"b.doc",
         u"b.doc."},
    };
    RunRenames(rows);
}

TEST(FileCommands, PasteDoesNothingWhenTheClipboardNoLongerHoldsAName) {
    const RenameRow rows[] = {
        {"into the folder above", u"a.doc", u"..\\x", Paste::Plain, u"a.doc"},
        {"keep: into the folder above", u"a.doc", u"..\\x", Paste::KeepExtension, u"a.doc"},
        {"the folder above itself", u"a.doc", u"..", Paste::Plain, u"a.doc"},
        {"the item's own folder", u"a.doc", u".", Paste::Plain, u"a.doc"},
        {"keep: a name that becomes only dots", u"README", u"..md", Paste::KeepExtension, u"README"},
        {"keep: a name that becomes empty", u"README", u".md", Paste::KeepExtension, u"README"},
        {"line break at the end", u"a.doc", u"b.txt\r\n", Paste::Plain, u"a.doc"},
        {"drive letter", u"a.doc", u"C:b.txt", Paste::Plain, u"a.doc"},
        {"260 characters", u"a.doc", std::u16string(260, u'n'), Paste::Plain, u"a.doc"},
        {"no text", u"a.doc", std::nullopt, Paste::Plain, u"a.doc"},
        {"keep: no text", u"a.doc", std::nullopt, Paste::KeepExtension, u"a.doc"},
    };
    RunRenames(rows);
}

TEST(FileCommands, PasteTouchesNoOtherItem) {
    const RenameRow rows[] = {
        {"onto an existing file", u"a.doc", u"b.txt", Paste::Plain, u"a.doc", u"b.txt"},
        {"onto an existing file in another case", u"a.doc", u"B.TXT", Paste::Plain, u"a.doc", u"b.txt"},
        {"keep: onto an existing file", u"a.txt", u"b.md", Paste::KeepExtension, u"a.txt", u"b.txt"},
        {"onto a sibling folder", u"a.doc", u"box", Paste::Plain, u"a.doc", u"box\\"},
        {"a folder onto a sibling folder", u"old\\", u"box", Paste::Plain, u"old", u"box\\"},
        {"onto a name that the shell reads without its dot", u"a.doc", u"b.", Paste::Plain, u"a.doc", u"b"},
        {"onto a name that the shell reads without its space", u"a.doc", u"b ", Paste::Plain, u"a.doc", u"b"},
        {"non-BMP onto a name that the shell reads without its dots", u"a.doc", u"\U0001D11E..", Paste::Plain,
         u"a.doc", u"\U0001D11E"},
        // The shell's move reads these items without their trailing dot or space: the sibling.
        {"a name ending in a space", u"notes ", u"x.txt", Paste::Plain, u"notes ", u"notes"},
        {"a name ending in a dot", u"report.", u"x.txt", Paste::Plain, u"report.", u"report"},
        {"keep: a non-BMP name ending in a dot", u"\U0001D11E.", u"x", Paste::KeepExtension, u"\U0001D11E.",
         u"\U0001D11E"},
        {"a folder ending in a dot", u"album.\\", u"photos", Paste::Plain, u"album.", u"album"},
    };
    RunRenames(rows);
}

TEST(FileCommands, PasteMayChangeTheCaseOfTheName) {
    const RenameRow rows[] = {
        {"case only", u"a.txt", u"A.TXT", Paste::Plain, u"A.TXT", {}, true},
        {"keep: case only", u"report.txt", u"Report.md", Paste::KeepExtension, u"Report.txt", {}, true},
        {"a folder, case only", u"album\\", u"Album", Paste::Plain, u"Album", {}, true},
    };
    RunRenames(rows);
}

TEST(FileCommands, RenameThatWouldNotFitThePathBufferDoesNothing) {
    const TempFolder temp;
    // Row folders whose paths leave room for a name of exactly `room` characters within 259.
    const std::size_t rootLength = temp.Root().u16string().size();
    const std::u16string deep(240 - rootLength, u'd');
    const std::size_t room = 259 - (rootLength + 1 + deep.size() + 1 + 1);
    const std::u16string fits(room, u'n');
    const std::u16string tooLong(room + 1, u'n');
    RunRename(temp, deep + u"1", {"fits exactly", u"a", fits, Paste::Plain, fits});
    RunRename(temp, deep + u"2", {"one character too many", u"a", tooLong, Paste::Plain, u"a"});
    RunRename(temp, deep + u"3",
              {"keep: the extension makes it too long", u"a.txt", fits, Paste::KeepExtension, u"a.txt"});
}

// ---- Copy and delete ----

// The shell moves deleted items to the XDG trash under Wine; the tests point XDG_DATA_HOME at a
// folder of the build, made here when missing (without it Wine has no trash and deletes for good).
std::optional<std::u16string> TrashFilesFolder() {
    wchar_t dataHome[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"XDG_DATA_HOME", dataHome, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return std::nullopt;
    }
    const std::u16string folder = u"Z:" + platform::FromWide(dataHome, length);
    CreateDirectoryW(AsWide(folder), nullptr);
    return folder + u"/Trash/files/";
}

std::u16string UniqueName(const TempFolder& temp, std::u16string_view stem) {
    return std::u16string(stem) + u"-" + temp.Root().filename().u16string() + u".txt";
}

TEST(FileCommands, CopyAndDeleteAnsweredYesPutsTheNameOnTheClipboardAndTrashesTheFile) {
    const TempFolder temp;
    const std::u16string name = UniqueName(temp, u"gone");
    const std::u16string path = temp.WriteFile(name, 5);
    const auto trash = TrashFilesFolder();
    ASSERT_TRUE(trash) << "XDG_DATA_HOME is not set";
    SetClipboard(u"before");
    {
        const ConfirmationAnswerer answerer(IDYES);
        CopyAndDelete(std::vector<std::u16string>{path});
        EXPECT_EQ(answerer.Answered(), 1);
    }
    EXPECT_FALSE(Exists(path));
    EXPECT_EQ(Printable(test::ClipboardText().value_or(u"(none)")), Printable(name));
    EXPECT_TRUE(Exists(*trash + name)) << Printable(*trash + name);
}

TEST(FileCommands, CopyAndDeleteOfAFolderTakesItsContents) {
    const TempFolder temp;
    const std::u16string folder = temp.MakeFolder(u"album");
    temp.WriteFile(u"album\\photo.jpg", 10);
    ASSERT_TRUE(TrashFilesFolder());
    {
        const ConfirmationAnswerer answerer(IDYES);
        CopyAndDelete(std::vector<std::u16string>{folder});
        EXPECT_EQ(answerer.Answered(), 1);
    }
    EXPECT_FALSE(Exists(folder));
    EXPECT_EQ(Printable(test::ClipboardText().value_or(u"(none)")), "album");
}

TEST(FileCommands, CopyAndDeleteCancelledLeavesTheFileAndTheName) {
    const TempFolder temp;
    const std::u16string path = temp.WriteFile(u"kept.txt", 5);
    {
        const ConfirmationAnswerer answerer(IDNO);
        CopyAndDelete(std::vector<std::u16string>{path});
        EXPECT_EQ(answerer.Answered(), 1);
    }
    EXPECT_TRUE(Exists(path));
    EXPECT_EQ(Printable(test::ClipboardText().value_or(u"(none)")), "kept.txt");
}

TEST(FileCommands, CopyAndDeleteTakesExactlyANameEndingInADotOrASpace) {
    struct Row {
        const char* what;
        std::u16string item;  // a trailing backslash makes it a folder
        std::u16string sibling;
    };
    const Row rows[] = {
        {"a name ending in a dot", u"report.", u"report"},
        {"a name ending in a space", u"notes ", u"notes"},
        {"a non-BMP name ending in a dot", u"\U0001D11E.", u"\U0001D11E"},
        {"a folder ending in a dot", u"album.\\", u"album\\"},
    };
    ASSERT_TRUE(TrashFilesFolder());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const TempFolder temp;
        const std::u16string folder = temp.Root().u16string();
        const std::u16string sibling = MakeItem(folder, row.sibling, kSiblingSize);
        const std::u16string item = MakeItem(folder, row.item, kItemSize);
        {
            const ConfirmationAnswerer answerer(IDYES);
            CopyAndDelete(std::vector<std::u16string>{item});
            EXPECT_EQ(answerer.Answered(), 1);
        }
        EXPECT_EQ(ExactAttributes(item), INVALID_FILE_ATTRIBUTES);
        EXPECT_NE(ExactAttributes(sibling), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(Printable(test::ClipboardText().value_or(u"(none)")),
                  Printable(item.substr(folder.size() + 1)));
    }
}

TEST(FileCommands, CopyAndDeleteOfAnItemThatIsGoneDoesNothing) {
    const TempFolder temp;
    for (const std::u16string name : {u"gone.txt", u"gone"}) {
        SetClipboard(u"before");
        const ConfirmationAnswerer answerer(IDNO);
        CopyAndDelete(std::vector<std::u16string>{temp.PathOf(name)});
        EXPECT_EQ(answerer.Answered(), 0) << Printable(name);
        EXPECT_EQ(Printable(test::ClipboardText().value_or(u"(none)")), "before");
    }
}

TEST(FileCommands, CopyAndDeleteDeletesNothingWhenTheCopyFails) {
    const TempFolder temp;
    const std::u16string path = temp.WriteFile(u"held.txt", 5);
    const ConfirmationAnswerer answerer(IDYES);
    {
        const ClipboardHolder otherProgram;
        ASSERT_TRUE(otherProgram.Opened());
        CopyAndDelete(std::vector<std::u16string>{path});
    }
    EXPECT_TRUE(Exists(path));
    EXPECT_EQ(answerer.Answered(), 0);
}

// ---- Configure ----

std::u16string ReadMarker(const std::u16string& path) {
    const platform::FileHandle file(CreateFileW(AsWide(path), GENERIC_READ,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return {};
    }
    std::u16string text(4096, u'\0');
    DWORD read = 0;
    ReadFile(file.Get(), text.data(), static_cast<DWORD>(text.size() * sizeof(char16_t)), &read, nullptr);
    text.resize(read / sizeof(char16_t));
    return text;
}

TEST(FileCommands, ConfigureWithTheProgramAbsentStartsNothing) {
    const TempFolder temp;
    EXPECT_TRUE(FAILED(StartConfigurationProgram(temp.PathOf(u"ScrivelShExt.dll"))));
    EXPECT_TRUE(FAILED(StartConfigurationProgram(platform::RunningModuleFolder() + u"ScrivelShExt.dll")));
    EXPECT_TRUE(FAILED(StartConfigurationProgram(u"ScrivelShExt.dll")));
}

TEST(FileCommands, ConfigureStartsTheProgramBesideTheModuleWithoutArguments) {
    const TempFolder temp;
    // A folder name with a space: started unquoted, "Quillet.exe" in the folder above would run.
    const std::u16string folder = temp.MakeFolder(u"Quillet Files");
    const std::u16string fake = platform::RunningModuleFolder() + u"quillet_fake_prefs.exe";
    const std::u16string program = folder + u"\\ScrivelPrefs.exe";
    ASSERT_TRUE(CopyFileW(AsWide(fake), AsWide(program), TRUE)) << Printable(fake);
    ASSERT_TRUE(CopyFileW(AsWide(fake), AsWide(temp.PathOf(u"Quillet.exe")), TRUE));
    const std::u16string marker = temp.PathOf(u"started.txt");
    ASSERT_TRUE(SetEnvironmentVariableW(L"QUILLET_FAKE_PREFS_MARKER", AsWide(marker)));

    EXPECT_EQ(StartConfigurationProgram(folder + u"\\ScrivelShExt.dll"), S_OK);

    std::u16string started;
    WaitFor([&] { return !(started = ReadMarker(marker)).empty(); });
    EXPECT_EQ(Printable(started), Printable(program + u"|0\n"));
    SetEnvironmentVariableW(L"QUILLET_FAKE_PREFS_MARKER", nullptr);
    // The folder goes once the program has closed its marker and ended: files in use stay.
    const auto removed = [](const std::u16string& path) {
        return DeleteFileW(AsWide(path)) != FALSE || GetLastError() == ERROR_FILE_NOT_FOUND;
    };
    EXPECT_TRUE(WaitFor([&] { return removed(marker) && removed(program); }));
}

}  // namespace
}  // namespace quillet::shellext
