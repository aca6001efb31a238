#include "core/options/OptionsPresenter.h"

#include "core/copy/CopyText.h"
#include "core/messages/Messages.h"

namespace quillet {
namespace {

bool SameSettings(const ExpansionSettings& a, const ExpansionSettings& b) {
    return a.depthLimit == b.depthLimit && a.includePattern == b.includePattern &&
           a.excludePattern == b.excludePattern;
}

}  // namespace

const CopyOptionField& OptionField(OptionCheck check) {
    return CopyOptionFields()[static_cast<std::size_t>(check)];
}

const CopyOptionField& OptionField(OptionChoice choice) {
    return CopyOptionFields()[static_cast<std::size_t>(choice)];
}

std::span<const std::u16string_view> ChoiceEntries(OptionChoice choice) {
    return OptionField(choice).entries;
}

int LeadingNumber(std::u16string_view text) {
    constexpr int kLimit = 1'000'000'000;
    int value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') {
            break;
        }
        // A depth beyond any real tree means no limit worth keeping precise: clamp instead of wrapping.
        value = value >= kLimit / 10 ? kLimit : value * 10 + (c - u'0');
    }
    return value;
}

std::u16string PreviewOf(std::u16string_view copyText, std::size_t itemCount) {
    std::size_t cut = copyText.size();
    std::size_t lines = 0;
    for (std::size_t i = 0; i < copyText.size(); ++i) {
        if (i == kPreviewCharacterLimit) {
            cut = i;
            // Not between the halves of a surrogate pair or of a line break.
            if (copyText[i - 1] == u'\r' || (copyText[i - 1] >= 0xD800 && copyText[i - 1] <= 0xDBFF)) {
                --cut;
            }
            break;
        }
        if (copyText[i] == u'\n' && ++lines == kPreviewLineLimit) {
            cut = i + 1;
            break;
        }
    }
    if (cut >= copyText.size()) {
        return std::u16string(copyText);
    }
    std::u16string preview(copyText.substr(0, cut));
    if (preview.empty() || preview.back() != u'\n') {
        preview += u"\r\n";
    }
    preview += FormatMessageText(MessageId::PreviewCut, {FormatGroupedNumber(itemCount)});
    return preview;
}

OptionsPresenter::OptionsPresenter(CopyOptions& options, ItemSelection& selection, FolderScanner& scanner,
                                   std::u16string optionsFile)
    : options_(options), selection_(selection), scanner_(scanner), optionsFile_(std::move(optionsFile)) {
    ResetFolderSettings();
}

void OptionsPresenter::Close() const {
    SaveCopyOptions(options_, optionsFile_);
}

bool OptionsPresenter::ApplySortOrder(SortOrder order) {
    if (static_cast<std::uint32_t>(order) == selection_.order) {
        return false;
    }
    selection_.order = static_cast<std::uint32_t>(order);
    // The preview shows the first items only: they are put in order at once (finding them costs a
    // fraction of a whole sort), the others when OK copies them, so that arrowing through the orders
    // of a long list never waits for a whole sort.
    selection_.Flatten();
    orderedCount_ = kPreviewLineLimit + 1;
    SortSelection(selection_, nullptr, {0, orderedCount_});
    return true;
}

void OptionsPresenter::ResetFolderSettings() {
    Folder(FolderSetting::LimitDepth) = {false, u"1"};
    Folder(FolderSetting::Include) = {false, u"*.*"};
    Folder(FolderSetting::Exclude) = {false, u"*.*"};
}

void OptionsPresenter::Open() {
    expandMode_ = false;
    orderedCount_ = kEveryItem;
    ResetFolderSettings();
    selection_.order = static_cast<std::uint32_t>(options_.sortOption);
    ArrangeSelection(selection_);
    Regenerate();
    UpdateSummary();
}

bool OptionsPresenter::IsChecked(OptionCheck check) const {
    return OptionField(check).stored(options_) != 0;
}

int OptionsPresenter::Choice(OptionChoice choice) const {
    return OptionField(choice).stored(options_);
}

bool OptionsPresenter::IsEnabled(OptionsControl control) const {
    switch (control) {
        case OptionsControl::QuoteChar:
            return IsChecked(OptionCheck::Quote);
        case OptionsControl::PathSeparator:
            // Expanded files are named by relative paths, whose separators the choice rewrites.
            return IsChecked(OptionCheck::FullPath) || expandMode_;
        case OptionsControl::SizeUnits:
            return IsChecked(OptionCheck::AddSize);
        case OptionsControl::DateFormat:
            return IsChecked(OptionCheck::AddDate);
        case OptionsControl::LimitDepth:
        case OptionsControl::Include:
        case OptionsControl::Exclude:
            return expandMode_;
        case OptionsControl::Depth:
            return expandMode_ && IsChecked(FolderSetting::LimitDepth);
        case OptionsControl::IncludePattern:
            return expandMode_ && IsChecked(FolderSetting::Include);
        case OptionsControl::ExcludePattern:
            return expandMode_ && IsChecked(FolderSetting::Exclude);
        case OptionsControl::Rescan:
            return FolderSettingsPending();
        case OptionsControl::Ok:
            return previewStart_.Count() > 0;
    }
    return false;
}

