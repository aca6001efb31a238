// The configuration dialog as a user drives it: the controls bound to the command editor, the New
// Command and Insert dialogs it opens, its message boxes, and the command file that OK writes.
#include <windows.h>
#include <commctrl.h>
#include <process.h>

#include <functional>
#include <string>
#include <vector>

#include "../unit/TestSupport.h"
#include "HighContrast.h"
#include "PrefsDialogFixture.h"
#include "PrefsIds.h"
#include "core/commands/CommandFile.h"
#include "core/editor/CommandEditor.h"
#include "core/layout/TextScale.h"
#include "core/messages/Messages.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Utf.h"
#include "platform/win32/Handles.h"
#include "winui/Handles.h"

namespace quillet::test {
namespace {

using PrefsDialogTest = PrefsDialogFixture;

const std::vector<std::string> kFourCommands = {
    "Copy Names:%QUILLET",
    "Paths:$path[\\n]",
    "Quoted:\"$name\"[, ]<|>|1",
    "Configure...:%CONFIGURE",
};

void ChooseIn(HWND dialog, int id, int index) {
    const HWND list = GetDlgItem(dialog, id);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

std::u16string TextIn(HWND dialog, int id) {
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, 512);
    return reinterpret_cast<const char16_t*>(text);
}

// Runs Add New Command and picks an entry of the New Command list (0 is user-defined).
void AddCommand(const DialogDriver& dialog, int entry) {
    PrefsDialogFixture::PostClick(dialog, IDC_ADD_COMMAND);
    const HWND newCommand = PrefsDialogFixture::WaitForWindow(dialog, u"New Command");
    ASSERT_NE(newCommand, nullptr);
    ChooseIn(newCommand, IDC_NEW_TYPE, entry);
    PrefsDialogFixture::Answer(newCommand, IDOK);
}

TEST_F(PrefsDialogTest, OpensOnTheUserFileWithTheFirstCommandCurrent) {
    WriteUserFile(kFourCommands);
    DialogDriver dialog = OpenDialog();
    EXPECT_EQ(Items(dialog),
              (std::vector<std::u16string>{u"Copy Names", u"Paths", u"Quoted", u"Configure..."}));
    EXPECT_EQ(SelectedItem(dialog), 0);
    EXPECT_EQ(dialog.Text(IDC_NAME), u"Copy Names");
    EXPECT_EQ(dialog.Text(IDC_TYPE), u"Quillet command");
    EXPECT_TRUE(dialog.IsVisible(IDC_DESCRIPTION));
    EXPECT_FALSE(dialog.IsVisible(IDC_ITEM_FORMAT));
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog.Dialog(), nullptr), &info);
    EXPECT_EQ(info.hwndFocus, dialog.Item(IDC_COMMAND_LIST));

    SelectItem(dialog, 2);
    EXPECT_EQ(dialog.Text(IDC_TYPE), u"User Defined command");
    EXPECT_EQ(dialog.Text(IDC_ITEM_FORMAT), u"\"$name\"");
    EXPECT_EQ(dialog.Text(IDC_ITEM_SEPARATOR), u",\u00B7");
    EXPECT_EQ(dialog.Text(IDC_START_TEXT), u"<");
    EXPECT_EQ(dialog.Text(IDC_END_TEXT), u">");
    EXPECT_TRUE(dialog.IsChecked(IDC_NEWLINE_AT_END));
    EXPECT_FALSE(dialog.IsVisible(IDC_DESCRIPTION));
    EXPECT_FALSE(dialog.IsVisible(IDC_PROBLEM));
}

TEST_F(PrefsDialogTest, EditsAreStoredWhenAnotherCommandBecomesCurrentAndWrittenByOk) {
    WriteUserFile(kFourCommands);
    DialogDriver dialog = OpenDialog();
    SelectItem(dialog, 1);
    dialog.Type(IDC_NAME, u"Full Paths");
    dialog.Type(IDC_ITEM_FORMAT, u"$name $ext;");  // the space typed becomes a dot
    EXPECT_EQ(dialog.Text(IDC_ITEM_FORMAT), u"$name\u00B7$ext;");
    dialog.Click(IDC_NEWLINE_AT_END);
    SelectItem(dialog, 3);
    EXPECT_EQ(Items(dialog)[1], u"Full Paths");
    dialog.CloseWith(IDOK);
    EXPECT_EQ(UserFileBytes(), FileBytes({"Copy Names:%QUILLET", "Full Paths:$name $ext;[\\n]||1",
                                          "Quoted:\"$name\"[, ]<|>|1", "Configure...:%CONFIGURE"}));
}

TEST_F(PrefsDialogTest, ARealDotStaysOneWhenItsFieldIsEditedAndCanBeTyped) {
    WriteUserFile(
        {"Dotted:$name;[]a\xC2\xB7"
         "b|\xC2\xB7"});
    DialogDriver dialog = OpenDialog();
    const HWND start = dialog.Item(IDC_START_TEXT);
    SendMessageW(start, EM_SETSEL, 3, 3);
    for (const wchar_t typed : {L' ', L'\u00B7'}) {
        SendMessageW(start, WM_CHAR, typed, 1);
    }
    EXPECT_EQ(dialog.Text(IDC_START_TEXT), u"a\u00B7b\u00B7\u00B7");
    dialog.Type(IDC_ITEM_SEPARATOR, u"\u00B7 ");
    dialog.CloseWith(IDOK);
    EXPECT_EQ(UserFileBytes(), FileBytes({"Dotted:$name;[\xC2\xB7 ]a\xC2\xB7"
                                          "b \xC2\xB7|\xC2\xB7"}));
}

TEST_F(PrefsDialogTest, NewlineAndTabListsInsertOnlyOnAPickReplacingTheSelection) {
    WriteUserFile(kFourCommands);
    DialogDriver dialog = OpenDialog();
    SelectItem(dialog, 2);
    SendMessageW(dialog.Item(IDC_START_TEXT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"abc"));
    SendMessageW(dialog.Item(IDC_START_TEXT), EM_SETSEL, 1, 2);
    // Arrowing through the closed list shows each entry and inserts nothing; Enter picks.
    dialog.Focus(IDC_START_TEXT_LIST);
    dialog.PressKey(VK_DOWN);
    dialog.PressKey(VK_DOWN);
    dialog.PressKey(VK_UP);
    WaitFor([&] { return dialog.Selected(IDC_START_TEXT_LIST) == 1; });
    EXPECT_EQ(dialog.Text(IDC_START_TEXT), u"abc");
    dialog.PressKey(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return dialog.Text(IDC_START_TEXT) == u"a\\nc"; }))
        << Printable(dialog.Text(IDC_START_TEXT));
    EXPECT_EQ(dialog.Selected(IDC_START_TEXT_LIST), 0);
    EXPECT_TRUE(IsWindow(dialog.Dialog()));  // Enter picked; it did not press OK
    // A choice shown but left with Tab inserts nothing.
    dialog.Focus(IDC_END_TEXT_LIST);
    dialog.PressKey(VK_DOWN);
    dialog.Focus(IDC_NAME);
    WaitFor([&] { return dialog.Selected(IDC_END_TEXT_LIST) == 0; });
    EXPECT_EQ(dialog.Text(IDC_END_TEXT), u">");
    SendMessageW(dialog.Item(IDC_ITEM_SEPARATOR), EM_SETSEL, 0, -1);
    dialog.Focus(IDC_SEPARATOR_LIST);
    dialog.PressKey(VK_DOWN);
    dialog.PressKey(VK_DOWN);
    dialog.PressKey(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return dialog.Text(IDC_ITEM_SEPARATOR) == u"\\t"; }));
    dialog.CloseWith(IDOK);
    EXPECT_EQ(UserFileBytes(), FileBytes({"Copy Names:%QUILLET", "Paths:$path[\\n]",
                                          "Quoted:\"$name\"[\\t]a\\nc|>|1", "Configure...:%CONFIGURE"}));
}

