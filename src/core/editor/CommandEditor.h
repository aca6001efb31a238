// The rules of the configuration dialog, apart from any window: the command list being edited, the
// current command and the selection, what the Selected Command group shows, how its fields go back
// into the command, the state marks of the list, and the list operations of its buttons. The dialog
// implements the View, forwards each event here and does what the calls tell it; tests drive the same
// calls with a view that records them.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/commands/Command.h"
#include "core/editor/VisibleSpace.h"

namespace quillet {

struct CommandListFault;

// The fields of the Selected Command group that hold text.
enum class EditorField { Type, Name, ItemFormat, ItemSeparator, StartText, EndText };

// What the Selected Command group shows. NoCommand: Type and Name empty and disabled, the empty
// description panel. BuiltIn: the description panel. UserDefined: the user-defined fields with the
// full-width Item Format field. UserDefinedWithProblem: the same with the narrow Item Format field and
// the problem button.
enum class EditorDisplay { NoCommand, BuiltIn, UserDefined, UserDefinedWithProblem };

// The parts of the Selected Command group that a display shows or greys: the Type and Name fields,
// the user-defined fields, the description panel, the problem button and text. Other controls are in
// no part: the display leaves them as they are.
enum class EditorPart { None, CommandFields, UserDefinedFields, Description, Problem };
bool IsShown(EditorDisplay display, EditorPart part);
bool IsEnabled(EditorDisplay display, EditorPart part);

// The state mark of a list item, which is also its state image.
enum class StateMark { None = 0, SubMenu = 1, InSubMenu = 2, Problem = 3 };

// Whether the command file still holds what the editor's list was read from.
enum class FileCheck { Unchanged, Changed, Deleted, Unreadable };

// The user's answer when the command file changed since it was read.
enum class ChangedFileAnswer { Overwrite, Reload, GoBack };

// The entries of the drop-down lists beside the item separator, start text and end text.
enum class EscapeChoice { Insert = 0, Newline = 1, Tab = 2 };

// Which list buttons would do something: Move Up and Move Down need a neighbour on their side, all
// three a selected command.
struct ListActions {
    bool moveUp = false;
    bool moveDown = false;
    bool remove = false;
    bool operator==(const ListActions&) const = default;
};

// The editor's check of an item format: every reference at fault, each named with its position
// (counted from 1 in the field as shown), one per line; empty when the format is valid.
std::u16string ItemFormatProblems(std::u16string_view format);

// The mark of each command at its place in the list: a sub-menu command SubMenu, a command below one
// InSubMenu, a user-defined command with an error and a line that is no command Problem wherever they
// stand.
std::vector<StateMark> StateMarks(const CommandList& list);

class CommandEditor {
  public:
    // What the dialog does on the editor's behalf. List items are addressed by index and are always in
    // the order of the command list.
    class View {
      public:
        virtual ~View() = default;

        // The list view.
        virtual void InsertItem(std::size_t index, std::u16string_view name, StateMark mark) = 0;
        virtual void DeleteItem(std::size_t index) = 0;
        virtual void DeleteAllItems() = 0;
        virtual void SetItemText(std::size_t index, std::u16string_view name) = 0;
        virtual void SetItemMark(std::size_t index, StateMark mark) = 0;
        // Makes the item selected and focused and scrolls it into view.
        virtual void SelectItem(std::size_t index) = 0;

        // The Selected Command group.
        virtual void ShowDisplay(EditorDisplay display) = 0;
        virtual void SetDescription(std::u16string_view text) = 0;
        virtual std::u16string FieldText(EditorField field) const = 0;
        virtual void SetFieldText(EditorField field, std::u16string_view text) = 0;
        // Replaces the selection the user made in the field (or inserts at its caret) as one edit that
        // the field's undo takes back, and leaves the caret after it.
        virtual void ReplaceFieldSelection(EditorField field, std::u16string_view text) = 0;
        // The current command's item format problems as they stand (empty: none).
        virtual void ShowProblemText(std::u16string_view text) = 0;
        // Enables the list buttons that would do something.
        virtual void EnableListActions(ListActions actions) = 0;
        virtual bool NewlineChecked() const = 0;
        virtual void SetNewlineChecked(bool checked) = 0;
        // Sets the drop-down list beside a field back to "Insert".
        virtual void ResetEscapeList(EditorField field) = 0;
        // The most characters the Name field takes.
        virtual void LimitName(std::size_t length) = 0;
        // Selects the whole Name field, scrolls its caret into view and gives it the focus.
        virtual void FocusNameSelectingAll() = 0;
        // Gives a field the focus, its whole text selected.
        virtual void FocusField(EditorField field) = 0;

