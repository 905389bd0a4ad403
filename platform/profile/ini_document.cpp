#include "platform/profile/ini_document.h"

#include "platform/text/text.h"

namespace platform::profile {
namespace {

constexpr std::string_view kUtf16Mark = "\xFF\xFE";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

bool IsBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

std::u16string_view Trim(std::u16string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::u16string Fold(std::u16string_view name)
{
    std::u16string folded(Trim(name));
    for (char16_t& c : folded)
        c = WideToUpper(c);
    return folded;
}

std::u16string_view Unquote(std::u16string_view value)
{
    if (value.size() >= 2 && value.front() == value.back() && (value.front() == u'"' || value.front() == u'\''))
        return value.substr(1, value.size() - 2);
    return value;
}

bool HasLineBreak(std::u16string_view text)
{
    return text.find_first_of(u"\r\n") != std::u16string_view::npos;
}

// A section name that reads back as written and adds no line of its own.
bool SectionReadsBack(std::u16string_view section)
{
    return !HasLineBreak(section) && section.find(u']') == std::u16string_view::npos;
}

// A key and value that read back as written (apart from the blanks and quotes every read
// removes) and add no line, key or section of their own.
bool KeyReadsBack(std::u16string_view key, std::u16string_view value)
{
    std::u16string_view keyStart = key.substr(std::min(key.find_first_not_of(u" \t"), key.size()));
    return !HasLineBreak(key) && !HasLineBreak(value) && key.find(u'=') == std::u16string_view::npos &&
           !keyStart.starts_with(u'[') && !keyStart.starts_with(u';');
}

// A visual separator line (the result log's): a key of nothing but '=' and a value of '='
// and line feeds. It reads back as no key, and its lines are neither keys nor sections.
bool IsSeparator(std::u16string_view key, std::u16string_view value)
{
    return !key.empty() && key.find_first_not_of(u'=') == std::u16string_view::npos &&
           value.find_first_not_of(u"=\n") == std::u16string_view::npos;
}

std::u16string DecodeUtf16Le(std::string_view bytes)
{
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return text;
}

std::string EncodeUtf16Le(std::u16string_view text)
{
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

} // namespace

IniDocument IniDocument::Parse(std::string_view fileBytes)
{
    IniDocument document;
    if (fileBytes.starts_with(kUtf16Mark)) {
        document.encoding_ = Encoding::Utf16Le;
        fileBytes.remove_prefix(kUtf16Mark.size());
    } else if (fileBytes.starts_with(kUtf8Mark)) {
        document.encoding_ = Encoding::Utf8WithMark;
        fileBytes.remove_prefix(kUtf8Mark.size());
    }
    // A line ends at '\n' (in UTF-16LE at the unit 0x000A, so only at even byte positions).
    const std::size_t unit = document.encoding_ == Encoding::Utf16Le ? 2 : 1;
    // A damaged UTF-16LE file may end in half a unit: that byte stays after the last line,
    // so that lines added later begin on whole units and the next start reads them.
    if (unit == 2 && fileBytes.size() % 2 == 1) {
        document.oddTail_.assign(1, fileBytes.back());
        fileBytes.remove_suffix(1);
    }
    std::size_t start = 0;
    for (std::size_t at = 0; at + unit <= fileBytes.size(); at += unit) {
        if (fileBytes[at] == '\n' && (unit == 1 || fileBytes[at + 1] == '\0')) {
            document.AddLine(std::string(fileBytes.substr(start, at - start)));
            start = at + unit;
        }
    }
    document.finalNewline_ = start == fileBytes.size();
    if (!document.finalNewline_)
        document.AddLine(std::string(fileBytes.substr(start)));
    if (!document.lines_.empty() && (document.lines_.size() > 1 || document.finalNewline_))
        document.crlf_ = document.lines_.front().cr;
    document.BuildIndex();
    return document;
}

void IniDocument::AddLine(std::string bytes)
{
    std::string_view cr = encoding_ == Encoding::Utf16Le ? std::string_view("\r\0", 2) : "\r";
    bool endsWithCr = bytes.ends_with(cr);
    if (endsWithCr)
        bytes.resize(bytes.size() - cr.size());
    std::u16string text;
    switch (encoding_) {
    case Encoding::Ansi:
        text = AnsiToWide(bytes);
        break;
    case Encoding::Utf8WithMark:
        text = Utf8ToWide(bytes);
        break;
    case Encoding::Utf16Le:
        text = DecodeUtf16Le(bytes);
        break;
    }
    // Line ends converted twice (CR CR LF): the further CRs are no part of the text either.
    // The bytes keep them, so the line is written back as it was while nothing changes it.
    while (text.ends_with(u'\r'))
        text.pop_back();
    lines_.push_back({std::move(text), std::move(bytes), endsWithCr});
}

std::optional<IniDocument::Line> IniDocument::MakeLine(std::u16string text, bool cr) const
{
    std::string bytes;
    bool lossless = true;
    switch (encoding_) {
    case Encoding::Ansi:
        bytes = WideToAnsi(text, &lossless);
        break;
    case Encoding::Utf8WithMark:
        bytes = WideToUtf8(text, &lossless);
        break;
    case Encoding::Utf16Le:
        bytes = EncodeUtf16Le(text);
        break;
    }
    if (!lossless)
        return std::nullopt;
    return Line{std::move(text), std::move(bytes), cr};
}

std::string IniDocument::Serialise() const
{
    std::string out;
    if (encoding_ == Encoding::Utf16Le)
        out = kUtf16Mark;
    else if (encoding_ == Encoding::Utf8WithMark)
        out = kUtf8Mark;
    bool wide = encoding_ == Encoding::Utf16Le;
    std::string_view cr = wide ? std::string_view("\r\0", 2) : "\r";
    std::string_view lf = wide ? std::string_view("\n\0", 2) : "\n";
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        out += lines_[i].bytes;
        if (lines_[i].cr)
            out += cr;
        if (i + 1 < lines_.size() || finalNewline_)
            out += lf;
    }
    return out + oddTail_;
}

void IniDocument::BuildIndex()
{
    sections_.clear();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        std::u16string_view text = Trim(lines_[i].text);
        if (text.starts_with(u'[')) {
            if (auto close = text.find(u']'); close != std::u16string_view::npos) {
                sections_.push_back({Fold(text.substr(1, close - 1)), i, {}});
                continue;
            }
        }
        if (sections_.empty() || text.starts_with(u';'))
            continue;
        if (auto equals = text.find(u'='); equals != std::u16string_view::npos)
            sections_.back().keys.push_back({Fold(text.substr(0, equals)), i});
    }
}

const IniDocument::Section* IniDocument::FindSection(std::u16string_view folded) const
{
    for (const Section& section : sections_)
        if (section.folded == folded)
            return &section;
    return nullptr;
}

std::optional<std::u16string> IniDocument::Find(std::u16string_view section, std::u16string_view key) const
{
    const Section* found = FindSection(Fold(section));
    if (found == nullptr)
        return std::nullopt;
    std::u16string foldedKey = Fold(key);
    for (const Key& entry : found->keys) {
        if (entry.folded != foldedKey)
            continue;
        std::u16string_view text = lines_[entry.line].text;
        return std::u16string(Unquote(Trim(text.substr(text.find(u'=') + 1))));
    }
    return std::nullopt;
}

void IniDocument::Insert(std::size_t at, Line line)
{
    if (at == lines_.size())
        finalNewline_ = true; // the old last line gets its line end before the new one follows
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

bool IniDocument::Set(std::u16string_view section, std::u16string_view key, std::u16string_view value)
{
    bool separator = IsSeparator(key, value);
    if (!SectionReadsBack(section) || (!separator && !KeyReadsBack(key, value)))
        return false;
    const Section* found = FindSection(Fold(section));
    std::vector<Line> added;
    if (found == nullptr) {
        auto header = MakeLine(u"[" + std::u16string(Trim(section)) + u"]", crlf_);
        if (!header)
            return false;
        added.push_back(std::move(*header));
    }
    std::u16string assignment = std::u16string(Trim(key)) + u'=' + std::u16string(value);
    if (separator) {
        // Each line feed of the value ends a line as it stands, without a CR.
        std::size_t start = 0;
        for (std::size_t feed; (feed = assignment.find(u'\n', start)) != std::u16string::npos; start = feed + 1) {
            auto piece = MakeLine(assignment.substr(start, feed - start), false);
            if (!piece)
                return false;
            added.push_back(std::move(*piece));
        }
        assignment.erase(0, start);
    } else if (found != nullptr) {
        std::u16string foldedKey = Fold(key);
        for (const Key& entry : found->keys) {
            if (entry.folded != foldedKey)
                continue;
            // Keep the key as the file spells it, and the line's own line end.
            Line& line = lines_[entry.line];
            std::u16string_view text = line.text;
            std::u16string spelledKey(Trim(text.substr(0, text.find(u'='))));
            auto replaced = MakeLine(spelledKey + u'=' + std::u16string(value), line.cr);
            if (!replaced)
                return false;
            line = std::move(*replaced);
            return true;
        }
    }
    auto last = MakeLine(std::move(assignment), crlf_);
    if (!last)
        return false;
    added.push_back(std::move(*last));
    std::size_t at = found == nullptr ? lines_.size()
                     : (found->keys.empty() ? found->headerLine : found->keys.back().line) + 1;
    for (Line& line : added)
        Insert(at++, std::move(line));
    BuildIndex();
    return true;
}

} // namespace platform::profile
