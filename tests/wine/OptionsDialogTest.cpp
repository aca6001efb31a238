// The Options dialog as a user meets it: opened on generated files and folders under Wine, driven by
// window messages, checked by what its controls show and what reaches the clipboard.
#include <windows.h>
// after windows.h
#include <htmlhelp.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "../unit/TestSupport.h"
#include "DialogDriver.h"
#include "HighContrast.h"
#include "OptionsDialogFixture.h"
#include "OptionsDialogIds.h"
#include "core/layout/TextScale.h"
#include "core/messages/Messages.h"
#include "platform/win32/Handles.h"

namespace quillet::test {
namespace {

using Action = std::function<void(DialogDriver&)>;

Action Click(int id) {
    return [id](DialogDriver& dialog) { dialog.Click(id); };
}
Action Choose(int id, int index) {
    return [id, index](DialogDriver& dialog) { dialog.Choose(id, index); };
}

class OptionsDialogTest : public OptionsDialogFixture {};

// The size of an icon's colour bitmap.
SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) {
        return {};
    }
    BITMAP colour{};
    const platform::UniqueBitmap colourOwner(info.hbmColor);
    const platform::UniqueBitmap maskOwner(info.hbmMask);
    GetObjectW(info.hbmColor, sizeof(colour), &colour);
    return {colour.bmWidth, colour.bmHeight};
}

SIZE SmallIconSize(const DialogDriver& dialog) {
    return IconSize(reinterpret_cast<HICON>(SendMessageW(dialog.Dialog(), WM_GETICON, ICON_SMALL, 0)));
}

// The dialog's size grip: its one size-box scroll bar.
HWND SizeGripOf(const DialogDriver& dialog) {
    for (HWND child : dialog.Children()) {
        wchar_t name[16] = {};
        GetClassNameW(child, name, 16);
        if (_wcsicmp(name, L"ScrollBar") == 0 && (GetWindowLongW(child, GWL_STYLE) & SBS_SIZEGRIP)) {
            return child;
        }
    }
    return nullptr;
}

std::string Print(const RECT& rect) {
    return "{" + std::to_string(rect.left) + ", " + std::to_string(rect.top) + ", " +
           std::to_string(rect.right) + ", " + std::to_string(rect.bottom) + "}";
}

LONG FontHeight(HWND control) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
    return font.lfHeight;
}

// How many whole lines of text the preview shows.
int PreviewLines(const DialogDriver& dialog) {
    const HWND preview = dialog.Item(IDC_PREVIEW);
    RECT text{};
    SendMessageW(preview, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
    const platform::UniqueWindowDC windowDC = platform::WindowDC(preview);
    const HDC dc = windowDC.Get().dc;
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(preview, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    return (text.bottom - text.top) / std::max(1L, metrics.tmHeight);
}

HWND Captured(const DialogDriver& dialog) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog.Dialog(), nullptr), &info);
    return info.hwndCapture;
}

// Where the link's text ends: the first point to the right of it that no longer hovers.
int LinkTextEnd(const DialogDriver& dialog) {
    const HWND link = dialog.Item(IDC_WEB_LINK);
    RedrawWindow(link, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RECT client{};
    GetClientRect(link, &client);
    int x = 0;
    for (; x < client.right; ++x) {
        SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(x, 2));
        if (Captured(dialog) != link) {
            break;
        }
    }
    return x;
}

// The link as it draws itself, pixel by pixel.
std::vector<DWORD> PixelsOf(HWND control) {
    return PictureOf(control).pixels;
}

TEST_F(OptionsDialogTest, FilesOnlyHideTheFolderOptionsAndNarrowTheDialog) {
    SIZE folderDialogSize{};
    RECT folderLayout[4] = {};
    const int movedLeft[] = {IDOK, IDCANCEL, IDC_HELP_BUTTON, IDC_WEB_LINK};
    RECT folderPreview{};
    int d = 0;
    {
        DialogDriver dialog = OpenDialog({Docs(), A()});
        folderDialogSize = dialog.WindowSize();
        for (std::size_t i = 0; i < std::size(movedLeft); ++i) {
            folderLayout[i] = dialog.RectOf(movedLeft[i]);
        }
        folderPreview = dialog.RectOf(IDC_PREVIEW);
        d = dialog.RectOf(IDC_FOLDER_GROUP).right - dialog.RectOf(IDC_OPTIONS_GROUP).right;
        EXPECT_TRUE(dialog.IsVisible(IDC_FOLDER_GROUP));
        EXPECT_EQ(dialog.Text(IDC_SUMMARY), u"Files & Folders: 2;  Total Files Size: 1,234 bytes");
        EXPECT_EQ(dialog.Text(IDC_PREVIEW), u"Docs\r\na.txt");
    }
    DialogDriver dialog = OpenDialog(Files());
    for (int id : {IDC_FOLDER_GROUP, IDC_COPY_FOLDER_NAMES, IDC_ADD_FOLDER_FILES, IDC_LIMIT_DEPTH, IDC_DEPTH,
                   IDC_INCLUDE, IDC_INCLUDE_PATTERN, IDC_EXCLUDE, IDC_EXCLUDE_PATTERN, IDC_RESCAN}) {
        EXPECT_FALSE(dialog.IsVisible(id)) << id;
    }
    EXPECT_GT(d, 0);
    EXPECT_EQ(dialog.WindowSize().cx, folderDialogSize.cx - d);
    EXPECT_EQ(dialog.WindowSize().cy, folderDialogSize.cy);
    for (std::size_t i = 0; i < std::size(movedLeft); ++i) {
        const RECT rect = dialog.RectOf(movedLeft[i]);
        EXPECT_EQ(rect.left, folderLayout[i].left - d) << movedLeft[i];
        EXPECT_EQ(rect.top, folderLayout[i].top) << movedLeft[i];
    }
    EXPECT_EQ(dialog.RectOf(IDC_PREVIEW).right, folderPreview.right - d);
    EXPECT_EQ(dialog.RectOf(IDC_PREVIEW).left, folderPreview.left);
    EXPECT_EQ(dialog.Text(IDC_SUMMARY), u"Files: 3;  Total Files Size: 1,544 bytes");
    EXPECT_FALSE(dialog.IsEnabled(IDC_SUMMARY));  // grey, as its template says
    EXPECT_EQ(dialog.Text(IDC_PREVIEW), u"a.txt\r\nB.txt\r\n_x.txt");
    EXPECT_EQ(dialog.Text(IDC_PRODUCT_VERSION), ExpectedVersionLabel());
    // The small icon is the product icon at the small-icon size of the display's DPI.
    EXPECT_EQ(SmallIconSize(dialog).cx, GetSystemMetrics(SM_CXSMICON));
    // The lists hold the option entries in stored order, the stored value chosen.
    EXPECT_EQ(
        dialog.Entries(IDC_SEPARATOR),
        (std::vector<std::u16string>{u"One per line", u"One per line + comma", u"Space", u"Tab", u"Comma"}));
    EXPECT_EQ(dialog.Entries(IDC_PATH_SEPARATOR), (std::vector<std::u16string>{u"\\", u"\\\\", u"/"}));
    EXPECT_EQ(dialog.Entries(IDC_SORT).size(), 9u);
    EXPECT_EQ(dialog.Selected(IDC_SEPARATOR), 0);
}

