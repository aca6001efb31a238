// Generated files and folders for the Options dialog tests and screenshots, and a way to open the
// dialog on them.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "../unit/TestSupport.h"
#include "DialogDriver.h"

namespace quillet::test {

// Under the root: a.txt (1234 bytes), B.txt (10), _x.txt (300), each with its own modified time, and
// the folder Docs with notes.tmp (7), readme.TXT (5), sub\deep.txt (9) and hidden entries that a scan
// skips.
class OptionsDialogFixture : public testing::Test {
  public:
    // Creates the files and keeps the user's stored copy options aside; RemoveFiles puts them back.
    static void CreateFiles();
    static void RemoveFiles();
    // Forgets the stored copy options: the next dialog opens with every option at 0.
    static void ResetStoredOptions();

    static std::u16string Root();
    static std::u16string A() { return Root() + u"\\a.txt"; }
    static std::u16string B() { return Root() + u"\\B.txt"; }
    static std::u16string X() { return Root() + u"\\_x.txt"; }
    static std::u16string Docs() { return Root() + u"\\Docs"; }
    static std::vector<std::u16string> Files() { return {A(), B(), X()}; }

    static DialogDriver OpenDialog(std::vector<std::u16string> paths);
    // The addresses a web link opened, written by the dialog's thread and read by the test's.
    class OpenedLinks {
      public:
        void Add(const std::u16string& url) {
            const std::lock_guard lock(mutex_);
            urls_.push_back(url);
        }
        std::vector<std::u16string> Get() const {
            const std::lock_guard lock(mutex_);
            return urls_;
        }

      private:
        mutable std::mutex mutex_;
        std::vector<std::u16string> urls_;
    };
    // The same dialog, its web link opening addresses into opened instead of the browser.
    static DialogDriver OpenDialogWithLink(std::vector<std::u16string> paths, OpenedLinks& opened);

    // What the dialog asked of the help viewer, one call each.
    struct HelpCall {
        HWND caller = nullptr;
        std::u16string file;
        UINT command = 0;
        DWORD_PTR data = 0;
    };
    class HelpCalls {
      public:
        void Add(HelpCall call) {
            const std::lock_guard lock(mutex_);
            calls_.push_back(std::move(call));
        }
        std::vector<HelpCall> Get() const {
            const std::lock_guard lock(mutex_);
            return calls_;
        }

      private:
        mutable std::mutex mutex_;
        std::vector<HelpCall> calls_;
    };
    // The same dialog, its help viewer recording the calls into calls instead of showing help.
    static DialogDriver OpenDialogWithHelp(std::vector<std::u16string> paths, HelpCalls& calls);

    // Runs the tests that filter names in a new process of this program at the given system DPI (a
    // Wine process reads it from the user's settings when it starts) and text size (TextSizeScope); the
    // settings are put back afterwards. Gives the exit code and what the process wrote.
    struct ProcessResult {
        DWORD exitCode = 0;
        std::string output;
    };
    static ProcessResult RunAtDpi(int dpi, const std::string& filter, int textSize = 100);
    // The DPI that RunAtDpi asked for in this process, or 0 when it was not started that way; the text
    // size it asked for, or 100.
    static int RequestedDpi();
    static int RequestedTextSize();
    // The system's DPI, which the dialogs open at.
    static int SystemDpi();

    // The modified time of a generated file in the user's short or long date format, with or without
    // the time.
    static std::u16string DateOf(const std::u16string& path, bool longDate, bool withTime);
    static std::u16string ExpectedVersionLabel();

  protected:
    static void SetUpTestSuite() { CreateFiles(); }
    static void TearDownTestSuite() { RemoveFiles(); }
    void SetUp() override { ResetStoredOptions(); }

  private:
    static std::unique_ptr<TempFolder> folder_;
    static std::optional<std::string> savedOptions_;
};

}  // namespace quillet::test
