// The configuration dialog's rules, driven through a view that behaves like the dialog's controls:
// the list view tells the editor of selections, the Name field stops at its limit, and the
// visible-whitespace fields turn typed spaces into dots.
#include "core/editor/CommandEditor.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "TestSupport.h"
#include "core/commands/CommandFile.h"
#include "core/editor/AttributePicker.h"
#include "core/editor/CommandTypeTexts.h"
#include "core/editor/VisibleSpace.h"
#include "core/format/ItemFormat.h"
#include "core/menu/CommandMenu.h"
#include "platform/Utf.h"

namespace quillet {
namespace {

using test::Printable;

class FakeView final : public CommandEditor::View {
  public:
    struct Item {
        std::u16string text;
        StateMark mark;
        bool selected = false;
    };
    struct Field {
        std::u16string text;
        std::size_t selStart = 0;
        std::size_t selEnd = 0;
    };

    // The list view notifies a selection, and the loss of it, as LVN_ITEMCHANGED does.
    void InsertItem(std::size_t index, std::u16string_view name, StateMark mark) override {
        items.insert(items.begin() + static_cast<std::ptrdiff_t>(index), Item{std::u16string(name), mark});
    }
    void DeleteItem(std::size_t index) override {
        const bool wasSelected = items.at(index).selected;
        items.erase(items.begin() + static_cast<std::ptrdiff_t>(index));
        if (wasSelected) {
            editor->SelectionCleared();
        }
    }
    void DeleteAllItems() override { items.clear(); }
    void SetItemText(std::size_t index, std::u16string_view name) override { items.at(index).text = name; }
    void SetItemMark(std::size_t index, StateMark mark) override { items.at(index).mark = mark; }
    void SelectItem(std::size_t index) override { Click(index); }

    void ShowDisplay(EditorDisplay shown) override { display = shown; }
    void SetDescription(std::u16string_view text) override { description = text; }
    std::u16string FieldText(EditorField field) const override { return fields.at(field).text; }
    void SetFieldText(EditorField field, std::u16string_view text) override {
        fields[field] = Field{std::u16string(text), text.size(), text.size()};
    }
    void ReplaceFieldSelection(EditorField field, std::u16string_view text) override {
        Field& f = fields[field];
        f.text.replace(f.selStart, f.selEnd - f.selStart, text);
        f.selStart = f.selEnd = f.selStart + text.size();
        editor->FieldEdited(field, f.selStart, false);  // as EN_CHANGE does
    }
    void ShowProblemText(std::u16string_view text) override { problemText = text; }
    void EnableListActions(ListActions enabled) override { actions = enabled; }
    bool NewlineChecked() const override { return newline; }
    void SetNewlineChecked(bool checked) override { newline = checked; }
    void ResetEscapeList(EditorField field) override { ++escapeListResets[field]; }
    void LimitName(std::size_t length) override { nameLimit = length; }
    void FocusNameSelectingAll() override {
        nameFocused = true;
        fields[EditorField::Name].selStart = 0;
    }
    void FocusField(EditorField field) override { focused = field; }
    std::optional<CommandType> RunNewCommandDialog(CommandType preset) override {
        return preset == CommandType::UserDefined ? newCommandAnswer : std::nullopt;
    }
    std::optional<std::u16string> RunInsertDialog() override { return insertAnswer; }
    void ShowMessage(std::u16string_view text) override { messages.emplace_back(text); }
    bool Ask(std::u16string_view text) override {
        messages.emplace_back(text);
        return confirmAnswer;
    }
    ChangedFileAnswer AskChangedFile(std::u16string_view text) override {
        messages.emplace_back(text);
        return ChangedFileAnswer::GoBack;
    }
    void Close() override { closed = true; }

    // The user's doings.
    void Click(std::size_t index) {
        const bool was = items.at(index).selected;
        for (Item& item : items) {
            item.selected = false;
        }
        items[index].selected = true;
        if (!was) {
            editor->ItemSelected(index);
        }
    }
    void ClickEmpty() {
        for (Item& item : items) {
            item.selected = false;
        }
        editor->SelectionCleared();
    }
    // Typed over the whole field: the Name field stops at its limit, the others show spaces as dots.
    void Type(EditorField field, std::u16string_view typed) {
        std::u16string text;
        for (const char16_t c : typed) {
            if (field == EditorField::Name && text.size() >= nameLimit) {
                break;
            }
            text.push_back(field == EditorField::Name ? c : VisibleTypedCharacter(c));
        }
        SetFieldText(field, text);
    }
    void Paste(EditorField field, std::u16string_view text) { SetFieldText(field, text); }
    void SelectText(EditorField field, std::size_t start, std::size_t end) {
        fields[field].selStart = start;
        fields[field].selEnd = end;
    }

    // The list as shown: "name/mark" per item, "*" after the selected one.
    std::string List() const {
        std::string out;
        for (const Item& item : items) {
            out += (out.empty() ? "" : " ") + Printable(item.text) + "/" +
                   std::to_string(static_cast<int>(item.mark)) + (item.selected ? "*" : "");
        }
        return out;
    }
    std::string Shown(EditorField field) const { return Printable(FieldText(field)); }
    std::optional<std::size_t> SelectedItem() const {
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i].selected) {
                return i;
            }
        }
        return std::nullopt;
    }

    CommandEditor* editor = nullptr;
    std::vector<Item> items;
    std::map<EditorField, Field> fields;
    bool newline = false;
    std::map<EditorField, int> escapeListResets;
    EditorDisplay display = EditorDisplay::NoCommand;
    std::u16string description;
    std::size_t nameLimit = 0;
    bool nameFocused = false;
    std::optional<EditorField> focused;
    std::u16string problemText;
    ListActions actions;
    std::optional<CommandType> newCommandAnswer;
    std::optional<std::u16string> insertAnswer;
    std::vector<std::u16string> messages;
    bool confirmAnswer = true;
    bool closed = false;
};

