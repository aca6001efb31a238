// The copy text of a selection and its way to the clipboard: every copy ends here.
#pragma once

#include <span>
#include <string>

#include "core/commands/Command.h"
#include "core/format/ItemParts.h"
#include "core/format/Items.h"
#include "core/format/TextBuffer.h"

namespace quillet {

class MAbortBase;

// The built-in copy's format: the name (or path) of each item, one per line, CR LF after the last
// line too when more than one item is copied.
CopyFormat MakeDefaultCopyFormat(PathComponent component);

// The format of a click that copies (ClickAction): the built-in copy of names or of full paths, made
// in builtIn, or the command's own. Null for an action that copies nothing.
const CopyFormat* ClickCopyFormat(const Command& command, CommandAction action, CopyFormat& builtIn);

// Replaces the buffer's text with the copy text of the selection's flat array in its current order:
// start text, the rendered items joined by the item separator, a line break when more than one item
// was rendered and the format asks for it, end text.
// With abort, a long selection asks it now and then and stops, returning false (the text unfinished),
// once it says so.
bool RenderSelection(const ItemSelection& selection, const CopyFormat& format, TextBuffer& buffer,
                     MAbortBase* abort = nullptr);

// RenderSelection's text up to the first item after which the text holds more than lineLimit line
// breaks or characterLimit characters: all a preview of that many shows. Returns how many items it
// rendered: all of them when the buffer holds the whole copy text.
std::size_t RenderSelectionStart(const ItemSelection& selection, const CopyFormat& format, TextBuffer& buffer,
                                 std::size_t lineLimit, std::size_t characterLimit);

// Replaces the clipboard's contents with the buffer's text (a buffer that never received any text
// only empties it). False when the clipboard could not be opened (nothing changed) or the text could
// not be placed on it.
bool CopyTextToClipboard(const TextBuffer& buffer);

// The copy text of paths as a copy command makes it: each path that can still be read becomes an
// item, in the order given; folders stay single items; no sort. Returns the number of items read.
std::size_t RenderPaths(std::span<const std::u16string> paths, const CopyFormat& format, TextBuffer& buffer);

// What the copy of a command did.
enum class CopyOutcome {
    Copied,           // the clipboard holds the copy text
    ItemsGone,        // no path could be read (deleted since the menu opened): the clipboard is untouched
    ClipboardFailed,  // the clipboard could not be opened or written: nothing copied
};

// The whole copy of a command: RenderPaths, then CopyTextToClipboard, unless no item is left.
CopyOutcome CopySelection(std::span<const std::u16string> paths, const CopyFormat& format);

}  // namespace quillet
