// Exceptions and text helpers shared by the whole platform and by the screens above it.
#include "platform/sysutils.h"

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

} // namespace platform
