// The compiled pieces of an item format, each appending one piece of text for one item, and the
// CopyFormat that holds them with the texts that join the rendered items.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/format/Items.h"
#include "core/format/PathForms.h"
#include "core/format/TextBuffer.h"

namespace quillet {

// RepoPath: the path inside the Git working tree that holds the item.
enum class PathComponent : std::int32_t {
    Path = 0,
    Name = 1,
    Folder = 2,
    Ext = 3,
    NameNoExt = 4,
    RepoPath = 5
};
// How each path separator is written: unchanged, doubled, or as a forward slash.
enum class PathSeparator : std::int32_t { Backslash = 0, DoubleBackslash = 1, ForwardSlash = 2 };
enum class DateStamp : std::int32_t { Modified = 0, Created = 1, Accessed = 2 };
// In the one order every list of them shows: the Options dialog stores a style by this number.
enum class DateStyle : std::int32_t { ShortDateTime = 0, LongDateTime = 1, ShortDate = 2, LongDate = 3 };
enum class SizeUnit : std::int32_t { Bytes = 0, Kilobytes = 1, Megabytes = 2, Gigabytes = 3, Auto = 4 };

class ItemPartBase {
  public:
    virtual ~ItemPartBase() = default;
    // Appends this part's text for item; a part that cannot produce its text appends nothing. The
    // lookups are the copy's, shared by all its items.
    virtual void Render(const CFItem& item, TextBuffer& buffer, PathLookups& lookups) const = 0;

  protected:
    ItemPartBase() = default;
};

class ItemPartText final : public ItemPartBase {
  public:
    explicit ItemPartText(std::u16string text) : text_(std::move(text)) {}
    void Render(const CFItem& item, TextBuffer& buffer, PathLookups& lookups) const override;
    const std::u16string& Text() const { return text_; }

  private:
    std::u16string text_;
};

class ItemPartPath final : public ItemPartBase {
  public:
    ItemPartPath(PathComponent component, PathSeparator separator, PathForm form = PathForm::AsIs)
        : component_(component), separator_(separator), form_(form) {}
    void Render(const CFItem& item, TextBuffer& buffer, PathLookups& lookups) const override;
    PathComponent Component() const { return component_; }
    PathSeparator Separator() const { return separator_; }
    PathForm Form() const { return form_; }

  private:
    PathComponent component_;
    PathSeparator separator_;
    PathForm form_;
};

class ItemPartType final : public ItemPartBase {
  public:
    void Render(const CFItem& item, TextBuffer& buffer, PathLookups& lookups) const override;
};

class ItemPartSize final : public ItemPartBase {
  public:
    explicit ItemPartSize(SizeUnit unit) : unit_(unit) {}
    void Render(const CFItem& item, TextBuffer& buffer, PathLookups& lookups) const override;
    SizeUnit Unit() const { return unit_; }

  private:
    SizeUnit unit_;
};

class ItemPartDate final : public ItemPartBase {
  public:
    ItemPartDate(DateStamp stamp, DateStyle style) : stamp_(stamp), style_(style) {}
    void Render(const CFItem& item, TextBuffer& buffer, PathLookups& lookups) const override;
    DateStamp Stamp() const { return stamp_; }
    DateStyle Style() const { return style_; }

  private:
    DateStamp stamp_;
    DateStyle style_;
};

// The text of one path component of a path whose name begins at nameOffset (RepoPath is the whole
// path here: the working tree is looked up by AppendPathPart).
std::u16string_view PathComponentText(std::u16string_view path, std::size_t nameOffset,
                                      PathComponent component);

// Appends a component of a path whose name begins at nameOffset, in a form, with a separator, as an
// ItemPartPath writes it for an item with that path.
void AppendPathPart(std::u16string_view path, std::size_t nameOffset, PathComponent component,
                    PathSeparator separator, PathForm form, PathLookups& lookups, TextBuffer& buffer);

// The definition of a copy's text: the compiled item format and the texts that join the items.
struct CopyFormat {
    std::vector<std::unique_ptr<ItemPartBase>> parts;
    std::u16string formatText;  // the item format as the user edits it (configuration program only)
    std::u16string itemSeparator;
    std::u16string startText;
    std::u16string endText;
    bool newlineAtEnd = false;  // line break before the end text when more than one item is rendered
    std::u16string errorText;   // the item format's parse message; empty when it is valid

    CopyFormat() = default;
    CopyFormat(CopyFormat&&) noexcept = default;
    CopyFormat& operator=(CopyFormat&&) noexcept = default;

    // Appends the output of every part, in order, for one item.
    void RenderItem(const CFItem& item, TextBuffer& buffer, PathLookups& lookups) const;
};

}  // namespace quillet