class MemoryStorage final : public CommandEditor::Storage {
  public:
    CommandList Load() override { return Parse(defaultText.value_or(u"")); }
    std::u16string ReadProblem() const override { return {}; }
    std::optional<CommandList> LoadDefault(std::u16string& error) override {
        if (!defaultText) {
            error = u"no default list";
            return std::nullopt;
        }
        return Parse(*defaultText);
    }
    FileCheck CheckUnchanged(std::u16string& message) override {
        message = u"changed";
        return check;
    }
    bool LoadedSaveTarget() const override { return fromFile; }
    bool Save(const CommandList& list, std::u16string& error) override {
        if (failWith) {
            error = *failWith;
            return false;
        }
        if (std::optional<CommandListFault> fault = CheckCommandList(list)) {
            error = fault->message;
            return false;
        }
        saved = CommandFileText(list);
        return true;
    }
    static CommandList Parse(std::u16string_view text) {
        CommandList list;
        std::u16string log;
        ParseCommandFileBytes(Utf16ToUtf8(text), EscapeMode::EditorEscapes, list, log);
        return list;
    }

    std::optional<std::u16string> defaultText = u"Copy:%QUILLET\nPaths:$path[\\n]\n";
    FileCheck check = FileCheck::Unchanged;
    bool fromFile = false;
    std::optional<std::u16string> failWith;
    std::optional<std::u16string> saved;
};

// An open dialog on a command file's text.
struct Scene {
    explicit Scene(std::u16string_view file) : Scene(MemoryStorage::Parse(file)) {}
    explicit Scene(CommandList list) : editor(std::move(list), view, storage) {
        view.editor = &editor;
        editor.Open();
    }
    std::string Saved() const { return storage.saved ? Printable(*storage.saved) : "(not saved)"; }

    FakeView view;
    MemoryStorage storage;
    CommandEditor editor;
};

// Four commands: a built-in, a sub-menu, a user-defined, a faulty user-defined.
constexpr std::u16string_view kFour = u"A:%QUILLET\nSub:%SUBFOLDER\nU:$name[\\n]S|E|1\nBad:$nope[]\n";

TEST(CommandEditor, MarksFollowSubMenusAndProblems) {
    struct Row {
        std::u16string_view file;
        std::string marks;
    };
    const Row rows[] = {
        {u"", ""},
        {u"A:%QUILLET", "0"},
        {u"A:%QUILLET\nS:%SUBFOLDER\nB:%OPTIONS\nU:$name", "0 1 2 2"},
        {u"S:%SUBFOLDER\nT:%SUBFOLDER\nB:%OPTIONS", "1 1 2"},
        {u"Bad:$x\nS:%SUBFOLDER\nBad:$x\nOk:$name", "3 1 3 2"},
        {u"Empty:[x]\nNo attr:abc", "3 3"},
    };
    for (const Row& row : rows) {
        std::string marks;
        for (const StateMark mark : StateMarks(MemoryStorage::Parse(row.file))) {
            marks += (marks.empty() ? "" : " ") + std::to_string(static_cast<int>(mark));
        }
        EXPECT_EQ(marks, row.marks) << Printable(row.file);
    }
}

TEST(CommandEditor, ListHeaderSaysWhenTheMenuLeavesCommandsOut) {
    const auto listOf = [](std::size_t count) {
        CommandList list;
        for (std::size_t i = 0; i < count; ++i) {
            list.emplace_back(u"C");
        }
        return list;
    };
    EXPECT_EQ(Printable(Scene(listOf(kMaxMenuCommands)).editor.ListHeader()),
              Printable(MessageText(MessageId::CommandsColumn)));
    EXPECT_EQ(Printable(Scene(listOf(kMaxMenuCommands + 1)).editor.ListHeader()),
              Printable(FormatMessageText(MessageId::CommandsColumnLimited,
                                          {static_cast<std::int64_t>(kMaxMenuCommands)})));
}

TEST(CommandEditor, OpensOnTheFirstCommand) {
    Scene empty(u"");
    EXPECT_EQ(empty.view.display, EditorDisplay::NoCommand);
    EXPECT_FALSE(empty.view.SelectedItem());
    EXPECT_EQ(empty.view.Shown(EditorField::Name), "");
    EXPECT_EQ(empty.view.nameLimit, kMaxCommandNameLength);

    Scene four(kFour);
    EXPECT_EQ(four.view.List(), "A/0* Sub/1 U/2 Bad/3");
    EXPECT_EQ(four.view.Shown(EditorField::Name), "A");
    EXPECT_EQ(four.view.display, EditorDisplay::BuiltIn);
}

