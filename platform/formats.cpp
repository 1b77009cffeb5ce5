// Workstation format settings and number formatting (FormatFloat, FloatToStr, StrToFloat).
#include "platform/formats.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/sysutils.h"

namespace platform {

TFormatSettings& FormatSettings() {
    static TFormatSettings settings;
    return settings;
}

namespace {

// A non-negative decimal number: 0.d1d2d3... x 10^exponent. Invariant: `digits` has no leading
// or trailing '0'; an empty `digits` is zero (and then exponent is 0).
struct Decimal {
    std::string digits;
    int exponent = 0;
    bool IsZero() const { return digits.empty(); }
};

void StripTrailingZeros(Decimal& d) {
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits.empty()) d.exponent = 0;
}

// The magnitude of a finite double at 15 significant digits, the precision a double holds
// reliably; rounding then works on these decimal digits, not on the binary value.
Decimal ToDecimal15(double value) {
    Decimal d;
    value = std::fabs(value);
    if (value == 0) return d;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", value); // d.ddddddddddddddde±xx
    std::string_view text(buf);
    std::size_t e = text.find('e');
    d.digits.push_back(text[0]);
    d.digits.append(text.substr(2, e - 2));
    d.exponent = std::atoi(buf + e + 1) + 1;
    StripTrailingZeros(d);
    return d;
}

// Keeps `count` digits of `d` (counted from its first digit), rounding half away from zero.
void RoundToDigits(Decimal& d, int count) {
    if (d.IsZero() || count >= static_cast<int>(d.digits.size())) return;
    if (count < 0) {
        d = Decimal{};
        return;
    }
    bool up = d.digits[static_cast<std::size_t>(count)] >= '5';
    d.digits.resize(static_cast<std::size_t>(count));
    if (up) {
        int i = count - 1;
        while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
            d.digits[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i >= 0) {
            ++d.digits[static_cast<std::size_t>(i)];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exponent;
        }
    }
    StripTrailingZeros(d);
}

void RoundToDecimals(Decimal& d, int decimals) {
    RoundToDigits(d, d.exponent + decimals);
}

// The digit at decimal place `place` of d: place 1 is the first digit after the point, place 0
// the units, -1 the tens...
char DigitAt(const Decimal& d, int place) {
    int index = d.exponent + place - 1;
    if (index < 0 || index >= static_cast<int>(d.digits.size())) return '0';
    return d.digits[static_cast<std::size_t>(index)];
}

enum class TokenKind { Zero, Hash, Point, Comma, Exponent, Literal };

struct Token {
    TokenKind kind;
    std::string text;          // Literal: the characters; Exponent: "E" or "e"
    bool exponentSign = false; // Exponent: '+' (always show the sign)
    int exponentDigits = 0;    // Exponent: minimum digits
};

// One section of a pattern, analysed. Invariant: intPlaceholders/decPlaceholders count the
// '0'/'#' tokens before/after the first Point.
struct Section {
    std::vector<Token> tokens;
    int intPlaceholders = 0;
    int decPlaceholders = 0;
    int minIntDigits = 0; // placeholders from the first integer '0' to the point
    int minDecimals = 0;  // placeholders up to the last decimal '0'
    bool thousands = false;
    bool scientific = false;
    bool HasPlaceholders() const { return intPlaceholders + decPlaceholders > 0; }
};

std::vector<std::string_view> SplitSections(std::string_view pattern) {
    std::vector<std::string_view> sections;
    std::size_t start = 0;
    char quote = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            sections.push_back(pattern.substr(start, i - start));
            start = i + 1;
        }
    }
    sections.push_back(pattern.substr(start));
    return sections;
}

