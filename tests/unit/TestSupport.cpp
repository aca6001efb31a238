#include "TestSupport.h"

#include <fstream>
#include <random>

#include "platform/Utf.h"

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

platform::FileStatus StatusOf(std::uint64_t size, bool isDirectory) {
    platform::FileStatus status;
    status.size = size;
    status.isDirectory = isDirectory;
    return status;
}

TempFolder::TempFolder() {
    std::random_device random;
    root_ = std::filesystem::temp_directory_path() / ("quillet-test-" + std::to_string(random()));
    std::filesystem::create_directories(root_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
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

std::string Printable(std::u16string_view text) { return Utf16ToUtf8(text); }

}  // namespace quillet::test
