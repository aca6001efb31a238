#include "core/format/ItemFormat.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "core/messages/Messages.h"
#include "platform/AsciiCase.h"

namespace quillet {
namespace {

constexpr auto kBackslash = static_cast<std::int32_t>(PathSeparator::Backslash);
constexpr auto kForwardSlash = static_cast<std::int32_t>(PathSeparator::ForwardSlash);

// Every path attribute takes the separator tags and the URL; the other forms only where they mean
// something: the network and shell forms on full paths, short names on what the file system names.
template <std::size_t N, std::size_t M>
constexpr std::array<AttributeTag, N + M> JoinTags(const std::array<AttributeTag, N>& first,
                                                   const std::array<AttributeTag, M>& second) {
    std::array<AttributeTag, N + M> joined{};
    std::copy(first.begin(), first.end(), joined.begin());
    std::copy(second.begin(), second.end(), joined.begin() + N);
    return joined;
}

constexpr auto kSeparatorTags = std::to_array<AttributeTag>({
    {u"backslash", kBackslash},
    {u"doublebackslash", static_cast<std::int32_t>(PathSeparator::DoubleBackslash)},
    {u"forwardslash", kForwardSlash},
    {u"url", kBackslash, PathForm::Url},
});
constexpr auto kNameTags =
    JoinTags(kSeparatorTags, std::to_array<AttributeTag>({{u"short", kBackslash, PathForm::Short}}));
constexpr auto kFullPathTags = JoinTags(kNameTags, std::to_array<AttributeTag>({
                                                       {u"unc", kBackslash, PathForm::Unc},
                                                       {u"wsl", kBackslash, PathForm::Wsl},
                                                       {u"msys", kBackslash, PathForm::Msys},
                                                       {u"cygwin", kBackslash, PathForm::Cygwin},
                                                   }));

constexpr AttributeTag kDateTags[] = {
    {u"shortdatetime", static_cast<std::int32_t>(DateStyle::ShortDateTime)},
    {u"longdatetime", static_cast<std::int32_t>(DateStyle::LongDateTime)},
    {u"shortdate", static_cast<std::int32_t>(DateStyle::ShortDate)},
    {u"longdate", static_cast<std::int32_t>(DateStyle::LongDate)},
};

constexpr AttributeTag kSizeTags[] = {
    {u"b", static_cast<std::int32_t>(SizeUnit::Bytes)},
    {u"kb", static_cast<std::int32_t>(SizeUnit::Kilobytes)},
    {u"mb", static_cast<std::int32_t>(SizeUnit::Megabytes)},
    {u"gb", static_cast<std::int32_t>(SizeUnit::Gigabytes)},
    {u"auto", static_cast<std::int32_t>(SizeUnit::Auto)},
};

constexpr auto kShortDateTime = static_cast<std::int32_t>(DateStyle::ShortDateTime);
constexpr auto kBytes = static_cast<std::int32_t>(SizeUnit::Bytes);

constexpr AttributeKeyword kKeywords[] = {
    {u"name", AttributeKind::Path, static_cast<std::int32_t>(PathComponent::Name), kNameTags, kBackslash},
    {u"folder", AttributeKind::Path, static_cast<std::int32_t>(PathComponent::Folder), kFullPathTags,
     kBackslash},
    {u"path", AttributeKind::Path, static_cast<std::int32_t>(PathComponent::Path), kFullPathTags, kBackslash},
    {u"ext", AttributeKind::Path, static_cast<std::int32_t>(PathComponent::Ext), kNameTags, kBackslash},
    {u"namenoext", AttributeKind::Path, static_cast<std::int32_t>(PathComponent::NameNoExt), kNameTags,
     kBackslash},
    {u"repopath", AttributeKind::Path, static_cast<std::int32_t>(PathComponent::RepoPath), kSeparatorTags,
     kForwardSlash},
    {u"moddate", AttributeKind::Date, static_cast<std::int32_t>(DateStamp::Modified), kDateTags,
     kShortDateTime},
    {u"credate", AttributeKind::Date, static_cast<std::int32_t>(DateStamp::Created), kDateTags,
     kShortDateTime},
    {u"accdate", AttributeKind::Date, static_cast<std::int32_t>(DateStamp::Accessed), kDateTags,
     kShortDateTime},
    {u"size", AttributeKind::Size, 0, kSizeTags, kBytes},
    {u"type", AttributeKind::Type, 0, {}, 0},
};

bool IsAsciiLetterOrDigit(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9');
}

bool EndsFormat(char16_t c) {
    return c == u'\0' || c == u'\n';
}

std::unique_ptr<ItemPartBase> MakePart(const AttributeKeyword& keyword, std::int32_t value,
                                       PathForm form = PathForm::AsIs) {
    switch (keyword.kind) {
        case AttributeKind::Path:
            return std::make_unique<ItemPartPath>(static_cast<PathComponent>(keyword.selector),
                                                  static_cast<PathSeparator>(value), form);
        case AttributeKind::Date:
            return std::make_unique<ItemPartDate>(static_cast<DateStamp>(keyword.selector),
                                                  static_cast<DateStyle>(value));
        case AttributeKind::Size:
            return std::make_unique<ItemPartSize>(static_cast<SizeUnit>(value));
        case AttributeKind::Type:
            return std::make_unique<ItemPartType>();
    }
    return nullptr;
}

}  // namespace

std::span<const AttributeKeyword> AttributeKeywords() {
    return kKeywords;
}

const AttributeKeyword* FindAttributeKeyword(std::u16string_view name) {
    const auto keyword =
        std::find_if(std::begin(kKeywords), std::end(kKeywords),
                     [&](const AttributeKeyword& candidate) { return candidate.name == name; });
    return keyword == std::end(kKeywords) ? nullptr : &*keyword;
}

const AttributeTag* FindAttributeTag(const AttributeKeyword& keyword, std::u16string_view tag) {
    const auto found = std::find_if(
        keyword.tags.begin(), keyword.tags.end(),
        [&](const AttributeTag& candidate) { return EqualsIgnoringAsciiCase(candidate.tag, tag); });
    return found == keyword.tags.end() ? nullptr : &*found;
}

char16_t DecodeEscape(char16_t second, EscapeMode mode) {
    switch (mode) {
        case EscapeMode::NameEscapes:
            return second == u':' || second == u'\\' ? second : u'\0';
        case EscapeMode::EditorEscapes:
            return second == u'[' || second == u']' || second == u'|' ? second : u'\0';
        case EscapeMode::FullEscapes:
            switch (second) {
                case u'$':
                case u'[':
                case u'\\':
                case u']':
                case u'|':
                    return second;
                case u'n':
                    return u'\n';
                case u'r':
                    return u'\r';
                case u't':
                    return u'\t';
                default:
                    return u'\0';
            }
    }
    return u'\0';
}

namespace {

// The characters that interrupt a run of plain text: the end of the format, a backslash and the
// caller's stop characters. ASCII ones are looked up in a bit set, so that the plain stretches of a
// run are found and copied whole rather than character by character.
class RunBreaks {
  public:
    explicit RunBreaks(std::u16string_view stopCharacters) : stops_(stopCharacters) {
        for (const char16_t c : stopCharacters) {
            if (c < 64) {
                low_ |= std::uint64_t{1} << c;
            } else if (c < 128) {
                high_ |= std::uint64_t{1} << (c - 64);
            } else {
                wideStops_ = true;
            }
        }
    }