TEST_F(PrefsDialogTest, InsertPutsTheReferenceAtTheCaretAndChecksTheFormatAgain) {
    WriteUserFile({"Broken:[\\n]"});  // no attribute: a problem from the start
    DialogDriver dialog = OpenDialog();
    EXPECT_TRUE(dialog.IsVisible(IDC_PROBLEM));
    EXPECT_EQ(Marks(dialog), std::vector<int>{3});
    const LONG narrow = dialog.RectOf(IDC_ITEM_FORMAT).right;

    PostClick(dialog, IDC_INSERT);
    HWND insert = WaitForWindow(dialog, u"Insert File/Folder Attribute");
    ASSERT_NE(insert, nullptr);
    SendDlgItemMessageW(insert, IDC_ROW_PATH, BM_CLICK, 0, 0);
    ChooseIn(insert, IDC_PATH_SEPARATOR, 2);
    EXPECT_EQ(TextIn(insert, IDC_TEXT_TO_INSERT), u"$path:forwardslash;");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(insert, IDC_NAME_FORM)));
    Answer(insert, IDOK);

    EXPECT_EQ(dialog.Text(IDC_ITEM_FORMAT), u"$path:forwardslash;");
    EXPECT_FALSE(dialog.IsVisible(IDC_PROBLEM));
    EXPECT_GT(dialog.RectOf(IDC_ITEM_FORMAT).right, narrow);
    EXPECT_EQ(Marks(dialog), std::vector<int>{0});

    // Cancel inserts nothing.
    PostClick(dialog, IDC_INSERT);
    insert = WaitForWindow(dialog, u"Insert File/Folder Attribute");
    ASSERT_NE(insert, nullptr);
    Answer(insert, IDCANCEL);
    EXPECT_EQ(dialog.Text(IDC_ITEM_FORMAT), u"$path:forwardslash;");

    // The insertion is one edit that undo takes back, and the check follows.
    EXPECT_EQ(Focused(dialog), dialog.Item(IDC_ITEM_FORMAT));
    SendMessageW(dialog.Item(IDC_ITEM_FORMAT), WM_UNDO, 0, 0);
    EXPECT_EQ(dialog.Text(IDC_ITEM_FORMAT), u"");
    EXPECT_TRUE(dialog.IsVisible(IDC_PROBLEM));

    // Tabbing into the field selects nothing: the reference goes to the caret, replacing nothing.
    dialog.Type(IDC_ITEM_FORMAT, u"$name");
    dialog.Focus(IDC_NAME);
    dialog.Focus(IDC_ITEM_FORMAT);
    PostClick(dialog, IDC_INSERT);
    insert = WaitForWindow(dialog, u"Insert File/Folder Attribute");
    ASSERT_NE(insert, nullptr);
    SendDlgItemMessageW(insert, IDC_ROW_TYPE, BM_CLICK, 0, 0);
    Answer(insert, IDOK);
    EXPECT_EQ(dialog.Text(IDC_ITEM_FORMAT), u"$name$type;");
}

TEST_F(PrefsDialogTest, TheProblemButtonShowsTheParsersMessage) {
    WriteUserFile({"Broken:$nosuch;[\\n]"});
    DialogDriver dialog = OpenDialog();
    PostClick(dialog, IDC_PROBLEM);
    const std::u16string message = AnswerBox(dialog, IDOK);
    EXPECT_NE(message.find(u"$nosuch"), std::u16string::npos) << Printable(message);
}

TEST_F(PrefsDialogTest, ProblemsShowAsTheUserTypesEachWithItsPosition) {
    WriteUserFile({"Names:$name;[\\n]"});
    DialogDriver dialog = OpenDialog();
    dialog.Focus(IDC_ITEM_FORMAT);
    dialog.Type(IDC_ITEM_FORMAT, u"$name $size:zz $bogus");
    EXPECT_TRUE(dialog.IsVisible(IDC_PROBLEM));
    EXPECT_TRUE(dialog.IsVisible(IDC_PROBLEM_TEXT));
    EXPECT_EQ(Marks(dialog), std::vector<int>{3});
    EXPECT_EQ(dialog.Text(IDC_PROBLEM_TEXT), ItemFormatProblems(u"$name $size:zz $bogus"));
    dialog.Type(IDC_ITEM_FORMAT, u"$name $size:kb");
    EXPECT_FALSE(dialog.IsVisible(IDC_PROBLEM));
    EXPECT_FALSE(dialog.IsVisible(IDC_PROBLEM_TEXT));
    EXPECT_EQ(Marks(dialog), std::vector<int>{0});
}

// One step a user takes on the list.
enum class Step { Up, Down, Delete, AddSubMenu };
struct MarksRow {
    const char* name;
    std::vector<std::string> lines;
    int select;
    std::vector<Step> steps;
    std::vector<std::u16string> items;
    std::vector<int> marks;
};

TEST_F(PrefsDialogTest, TheMarksFollowMovesDeletesAndAddsAroundSubMenus) {
    const std::vector<std::string> oneSubMenu = {"Copy:%QUILLET", "More:%SUBFOLDER", "Names:$name;[\\n]",
                                                 "Paths:$path;[\\n]"};
    const std::vector<std::string> twoSubMenus = {"Copy:%QUILLET", "More:%SUBFOLDER", "Names:$name;[\\n]",
                                                  "Most:%SUBFOLDER", "Paths:$path;[\\n]"};
    // The New Command list's entry for the sub-menu type is its last.
    const MarksRow rows[] = {
        {"sub-menu moved up passes a command into it",
         oneSubMenu,
         1,
         {Step::Up},
         {u"More", u"Copy", u"Names", u"Paths"},
         {1, 2, 2, 2}},
        {"sub-menu moved to the bottom",
         oneSubMenu,
         1,
         {Step::Down, Step::Down},
         {u"Copy", u"Names", u"Paths", u"More"},
         {0, 0, 0, 1}},
        {"command moved out above the sub-menu",
         oneSubMenu,
         2,
         {Step::Up, Step::Up},
         {u"Names", u"Copy", u"More", u"Paths"},
         {0, 0, 1, 2}},
        {"first sub-menu deleted, the second still marks",
         twoSubMenus,
         1,
         {Step::Delete},
         {u"Copy", u"Names", u"Most", u"Paths"},
         {0, 0, 1, 2}},
        {"second sub-menu deleted",
         twoSubMenus,
         3,
         {Step::Delete},
         {u"Copy", u"More", u"Names", u"Paths"},
         {0, 1, 2, 2}},
        {"sub-menu added below the first command",
         {"Copy:%QUILLET", "Names:$name;[\\n]"},
         0,
         {Step::AddSubMenu},
         {u"Copy", u"Quillet Cmds", u"Names"},
         {0, 1, 2}},
        {"second sub-menu added inside the first",
         oneSubMenu,
         2,
         {Step::AddSubMenu},
         {u"Copy", u"More", u"Names", u"Quillet Cmds", u"Paths"},
         {0, 1, 2, 1, 2}},
    };
    for (const MarksRow& row : rows) {
        SCOPED_TRACE(row.name);
        WriteUserFile(row.lines);
        DialogDriver dialog = OpenDialog();
        SelectItem(dialog, row.select);
        for (const Step step : row.steps) {
            switch (step) {
                case Step::Up:
                    dialog.Click(IDC_MOVE_UP);
                    break;
                case Step::Down:
                    dialog.Click(IDC_MOVE_DOWN);
                    break;
                case Step::Delete:
                    PostClick(dialog, IDC_DELETE);
                    AnswerBox(dialog, IDYES);
                    break;
                case Step::AddSubMenu:
                    AddCommand(dialog, 7);
                    break;
            }
        }
        EXPECT_EQ(Items(dialog), row.items);
        EXPECT_EQ(Marks(dialog), row.marks);
    }
}