TEST(CommandEditor, ShowsEachKindOfCommand) {
    struct Row {
        std::u16string_view line;
        EditorDisplay display;
        std::u16string_view format, separator;
        bool newline;
    };
    const Row rows[] = {
        {u"N:%QUILLET", EditorDisplay::BuiltIn, u"", u"", false},
        {u"N:%PASTEFILENAME", EditorDisplay::BuiltIn, u"", u"", false},
        {u"N:%SUBFOLDER", EditorDisplay::BuiltIn, u"", u"", false},
        {u"N:$name $size[, ]|E|1", EditorDisplay::UserDefined, u"$name\u00B7$size", u",\u00B7", true},
        {u"N:\u00B7$name[\\t]", EditorDisplay::UserDefined, u"\u00B7$name", u"\\t", false},
        {u"N:$nope[]", EditorDisplay::UserDefinedWithProblem, u"$nope", u"", false},
    };
    for (const Row& row : rows) {
        Scene scene(row.line);
        const std::string where = Printable(row.line);
        EXPECT_EQ(scene.view.display, row.display) << where;
        EXPECT_EQ(scene.view.Shown(EditorField::Name), "N") << where;
        EXPECT_FALSE(scene.view.FieldText(EditorField::Type).empty()) << where;
        if (row.display == EditorDisplay::BuiltIn) {
            EXPECT_FALSE(scene.view.description.empty()) << where;
            continue;
        }
        EXPECT_EQ(scene.view.Shown(EditorField::ItemFormat), Printable(row.format)) << where;
        EXPECT_EQ(scene.view.Shown(EditorField::ItemSeparator), Printable(row.separator)) << where;
        EXPECT_EQ(scene.view.newline, row.newline) << where;
        EXPECT_EQ(scene.view.escapeListResets[EditorField::StartText], 1) << where;
    }
    // Paste types add the note on when the menu hides them; the others do not.
    const std::u16string paste = DescriptionOf(CommandType::PasteFileName);
    const std::u16string noExt = DescriptionOf(CommandType::PasteFileNameNoExt);
    const std::u16string note = paste.substr(paste.rfind(u"\r\n\r\n"));
    EXPECT_TRUE(noExt.ends_with(note));
    EXPECT_FALSE(DescriptionOf(CommandType::Quillet).ends_with(note));
}

TEST(CommandEditor, StoresFieldsWhenAnotherCommandBecomesCurrent) {
    Scene scene(u"U:$name[]\nB:%OPTIONS\n");
    FakeView& v = scene.view;
    v.Type(EditorField::Name, u"New name \U0001F600");
    v.Type(EditorField::ItemFormat, u"$name $size");
    v.Type(EditorField::ItemSeparator, u", ");
    v.Paste(EditorField::StartText, u"a b\u00B7c");
    v.Type(EditorField::EndText, u"");
    v.newline = true;
    v.Click(1);
    const Command& u = scene.editor.Commands()[0];
    EXPECT_EQ(Printable(u.name), Printable(u"New name \U0001F600"));
    EXPECT_EQ(Printable(u.format.formatText), "$name $size");
    EXPECT_EQ(Printable(u.format.itemSeparator), ", ");
    EXPECT_EQ(Printable(u.format.startText), "a b c");  // pasted spaces and dots alike
    EXPECT_TRUE(u.format.newlineAtEnd);
    EXPECT_EQ(v.List(), Printable(u"New name \U0001F600") + "/0 B/0*");
    EXPECT_EQ(v.display, EditorDisplay::BuiltIn);

    // A built-in command keeps only its name; a click on no item stores it and shows nothing, with
    // the list buttons off.
    v.Type(EditorField::Name, u"Opts");
    v.ClickEmpty();
    EXPECT_EQ(Printable(scene.editor.Commands()[1].name), "Opts");
    EXPECT_EQ(v.display, EditorDisplay::NoCommand);
    EXPECT_EQ(v.actions, ListActions{});
}

TEST(CommandEditor, ItemFormatCheckMovesBetweenProblemStates) {
    struct Row {
        std::u16string_view typed;
        EditorDisplay display;
        StateMark mark;
    };
    const Row rows[] = {
        {u"", EditorDisplay::UserDefinedWithProblem, StateMark::Problem},
        {u"$name", EditorDisplay::UserDefined, StateMark::InSubMenu},
        {u"$name]x[", EditorDisplay::UserDefined, StateMark::InSubMenu},  // brackets are text in the field
        {u"$size:parsecs", EditorDisplay::UserDefinedWithProblem, StateMark::Problem},
        {u"\\$name", EditorDisplay::UserDefinedWithProblem, StateMark::Problem},
    };
    Scene scene(u"S:%SUBFOLDER\nU:$name[]\n");
    scene.view.Click(1);
    for (const Row& row : rows) {
        scene.view.Type(EditorField::ItemFormat, row.typed);
        scene.editor.ItemFormatLostFocus();
        EXPECT_EQ(scene.view.display, row.display) << Printable(row.typed);
        EXPECT_EQ(scene.view.items[1].mark, row.mark) << Printable(row.typed);
    }
    scene.editor.ShowProblem();
    ASSERT_EQ(scene.view.messages.size(), 1u);
    EXPECT_EQ(scene.view.messages[0], scene.editor.Commands()[1].format.errorText);
    scene.view.Click(0);
    scene.editor.ShowProblem();  // a built-in command has no problem to show
    EXPECT_EQ(scene.view.messages.size(), 1u);
}

TEST(CommandEditor, NameFieldLeavesItsTextOnTheItemOnly) {
    Scene scene(u"One:%QUILLET\nTwo:%OPTIONS\n");
    scene.view.Type(EditorField::Name, u"Renamed");
    scene.editor.NameLostFocus();
    EXPECT_EQ(scene.view.List(), "Renamed/0* Two/0");
    EXPECT_EQ(Printable(scene.editor.Commands()[0].name), "One");
    // Moving before storing keeps the item's new text.
    scene.editor.MoveCommand(+1);
    EXPECT_EQ(scene.view.List(), "Two/0 Renamed/0*");
    // OK while the Name field still has the focus saves the new name.
    EXPECT_TRUE(scene.editor.SaveAndClose());
    EXPECT_EQ(scene.Saved(), "Two:%OPTIONS\nRenamed:%QUILLET\n");

    // The field stops at the reader's limit, so a typed name can always be saved.
    Scene longName(u"One:%QUILLET\n");
    longName.view.Type(EditorField::Name, std::u16string(kMaxCommandNameLength + 5, u'n'));
    EXPECT_TRUE(longName.editor.SaveAndClose());
    EXPECT_EQ(longName.editor.Commands()[0].name.size(), kMaxCommandNameLength);
}

