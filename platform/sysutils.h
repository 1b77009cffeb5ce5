// Exceptions and text helpers shared by the whole platform and by the screens above it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

/// Base of every exception the platform raises; Message() is what the user is shown.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

/// The silent abort: ends the current operation without any message of its own.
/// The application's exception boundary drops it.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operação abortada") {}
};

/// A text that cannot be converted to the requested type ("abc" to an integer).
class EConvertError : public Exception {
    using Exception::Exception;
};

/// A variant holding a type that cannot be used as requested (Null as an integer).
class EVariantError : public Exception {
    using Exception::Exception;
};

/// Failures of datasets, fields, packets and SQL access.
class EDatabaseError : public Exception {
    using Exception::Exception;
};

/// An index outside the bounds of an array or list.
class ERangeError : public Exception {
    using Exception::Exception;
};

/// Raises the silent abort.
[[noreturn]] void Abort();

// ASCII case folding; UTF-8 bytes above 127 pass unchanged.
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);

std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

std::string IntToStr(std::int64_t value);
/// Decimal integer with optional sign and surrounding blanks; anything else raises EConvertError.
std::int64_t StrToInt(std::string_view text);
std::int64_t StrToIntDef(std::string_view text, std::int64_t fallback);

/// Number of characters (code points) of a UTF-8 text.
std::size_t Utf8Length(std::string_view text);
/// At most `count` characters of a UTF-8 text, starting at character `start` (0-based).
std::string Utf8Copy(std::string_view text, std::size_t start, std::size_t count);

/// Position of the first byte of `text` that breaks UTF-8 (overlong forms, surrogates and code
/// points above U+10FFFF included) or is a control character (below 32, or DEL), or npos when
/// there is none. With `allowTab` a tab is not a fault. Untrusted text is checked with this
/// before it is stored or parsed, so that a byte the ledger would cut or a client would refuse
/// never gets that far.
std::size_t FindBadTextByte(std::string_view text, bool allowTab = false);

/// A copy of untrusted text fit to be echoed in a message or a log line: every control
/// character and every byte that breaks UTF-8 becomes '?', and a text longer than `maxChars`
/// characters is cut there and ends in "...".
std::string SanitizedText(std::string_view text, std::size_t maxChars = 60);

} // namespace platform
