#include "TestSupport.h"

#include <fstream>
#include <random>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Utf.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace quillet::test {

std::u16string Native(std::u16string_view windowsPath) {
    std::u16string path(windowsPath);
    for (char16_t& c : path) {
        if (c == u'\\') {
            c = platform::kPathSeparator;
        }
    }
    return path;
}

TempFolder::TempFolder() {
    std::random_device random;
    root_ = std::filesystem::temp_directory_path() / ("quillet-test-" + std::to_string(random()));
    std::filesystem::create_directories(root_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
#ifdef _WIN32
    // Through the "\\?\" form, so that names ending in a dot or a space are removed as they are.
    std::filesystem::remove_all(L"\\\\?\\" + root_.wstring(), ignored);
#else
    std::filesystem::remove_all(root_, ignored);
#endif
}

std::u16string TempFolder::PathOf(std::u16string_view relative) const {
    std::u16string path = root_.u16string();
    if (!relative.empty()) {
        path += platform::kPathSeparator;
        path += Native(relative);
    }
    return path;
}

std::u16string TempFolder::WriteFile(std::u16string_view relative, std::size_t size) const {
    const std::u16string path = PathOf(relative);
    const std::filesystem::path fsPath(path);
    std::filesystem::create_directories(fsPath.parent_path());
    std::ofstream out(fsPath, std::ios::binary);
    out << std::string(size, 'x');
    return path;
}

std::u16string TempFolder::MakeFolder(std::u16string_view relative) const {
    const std::u16string path = PathOf(relative);
    std::filesystem::create_directories(std::filesystem::path(path));
    return path;
}

#ifdef _WIN32
namespace {
std::wstring LongForm(const std::u16string& path) {
    return L"\\\\?\\" + std::wstring(reinterpret_cast<const wchar_t*>(path.c_str()));
}
}  // namespace

bool MarkHidden(const std::u16string& path) {
    const auto* wide = reinterpret_cast<const wchar_t*>(path.c_str());
    const DWORD attributes = GetFileAttributesW(wide);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           SetFileAttributesW(wide, attributes | FILE_ATTRIBUTE_HIDDEN);
}

bool MakeFoldersLong(const std::u16string& path) {
    for (std::size_t at = path.find(u'\\', 3);; at = path.find(u'\\', at + 1)) {
        const std::u16string prefix = at == std::u16string::npos ? path : path.substr(0, at);
        if (!CreateDirectoryW(LongForm(prefix).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
        if (at == std::u16string::npos) {
            return true;
        }
    }
}

bool WriteFileLong(const std::u16string& path, std::size_t size) {
    HANDLE file = CreateFileW(LongForm(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const std::string data(size, 'x');
    DWORD written = 0;
    const bool ok = WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
                    written == data.size();
    CloseHandle(file);
    return ok;
}
#else
bool MarkHidden(const std::u16string& path) {
    const std::size_t slash = path.find_last_of(u'/');
    return path.size() > slash + 1 && path[slash + 1] == u'.';
}

bool MakeFoldersLong(const std::u16string& path) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path), error);
    return !error;
}

bool WriteFileLong(const std::u16string& path, std::size_t size) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out << std::string(size, 'x');
    return static_cast<bool>(out);
}
#endif

std::string Printable(std::u16string_view text) {
    return Utf16ToUtf8(text);
}

}  // namespace quillet::test
