// Exceptions and text helpers shared by the whole platform and by the screens above it.
#include "platform/sysutils.h"

#include <algorithm>
#include <charconv>

namespace platform {

void Abort() {
    throw EAbort();
}

std::string UpperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string LowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

static bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string TrimLeft(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    return std::string(text.substr(i));
}

std::string TrimRight(std::string_view text) {
    std::size_t n = text.size();
    while (n > 0 && IsBlank(text[n - 1])) --n;
    return std::string(text.substr(0, n));
}

std::string Trim(std::string_view text) {
    return TrimLeft(TrimRight(text));
}

std::string IntToStr(std::int64_t value) {
    return std::to_string(value);
}

std::int64_t StrToInt(std::string_view text) {
    std::string t = Trim(text);
    std::string_view digits = t;
    if (!digits.empty() && digits[0] == '+') digits.remove_prefix(1);
    std::int64_t value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size())
        throw EConvertError("'" + std::string(text) + "' não é um valor inteiro válido");
    return value;
}

std::int64_t StrToIntDef(std::string_view text, std::int64_t fallback) {
    try {
        return StrToInt(text);
    } catch (const EConvertError&) { return fallback; }
}

static bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

std::size_t Utf8Length(std::string_view text) {
    std::size_t n = 0;
    for (unsigned char c : text)
        if (!IsContinuation(c)) ++n;
    return n;
}

std::string Utf8Copy(std::string_view text, std::size_t start, std::size_t count) {
    std::size_t i = 0, ch = 0;
    while (i < text.size() && ch < start) {
        ++i;
        while (i < text.size() && IsContinuation(static_cast<unsigned char>(text[i]))) ++i;
        ++ch;
    }
    std::size_t from = i;
    ch = 0;
    while (i < text.size() && ch < count) {
        ++i;
        while (i < text.size() && IsContinuation(static_cast<unsigned char>(text[i]))) ++i;
        ++ch;
    }
    return std::string(text.substr(from, i - from));
}

namespace {

// Length of the well-formed UTF-8 sequence that starts at text[i], or 0 when it is not one.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const unsigned char c = at(0);
    std::size_t extra = 0;
    unsigned char low = 0x80, high = 0xbf; // bounds of the second byte
    if (c < 0x80) return 1;
    if (c >= 0xc2 && c <= 0xdf)
        extra = 1;
    else if (c >= 0xe0 && c <= 0xef) {
        extra = 2;
        if (c == 0xe0)
            low = 0xa0; // overlong
        else if (c == 0xed)
            high = 0x9f; // surrogates
    } else if (c >= 0xf0 && c <= 0xf4) {
        extra = 3;
        if (c == 0xf0)
            low = 0x90; // overlong
        else if (c == 0xf4)
            high = 0x8f; // above U+10FFFF
    } else {
        return 0;
    }
    if (text.size() - i <= extra) return 0;
    if (at(1) < low || at(1) > high) return 0;
    for (std::size_t k = 2; k <= extra; ++k)
        if (!IsContinuation(at(k))) return 0;
    return extra + 1;
}

bool IsControl(unsigned char c, bool allowTab) {
    return (c < 0x20 && !(allowTab && c == '\t')) || c == 0x7f;
}

} // namespace

std::size_t FindBadTextByte(std::string_view text, bool allowTab) {
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if (IsControl(c, allowTab)) return i;
            ++i;
            continue;
        }
        const std::size_t length = Utf8SequenceLength(text, i);
        if (length == 0) return i;
        i += length;
    }
    return std::string_view::npos;
}

std::string SanitizedText(std::string_view text, std::size_t maxChars) {
    std::string out;
    out.reserve(std::min(text.size(), maxChars * 4 + 3));
    std::size_t chars = 0, i = 0;
    while (i < text.size()) {
        if (chars == maxChars) {
            out += "...";
            break;
        }
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const std::size_t length = Utf8SequenceLength(text, i);
        if (length == 0 || (length == 1 && IsControl(c, false))) {
            out += '?';
            ++i;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
        ++chars;
    }
    return out;
}

} // namespace platform