TEST_F(PrefsDialogTest, DeletingTheOnlyCommandShowsNoCommand) {
    WriteUserFile({"Names:$nosuch;[\\n]"});
    DialogDriver dialog = OpenDialog();
    EXPECT_TRUE(dialog.IsVisible(IDC_PROBLEM));
    PostClick(dialog, IDC_DELETE);
    EXPECT_EQ(AnswerBox(dialog, IDYES), FormatMessageText(MessageId::ConfirmDelete, {u"Names"}));
    EXPECT_TRUE(Items(dialog).empty());
    EXPECT_EQ(dialog.Text(IDC_NAME), u"");
    EXPECT_EQ(dialog.Text(IDC_TYPE), u"");
    EXPECT_FALSE(dialog.IsEnabled(IDC_NAME));
    EXPECT_FALSE(dialog.IsEnabled(IDC_TYPE));
    EXPECT_FALSE(dialog.IsVisible(IDC_PROBLEM));
    EXPECT_FALSE(dialog.IsVisible(IDC_ITEM_FORMAT));
    EXPECT_TRUE(dialog.IsVisible(IDC_DESCRIPTION));
    EXPECT_EQ(dialog.Text(IDC_DESCRIPTION), u"");
    dialog.CloseWith(IDOK);
    EXPECT_EQ(UserFileBytes(), FileBytes({}));
}

TEST_F(PrefsDialogTest, ResetAsksAndOnOkReadsTheDefaultListWithNothingSelected) {
    WriteUserFile(kFourCommands);
    const std::string before = *UserFileBytes();
    DialogDriver dialog = OpenDialog();
    const std::vector<std::u16string> opened = Items(dialog);

    PostClick(dialog, IDC_RESET);
    EXPECT_EQ(AnswerBox(dialog, kPressEnter), MessageText(MessageId::ConfirmReset));
    EXPECT_EQ(Items(dialog), opened);
    EXPECT_EQ(SelectedItem(dialog), 0);

    PostClick(dialog, IDC_RESET);
    AnswerBox(dialog, IDYES);
    std::vector<std::u16string> defaults;
    for (const Command& command : ReadCommandFile(defaultCommandFile(), EscapeMode::EditorEscapes).list) {
        defaults.push_back(command.name);
    }
    ASSERT_FALSE(defaults.empty()) << "no default command file beside the tests";
    EXPECT_EQ(Items(dialog), defaults);
    EXPECT_EQ(SelectedItem(dialog), -1);
    EXPECT_FALSE(dialog.IsEnabled(IDC_NAME));
    // The longer list's scroll bar narrows the column's room: the column follows, no horizontal bar.
    EXPECT_EQ(GetWindowLongW(dialog.Item(IDC_COMMAND_LIST), GWL_STYLE) & WS_HSCROLL, 0);
    PostClick(dialog, IDCANCEL);
    EXPECT_EQ(AnswerBox(dialog, IDYES), MessageText(MessageId::ConfirmDiscard));
    dialog.CloseWith(IDCANCEL);
    EXPECT_EQ(UserFileBytes(), before);
}

TEST_F(PrefsDialogTest, AddPutsTheNewCommandBelowTheSelectionOrAtTheTopWithItsNameSelected) {
    WriteUserFile(kFourCommands);
    DialogDriver dialog = OpenDialog();
    SelectItem(dialog, 1);
    AddCommand(dialog, 0);
    ASSERT_EQ(Items(dialog).size(), 5U);
    EXPECT_EQ(Items(dialog)[2], u"<Enter Name>");
    EXPECT_EQ(SelectedItem(dialog), 2);
    EXPECT_EQ(dialog.Text(IDC_ITEM_SEPARATOR), u"\\n");
    EXPECT_EQ(dialog.Text(IDC_ITEM_FORMAT), u"");
    EXPECT_FALSE(dialog.IsVisible(IDC_PROBLEM));
    DWORD start = 1, end = 0;
    SendMessageW(dialog.Item(IDC_NAME), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0U);
    EXPECT_EQ(end, 12U);
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog.Dialog(), nullptr), &info);
    EXPECT_EQ(info.hwndFocus, dialog.Item(IDC_NAME));

    // Leaving its empty Item Format field shows the problem.
    dialog.Focus(IDC_ITEM_FORMAT);
    dialog.Focus(IDC_NAME);
    EXPECT_TRUE(dialog.IsVisible(IDC_PROBLEM));
    EXPECT_EQ(Marks(dialog)[2], 3);

    SelectItem(dialog, -1);
    AddCommand(dialog, 1);
    EXPECT_EQ(Items(dialog)[0], u"Copy &Filename(s)");
    EXPECT_EQ(SelectedItem(dialog), 0);
    EXPECT_EQ(dialog.Text(IDC_TYPE), u"Quillet command");

    // Cancel in New Command adds nothing.
    PostClick(dialog, IDC_ADD_COMMAND);
    const HWND newCommand = WaitForWindow(dialog, u"New Command");
    ASSERT_NE(newCommand, nullptr);
    Answer(newCommand, IDCANCEL);
    EXPECT_EQ(Items(dialog).size(), 6U);
}

TEST_F(PrefsDialogTest, EnterWhileTheNameFieldHasTheFocusSavesTheNewName) {
    WriteUserFile(kFourCommands);
    DialogDriver dialog = OpenDialog();
    dialog.Focus(IDC_NAME);
    dialog.Type(IDC_NAME, u"Copy Them");
    dialog.PressKey(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog.Dialog()); }));
    dialog.CloseWith(IDOK);  // only joins the finished thread
    EXPECT_EQ(UserFileBytes(), FileBytes({"Copy Them:%QUILLET", "Paths:$path[\\n]",
                                          "Quoted:\"$name\"[, ]<|>|1", "Configure...:%CONFIGURE"}));
}

