// What the tests of the module's menus set up around a host: the per-user command file, the clipboard
// text and a folder of files to select; and the module beside the tests.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/Clipboard.h"
#include "platform/Paths.h"
#include "platform/Utf.h"
#include "platform/win32/WideString.h"

namespace quillet::test {

inline std::string Narrow(const wchar_t* text) {
    return Utf16ToUtf8(reinterpret_cast<const char16_t*>(text));
}

inline std::wstring ModuleFolder() {
    return platform::AsWide(platform::RunningModuleFolder());
}

// The per-user command file, written for one test (lines null: none, so the default list is read);
// what was there before comes back after it.
class UserCommandFile {
  public:
    explicit UserCommandFile(const char* lines) {
        wchar_t appData[MAX_PATH] = {};
        EXPECT_TRUE(
            SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)));
        const std::filesystem::path folder = std::filesystem::path(appData) / L"Brantwell" / L"Quillet";
        std::filesystem::create_directories(folder);
        path_ = folder / L"Cmds.txt";
        if (std::filesystem::exists(path_)) {
            std::ifstream old(path_, std::ios::binary);
            previous_ = std::string(std::istreambuf_iterator<char>(old), {});
            hadPrevious_ = true;
        }
        if (lines) {
            std::ofstream(path_, std::ios::binary | std::ios::trunc) << "\xEF\xBB\xBF" << lines;
        } else {
            std::filesystem::remove(path_);
        }
    }
    ~UserCommandFile() {
        if (hadPrevious_) {
            std::ofstream(path_, std::ios::binary | std::ios::trunc) << previous_;
        } else {
            std::filesystem::remove(path_);
        }
    }

  private:
    std::filesystem::path path_;
    std::string previous_;
    bool hadPrevious_ = false;
};

inline void SetClipboardText(const std::wstring& text) {
    ASSERT_TRUE(
        platform::ReplaceClipboardText(std::u16string_view(platform::AsUtf16(text.c_str()), text.size())));
}

inline void ClearClipboard() {
    ASSERT_TRUE(platform::ReplaceClipboardText(std::nullopt));
}

// A folder of its own under the temporary folder, removed with what is in it.
class TempFolder {
  public:
    TempFolder() {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"quillet-" + std::to_wstring(GetCurrentProcessId());
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    std::wstring PathOf(const std::wstring& name) const { return path_ + L"\\" + name; }
    std::wstring MakeFile(const std::wstring& name) const {
        std::ofstream(std::filesystem::path(PathOf(name))) << "content";
        return PathOf(name);
    }
    static bool Exists(const std::wstring& path) {
        return std::filesystem::exists(std::filesystem::path(path));
    }
    const std::wstring& Path() const { return path_; }

  private:
    std::wstring path_;
};

}  // namespace quillet::test
