// Code lists as the server reads them: the list string (protocol/liststring.h) under the server's
// bounds, and the JSON form used for binding.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "protocol/liststring.h"

namespace server {

/// A list string that is not in the pick-list format. The message says what is wrong and where.
using ECodeListError = protocol::EListStringError;

/// Limits that bound the work a list string can cause.
inline constexpr std::size_t kMaxCodeLength = 50;
inline constexpr std::size_t kMaxCodesPerList = 100'000;

/// Parses a list string from a client: the format, valid UTF-8 without control characters, at
/// most kMaxCodesPerList codes of at most kMaxCodeLength bytes each. The empty string gives an
/// empty vector (no restriction).
std::vector<std::string> ParseCodeList(std::string_view text);

/// The list string of the given codes (the inverse of ParseCodeList).
using protocol::FormatCodeList;

/// A JSON array of strings holding the codes, for binding a whole list as one parameter.
std::string CodesToJsonArray(const std::vector<std::string>& codes);

} // namespace server