        // The New Command dialog, preset to a type: the chosen type, or none on Cancel.
        virtual std::optional<CommandType> RunNewCommandDialog(CommandType preset) = 0;
        // The Insert File/Folder Attribute dialog: the reference to insert, or none on Cancel.
        virtual std::optional<std::u16string> RunInsertDialog() = 0;
        // A message box captioned with the program's name: OK only, or a question with Yes and No
        // (true for Yes).
        virtual void ShowMessage(std::u16string_view text) = 0;
        virtual bool Ask(std::u16string_view text) = 0;
        // The command file changed since it was read: the question, answered by the user.
        virtual ChangedFileAnswer AskChangedFile(std::u16string_view text) = 0;
        // Ends the dialog.
        virtual void Close() = 0;

      protected:
        View() = default;
    };

    // Where the lists come from and go: the command files, or memory in tests.
    class Storage {
      public:
        virtual ~Storage() = default;
        // The list to edit, read as the configuration program reads; what was read is remembered for
        // CheckUnchanged.
        virtual CommandList Load() = 0;
        // Why the last Load could not read the file, as the message to show; empty when it could.
        virtual std::u16string ReadProblem() const = 0;
        // The default command list, read as the configuration program reads; none, with the message
        // to show, when there is no default list to read.
        virtual std::optional<CommandList> LoadDefault(std::u16string& error) = 0;
        // Whether the file still holds what Load read (its bytes, not only its time); Changed and
        // Deleted with the question to ask, Unreadable with the message to show.
        virtual FileCheck CheckUnchanged(std::u16string& message) = 0;
        // Whether Load read the list from the file that Save writes (not the default list, nor
        // nothing from a file it could not read).
        virtual bool LoadedSaveTarget() const = 0;
        // Writes the list; false with the message to show.
        virtual bool Save(const CommandList& list, std::u16string& error) = 0;

      protected:
        Storage() = default;
    };

    // The view and the storage belong to the caller and outlive the editor.
    CommandEditor(CommandList commands, View& view, Storage& storage);

    // The dialog's opening: the Name field's limit, the items with their marks, the first command
    // current and selected.
    void Open();
    // Once the dialog shows: why the command file could not be read, if it could not.
    void ReportReadProblem();

    // The list's column header: a list longer than the menu takes says so above the commands.
    std::u16string ListHeader() const;

    // What the editor holds.
    const CommandList& Commands() const { return commands_; }
    // What a screen reader says of a list item beyond its name: an item with the warning mark says its
    // problem (the line's reason, or the item format's problems); empty for any other item.
    std::u16string ItemAnnouncement(std::size_t index) const;

    // Events of the list view. A notification that the editor's own calls cause is ignored.
    void ItemSelected(std::size_t index);
    void SelectionCleared();

    // Events of the fields.
    void NameLostFocus();
    void ItemFormatLostFocus() { CheckItemFormat(); }
    // A visible-whitespace field's text changed; the caret after the change, and whether the user
    // typed a real "·" (rather than a space, which the field shows as one). The item format is checked
    // at each change.
    void FieldEdited(EditorField field, std::optional<std::size_t> caret, bool realDotTyped);
    // F2 in the list: the Name field of the selected command takes the focus.
    void RenameSelected();
    void InsertEscape(EditorField field, EscapeChoice choice);
    void InsertAttribute();
    void ShowProblem();

