// The rules of the Options dialog, apart from any window: which controls are enabled, what the preview
// and the summary line hold, how the folder settings become a folder scan. The dialog binds its
// controls, forwards each event here and shows the resulting state; tests drive the same calls.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/copy/CopyOptions.h"
#include "core/copy/FolderScan.h"
#include "core/format/Items.h"
#include "core/format/TextBuffer.h"

namespace quillet {

// The options the dialog shows as check boxes and as drop-down lists, each numbered by its place in
// CopyOptionFields.
enum class OptionCheck { Quote = 1, FullPath = 3, AddSize = 5, AddDate = 7 };
enum class OptionChoice {
    Separator = 0,
    QuoteChar = 2,
    PathSeparator = 4,
    SizeUnits = 6,
    DateFormat = 8,
    Sort = 9
};
// The folder settings, never stored: three check boxes, each with its text box.
enum class FolderSetting { LimitDepth, Include, Exclude };

// The controls whose enabled state follows the rules.
enum class OptionsControl {
    QuoteChar,
    PathSeparator,
    SizeUnits,
    DateFormat,
    LimitDepth,
    Depth,
    Include,
    IncludePattern,
    Exclude,
    ExcludePattern,
    Rescan,
    Ok,
};
inline constexpr int kOptionsControlCount = static_cast<int>(OptionsControl::Ok) + 1;

// What OK came to: only Copied closes the dialog.
enum class OkOutcome {
    Copied,
    NothingToCopy,  // the text is empty (a pattern that matches nothing): the clipboard is untouched
    // Folder settings the preview did not show yet were read first (Enter in their boxes): the dialog
    // shows the new list, and the next OK copies it.
    Rescanned,
    ScanCancelled,    // that reading was cancelled: the dialog shows the folders again
    ClipboardFailed,  // another program held the clipboard: the dialog stays open and says so
};

// A count that stands for all the items of a selection.
inline constexpr std::size_t kEveryItem = static_cast<std::size_t>(-1);

class OptionsPresenter {
  public:
    // Reads the folders of the selection, then runs prepare (the preview of the new list, false when
    // abort stopped it) under the same progress and Cancel; true when the user cancelled either.
    // The dialog scans with its progress window; tests scan without one.
    class FolderScanner {
      public:
        virtual ~FolderScanner() = default;
        virtual bool ScanFolders(ItemSelection& selection, const ExpansionSettings& settings,
                                 const std::function<bool(MAbortBase&)>& prepare) = 0;

      protected:
        FolderScanner() = default;
    };

    static constexpr std::size_t kCopyTextCapacity = 16384;

    // The options and the selection belong to the caller and outlive the presenter; each dialog has
    // options of its own, so that dialogs on two threads share nothing. optionsFile: the profile the
    // options are stored in when the dialog closes; empty for none.
    OptionsPresenter(CopyOptions& options, ItemSelection& selection, FolderScanner& scanner,
                     std::u16string optionsFile = {});

    // The dialog's opening: the selection, of which the caller only added the paths, put in the
    // stored sort order (ArrangeSelection); folder settings at their start values, folder names
    // copied, the preview and the summary made, "Rescan folders" disabled.
    void Open();

    // What the dialog shows.
    bool ShowsFolderOptions() const { return selection_.hasFolder; }
    bool IsChecked(OptionCheck check) const;
    int Choice(OptionChoice choice) const;
    bool IsChecked(FolderSetting setting) const { return Folder(setting).checked; }
    const std::u16string& FolderText(FolderSetting setting) const { return Folder(setting).text; }
    bool ExpandMode() const { return expandMode_; }
    // True while the folder settings differ from those the shown files were read with; OK then reads
    // the folders again and shows them instead of copying.
    bool FolderSettingsPending() const;
    bool IsEnabled(OptionsControl control) const;
    // What the preview shows of the copy text (PreviewOf). Only its start is made on a change, so that
    // no change waits on a long list; OK makes the whole text.
    const std::u16string& PreviewText() const { return previewText_; }
    // Counts the preview's regenerations, so that a view copies the text only when it changed.
    std::uint64_t PreviewRevision() const { return previewRevision_; }
    const std::u16string& Summary() const { return summary_; }