TEST(CommandEditor, InsertsEscapesAndAttributesAtTheCaret) {
    struct Row {
        EditorField field;
        EscapeChoice choice;
        std::size_t selStart, selEnd;
        std::string shown;
        int resets;
    };
    const Row rows[] = {
        {EditorField::StartText, EscapeChoice::Newline, 1, 3, "a\\nd", 2},
        {EditorField::EndText, EscapeChoice::Tab, 4, 4, "abcd\\t", 2},
        {EditorField::ItemSeparator, EscapeChoice::Insert, 0, 4, "abcd", 1},
        {EditorField::ItemFormat, EscapeChoice::Tab, 0, 0, "$name", 0},  // no list beside it
    };
    for (const Row& row : rows) {
        Scene scene(u"U:$name[abcd]abcd|abcd");
        scene.view.SelectText(row.field, row.selStart, row.selEnd);
        scene.editor.InsertEscape(row.field, row.choice);
        EXPECT_EQ(scene.view.Shown(row.field), row.shown) << static_cast<int>(row.field);
        EXPECT_EQ(scene.view.escapeListResets[row.field], row.resets) << static_cast<int>(row.field);
    }

    Scene scene(u"U:abc[]");
    EXPECT_EQ(scene.view.display, EditorDisplay::UserDefinedWithProblem);
    scene.view.SelectText(EditorField::ItemFormat, 1, 2);
    scene.editor.InsertAttribute();  // Cancel
    EXPECT_EQ(scene.view.Shown(EditorField::ItemFormat), "abc");
    scene.view.insertAnswer = u"$size:auto;";
    scene.editor.InsertAttribute();
    EXPECT_EQ(scene.view.Shown(EditorField::ItemFormat), "a$size:auto;c");
    EXPECT_EQ(scene.view.display, EditorDisplay::UserDefined);
    EXPECT_EQ(scene.view.List(), "U/0*");
}

// A list operation on an open dialog, from a selection, and what it leaves.
struct ListRow {
    const char* what;
    std::u16string_view file;
    std::function<void(Scene&)> act;
    std::string list;
    std::optional<std::size_t> selected;  // the command in the fields
    EditorDisplay display;
};

void RunListRows(std::initializer_list<ListRow> rows) {
    for (const ListRow& row : rows) {
        Scene scene(row.file);
        row.act(scene);
        EXPECT_EQ(scene.view.List(), row.list) << row.what;
        EXPECT_EQ(scene.view.SelectedItem(), row.selected) << row.what;
        EXPECT_EQ(scene.view.display, row.display) << row.what;
        // The editor's marks are the view's, and the list's order the view's.
        ASSERT_EQ(scene.view.items.size(), scene.editor.Commands().size()) << row.what;
        std::vector<StateMark> shown;
        for (const auto& item : scene.view.items) {
            shown.push_back(item.mark);
        }
        EXPECT_EQ(shown, StateMarks(scene.editor.Commands())) << row.what;
    }
}

TEST(CommandEditor, MovesTheSelectedCommand) {
    using D = EditorDisplay;
    const auto click = [](std::size_t i) { return [i](Scene& s) { s.view.Click(i); }; };
    const auto then = [](std::function<void(Scene&)> a, std::function<void(Scene&)> b) {
        return [a, b](Scene& s) { a(s), b(s); };
    };
    const auto move = [](int d) { return [d](Scene& s) { s.editor.MoveCommand(d); }; };
    RunListRows({
        {"first up", kFour, move(-1), "A/0* Sub/1 U/2 Bad/3", 0u, D::BuiltIn},
        {"last down", kFour, then(click(3), move(+1)), "A/0 Sub/1 U/2 Bad/3*", 3u, D::UserDefinedWithProblem},
        {"no selection", kFour, then(click(1), then([](Scene& s) { s.view.ClickEmpty(); }, move(-1))),
         "A/0 Sub/1 U/2 Bad/3", std::nullopt, D::NoCommand},
        {"sub-menu up passes over a command", kFour, then(click(1), move(-1)), "Sub/1* A/2 U/2 Bad/3", 0u,
         D::BuiltIn},
        {"sub-menu to the bottom", kFour, then(click(1), then(move(+1), move(+1))), "A/0 U/0 Bad/3 Sub/1*",
         3u, D::BuiltIn},
        {"user-defined down keeps its edits", kFour,
         then(click(2), then([](Scene& s) { s.view.Type(EditorField::StartText, u"x y"); }, move(+1))),
         "A/0 Sub/1 Bad/3 U/2*", 3u, D::UserDefined},
        {"one command", u"Only:%QUILLET", then(move(-1), move(+1)), "Only/0*", 0u, D::BuiltIn},
    });
    Scene scene(kFour);
    scene.view.Click(2);
    scene.view.Type(EditorField::StartText, u"x y");
    scene.editor.MoveCommand(-1);
    scene.view.Click(0);
    EXPECT_EQ(Printable(scene.editor.Commands()[1].format.startText), "x y");
}

