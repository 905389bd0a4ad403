#include "platform/registry/store_file.h"

#include "platform/debug/debug.h"
#include "platform/registry/registry.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace platform::registry {
namespace {

constexpr std::string_view kHeader = "fabrun-registry 1";
constexpr std::string_view kDefaultValueToken = "@";

// A name's backslash is escaped too: unescaped, it would split the name into two keys.
bool NeedsEscape(unsigned char byte)
{
    return byte <= 0x20 || byte == 0x7F || byte == '%' || byte == '\\';
}

void AppendEscaped(std::string& out, std::string_view name)
{
    for (unsigned char byte : name) {
        if (NeedsEscape(byte)) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", byte);
            out += hex;
        } else {
            out += static_cast<char>(byte);
        }
    }
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool Unescape(std::string_view token, std::string& out)
{
    out.clear();
    for (std::size_t at = 0; at < token.size(); ++at) {
        if (token[at] != '%') {
            out += token[at];
            continue;
        }
        if (at + 2 >= token.size())
            return false;
        int high = HexDigit(token[at + 1]), low = HexDigit(token[at + 2]);
        if (high < 0 || low < 0)
            return false;
        out += static_cast<char>(high << 4 | low);
        at += 2;
    }
    return true;
}

// Text with one closing NUL is written as text, anything else as hex bytes.
void AppendData(std::string& out, const std::vector<BYTE>& data)
{
    auto nul = std::find(data.begin(), data.end(), BYTE{0});
    if (!data.empty() && nul == data.end() - 1) {
        out += '=';
        AppendEscaped(out, std::string_view(reinterpret_cast<const char*>(data.data()), data.size() - 1));
        return;
    }
    out += ':';
    for (BYTE byte : data) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", byte);
        out += hex;
    }
}

bool ParseData(std::string_view token, std::vector<BYTE>& data)
{
    if (token.empty())
        return false;
    if (token[0] == '=') {
        std::string text;
        if (!Unescape(token.substr(1), text))
            return false;
        data.assign(text.begin(), text.end());
        data.push_back(0);
        return true;
    }
    if (token[0] != ':' || token.size() % 2 != 1)
        return false;
    for (std::size_t at = 1; at < token.size(); at += 2) {
        int high = HexDigit(token[at]), low = HexDigit(token[at + 1]);
        if (high < 0 || low < 0)
            return false;
        data.push_back(static_cast<BYTE>(high << 4 | low));
    }
    return true;
}

void SerializeKey(const Key& key, const std::string& path, std::string& out)
{
    out += "key ";
    out += path;
    out += '\n';
    for (const Value& value : key.values()) {
        out += "value " + std::to_string(value.type) + ' ';
        if (value.name.empty())
            out += kDefaultValueToken;
        else if (value.name == kDefaultValueToken)
            out += "%40";
        else
            AppendEscaped(out, value.name);
        out += ' ';
        AppendData(out, value.data);
        out += '\n';
    }
    key.ForEachChild([&](const Key& child) {
        std::string childPath = path;
        childPath += '\\';
        AppendEscaped(childPath, child.name());
        SerializeKey(child, childPath, out);
    });
}

// Splits off the next space-separated token.
std::string_view NextToken(std::string_view& rest)
{
    auto space = rest.find(' ');
    std::string_view token = rest.substr(0, space);
    rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    return token;
}

Key* ParseKeyLine(std::string_view path, Key& top)
{
    Key* key = &top;
    // The root key's name, then at most kMaxKeyDepth levels below it.
    for (std::size_t level = 0;; ++level) {
        if (level > kMaxKeyDepth) {
            DebugPrintf("registry: the store holds a key nested deeper than %zu levels", kMaxKeyDepth);
            return nullptr;
        }
        auto separator = path.find('\\');
        std::string name;
        if (!Unescape(path.substr(0, separator), name) || name.empty())
            return nullptr;
        bool created;
        key = &key->AddChild(name, created);
        if (separator == std::string_view::npos)
            return key;
        path.remove_prefix(separator + 1);
    }
}

bool ParseValueLine(std::string_view rest, Key& key)
{
    std::string_view typeToken = NextToken(rest);
    std::string_view nameToken = NextToken(rest);
    std::string_view dataToken = rest;
    DWORD type = 0;
    auto [end, error] = std::from_chars(typeToken.data(), typeToken.data() + typeToken.size(), type);
    if (error != std::errc() || end != typeToken.data() + typeToken.size())
        return false;
    std::string name;
    if (nameToken != kDefaultValueToken && (!Unescape(nameToken, name) || name.empty()))
        return false;
    std::vector<BYTE> data;
    if (!ParseData(dataToken, data))
        return false;
    key.SetValue(name, type, std::move(data));
    return true;
}

} // namespace

std::string SerializeStore(const Key& top)
{
    std::string out(kHeader);
    out += '\n';
    top.ForEachChild([&](const Key& root) {
        std::string path;
        AppendEscaped(path, root.name());
        SerializeKey(root, path, out);
    });
    return out;
}

bool ParseStore(std::string_view text, Key& top)
{
    Key* current = nullptr;
    bool first = true;
    while (!text.empty()) {
        auto newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
        if (first) {
            if (line != kHeader)
                return false;
            first = false;
            continue;
        }
        std::string_view rest = line;
        std::string_view kind = NextToken(rest);
        if (kind == "key")
            current = ParseKeyLine(rest, top);
        else if (kind != "value" || current == nullptr || !ParseValueLine(rest, *current))
            return false;
        if (current == nullptr)
            return false;
    }
    return !first;
}

} // namespace platform::registry
