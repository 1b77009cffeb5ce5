// Code lists as the host's pick list writes them: 'A','B','C''D' (quoted, quotes doubled, comma separated).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/sysutils.h"

namespace server {

/// A list string that is not in the pick-list format. The message says what is wrong and where.
class ECodeListError : public platform::Exception {
    using Exception::Exception;
};

/// Limits that bound the work a list string can cause.
inline constexpr std::size_t kMaxCodeLength = 50;
inline constexpr std::size_t kMaxCodesPerList = 100'000;

/// Parses a list string. The empty string gives an empty vector (no restriction). Anything
/// else must be one or more codes, each enclosed in single quotes with any quote inside it
/// doubled, separated by single commas, with no blanks around them. A code is never empty and
/// has at most kMaxCodeLength bytes.
std::vector<std::string> ParseCodeList(std::string_view text);

/// The list string of the given codes (the inverse of ParseCodeList).
std::string FormatCodeList(const std::vector<std::string>& codes);

/// A JSON array of strings holding the codes, for binding a whole list as one parameter.
std::string CodesToJsonArray(const std::vector<std::string>& codes);

} // namespace server
