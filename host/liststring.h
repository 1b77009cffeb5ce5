// The host's side of list strings (format in protocol/liststring.h): what PesquisaLista writes
// and what the saved options are checked with.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "protocol/liststring.h"

namespace host {

/// The list string of `codes`, in the given order; an empty code raises platform::EConvertError.
inline std::string EncodeCodeList(const std::vector<std::string>& codes) {
    return protocol::FormatCodeList(codes);
}

/// The codes of a list string, in order, without the server's bounds: the host reads back only
/// lists it wrote. Anything that is not exactly the format (a missing quote, a blank or other
/// character between codes, a trailing comma, an empty code) raises platform::EConvertError with a
/// message that quotes the list.
std::vector<std::string> DecodeCodeList(std::string_view list);

} // namespace host
