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
    lines_.push_back({std::move(text), std::move(bytes), endsWithCr});
}

IniDocument::Line IniDocument::MakeLine(std::u16string text, bool cr) const
{
    std::string bytes;
    switch (encoding_) {
    case Encoding::Ansi:
        bytes = WideToAnsi(text);
        break;
    case Encoding::Utf8WithMark:
        bytes = WideToUtf8(text);
        break;
    case Encoding::Utf16Le:
        bytes = EncodeUtf16Le(text);
        break;
    }
    return {std::move(text), std::move(bytes), cr};
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
    return out;
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

void IniDocument::Insert(std::size_t at, std::u16string text)
{
    if (at == lines_.size())
        finalNewline_ = true; // the old last line gets its line end before the new one follows
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), MakeLine(std::move(text), crlf_));
}

void IniDocument::Set(std::u16string_view section, std::u16string_view key, std::u16string_view value)
{
    const Section* found = FindSection(Fold(section));
    std::u16string assignment = std::u16string(Trim(key)) + u'=' + std::u16string(value);
    if (found == nullptr) {
        Insert(lines_.size(), u"[" + std::u16string(Trim(section)) + u"]");
        Insert(lines_.size(), std::move(assignment));
    } else {
        std::u16string foldedKey = Fold(key);
        for (const Key& entry : found->keys) {
            if (entry.folded != foldedKey)
                continue;
            // Keep the key as the file spells it, and the line's own line end.
            Line& line = lines_[entry.line];
            std::u16string_view text = line.text;
            std::u16string spelledKey(Trim(text.substr(0, text.find(u'='))));
            line = MakeLine(spelledKey + u'=' + std::u16string(value), line.cr);
            return;
        }
        Insert((found->keys.empty() ? found->headerLine : found->keys.back().line) + 1, std::move(assignment));
    }
    BuildIndex();
}

} // namespace platform::profile
