// Helpers shared by the unit tests.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "WaitFor.h"
#include "core/failure/Failure.h"
#include "core/format/Items.h"
#include "platform/Files.h"

namespace quillet::test {

// A Windows-style path with every backslash turned into this platform's separator, so that one
// table of paths serves both builds.
std::u16string Native(std::u16string_view windowsPath);

// A folder of its own under the system's temporary folder, removed with everything in it.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Root() const { return root_; }
    // The full path of a name inside the folder, as the core spells paths.
    std::u16string PathOf(std::u16string_view relative) const;
    // Creates a file of the given size (and its folders) and returns its full path.
    std::u16string WriteFile(std::u16string_view relative, std::size_t size) const;
    std::u16string MakeFolder(std::u16string_view relative) const;

  private:
    std::filesystem::path root_;
};

// Gives a file or folder the platform's hidden mark: Windows the hidden attribute; on POSIX a name
// that begins with a dot is hidden already. False when the mark could not be set.
bool MarkHidden(const std::u16string& path);

// Creates a folder and its parents, also beyond the classic 260-character path limit on Windows.
bool MakeFoldersLong(const std::u16string& path);
// Writes a small file, also beyond the classic path limit on Windows.
bool WriteFileLong(const std::u16string& path, std::size_t size);

// Puts a hook that keeps every failure in seen in the place of the programs' record while it lives. A
// test reads seen once the failing thread has shown it something after the failure.
struct SeenFailure {
    HResult code;
    std::string file;
    int line;
    std::string what;
    std::u16string subject;
};
class CapturedFailures {
  public:
    CapturedFailures()
        : previous_(SetFailureHook([](const FailureRecord& f) {
              seen.push_back({f.code, f.file, f.line, std::string(f.what), std::u16string(f.subject)});
          })) {
        seen.clear();
    }
    ~CapturedFailures() { SetFailureHook(previous_); }
    inline static std::vector<SeenFailure> seen;

  private:
    FailureHook previous_;
};

// printf-style description of UTF-16 text for test failure messages.
std::string Printable(std::u16string_view text);

}  // namespace quillet::test