TEST_F(OptionsDialogTest, EachOptionShapesThePreview) {
    const std::u16string r = Root() + u"\\";
    std::u16string rDoubled;
    std::u16string rSlashed;
    for (char16_t c : r) {
        rDoubled += c == u'\\' ? u"\\\\" : std::u16string(1, c);
        rSlashed += c == u'\\' ? u'/' : c;
    }
    // Each item with its modified date in one of the four date formats.
    auto dated = [](bool longDate, bool withTime) {
        return u"a.txt\t" + DateOf(A(), longDate, withTime) + u"\r\nB.txt\t" +
               DateOf(B(), longDate, withTime) + u"\r\n_x.txt\t" + DateOf(X(), longDate, withTime);
    };
    struct Row {
        const char* name;
        std::vector<Action> actions;
        std::u16string preview;
        std::vector<int> enabledAfter;
    };
    const Row rows[] = {
        {"one per line + comma", {Choose(IDC_SEPARATOR, 1)}, u"a.txt,\r\nB.txt,\r\n_x.txt", {}},
        {"space", {Choose(IDC_SEPARATOR, 2)}, u"a.txt B.txt _x.txt", {}},
        {"tab", {Choose(IDC_SEPARATOR, 3)}, u"a.txt\tB.txt\t_x.txt", {}},
        {"comma", {Choose(IDC_SEPARATOR, 4)}, u"a.txt,B.txt,_x.txt", {}},
        {"double quotes", {Click(IDC_QUOTE)}, u"\"a.txt\"\r\n\"B.txt\"\r\n\"_x.txt\"", {IDC_QUOTE_CHAR}},
        {"single quotes",
         {Click(IDC_QUOTE), Choose(IDC_QUOTE_CHAR, 1)},
         u"'a.txt'\r\n'B.txt'\r\n'_x.txt'",
         {}},
        {"full path",
         {Click(IDC_FULL_PATH)},
         r + u"a.txt\r\n" + r + u"B.txt\r\n" + r + u"_x.txt",
         {IDC_PATH_SEPARATOR}},
        {"doubled backslashes",
         {Click(IDC_FULL_PATH), Choose(IDC_PATH_SEPARATOR, 1)},
         rDoubled + u"a.txt\r\n" + rDoubled + u"B.txt\r\n" + rDoubled + u"_x.txt",
         {}},
        {"forward slashes",
         {Click(IDC_FULL_PATH), Choose(IDC_PATH_SEPARATOR, 2)},
         rSlashed + u"a.txt\r\n" + rSlashed + u"B.txt\r\n" + rSlashed + u"_x.txt",
         {}},
        {"size in bytes",
         {Click(IDC_ADD_SIZE)},
         u"a.txt\t1234\r\nB.txt\t10\r\n_x.txt\t300",
         {IDC_SIZE_UNITS}},
        {"size in KB",
         {Click(IDC_ADD_SIZE), Choose(IDC_SIZE_UNITS, 1)},
         u"a.txt\t2\r\nB.txt\t1\r\n_x.txt\t1",
         {}},
        {"size in auto units",
         {Click(IDC_ADD_SIZE), Choose(IDC_SIZE_UNITS, 4)},
         u"a.txt\t2K\r\nB.txt\t10B\r\n_x.txt\t300B",
         {}},
        {"short date and time", {Click(IDC_ADD_DATE)}, dated(false, true), {IDC_DATE_FORMAT}},
        {"long date and time", {Click(IDC_ADD_DATE), Choose(IDC_DATE_FORMAT, 1)}, dated(true, true), {}},
        {"short date", {Click(IDC_ADD_DATE), Choose(IDC_DATE_FORMAT, 2)}, dated(false, false), {}},
        {"long date", {Click(IDC_ADD_DATE), Choose(IDC_DATE_FORMAT, 3)}, dated(true, false), {}},
        {"size in MB",
         {Click(IDC_ADD_SIZE), Choose(IDC_SIZE_UNITS, 2)},
         u"a.txt\t1\r\nB.txt\t1\r\n_x.txt\t1",
         {}},
        {"quoted full path with size",
         {Click(IDC_QUOTE), Click(IDC_FULL_PATH), Click(IDC_ADD_SIZE), Choose(IDC_SEPARATOR, 4)},
         u"\"" + r + u"a.txt\"\t1234,\"" + r + u"B.txt\"\t10,\"" + r + u"_x.txt\"\t300",
         {}},
        {"by name A-Z", {Choose(IDC_SORT, 1)}, u"_x.txt\r\na.txt\r\nB.txt", {}},
        {"by name Z-A", {Choose(IDC_SORT, 2)}, u"B.txt\r\na.txt\r\n_x.txt", {}},
        {"by size, smallest first", {Choose(IDC_SORT, 3)}, u"B.txt\r\n_x.txt\r\na.txt", {}},
        {"by size, largest first", {Choose(IDC_SORT, 4)}, u"a.txt\r\n_x.txt\r\nB.txt", {}},
        {"by date, oldest first", {Choose(IDC_SORT, 5)}, u"B.txt\r\na.txt\r\n_x.txt", {}},
        {"by date, newest first", {Choose(IDC_SORT, 6)}, u"_x.txt\r\na.txt\r\nB.txt", {}},
        {"by name, numbers by value, A-Z", {Choose(IDC_SORT, 7)}, u"_x.txt\r\na.txt\r\nB.txt", {}},
        {"by name, numbers by value, Z-A", {Choose(IDC_SORT, 8)}, u"B.txt\r\na.txt\r\n_x.txt", {}},
        {"back to as selected", {Choose(IDC_SORT, 6), Choose(IDC_SORT, 0)}, u"a.txt\r\nB.txt\r\n_x.txt", {}},
    };
    // One dialog for all rows: each row starts from the defaults, reached again through the controls.
    DialogDriver dialog = OpenDialog(Files());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(dialog.Text(IDC_PREVIEW), u"a.txt\r\nB.txt\r\n_x.txt");
        for (int id : {IDC_QUOTE_CHAR, IDC_PATH_SEPARATOR, IDC_SIZE_UNITS, IDC_DATE_FORMAT}) {
            EXPECT_FALSE(dialog.IsEnabled(id)) << id;
        }
        for (const Action& action : row.actions) {
            action(dialog);
        }
        EXPECT_EQ(Printable(dialog.Text(IDC_PREVIEW)), Printable(row.preview));
        for (int id : row.enabledAfter) {
            EXPECT_TRUE(dialog.IsEnabled(id)) << id;
        }
        for (int id :
             {IDC_SEPARATOR, IDC_QUOTE_CHAR, IDC_PATH_SEPARATOR, IDC_SIZE_UNITS, IDC_DATE_FORMAT, IDC_SORT}) {
            if (dialog.Selected(id) != 0) {
                dialog.Choose(id, 0);
            }
        }
        for (int id : {IDC_QUOTE, IDC_FULL_PATH, IDC_ADD_SIZE, IDC_ADD_DATE}) {
            if (dialog.IsChecked(id)) {
                dialog.Click(id);
            }
        }
    }
}

