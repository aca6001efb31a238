#include "core/editor/CommandEditor.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>

#include "core/commands/CommandFile.h"
#include "core/editor/CommandTypeTexts.h"
#include "core/editor/VisibleSpace.h"
#include "core/format/ItemFormat.h"
#include "core/menu/CommandMenu.h"
#include "core/messages/Messages.h"
#include "platform/Files.h"

namespace quillet {
namespace {

// The user-defined fields that show their text with visible spaces, with the command's member.
struct SpacedField {
    EditorField field;
    std::u16string CopyFormat::*member;
};
constexpr SpacedField kSpacedFields[] = {
    {EditorField::ItemFormat, &CopyFormat::formatText},
    {EditorField::ItemSeparator, &CopyFormat::itemSeparator},
    {EditorField::StartText, &CopyFormat::startText},
    {EditorField::EndText, &CopyFormat::endText},
};

bool HasEscapeList(EditorField field) {
    return field == EditorField::ItemSeparator || field == EditorField::StartText ||
           field == EditorField::EndText;
}

std::size_t ConfigureCommandCount(const CommandList& list) {
    return static_cast<std::size_t>(std::count_if(list.begin(), list.end(), [](const Command& command) {
        return command.type == CommandType::Configure;
    }));
}

}  // namespace

std::u16string ItemFormatProblems(std::u16string_view format) {
    // The parser decides whether the format is valid; the walk below only names each reference at fault.
    ParsedItemFormat parsed =
        ParseItemFormat(FormatCursor(format), EscapeMode::EditorEscapes, FormatPlacement::Alone);
    if (parsed.Valid()) {
        return {};
    }
    std::u16string problems;
    FormatCursor cursor(format);
    for (;;) {
        ReadRun(cursor, u"$", EscapeMode::EditorEscapes);
        const char16_t c = cursor.Peek();
        if (c == u'\0' || c == u'\n') {
            break;
        }
        if (c != u'$') {
            continue;  // the run stopped because it was full
        }
        const std::int32_t at = cursor.Position();
        const std::u16string fault = ParseAttribute(cursor).error;
        if (!fault.empty()) {
            problems +=
                (problems.empty() ? u"" : u"\r\n") +
                FormatMessageText(MessageId::ProblemAtPosition, {static_cast<std::int64_t>(at) + 1, fault});
        }
    }
    return problems.empty() ? std::move(parsed.error) : problems;
}

std::vector<StateMark> StateMarks(const CommandList& list) {
    std::vector<StateMark> marks;
    marks.reserve(list.size());
    bool belowSubMenu = false;  // never reset: a second sub-menu command marks what follows it too
    for (const Command& command : list) {
        if (!command.unreadable.empty()) {
            marks.push_back(StateMark::Problem);
        } else if (OpensSubMenu(command.type)) {
            marks.push_back(StateMark::SubMenu);
            belowSubMenu = true;
        } else if (command.type == CommandType::UserDefined && !command.format.errorText.empty()) {
            marks.push_back(StateMark::Problem);
        } else {
            marks.push_back(belowSubMenu ? StateMark::InSubMenu : StateMark::None);
        }
    }
    return marks;
}

CommandEditor::CommandEditor(CommandList commands, View& view, Storage& storage)
    : commands_(std::move(commands)),
      view_(view),
      storage_(storage),
      openedText_(CommandFileText(commands_)) {}

void CommandEditor::Open() {
    const Updating updating(*this);
    view_.LimitName(kMaxCommandNameLength);
    ShowList();
}

void CommandEditor::ShowList() {
    FillList();
    ShowCommand(std::nullopt);
    if (!commands_.empty()) {
        SelectAndMakeCurrent(0);
    }
    ShowListActions();
}

void CommandEditor::ShowListActions() {
    ListActions actions;
    if (selected_) {
        actions.moveUp = *selected_ > 0;
        actions.moveDown = *selected_ + 1 < commands_.size();
        actions.remove = true;
    }
    view_.EnableListActions(actions);
}

void CommandEditor::ReportReadProblem() {
    if (const std::u16string problem = storage_.ReadProblem(); !problem.empty()) {
        view_.ShowMessage(problem);
    }
}

void CommandEditor::FillList() {
    marks_ = StateMarks(commands_);
    for (std::size_t i = 0; i < commands_.size(); ++i) {
        view_.InsertItem(i, commands_[i].name, marks_[i]);
    }
}

void CommandEditor::ItemSelected(std::size_t index) {
    if (updating_ || index >= commands_.size()) {
        return;
    }
    const Updating updating(*this);
    selected_ = index;
    MakeCurrent(index);
    ShowListActions();
}

void CommandEditor::SelectionCleared() {
    // Nothing selected, nothing on show: the fields would otherwise edit a command the list no longer
    // points at.
    if (updating_) {
        return;
    }
    const Updating updating(*this);
    StoreCurrentCommand();
    selected_.reset();
    current_.reset();
    ShowCommand(std::nullopt);
    ShowListActions();
}

void CommandEditor::RenameSelected() {
    if (selected_ && current_ == selected_) {
        view_.FocusNameSelectingAll();
    }
}

void CommandEditor::MakeCurrent(std::size_t index) {
    StoreCurrentCommand();
    current_ = index;
    ShowCommand(index);
}

void CommandEditor::SelectAndMakeCurrent(std::size_t index) {
    selected_ = index;
    view_.SelectItem(index);
    MakeCurrent(index);
}

bool CommandEditor::CurrentIsUserDefined() const {
    return current_ && commands_[*current_].type == CommandType::UserDefined &&
           commands_[*current_].unreadable.empty();
}

void CommandEditor::ShowCommand(std::optional<std::size_t> index) {
    if (!index) {
        view_.SetFieldText(EditorField::Type, u"");
        view_.SetFieldText(EditorField::Name, u"");
        view_.SetDescription(u"");
        view_.ShowProblemText(u"");
        view_.ShowDisplay(EditorDisplay::NoCommand);
        return;
    }
    const Command& command = commands_[*index];
    view_.SetFieldText(EditorField::Name, command.name);
    // As the field holds it, which may differ from the name (an edit control stops at a zero).
    shownName_ = view_.FieldText(EditorField::Name);
    if (!command.unreadable.empty()) {
        view_.SetFieldText(EditorField::Type, MessageText(MessageId::TypeNameUnreadable));
        view_.SetDescription(FormatMessageText(MessageId::UnreadableLineDescription, {command.unreadable}));
        view_.ShowDisplay(EditorDisplay::BuiltIn);
        return;
    }
    view_.SetFieldText(EditorField::Type, MessageText(InfoOf(command.type).typeField));
    if (command.type != CommandType::UserDefined) {
        view_.ShowProblemText(u"");
        view_.SetDescription(DescriptionOf(command.type));
        view_.ShowDisplay(EditorDisplay::BuiltIn);
        return;
    }
    CopyFormat& format = commands_[*index].format;
    // The reader's words for a fault as the check while typing words it, so that a keystroke changes
    // the text only when it changes the fault.
    if (!format.errorText.empty()) {
        if (std::u16string problems = ItemFormatProblems(format.formatText); !problems.empty()) {
            format.errorText = std::move(problems);
        }
    }
    formatChecked_ = false;
    formatShown_ = ToDisplayForm(format.formatText);
    for (std::size_t i = 0; i < std::size(kSpacedFields); ++i) {
        spacedTexts_[i] = VisibleSpaceText(format.*kSpacedFields[i].member);
        view_.SetFieldText(kSpacedFields[i].field, spacedTexts_[i].Shown());
        if (HasEscapeList(kSpacedFields[i].field)) {
            view_.ResetEscapeList(kSpacedFields[i].field);
        }
    }
    view_.SetNewlineChecked(format.newlineAtEnd);
    view_.ShowProblemText(format.errorText);
    view_.ShowDisplay(format.errorText.empty() ? EditorDisplay::UserDefined
                                               : EditorDisplay::UserDefinedWithProblem);
}

void CommandEditor::StoreCurrentCommand() {
    if (!current_) {
        return;
    }
    Command& command = commands_[*current_];
    // A name left as shown stays as read.
    if (std::u16string typed = view_.FieldText(EditorField::Name); typed != shownName_) {
        shownName_ = typed;
        command.name = std::move(typed);
        if (!command.unreadable.empty()) {
            ReadLineAgain(*current_);
        }
    }
    if (CurrentIsUserDefined()) {
        CheckItemFormat();
        for (std::size_t i = 1; i < std::size(kSpacedFields); ++i) {
            StoreSpacedField(i, command.format);
        }
        command.format.newlineAtEnd = view_.NewlineChecked();
    }
    view_.SetItemText(*current_, command.name);
}

void CommandEditor::ReadLineAgain(std::size_t index) {
    // The line it will be on, counted from 0 as the reader counts.
    std::size_t line = index;
    for (std::size_t i = 0; i <= index; ++i) {
        const std::u16string& above = commands_[i].linesBefore;
        line += static_cast<std::size_t>(std::count(above.begin(), above.end(), u'\n'));
    }
    Command& entry = commands_[index];
    Command again =
        ReadEditorLine(entry.name, static_cast<std::int32_t>(std::min<std::size_t>(line, INT32_MAX)));
    again.linesBefore = std::move(entry.linesBefore);
    again.lineEnd = std::move(entry.lineEnd);
    entry = std::move(again);
    UpdateMarks();
    // The entry may now be a command: show it as one.
    ShowCommand(index);
}

void CommandEditor::StoreSpacedField(std::size_t index, CopyFormat& format) {
    // Whatever edit went unreported is taken as one change between the first and last characters
    // that differ: a "·" outside it stays one.
    spacedTexts_[index].Edit(view_.FieldText(kSpacedFields[index].field));
    format.*kSpacedFields[index].member = spacedTexts_[index].Stored();
}

void CommandEditor::FieldEdited(EditorField field, std::optional<std::size_t> caret, bool realDotTyped) {
    if (!CurrentIsUserDefined()) {
        return;
    }
    for (std::size_t i = 0; i < std::size(kSpacedFields); ++i) {
        if (kSpacedFields[i].field == field) {
            spacedTexts_[i].Edit(view_.FieldText(field), caret, realDotTyped);
        }
    }
    // The item format is checked as the user types; a new command's empty field only once the user
    // changed it or left it.
    if (field == EditorField::ItemFormat && !updating_ &&
        (formatChecked_ || spacedTexts_[0].Shown() != formatShown_)) {
        CheckItemFormat();
    }
}

void CommandEditor::CheckItemFormat() {
    if (!CurrentIsUserDefined()) {
        return;
    }
    CopyFormat& format = commands_[*current_].format;
    formatChecked_ = true;
    const bool hadProblem = !format.errorText.empty();
    const std::u16string previous = format.errorText;
    StoreSpacedField(0, format);
    // Checked alone: in the field "[" and "]" are text, which the writer escapes.
    format.errorText = ItemFormatProblems(format.formatText);
    const bool hasProblem = !format.errorText.empty();
    if (format.errorText != previous) {
        view_.ShowProblemText(format.errorText);
    }
    if (hasProblem != hadProblem) {
        view_.ShowDisplay(hasProblem ? EditorDisplay::UserDefinedWithProblem : EditorDisplay::UserDefined);
        UpdateMarks();
    }
}

void CommandEditor::UpdateMarks() {
    std::vector<StateMark> marks = StateMarks(commands_);
    for (std::size_t i = 0; i < marks.size(); ++i) {
        // Only the items whose mark changed are touched: the list view redraws each one it is told of.
        if (i >= marks_.size() || marks_[i] != marks[i]) {
            view_.SetItemMark(i, marks[i]);
        }
    }
    marks_ = std::move(marks);
}

std::u16string CommandEditor::ItemAnnouncement(std::size_t index) const {
    if (index >= marks_.size() || index >= commands_.size() || marks_[index] != StateMark::Problem) {
        return {};
    }
    const Command& command = commands_[index];
    return FormatMessageText(MessageId::AnnouncedProblem,
                             {command.unreadable.empty() ? command.format.errorText : command.unreadable});
}

void CommandEditor::NameLostFocus() {
    if (current_) {
        view_.SetItemText(*current_, view_.FieldText(EditorField::Name));
    }
}

void CommandEditor::InsertEscape(EditorField field, EscapeChoice choice) {
    if (!HasEscapeList(field) || choice == EscapeChoice::Insert || !CurrentIsUserDefined()) {
        return;
    }
    view_.ReplaceFieldSelection(field, choice == EscapeChoice::Newline ? u"\\n" : u"\\t");
    view_.ResetEscapeList(field);
}

void CommandEditor::InsertAttribute() {
    if (!CurrentIsUserDefined()) {
        return;
    }
    const std::optional<std::u16string> reference = view_.RunInsertDialog();
    if (!reference) {
        return;
    }
    view_.ReplaceFieldSelection(EditorField::ItemFormat, *reference);
    CheckItemFormat();
}

void CommandEditor::ShowProblem() {
    if (current_ && !commands_[*current_].format.errorText.empty()) {
        view_.ShowMessage(commands_[*current_].format.errorText);
    }
}

void CommandEditor::MoveCommand(int direction) {
    if (!selected_ || (direction != -1 && direction != 1)) {
        return;
    }
    const std::size_t from = *selected_;
    if ((direction < 0 && from == 0) || (direction > 0 && from + 1 >= commands_.size())) {
        return;
    }
    const std::size_t to = direction < 0 ? from - 1 : from + 1;
    const Updating updating(*this);
    std::swap(commands_[from], commands_[to]);
    std::swap(marks_[from], marks_[to]);
    // The item keeps the text it shows: the Name field's, while the command is current and unstored.
    const std::u16string name = current_ == from ? view_.FieldText(EditorField::Name) : commands_[to].name;
    view_.DeleteItem(from);
    view_.InsertItem(to, name, marks_[to]);
    view_.SelectItem(to);
    // The moved command stays current; the one it passed keeps its own place in current_ if it was.
    if (current_ == from) {
        current_ = to;
    } else if (current_ == to) {
        current_ = from;
    }
    selected_ = to;
    UpdateMarks();
    ShowListActions();
}

void CommandEditor::DeleteCommand() {
    if (!selected_) {
        return;
    }
    const std::size_t at = *selected_;
    const Command& doomed = commands_[at];
    const bool lastConfigure = doomed.type == CommandType::Configure && ConfigureCommandCount(commands_) == 1;
    const std::u16string name = current_ == at ? view_.FieldText(EditorField::Name) : doomed.name;
    if (!view_.Ask(FormatMessageText(
            lastConfigure ? MessageId::ConfirmDeleteLastConfigure : MessageId::ConfirmDelete, {name}))) {
        return;
    }
    const Updating updating(*this);
    const bool wasSubMenu = OpensSubMenu(commands_[at].type);
    // Its pending field edits are dropped with it; the comment and empty lines above it stay.
    current_.reset();
    selected_.reset();
    std::u16string& linesAfter =
        at + 1 < commands_.size() ? commands_[at + 1].linesBefore : commands_.form.linesAtEnd;
    linesAfter.insert(0, commands_[at].linesBefore);
    commands_.erase(commands_.begin() + static_cast<std::ptrdiff_t>(at));
    marks_.erase(marks_.begin() + static_cast<std::ptrdiff_t>(at));
    view_.DeleteItem(at);
    if (commands_.empty()) {
        ShowCommand(std::nullopt);
    } else {
        SelectAndMakeCurrent(std::min(at, commands_.size() - 1));
    }
    if (wasSubMenu) {
        UpdateMarks();
    }
    ShowListActions();
}

void CommandEditor::AddCommand() {
    const std::optional<CommandType> type = view_.RunNewCommandDialog(CommandType::UserDefined);
    if (!type) {
        return;
    }
    const Updating updating(*this);
    Command command{std::u16string(MessageText(InfoOf(*type).newName))};
    command.type = InfoOf(*type).type;
    if (command.type == CommandType::UserDefined) {
        command.format.itemSeparator = u"\\n";
    }
    const std::size_t at = selected_ ? *selected_ + 1 : 0;
    commands_.insert(commands_.begin() + static_cast<std::ptrdiff_t>(at), std::move(command));
    // Its mark comes with UpdateMarks below; until then it shows none.
    marks_.insert(marks_.begin() + static_cast<std::ptrdiff_t>(at), StateMark::None);
    if (current_ && *current_ >= at) {
        ++*current_;
    }
    view_.InsertItem(at, commands_[at].name, StateMark::None);
    SelectAndMakeCurrent(at);
    UpdateMarks();
    ShowListActions();
    view_.FocusNameSelectingAll();
}

void CommandEditor::ResetCommands() {
    if (!view_.Ask(MessageText(MessageId::ConfirmReset))) {
        return;
    }
    // Without a default list the user's list stays: an empty list is no default.
    std::u16string error;
    std::optional<CommandList> defaults = storage_.LoadDefault(error);
    if (!defaults) {
        view_.ShowMessage(error);
        return;
    }
    const Updating updating(*this);
    // The current command's field edits are dropped with the list.
    current_.reset();
    selected_.reset();
    view_.DeleteAllItems();
    commands_ = std::move(*defaults);
    FillList();
    ShowCommand(std::nullopt);
    ShowListActions();
}

bool CommandEditor::SaveAndClose() {
    StoreCurrentCommand();
    // Nothing to write: the file keeps its bytes and time, and no question about it is asked.
    if (storage_.LoadedSaveTarget() && CommandFileText(commands_) == openedText_) {
        view_.Close();
        return true;
    }
    // Refused before the file is looked at: the question about it would be asked for nothing.
    if (const std::optional<CommandListFault> fault = CheckCommandList(commands_)) {
        view_.ShowMessage(fault->message);
        FocusFault(*fault);
        return false;
    }
    std::u16string message;
    switch (storage_.CheckUnchanged(message)) {
        case FileCheck::Unchanged:
            break;
        case FileCheck::Unreadable:
            view_.ShowMessage(message);
            return false;
        case FileCheck::Deleted:
            // Saving makes it again; No goes back to the list, which stays as edited.
            if (!view_.Ask(message)) {
                return false;
            }
            break;
        case FileCheck::Changed:
            switch (view_.AskChangedFile(message)) {
                case ChangedFileAnswer::Overwrite:
                    break;
                case ChangedFileAnswer::Reload:
                    ReloadCommands();
                    return false;
                case ChangedFileAnswer::GoBack:
                    return false;
            }
            break;
    }
    // Once before the first save: a file read in another encoding is written in UTF-8.
    const CommandFileForm& form = commands_.form;
    if ((form.encoding != TextEncoding::Utf8 || form.replacedBytes) && !encodingAccepted_) {
        if (!view_.Ask(FormatMessageText(MessageId::ConfirmSaveAsUtf8, {EncodingName(form)}))) {
            return false;
        }
        encodingAccepted_ = true;
    }
    if (!storage_.Save(commands_, message)) {
        view_.ShowMessage(message);
        return false;
    }
    openedText_ = CommandFileText(commands_);
    view_.Close();
    return true;
}

void CommandEditor::ReloadCommands() {
    {
        const Updating updating(*this);
        current_.reset();
        selected_.reset();
        view_.DeleteAllItems();
        commands_ = storage_.Load();
        encodingAccepted_ = false;  // a new reading, in whatever encoding the file has now
        openedText_ = CommandFileText(commands_);
        ShowList();
    }
    ReportReadProblem();
}

namespace {

CommandFileReading ReadUserFile(const std::u16string& path) {
    return ReadCommandFile(path, EscapeMode::EditorEscapes);
}

std::u16string ReadFailure(MessageId id, const CommandFileReading& reading) {
    return FormatMessageText(id, {reading.path, platform::SystemErrorText(reading.errorCode),
                                  static_cast<std::int64_t>(reading.errorCode)});
}

}  // namespace

CommandList CommandFileStorage::Load() {
    const CommandFilePaths files = CommandFiles();
    path_ = files.user;
    readProblem_.clear();
    bytes_.clear();
    // No user's file: the default list, or an empty one when there is none either.
    CommandFileReading reading = ReadCommandFileInUse(files, EscapeMode::EditorEscapes);
    const bool userFile = reading.path == path_;
    found_ = Found::NoFile;
    if (userFile && reading.status == CommandFileStatus::Read) {
        found_ = Found::Bytes;
        bytes_ = std::move(reading.bytes);
    } else if (userFile && reading.status == CommandFileStatus::Unreadable) {
        found_ = Found::Unreadable;
        readProblem_ = ReadFailure(MessageId::CommandFileUnreadable, reading);
    }
    return std::move(reading.list);  // rejected lines are entries with their reasons, not messages
}

void CommandEditor::FocusFault(const CommandListFault& fault) {
    if (selected_ != fault.index) {
        const Updating updating(*this);
        SelectAndMakeCurrent(fault.index);
        ShowListActions();
    }
    constexpr EditorField kFields[] = {EditorField::Name, EditorField::ItemFormat, EditorField::ItemSeparator,
                                       EditorField::StartText, EditorField::EndText};
    view_.FocusField(kFields[static_cast<std::size_t>(fault.field)]);
}

std::u16string CommandEditor::ListHeader() const {
    return CommandsLeftOutOfMenu(commands_) == 0
               ? std::u16string(MessageText(MessageId::CommandsColumn))
               : FormatMessageText(MessageId::CommandsColumnLimited,
                                   {static_cast<std::int64_t>(kMaxMenuCommands)});
}

bool CommandEditor::HasChanges() {
    StoreCurrentCommand();
    return CommandFileText(commands_) != openedText_;
}

bool CommandEditor::MayDiscard() {
    return !HasChanges() || view_.Ask(MessageText(MessageId::ConfirmDiscard));
}

std::optional<CommandList> CommandFileStorage::LoadDefault(std::u16string& error) {
    CommandFileReading reading = ReadCommandFile(defaultCommandFile(), EscapeMode::EditorEscapes);
    // One that cannot be read is no default list either: an empty list would replace the user's.
    if (reading.status != CommandFileStatus::Read) {
        error = FormatMessageText(MessageId::DefaultListMissing, {reading.path});
        return std::nullopt;
    }
    return std::move(reading.list);
}

FileCheck CommandFileStorage::CheckUnchanged(std::u16string& message) {
    const CommandFileReading now = ReadUserFile(path_);
    if (now.status == CommandFileStatus::Unreadable) {
        message = ReadFailure(MessageId::CommandFileStillUnreadable, now);
        return FileCheck::Unreadable;
    }
    const bool read = now.status == CommandFileStatus::Read;
    // A file that was not there, or could not be read, and is not there now loses nothing.
    const bool unchanged = read ? found_ == Found::Bytes && now.bytes == bytes_ : found_ != Found::Bytes;
    if (unchanged) {
        return FileCheck::Unchanged;
    }
    if (!read && found_ == Found::Bytes) {
        message = FormatMessageText(MessageId::CommandFileDeleted, {path_});
        return FileCheck::Deleted;
    }
    message = FormatMessageText(
        found_ == Found::Unreadable ? MessageId::CommandFileReadableNow : MessageId::CommandFileChanged,
        {path_});
    return FileCheck::Changed;
}

bool CommandFileStorage::Save(const CommandList& list, std::u16string& error) {
    if (!SaveCommandFile(userCommandFile(true), list, error)) {
        return false;
    }
    // A later check compares with what this save left there.
    CommandFileReading written = ReadUserFile(path_);
    found_ = written.status == CommandFileStatus::Read ? Found::Bytes : Found::NoFile;
    bytes_ = std::move(written.bytes);
    return true;
}

bool IsShown(EditorDisplay display, EditorPart part) {
    const bool userDefined =
        display == EditorDisplay::UserDefined || display == EditorDisplay::UserDefinedWithProblem;
    switch (part) {
        case EditorPart::UserDefinedFields:
            return userDefined;
        case EditorPart::Description:
            return !userDefined;
        case EditorPart::Problem:
            return display == EditorDisplay::UserDefinedWithProblem;
        case EditorPart::None:
        case EditorPart::CommandFields:
            break;
    }
    return true;
}

bool IsEnabled(EditorDisplay display, EditorPart part) {
    // Without a command, Type and Name stay in place, empty and grey.
    return part != EditorPart::CommandFields || display != EditorDisplay::NoCommand;
}

}  // namespace quillet
