// The configuration dialog as a user drives it: the controls bound to the command editor, the New
// Command and Insert dialogs it opens, its message boxes, and the command file that OK writes.
#include <windows.h>
#include <commctrl.h>
#include <process.h>

#include <string>
#include <vector>

#include "../unit/TestSupport.h"
#include "PrefsDialogFixture.h"
#include "PrefsIds.h"
#include "core/commands/CommandFile.h"
#include "core/messages/Messages.h"
#include "platform/Platform.h"
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

TEST_F(PrefsDialogTest, NewlineBesideStartTextReplacesTheSelectionAndTheListShowsInsertAgain) {
    WriteUserFile(kFourCommands);
    DialogDriver dialog = OpenDialog();
    SelectItem(dialog, 2);
    SendMessageW(dialog.Item(IDC_START_TEXT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"abc"));
    SendMessageW(dialog.Item(IDC_START_TEXT), EM_SETSEL, 1, 2);
    dialog.Choose(IDC_START_TEXT_LIST, 1);
    EXPECT_EQ(dialog.Text(IDC_START_TEXT), u"a\\nc");
    EXPECT_EQ(dialog.Selected(IDC_START_TEXT_LIST), 0);
    SendMessageW(dialog.Item(IDC_ITEM_SEPARATOR), EM_SETSEL, 0, -1);
    dialog.Choose(IDC_SEPARATOR_LIST, 2);
    EXPECT_EQ(dialog.Text(IDC_ITEM_SEPARATOR), u"\\t");
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
}

TEST_F(PrefsDialogTest, TheProblemButtonShowsTheParsersMessage) {
    WriteUserFile({"Broken:$nosuch;[\\n]"});
    DialogDriver dialog = OpenDialog();
    PostClick(dialog, IDC_PROBLEM);
    const HWND box = WaitForWindow(dialog, u"ScrivelPrefs");
    ASSERT_NE(box, nullptr);
    EXPECT_NE(MessageOf(box).find(u"$nosuch"), std::u16string::npos) << Printable(MessageOf(box));
    Answer(box, IDOK);
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
                    dialog.Click(IDC_DELETE);
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
    dialog.Click(IDC_DELETE);
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
    HWND box = WaitForWindow(dialog, u"ScrivelPrefs");
    ASSERT_NE(box, nullptr);
    Answer(box, IDCANCEL);
    EXPECT_EQ(Items(dialog), opened);
    EXPECT_EQ(SelectedItem(dialog), 0);

    PostClick(dialog, IDC_RESET);
    box = WaitForWindow(dialog, u"ScrivelPrefs");
    ASSERT_NE(box, nullptr);
    Answer(box, IDOK);
    std::u16string log;
    std::vector<std::u16string> defaults;
    for (const Command& command : LoadCommandFile(defaultCommandFile(), EscapeMode::EditorEscapes, log)) {
        defaults.push_back(command.name);
    }
    ASSERT_FALSE(defaults.empty()) << "no default command file beside the tests";
    EXPECT_EQ(Items(dialog), defaults);
    EXPECT_EQ(SelectedItem(dialog), -1);
    EXPECT_FALSE(dialog.IsEnabled(IDC_NAME));
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
    const HWND box = PrefsDialogFixture::WaitForWindow(dialog, u"ScrivelPrefs");
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
    for (int wait = 0; wait < 100 && ConfigurationWindows().empty(); ++wait) {
        Sleep(100);
    }
    ASSERT_EQ(ConfigurationWindows().size(), 1u);
    const HWND window = ConfigurationWindows()[0];
    ShowWindow(window, SW_MINIMIZE);

    const winui::UniqueKernelObject second = start();
    EXPECT_EQ(WaitForSingleObject(second.get(), 10000), WAIT_OBJECT_0) << "the second program stays";
    EXPECT_EQ(ConfigurationWindows(), std::vector<HWND>{window});
    EXPECT_FALSE(IsIconic(window));
    EXPECT_EQ(GetForegroundWindow(), window);
    for (const HWND each : ConfigurationWindows()) {
        PostMessageW(each, WM_COMMAND, IDCANCEL, 0);
    }
    for (const HANDLE process : {first.get(), second.get()}) {
        if (WaitForSingleObject(process, 10000) != WAIT_OBJECT_0) {
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
    DialogDriver dialog = OpenDialog();
    EXPECT_EQ(Items(dialog), (std::vector<std::u16string>{u"Copy", u"no colon", u"Opts:%options"}));
    EXPECT_EQ(Marks(dialog), (std::vector<int>{0, 3, 3}));
    SelectItem(dialog, 2);
    EXPECT_EQ(dialog.Text(IDC_TYPE), u"Line Not Read");
    EXPECT_EQ(dialog.Text(IDC_NAME), u"Opts:%options");

    PostClick(dialog, IDOK);
    HWND box = WaitForWindow(dialog, u"ScrivelPrefs");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageOf(box), FormatMessageText(MessageId::ConfirmSaveAsUtf8, {u"UTF-16 LE"}));
    Answer(box, IDCANCEL);
    EXPECT_EQ(UserFileBytes(), bytes);
    PostClick(dialog, IDOK);
    box = WaitForWindow(dialog, u"ScrivelPrefs");
    ASSERT_NE(box, nullptr);
    Answer(box, IDOK);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog.Dialog()); }));
    dialog.CloseWith(IDOK);  // only joins the finished thread
    EXPECT_EQ(UserFileBytes(), "\xEF\xBB\xBF" + Utf16ToUtf8(text));
}

struct CloseRow {
    const char* name;
    void (*close)(DialogDriver&);
};

TEST_F(PrefsDialogTest, CancelEscAndTheCloseBoxLeaveTheFileUntouched) {
    const CloseRow rows[] = {
        {"Cancel", [](DialogDriver& dialog) { dialog.CloseWith(IDCANCEL); }},
        {"Esc",
         [](DialogDriver& dialog) {
             dialog.PressKey(VK_ESCAPE);
             WaitFor([&] { return !IsWindow(dialog.Dialog()); });
         }},
        {"close box",
         [](DialogDriver& dialog) {
             PostMessageW(dialog.Dialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
             WaitFor([&] { return !IsWindow(dialog.Dialog()); });
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
        dialog.Click(IDC_DELETE);
        row.close(dialog);
        EXPECT_FALSE(IsWindow(dialog.Dialog()));
        EXPECT_EQ(UserFileBytes(), before);
        const std::optional<FILETIME> after = UserFileTime();
        ASSERT_TRUE(after);
        EXPECT_EQ(CompareFileTime(&*after, &time), 0);
    }
}

TEST_F(PrefsDialogTest, NothingIsClippedOrOverlapsInAnyDisplayState) {
    WriteUserFile({"Copy:%QUILLET", "Broken:$nosuch;[\\n]", "Names:$name;[\\n]"});
    DialogDriver dialog = OpenDialog();
    const int dpi = static_cast<int>(GetDpiForWindow(dialog.Dialog()));
    for (const int item : {0, 1, 2}) {
        SelectItem(dialog, item);
        SCOPED_TRACE(Printable(Items(dialog)[static_cast<std::size_t>(item)]));
        EXPECT_EQ(dialog.LayoutFaults(dpi), std::vector<std::string>{});
    }
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

    PostMessageW(dialog.Dialog(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    const HWND about = WaitForWindow(dialog, u"About ScrivelPrefs");
    ASSERT_NE(about, nullptr);
    Answer(about, IDOK);
    EXPECT_TRUE(IsWindowVisible(dialog.Dialog()));
}

}  // namespace
}  // namespace quillet::test