TEST_F(OptionsDialogTest, AddingFilesFromFoldersScansWithTheProgressWindow) {
    DialogDriver dialog = OpenDialog({Docs(), A()});
    dialog.Choose(IDC_SORT, 1);
    EXPECT_EQ(dialog.Text(IDC_PREVIEW), u"a.txt\r\nDocs");
    EXPECT_FALSE(dialog.IsEnabled(IDC_PATH_SEPARATOR));
    EXPECT_FALSE(dialog.IsEnabled(IDC_LIMIT_DEPTH));
    EXPECT_FALSE(dialog.IsEnabled(IDC_RESCAN));

    dialog.Click(IDC_ADD_FOLDER_FILES);
    const std::vector<ProgressSighting> sightings = dialog.ProgressSightings();
    ASSERT_EQ(sightings.size(), 2u);  // Docs and Docs\sub; the hidden folder is never opened
    EXPECT_EQ(sightings[0].folder, Docs());
    EXPECT_EQ(sightings[1].folder, Docs() + u"\\sub");
    for (const ProgressSighting& sighting : sightings) {
        EXPECT_EQ(sighting.title, u"Reading folders");
        EXPECT_TRUE(sighting.progressVisible);
        EXPECT_FALSE(sighting.ownerEnabled);
    }
    EXPECT_TRUE(IsWindowEnabled(dialog.Dialog()));
    EXPECT_EQ(dialog.Text(IDC_PREVIEW),
              u"a.txt\r\nDocs\\notes.tmp\r\nDocs\\readme.TXT\r\nDocs\\sub\\deep.txt");
    EXPECT_EQ(dialog.Text(IDC_SUMMARY), u"Files: 4;  Total Files Size: 1,255 bytes");
    EXPECT_FALSE(dialog.IsEnabled(IDC_RESCAN));
    // Expanded names hold separators, so the separator choice applies even without full paths.
    EXPECT_TRUE(dialog.IsEnabled(IDC_PATH_SEPARATOR));
    dialog.Choose(IDC_PATH_SEPARATOR, 2);
    EXPECT_EQ(dialog.Text(IDC_PREVIEW), u"a.txt\r\nDocs/notes.tmp\r\nDocs/readme.TXT\r\nDocs/sub/deep.txt");
    dialog.Choose(IDC_PATH_SEPARATOR, 0);

    // The folder settings: each change offers a rescan; the rescan applies them.
    struct Row {
        const char* name;
        std::vector<Action> actions;
        std::u16string preview;
    };
    const Row rows[] = {
        {"depth 1", {Click(IDC_LIMIT_DEPTH)}, u"a.txt\r\nDocs\\notes.tmp\r\nDocs\\readme.TXT"},
        {"depth 0 reads the whole tree",
         {[](DialogDriver& d) { d.Type(IDC_DEPTH, u"0"); }},
         u"a.txt\r\nDocs\\notes.tmp\r\nDocs\\readme.TXT\r\nDocs\\sub\\deep.txt"},
        {"include *.TXT, compared in lower case",
         {Click(IDC_LIMIT_DEPTH), Click(IDC_INCLUDE),
          [](DialogDriver& d) { d.Type(IDC_INCLUDE_PATTERN, u"*.TXT"); }},
         u"a.txt\r\nDocs\\readme.TXT\r\nDocs\\sub\\deep.txt"},
        {"exclude *.tmp",
         {Click(IDC_INCLUDE), Click(IDC_EXCLUDE),
          [](DialogDriver& d) { d.Type(IDC_EXCLUDE_PATTERN, u"*.tmp"); }},
         u"a.txt\r\nDocs\\readme.TXT\r\nDocs\\sub\\deep.txt"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (const Action& action : row.actions) {
            action(dialog);
        }
        EXPECT_TRUE(dialog.IsEnabled(IDC_RESCAN));
        dialog.Click(IDC_RESCAN);
        EXPECT_EQ(Printable(dialog.Text(IDC_PREVIEW)), Printable(row.preview));
        EXPECT_FALSE(dialog.IsEnabled(IDC_RESCAN));
    }
    EXPECT_TRUE(dialog.IsEnabled(IDC_EXCLUDE_PATTERN));
    EXPECT_FALSE(dialog.IsEnabled(IDC_INCLUDE_PATTERN));

    // Back to folder names: the folder is listed again, in the chosen order.
    dialog.Click(IDC_COPY_FOLDER_NAMES);
    EXPECT_EQ(dialog.Text(IDC_PREVIEW), u"a.txt\r\nDocs");
    EXPECT_EQ(dialog.Text(IDC_SUMMARY), u"Files & Folders: 2;  Total Files Size: 1,234 bytes");
    for (int id :
         {IDC_LIMIT_DEPTH, IDC_DEPTH, IDC_EXCLUDE, IDC_EXCLUDE_PATTERN, IDC_RESCAN, IDC_PATH_SEPARATOR}) {
        EXPECT_FALSE(dialog.IsEnabled(id)) << id;
    }
}

TEST_F(OptionsDialogTest, ACancelledScanGoesBackToFolderNames) {
    DialogDriver dialog = OpenDialog({Docs(), A()});
    dialog.CancelNextScan();
    dialog.Click(IDC_ADD_FOLDER_FILES);
    EXPECT_EQ(dialog.Text(IDC_PREVIEW), u"Docs\r\na.txt");
    EXPECT_EQ(dialog.Text(IDC_SUMMARY), u"Files & Folders: 2;  Total Files Size: 1,234 bytes");
    EXPECT_TRUE(dialog.IsChecked(IDC_COPY_FOLDER_NAMES));
    EXPECT_FALSE(dialog.IsChecked(IDC_ADD_FOLDER_FILES));
    EXPECT_FALSE(dialog.IsEnabled(IDC_LIMIT_DEPTH));
    // Choosing it again reads the folders.
    dialog.Click(IDC_ADD_FOLDER_FILES);
    EXPECT_EQ(dialog.Text(IDC_SUMMARY), u"Files: 4;  Total Files Size: 1,255 bytes");
    EXPECT_FALSE(dialog.IsEnabled(IDC_RESCAN));
}

TEST_F(OptionsDialogTest, EnterInTheReadingWindowCancelsAndTheDialogTakesKeysAgain) {
    DialogDriver dialog = OpenDialog({Docs(), A()});
    dialog.CancelNextScan(VK_RETURN);
    dialog.Click(IDC_ADD_FOLDER_FILES);
    EXPECT_TRUE(dialog.IsChecked(IDC_COPY_FOLDER_NAMES));
    dialog.PressKey(VK_ESCAPE);  // reaches the dialog only while it is active
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog.Dialog()); }));
}

