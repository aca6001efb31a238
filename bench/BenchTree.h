// The generated tree the copy engine's benchmarks read: 200,000 files in 20,000 folders.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace quillet::bench {

inline constexpr int kTopFolders = 200;
inline constexpr int kFoldersPerTop = 99;   // 200 + 200 x 99 = 20,000 folders
inline constexpr int kFilesPerFolder = 10;  // 200,000 files

// Creates the tree under root (once; an existing complete tree is reused). Files hold 0 to 99 bytes.
inline void MakeTree(const std::filesystem::path& root) {
    const std::filesystem::path done = root / "complete";
    if (std::filesystem::exists(done)) {
        return;
    }
    std::size_t n = 0;
    const auto fill = [&n](const std::filesystem::path& folder) {
        std::filesystem::create_directories(folder);
        for (int f = 0; f < kFilesPerFolder; ++f, ++n) {
            std::ofstream out(folder / ("file" + std::to_string(f) + (f % 3 == 0 ? ".txt" : ".dat")),
                              std::ios::binary);
            out << std::string(n % 100, 'x');
        }
    };
    for (int t = 0; t < kTopFolders; ++t) {
        const std::filesystem::path top = root / "Tree" / ("top" + std::to_string(t));
        fill(top);
        for (int s = 0; s < kFoldersPerTop; ++s) {
            fill(top / ("sub" + std::to_string(s)));
        }
    }
    std::ofstream(done) << n;
}

}  // namespace quillet::bench