TEST_F(PrefsDialogTest, OkWritesEveryCommandAsReadAndTheDefaultListWithoutAUserFile) {
    // No user file: the default list opens, and OK writes it to the user file byte for byte, comments
    // included.
    {
        DialogDriver dialog = OpenDialog();
        dialog.CloseWith(IDOK);
    }
    const std::optional<std::string> defaults =
        platform::ReadWholeFile(defaultCommandFile(), kMaxCommandFileSize);
    ASSERT_TRUE(defaults.has_value());
    EXPECT_EQ(UserFileBytes(), defaults);

    // A dot in a command that never became current is written as read.
    WriteUserFile({"Copy:%QUILLET", "Dotted:$name\xC2\xB7;[\xC2\xB7]"});
    DialogDriver dialog = OpenDialog();
    dialog.CloseWith(IDOK);
    EXPECT_EQ(UserFileBytes(), FileBytes({"Copy:%QUILLET", "Dotted:$name\xC2\xB7;[\xC2\xB7]"}));
}

// Waits for the program's message box, answers it with a button and returns its message.
std::u16string AnswerMessage(const DialogDriver& dialog, int button) {
    const HWND box = PrefsDialogFixture::WaitForWindow(dialog, PrefsDialogFixture::Caption());
    const std::u16string message = box ? PrefsDialogFixture::MessageOf(box) : u"(no message)";
    PrefsDialogFixture::Answer(box, button);
    return message;
}

TEST_F(PrefsDialogTest, AFileHeldByAnotherProgramIsReportedAndNotSavedOverUntilReloaded) {
    WriteUserFile(kFourCommands);
    const std::string before = *UserFileBytes();
    platform::FileHandle held(CreateFileW(reinterpret_cast<LPCWSTR>(UserFile().c_str()), GENERIC_READ, 0,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
    DialogDriver dialog = OpenDialog();
    EXPECT_PRED_FORMAT2(testing::IsSubstring, "(error code 00000020)",
                        Printable(AnswerMessage(dialog, IDOK)));
    PostClick(dialog, IDOK);
    EXPECT_PRED_FORMAT2(testing::IsSubstring, "not saved", Printable(AnswerMessage(dialog, IDOK)));
    held.Close();
    EXPECT_EQ(UserFileBytes(), before);
    // Readable again: OK offers to reload it.
    PostClick(dialog, IDOK);
    AnswerMessage(dialog, IDNO);
    EXPECT_EQ(Items(dialog),
              (std::vector<std::u16string>{u"Copy Names", u"Paths", u"Quoted", u"Configure..."}));
}

TEST_F(PrefsDialogTest, ASaveThatFailsIsShownAndLoggedWithTheCommandFile) {
    WriteUserFile(kFourCommands);
    const std::string before = *UserFileBytes();
    DialogDriver dialog = OpenDialog();
    PostClick(dialog, IDC_DELETE);
    AnswerBox(dialog, IDYES);
    // Another program reads the file and lets nothing replace it meanwhile.
    const platform::FileHandle held(CreateFileW(reinterpret_cast<LPCWSTR>(UserFile().c_str()), GENERIC_READ,
                                                FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    const CapturedFailures captured;
    PostClick(dialog, IDOK);
    EXPECT_PRED_FORMAT2(testing::IsSubstring, "Failed to write to file '" + Printable(UserFile()),
                        Printable(AnswerMessage(dialog, IDOK)));
    EXPECT_EQ(UserFileBytes(), before);
    const std::vector<SeenFailure>& seen = CapturedFailures::seen;
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].file.ends_with("src/core/commands/CommandFile.cpp")) << seen[0].file;
    EXPECT_TRUE(seen[0].subject == UserFile());
}

TEST_F(PrefsDialogTest, OkAsksBeforeSavingOverAChangeOfAnotherProgramThatKeptSizeAndTime) {
    WriteUserFile(kFourCommands);
    const FILETIME time = *UserFileTime();
    DialogDriver dialog = OpenDialog();
    dialog.Type(IDC_NAME, u"Copy Them");
    std::vector<std::string> lines = kFourCommands;
    lines[0] = "Copy Nomes:%QUILLET";
    WriteUserFile(lines);
    SetUserFileTime(time);
    PostClick(dialog, IDOK);
    EXPECT_PRED_FORMAT2(testing::IsSubstring, "Another program changed",
                        Printable(AnswerMessage(dialog, IDYES)));
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog.Dialog()); }));
    dialog.CloseWith(IDOK);  // only joins the finished thread
    lines[0] = "Copy Them:%QUILLET";
    EXPECT_EQ(UserFileBytes(), FileBytes(lines));
}

// The configuration windows of every program.
std::vector<HWND> ConfigurationWindows() {
    std::vector<HWND> found;
    for (HWND window = nullptr;
         (window = FindWindowExW(nullptr, window, L"#32770", L"Configure Quillet Pro"));) {
        found.push_back(window);
    }
    return found;
}

TEST_F(PrefsDialogTest, ASecondStartBringsTheRunningProgramToTheFront) {
    std::u16string program = platform::RunningModuleFolder() + QUILLET_PREFS_PROGRAM;
    std::replace(program.begin(), program.end(), u'/', u'\\');
    const auto path = reinterpret_cast<const wchar_t*>(program.c_str());
    const auto start = [&] {
        return winui::UniqueKernelObject(reinterpret_cast<HANDLE>(_wspawnl(_P_NOWAIT, path, path, nullptr)));
    };
    const winui::UniqueKernelObject first = start();
    WaitFor([] { return !ConfigurationWindows().empty(); });
    ASSERT_EQ(ConfigurationWindows().size(), 1u);
    const HWND window = ConfigurationWindows()[0];
    ShowWindow(window, SW_MINIMIZE);

    const winui::UniqueKernelObject second = start();
    EXPECT_EQ(WaitForSingleObject(second.Get(), static_cast<DWORD>(kWaitBound.count())), WAIT_OBJECT_0)
        << "the second program stays";
    EXPECT_EQ(ConfigurationWindows(), std::vector<HWND>{window});
    EXPECT_FALSE(IsIconic(window));
    EXPECT_EQ(GetForegroundWindow(), window);
    for (const HWND each : ConfigurationWindows()) {
        PostMessageW(each, WM_COMMAND, IDCANCEL, 0);
    }
    for (const HANDLE process : {first.Get(), second.Get()}) {
        if (WaitForSingleObject(process, static_cast<DWORD>(kWaitBound.count())) != WAIT_OBJECT_0) {
            TerminateProcess(process, 1);
        }
    }
}

