#include "core/options/OptionsPresenter.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <set>
#include <vector>

#include "TestSupport.h"
#include "core/messages/Messages.h"
#include "platform/Utf.h"

namespace quillet {
namespace {

using test::Printable;

// Scans with the core's expansion and no window; can stand for a user who cancels at once.
class CoreScanner final : public OptionsPresenter::FolderScanner, private MAbortBase {
  public:
    bool ScanFolders(ItemSelection& selection, const ExpansionSettings& settings,
                     const std::function<bool(MAbortBase&)>& prepare) override {
        ++scans;
        lastSettings = settings;
        return ExpandSelection(selection, settings, *this) || cancelAfterReading || !prepare(*this);
    }

    bool cancel = false;
    bool cancelAfterReading = false;  // the files read, then Cancel while their list is made
    int scans = 0;
    ExpansionSettings lastSettings;

  private:
    void SetCurrentFolder(const std::u16string&) override {}
    bool CheckAbort() override { return cancel; }
};

// One opened Options dialog without a window: options, selection, scanner and presenter.
struct Scene {
    Scene(const test::TempFolder& temp, std::initializer_list<std::u16string_view> names) {
        for (std::u16string_view name : names) {
            selection.AddPath(temp.PathOf(name));
        }
        presenter.Open();
    }

    std::string Preview() const { return Printable(presenter.PreviewText()); }
    std::string Summary() const { return Printable(presenter.Summary()); }

    // The summary for a count and the total of the selected files plus each selected folder's own
    // size (which the platform reports for folders: 0 on Windows, the directory size on POSIX).
    std::string SummaryOf(const char* label, int count, std::uint64_t fileBytes) const {
        std::uint64_t total = fileBytes;
        for (const auto& item : selection.Items()) {
            if (item->IsFolder() && !selection.expand) {
                total += item->size;
            }
        }
        return std::string(label) + ": " + std::to_string(count) +
               ";  Total Files Size: " + Printable(FormatGroupedNumber(total)) + " bytes";
    }

    std::set<OptionsControl> Enabled() const {
        std::set<OptionsControl> enabled;
        for (int i = 0; i < kOptionsControlCount; ++i) {
            if (presenter.IsEnabled(static_cast<OptionsControl>(i))) {
                enabled.insert(static_cast<OptionsControl>(i));
            }
        }
        return enabled;
    }

    CopyOptions options;
    ItemSelection selection;
    CoreScanner scanner;
    OptionsPresenter presenter{options, selection, scanner};
};

// A folder Docs with two files and a subfolder, beside two files.
class OptionsPresenterTest : public testing::Test {
  protected:
    void SetUp() override {
        temp.WriteFile(u"Docs\\b.log", 20);
        temp.WriteFile(u"Docs\\A.txt", 30);
        temp.WriteFile(u"Docs\\sub\\c.txt", 40);
        temp.WriteFile(u"z.txt", 1);
        temp.WriteFile(u"m.txt", 2);
    }

    // Names as the preview shows them: the platform's separator in expanded names.
    static std::string Lines(std::initializer_list<std::u16string_view> names) {
        std::u16string text;
        for (std::u16string_view name : names) {
            if (!text.empty()) {
                text += u"\r\n";
            }
            text += test::Native(name);
        }
        return Printable(text);
    }