    // The buttons.
    void MoveCommand(int direction);
    // Asks first; a question that also warns when the command is the list's last Configure command.
    void DeleteCommand();
    void AddCommand();
    void ResetCommands();
    // OK: stores the current command and writes the list; a list read from that file and left as read
    // is not written, and nothing is asked. A list the reader would not take whole, a
    // file that cannot be read, or a file changed since it was read (unless the user chooses to
    // overwrite it) is not written; a list read in another encoding than UTF-8 is written in UTF-8
    // once the user agreed, asked the first time. Closes on success; otherwise the dialog stays open
    // with every edit, for another OK or Cancel, or with the file reloaded when the user chose that. A
    // refused list selects the command at fault and focuses its field.
    bool SaveAndClose();
    // Esc, Cancel, the close box: true when the dialog may close, asking first when the list or the
    // fields on show differ from what was opened.
    bool MayDiscard();
    // Whether saving now would write something other than what was opened.
    bool HasChanges();

    // The rules the events share.
    void StoreCurrentCommand();
    void CheckItemFormat();
    void UpdateMarks();

  private:
    // Marks the editor's own calls to the view, so that the notifications they cause are ignored.
    class Updating {
      public:
        explicit Updating(CommandEditor& editor) : editor_(editor), was_(editor.updating_) {
            editor.updating_ = true;
        }
        ~Updating() { editor_.updating_ = was_; }
        Updating(const Updating&) = delete;
        Updating& operator=(const Updating&) = delete;

      private:
        CommandEditor& editor_;
        bool was_;
    };

    // Fills the Selected Command group with a command, or empties it; only for the current command.
    void ShowCommand(std::optional<std::size_t> index);
    // The selection rule: the previous command stored, the item's command current and shown.
    void MakeCurrent(std::size_t index);
    // Selects an item as the editor's own doing and applies the selection rule.
    void SelectAndMakeCurrent(std::size_t index);
    void FillList();
    // Fills the list and makes the first command current, as the dialog opens.
    void ShowList();
    // The list read again from the command file, the edits dropped.
    void ReloadCommands();
    void ShowListActions();
    // Selects the command at fault and focuses its field.
    void FocusFault(const CommandListFault& fault);
    bool CurrentIsUserDefined() const;
    // Stores one of the four visible-space fields (in the order Item Format, Item Separator, Start
    // Text, End Text) into the current command.
    void StoreSpacedField(std::size_t index, CopyFormat& format);
    // Reads an unreadable entry's edited text again: a command now, or still a line with its reason.
    void ReadLineAgain(std::size_t index);

    CommandList commands_;
    View& view_;
    Storage& storage_;
    std::u16string openedText_;     // the list as opened, in the command file's form
    std::vector<StateMark> marks_;  // as the list view shows them
    // The current command's four visible-space fields, with what each dot stands for.
    std::array<VisibleSpaceText, 4> spacedTexts_;
    std::u16string shownName_;  // the Name field's text as ShowCommand left it
    bool encodingAccepted_ = false;
    bool formatChecked_ = false;  // the current command's item format was checked since it was shown
    std::u16string formatShown_;  // and the Item Format field as it was shown
    std::optional<std::size_t> current_;
    std::optional<std::size_t> selected_;
    bool updating_ = false;
};

// The command files: the per-user file when it exists, else the default list beside the program;
// saving to the per-user file (its folders created on the way). A per-user file that exists but
// cannot be read gives an empty list and a problem to report, never the default list, so that
// nothing is saved over a file the user never saw.
class CommandFileStorage final : public CommandEditor::Storage {
  public:
    CommandList Load() override;
    std::u16string ReadProblem() const override { return readProblem_; }
    std::optional<CommandList> LoadDefault(std::u16string& error) override;
    FileCheck CheckUnchanged(std::u16string& message) override;
    bool LoadedSaveTarget() const override { return found_ == Found::Bytes; }
    bool Save(const CommandList& list, std::u16string& error) override;

  private:
    // What the per-user file held when it was last read or written: its bytes, no file, or nothing
    // that could be read.
    enum class Found { Bytes, NoFile, Unreadable };

    std::u16string path_;
    Found found_ = Found::NoFile;
    std::string bytes_;
    std::u16string readProblem_;
};

}  // namespace quillet
