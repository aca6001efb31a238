// Writes arbitrary bytes as the copy options' profile file and reads the options from it; then saves
// them into that same file (its other lines and sections included), reads them back, and builds,
// sorts and renders the customized copy of a few items with them.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

#include "core/copy/CopyOptions.h"
#include "core/copy/CopyText.h"
#include "core/format/Items.h"
#include "core/format/TextBuffer.h"
#include "platform/Paths.h"
#include "platform/Utf.h"

namespace {

using namespace quillet;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool Same(const CopyOptions& a, const CopyOptions& b) {
    for (const CopyOptionField& field : CopyOptionFields()) {
        if (field.stored(a) != field.stored(b)) {
            return false;
        }
    }
    return true;
}

// The profile lives in a folder of this process's own, in memory where the system offers it, removed
// at exit.
class ProfileFolder {
  public:
    ProfileFolder() {
        std::error_code error;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        folder_ = base / ("quillet-options-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        file_ = folder_ / "ScrivelShExt.INI";
    }
    ~ProfileFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    const std::filesystem::path& File() const { return file_; }

  private:
    std::filesystem::path folder_;
    std::filesystem::path file_;
};

void AddItems(ItemSelection& selection) {
    const char16_t separator = platform::kPathSeparator;
    const std::u16string folder = std::u16string(u"reports") + separator;
    selection.Add(std::make_unique<FileCFItem>(folder + u"b.txt", ItemStamps{1700000000, 0, 0}, 1234));
    selection.Add(std::make_unique<FileCFItem>(folder + u"_x.txt", ItemStamps{-1, 0, 0}, 0));
    selection.Add(std::make_unique<FolderCFItem>(folder + u"A folder", ItemStamps{1700000000, 0, 0}, 0));
    selection.Add(std::make_unique<FileCFItem>(folder + u"a.TXT",
                                               ItemStamps{std::numeric_limits<std::int64_t>::max(), 0, 0},
                                               std::numeric_limits<std::uint64_t>::max()));
    selection.Flatten();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ProfileFolder folder;
    const std::filesystem::path& path = folder.File();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const std::u16string file = Utf8ToUtf16(path.string());

    CopyOptions options;
    LoadCopyOptions(options, file);
    for (const CopyOptionField& field : CopyOptionFields()) {
        Check(field.kind != CopyOptionKind::Boolean || field.stored(options) == 0 ||
              field.stored(options) == 1);
    }

    // Whatever else the file holds, what is saved is what is read next.
    SaveCopyOptions(options, file);
    CopyOptions again;
    LoadCopyOptions(again, file);
    Check(Same(options, again));

    ItemSelection selection;
    AddItems(selection);
    selection.order = static_cast<std::uint32_t>(options.sortOption);
    SortSelection(selection);
    Check(selection.Flat().size() == selection.Items().size());
    const CopyFormat format = BuildOptionsCopyFormat(options);
    TextBuffer buffer;
    RenderSelection(selection, format, buffer);
    Check(!SummaryText(selection).empty());
    return 0;
}