void OptionsPresenter::SetChecked(OptionCheck check, bool checked) {
    OptionField(check).store(options_, checked ? 1 : 0);
    Regenerate();
}

void OptionsPresenter::SetChoice(OptionChoice choice, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= ChoiceEntries(choice).size()) {
        return;  // a list with no entry chosen
    }
    OptionField(choice).store(options_, index);
    if (choice != OptionChoice::Sort) {
        Regenerate();
        return;
    }
    if (ApplySortOrder(options_.sortOption)) {
        Regenerate();
    }
}

void OptionsPresenter::ChooseFolderNames() {
    expandMode_ = false;
    CollapseFolders();
    Regenerate();
    UpdateSummary();
}

void OptionsPresenter::CollapseFolders() {
    selection_.expand = false;
    orderedCount_ = kEveryItem;
    for (const auto& item : selection_.Items()) {
        if (auto* folder = dynamic_cast<FolderCFItem*>(item.get())) {
            CollapseFolder(*folder);
        }
    }
    ArrangeSelection(selection_);
}

void OptionsPresenter::ChooseFolderFiles() {
    expandMode_ = true;
    Scan();
}

void OptionsPresenter::Rescan() {
    if (expandMode_) {
        Scan();
    }
}

void OptionsPresenter::SetFolderChecked(FolderSetting setting, bool checked) {
    Folder(setting).checked = checked;
}

void OptionsPresenter::SetFolderText(FolderSetting setting, std::u16string text) {
    Folder(setting).text = std::move(text);
}

bool OptionsPresenter::FolderSettingsPending() const {
    return expandMode_ && !SameSettings(ScanSettings(), scannedSettings_);
}

OkOutcome OptionsPresenter::Accept(const std::function<bool(const TextBuffer&)>& writeClipboard) {
    // Enter in a folder setting's box presses OK: what is copied is never a list the preview did not
    // show, so the boxes' settings are read and shown first.
    if (FolderSettingsPending()) {
        return Scan() ? OkOutcome::Rescanned : OkOutcome::ScanCancelled;
    }
    if (previewStart_.Count() == 0) {
        return OkOutcome::NothingToCopy;
    }
    if (previewComplete_) {
        return writeClipboard(previewStart_) ? OkOutcome::Copied : OkOutcome::ClipboardFailed;
    }
    OrderEveryItem();
    RenderSelection(selection_, BuildOptionsCopyFormat(options_), copyText_);
    return writeClipboard(copyText_) ? OkOutcome::Copied : OkOutcome::ClipboardFailed;
}

ExpansionSettings OptionsPresenter::ScanSettings() const {
    ExpansionSettings settings;
    settings.depthLimit =
        IsChecked(FolderSetting::LimitDepth) ? LeadingNumber(FolderText(FolderSetting::LimitDepth)) : -1;
    if (IsChecked(FolderSetting::Include)) {
        settings.includePattern = LowerAsciiLetters(FolderText(FolderSetting::Include));
    }
    if (IsChecked(FolderSetting::Exclude)) {
        settings.excludePattern = LowerAsciiLetters(FolderText(FolderSetting::Exclude));
    }
    return settings;
}

bool OptionsPresenter::Scan() {
    orderedCount_ = kEveryItem;  // the scan puts the whole list in order
    const ExpansionSettings settings = ScanSettings();
    const bool cancelled = scanner_.ScanFolders(selection_, settings, [this](MAbortBase&) {
        Regenerate();
        return true;
    });
    if (cancelled) {
        // Nothing of the expansion stays, and the radio buttons show what the preview shows.
        expandMode_ = false;
        CollapseFolders();
        Regenerate();
    } else {
        scannedSettings_ = settings;
    }
    UpdateSummary();
    return !cancelled;
}

void OptionsPresenter::Regenerate() {
    const CopyFormat format = BuildOptionsCopyFormat(options_);
    std::size_t shown =
        RenderSelectionStart(selection_, format, previewStart_, kPreviewLineLimit, kPreviewCharacterLimit);
    if (shown > orderedCount_) {  // items that are not one line each: the preview reached unordered ones
        OrderEveryItem();
        shown = RenderSelectionStart(selection_, format, previewStart_, kPreviewLineLimit,
                                     kPreviewCharacterLimit);
    }
    previewComplete_ = shown == selection_.Flat().size();
    previewText_ = PreviewOf(previewStart_.View(), selection_.Flat().size());
    ++previewRevision_;
}

void OptionsPresenter::OrderEveryItem() {
    if (orderedCount_ < selection_.Flat().size()) {
        SortSelection(selection_, nullptr, {orderedCount_});
    }
    orderedCount_ = kEveryItem;
}

void OptionsPresenter::UpdateSummary() {
    summary_ = SummaryText(selection_);
}

}  // namespace quillet
