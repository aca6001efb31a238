// What the configuration dialog's rules cost on a list of 10,000 commands: each button and each
// change of the current command must stay far below what a user can notice.
#include <benchmark/benchmark.h>

#include <string>

#include "core/editor/CommandEditor.h"

namespace {

using namespace quillet;

constexpr int kCommands = 10000;

// A dialog whose controls take everything and hold fixed texts.
class NullView final : public CommandEditor::View {
  public:
    void InsertItem(std::size_t, std::u16string_view, StateMark) override {}
    void DeleteItem(std::size_t) override {}
    void DeleteAllItems() override {}
    void SetItemText(std::size_t, std::u16string_view) override {}
    void SetItemMark(std::size_t, StateMark) override {}
    void SelectItem(std::size_t) override {}
    void ShowDisplay(EditorDisplay) override {}
    void SetDescription(std::u16string_view) override {}
    std::u16string FieldText(EditorField field) const override {
        return field == EditorField::ItemFormat ? u"$name\u00B7$size:auto" : u"Field\u00B7text";
    }
    void SetFieldText(EditorField, std::u16string_view) override {}
    void ReplaceFieldSelection(EditorField, std::u16string_view) override {}
    bool NewlineChecked() const override { return true; }
    void SetNewlineChecked(bool) override {}
    void ResetEscapeList(EditorField) override {}
    void LimitName(std::size_t) override {}
    void FocusNameSelectingAll() override {}
    std::optional<CommandType> RunNewCommandDialog(CommandType preset) override { return preset; }
    std::optional<std::u16string> RunInsertDialog() override { return std::nullopt; }
    void ShowMessage(std::u16string_view) override {}
    void ShowProblemText(std::u16string_view) override {}
    void EnableListActions(ListActions) override {}
    void FocusField(EditorField) override {}
    bool Ask(std::u16string_view) override { return true; }  // a delete goes ahead
    ChangedFileAnswer AskChangedFile(std::u16string_view) override { return ChangedFileAnswer::Overwrite; }
    void Close() override {}
};

class NullStorage final : public CommandEditor::Storage {
  public:
    CommandList Load() override { return {}; }
    std::u16string ReadProblem() const override { return {}; }
    std::optional<CommandList> LoadDefault(std::u16string&) override { return CommandList{}; }
    FileCheck CheckUnchanged(std::u16string&) override { return FileCheck::Unchanged; }
    bool LoadedSaveTarget() const override { return false; }
    bool Save(const CommandList&, std::u16string&) override { return true; }
};

// Built-in commands, sub-menus and user-defined copies, some faulty, as a long list holds them.
CommandList MakeList() {
    CommandList list;
    list.reserve(kCommands);
    for (int i = 0; i < kCommands; ++i) {
        std::u16string name = u"Command ";
        name.push_back(static_cast<char16_t>(u'A' + i % 26));
        Command& command = list.emplace_back(name);
        switch (i % 10) {
            case 0:
                command.type = CommandType::Quillet;
                break;
            case 7:
                command.type = CommandType::SubFolder;
                break;
            case 9:
                command.format.formatText = u"$nope";
                command.format.errorText = u"No such attribute";
                break;
            default:
                command.format.formatText = u"$path:forwardslash;\\t$size:auto";
                command.format.itemSeparator = u"\\n";
                command.format.startText = u"Start\\n";
        }
    }
    return list;
}

struct Dialog {
    Dialog() { editor.Open(); }
    NullView view;
    NullStorage storage;
    CommandEditor editor{MakeList(), view, storage};
};

void BM_EditorMove(benchmark::State& state) {
    Dialog dialog;
    dialog.editor.ItemSelected(kCommands / 2);
    int direction = 1;
    for (auto _ : state) {
        dialog.editor.MoveCommand(direction);
        direction = -direction;
    }
}

void BM_EditorAddThenDelete(benchmark::State& state) {
    Dialog dialog;
    for (auto _ : state) {
        dialog.editor.ItemSelected(kCommands / 2);
        dialog.editor.AddCommand();
        dialog.editor.DeleteCommand();
    }
    state.counters["commands"] = static_cast<double>(dialog.editor.Commands().size());
}

void BM_EditorDeleteThenAdd(benchmark::State& state) {
    Dialog dialog;
    dialog.editor.ItemSelected(kCommands / 2);
    for (auto _ : state) {
        dialog.editor.DeleteCommand();  // the next command becomes selected
        dialog.editor.AddCommand();     // below it
    }
}

void BM_EditorUpdateMarks(benchmark::State& state) {
    Dialog dialog;
    for (auto _ : state) {
        dialog.editor.UpdateMarks();
    }
}

void BM_EditorStoreAndShow(benchmark::State& state) {
    Dialog dialog;
    std::size_t index = 1;
    for (auto _ : state) {
        dialog.editor.ItemSelected(index);  // stores the previous user-defined command, checks and shows
        index = index == 1 ? 2 : 1;
    }
}

BENCHMARK(BM_EditorMove)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EditorAddThenDelete)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EditorDeleteThenAdd)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EditorUpdateMarks)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EditorStoreAndShow)->Unit(benchmark::kMicrosecond);

}  // namespace
