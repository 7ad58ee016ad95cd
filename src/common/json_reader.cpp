#include "common/json_reader.h"

#include <cstdlib>

#include "common/json_writer.h"

namespace {

std::size_t skipBlanks(const std::string& text, std::size_t at) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\n' || text[at] == '\r' || text[at] == '\t')) ++at;
    return at;
}

void appendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The string starting at the quote at `at`; `at` ends past its closing quote.
bool readString(const std::string& text, std::size_t& at, std::string& value) {
    if (at >= text.size() || text[at] != '"') return false;
    value.clear();
    for (++at; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '"') {
            ++at;
            return true;
        }
        if (c != '\\') {
            value += c;
            continue;
        }
        if (++at == text.size()) return false;
        switch (text[at]) {
            case 'n': value += '\n'; break;
            case 'r': value += '\r'; break;
            case 't': value += '\t'; break;
            case 'b': value += '\b'; break;
            case 'f': value += '\f'; break;
            case 'u': {
                if (at + 4 >= text.size()) return false;
                const std::string hex = text.substr(at + 1, 4);
                char* end = nullptr;
                const unsigned long code = std::strtoul(hex.c_str(), &end, 16);
                if (end != hex.c_str() + 4) return false;
                appendUtf8(value, static_cast<unsigned>(code));
                at += 4;
                break;
            }
            default: value += text[at]; break;  // \" \\ \/
        }
    }
    return false;
}

// Where the value of `key` starts, past its colon and blanks; npos when the
// key or its colon is missing.
std::size_t valueOf(const std::string& json, const std::string& key) {
    const std::string quotedKey = jsonString(key);
    std::size_t at = json.find(quotedKey);
    if (at == std::string::npos) return std::string::npos;
    at = skipBlanks(json, at + quotedKey.size());
    if (at >= json.size() || json[at] != ':') return std::string::npos;
    return skipBlanks(json, at + 1);
}

}  // namespace

bool readJsonStringArray(const std::string& json, const std::string& key, std::vector<std::string>& values) {
    values.clear();
    std::size_t at = valueOf(json, key);
    if (at >= json.size() || json[at] != '[') return false;
    at = skipBlanks(json, at + 1);
    if (at < json.size() && json[at] == ']') return true;
    for (;;) {
        std::string value;
        if (!readString(json, at, value)) return false;
        values.push_back(value);
        at = skipBlanks(json, at);
        if (at < json.size() && json[at] == ']') return true;
        if (at >= json.size() || json[at] != ',') return false;
        at = skipBlanks(json, at + 1);
    }
}

bool readJsonString(const std::string& json, const std::string& key, std::string& value) {
    std::size_t at = valueOf(json, key);
    return at < json.size() && readString(json, at, value);
}