    bool Breaks(char16_t c) const {
        if (c < 128) {
            return (((c < 64 ? low_ : high_) >> (c & 63)) & 1) != 0;
        }
        return wideStops_ && stops_.find(c) != std::u16string_view::npos;
    }

  private:
    std::u16string_view stops_;
    // The zero character, the line feed and the backslash always break a run.
    std::uint64_t low_ = (std::uint64_t{1} << u'\0') | (std::uint64_t{1} << u'\n');
    std::uint64_t high_ = std::uint64_t{1} << (u'\\' - 64);
    bool wideStops_ = false;
};

// Where the cursor reads in its text; the text's size when it reads as the end.
std::size_t ReadOffset(const FormatCursor& cursor) {
    const std::int32_t position = cursor.Position();
    const std::size_t size = cursor.Text().size();
    return position < 0 ? size : std::min(static_cast<std::size_t>(position), size);
}

}  // namespace

std::u16string ReadRun(FormatCursor& cursor, std::u16string_view stopCharacters, EscapeMode mode) {
    // The configuration program keeps "\t", "\$" and the like as two characters, which the shell
    // extension reads as one. It counts them as one too, so that both readings of a field stop at the
    // same place and saving never cuts a field or loses the texts after it.
    const EscapeMode countingMode = mode == EscapeMode::EditorEscapes ? EscapeMode::FullEscapes : mode;
    const std::u16string_view text = cursor.Text();
    const RunBreaks breaks(stopCharacters);
    const std::size_t start = ReadOffset(cursor);
    // The plain characters up to the next break, as many as fit a run.
    const auto plainEnd = [&](std::size_t from, std::size_t room) {
        const std::size_t limit = from + std::min(room, text.size() - from);
        std::size_t end = from;
        while (end < limit && !breaks.Breaks(text[end])) {
            ++end;
        }
        return end;
    };
    std::size_t at = plainEnd(start, kMaxRunLength);
    if (at == text.size() || at - start == kMaxRunLength || text[at] != u'\\') {
        // Most runs hold no escape at all: they are their text as it stands.
        cursor.Advance(static_cast<std::int32_t>(at - start));
        return std::u16string(text.substr(start, at - start));
    }
    std::u16string run(text.substr(start, at - start));
    std::size_t length = run.size();  // as the counting mode reads the run
    while (length < kMaxRunLength && at < text.size()) {
        const char16_t c = text[at];
        if (c != u'\\') {
            break;  // the end of the format or a stop character
        }
        const char16_t next = at + 1 < text.size() ? text[at + 1] : u'\0';
        if (const char16_t decoded = DecodeEscape(next, mode); decoded != u'\0') {
            run.push_back(decoded);
            at += 2;
            ++length;
        } else if (EndsFormat(next)) {
            // A lone backslash at the end stays a backslash.
            run.push_back(c);
            at += 1;
            ++length;
        } else {
            const bool oneCharacter = DecodeEscape(next, countingMode) != u'\0';
            if (!oneCharacter && length + 2 > kMaxRunLength) {
                // The pair counts as two characters: it must fit the run whole, or wait for the next one.
                break;
            }
            run.push_back(c);
            run.push_back(next);
            at += 2;
            length += oneCharacter ? 1 : 2;
        }
        if (length < kMaxRunLength) {
            const std::size_t end = plainEnd(at, kMaxRunLength - length);
            run.append(text.data() + at, end - at);
            length += end - at;
            at = end;
        }
    }
    cursor.Advance(static_cast<std::int32_t>(at - start));
    return run;
}

namespace {

// ReadIdentifier without a copy: the identifier as a view into the cursor's text.
std::u16string_view ReadIdentifierView(FormatCursor& cursor) {
    const std::u16string_view text = cursor.Text();
    const std::size_t start = ReadOffset(cursor);
    const std::size_t limit = start + std::min(kMaxRunLength, text.size() - start);
    std::size_t end = start;
    while (end < limit && IsAsciiLetterOrDigit(text[end])) {
        ++end;
    }
    cursor.Advance(static_cast<std::int32_t>(end - start));
    return text.substr(start, end - start);
}

}  // namespace

std::u16string ReadIdentifier(FormatCursor& cursor) {
    return std::u16string(ReadIdentifierView(cursor));
}

ParsedAttribute ParseAttribute(FormatCursor& cursor) {
    if (cursor.Peek() != u'\0') {
        cursor.Advance();  // the "$"
    }
    const std::u16string_view name = ReadIdentifierView(cursor);
    if (name.empty()) {
        return {nullptr, FormatMessageText(MessageId::DollarWithoutAttribute)};
    }
    std::u16string_view tag;
    if (cursor.Peek() == u':') {
        cursor.Advance();
        tag = ReadIdentifierView(cursor);
    }
    if (cursor.Peek() == u';') {
        cursor.Advance();  // only ends the reference, so that letters or digits may follow as text
    }

    const AttributeKeyword* keyword = FindAttributeKeyword(name);
    if (keyword == nullptr) {
        return {nullptr, FormatMessageText(MessageId::NoSuchAttribute, {name})};
    }
    if (tag.empty() || keyword->kind == AttributeKind::Type) {
        return {MakePart(*keyword, keyword->defaultValue), {}};
    }
    if (const AttributeTag* found = FindAttributeTag(*keyword, tag)) {
        return {MakePart(*keyword, found->value, found->form), {}};
    }
    return {nullptr, FormatMessageText(MessageId::InvalidParameterTag, {tag, name})};
}

ParsedItemFormat ParseItemFormat(const FormatCursor& start, EscapeMode mode, FormatPlacement placement) {
    const bool inCommandLine = placement == FormatPlacement::InCommandLine;
    const std::u16string_view stopCharacters = inCommandLine ? u"$[]" : u"$";
    FormatCursor cursor = start;
    ParsedItemFormat result;
    // Each "$" starts at most one attribute part and one text part after it: room for them all at once.
    const std::u16string_view rest = cursor.Text().substr(ReadOffset(cursor));
    result.parts.reserve(2 * static_cast<std::size_t>(std::count(rest.begin(), rest.end(), u'$')) + 1);
    // After the first fault attributes are only read on, for the messages of later faults.
    bool faulty = false;
    bool sawAttribute = false;
    for (;;) {
        std::u16string run = ReadRun(cursor, stopCharacters, mode);
        if (!run.empty()) {
            result.parts.push_back(std::make_unique<ItemPartText>(std::move(run)));
        }
        const char16_t c = cursor.Peek();
        if (EndsFormat(c) || (inCommandLine && c == u'[')) {
            break;
        }
        if (c == u'$') {
            sawAttribute = true;
            ParsedAttribute attribute = ParseAttribute(cursor);
            if (!attribute.error.empty()) {
                result.error = std::move(attribute.error);
                faulty = true;
            } else if (!faulty) {
                result.parts.push_back(std::move(attribute.part));
            }
        } else if (inCommandLine && c == u']') {
            result.error = FormatMessageText(MessageId::UnexpectedCloseBracket);
            break;
        }
        // Anything else: the run stopped because it was full; the next run goes on from here.
    }
    if (!sawAttribute) {
        result.error = FormatMessageText(MessageId::NoItemVariables);
    }
    result.end = cursor.Position();
    return result;
}

}  // namespace quillet