    // Events.
    void SetChecked(OptionCheck check, bool checked);
    void SetChoice(OptionChoice choice, int index);
    void ChooseFolderNames();
    // Switches the expand mode on (or leaves it on) and scans.
    void ChooseFolderFiles();
    void SetFolderChecked(FolderSetting setting, bool checked);
    void SetFolderText(FolderSetting setting, std::u16string text);
    void Rescan();
    // OK: reads the folders again when their settings are pending (and copies nothing: the user sees
    // the new list first); otherwise hands the whole copy text, when it is not empty, to the clipboard
    // writer, which gives false when it could not place it.
    OkOutcome Accept(const std::function<bool(const TextBuffer&)>& writeClipboard);
    // The dialog closed, whichever way (OK, Cancel, Esc, the close box): the options are stored as the
    // user left them, for the next dialog.
    void Close() const;

    // The settings a scan would use now.
    ExpansionSettings ScanSettings() const;

  private:
    struct FolderInput {
        bool checked = false;
        std::u16string text;
    };

    const FolderInput& Folder(FolderSetting setting) const { return folders_[static_cast<int>(setting)]; }
    FolderInput& Folder(FolderSetting setting) { return folders_[static_cast<int>(setting)]; }
    void ResetFolderSettings();
    // Sets the selection's order and sorts it (or puts it back in the selection's order); false when
    // unchanged.
    bool ApplySortOrder(SortOrder order);
    // Makes the preview, putting more items in order first when it shows more than are.
    void Regenerate();
    // Puts every item in the selection's order (after a sort change ordered only the first ones).
    void OrderEveryItem();
    // Shows the selected folders as items again, in the chosen order.
    void CollapseFolders();
    void UpdateSummary();
    // Reads the folders with the current settings; false when the user cancelled, which ends the
    // expand mode as it ends the expansion.
    bool Scan();

    CopyOptions& options_;
    ItemSelection& selection_;
    FolderScanner& scanner_;
    std::u16string optionsFile_;
    TextBuffer previewStart_;       // the copy text up to what the preview shows
    bool previewComplete_ = false;  // and that is the whole copy text
    // The items at the start of the selection that are in its order; the others all belong after them.
    std::size_t orderedCount_ = kEveryItem;
    TextBuffer copyText_{kCopyTextCapacity};  // the whole, made by OK when the preview is not
    std::u16string previewText_;
    std::uint64_t previewRevision_ = 0;
    std::u16string summary_;
    FolderInput folders_[3];
    bool expandMode_ = false;
    // The settings of the last completed scan: the ones the shown files were read with.
    ExpansionSettings scannedSettings_;
};

// The stored option behind a check box or a drop-down list, and the list's entries in stored order.
const CopyOptionField& OptionField(OptionCheck check);
const CopyOptionField& OptionField(OptionChoice choice);
std::span<const std::u16string_view> ChoiceEntries(OptionChoice choice);

// What the preview shows of a copy text of itemCount items: all of it, or, past kPreviewLineLimit
// lines or kPreviewCharacterLimit characters, the text up to there and a line saying that OK copies
// all the items. A text box holding hundreds of thousands of lines takes many seconds to fill under
// Wine, in one call that no Cancel can interrupt.
inline constexpr std::size_t kPreviewLineLimit = 1000;
inline constexpr std::size_t kPreviewCharacterLimit = 32768;
std::u16string PreviewOf(std::u16string_view copyText, std::size_t itemCount);

// The integer a depth box holds: its leading decimal digits, 0 when it starts with none.
int LeadingNumber(std::u16string_view text);

}  // namespace quillet
