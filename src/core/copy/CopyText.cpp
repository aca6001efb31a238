#include "core/copy/CopyText.h"

#include <algorithm>

#include "core/copy/FolderScan.h"
#include "platform/Clipboard.h"

namespace quillet {

CopyFormat MakeDefaultCopyFormat(PathComponent component) {
    CopyFormat format;
    format.parts.push_back(std::make_unique<ItemPartPath>(component, PathSeparator::Backslash));
    format.itemSeparator = u"\n";
    format.newlineAtEnd = true;
    return format;
}

const CopyFormat* ClickCopyFormat(const Command& command, CommandAction action, CopyFormat& builtIn) {
    switch (action) {
        case CommandAction::CopyNames:
        case CommandAction::CopyPaths:
            builtIn = MakeDefaultCopyFormat(action == CommandAction::CopyPaths ? PathComponent::Path
                                                                               : PathComponent::Name);
            return &builtIn;
        case CommandAction::CopyWithFormat:
            return &command.format;
        default:
            return nullptr;
    }
}

bool RenderSelection(const ItemSelection& selection, const CopyFormat& format, TextBuffer& buffer,
                     MAbortBase* abort) {
    constexpr std::size_t kItemsBetweenAsks = 4096;
    buffer.Clear();
    buffer.AppendText(format.startText);
    const std::vector<CFItem*>& flat = selection.Flat();
    PathLookups lookups;  // each drive's mapping and each folder's working tree, asked once per copy
    for (std::size_t i = 0; i < flat.size(); ++i) {
        if (abort && i % kItemsBetweenAsks == kItemsBetweenAsks - 1 && abort->CheckAbort()) {
            return false;
        }
        format.RenderItem(*flat[i], buffer, lookups);
        if (i + 1 < flat.size()) {
            buffer.AppendText(format.itemSeparator);
        }
    }
    if (flat.size() > 1 && format.newlineAtEnd) {
        buffer.AppendText(u"\n");
    }
    buffer.AppendText(format.endText);
    return true;
}

std::size_t RenderSelectionStart(const ItemSelection& selection, const CopyFormat& format, TextBuffer& buffer,
                                 std::size_t lineLimit, std::size_t characterLimit) {
    buffer.Clear();
    buffer.AppendText(format.startText);
    const std::vector<CFItem*>& flat = selection.Flat();
    std::size_t lines = 0;
    std::size_t counted = 0;
    PathLookups lookups;
    for (std::size_t i = 0; i < flat.size(); ++i) {
        format.RenderItem(*flat[i], buffer, lookups);
        if (i + 1 < flat.size()) {
            buffer.AppendText(format.itemSeparator);
        }
        const std::u16string_view text = buffer.View();
        lines += static_cast<std::size_t>(
            std::count(text.begin() + static_cast<std::ptrdiff_t>(counted), text.end(), u'\n'));
        counted = text.size();
        if (i + 1 < flat.size() && (lines > lineLimit || counted > characterLimit)) {
            return i + 1;
        }
    }
    if (flat.size() > 1 && format.newlineAtEnd) {
        buffer.AppendText(u"\n");
    }
    buffer.AppendText(format.endText);
    return flat.size();
}

bool CopyTextToClipboard(const TextBuffer& buffer) {
    if (!buffer.HasArray()) {
        return platform::ReplaceClipboardText(std::nullopt);
    }
    return platform::ReplaceClipboardText(buffer.View());
}

std::size_t RenderPaths(std::span<const std::u16string> paths, const CopyFormat& format, TextBuffer& buffer) {
    ItemSelection selection;
    // The items refer to the paths, which outlive them, rather than copy them.
    for (const std::u16string& path : paths) {
        selection.AddPath(BorrowedPath{path});
    }
    selection.Flatten();
    RenderSelection(selection, format, buffer);
    return selection.Items().size();
}

CopyOutcome CopySelection(std::span<const std::u16string> paths, const CopyFormat& format) {
    TextBuffer buffer;
    if (RenderPaths(paths, format, buffer) == 0) {
        // Replacing the user's clipboard with only start and end texts would lose it for nothing.
        return CopyOutcome::ItemsGone;
    }
    return CopyTextToClipboard(buffer) ? CopyOutcome::Copied : CopyOutcome::ClipboardFailed;
}

}  // namespace quillet