TEST_F(OptionsDialogTest, AfterRescanFromTheKeyboardTabAndEscStillWork) {
    DialogDriver dialog = OpenDialog({Docs(), A()});
    dialog.Click(IDC_ADD_FOLDER_FILES);
    dialog.Click(IDC_LIMIT_DEPTH);
    dialog.Focus(IDC_RESCAN);
    dialog.PressKey(VK_SPACE);
    ASSERT_TRUE(WaitFor([&] { return !dialog.IsEnabled(IDC_RESCAN); }));
    const HWND focus = dialog.Focused();
    ASSERT_NE(focus, nullptr);
    EXPECT_TRUE(IsWindowEnabled(focus));
    EXPECT_EQ(GetParent(focus), dialog.Dialog());
    dialog.PressKey(VK_TAB);
    EXPECT_TRUE(WaitFor([&] { return dialog.Focused() != focus && dialog.Focused() != nullptr; }));
    dialog.PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog.Dialog()); }));
}

TEST_F(OptionsDialogTest, EnterInADepthOrPatternBoxShowsItsFilesAndOnlyTheNextEnterCopiesThem) {
    SetClipboardText(u"untouched");
    DialogDriver dialog = OpenDialog({Docs(), A()});
    dialog.Choose(IDC_SORT, 1);
    dialog.Click(IDC_ADD_FOLDER_FILES);
    dialog.Click(IDC_LIMIT_DEPTH);  // depth 1, not read yet: the preview still holds Docs\sub
    dialog.Focus(IDC_DEPTH);
    dialog.PressKey(VK_RETURN);
    const std::u16string depthOne = u"a.txt\r\nDocs\\notes.tmp\r\nDocs\\readme.TXT";
    EXPECT_TRUE(WaitFor([&] { return dialog.Text(IDC_PREVIEW) == depthOne; }));
    EXPECT_TRUE(IsWindow(dialog.Dialog()));
    EXPECT_EQ(ClipboardText(), u"untouched");
    dialog.PressKey(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog.Dialog()); }));
    EXPECT_EQ(ClipboardText(), depthOne);
}

