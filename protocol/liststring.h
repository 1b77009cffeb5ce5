// The list string of chosen codes: written by the hosts' pick lists, parsed by the server.
//
// Format: each code enclosed in single quotes, a single quote inside a code written twice,
// codes separated by one comma, no blanks anywhere outside the quotes:
//     '01','02','A''B'
// The empty string means that nothing was chosen (no restriction: all codes). A code is never
// empty and may hold any other character, commas and blanks included; the text is UTF-8.
// Because every code is quoted and quotes are doubled, a list reads back exactly one way.
#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sysutils.h"

namespace protocol {

/// What makes a text not a list string; callers that word their own message tell them apart.
enum class TListStringFault {
    BadByte,       // not UTF-8, or a control character (only under TListStringLimits::textOnly)
    OpeningQuote,  // a code does not start with a quote
    ClosingQuote,  // the text ends inside a code
    EmptyCode,     // ''
    LongCode,      // a code longer than TListStringLimits::maxCodeLength
    TooManyCodes,  // more codes than TListStringLimits::maxCodes
    Comma,         // something other than a comma after a code
    TrailingComma, // a comma that ends the text
};

/// A text that is not a list string. The message reads "lista inválida na posição N: <what>";
/// Position() is that N: 1-based, the byte at fault (one past the end for a text cut short).
class EListStringError : public platform::EConvertError {
public:
    EListStringError(TListStringFault fault, std::size_t position, const std::string& what);
    TListStringFault Fault() const { return fault_; }
    std::size_t Position() const { return position_; }

private:
    TListStringFault fault_;
    std::size_t position_;
};

/// How much ParseCodeList accepts beyond the format itself. The defaults accept every text the
/// format allows; a reader of untrusted lists bounds the work a list can cause.
struct TListStringLimits {
    std::size_t maxCodeLength = std::numeric_limits<std::size_t>::max(); // bytes
    std::size_t maxCodes = std::numeric_limits<std::size_t>::max();
    bool textOnly = false; // refuse a text that is not UTF-8 or holds control characters
};

/// The list string of `codes`, in the given order. An empty code has no list string and raises
/// platform::EConvertError.
std::string FormatCodeList(const std::vector<std::string>& codes);

/// The codes of a list string, in order; the empty string gives no codes. Anything that is not
/// exactly the format (a missing quote, a blank or other character between codes, a final comma,
/// an empty code) or breaks `limits` raises EListStringError.
std::vector<std::string> ParseCodeList(std::string_view text, const TListStringLimits& limits = {});

} // namespace protocol