TEST_F(PrefsDialogTest, ShowsLinesItCannotReadAndAsksBeforeSavingUnicodeAsUtf8) {
    // Notepad's "Unicode" (UTF-16 LE with its mark): a comment, a line without a colon, a keyword in
    // lower case.
    const std::u16string text = u"; mine\r\nCopy:%QUILLET\r\nno colon\r\nOpts:%options\r\n";
    std::string bytes = "\xFF\xFE";
    for (const char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    WriteRaw(bytes);
    const FILETIME time{0x12345678, 0x01D00000};
    SetUserFileTime(time);
    {
        DialogDriver unchanged = OpenDialog();  // OK without an edit: nothing to ask, nothing to write
        PostClick(unchanged, IDOK);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(unchanged.Dialog()); }))
            << Printable(AnswerBox(unchanged, IDNO));
        const FILETIME after = UserFileTime().value_or(FILETIME{});
        EXPECT_EQ(CompareFileTime(&after, &time), 0);
    }
    DialogDriver dialog = OpenDialog();
    EXPECT_EQ(Items(dialog), (std::vector<std::u16string>{u"Copy", u"no colon", u"Opts:%options"}));
    EXPECT_EQ(Marks(dialog), (std::vector<int>{0, 3, 3}));
    SelectItem(dialog, 2);
    EXPECT_EQ(dialog.Text(IDC_TYPE), u"Line Not Read");
    EXPECT_EQ(dialog.Text(IDC_NAME), u"Opts:%options");
    SelectItem(dialog, 0);
    dialog.Type(IDC_NAME, u"Copied");

    PostClick(dialog, IDOK);
    EXPECT_EQ(AnswerBox(dialog, IDNO), FormatMessageText(MessageId::ConfirmSaveAsUtf8, {u"UTF-16 LE"}));
    EXPECT_EQ(UserFileBytes(), bytes);
    PostClick(dialog, IDOK);
    AnswerBox(dialog, IDYES);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog.Dialog()); }));
    dialog.CloseWith(IDOK);  // only joins the finished thread
    EXPECT_EQ(UserFileBytes(),
              "\xEF\xBB\xBF" + Utf16ToUtf8(u"; mine\r\nCopied:%QUILLET\r\nno colon\r\nOpts:%options\r\n"));
}

struct CloseRow {
    const char* name;
    void (*close)(const DialogDriver&);
};

TEST_F(PrefsDialogTest, EveryWayOfClosingAsksBeforeDiscardingAndLeavesTheFileUntouched) {
    const CloseRow rows[] = {
        {"Cancel", [](const DialogDriver& dialog) { PostClick(dialog, IDCANCEL); }},
        {"Esc in the Name field",
         [](const DialogDriver& dialog) {
             dialog.Focus(IDC_NAME);
             dialog.PressKey(VK_ESCAPE);
         }},
        {"close box",
         [](const DialogDriver& dialog) { PostMessageW(dialog.Dialog(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"Alt+F4",
         [](const DialogDriver& dialog) {
             PostMessageW(Focused(dialog), WM_SYSKEYDOWN, VK_F4, 0x20000001);  // the Alt key's flag
         }},
    };
    for (const CloseRow& row : rows) {
        SCOPED_TRACE(row.name);
        WriteUserFile(kFourCommands);
        const FILETIME time{0x12345678, 0x01D00000};
        SetUserFileTime(time);
        const std::string before = *UserFileBytes();
        DialogDriver dialog = OpenDialog();
        dialog.Type(IDC_NAME, u"Renamed");
        row.close(dialog);
        EXPECT_EQ(AnswerBox(dialog, kPressEnter), MessageText(MessageId::ConfirmDiscard));
        EXPECT_TRUE(IsWindowVisible(dialog.Dialog()));
        EXPECT_EQ(dialog.Text(IDC_NAME), u"Renamed");
        row.close(dialog);
        EXPECT_EQ(AnswerBox(dialog, IDYES), MessageText(MessageId::ConfirmDiscard));
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog.Dialog()); }));
        EXPECT_EQ(UserFileBytes(), before);
        const std::optional<FILETIME> after = UserFileTime();
        ASSERT_TRUE(after);
        EXPECT_EQ(CompareFileTime(&*after, &time), 0);
    }
}

// At the normal text size and the larger ones of Windows' text-size setting, with the small windows.
TEST_F(PrefsDialogTest, NothingIsClippedOrOverlapsInAnyDisplayStateOrTextSize) {
    WriteUserFile({"Copy:%QUILLET", "Broken:$nosuch;[\\n]", "Names:$name;[\\n]"});
    for (const int textSize : {100, 125, 150}) {
        SCOPED_TRACE(testing::Message() << "text at " << textSize << "%");
        const TextSizeScope larger(textSize);
        DialogDriver dialog = OpenDialog();
        const int dpi = static_cast<int>(GetDpiForWindow(dialog.Dialog()));
        EXPECT_EQ(FontHeight(dialog.Dialog()), -MulDiv(ScaleForText(8, textSize), dpi, 72));
        for (const int item : {0, 1, 2}) {
            SelectItem(dialog, item);
            SCOPED_TRACE(Printable(Items(dialog)[static_cast<std::size_t>(item)]));
            EXPECT_EQ(dialog.LayoutFaults(dpi), std::vector<std::string>{});
        }
        const auto check = [&](std::u16string_view title, int closeId) {
            const HWND window = WaitForWindow(dialog, title);
            ASSERT_NE(window, nullptr) << Printable(title);
            EXPECT_EQ(LayoutFaults(window, dpi), std::vector<std::string>{}) << Printable(title);
            Answer(window, closeId);
        };
        PostClick(dialog, IDC_ADD_COMMAND);
        check(u"New Command", IDCANCEL);
        PostClick(dialog, IDC_INSERT);
        check(u"Insert File/Folder Attribute", IDCANCEL);
        PostMessageW(dialog.Dialog(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        check(u"About " + Caption(), IDOK);
    }
}

TEST_F(PrefsDialogTest, StateMarksAreDrawnAtTheSizeOfEachDpi) {
    WriteUserFile(kFourCommands);
    DialogDriver dialog = OpenDialog();
    const RECT place = dialog.WindowRect();
    for (const int dpi : {144, 192, 120, 96}) {
        dialog.ChangeDpi(dpi, place);
        const auto marks = reinterpret_cast<HIMAGELIST>(
            SendMessageW(dialog.Item(IDC_COMMAND_LIST), LVM_GETIMAGELIST, LVSIL_STATE, 0));
        int width = 0;
        int height = 0;
        ASSERT_TRUE(ImageList_GetIconSize(marks, &width, &height)) << dpi;
        EXPECT_EQ(width, dpi / 6) << dpi;
        EXPECT_EQ(height, dpi / 6) << dpi;
        EXPECT_EQ(ImageList_GetImageCount(marks), 3) << dpi;
    }
}

TEST_F(PrefsDialogTest, AHighContrastThemeShowsEachMarkInTheSystemsColours) {
    WriteUserFile({"Copy:%QUILLET", "More:%SUBFOLDER", "Names:$name;[\\n]", "Broken:$nosuch;[\\n]"});
    DialogDriver dialog = OpenDialog();
    SelectItem(dialog, 3);  // the problem button shows the warning mark
    const HighContrastScheme scheme({dialog.Dialog()});
    const HWND list = dialog.Item(IDC_COMMAND_LIST);
    const Picture listPicture = PictureOf(list);
    // At least this many pixels of a mark in the ink colour: even the thin chevron has more.
    constexpr int kInkPixels = 8;
    const std::vector<int> marks = Marks(dialog);
    ASSERT_EQ(marks, (std::vector<int>{0, 1, 2, 3}));
    for (int item = 1; item < 4; ++item) {
        RECT bounds{LVIR_BOUNDS, 0, 0, 0};
        RECT label{LVIR_LABEL, 0, 0, 0};
        SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&bounds));
        SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&label));
        const RECT mark{bounds.left, bounds.top, label.left, bounds.bottom};
        EXPECT_GE(listPicture.Count(GetSysColor(COLOR_WINDOWTEXT), mark), kInkPixels)
            << "mark " << marks[item];
    }
    // The warning mark on its button, inside the button's frame.
    const Picture button = PictureOf(dialog.Item(IDC_PROBLEM));
    const RECT inside{3, 3, button.width - 3, button.height - 3};
    EXPECT_GE(button.Count(GetSysColor(COLOR_BTNTEXT), inside), kInkPixels);
}