TEST_F(OptionsDialogTest, OkNeverCopiesAnEmptyTextAndStaysOpenWhenTheClipboardIsHeld) {
    SetClipboardText(u"untouched");
    DialogDriver dialog = OpenDialog({Docs()});
    dialog.Choose(IDC_SORT, 1);
    dialog.Click(IDC_ADD_FOLDER_FILES);
    dialog.Click(IDC_INCLUDE);
    dialog.Type(IDC_INCLUDE_PATTERN, u"");  // matches nothing
    dialog.Click(IDC_RESCAN);
    EXPECT_EQ(dialog.Text(IDC_PREVIEW), u"");
    EXPECT_FALSE(dialog.IsEnabled(IDOK));
    dialog.Focus(IDC_INCLUDE_PATTERN);
    dialog.PressKey(VK_RETURN);
    EXPECT_TRUE(IsWindow(dialog.Dialog()));
    EXPECT_EQ(ClipboardText(), u"untouched");

    dialog.Type(IDC_INCLUDE_PATTERN, u"*.txt");
    dialog.Click(IDC_RESCAN);
    ASSERT_TRUE(dialog.IsEnabled(IDOK));
    // Another program holds the clipboard: OK says so and keeps the dialog.
    platform::UniqueWindow holder(
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
    std::optional<platform::OpenClipboardScope> held(std::in_place, 1, holder.Get());
    ASSERT_TRUE(held->IsOpen());
    PostMessageW(dialog.Item(IDOK), BM_CLICK, 0, 0);
    const HWND box = dialog.WaitForOwnedWindow();
    ASSERT_NE(box, nullptr);
    wchar_t message[512] = {};
    GetDlgItemTextW(box, 0xFFFF, message, 512);
    EXPECT_EQ(reinterpret_cast<const char16_t*>(message), MessageText(MessageId::ClipboardNotWritten));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    held.reset();
    holder.Reset();
    EXPECT_TRUE(IsWindow(dialog.Dialog()));
    EXPECT_EQ(ClipboardText(), u"untouched");
    dialog.CloseWith(IDOK);
    EXPECT_EQ(ClipboardText(), u"Docs\\readme.TXT\r\nDocs\\sub\\deep.txt");
}

TEST_F(OptionsDialogTest, AccessKeysAreUniqueAndEachRadioGroupIsOneTabStop) {
    DialogDriver dialog = OpenDialog({Docs(), A()});
    // Each control a user acts on has its key, the lists and boxes through the label before them.
    const int keyed[] = {IDC_QUOTE,       IDC_FULL_PATH,         IDC_ADD_SIZE,
                         IDC_ADD_DATE,    IDC_COPY_FOLDER_NAMES, IDC_ADD_FOLDER_FILES,
                         IDC_LIMIT_DEPTH, IDC_INCLUDE,           IDC_EXCLUDE,
                         IDC_RESCAN,      IDC_HELP_BUTTON,       IDC_CLIPBOARD_GROUP};
    std::vector<HWND> withKeys;
    for (int id : keyed) {
        withKeys.push_back(dialog.Item(id));
    }
    for (int id : {IDC_SEPARATOR, IDC_SORT}) {
        withKeys.push_back(GetWindow(dialog.Item(id), GW_HWNDPREV));
    }
    std::string keys;
    for (HWND control : dialog.Children()) {
        wchar_t text[128] = {};
        wchar_t kind[16] = {};
        GetClassNameW(control, kind, 16);
        if (_wcsicmp(kind, L"ComboBox") == 0) {
            continue;  // its text is the chosen entry
        }
        GetWindowTextW(control, text, 128);
        const wchar_t* amp = wcschr(text, L'&');
        const bool noPrefix = (GetWindowLongW(control, GWL_STYLE) & SS_NOPREFIX) != 0;
        const bool listed = std::find(withKeys.begin(), withKeys.end(), control) != withKeys.end();
        EXPECT_EQ(amp != nullptr && amp[1] != 0 && !noPrefix, listed) << GetDlgCtrlID(control);
        if (amp && amp[1] && !noPrefix) {
            const char key = static_cast<char>(towlower(amp[1]));
            EXPECT_EQ(keys.find(key), std::string::npos) << "twice: " << key;
            keys += key;
        }
    }
    // Tab lands on the chosen radio button, the group's only tab stop.
    for (int chosen : {IDC_COPY_FOLDER_NAMES, IDC_ADD_FOLDER_FILES}) {
        dialog.Click(chosen);
        for (int id : {IDC_COPY_FOLDER_NAMES, IDC_ADD_FOLDER_FILES}) {
            EXPECT_EQ((GetWindowLongW(dialog.Item(id), GWL_STYLE) & WS_TABSTOP) != 0, id == chosen) << id;
        }
        EXPECT_EQ(GetNextDlgTabItem(dialog.Dialog(), dialog.Item(IDC_SORT), FALSE), dialog.Item(chosen));
    }
}

TEST_F(OptionsDialogTest, OkCopiesThePreviewAndCancelCopiesNothingButKeepsTheOptions) {
    SetClipboardText(u"untouched");
    {
        DialogDriver dialog = OpenDialog(Files());
        dialog.Click(IDC_QUOTE);
        dialog.Choose(IDC_SORT, 4);
        dialog.CloseWith(IDCANCEL);
    }
    EXPECT_EQ(ClipboardText(), u"untouched");

    DialogDriver dialog = OpenDialog(Files());
    EXPECT_TRUE(dialog.IsChecked(IDC_QUOTE));
    EXPECT_TRUE(dialog.IsEnabled(IDC_QUOTE_CHAR));
    EXPECT_EQ(dialog.Selected(IDC_SORT), 4);
    const std::u16string preview = dialog.Text(IDC_PREVIEW);
    EXPECT_EQ(preview, u"\"a.txt\"\r\n\"_x.txt\"\r\n\"B.txt\"");
    dialog.CloseWith(IDOK);
    EXPECT_EQ(ClipboardText(), preview);
}

// Explorer windows run on threads of their own: an option changed in one dialog changes nothing in
// another that is open meanwhile.
TEST_F(OptionsDialogTest, TwoDialogsOnTwoThreadsShareNoOptions) {
    DialogDriver first = OpenDialog(Files());
    DialogDriver second = OpenDialog(Files());
    first.Click(IDC_QUOTE);
    second.Click(IDC_FULL_PATH);  // the second preview is made again, with its own options
    EXPECT_EQ(second.Text(IDC_PREVIEW).find(u'"'), std::u16string::npos) << "the first dialog's quotes";
    EXPECT_NE(first.Text(IDC_PREVIEW).find(u'"'), std::u16string::npos);
    first.CloseWith(IDCANCEL);
    second.CloseWith(IDCANCEL);
}

TEST_F(OptionsDialogTest, ResizingMovesTheButtonsAndGrowsThePreview) {
    DialogDriver dialog = OpenDialog({Docs(), A()});
    const SIZE opened = dialog.WindowSize();
    const RECT preview = dialog.RectOf(IDC_PREVIEW);
    const int anchored[] = {IDOK, IDCANCEL, IDC_HELP_BUTTON, IDC_SUMMARY};
    std::vector<RECT> before;
    for (int id : anchored) {
        before.push_back(dialog.RectOf(id));
    }
    const int widened[] = {IDC_INCLUDE_PATTERN, IDC_EXCLUDE_PATTERN, IDC_FOLDER_GROUP};
    std::vector<RECT> narrow;
    for (int id : widened) {
        narrow.push_back(dialog.RectOf(id));
    }

    dialog.Resize(opened.cx + 120, opened.cy + 90);
    for (std::size_t i = 0; i < std::size(anchored); ++i) {
        const RECT after = dialog.RectOf(anchored[i]);
        EXPECT_EQ(after.top - before[i].top, 90) << anchored[i];
        EXPECT_EQ(after.right - before[i].right, 120) << anchored[i];
    }
    for (std::size_t i = 0; i < std::size(widened); ++i) {  // the pattern boxes and their frame
        EXPECT_EQ(dialog.RectOf(widened[i]).right - narrow[i].right, 120) << widened[i];
        EXPECT_EQ(dialog.RectOf(widened[i]).top, narrow[i].top) << widened[i];
    }
    const RECT grown = dialog.RectOf(IDC_PREVIEW);
    EXPECT_EQ(grown.left, preview.left);
    EXPECT_EQ(grown.top, preview.top);
    EXPECT_EQ(grown.right - preview.right, 120);
    EXPECT_EQ(grown.bottom - preview.bottom, 90);
    EXPECT_GT(dialog.RectOf(IDC_SUMMARY).top, grown.bottom);

    // Never narrower than it opened; the preview keeps three lines (at every DPI, below).
    dialog.Resize(100, 100);
    EXPECT_EQ(dialog.WindowSize().cx, opened.cx);
    EXPECT_LT(dialog.WindowSize().cy, opened.cy);
    EXPECT_EQ(PreviewLines(dialog), 3);
}

// Run at each display DPI and text size by the test below, and at the display's own with the others.
TEST_F(OptionsDialogTest, NothingIsClippedOrOverlapsAtTheSystemDpi) {
    const int dpi = SystemDpi();
    if (RequestedDpi() != 0) {
        ASSERT_EQ(dpi, RequestedDpi()) << "the DPI setting did not reach this process";
    }
    // The template's 8 points at the user's text size; smaller only where the window would not fit the
    // screen with it. The test's screen (1280 x 1024) has room for all of it at 96 DPI, for some at 144
    // DPI and for none at 192 DPI, where a real screen of that DPI would.
    const int fontHeight = -MulDiv(ScaleForText(8, RequestedTextSize()), dpi, 72);
    const int smallestHeight = -MulDiv(8, dpi, 72) - (RequestedTextSize() > 100 && dpi < 192 ? 1 : 0);
    struct Row {
        const char* name;
        std::vector<std::u16string> paths;
        std::vector<Action> actions;
    };
    const Row rows[] = {
        {"files only", Files(), {}},
        {"a folder", {Docs(), A()}, {}},
        {"files from folders", {Docs(), A()}, {Click(IDC_ADD_FOLDER_FILES), Click(IDC_INCLUDE)}},
        {"grown", {Docs(), A()}, {[](DialogDriver& d) {
             d.Resize(d.WindowSize().cx + 150, d.WindowSize().cy + 100);
         }}},
        {"smallest", {Docs(), A()}, {[](DialogDriver& d) { d.Resize(100, 100); }}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.name << " at " << dpi << " DPI");
        DialogDriver dialog = OpenDialog(row.paths);
        const int height = FontHeight(dialog.Dialog());
        EXPECT_TRUE(height == fontHeight || (dpi > 96 && height > fontHeight && height <= smallestHeight))
            << height;
        for (const Action& action : row.actions) {
            action(dialog);
        }
        EXPECT_EQ(dialog.LayoutFaults(dpi), std::vector<std::string>{});
        for (const ProgressSighting& sighting : dialog.ProgressSightings()) {
            EXPECT_EQ(sighting.layoutFaults, std::vector<std::string>{}) << "Reading folders";
        }
        EXPECT_GE(PreviewLines(dialog), 3);
        // System metrics come scaled for the display already: scaling them again would double them.
        const RECT grip = dialog.RectOf(SizeGripOf(dialog));
        EXPECT_EQ(grip.right - grip.left, GetSystemMetrics(SM_CXVSCROLL));
        EXPECT_EQ(grip.bottom - grip.top, GetSystemMetrics(SM_CYHSCROLL));
        EXPECT_EQ(SmallIconSize(dialog).cx, GetSystemMetrics(SM_CXSMICON));
    }
}

TEST_F(OptionsDialogTest, EachDisplayDpiAndTextSizeLaysTheDialogOutCleanly) {
    for (int dpi : {96, 144, 192}) {
        for (int textSize : {100, 125, 150}) {
            SCOPED_TRACE(testing::Message() << dpi << " DPI, text at " << textSize << "%");
            const ProcessResult run =
                RunAtDpi(dpi, "OptionsDialogTest.NothingIsClippedOrOverlapsAtTheSystemDpi", textSize);
            EXPECT_EQ(run.exitCode, 0u) << run.output;
            EXPECT_NE(run.output.find("[  PASSED  ] 1 test"), std::string::npos) << run.output;
        }
    }
}

TEST_F(OptionsDialogTest, ADpiChangeMovesToTheSuggestedRectangleAndScalesEverything) {
    DialogDriver dialog = OpenDialog({Docs(), A()});
    const int dpi = SystemDpi();
    const int doubled = 2 * dpi;
    const RECT opened = dialog.WindowRect();
    const HWND grip = SizeGripOf(dialog);
    const std::vector<HWND> controls = dialog.Children();
    std::vector<RECT> before;
    for (HWND control : controls) {
        before.push_back(dialog.RectOf(control));
    }
    RECT client{};
    GetClientRect(dialog.Dialog(), &client);
    const LONG font = FontHeight(dialog.Item(IDC_QUOTE));
    const SIZE icon = SmallIconSize(dialog);
    const int textEnd = LinkTextEnd(dialog);

    const RECT suggested{opened.left + 10, opened.top + 20,
                         opened.left + 10 + 2 * (opened.right - opened.left),
                         opened.top + 20 + 2 * (opened.bottom - opened.top)};
    dialog.ChangeDpi(doubled, suggested);
    EXPECT_EQ(Print(dialog.WindowRect()), Print(suggested));
    RECT grown{};
    GetClientRect(dialog.Dialog(), &grown);
    // Along an edge it follows, a control keeps its gap to that edge at the new DPI; along the others
    // it sits where the template puts it at the new DPI.
    struct Follows {
        int id;
        bool right, bottom;
    };
    const Follows following[] = {{IDC_WEB_LINK, true, false},
                                 {IDC_FOLDER_GROUP, true, false},
                                 {IDC_INCLUDE_PATTERN, true, false},
                                 {IDC_EXCLUDE_PATTERN, true, false},
                                 {IDC_CLIPBOARD_GROUP, true, true},
                                 {IDC_PREVIEW, true, true},
                                 {IDC_SUMMARY, true, true},
                                 {IDOK, true, true},
                                 {IDCANCEL, true, true},
                                 {IDC_HELP_BUTTON, true, true}};
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i] == grip) {
            continue;
        }
        const int id = GetDlgCtrlID(controls[i]);
        SCOPED_TRACE(testing::Message() << "control " << id << " at " << Print(before[i]));
        Follows follows{id, false, false};
        for (const Follows& row : following) {
            follows = row.id == id ? row : follows;
        }
        const RECT now = dialog.RectOf(controls[i]);
        if (follows.right) {
            EXPECT_NEAR(grown.right - now.right, 2 * (client.right - before[i].right), 1);
        } else {
            EXPECT_EQ(now.left, 2 * before[i].left);
            EXPECT_EQ(now.right, 2 * before[i].right);
        }
        if (follows.bottom) {
            EXPECT_NEAR(grown.bottom - now.bottom, 2 * (client.bottom - before[i].bottom), 1);
        } else {
            EXPECT_EQ(now.top, 2 * before[i].top);
            if (dialog.Entries(id).empty()) {  // a drop-down list is as high as its font makes it
                EXPECT_EQ(now.bottom, 2 * before[i].bottom);
            }
        }
    }
    EXPECT_EQ(FontHeight(dialog.Item(IDC_QUOTE)), 2 * font);
    EXPECT_EQ(SmallIconSize(dialog).cx, GetSystemMetricsForDpi(SM_CXSMICON, static_cast<UINT>(doubled)));
    EXPECT_EQ(dialog.RectOf(grip).right - dialog.RectOf(grip).left,
              GetSystemMetricsForDpi(SM_CXVSCROLL, static_cast<UINT>(doubled)));
    // The link's text grew with its font: half as far again as it reached is still on the text.
    const HWND link = dialog.Item(IDC_WEB_LINK);
    RedrawWindow(link, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(textEnd + textEnd / 2, 2));
    EXPECT_EQ(Captured(dialog), link);
    SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(0, 500));
    EXPECT_EQ(dialog.LayoutFaults(doubled), std::vector<std::string>{});

    // Back on the first monitor, everything is where it was.
    dialog.ChangeDpi(dpi, opened);
    EXPECT_EQ(Print(dialog.WindowRect()), Print(opened));
    for (std::size_t i = 0; i < controls.size(); ++i) {
        EXPECT_EQ(Print(dialog.RectOf(controls[i])), Print(before[i])) << GetDlgCtrlID(controls[i]);
    }
    EXPECT_EQ(FontHeight(dialog.Item(IDC_QUOTE)), font);
    EXPECT_EQ(SmallIconSize(dialog).cx, icon.cx);
}

