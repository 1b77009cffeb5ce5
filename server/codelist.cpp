// Code lists from clients: parsing under the server's bounds and the JSON form used for binding.
#include "server/codelist.h"

#include "server/jsonrows.h"

namespace server {

std::vector<std::string> ParseCodeList(std::string_view text) {
    static constexpr protocol::TListStringLimits kLimits{
        .maxCodeLength = kMaxCodeLength, .maxCodes = kMaxCodesPerList, .textOnly = true};
    return protocol::ParseCodeList(text, kLimits);
}

std::string CodesToJsonArray(const std::vector<std::string>& codes) {
    std::string out = "[";
    for (std::size_t n = 0; n < codes.size(); ++n) {
        if (n) out += ',';
        AppendJsonString(out, codes[n]);
    }
    out += ']';
    return out;
}

} // namespace server