TEST(CommandEditor, DeletesTheSelectedCommand) {
    using D = EditorDisplay;
    const auto click = [](std::size_t i) {
        return [i](Scene& s) {
            s.view.Click(i);
            s.editor.DeleteCommand();
        };
    };
    RunListRows({
        {"middle", kFour, click(2), "A/0 Sub/1 Bad/3*", 2u, D::UserDefinedWithProblem},
        {"last", kFour, click(3), "A/0 Sub/1 U/2*", 2u, D::UserDefined},
        {"sub-menu", kFour, click(1), "A/0 U/0* Bad/3", 1u, D::UserDefined},
        {"first of two sub-menus", u"S:%SUBFOLDER\nA:%OPTIONS\nT:%SUBFOLDER\nB:%OPTIONS", click(0),
         "A/0* T/1 B/2", 0u, D::BuiltIn},
        {"only", u"U:$nope[]", click(0), "", std::nullopt, D::NoCommand},
        {"no selection", kFour,
         [](Scene& s) {
             s.view.ClickEmpty();
             s.editor.DeleteCommand();
         },
         "A/0 Sub/1 U/2 Bad/3", std::nullopt, D::NoCommand},
    });
    // The deleted command's pending edits go with it; the next one's fields are its own.
    Scene scene(kFour);
    scene.view.Click(2);
    scene.view.Type(EditorField::Name, u"Changed");
    scene.editor.DeleteCommand();
    EXPECT_EQ(scene.view.Shown(EditorField::Name), "Bad");
    EXPECT_TRUE(scene.editor.SaveAndClose());
    EXPECT_EQ(scene.Saved(), "A:%QUILLET\nSub:%SUBFOLDER\nBad:$nope[]\n");
}

TEST(CommandEditor, AddsACommandBelowTheSelection) {
    using D = EditorDisplay;
    const auto add = [](std::optional<CommandType> answer, bool select) {
        return [answer, select](Scene& s) {
            if (!select) {
                s.view.ClickEmpty();
            }
            s.view.newCommandAnswer = answer;
            s.editor.AddCommand();
        };
    };
    const std::string enter = Printable(MessageText(MessageId::NewNameUserDefined));
    const std::string sub = Printable(MessageText(MessageId::NewNameSubFolder));
    RunListRows({
        {"cancelled", kFour, add(std::nullopt, true), "A/0* Sub/1 U/2 Bad/3", 0u, D::BuiltIn},
        {"below the selection", kFour, add(CommandType::UserDefined, true),
         "A/0 " + enter + "/0* Sub/1 U/2 Bad/3", 1u, D::UserDefined},
        {"no selection: at the top", kFour, add(CommandType::SubFolder, false),
         sub + "/1* A/2 Sub/1 U/2 Bad/3", 0u, D::BuiltIn},
        {"into an empty list", u"", add(CommandType::Configure, false),
         Printable(MessageText(MessageId::NewNameConfigure)) + "/0*", 0u, D::BuiltIn},
    });
    Scene scene(kFour);
    scene.view.Type(EditorField::Name, u"Stored first");
    scene.view.newCommandAnswer = CommandType::UserDefined;
    scene.editor.AddCommand();
    EXPECT_EQ(Printable(scene.editor.Commands()[0].name), "Stored first");
    EXPECT_TRUE(scene.view.nameFocused);
    EXPECT_EQ(scene.view.fields[EditorField::Name].selStart, 0u);
    EXPECT_EQ(scene.view.Shown(EditorField::ItemSeparator), "\\n");
    // Its empty format shows no problem until it is checked.
    EXPECT_EQ(scene.view.display, EditorDisplay::UserDefined);
    scene.editor.ItemFormatLostFocus();
    EXPECT_EQ(scene.view.display, EditorDisplay::UserDefinedWithProblem);
    EXPECT_EQ(scene.view.items[1].mark, StateMark::Problem);
}

TEST(CommandEditor, ResetsToTheDefaultListAfterConfirmation) {
    using D = EditorDisplay;
    const auto reset = [](bool answer) {
        return [answer](Scene& s) {
            s.view.Type(EditorField::Name, u"Edited");
            s.view.confirmAnswer = answer;
            s.editor.ResetCommands();
        };
    };
    RunListRows({
        {"cancelled", kFour, reset(false), "A/0* Sub/1 U/2 Bad/3", 0u, D::BuiltIn},
        {"confirmed", kFour, reset(true), "Copy/0 Paths/0", std::nullopt, D::NoCommand},
    });
    // Without a default list the user's list stays, and the user is told.
    Scene scene(kFour);
    scene.storage.defaultText.reset();
    scene.editor.ResetCommands();
    EXPECT_EQ(scene.view.messages.size(), 2u);
    EXPECT_EQ(scene.view.List(), "A/0* Sub/1 U/2 Bad/3");
}

TEST(CommandEditor, FailedSaveKeepsTheDialogOpenWithItsEdits) {
    Scene scene(u"U:$name[]\n");
    scene.view.Type(EditorField::ItemSeparator, u"; ");
    scene.storage.failWith = u"Failed to create file 'x'";
    EXPECT_FALSE(scene.editor.SaveAndClose());
    EXPECT_FALSE(scene.view.closed);
    ASSERT_EQ(scene.view.messages.size(), 1u);
    EXPECT_EQ(Printable(scene.view.messages[0]), "Failed to create file 'x'");
    EXPECT_EQ(scene.view.Shown(EditorField::ItemSeparator), Printable(u";\u00B7"));

    scene.storage.failWith.reset();
    EXPECT_TRUE(scene.editor.SaveAndClose());
    EXPECT_TRUE(scene.view.closed);
    EXPECT_EQ(scene.Saved(), "U:$name[; ]\n");
}