TEST_F(PrefsDialogTest, TooltipsCoverEighteenControlsAndTheSystemMenuOpensAbout) {
    WriteUserFile(kFourCommands);
    DialogDriver dialog = OpenDialog();
    struct Found {
        HWND owner;
        HWND tooltip = nullptr;
    } found{dialog.Dialog()};
    EnumThreadWindows(
        GetWindowThreadProcessId(dialog.Dialog(), nullptr),
        [](HWND window, LPARAM param) -> BOOL {
            auto* find = reinterpret_cast<Found*>(param);
            wchar_t className[32] = {};
            GetClassNameW(window, className, 32);
            if (_wcsicmp(className, TOOLTIPS_CLASSW) == 0 && GetWindow(window, GW_OWNER) == find->owner) {
                find->tooltip = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    ASSERT_NE(found.tooltip, nullptr);
    EXPECT_EQ(SendMessageW(found.tooltip, TTM_GETTOOLCOUNT, 0, 0), 18);
    EXPECT_EQ(SendMessageW(found.tooltip, TTM_GETMAXTIPWIDTH, 0, 0), 480);
    // Each tip is the message its control's row names, whatever the two numbers.
    for (const auto& [control, tip] : {std::pair{IDC_ADD_COMMAND, MessageId::TipAddCommand},
                                       std::pair{IDC_SEPARATOR_LIST, MessageId::TipSeparatorList}}) {
        wchar_t text[512] = {};
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = dialog.Dialog();
        tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(dialog.Dialog(), control));
        tool.lpszText = text;
        SendMessageW(found.tooltip, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&tool));
        EXPECT_EQ(reinterpret_cast<const char16_t*>(text), MessageText(tip)) << control;
    }

    PostMessageW(dialog.Dialog(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    const HWND about = WaitForWindow(dialog, u"About " + Caption());
    ASSERT_NE(about, nullptr);
    wchar_t version[128] = {};
    GetDlgItemTextW(about, IDC_ABOUT_VERSION, version, 128);
    EXPECT_EQ(reinterpret_cast<const char16_t*>(version),
              Caption() + u" version " + winui::ModuleProduct().version);
    wchar_t copyright[128] = {};
    GetDlgItemTextW(about, IDC_ABOUT_COPYRIGHT, copyright, 128);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(copyright)).substr(0, 9), u"Copyright");
    Answer(about, IDOK);
    EXPECT_TRUE(IsWindowVisible(dialog.Dialog()));
}

// A user at the keyboard: keys pressed in the list, the fields and the small dialogs, and what they
// leave. Keys are posted through the dialog's loop; chords with Ctrl go through SendInput.
struct KeyRow {
    const char* name;
    int select;
    std::function<void(DialogDriver&)> keys;
    std::function<void(DialogDriver&)> check;
};

// The help viewer's calls: the context numbers asked for.
std::vector<DWORD_PTR>& HelpCalls() {
    static std::vector<DWORD_PTR> calls;
    return calls;
}

HWND WaitForMenu() {
    HWND menu = nullptr;
    WaitFor([&] {
        menu = FindWindowW(L"#32768", nullptr);
        return menu && IsWindowVisible(menu);
    });
    return menu;
}

TEST_F(PrefsDialogTest, KeyboardAlone) {
    const KeyRow rows[] = {
        {"Delete asks and removes", 0, [](DialogDriver& d) { d.PressKey(VK_DELETE), AnswerBox(d, IDYES); },
         [](DialogDriver& d) {
             EXPECT_EQ(Items(d), (std::vector<std::u16string>{u"Paths", u"Quoted", u"Configure..."}));
             EXPECT_EQ(SelectedItem(d), 0);
         }},
        {"Delete of the last Configure command warns; No keeps it", 3,
         [](DialogDriver& d) {
             d.PressKey(VK_DELETE);
             EXPECT_EQ(AnswerBox(d, IDNO),
                       FormatMessageText(MessageId::ConfirmDeleteLastConfigure, {u"Configure..."}));
         },
         [](DialogDriver& d) { EXPECT_EQ(Items(d).size(), 4U); }},
        {"F2 goes to the Name field, all selected", 1, [](DialogDriver& d) { d.PressKey(VK_F2); },
         [](DialogDriver& d) {
             EXPECT_TRUE(WaitFor([&] { return Focused(d) == d.Item(IDC_NAME); }));
             DWORD start = 1, end = 0;
             SendMessageW(d.Item(IDC_NAME), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                          reinterpret_cast<LPARAM>(&end));
             EXPECT_EQ(start, 0U);
             EXPECT_EQ(end, 5U);
         }},
        {"Ctrl+Down and Ctrl+Up move the command", 1,
         [](DialogDriver& d) {
             d.PressKeys({VK_CONTROL, VK_DOWN});
             d.PressKeys({VK_CONTROL, VK_DOWN});
             d.PressKeys({VK_CONTROL, VK_UP});
         },
         [](DialogDriver& d) {
             WaitFor([&] { return Items(d)[2] == u"Paths"; });
             EXPECT_EQ(Items(d),
                       (std::vector<std::u16string>{u"Copy Names", u"Quoted", u"Paths", u"Configure..."}));
             EXPECT_EQ(SelectedItem(d), 2);
         }},
        {"the context-menu key offers the list's commands", 0,
         [](DialogDriver& d) {
             d.PressKeys({VK_APPS});
             const HWND menu = WaitForMenu();
             ASSERT_NE(menu, nullptr);
             PostMessageW(menu, WM_KEYDOWN, 'D', 0);  // Move Down by its access key
             WaitFor([&] { return !IsWindowVisible(menu); });
         },
         [](DialogDriver& d) {
             WaitFor([&] { return Items(d)[1] == u"Copy Names"; });
             EXPECT_EQ(Items(d)[1], u"Copy Names");
         }},
        {"F1 opens the help topic of each dialog", 2,
         [](DialogDriver& d) {
             d.PressKeys({VK_F1});
             WaitFor([] { return HelpCalls().size() == 1; });
             PostClick(d, IDC_INSERT);
             const HWND insert = WaitForWindow(d, u"Insert File/Folder Attribute");
             ASSERT_NE(insert, nullptr);
             d.PressKeys({VK_F1});
             WaitFor([] { return HelpCalls().size() == 2; });
             Answer(insert, IDCANCEL);
             PostClick(d, IDC_ADD_COMMAND);
             const HWND newCommand = WaitForWindow(d, u"New Command");
             ASSERT_NE(newCommand, nullptr);
             d.PressKeys({VK_F1});
             WaitFor([] { return HelpCalls().size() == 3; });
             Answer(newCommand, IDCANCEL);
         },
         [](DialogDriver&) {
             EXPECT_EQ(HelpCalls(), (std::vector<DWORD_PTR>{winui::kHelpContextBase + IDD_PREFS,
                                                            winui::kHelpContextBase + IDD_INSERT_ATTRIBUTE,
                                                            winui::kHelpContextBase + IDD_NEW_COMMAND}));
         }},
        {"every row of Insert by arrows and Tab", 2,
         [](DialogDriver& d) {
             PostClick(d, IDC_INSERT);
             const HWND insert = WaitForWindow(d, u"Insert File/Folder Attribute");
             ASSERT_NE(insert, nullptr);
             ASSERT_TRUE(WaitFor([&] { return Focused(d) == GetDlgItem(insert, IDC_ROW_NAME); }));
             for (int row = 0; row < 4; ++row) {
                 d.PressKey(VK_DOWN);  // Name, Path, Type, Size, Date
             }
             d.PressKey(VK_UP);  // back to Size
             d.PressKey(VK_TAB);
             d.PressKey(VK_DOWN);  // KBytes
             WaitFor([&] { return IsDlgButtonChecked(insert, IDC_ROW_SIZE) == BST_CHECKED; });
             d.PressKey(VK_RETURN);
             WaitFor([&] { return !IsWindow(insert); });
         },
         [](DialogDriver& d) { EXPECT_EQ(d.Text(IDC_ITEM_FORMAT), u"\"$name\"$size:kb;"); }},
        {"Ctrl+Z after Insert takes back the insertion alone", 1,
         [](DialogDriver& d) {
             d.Focus(IDC_ITEM_FORMAT);
             d.Type(IDC_ITEM_FORMAT, u"$ext;");
             PostClick(d, IDC_INSERT);
             const HWND insert = WaitForWindow(d, u"Insert File/Folder Attribute");
             ASSERT_NE(insert, nullptr);
             Answer(insert, IDOK);
             // Under load, Ctrl+Z sent while the focus was still moving back from Insert once typed "z":
             // the keys go once the dialog is active again.
             ASSERT_TRUE(WaitFor([&] {
                 return d.Text(IDC_ITEM_FORMAT) == u"$ext;$name;" && !IsWindow(insert) &&
                        GetForegroundWindow() == d.Dialog();
             }));
             d.Settle();
             d.PressKeys({VK_CONTROL, 'Z'});
         },
         [](DialogDriver& d) {
             EXPECT_TRUE(WaitFor([&] { return d.Text(IDC_ITEM_FORMAT) == u"$ext;"; }))
                 << Printable(d.Text(IDC_ITEM_FORMAT));
         }},
        {"the path forms of Insert by keyboard", 2,
         [](DialogDriver& d) {
             PostClick(d, IDC_INSERT);
             const HWND insert = WaitForWindow(d, u"Insert File/Folder Attribute");
             ASSERT_NE(insert, nullptr);
             ASSERT_TRUE(WaitFor([&] { return Focused(d) == GetDlgItem(insert, IDC_ROW_NAME); }));
             d.PressKey(VK_DOWN);  // Path
             d.PressKey(VK_TAB);
             for (int entry = 0; entry < 4; ++entry) {
                 d.PressKey(VK_DOWN);  // \\, /, Network (UNC), File URL
             }
             d.PressKey(VK_TAB);
             d.PressKey(VK_DOWN);
             d.PressKey(VK_DOWN);  // Path in Repository
             WaitFor([&] { return TextIn(insert, IDC_TEXT_TO_INSERT) == u"$repopath:url;"; });
             d.PressKey(VK_RETURN);
             WaitFor([&] { return !IsWindow(insert); });
         },
         [](DialogDriver& d) { EXPECT_EQ(d.Text(IDC_ITEM_FORMAT), u"\"$name\"$repopath:url;"); }},
        {"a refused save goes to the command and field at fault", 2,
         [](DialogDriver& d) {
             d.Type(IDC_NAME, u";Quoted");
             SelectItem(d, 0);
             d.Focus(IDC_COMMAND_LIST);
             d.PressKey(VK_RETURN);
             EXPECT_FALSE(AnswerBox(d, IDOK).empty());
         },
         [](DialogDriver& d) {
             EXPECT_TRUE(IsWindow(d.Dialog()));
             EXPECT_EQ(SelectedItem(d), 2);
             EXPECT_EQ(Focused(d), d.Item(IDC_NAME));
         }},
    };
    for (const KeyRow& row : rows) {
        SCOPED_TRACE(row.name);
        WriteUserFile(kFourCommands);
        HelpCalls().clear();
        DialogDriver dialog = OpenDialog([](HWND, const wchar_t*, UINT, DWORD_PTR data) -> HWND {
            HelpCalls().push_back(data);
            return nullptr;
        });
        SelectItem(dialog, row.select);
        dialog.Focus(IDC_COMMAND_LIST);
        row.keys(dialog);
        row.check(dialog);
    }
}

TEST_F(PrefsDialogTest, EveryLabelledControlHasItsOwnAccessKey) {
    // A labelled control: a button with a text other than OK and Cancel, or a label followed by a field.
    const auto faults = [](HWND window) {
        std::vector<std::string> found;
        std::u16string keys;
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t className[32] = {};
            GetClassNameW(child, className, 32);
            const LONG style = GetWindowLongW(child, GWL_STYLE);
            wchar_t caption[128] = {};
            GetWindowTextW(child, caption, 128);
            const std::u16string text = reinterpret_cast<const char16_t*>(caption);
            wchar_t nextClass[32] = {};
            GetClassNameW(GetWindow(child, GW_HWNDNEXT), nextClass, 32);
            const bool button = _wcsicmp(className, L"Button") == 0 && (style & BS_TYPEMASK) != BS_GROUPBOX &&
                                GetDlgCtrlID(child) != IDOK && GetDlgCtrlID(child) != IDCANCEL;
            const bool label = _wcsicmp(className, L"Static") == 0 && !(style & SS_NOPREFIX) &&
                               (_wcsicmp(nextClass, L"Edit") == 0 || _wcsicmp(nextClass, L"ComboBox") == 0 ||
                                _wcsicmp(nextClass, WC_LISTVIEWW) == 0);
            if ((!button && !label) || text.empty()) {
                continue;
            }
            const std::size_t amp = text.find(u'&');
            if (amp == std::u16string::npos || amp + 1 >= text.size()) {
                found.push_back("no access key: " + Printable(text));
                continue;
            }
            const char16_t key = static_cast<char16_t>(towlower(text[amp + 1]));
            if (keys.find(key) != std::u16string::npos) {
                found.push_back("taken twice: " + Printable(text));
            }
            keys += key;
        }
        return found;
    };
    // Every menu of the program's resources, each pop-up by itself.
    const auto menuFaults = [](HMODULE module, LPCWSTR, LPWSTR name, LONG_PTR) -> BOOL {
        const winui::UniqueMenu bar(LoadMenuW(module, name));
        for (int popup = 0; popup < GetMenuItemCount(bar.Get()); ++popup) {
            const HMENU menu = GetSubMenu(bar.Get(), popup);
            std::u16string keys;
            for (int i = 0; i < GetMenuItemCount(menu); ++i) {
                wchar_t text[128] = {};
                GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
                const wchar_t* amp = wcschr(text, L'&');
                const auto key = static_cast<char16_t>(amp ? towlower(amp[1]) : 0);
                EXPECT_TRUE(key == 0 || keys.find(key) == std::u16string::npos)
                    << "taken twice: " << static_cast<char>(key);
                keys += key;
            }
        }
        return TRUE;
    };
    EnumResourceNamesW(GetModuleHandleW(nullptr), RT_MENU, menuFaults, 0);
    WriteUserFile(kFourCommands);
    DialogDriver dialog = OpenDialog();
    EXPECT_EQ(faults(dialog.Dialog()), std::vector<std::string>{}) << "Configure";
    SelectItem(dialog, 2);
    const std::pair<int, std::u16string> small[] = {{IDC_INSERT, u"Insert File/Folder Attribute"},
                                                    {IDC_ADD_COMMAND, u"New Command"}};
    for (const auto& [button, title] : small) {
        PostClick(dialog, button);
        const HWND window = WaitForWindow(dialog, title);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(faults(window), std::vector<std::string>{}) << Printable(title);
        Answer(window, IDCANCEL);
    }
}

