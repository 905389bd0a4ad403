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
    // or appends the section with the key at the end of the document.
    void Set(std::u16string_view section, std::u16string_view key, std::u16string_view value);

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

    Line MakeLine(std::u16string text, bool cr) const;
    void AddLine(std::string bytes);
    void Insert(std::size_t at, std::u16string text);
    void BuildIndex();
    const Section* FindSection(std::u16string_view folded) const;

    Encoding encoding_ = Encoding::Ansi;
    bool crlf_ = true;         // line ends of new lines: those of the file's first line
    bool finalNewline_ = true; // the last line ends with a line end
    std::vector<Line> lines_;
    std::vector<Section> sections_;
};

} // namespace platform::profile