TEST_F(OptionsDialogTest, TheLinkStopsHoveringWhenAnotherWindowTakesTheMouse) {
    DialogDriver dialog = OpenDialog(Files());
    const HWND link = dialog.Item(IDC_WEB_LINK);
    const HWND ok = dialog.Item(IDOK);
    RedrawWindow(link, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    ASSERT_EQ(Captured(dialog), link);
    // A button pressed takes the mouse; released away from it, it clicks nothing.
    SendMessageW(ok, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    EXPECT_EQ(Captured(dialog), ok);
    SendMessageW(ok, WM_LBUTTONUP, 0, MAKELPARAM(2, 500));
    ASSERT_TRUE(IsWindowVisible(dialog.Dialog()));
    // Back over the text the link hovers again, and takes the mouse to notice it leave.
    SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(Captured(dialog), link);
}

TEST_F(OptionsDialogTest, AKeyboardUserSeesTheFocusOnTheLinkAndOpensItWithSpaceOrEnter) {
    SetClipboardText(u"untouched");
    OpenedLinks opened;
    DialogDriver dialog = OpenDialogWithLink(Files(), opened);
    const HWND link = dialog.Item(IDC_WEB_LINK);
    const std::vector<DWORD> unfocused = PixelsOf(link);
    dialog.Focus(IDC_WEB_LINK);
    EXPECT_NE(PixelsOf(link), unfocused);

    const std::u16string address = u"https://" + dialog.Text(IDC_WEB_LINK);
    const std::pair<const char*, UINT> keys[] = {{"Space", VK_SPACE}, {"Enter", VK_RETURN}};
    std::size_t expected = 0;
    for (const auto& [name, key] : keys) {
        SCOPED_TRACE(name);
        dialog.PressKey(key);
        ++expected;
        EXPECT_TRUE(WaitFor([&] { return opened.Get().size() == expected; }));
        EXPECT_EQ(opened.Get(), std::vector<std::u16string>(expected, address));
    }
    // Enter went to the link alone: the default button neither copied nor closed.
    EXPECT_TRUE(IsWindowVisible(dialog.Dialog()));
    EXPECT_EQ(ClipboardText(), u"untouched");
}

TEST_F(OptionsDialogTest, AScreenReaderNamesEveryControlTheLinkAndTheReadOnlyPreview) {
    const platform::ComApartment com(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    DialogDriver dialog = OpenDialog({Docs(), A()});
    EXPECT_EQ(AccessibilityFaults(dialog.Dialog(), {{IDC_WEB_LINK, ROLE_SYSTEM_LINK}}),
              std::vector<std::string>{});
    const std::pair<int, std::u16string> names[] = {{IDC_SORT, u"Sort:"},
                                                    {IDC_PREVIEW, u"Preview"},
                                                    {IDC_QUOTE_CHAR, u"Quotation mark"},
                                                    {IDC_WEB_LINK, dialog.Text(IDC_WEB_LINK)},
                                                    {IDC_SUMMARY, dialog.Text(IDC_SUMMARY)}};
    for (const auto& [id, name] : names) {
        EXPECT_EQ(AnnouncedOf(dialog.Item(id)).name, name) << id;
    }
    EXPECT_TRUE(AnnouncedOf(dialog.Item(IDC_PREVIEW)).state & STATE_SYSTEM_READONLY);
    const long linkState = AnnouncedOf(dialog.Item(IDC_WEB_LINK)).state;
    EXPECT_EQ(linkState & (STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED),
              STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED);
    // The folder-reading window, looked at while it shows the first folder.
    dialog.InspectNextScan();
    dialog.Click(IDC_ADD_FOLDER_FILES);
    const std::vector<ProgressSighting> sightings = dialog.ProgressSightings();
    ASSERT_FALSE(sightings.empty());
    EXPECT_EQ(sightings[0].accessibilityFaults, std::vector<std::string>{});
}

TEST_F(OptionsDialogTest, TheLinkReactsOnlyOverItsText) {
    DialogDriver dialog = OpenDialog(Files());
    const HWND link = dialog.Item(IDC_WEB_LINK);
    RECT client{};
    GetClientRect(link, &client);
    // The link learns where its text is when it paints.
    RedrawWindow(link, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    // Over the text: hovering, with the mouse captured to notice leaving.
    SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(Captured(dialog), link);
    // Right of the text, still on the button: no longer hovering.
    SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(client.right - 1, 2));
    EXPECT_EQ(Captured(dialog), nullptr);
    // A click there opens nothing and leaves no capture behind.
    SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(client.right - 1, 2));
    EXPECT_EQ(Captured(dialog), nullptr);
}

TEST_F(OptionsDialogTest, AHighContrastThemeDrawsTheLinkAndThePreviewInTheSystemsColours) {
    // The link's own colours, which only the normal look shows.
    constexpr COLORREF kLinkBlue = RGB(0x00, 0x33, 0x99);
    constexpr COLORREF kLinkOrangeRed = RGB(0xFF, 0x33, 0x00);
    DialogDriver dialog = OpenDialog(Files());
    const HWND link = dialog.Item(IDC_WEB_LINK);
    std::vector<DWORD> unfocused;
    {
        const HighContrastScheme scheme({dialog.Dialog()});
        unfocused = PixelsOf(link);
        const std::pair<const char*, Action> states[] = {
            {"resting", [](DialogDriver&) {}},
            {"hovered", [link](DialogDriver&) { SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2)); }},
            {"focused", [](DialogDriver& shown) { shown.Focus(IDC_WEB_LINK); }},
        };
        for (const auto& [state, enter] : states) {
            SCOPED_TRACE(state);
            enter(dialog);
            for (HWND child : dialog.Children()) {
                const Picture picture = PictureOf(child);
                EXPECT_EQ(picture.Count(kLinkBlue) + picture.Count(kLinkOrangeRed), 0) << GetDlgCtrlID(child);
            }
            EXPECT_GT(PictureOf(link).Count(GetSysColor(COLOR_HOTLIGHT)), 10);
        }
        // The focus rectangle shows in the theme too.
        EXPECT_NE(PixelsOf(link), unfocused);
        // The preview: its text in the window text colour on a background of the system's.
        const Picture preview = PictureOf(dialog.Item(IDC_PREVIEW));
        EXPECT_GT(preview.Count(GetSysColor(COLOR_WINDOWTEXT)), 10);
        EXPECT_GT(preview.Count(GetSysColor(COLOR_WINDOW)) + preview.Count(GetSysColor(COLOR_BTNFACE)),
                  static_cast<int>(preview.pixels.size()) / 2);
    }
    // The normal look comes back with the normal colours.
    SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(2000, 2));
    EXPECT_GT(PictureOf(link).Count(kLinkBlue), 10);
}

