#include "core/text.h"

#include <charconv>

namespace quillon::text {
namespace {
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
}  // namespace

std::string_view trim(std::string_view s) {
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> split(std::string_view s, std::string_view separator, bool skipEmpty) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (true) {
        const std::size_t at = s.find(separator, start);
        const std::string_view piece = s.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start);
        if (!skipEmpty || !piece.empty()) pieces.push_back(piece);
        if (at == std::string_view::npos) break;
        start = at + separator.size();
    }
    return pieces;
}

std::string join(const std::vector<std::string>& pieces, std::string_view separator) {
    std::string out;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i) out += separator;
        out += pieces[i];
    }
    return out;
}

bool contains(std::string_view haystack, std::string_view needle) { return haystack.find(needle) != std::string_view::npos; }

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

std::string toLower(std::string_view s) {
    std::string out(s);
    for (std::size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (c >= 'A' && c <= 'Z') {
            out[i] = static_cast<char>(c + 32);
            continue;
        }
        if (i + 1 >= out.size()) continue;
        unsigned char d = static_cast<unsigned char>(out[i + 1]);
        // Latin-1 capitals (Â Î …) and the Romanian Ă Ș Ț (also with cedilla).
        if (c == 0xC3 && d >= 0x80 && d <= 0x9E && d != 0x97) out[i + 1] = static_cast<char>(d + 0x20);
        else if (c == 0xC4 && d == 0x82) out[i + 1] = static_cast<char>(0x83);
        else if (c == 0xC8 && (d == 0x98 || d == 0x9A)) out[i + 1] = static_cast<char>(d + 1);
        else if (c == 0xC5 && (d == 0x9E || d == 0xA2)) out[i + 1] = static_cast<char>(d + 1);
    }
    return out;
}

namespace {

// The length of the well-formed sequence at s[i], or 0 with `bad` set to the length of its
// maximal ill-formed start (at least 1), as Unicode recommends for replacement.
std::size_t sequenceAt(std::string_view s, std::size_t i, std::size_t& bad) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    bad = 1;
    if (c < 0x80) return 1;
    std::size_t len;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (c >= 0xC2 && c <= 0xDF) len = 2;
    else if (c >= 0xE0 && c <= 0xEF) len = 3, low = c == 0xE0 ? 0xA0 : 0x80, high = c == 0xED ? 0x9F : 0xBF;
    else if (c >= 0xF0 && c <= 0xF4) len = 4, low = c == 0xF0 ? 0x90 : 0x80, high = c == 0xF4 ? 0x8F : 0xBF;
    else return 0;  // a continuation byte, an overlong lead or past U+10FFFF
    for (std::size_t k = 1; k < len; ++k) {
        if (i + k >= s.size()) return 0;
        const unsigned char d = static_cast<unsigned char>(s[i + k]);
        if (k == 1 ? d < low || d > high : (d & 0xC0) != 0x80) return 0;
        bad = k + 1;
    }
    return len;
}

}  // namespace

bool isValidUtf8(std::string_view s) {
    for (std::size_t i = 0, bad, len; i < s.size(); i += len)
        if ((len = sequenceAt(s, i, bad)) == 0) return false;
    return true;
}

std::string toValidUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0, bad; i < s.size();) {
        if (const std::size_t len = sequenceAt(s, i, bad)) {
            out.append(s.substr(i, len));
            i += len;
        } else {
            out.append("\xEF\xBF\xBD");  // U+FFFD
            i += bad;
        }
    }
    return out;
}

std::optional<std::int64_t> parseInt(std::string_view s) {
    if (s.empty()) return std::nullopt;
    std::string_view digits = s;
    bool negative = false;
    if (digits.front() == '+' || digits.front() == '-') {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty()) return std::nullopt;
    for (char c : digits)
        if (c < '0' || c > '9') return std::nullopt;
    std::string buffer = negative ? "-" : "";
    buffer += digits;
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(buffer.data(), buffer.data() + buffer.size(), value);
    if (error != std::errc() || end != buffer.data() + buffer.size()) return std::nullopt;
    return value;
}

std::optional<double> parseReal(std::string_view s) {
    if (s.empty() || isSpace(s.front())) return std::nullopt;
    double value = 0;
    auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (error != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

std::string shellQuote(std::string_view word) {
    std::string out = "'";
    for (char c : word) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    out += '\'';
    return out;
}

std::string shellQuoteIfNeeded(std::string_view word) {
    if (word.empty()) return "''";
    for (char c : word) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                          c == '-' || c == '_' || c == '.' || c == '/' || c == ':' || c == ',' || c == '+' ||
                          c == '@' || c == '%' || c == '=';
        if (!safe) return shellQuote(word);
    }
    return std::string(word);
}

}  // namespace quillon::text
