#include <gtest/gtest.h>

#include <windows.h>

#include "DropDataObject.h"
#include "platform/Utf.h"
#include "shellext/DropList.h"

namespace quillet::test {
namespace {

std::vector<std::u16string> U16(const std::vector<std::wstring>& paths) {
    std::vector<std::u16string> converted;
    for (const std::wstring& path : paths) {
        converted.emplace_back(reinterpret_cast<const char16_t*>(path.c_str()), path.size());
    }
    return converted;
}

TEST(DropList, TakesEveryPathWholeInOrder) {
    const std::wstring longFolder = L"C:\\" + std::wstring(250, L'f');
    struct Row {
        const char* what;
        std::vector<std::wstring> paths;
        bool wide;
    };
    const Row rows[] = {
        {"a file and a folder", {L"C:\\docs\\a.txt", L"C:\\docs\\sub"}, true},
        {"one item", {L"Z:\\only.bin"}, true},
        {"paths longer than MAX_PATH are not cut",
         {longFolder + L"\\report.txt", longFolder + L"\\report.txt.bak", L"C:\\" + std::wstring(1000, L'x')},
         true},
        {"names in the ANSI code page", {L"C:\\docs\\a.txt", L"C:\\docs\\b.txt"}, false},
        {"non-ASCII names", {L"C:\\Dokumente\\\u00dcbersicht \u2013 2024.txt"}, true},
        {"non-ASCII names in the ANSI code page", {L"C:\\Dokumente\\\u00dcbersicht 2024.txt"}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<std::u16string> selection = {u"previous"};
        EXPECT_EQ(shellext::ReadDropList(MakeDropData(row.paths, row.wide).Get(), selection), S_OK);
        EXPECT_EQ(selection, U16(row.paths));
    }
}

TEST(DropList, NoFileListLeavesTheSelectionAsItWas) {
    struct Row {
        const char* what;
        shellext::ComPtr<IDataObject> data;
    };
    Row rows[] = {
        {"no data object", {}},
        {"an empty file list", MakeDropData({})},
        {"no CF_HDROP offered", MakeDropData({L"C:\\a.txt"}, true, false)},
        // The memory ends before the name's terminator and the list's end.
        {"the only name cut off by the end of the memory", MakeRawDropData([] {
             std::vector<BYTE> block = DropDataObject::DropFiles({L"C:\\a.txt"});
             block.resize(block.size() - 2 * sizeof(wchar_t));
             return block;
         }())},
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<std::u16string> selection = {u"previous"};
        EXPECT_EQ(shellext::ReadDropList(row.data.Get(), selection), E_INVALIDARG);
        EXPECT_EQ(selection, std::vector<std::u16string>{u"previous"});
    }
}

}  // namespace
}  // namespace quillet::test
