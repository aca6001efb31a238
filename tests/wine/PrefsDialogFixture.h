// The configuration dialog opened on a command file of the test's own, driven by window messages,
// and the per-user command file set aside while the tests run.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "DialogDriver.h"
#include "winui/ModuleInfo.h"

namespace quillet::test {

class PrefsDialogFixture : public testing::Test {
  public:
    // The per-user command file's path and its bytes (no byte order mark in lines, CR LF added).
    static std::u16string UserFile();
    static void WriteUserFile(const std::vector<std::string>& lines);
    static void WriteRaw(const std::string& bytes);
    static std::optional<std::string> UserFileBytes();
    static std::optional<FILETIME> UserFileTime();
    static void SetUserFileTime(const FILETIME& time);
    // The bytes the writer gives for these lines: the byte order mark and CR LF line ends.
    static std::string FileBytes(const std::vector<std::string>& lines);

    // The dialog on the per-user file (or the default one), as the program opens it; its help viewer
    // (and its small dialogs') given.
    static DialogDriver OpenDialog(winui::HtmlHelpCall helpViewer = &winui::SystemHtmlHelp);
    // The caption of the program's message boxes: the product's name.
    static std::u16string Caption();
    // Waits for a message box, answers it with a button (kPressEnter: the Enter key) and returns its
    // text (empty if none came).
    static constexpr int kPressEnter = 0;
    static std::u16string AnswerBox(const DialogDriver& dialog, int buttonId);
    // The window that has the keyboard focus on the dialog's thread.
    static HWND Focused(const DialogDriver& dialog);

    // The list view: item texts, state marks, the selected item (-1 for none).
    static std::vector<std::u16string> Items(const DialogDriver& dialog);
    static std::vector<int> Marks(const DialogDriver& dialog);
    static int SelectedItem(const DialogDriver& dialog);
    // Selects an item as a click would; -1 clears the selection, as a click on an empty part does.
    static void SelectItem(const DialogDriver& dialog, int index);

    // Presses a button whose handler opens a modal window, without waiting for it.
    static void PostClick(const DialogDriver& dialog, int id);
    // The visible dialog-class window titled title on the dialog's thread, waited for; null if none.
    static HWND WaitForWindow(const DialogDriver& dialog, std::u16string_view title);
    // Answers a message box or closes a child dialog with a button, and waits until it is gone.
    static void Answer(HWND window, int buttonId);
    // The text of a message box's message.
    static std::u16string MessageOf(HWND box);

  protected:
    // The dialog's remembered size and place is forgotten before each test.
    static void ForgetWindowPlace();
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

  private:
    static std::optional<std::string> savedUserFile_;
};

}  // namespace quillet::test