TEST(CommandEditor, OkChecksTheListThenAsksBeforeWritingOverAChangedFile) {
    for (const std::u16string_view name : {u"Mine", u"  "}) {
        Scene scene(u"U:$name[]\n");
        scene.storage.check = FileCheck::Changed;  // the user goes back to the list
        scene.view.Type(EditorField::Name, name);
        EXPECT_FALSE(scene.editor.SaveAndClose());
        // A blank name is refused before the file is looked at.
        ASSERT_EQ(scene.view.messages.size(), 1u);
        EXPECT_EQ(Printable(scene.view.messages[0]),
                  name == u"Mine" ? "changed" : Printable(FormatMessageText(MessageId::NameBlank, {1})));
        EXPECT_EQ(scene.Saved(), "(not saved)");
        EXPECT_EQ(scene.view.List(), Printable(name) + "/0*");
    }
    Scene deleted(u"U:$name[]\n");  // No to saving a deleted file again keeps the list as edited
    deleted.storage.check = FileCheck::Deleted;
    deleted.view.confirmAnswer = false;
    deleted.view.Type(EditorField::Name, u"Mine");
    EXPECT_FALSE(deleted.editor.SaveAndClose());
    EXPECT_EQ(deleted.Saved(), "(not saved)");
    EXPECT_EQ(deleted.view.List(), "Mine/0*");
}

TEST(CommandEditor, RefusedSaveFocusesTheFieldAtFault) {
    struct Row {
        std::function<void(FakeView&)> edit;
        std::size_t selected;
        EditorField field;
    };
    const Row rows[] = {
        {[](FakeView& v) { v.Type(EditorField::Name, u";x"); }, 0, EditorField::Name},
        {[](FakeView& v) {
             v.Click(1);
             v.Paste(EditorField::EndText, std::u16string(kMaxCommandLineLength, u'e'));
             v.Click(0);
         },
         1, EditorField::EndText},
        // The field the check names, not the longest one; a blank name by the check's blanks.
        {[](FakeView& v) {
             v.Click(1);
             std::u16string format;
             for (int i = 0; i < 400; ++i) {
                 format += u"$name";
             }
             v.Paste(EditorField::ItemFormat, format);
             v.Paste(EditorField::ItemSeparator, std::u16string(kMaxRunLength + 1, u'e'));
         },
         1, EditorField::ItemSeparator},
        {[](FakeView& v) {
             v.Click(1);
             v.Paste(EditorField::Name, u"\v");
         },
         1, EditorField::Name},
    };
    for (const Row& row : rows) {
        Scene scene(u"A:%QUILLET\nU:$name[]\n");
        row.edit(scene.view);
        EXPECT_FALSE(scene.editor.SaveAndClose());
        EXPECT_EQ(scene.view.SelectedItem(), row.selected);
        EXPECT_EQ(scene.view.focused, row.field);
    }
}

TEST(CommandEditor, ClosingAsksOnlyWhenSomethingChanged) {
    struct Row {
        const char* what;
        std::function<void(Scene&)> act;
        bool asks;
    };
    const Row rows[] = {
        {"nothing", [](Scene&) {}, false},
        {"browsing", [](Scene& s) { s.view.Click(2), s.view.Click(3), s.view.ClickEmpty(); }, false},
        {"a name typed and typed back",
         [](Scene& s) { s.view.Type(EditorField::Name, u"x"), s.view.Type(EditorField::Name, u"A"); }, false},
        {"a field still on show", [](Scene& s) { s.view.Click(2), s.view.Type(EditorField::EndText, u"x"); },
         true},
        {"a move", [](Scene& s) { s.editor.MoveCommand(1); }, true},
        {"a delete", [](Scene& s) { s.editor.DeleteCommand(); }, true},
        {"after a save", [](Scene& s) { s.editor.DeleteCommand(), s.editor.SaveAndClose(); }, false},
    };
    for (const Row& row : rows) {
        Scene scene(kFour);
        row.act(scene);
        scene.view.messages.clear();
        scene.view.confirmAnswer = false;
        EXPECT_EQ(scene.editor.MayDiscard(), !row.asks) << row.what;
        EXPECT_EQ(scene.view.messages.size(), row.asks ? 1u : 0u) << row.what;
    }
}

TEST(CommandEditor, ItemFormatProblemsNameEveryFaultyReference) {
    const auto at = [](int position, MessageId id, std::initializer_list<MessageArg> args) {
        return FormatMessageText(MessageId::ProblemAtPosition, {position, FormatMessageText(id, args)});
    };
    struct Row {
        std::u16string_view format;
        std::u16string problems;
    };
    const Row rows[] = {
        {u"$name $size:kb", u""},
        {u"$name $size:zz $bogus", at(7, MessageId::InvalidParameterTag, {u"zz", u"size"}) + u"\r\n" +
                                       at(16, MessageId::NoSuchAttribute, {u"bogus"})},
        {u"a $ b", at(3, MessageId::DollarWithoutAttribute, {})},
        {u"text only", FormatMessageText(MessageId::NoItemVariables)},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Printable(ItemFormatProblems(row.format)), Printable(row.problems))
            << Printable(row.format);
    }
    // A fault read from the file reads as the check while typing words it, before and after a keystroke
    // that leaves the fault as it is.
    Scene scene(u"Bad:$nope[]\n");
    EXPECT_EQ(Printable(scene.view.problemText), Printable(at(1, MessageId::NoSuchAttribute, {u"nope"})));
    const std::u16string opened = scene.view.problemText;
    scene.view.Type(EditorField::ItemFormat, u"$nope ");
    scene.editor.FieldEdited(EditorField::ItemFormat, 6, false);
    EXPECT_EQ(Printable(scene.view.problemText), Printable(opened));
}