TEST_F(OptionsDialogTest, HelpWithoutAHelpFileLeavesTheDialogUsable) {
    DialogDriver dialog = OpenDialog(Files());
    // Posted: a viewer that shows a message about the missing file must not block the test.
    PostMessageW(dialog.Item(IDC_HELP_BUTTON), BM_CLICK, 0, 0);
    dialog.Settle();  // sent messages overtake posted ones: the click's turn first
    dialog.Choose(IDC_SEPARATOR, 2);
    EXPECT_EQ(dialog.Text(IDC_PREVIEW), u"a.txt B.txt _x.txt");
}

TEST_F(OptionsDialogTest, HelpOpensTheOptionsTopicInAWindowThatOutlivesTheDialog) {
    HelpCalls calls;
    DialogDriver dialog = OpenDialogWithHelp(Files(), calls);
    dialog.Click(IDC_HELP_BUTTON);
    HELPINFO f1{sizeof(HELPINFO), HELPINFO_WINDOW, IDC_PREVIEW, dialog.Item(IDC_PREVIEW), 0, {}};
    SendMessageW(dialog.Dialog(), WM_HELP, 0, reinterpret_cast<LPARAM>(&f1));
    dialog.CloseWith(IDCANCEL);

    // Both asked for the topic that the help file maps to the Options dialog, by context number, in
    // the help file beside the module; the window has no owner, so the dialog does not take it along.
    // Closing the dialog closed nothing: no HH_CLOSE_ALL, which would also close other programs' help.
    wchar_t self[MAX_PATH] = {};
    const std::u16string module(reinterpret_cast<const char16_t*>(self),
                                GetModuleFileNameW(nullptr, self, MAX_PATH));
    const std::u16string helpFile = module.substr(0, module.find_last_of(u'\\') + 1) + u"QuilletPro.chm";
    const std::vector<HelpCall> seen = calls.Get();
    ASSERT_EQ(seen.size(), 2u);
    for (const HelpCall& call : seen) {
        EXPECT_EQ(call.command, static_cast<UINT>(HH_HELP_CONTEXT));
        EXPECT_EQ(call.data, static_cast<DWORD_PTR>(QUILLET_OPTIONS_HELP_CONTEXT));
        EXPECT_EQ(call.file, helpFile);
        EXPECT_EQ(call.caller, nullptr);
    }
}

TEST(MessageStringTableTest, EveryMessageIsInTheModulesStringTable) {
    for (const MessageEntry& entry : AllMessages()) {
        const wchar_t* text = nullptr;
        const int length = LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(entry.id),
                                       reinterpret_cast<wchar_t*>(&text), 0);
        ASSERT_GT(length, 0) << entry.id;
        EXPECT_EQ(
            std::u16string_view(reinterpret_cast<const char16_t*>(text), static_cast<std::size_t>(length)),
            entry.text)
            << entry.id;
    }
}

}  // namespace
}  // namespace quillet::test