    test::TempFolder temp;
};

TEST_F(OptionsPresenterTest, EnableRulesFollowTheOptionsAndTheExpandMode) {
    using C = OptionsControl;
    using Step = std::function<void(Scene&)>;
    const Step quote = [](Scene& s) { s.presenter.SetChecked(OptionCheck::Quote, true); };
    const Step unquote = [](Scene& s) { s.presenter.SetChecked(OptionCheck::Quote, false); };
    const Step fullPath = [](Scene& s) { s.presenter.SetChecked(OptionCheck::FullPath, true); };
    const Step size = [](Scene& s) { s.presenter.SetChecked(OptionCheck::AddSize, true); };
    const Step date = [](Scene& s) { s.presenter.SetChecked(OptionCheck::AddDate, true); };
    const Step expand = [](Scene& s) { s.presenter.ChooseFolderFiles(); };
    const Step names = [](Scene& s) { s.presenter.ChooseFolderNames(); };
    const Step limit = [](Scene& s) { s.presenter.SetFolderChecked(FolderSetting::LimitDepth, true); };
    const Step include = [](Scene& s) { s.presenter.SetFolderChecked(FolderSetting::Include, true); };
    const Step exclude = [](Scene& s) { s.presenter.SetFolderChecked(FolderSetting::Exclude, true); };
    const Step typeDepth = [](Scene& s) { s.presenter.SetFolderText(FolderSetting::LimitDepth, u"3"); };
    const Step matchNothing = [](Scene& s) { s.presenter.SetFolderText(FolderSetting::Include, u""); };
    const Step rescan = [](Scene& s) { s.presenter.Rescan(); };
    const Step cancelling = [](Scene& s) { s.scanner.cancel = true; };

    const std::set<C> expanded = {C::LimitDepth, C::Include, C::Exclude, C::PathSeparator, C::Ok};
    auto with = [](std::set<C> set, std::initializer_list<C> more) {
        set.insert(more);
        return set;
    };
    struct Row {
        const char* name;
        std::vector<Step> steps;
        std::set<OptionsControl> enabled;
    };
    const Row rows[] = {
        {"opened", {}, {C::Ok}},
        {"quote", {quote}, {C::QuoteChar, C::Ok}},
        {"full path", {fullPath}, {C::PathSeparator, C::Ok}},
        {"size and date", {size, date}, {C::SizeUnits, C::DateFormat, C::Ok}},
        {"quote off again", {quote, unquote}, {C::Ok}},
        {"expanded: separator choice without full path", {expand}, expanded},
        {"depth checked", {expand, limit}, with(expanded, {C::Depth, C::Rescan})},
        {"patterns checked",
         {expand, include, exclude},
         with(expanded, {C::IncludePattern, C::ExcludePattern, C::Rescan})},
        {"a typed depth offers a rescan",
         {expand, limit, rescan, typeDepth},
         with(expanded, {C::Depth, C::Rescan})},
        {"a depth that is not used changes nothing read", {expand, typeDepth}, expanded},
        {"a completed rescan withdraws it", {expand, limit, rescan}, with(expanded, {C::Depth})},
        {"an empty include pattern leaves nothing to copy",
         {expand, include, matchNothing, rescan},
         {C::LimitDepth, C::Include, C::Exclude, C::PathSeparator, C::IncludePattern}},
        {"a cancelled scan goes back to folder names", {cancelling, expand}, {C::Ok}},
        {"back to folder names", {expand, limit, include, names}, {C::Ok}},
        {"back to folder names with full path", {fullPath, expand, names}, {C::PathSeparator, C::Ok}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Scene scene(temp, {u"Docs"});
        for (const Step& step : row.steps) {
            step(scene);
        }
        EXPECT_EQ(scene.Enabled(), row.enabled);
    }
}

TEST_F(OptionsPresenterTest, FolderSettingsBecomeTheScanSettings) {
    struct Row {
        bool limit;
        std::u16string depth;
        bool include;
        std::u16string includeText;
        bool exclude;
        std::u16string excludeText;
        int depthLimit;
        std::optional<std::u16string> includePattern;
        std::optional<std::u16string> excludePattern;
    };
    const Row rows[] = {
        {false, u"5", false, u"*.*", false, u"*.*", -1, std::nullopt, std::nullopt},
        {true, u"5", false, u"*.*", false, u"*.*", 5, std::nullopt, std::nullopt},
        {true, u"", false, u"", false, u"", 0, std::nullopt, std::nullopt},        // empty box: no limit
        {true, u"12abc", false, u"", false, u"", 12, std::nullopt, std::nullopt},  // leading digits
        {true, u"x1", false, u"", false, u"", 0, std::nullopt, std::nullopt},
        {true, u"99999999999", false, u"", false, u"", 1'000'000'000, std::nullopt, std::nullopt},
        {false, u"1", true, u"*.TXT", true, u"Tmp?.\u00C4", -1, u"*.txt",
         u"tmp?.\u00C4"},                                             // only A-Z lowered
        {false, u"1", true, u"", false, u"", -1, u"", std::nullopt},  // checked but empty: present
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Printable(row.depth + u" " + row.includeText + u" " + row.excludeText));
        Scene scene(temp, {u"Docs"});
        scene.presenter.SetFolderChecked(FolderSetting::LimitDepth, row.limit);
        scene.presenter.SetFolderText(FolderSetting::LimitDepth, row.depth);
        scene.presenter.SetFolderChecked(FolderSetting::Include, row.include);
        scene.presenter.SetFolderText(FolderSetting::Include, row.includeText);
        scene.presenter.SetFolderChecked(FolderSetting::Exclude, row.exclude);
        scene.presenter.SetFolderText(FolderSetting::Exclude, row.excludeText);
        scene.presenter.ChooseFolderFiles();
        EXPECT_EQ(scene.scanner.lastSettings.depthLimit, row.depthLimit);
        EXPECT_EQ(scene.scanner.lastSettings.includePattern, row.includePattern);
        EXPECT_EQ(scene.scanner.lastSettings.excludePattern, row.excludePattern);
    }
}

TEST_F(OptionsPresenterTest, OpeningStartsFromTheFolderDefaults) {
    Scene scene(temp, {u"Docs"});
    scene.presenter.SetFolderChecked(FolderSetting::Include, true);
    scene.presenter.SetFolderText(FolderSetting::LimitDepth, u"7");
    scene.presenter.ChooseFolderFiles();
    scene.presenter.Open();
    EXPECT_FALSE(scene.presenter.ExpandMode());
    EXPECT_FALSE(scene.presenter.IsChecked(FolderSetting::Include));
    EXPECT_EQ(Printable(scene.presenter.FolderText(FolderSetting::LimitDepth)), "1");
    EXPECT_EQ(Printable(scene.presenter.FolderText(FolderSetting::Include)), "*.*");
    EXPECT_EQ(Printable(scene.presenter.FolderText(FolderSetting::Exclude)), "*.*");
    EXPECT_TRUE(scene.presenter.ShowsFolderOptions());
    EXPECT_FALSE(Scene(temp, {u"z.txt"}).presenter.ShowsFolderOptions());
}

TEST_F(OptionsPresenterTest, ThePreviewFollowsOptionsSortAndScans) {
    Scene scene(temp, {u"z.txt", u"Docs", u"m.txt"});
    EXPECT_EQ(scene.Preview(), Lines({u"z.txt", u"Docs", u"m.txt"}));
    EXPECT_EQ(scene.Summary(), scene.SummaryOf("Files & Folders", 3, 3));

    // Options are stored at once and shape the text.
    scene.presenter.SetChecked(OptionCheck::Quote, true);
    scene.presenter.SetChoice(OptionChoice::Separator, 4);
    EXPECT_TRUE(scene.options.filenamesQuote);
    EXPECT_EQ(scene.options.filenamesSeparator, ItemSeparator::Comma);
    EXPECT_EQ(scene.Preview(), "\"z.txt\",\"Docs\",\"m.txt\"");
    scene.presenter.SetChecked(OptionCheck::Quote, false);
    scene.presenter.SetChoice(OptionChoice::Separator, 0);

    // Sorting regenerates only when the order changes; 0 restores the selection order.
    scene.presenter.SetChoice(OptionChoice::Sort, 1);
    EXPECT_EQ(scene.Preview(), Lines({u"Docs", u"m.txt", u"z.txt"}));
    const std::uint64_t revision = scene.presenter.PreviewRevision();
    scene.presenter.SetChoice(OptionChoice::Sort, 1);
    EXPECT_EQ(scene.presenter.PreviewRevision(), revision);
    scene.presenter.SetChoice(OptionChoice::Sort, 0);
    EXPECT_EQ(scene.Preview(), Lines({u"z.txt", u"Docs", u"m.txt"}));
    EXPECT_EQ(scene.options.sortOption, SortOrder::AsSelected);

    // Expanded files are sorted together with the selected files.
    scene.presenter.SetChoice(OptionChoice::Sort, 2);
    scene.presenter.ChooseFolderFiles();
    EXPECT_EQ(scene.Preview(),
              Lines({u"z.txt", u"m.txt", u"Docs\\sub\\c.txt", u"Docs\\b.log", u"Docs\\A.txt"}));
    EXPECT_EQ(scene.Summary(), scene.SummaryOf("Files", 5, 93));

    // Back to folder names, in the chosen order.
    scene.presenter.ChooseFolderNames();
    EXPECT_EQ(scene.Preview(), Lines({u"z.txt", u"m.txt", u"Docs"}));
    EXPECT_EQ(scene.Summary(), scene.SummaryOf("Files & Folders", 3, 3));
    EXPECT_TRUE(scene.selection.Items()[1] != nullptr);
    EXPECT_TRUE(static_cast<const FolderCFItem&>(*scene.selection.Items()[1]).ExpandedFiles().empty());
}

TEST_F(OptionsPresenterTest, TheStoredSortOrderAppliesAtOpening) {
    CopyOptions options;
    options.sortOption = SortOrder::NameDescending;
    ItemSelection selection;
    for (std::u16string_view name : {u"m.txt", u"z.txt", u"Docs"}) {
        selection.AddPath(temp.PathOf(name));
    }
    CoreScanner scanner;
    OptionsPresenter presenter(options, selection, scanner);
    presenter.Open();
    EXPECT_EQ(selection.order, 2u);
    EXPECT_EQ(Printable(presenter.PreviewText()), Lines({u"z.txt", u"m.txt", u"Docs"}));
    EXPECT_EQ(presenter.Choice(OptionChoice::Sort), 2);
}

TEST_F(OptionsPresenterTest, ACancelledScanGoesBackToFolderNames) {
    for (bool whileReading : {true, false}) {
        SCOPED_TRACE(whileReading);
        Scene scene(temp, {u"Docs", u"z.txt"});
        (whileReading ? scene.scanner.cancel : scene.scanner.cancelAfterReading) = true;
        scene.presenter.ChooseFolderFiles();
        EXPECT_FALSE(scene.presenter.ExpandMode());
        EXPECT_EQ(scene.Preview(), Lines({u"Docs", u"z.txt"}));
        EXPECT_EQ(scene.Summary(), scene.SummaryOf("Files & Folders", 2, 1));
    }
    Scene scene(temp, {u"Docs", u"z.txt"});
    scene.scanner.cancel = true;
    scene.presenter.ChooseFolderFiles();

    scene.scanner.cancel = false;
    scene.presenter.ChooseFolderFiles();
    EXPECT_EQ(scene.scanner.scans, 2);
    EXPECT_TRUE(scene.presenter.ExpandMode());
    EXPECT_EQ(scene.Summary(), scene.SummaryOf("Files", 4, 91));
}

TEST_F(OptionsPresenterTest, OkCopiesWhatTheFolderSettingsAskForAndNeverAnEmptyText) {
    using Step = std::function<void(Scene&)>;
    const Step expand = [](Scene& s) { s.presenter.ChooseFolderFiles(); };
    const Step limit = [](Scene& s) { s.presenter.SetFolderChecked(FolderSetting::LimitDepth, true); };
    const Step include = [](Scene& s) { s.presenter.SetFolderChecked(FolderSetting::Include, true); };
    const Step none = [](Scene& s) { s.presenter.SetFolderText(FolderSetting::Include, u"*.none"); };
    const Step cancelling = [](Scene& s) { s.scanner.cancel = true; };
    const Step rescan = [](Scene& s) { s.presenter.Rescan(); };
    struct Row {
        const char* name;
        std::vector<Step> steps;
        bool clipboardWorks;
        OkOutcome outcome;
        std::string copied;  // what reached the clipboard writer, if anything
        int scans;
    };
    const std::string all = Lines({u"Docs\\A.txt", u"Docs\\b.log", u"Docs\\sub\\c.txt"});
    const std::string names = Lines({u"Docs"});
    const Row rows[] = {
        {"folder names", {}, true, OkOutcome::Copied, names, 0},
        {"files from folders", {expand}, true, OkOutcome::Copied, all, 1},
        // Enter in the depth box: the list of that depth is read and shown, not copied unseen.
        {"a depth not read yet is read and shown", {expand, limit}, true, OkOutcome::Rescanned, "", 2},
        {"a pattern that matches nothing",
         {expand, include, none, rescan},
         true,
         OkOutcome::NothingToCopy,
         "",
         2},
        {"the reading cancelled", {expand, limit, cancelling}, true, OkOutcome::ScanCancelled, "", 2},
        {"the clipboard held by another program", {}, false, OkOutcome::ClipboardFailed, names, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Scene scene(temp, {u"Docs"});
        scene.presenter.SetChoice(OptionChoice::Sort, 1);  // expanded files in a known order
        for (const Step& step : row.steps) {
            step(scene);
        }
        std::string copied;
        const OkOutcome outcome = scene.presenter.Accept([&](const TextBuffer& text) {
            copied = Printable(text.View());
            return row.clipboardWorks;
        });
        EXPECT_EQ(outcome, row.outcome);
        EXPECT_EQ(copied, row.copied);
        EXPECT_EQ(scene.scanner.scans, row.scans);
        EXPECT_FALSE(scene.presenter.FolderSettingsPending());
        if (outcome == OkOutcome::Rescanned) {
            EXPECT_EQ(scene.Preview(), Lines({u"Docs\\A.txt", u"Docs\\b.log"}));
        }
        if (outcome == OkOutcome::ScanCancelled) {
            EXPECT_FALSE(scene.presenter.ExpandMode());
            EXPECT_EQ(scene.Preview(), names);
        }
    }
}

TEST_F(OptionsPresenterTest, ChangesMakeOnlyThePreviewOfALongListAndOkCopiesAllOfIt) {
    // Twice as many files as the preview shows lines; a sort changed after they are read.
    constexpr std::size_t kFiles = 2 * kPreviewLineLimit + 1;
    std::vector<std::u16string> names;
    for (std::size_t i = 0; i < kFiles; ++i) {
        const std::u16string name = u"f" + Utf8ToUtf16(std::to_string(10000 + i)) + u".txt";
        temp.WriteFile(u"Long\\" + name, 1);
        names.push_back(test::Native(u"Long\\" + name));
    }
    const auto joined = [&](std::u16string_view separator, bool descending) {
        std::u16string text;
        for (std::size_t i = 0; i < kFiles; ++i) {
            text += i == 0 ? u"" : separator;
            text += names[descending ? kFiles - 1 - i : i];
        }
        return text;
    };
    Scene scene(temp, {u"Long"});
    scene.presenter.ChooseFolderFiles();
    scene.presenter.SetChoice(OptionChoice::Separator, 1);  // a comma and a line break
    scene.presenter.SetChoice(OptionChoice::Sort, 2);       // Z-A
    EXPECT_TRUE(scene.presenter.PreviewText() == PreviewOf(joined(u",\r\n", true), kFiles));
    std::u16string copied;
    scene.presenter.Accept([&](const TextBuffer& text) { return copied = text.View(), true; });
    EXPECT_TRUE(copied == joined(u",\r\n", true));
    // One line for all: the preview shows more items than one per line.
    scene.presenter.SetChoice(OptionChoice::Sort, 1);
    scene.presenter.SetChoice(OptionChoice::Separator, 2);
    EXPECT_TRUE(scene.presenter.PreviewText() == PreviewOf(joined(u" ", false), kFiles));
}

TEST(OptionsPreview, ALongCopyTextShowsItsBeginningAndSaysThatOkCopiesAll) {
    const auto lines = [](std::size_t count) {
        std::u16string text;
        for (std::size_t i = 0; i < count; ++i) {
            text += (i == 0 ? u"" : u"\r\n") + std::u16string(u"line");
        }
        return text;
    };
    const std::u16string x(kPreviewCharacterLimit - 1, u'x');
    const std::u16string note = FormatMessageText(MessageId::PreviewCut, {u"7"});
    struct Row {
        const char* name;
        std::u16string text;
        std::u16string preview;
    };
    const Row rows[] = {
        {"short", lines(3), lines(3)},
        {"as many lines as shown", lines(kPreviewLineLimit), lines(kPreviewLineLimit)},
        {"and a final line break", lines(kPreviewLineLimit) + u"\r\n", lines(kPreviewLineLimit) + u"\r\n"},
        {"one line more", lines(kPreviewLineLimit + 1), lines(kPreviewLineLimit) + u"\r\n" + note},
        {"one long line", x + u"yz", x + u"y\r\n" + note},
        {"a line break not split", x + u"\r\nz", x + u"\r\n" + note},
        {"a surrogate pair not split", x + u"\U0001F600", x + u"\r\n" + note},
    };
    for (const Row& row : rows) {
        EXPECT_TRUE(PreviewOf(row.text, 7) == row.preview) << row.name;
    }
}

TEST_F(OptionsPresenterTest, EveryListHasItsOptionEntries) {
    const std::pair<OptionChoice, std::size_t> lists[] = {
        {OptionChoice::Separator, 5}, {OptionChoice::QuoteChar, 2},  {OptionChoice::PathSeparator, 3},
        {OptionChoice::SizeUnits, 5}, {OptionChoice::DateFormat, 4}, {OptionChoice::Sort, 9},
    };
    for (const auto& [choice, count] : lists) {
        EXPECT_EQ(ChoiceEntries(choice).size(), count) << static_cast<int>(choice);
    }
    EXPECT_EQ(ChoiceEntries(OptionChoice::Sort)[3], u"By size (smallest first)");
    for (OptionCheck check :
         {OptionCheck::Quote, OptionCheck::FullPath, OptionCheck::AddSize, OptionCheck::AddDate}) {
        EXPECT_EQ(OptionField(check).kind, CopyOptionKind::Boolean) << static_cast<int>(check);
    }
}

}  // namespace
}  // namespace quillet