Section ParseSection(std::string_view text) {
    Section s;
    bool afterPoint = false;
    int firstIntZero = -1;
    int lastDecZero = -1;
    auto literal = [&](std::string_view chars) {
        if (!s.tokens.empty() && s.tokens.back().kind == TokenKind::Literal)
            s.tokens.back().text.append(chars);
        else
            s.tokens.push_back({TokenKind::Literal, std::string(chars)});
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        switch (c) {
        case '0':
        case '#':
            s.tokens.push_back({c == '0' ? TokenKind::Zero : TokenKind::Hash, {}});
            if (afterPoint) {
                if (c == '0') lastDecZero = s.decPlaceholders;
                ++s.decPlaceholders;
            } else {
                if (c == '0' && firstIntZero < 0) firstIntZero = s.intPlaceholders;
                ++s.intPlaceholders;
            }
            break;
        case '.':
            if (afterPoint || s.scientific) break; // only the first point counts
            afterPoint = true;
            s.tokens.push_back({TokenKind::Point, {}});
            break;
        case ',': s.thousands = true; break;
        case '"':
        case '\'': {
            std::size_t close = text.find(c, i + 1);
            if (close == std::string_view::npos) close = text.size();
            literal(text.substr(i + 1, close - i - 1));
            i = close;
            break;
        }
        case 'E':
        case 'e':
            if (!s.scientific && i + 1 < text.size() &&
                (text[i + 1] == '+' || text[i + 1] == '-')) {
                Token t{TokenKind::Exponent, std::string(1, c)};
                t.exponentSign = text[i + 1] == '+';
                std::size_t j = i + 2;
                while (j < text.size() && text[j] == '0' && t.exponentDigits < 4) {
                    ++t.exponentDigits;
                    ++j;
                }
                if (t.exponentDigits > 0) {
                    s.scientific = true;
                    s.tokens.push_back(t);
                    i = j - 1;
                    break;
                }
            }
            literal(text.substr(i, 1));
            break;
        default: literal(text.substr(i, 1)); break;
        }
    }
    s.minIntDigits = firstIntZero < 0 ? 0 : s.intPlaceholders - firstIntZero;
    s.minDecimals = lastDecZero + 1;
    return s;
}

// Writes `value` (magnitude only) under a section.
std::string Render(const Section& s, const Decimal& rounded, bool minus,
                   const TFormatSettings& fs) {
    std::string intDigits;
    std::string decDigits;
    int exponent = 0;
    if (s.scientific) {
        const int intCount = std::max(s.intPlaceholders, 1);
        Decimal d = rounded;
        if (!d.IsZero()) exponent = d.exponent - intCount;
        for (int i = 0; i < intCount; ++i)
            intDigits.push_back(i < static_cast<int>(d.digits.size())
                                    ? d.digits[static_cast<std::size_t>(i)]
                                    : '0');
        for (int i = 0; i < s.decPlaceholders; ++i) {
            const std::size_t k = static_cast<std::size_t>(intCount) + static_cast<std::size_t>(i);
            decDigits.push_back(k < d.digits.size() ? d.digits[k] : '0');
        }
    } else {
        for (int place = 1 - rounded.exponent; place <= 0; ++place)
            intDigits.push_back(DigitAt(rounded, place));
        for (int place = 1; place <= s.decPlaceholders; ++place)
            decDigits.push_back(DigitAt(rounded, place));
        if (static_cast<int>(intDigits.size()) < s.minIntDigits)
            intDigits.insert(0, static_cast<std::size_t>(s.minIntDigits) - intDigits.size(), '0');
    }
    while (static_cast<int>(decDigits.size()) > s.minDecimals && decDigits.back() == '0')
        decDigits.pop_back();

    const bool thousands = s.thousands && !s.scientific;
    std::string out;
    if (minus) out.push_back('-');
    std::size_t nextInt = 0;
    auto emitInt = [&](std::size_t count) {
        for (std::size_t k = 0; k < count && nextInt < intDigits.size(); ++k) {
            out.push_back(intDigits[nextInt++]);
            std::size_t remaining = intDigits.size() - nextInt;
            if (thousands && remaining > 0 && remaining % 3 == 0)
                out.push_back(fs.ThousandSeparator);
        }
    };
    const int missing =
        s.intPlaceholders - static_cast<int>(intDigits.size()); // >0: placeholders without digit
    int intIndex = 0;
    int decIndex = 0;
    bool pointSeen = false;
    for (const Token& t : s.tokens) {
        switch (t.kind) {
        case TokenKind::Zero:
        case TokenKind::Hash:
            if (!pointSeen) {
                if (intIndex == 0 && missing < 0)
                    emitInt(static_cast<std::size_t>(1 - missing));
                else if (intIndex >= missing)
                    emitInt(1);
                ++intIndex;
            } else {
                if (decIndex < static_cast<int>(decDigits.size()))
                    out.push_back(decDigits[static_cast<std::size_t>(decIndex)]);
                ++decIndex;
            }
            break;
        case TokenKind::Point:
            pointSeen = true;
            emitInt(intDigits.size()); // digits without integer placeholders go before the point
            if (!decDigits.empty()) out.push_back(fs.DecimalSeparator);
            break;
        case TokenKind::Exponent: {
            emitInt(intDigits.size());
            out += t.text;
            if (exponent < 0)
                out.push_back('-');
            else if (t.exponentSign)
                out.push_back('+');
            std::string e = std::to_string(std::abs(exponent));
            if (static_cast<int>(e.size()) < t.exponentDigits)
                e.insert(0, static_cast<std::size_t>(t.exponentDigits) - e.size(), '0');
            out += e;
            break;
        }
        case TokenKind::Comma: break;
        case TokenKind::Literal: out += t.text; break;
        }
    }
    return out;
}

} // namespace

