// Generated files and folders for the Options dialog tests and screenshots, and a way to open the
// dialog on them.
#pragma once

#include <gtest/gtest.h>

#include <memory>
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
