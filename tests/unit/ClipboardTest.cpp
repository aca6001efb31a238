// The clipboard write of a copy: against the real clipboard under Windows (and Wine), and through
// the clipboard programs on POSIX.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "TestSupport.h"
#include "core/copy/CopyText.h"
#include "platform/Clipboard.h"

#ifdef _WIN32
#include <windows.h>

#include "../wine/HostWatchers.h"
#include "platform/win32/Handles.h"
#else
#include <sys/stat.h>
#endif

namespace quillet {
namespace {

using test::Printable;

TextBuffer BufferOf(std::u16string_view text) {
    TextBuffer buffer;
    buffer.AppendRaw(text);
    return buffer;
}

#ifdef _WIN32

// Another process that holds the clipboard open while it lives.
class ClipboardHolder {
  public:
    ClipboardHolder() {
        held_.Reset(CreateEventW(nullptr, TRUE, FALSE, L"QuilletTestClipboardHeld"));
        release_.Reset(CreateEventW(nullptr, TRUE, FALSE, L"QuilletTestClipboardRelease"));
        wchar_t module[MAX_PATH];
        const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
        std::wstring program(module, length);
        program = program.substr(0, program.find_last_of(L'\\') + 1) + L"clipboard_holder.exe";
        std::wstring commandLine =
            L"\"" + program + L"\" QuilletTestClipboardHeld QuilletTestClipboardRelease";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &process)) {
            process_.Reset(process.hProcess);
            thread_.Reset(process.hThread);
        }
    }
    ~ClipboardHolder() {
        SetEvent(release_.Get());
        if (process_) {
            WaitForSingleObject(process_.Get(), 30000);
        }
    }
    ClipboardHolder(const ClipboardHolder&) = delete;
    ClipboardHolder& operator=(const ClipboardHolder&) = delete;

    bool WaitUntilHeld() const {
        return process_ && WaitForSingleObject(held_.Get(), 20000) == WAIT_OBJECT_0;
    }

  private:
    platform::UniqueKernelObject held_;
    platform::UniqueKernelObject release_;
    platform::UniqueKernelObject process_;
    platform::UniqueKernelObject thread_;
};

// One test, so that no other test process uses the clipboard meanwhile.
TEST(Clipboard, CopyReplacesTheTextExactlyOrFailsWhileAnotherProgramHoldsIt) {
    ASSERT_TRUE(CopyTextToClipboard(BufferOf(u"first")));
    const std::u16string text = u"a.txt\r\nb \u00e4\u4e2d\U0001F600\r\n";
    ASSERT_TRUE(CopyTextToClipboard(BufferOf(text)));
    EXPECT_EQ(Printable(test::ClipboardText().value_or(u"<none>")), Printable(text));

    // A buffer that never received text only empties the clipboard; an empty text is an empty text.
    ASSERT_TRUE(CopyTextToClipboard(TextBuffer()));
    EXPECT_FALSE(test::ClipboardText().has_value());
    TextBuffer empty;
    empty.AppendText(u"x");
    empty.Clear();
    ASSERT_TRUE(CopyTextToClipboard(empty));
    EXPECT_EQ(Printable(test::ClipboardText().value_or(u"<none>")), "");

    test::TempFolder temp;
    const std::vector<std::u16string> paths = {temp.WriteFile(u"a.txt", 1), temp.PathOf(u"gone"),
                                               temp.WriteFile(u"b.txt", 1)};
    ASSERT_EQ(CopySelection(paths, MakeDefaultCopyFormat(PathComponent::Name)), CopyOutcome::Copied);
    EXPECT_EQ(Printable(test::ClipboardText().value_or(u"<none>")), "a.txt\r\nb.txt\r\n");

    ASSERT_TRUE(CopyTextToClipboard(BufferOf(u"before")));
    {
        ClipboardHolder holder;
        ASSERT_TRUE(holder.WaitUntilHeld());
        EXPECT_FALSE(CopyTextToClipboard(BufferOf(u"after")));
        EXPECT_FALSE(CopyTextToClipboard(TextBuffer()));
    }
    EXPECT_EQ(Printable(test::ClipboardText().value_or(u"<none>")), "before");
    EXPECT_TRUE(CopyTextToClipboard(BufferOf(u"after")));
    EXPECT_EQ(Printable(test::ClipboardText().value_or(u"<none>")), "after");
}

#else

// Sets an environment variable for the life of the object.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnvironment() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(Clipboard, TextGoesThroughXclipAndFailsHonestlyWithoutIt) {
    test::TempFolder temp;
    const std::string folder = temp.Root().string();
    const std::string store = folder + "/clipboard";
    {
        // A stand-in for xclip that keeps the selection in a file.
        std::ofstream script(folder + "/xclip");
        script << "#!/bin/sh\ncase \"$*\" in *-out) cat '" << store << "' ;; *) cat > '" << store
               << "' ;; esac\n";
    }
    ::chmod((folder + "/xclip").c_str(), 0755);
    const std::u16string text = u"a.txt\r\nb \u00e4\U0001F600";
    {
        const ScopedEnvironment path("PATH", (folder + ":/usr/bin:/bin").c_str());
        const ScopedEnvironment display("DISPLAY", ":99");
        const ScopedEnvironment wayland("WAYLAND_DISPLAY", nullptr);
        ASSERT_TRUE(CopyTextToClipboard(BufferOf(text)));
        std::ifstream stored(store, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(stored)), std::istreambuf_iterator<char>());
        EXPECT_EQ(bytes, Printable(text));
        // Read back as the Windows clipboard holds it, terminator included, and never past the reach.
        const platform::ClipboardText read = platform::ReadClipboardText(100);
        EXPECT_EQ(read.status, platform::ClipboardStatus::Text);
        EXPECT_EQ(Printable(read.memory), Printable(text + u'\0'));
        EXPECT_EQ(Printable(platform::ReadClipboardText(3).memory), "a.t");
    }
    {
        const ScopedEnvironment path("PATH", folder.c_str());
        const ScopedEnvironment display("DISPLAY", nullptr);
        const ScopedEnvironment wayland("WAYLAND_DISPLAY", nullptr);
        EXPECT_FALSE(CopyTextToClipboard(BufferOf(text)));
        EXPECT_EQ(platform::ReadClipboardText(100).status, platform::ClipboardStatus::NoText);
    }
    {
        // A clipboard program that fails is a failed copy.
        std::ofstream script(folder + "/xclip", std::ios::trunc);
        script << "#!/bin/sh\nexit 1\n";
        script.close();
        const ScopedEnvironment path("PATH", (folder + ":/usr/bin:/bin").c_str());
        const ScopedEnvironment display("DISPLAY", ":99");
        EXPECT_FALSE(CopyTextToClipboard(BufferOf(std::u16string(100000, u'x'))));
    }
}

#endif

}  // namespace
}  // namespace quillet