std::string FormatFloat(std::string_view pattern, double value) {
    return FormatFloat(pattern, value, FormatSettings());
}

std::string FormatFloat(std::string_view pattern, double value, const TFormatSettings& fs) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    std::vector<std::string_view> sections = SplitSections(pattern);
    if (sections[0].empty()) return FloatToStr(value, fs);
    auto present = [&](std::size_t i) { return i < sections.size() && !sections[i].empty(); };

    const Decimal exact = ToDecimal15(value);
    std::size_t chosen = 0;
    if (exact.IsZero() && present(2))
        chosen = 2;
    else if (value < 0 && present(1))
        chosen = 1;
    Section section = ParseSection(sections[chosen]);

    Decimal rounded = exact;
    if (section.scientific)
        RoundToDigits(rounded, std::max(section.intPlaceholders, 1) + section.decPlaceholders);
    else
        RoundToDecimals(rounded, section.decPlaceholders);
    if (rounded.IsZero() && !exact.IsZero()) {
        // Rounded away entirely: shown as zero, never as "-0".
        chosen = present(2) ? 2 : 0;
        section = ParseSection(sections[chosen]);
    }
    bool minus = value < 0 && chosen == 0 && !rounded.IsZero();
    return Render(section, rounded, minus, fs);
}

std::string FloatToStr(double value) {
    return FloatToStr(value, FormatSettings());
}

std::string FloatToStr(double value, const TFormatSettings& fs) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";
    char buf[64];
    auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    std::string_view text(buf, static_cast<std::size_t>(result.ptr - buf));
    std::string out;
    if (text[0] == '-') {
        out.push_back('-');
        text.remove_prefix(1);
    }
    std::size_t e = text.find('e');
    std::string digits(1, text[0]);
    if (e > 1) digits.append(text.substr(2, e - 2));
    int exp10 = 0;
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(),
                    exp10);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    if (exp10 >= -4 && exp10 < 15) {
        if (exp10 < 0) {
            out += "0";
            out.push_back(fs.DecimalSeparator);
            out.append(static_cast<std::size_t>(-exp10 - 1), '0');
            out += digits;
        } else {
            auto intCount = static_cast<std::size_t>(exp10) + 1;
            if (digits.size() <= intCount) {
                out += digits;
                out.append(intCount - digits.size(), '0');
            } else {
                out += digits.substr(0, intCount);
                out.push_back(fs.DecimalSeparator);
                out += digits.substr(intCount);
            }
        }
        return out;
    }
    out.push_back(digits[0]);
    if (digits.size() > 1) {
        out.push_back(fs.DecimalSeparator);
        out += digits.substr(1);
    }
    out += "E" + std::to_string(exp10);
    return out;
}

double StrToFloat(std::string_view text) {
    return StrToFloat(text, FormatSettings());
}

double StrToFloat(std::string_view text, const TFormatSettings& fs) {
    auto fail = [&]() -> double {
        throw EConvertError("'" + std::string(text) + "' não é um valor numérico válido");
    };
    std::string t = Trim(text);
    std::string plain; // the number as from_chars reads it
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        if (t[i] == '-') plain.push_back('-');
        ++i;
    }
    // Integer part, with thousands separators only between groups of three digits.
    int groupDigits = 0;
    int intDigits = 0;
    bool grouped = false;
    for (; i < t.size(); ++i) {
        char c = t[i];
        if (c >= '0' && c <= '9') {
            plain.push_back(c);
            ++groupDigits;
            ++intDigits;
        } else if (c == fs.ThousandSeparator && c != fs.DecimalSeparator) {
            if (groupDigits == 0 || (grouped ? groupDigits != 3 : groupDigits > 3)) fail();
            grouped = true;
            groupDigits = 0;
        } else {
            break;
        }
    }
    if (grouped && groupDigits != 3) fail();
    int decDigits = 0;
    if (i < t.size() && t[i] == fs.DecimalSeparator) {
        plain.push_back('.');
        for (++i; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
            plain.push_back(t[i]);
            ++decDigits;
        }
    }
    if (intDigits + decDigits == 0) fail();
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        plain.push_back('e');
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) plain.push_back(t[i++]);
        int expDigits = 0;
        for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i, ++expDigits) plain.push_back(t[i]);
        if (expDigits == 0) fail();
    }
    if (i != t.size()) fail();
    double value = 0;
    auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (ec != std::errc() || end != plain.data() + plain.size() || std::isinf(value)) fail();
    return value;
}

} // namespace platform