TEST(CommandEditor, UntouchedFieldsAreSavedAsRead) {
    // Every command becomes current and is stored; a "\u00B7" read from the file stays one in a field
    // the user left as shown, also after a change that was taken back.
    const std::u16string_view file = u"Dots:$name\u00B7[\u00B7]a\u00B7|b\u00B7\nA:%QUILLET\nBad:$x]y[]\n";
    Scene scene(file);
    scene.view.Type(EditorField::ItemFormat, u"$size");
    scene.editor.ItemFormatLostFocus();
    scene.view.Paste(EditorField::ItemFormat, u"$name\u00B7");
    for (std::size_t i : {1, 2, 0}) {
        scene.view.Click(i);
    }
    ASSERT_TRUE(scene.editor.SaveAndClose());
    EXPECT_EQ(scene.Saved(), Printable(file));
    // A changed field keeps the dot it read; the new one is a space.
    scene.view.Type(EditorField::StartText, u"a\u00B7 c");
    scene.view.Click(1);
    EXPECT_EQ(Printable(scene.editor.Commands()[0].format.startText), Printable(u"a\u00B7 c"));
}

#ifndef _WIN32
TEST(CommandEditor, OpensTheUserFileElseTheDefaultAndSavesTheUserFile) {
    test::TempFolder folder;
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string previous = saved ? saved : "";
    ::setenv("XDG_CONFIG_HOME", Utf16ToUtf8(folder.PathOf(u"config")).c_str(), 1);

    CommandFileStorage files;
    std::u16string error;
    const std::size_t defaults = files.LoadDefault(error).value_or(CommandList{}).size();
    EXPECT_GE(defaults, 10u);
    EXPECT_EQ(files.Load().size(), defaults);  // no user file yet
    EXPECT_TRUE(files.Save(MemoryStorage::Parse(u"Mine:$name[, ]"), error)) << Printable(error);
    const CommandList mine = files.Load();
    ASSERT_EQ(mine.size(), 1u);
    EXPECT_EQ(Printable(mine[0].format.itemSeparator), ", ");
    std::filesystem::remove(std::filesystem::path(Utf16ToUtf8(userCommandFile())));
    std::u16string message;
    EXPECT_EQ(files.CheckUnchanged(message), FileCheck::Deleted);  // another program deleted it

    saved ? ::setenv("XDG_CONFIG_HOME", previous.c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");
}
#endif

TEST(VisibleSpace, SpacesShowAsDotsAndOnlyEditedDotsBecomeSpaces) {
    EXPECT_EQ(Printable(ToDisplayForm(u" a  b\\n\t")), Printable(u"\u00B7a\u00B7\u00B7b\\n\t"));
    struct Row {
        std::u16string_view stored, shown;  // shown after the edit
        std::optional<std::size_t> caret;
        bool realDots;
        std::u16string_view expected;
    };
    const Row rows[] = {
        {u"ab", u"a\u00B7b", 2, false, u"a b"},               // a space typed
        {u"ab", u"a\u00B7b", 2, true, u"a\u00B7b"},           // a real dot typed
        {u"a\u00B7b", u"a\u00B7bc", 4, false, u"a\u00B7bc"},  // a real dot beside an edit
        {u"a\u00B7 b", u"a\u00B7b", 2, false, u"a\u00B7b"},   // the space deleted
        {u"a\u00B7 b", u"a\u00B7b", 1, false, u"a b"},        // the real dot deleted
        {u"\u00B7x \u00B7", u"\u00B7y\u00B7\u00B7", std::nullopt, false, u"\u00B7y \u00B7"},  // unreported
    };
    for (const Row& row : rows) {
        VisibleSpaceText text(row.stored);
        text.Edit(row.shown, row.caret, row.realDots);
        EXPECT_EQ(Printable(text.Stored()), Printable(row.expected)) << Printable(row.shown);
    }
    EXPECT_EQ(VisibleTypedCharacter(u' '), kVisibleSpace);
    EXPECT_EQ(VisibleTypedCharacter(kVisibleSpace), kVisibleSpace);
    EXPECT_EQ(VisibleTypedCharacter(u'\t'), u'\t');
}

TEST(AttributePicker, BuildsTheCheckedRowsReference) {
    using L = AttributeList;
    using R = AttributeRow;
    struct Step {
        std::optional<R> check;
        L list;
        int index;
    };
    struct Row {
        std::vector<Step> steps;
        std::u16string_view reference;
    };
    const Row rows[] = {
        {{}, u"$name;"},
        {{{R::Path, L::PathSeparator, 2}, {std::nullopt, L::PathForm, 1}}, u"$folder:forwardslash;"},
        {{{R::Date, L::DateStamp, 2}, {std::nullopt, L::DateForm, 3}}, u"$credate:longdate;"},
        {{{R::Size, L::SizeUnit, 4}}, u"$size:auto;"},
        {{{R::Path, L::PathSeparator, 2}, {R::Size, L::SizeUnit, 1}, {R::Path, L::PathForm, 0}},
         u"$path:forwardslash;"},
        {{{R::Path, L::PathSeparator, 4}}, u"$path:url;"},
        {{{R::Path, L::PathForm, 2}}, u"$repopath:backslash;"},  // as the separator list shows
        {{{R::Path, L::PathForm, 2}, {std::nullopt, L::PathSeparator, 2}}, u"$repopath;"},
        // A form the path in a working tree does not take: the list chosen last wins.
        {{{R::Path, L::PathSeparator, 3}, {std::nullopt, L::PathForm, 2}}, u"$repopath;"},
        {{{R::Path, L::PathForm, 2}, {std::nullopt, L::PathSeparator, 5}}, u"$path:wsl;"},
        {{{R::Type, L::NameForm, 1}}, u"$type;"},                             // every list disabled
        {{{R::Size, L::NameForm, 2}, {R::Name, L::SizeUnit, 9}}, u"$name;"},  // disabled list, bad index
    };
    for (const Row& row : rows) {
        AttributePicker picker;
        for (const Step& step : row.steps) {
            if (step.check) {
                picker.Check(*step.check);
            }
            picker.Choose(step.list, step.index);
        }
        EXPECT_EQ(Printable(picker.Reference()), Printable(row.reference));
        EXPECT_EQ(picker.IsEnabled(L::SizeUnit), picker.Checked() == R::Size);
    }
    // Every entry of every row makes a reference that the item format parser takes, whatever was chosen
    // in the row's other list before.
    for (int i = 0; i < kAttributeListCount; ++i) {
        const auto list = static_cast<L>(i);
        for (std::size_t entry = 0; entry < EntriesOf(list).size(); ++entry) {
            AttributePicker picker;
            picker.Check(RowOf(list));
            picker.Choose(list == L::PathForm ? L::PathSeparator : L::PathForm, 3);
            picker.Choose(list, static_cast<int>(entry));
            const std::u16string reference = picker.Reference();
            EXPECT_TRUE(
                ParseItemFormat(FormatCursor(reference), EscapeMode::EditorEscapes, FormatPlacement::Alone)
                    .Valid())
                << Printable(reference);
        }
    }
}

TEST(CommandTypeTexts, NewCommandListHasEveryTypeOnce) {
    const std::span<const CommandType> order = NewCommandOrder();
    ASSERT_EQ(order.size(), CommandTypes().size());
    EXPECT_EQ(order.front(), CommandType::UserDefined);
    EXPECT_EQ(order.back(), CommandType::SubFolder);
    std::set<int> seen;
    std::set<std::u16string_view> fieldTexts;
    for (const CommandType type : order) {
        seen.insert(static_cast<int>(type));
        EXPECT_EQ(InfoOf(type).type, type);
        fieldTexts.insert(MessageText(InfoOf(type).typeField));
    }
    EXPECT_EQ(seen.size(), order.size());
    EXPECT_EQ(fieldTexts.size(), order.size());
    EXPECT_EQ(InfoOf(static_cast<CommandType>(42)).type, CommandType::UserDefined);
}

TEST(CommandEditor, KeepsEveryLineItDoesNotChange) {
    const std::u16string_view file =
        u"; mine\r\nA:%QUILLET\r\nno colon\n\nL:%quillet\r\nUnclosed:$name[\r; end\r\n";
    Scene scene(file);
    EXPECT_EQ(scene.view.List(), "A/0* no colon/3 L:%quillet/3 Unclosed/0");
    // A line that is no command shows its text and why.
    scene.view.Click(2);
    EXPECT_EQ(scene.view.display, EditorDisplay::BuiltIn);
    EXPECT_EQ(scene.view.Shown(EditorField::Type), "Line Not Read");
    EXPECT_EQ(scene.view.Shown(EditorField::Name), "L:%quillet");
    EXPECT_NE(scene.view.description.find(
                  FormatMessageText(MessageId::UnknownBuiltInCommand, {u"L", 4, u"quillet"})),
              std::u16string::npos);
    for (std::size_t i : {3, 1, 0}) {
        scene.view.Click(i);
    }
    ASSERT_TRUE(scene.editor.SaveAndClose());
    EXPECT_EQ(scene.Saved(), Printable(file));

    // Corrected, it becomes the command it now says; deleted, the lines above it stay.
    scene.view.Click(2);
    scene.view.Type(EditorField::Name, u"Fixed:%OPTIONS");
    scene.view.Click(1);
    EXPECT_EQ(scene.view.List(), "A/0 no colon/3* Fixed/0 Unclosed/0");
    scene.view.Type(EditorField::Name, u"still no colon");
    scene.view.Click(0);
    EXPECT_EQ(scene.view.List(), "A/0* still no colon/3 Fixed/0 Unclosed/0");
    scene.editor.DeleteCommand();
    scene.view.Click(1);
    scene.view.Type(EditorField::Name, u"Renamed");
    ASSERT_TRUE(scene.editor.SaveAndClose());
    EXPECT_EQ(scene.Saved(),
              Printable(u"; mine\r\nstill no colon\n\nRenamed:%OPTIONS\r\nUnclosed:$name[\r; end\r\n"));
}

TEST(CommandEditor, AsksOnceBeforeSavingAnotherEncodingAsUtf8) {
    CommandList list = MemoryStorage::Parse(u"A:%QUILLET\r\n");
    list.form.encoding = TextEncoding::Utf16LE;
    Scene scene(std::move(list));
    scene.view.confirmAnswer = false;
    EXPECT_FALSE(scene.editor.SaveAndClose());
    EXPECT_EQ(scene.Saved(), "(not saved)");
    ASSERT_EQ(scene.view.messages.size(), 1u);
    EXPECT_EQ(scene.view.messages[0], FormatMessageText(MessageId::ConfirmSaveAsUtf8, {u"UTF-16 LE"}));
    scene.view.confirmAnswer = true;
    scene.storage.failWith = u"Failed";
    EXPECT_FALSE(scene.editor.SaveAndClose());
    scene.storage.failWith.reset();
    EXPECT_TRUE(scene.editor.SaveAndClose());
    EXPECT_EQ(scene.view.messages.size(), 3u);  // the question twice, then the failure; not again
    EXPECT_EQ(scene.Saved(), "A:%QUILLET\r\n");
}

}  // namespace
}  // namespace quillet
