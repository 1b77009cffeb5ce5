// Edit masks: parsing the mask notation, laying values into masks and the masked-edit typing model.
#include "platform/editmask.h"

#include <algorithm>

#include "platform/formats.h"
#include "platform/sysutils.h"

namespace platform {

namespace {

using Chars = std::u32string;

// Bytes that are not part of valid UTF-8 are carried as U+DC80..U+DCFF and written back as the
// same byte, so no text is ever altered by passing through a mask.
constexpr char32_t kRawByteBase = 0xDC00;

Chars Decode(std::string_view text) {
    Chars out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        auto b0 = static_cast<unsigned char>(text[i]);
        if (b0 < 0x80) {
            out.push_back(b0);
            ++i;
            continue;
        }
        int extra = 0;
        char32_t cp = 0;
        char32_t minimum = 0;
        if ((b0 & 0xE0) == 0xC0) {
            extra = 1, cp = b0 & 0x1F, minimum = 0x80;
        } else if ((b0 & 0xF0) == 0xE0) {
            extra = 2, cp = b0 & 0x0F, minimum = 0x800;
        } else if ((b0 & 0xF8) == 0xF0) {
            extra = 3, cp = b0 & 0x07, minimum = 0x10000;
        } else {
            out.push_back(kRawByteBase + b0);
            ++i;
            continue;
        }
        bool valid = i + static_cast<std::size_t>(extra) < text.size();
        for (int k = 1; valid && k <= extra; ++k) {
            auto b = static_cast<unsigned char>(text[i + k]);
            if ((b & 0xC0) != 0x80)
                valid = false;
            else
                cp = (cp << 6) | (b & 0x3F);
        }
        if (valid && (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)))
            valid = false;
        if (!valid) {
            out.push_back(kRawByteBase + b0);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

void Append(std::string& out, char32_t cp) {
    if (cp >= kRawByteBase + 0x80 && cp <= kRawByteBase + 0xFF) {
        out.push_back(static_cast<char>(cp - kRawByteBase));
    } else if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string Encode(const Chars& chars) {
    std::string out;
    out.reserve(chars.size());
    for (char32_t cp : chars) Append(out, cp);
    return out;
}

bool IsDigit(char32_t c) {
    return c >= U'0' && c <= U'9';
}

// Letters of the Latin alphabets (ASCII, Latin-1, Latin Extended-A/B), Greek and Cyrillic.
bool IsLetter(char32_t c) {
    if ((c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z')) return true;
    if (c >= 0xC0 && c <= 0x24F) return c != 0xD7 && c != 0xF7;
    return (c >= 0x370 && c <= 0x3FF && c != 0x37E && c != 0x387) || (c >= 0x400 && c <= 0x4FF);
}

bool IsControl(char32_t c) {
    return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) ||
           (c >= kRawByteBase + 0x80 && c <= kRawByteBase + 0xFF);
}

// Case mapping for ASCII and Latin-1, the letters Portuguese text uses.
char32_t ToUpper(char32_t c) {
    if (c >= U'a' && c <= U'z') return c - U'a' + U'A';
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
    if (c == 0xFF) return 0x178;
    return c;
}

char32_t ToLower(char32_t c) {
    if (c >= U'A' && c <= U'Z') return c - U'A' + U'a';
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    if (c == 0x178) return 0xFF;
    return c;
}

int Clamp(int value, int low, int high) {
    return std::max(low, std::min(value, high));
}

} // namespace

TEditMask::TEditMask(std::string_view editMask) : TEditMask(editMask, FormatSettings()) {}

TEditMask::TEditMask(std::string_view editMask, const TFormatSettings& fs) : source_(editMask) {
    Chars m = Decode(editMask);
    // The mask section ends at the first ';' that is not escaped.
    std::size_t end = 0;
    while (end < m.size() && m[end] != U';') end += (m[end] == U'\\') ? 2 : 1;
    end = std::min(end, m.size());
    if (end < m.size()) {
        std::size_t flagStart = end + 1;
        std::size_t flagEnd = flagStart;
        while (flagEnd < m.size() && m[flagEnd] != U';') ++flagEnd;
        if (flagEnd > flagStart) saveLiterals_ = m[flagStart] != U'0';
        if (flagEnd < m.size() && flagEnd + 1 < m.size()) blank_ = m[flagEnd + 1];
    }

    TMaskCase caseMode = TMaskCase::None;
    auto literal = [&](char32_t c) {
        TMaskPosition p;
        p.literal = c;
        positions_.push_back(p);
    };
    auto input = [&](TMaskCharKind kind, bool required) {
        TMaskPosition p;
        p.kind = kind;
        p.required = required;
        p.caseConversion = caseMode;
        positions_.push_back(p);
        ++inputCount_;
    };
    for (std::size_t i = 0; i < end; ++i) {
        char32_t c = m[i];
        switch (c) {
        case U'\\':
            if (i + 1 < end) literal(m[++i]); // a lone trailing '\' is ignored
            break;
        case U'!': reverse_ = true; break;
        case U'>': caseMode = TMaskCase::Upper; break;
        case U'<':
            if (i + 1 < end && m[i + 1] == U'>') {
                caseMode = TMaskCase::None;
                ++i;
            } else {
                caseMode = TMaskCase::Lower;
            }
            break;
        case U'L': input(TMaskCharKind::Letter, true); break;
        case U'l': input(TMaskCharKind::Letter, false); break;
        case U'A': input(TMaskCharKind::AlphaNumeric, true); break;
        case U'a': input(TMaskCharKind::AlphaNumeric, false); break;
        case U'C': input(TMaskCharKind::Any, true); break;
        case U'c': input(TMaskCharKind::Any, false); break;
        case U'0': input(TMaskCharKind::Digit, true); break;
        case U'9': input(TMaskCharKind::Digit, false); break;
        case U'#': input(TMaskCharKind::DigitOrSign, false); break;
        case U':': literal(static_cast<unsigned char>(fs.TimeSeparator)); break;
        case U'/': literal(static_cast<unsigned char>(fs.DateSeparator)); break;
        case U'_': literal(U' '); break;
        default: literal(c); break;
        }
    }
}

const TMaskPosition& TEditMask::Position(int index) const {
    if (index < 0 || index >= Length())
        throw ERangeError("Posição " + std::to_string(index) + " fora da máscara '" + source_ +
                          "'");
    return positions_[static_cast<std::size_t>(index)];
}

bool TEditMask::IsLiteral(int index) const {
    return index >= 0 && index < Length() &&
           positions_[static_cast<std::size_t>(index)].kind == TMaskCharKind::Literal;
}

std::string TEditMask::BlankText() const {
    std::string out;
    Append(out, blank_);
    return out;
}

bool TEditMask::Accepts(int index, char32_t ch) const {
    if (index < 0 || index >= Length()) return false;
    const TMaskPosition& p = positions_[static_cast<std::size_t>(index)];
    if (p.kind == TMaskCharKind::Literal || IsControl(ch)) return false;
    if (ch == U' ' && !p.required) return true;
    switch (p.kind) {
    case TMaskCharKind::Letter: return IsLetter(ch);
    case TMaskCharKind::AlphaNumeric: return IsLetter(ch) || IsDigit(ch);
    case TMaskCharKind::Any: return true;
    case TMaskCharKind::Digit: return IsDigit(ch);
    case TMaskCharKind::DigitOrSign: return IsDigit(ch) || ch == U'+' || ch == U'-';
    case TMaskCharKind::Literal: break;
    }
    return false;
}

char32_t TEditMask::Convert(int index, char32_t ch) const {
    if (index < 0 || index >= Length()) return ch;
    switch (positions_[static_cast<std::size_t>(index)].caseConversion) {
    case TMaskCase::Upper: return ToUpper(ch);
    case TMaskCase::Lower: return ToLower(ch);
    case TMaskCase::None: break;
    }
    return ch;
}

int TEditMask::NextInput(int from) const {
    for (int i = std::max(from, 0); i < Length(); ++i)
        if (!IsLiteral(i)) return i;
    return Length();
}

int TEditMask::PriorInput(int before) const {
    for (int i = std::min(before, Length()) - 1; i >= 0; --i)
        if (!IsLiteral(i)) return i;
    return -1;
}

namespace {

// A value laid into a mask: `text` has one character per position; `surplus` holds the value's
// characters that found no position (they belong after the text, or before it with '!').
struct Laid {
    Chars text;
    Chars surplus;
};

Laid Lay(const TEditMask& mask, const Chars& value) {
    const int length = mask.Length();
    Laid out;
    out.text.assign(static_cast<std::size_t>(length), mask.Blank());
    const auto n = static_cast<int>(value.size());
    const bool save = mask.SaveLiterals();
    if (!mask.Reverse()) {
        int k = 0;
        for (int p = 0; p < length; ++p) {
            const TMaskPosition& pos = mask.Positions()[static_cast<std::size_t>(p)];
            if (pos.kind == TMaskCharKind::Literal) {
                out.text[static_cast<std::size_t>(p)] = pos.literal;
                if (save && k < n) {
                    char32_t c = value[static_cast<std::size_t>(k)];
                    if (c == pos.literal || !mask.Accepts(mask.NextInput(p + 1), c)) ++k;
                }
            } else {
                if (k < n)
                    out.text[static_cast<std::size_t>(p)] =
                        mask.Convert(p, value[static_cast<std::size_t>(k)]);
                ++k;
            }
        }
        if (k < n) out.surplus.assign(value.begin() + k, value.end());
    } else {
        int k = n - 1;
        for (int p = length - 1; p >= 0; --p) {
            const TMaskPosition& pos = mask.Positions()[static_cast<std::size_t>(p)];
            if (pos.kind == TMaskCharKind::Literal) {
                out.text[static_cast<std::size_t>(p)] = pos.literal;
                if (save && k >= 0) {
                    char32_t c = value[static_cast<std::size_t>(k)];
                    if (c == pos.literal || !mask.Accepts(mask.PriorInput(p), c)) --k;
                }
            } else {
                if (k >= 0)
                    out.text[static_cast<std::size_t>(p)] =
                        mask.Convert(p, value[static_cast<std::size_t>(k)]);
                --k;
            }
        }
        if (k >= 0) out.surplus.assign(value.begin(), value.begin() + k + 1);
    }
    return out;
}

Chars NormalizeChars(const TEditMask& mask, std::string_view editText) {
    Chars t = Decode(editText);
    t.resize(static_cast<std::size_t>(mask.Length()), mask.Blank());
    for (int p = 0; p < mask.Length(); ++p)
        if (mask.IsLiteral(p))
            t[static_cast<std::size_t>(p)] = mask.Positions()[static_cast<std::size_t>(p)].literal;
    return t;
}

} // namespace

std::string TEditMask::Format(std::string_view value) const {
    if (IsEmpty()) return std::string(value);
    Laid laid = Lay(*this, Decode(value));
    return reverse_ ? Encode(laid.surplus + laid.text) : Encode(laid.text + laid.surplus);
}

std::string TEditMask::EditTextFromValue(std::string_view value) const {
    if (IsEmpty()) return std::string(value);
    return Encode(Lay(*this, Decode(value)).text);
}

std::string TEditMask::EmptyEditText() const {
    return EditTextFromValue("");
}

std::string TEditMask::Normalize(std::string_view editText) const {
    if (IsEmpty()) return std::string(editText);
    return Encode(NormalizeChars(*this, editText));
}

std::string TEditMask::ValueFromEditText(std::string_view editText) const {
    if (IsEmpty()) return std::string(editText);
    Chars t = NormalizeChars(*this, editText);
    Chars out;
    if (saveLiterals_) {
        out = t;
        for (int p = 0; p < Length(); ++p)
            if (!IsLiteral(p) && out[static_cast<std::size_t>(p)] == blank_)
                out[static_cast<std::size_t>(p)] = U' ';
        return Encode(out);
    }
    for (int p = 0; p < Length(); ++p)
        if (!IsLiteral(p)) out.push_back(t[static_cast<std::size_t>(p)]);
    if (reverse_) {
        std::size_t first = 0;
        while (first < out.size() && out[first] == blank_) ++first;
        out.erase(0, first);
    } else {
        while (!out.empty() && out.back() == blank_) out.pop_back();
    }
    std::replace(out.begin(), out.end(), blank_, U' ');
    return Encode(out);
}

int TEditMask::FirstMissingRequired(std::string_view editText) const {
    Chars t = NormalizeChars(*this, editText);
    for (int p = 0; p < Length(); ++p) {
        const TMaskPosition& pos = positions_[static_cast<std::size_t>(p)];
        if (!pos.required) continue;
        char32_t c = t[static_cast<std::size_t>(p)];
        if (c == blank_ || (c == U' ' && pos.kind != TMaskCharKind::Any)) return p;
    }
    return -1;
}

std::string FormatMaskText(std::string_view editMask, std::string_view value) {
    return TEditMask(editMask).Format(value);
}

TMaskEditChange MaskTypeKey(const TEditMask& mask, std::string_view editText, int selStart,
                            int selLength, std::string_view key) {
    if (mask.IsEmpty()) return PlainTypeKey(editText, selStart, selLength, key, 0);
    const int length = mask.Length();
    TMaskEditChange refused{false, std::string(editText), Clamp(selStart, 0, length)};
    Chars keys = Decode(key);
    if (keys.empty()) return refused;

    Chars work = NormalizeChars(mask, editText);
    int cursor = Clamp(selStart, 0, length);
    const int selEnd = Clamp(cursor + std::max(selLength, 0), cursor, length);
    for (int p = cursor; p < selEnd; ++p)
        if (!mask.IsLiteral(p)) work[static_cast<std::size_t>(p)] = mask.Blank();

    int typed = 0;
    for (char32_t ch : keys) {
        int p = mask.NextInput(cursor);
        if (p < length && mask.Accepts(p, ch)) {
            const TMaskPosition& pos = mask.Positions()[static_cast<std::size_t>(p)];
            bool unfilled = ch == U' ' && !pos.required;
            work[static_cast<std::size_t>(p)] = unfilled ? mask.Blank() : mask.Convert(p, ch);
            cursor = p + 1;
            while (cursor < length && mask.IsLiteral(cursor)) ++cursor;
            ++typed;
            continue;
        }
        // A literal typed where it stands further on: jump past it.
        int q = cursor;
        while (q < length &&
               !(mask.IsLiteral(q) && mask.Positions()[static_cast<std::size_t>(q)].literal == ch))
            ++q;
        if (q >= length) break;
        cursor = q + 1;
        ++typed;
    }
    if (typed == 0) return refused;
    return {true, Encode(work), cursor};
}

TMaskEditChange MaskDeleteKey(const TEditMask& mask, std::string_view editText, int selStart,
                              int selLength, bool backspace) {
    if (mask.IsEmpty()) return PlainDeleteKey(editText, selStart, selLength, backspace);
    const int length = mask.Length();
    int cursor = Clamp(selStart, 0, length);
    TMaskEditChange refused{false, std::string(editText), cursor};
    Chars work = NormalizeChars(mask, editText);
    const int selEnd = Clamp(cursor + std::max(selLength, 0), cursor, length);
    if (selEnd > cursor) {
        bool any = false;
        for (int p = cursor; p < selEnd; ++p) {
            if (mask.IsLiteral(p)) continue;
            work[static_cast<std::size_t>(p)] = mask.Blank();
            any = true;
        }
        if (!any) return refused;
        return {true, Encode(work), cursor};
    }
    int p = backspace ? mask.PriorInput(cursor) : mask.NextInput(cursor);
    if (p < 0 || p >= length) return refused;
    work[static_cast<std::size_t>(p)] = mask.Blank();
    return {true, Encode(work), backspace ? p : cursor};
}

TMaskEditChange PlainTypeKey(std::string_view text, int selStart, int selLength,
                             std::string_view key, int maxLength) {
    Chars t = Decode(text);
    const auto length = static_cast<int>(t.size());
    int cursor = Clamp(selStart, 0, length);
    TMaskEditChange refused{false, std::string(text), cursor};
    const int selEnd = Clamp(cursor + std::max(selLength, 0), cursor, length);
    Chars keys = Decode(key);
    if (keys.empty() || std::any_of(keys.begin(), keys.end(), IsControl)) return refused;
    t.erase(static_cast<std::size_t>(cursor), static_cast<std::size_t>(selEnd - cursor));
    if (maxLength > 0) {
        int room = maxLength - static_cast<int>(t.size());
        if (room <= 0) return refused;
        if (static_cast<int>(keys.size()) > room) keys.resize(static_cast<std::size_t>(room));
    }
    t.insert(static_cast<std::size_t>(cursor), keys);
    return {true, Encode(t), cursor + static_cast<int>(keys.size())};
}

TMaskEditChange PlainDeleteKey(std::string_view text, int selStart, int selLength, bool backspace) {
    Chars t = Decode(text);
    const auto length = static_cast<int>(t.size());
    int cursor = Clamp(selStart, 0, length);
    int selEnd = Clamp(cursor + std::max(selLength, 0), cursor, length);
    if (selEnd == cursor) {
        if (backspace) {
            if (cursor == 0) return {false, std::string(text), cursor};
            --cursor;
        } else {
            if (cursor == length) return {false, std::string(text), cursor};
            ++selEnd;
        }
    }
    t.erase(static_cast<std::size_t>(cursor), static_cast<std::size_t>(selEnd - cursor));
    return {true, Encode(t), cursor};
}

} // namespace platform
