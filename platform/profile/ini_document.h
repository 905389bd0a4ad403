// The text of one INI file as the private-profile functions see it: its lines in order,
// the encoding and line ends they were stored with, and an index of sections and keys.
// Lines the functions do not change are written back byte for byte, so comments, blank
// lines and text in a legacy code page survive a rewrite.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::profile {

class IniDocument {
public:
    // An empty document, as for a file that does not exist yet.
    IniDocument() = default;
    static IniDocument Parse(std::string_view fileBytes);
    std::string Serialise() const;

    // The value of the first matching key of the first matching section (names compared
    // without regard to case and surrounding blanks), with its blanks and one pair of
    // enclosing quotes removed. nullopt when the section or the key is missing.
    std::optional<std::u16string> Find(std::u16string_view section, std::u16string_view key) const;

    // Replaces the value of the key, or appends the key after the last key of its section,
    // or appends the section with the key at the end of the document. False, with the
    // document unchanged, for an assignment that would not read back as written: a line
    // break anywhere, ']' in the section name, '=' in the key or a key that starts with '['
    // or ';', or a character the file's encoding cannot hold (half a surrogate pair in an
    // ANSI or UTF-8 file). The one exception is a separator line: a key of nothing but '='
    // and a value of '=' and line feeds, written as it stands (each line feed ends a line)
    // and never read back as a key.
    bool Set(std::u16string_view section, std::u16string_view key, std::u16string_view value);

private:
    enum class Encoding { Ansi, Utf8WithMark, Utf16Le };

    struct Line {
        std::u16string text; // without its line end
        std::string bytes;   // as stored, without the line end
        bool cr;             // the line ends with "\r\n" (or is the last line and had a '\r')
    };
    struct Key {
        std::u16string folded;
        std::size_t line;
    };
    struct Section {
        std::u16string folded;
        std::size_t headerLine;
        std::vector<Key> keys;
    };

    // The line in the file's encoding; nullopt when the encoding cannot hold the text.
    std::optional<Line> MakeLine(std::u16string text, bool cr) const;
    void AddLine(std::string bytes);
    void Insert(std::size_t at, Line line);
    void BuildIndex();
    const Section* FindSection(std::u16string_view folded) const;

    Encoding encoding_ = Encoding::Ansi;
    bool crlf_ = true;         // line ends of new lines: those of the file's first line
    bool finalNewline_ = true; // the last line ends with a line end
    std::string oddTail_;      // a UTF-16LE file's last byte when its length is odd (damage)
    std::vector<Line> lines_;
    std::vector<Section> sections_;
};

} // namespace platform::profile
