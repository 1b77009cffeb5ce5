// The list string of chosen codes that PesquisaLista produces and the server parses.
//
// Format: each code enclosed in single quotes, a single quote inside a code written twice,
// codes separated by one comma, no blanks anywhere outside the quotes:
//     '01','02','A''B'
// The empty string means that nothing was chosen (no restriction: all codes). A code is never
// empty and may hold any other character, commas and blanks included; the text is UTF-8.
// Because every code is quoted and quotes are doubled, a list reads back exactly one way.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace host {

/// The list string of `codes`, in the given order; an empty code raises platform::EConvertError.
std::string EncodeCodeList(const std::vector<std::string>& codes);

/// The codes of a list string, in order. Anything that is not exactly the format above (a
/// missing quote, a blank or other character between codes, a trailing comma, an empty code) raises
/// platform::EConvertError with a message that quotes the list.
std::vector<std::string> DecodeCodeList(std::string_view list);

} // namespace host
