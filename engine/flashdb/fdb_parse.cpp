// ParseFlashDatabase: the stored bytes decoded, then the text read line by line.
#include "engine/flashdb/flash_part_database.h"

#include "platform/text/text.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>
#include <vector>

namespace {

constexpr std::size_t kLongestLine = 260; // wide characters
constexpr std::size_t kShortestPartLine = 5;
constexpr std::size_t kNumberStart = 8; // "Version=" and "ItemNum=": key, one separator

const std::string_view kVendorSections[] = {"[Samsung]", "[Hynix]", "[Micron]", "[Intel]", "[Toshiba]"};

bool StartsWith(std::string_view line, std::string_view prefix)
{
    return line.substr(0, prefix.size()) == prefix;
}

// The text of the stored bytes: each byte less its index, modulo 256, without the tail.
std::string Decode(std::string_view stored)
{
    std::string text(stored.substr(0, stored.size() - kFlashDatabaseTail));
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char>(static_cast<unsigned char>(text[i]) - static_cast<unsigned char>(i));
    return text;
}

// A stored file that was not scrambled, or was decoded once already, decodes into bytes
// that no text holds.
bool IsText(std::string_view text)
{
    return std::none_of(text.begin(), text.end(), [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && c != '\t' && c != '\r' && c != '\n') || byte == 0x7F;
    });
}

// Decimal as the C library reads it: blanks, a sign, digits; saturating.
INT DecimalFrom(std::string_view line, std::size_t start)
{
    std::string_view text = start < line.size() ? line.substr(start) : std::string_view{};
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
        ++at;
    bool negative = at < text.size() && text[at] == '-';
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        ++at;
    long long value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        value = std::min<long long>(value * 10 + (text[at] - '0'), static_cast<long long>(INT_MAX) + 1);
    return static_cast<INT>(std::clamp<long long>(negative ? -value : value, INT_MIN, INT_MAX));
}

std::vector<std::string_view> Tokens(std::string_view line)
{
    std::vector<std::string_view> tokens;
    std::size_t at = 0;
    while (at < line.size()) {
        at = line.find_first_not_of(" \t", at);
        if (at == std::string_view::npos)
            break;
        std::size_t end = std::min(line.find_first_of(" \t", at), line.size());
        tokens.push_back(line.substr(at, end - at));
        at = end;
    }
    return tokens;
}

// "0x" and 1..16 hexadecimal digits, nothing else.
std::optional<ULONGLONG> HexToken(std::string_view token)
{
    if (token.size() < 3 || token.size() > 18 || token[0] != '0' || (token[1] != 'x' && token[1] != 'X'))
        return std::nullopt;
    ULONGLONG value = 0;
    for (char c : token.substr(2)) {
        int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0)
            return std::nullopt;
        value = value << 4 | static_cast<ULONGLONG>(digit);
    }
    return value;
}

// One part: its name, then the numbers of its fields. Empty when the line breaks the format.
std::string ReadPart(std::string_view line, FlashPartRecord& record)
{
    std::vector<std::string_view> tokens = Tokens(line);
    if (tokens.size() < 1 + kFlashPartFields.size())
        return "a part has " + std::to_string(tokens.empty() ? 0 : tokens.size() - 1) + " of its " +
               std::to_string(kFlashPartFields.size()) + " numbers";
    platform::CopyToField(record.name, sizeof record.name, tokens[0]);
    for (std::size_t i = 0; i < kFlashPartFields.size(); ++i) {
        const FlashPartField& field = kFlashPartFields[i];
        std::optional<ULONGLONG> value = HexToken(tokens[1 + i]);
        if (!value || *value >> (8 * field.width) != 0)
            return "number " + std::to_string(i + 1) + " of a part, \"" + std::string(tokens[1 + i]) +
                   "\", is not a hexadecimal " + (field.width == 1 ? "byte" : "16-bit value");
        for (std::size_t b = 0; b < field.width; ++b)
            record.parameters[field.offset + b] = static_cast<BYTE>(*value >> (8 * b));
    }
    return {};
}

std::string AtLine(std::size_t number, const std::string& problem)
{
    return "line " + std::to_string(number) + ": " + problem;
}

} // namespace

FlashDatabaseParse ParseFlashDatabase(std::string_view fileBytes, FlashPartTable& table)
{
    std::memset(&table, 0, sizeof table);
    auto refuse = [&table](std::string problem) {
        std::memset(&table, 0, sizeof table);
        return FlashDatabaseParse{std::move(problem)};
    };
    if (fileBytes.size() < kFlashDatabaseTail)
        return refuse("the file is " + std::to_string(fileBytes.size()) + " bytes, shorter than its " +
                      std::to_string(kFlashDatabaseTail) + "-byte tail");
    const std::string text = Decode(fileBytes);
    if (!IsText(text))
        return refuse("the decoded file is not text (stored without its scrambling?)");

    std::size_t filled = 0;
    bool inSection = false;
    std::size_t lineNumber = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = std::min(text.find('\n', at), text.size());
        std::string_view line(text.data() + at, end - at);
        at = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::size_t characters = platform::AnsiToWide(line).size();
        if (characters > kLongestLine)
            return refuse(AtLine(lineNumber, "longer than " + std::to_string(kLongestLine) + " characters"));
        if (StartsWith(line, "#") || StartsWith(line, "/"))
            continue;
        if (!inSection) {
            if (StartsWith(line, "[FileInformation]"))
                continue;
            if (StartsWith(line, "Version")) {
                table.Version = DecimalFrom(line, kNumberStart);
            } else if (StartsWith(line, "ItemNum")) {
                table.ItemNum = DecimalFrom(line, kNumberStart);
                if (table.ItemNum == 0)
                    break;
            } else {
                inSection = std::any_of(std::begin(kVendorSections), std::end(kVendorSections),
                                        [&](std::string_view section) { return StartsWith(line, section); });
            }
            continue;
        }
        if (StartsWith(line, "[EndSubItem]")) {
            inSection = false;
            continue;
        }
        if (characters < kShortestPartLine)
            continue;
        FlashPartRecord part{};
        std::string problem = ReadPart(line, part);
        if (!problem.empty())
            return refuse(AtLine(lineNumber, problem));
        if (filled < kFlashPartCapacity)
            table.records[filled++] = part; // parts beyond the table's room are checked, not kept
    }
    if (inSection)
        return refuse("a part section has no [EndSubItem]: the file is cut short");
    table.ItemNum = static_cast<INT>(filled);
    return {};
}