// What a screen reader reads in each window: every control named and in its role, and the list's
// marks as words.
struct AnnouncedRow {
    const char* window;
    int opener;  // the button that opens the window, or the About entry of the system menu; 0: the dialog
    std::u16string title;
    std::vector<std::pair<int, std::u16string>> names;  // names that must be exactly so
};

TEST_F(PrefsDialogTest, AScreenReaderNamesEveryControlAndTheListsProblems) {
    const platform::ComApartment com(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    WriteUserFile(
        {"Broken:$nosuch;[\\n]", "no colon", "Copy:%QUILLET", "More:%SUBFOLDER", "Names:$name;[\\n]"});
    DialogDriver dialog = OpenDialog();
    const AnnouncedRow rows[] = {
        {"Configure",
         0,
         {},
         {{IDC_COMMAND_LIST, u"Commands added to Windows Explorer context menu:"},
          {IDC_NAME, u"Name:"},
          {IDC_ITEM_FORMAT, u"Item Format:"},
          {IDC_PROBLEM, u"Show the problem"},
          {IDC_SEPARATOR_LIST, u"Insert into Item Separator"}}},
        {"Insert", IDC_INSERT, u"Insert File/Folder Attribute", {{IDC_TEXT_TO_INSERT, u"Text to insert:"}}},
        {"New Command", IDC_ADD_COMMAND, u"New Command", {{IDC_NEW_TYPE, u"Select command type to create:"}}},
        {"About", IDM_ABOUTBOX, u"About " + Caption(), {}},
    };
    for (const AnnouncedRow& row : rows) {
        if (row.opener == IDM_ABOUTBOX) {
            PostMessageW(dialog.Dialog(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        } else if (row.opener != 0) {
            PostClick(dialog, row.opener);
        }
        const HWND window = row.opener ? WaitForWindow(dialog, row.title) : dialog.Dialog();
        ASSERT_NE(window, nullptr) << row.window;
        EXPECT_EQ(AccessibilityFaults(window), std::vector<std::string>{}) << row.window;
        for (const auto& [id, name] : row.names) {
            EXPECT_EQ(AnnouncedOf(GetDlgItem(window, id)).name, name) << row.window << " " << id;
        }
        if (row.opener != 0) {
            Answer(window, row.opener == IDM_ABOUTBOX ? IDOK : IDCANCEL);
        }
    }
    // Each warning mark is read as its problem; the current command's is the one its window shows.
    const std::vector<int> marks = Marks(dialog);
    ASSERT_EQ(marks, (std::vector<int>{3, 3, 0, 1, 2}));
    const HWND list = dialog.Item(IDC_COMMAND_LIST);
    EXPECT_EQ(AnnouncedOf(list, 1).description, u"problem: " + dialog.Text(IDC_PROBLEM_TEXT));
    EXPECT_EQ(AnnouncedOf(list, 2).description.substr(0, 9), u"problem: ");
    EXPECT_GT(AnnouncedOf(list, 2).description.size(), 9u);
    for (long item = 3; item <= 5; ++item) {
        EXPECT_EQ(AnnouncedOf(list, item).description, u"") << item;
    }
}

TEST_F(PrefsDialogTest, ListButtonsAndFieldsFollowTheSelection) {
    WriteUserFile(kFourCommands);
    DialogDriver dialog = OpenDialog();
    const auto buttons = [&] {
        return std::vector<bool>{dialog.IsEnabled(IDC_MOVE_UP), dialog.IsEnabled(IDC_MOVE_DOWN),
                                 dialog.IsEnabled(IDC_DELETE)};
    };
    EXPECT_EQ(buttons(), (std::vector<bool>{false, true, true}));
    SelectItem(dialog, 3);
    EXPECT_EQ(buttons(), (std::vector<bool>{true, false, true}));
    SelectItem(dialog, 2);
    SelectItem(dialog, -1);  // a click on the empty part of the list
    EXPECT_TRUE(WaitFor([&] { return buttons() == std::vector<bool>{false, false, false}; }));
    EXPECT_FALSE(dialog.IsEnabled(IDC_NAME));
    EXPECT_EQ(dialog.Text(IDC_NAME), u"");
    EXPECT_FALSE(dialog.IsVisible(IDC_ITEM_FORMAT));
}

TEST_F(PrefsDialogTest, TheWindowGrowsAndRemembersItsSizeAndPlace) {
    WriteUserFile(kFourCommands);
    RECT grown{};
    {
        DialogDriver dialog = OpenDialog();
        const SIZE opened = dialog.WindowSize();
        const RECT list = dialog.RectOf(IDC_COMMAND_LIST);
        const RECT ok = dialog.RectOf(IDOK);
        dialog.Resize(opened.cx + 200, opened.cy + 150);
        EXPECT_EQ(dialog.RectOf(IDC_COMMAND_LIST).right - list.right, 200);
        EXPECT_EQ(dialog.RectOf(IDC_COMMAND_LIST).bottom - list.bottom, 150);
        EXPECT_EQ(dialog.RectOf(IDOK).left - ok.left, 200);
        EXPECT_EQ(GetWindowLongW(dialog.Item(IDC_COMMAND_LIST), GWL_STYLE) & WS_HSCROLL, 0);
        const int dpi = static_cast<int>(GetDpiForWindow(dialog.Dialog()));
        EXPECT_EQ(dialog.LayoutFaults(dpi), std::vector<std::string>{});
        // Never smaller than the template's width, with a few rows of the list.
        dialog.Resize(100, 100);
        EXPECT_EQ(dialog.WindowSize().cx, opened.cx);
        EXPECT_GT(dialog.RectOf(IDC_COMMAND_LIST).bottom - dialog.RectOf(IDC_COMMAND_LIST).top, 40);
        dialog.Resize(opened.cx + 100, opened.cy + 50);
        SetWindowPos(dialog.Dialog(), nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        grown = dialog.WindowRect();
    }
    DialogDriver dialog = OpenDialog();
    const RECT reopened = dialog.WindowRect();
    EXPECT_EQ(reopened.left, grown.left);
    EXPECT_EQ(reopened.top, grown.top);
    EXPECT_EQ(reopened.right - reopened.left, grown.right - grown.left);
    EXPECT_EQ(reopened.bottom - reopened.top, grown.bottom - grown.top);
}

}  // namespace
}  // namespace quillet::test
