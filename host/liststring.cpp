// Encoding and strict parsing of code lists.
#include "host/liststring.h"

#include "platform/sysutils.h"

namespace host {

std::string EncodeCodeList(const std::vector<std::string>& codes) {
    std::string out;
    for (const std::string& code : codes) {
        if (code.empty()) throw platform::EConvertError("Código vazio numa lista de códigos.");
        if (!out.empty()) out += ',';
        out += '\'';
        for (char c : code) {
            if (c == '\'') out += '\'';
            out += c;
        }
        out += '\'';
    }
    return out;
}

std::vector<std::string> DecodeCodeList(std::string_view list) {
    std::vector<std::string> codes;
    auto fail = [&](std::size_t at) -> void {
        throw platform::EConvertError("Lista de códigos inválida na posição " +
                                      std::to_string(at + 1) + ": '" + std::string(list) + "'");
    };
    std::size_t i = 0;
    while (i < list.size()) {
        if (!codes.empty()) {
            if (list[i] != ',') fail(i);
            ++i;
        }
        if (i >= list.size() || list[i] != '\'') fail(i);
        ++i;
        std::string code;
        for (;;) {
            if (i >= list.size()) fail(i);
            if (list[i] == '\'') {
                if (i + 1 < list.size() && list[i + 1] == '\'') {
                    code += '\'';
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            code += list[i++];
        }
        if (code.empty()) fail(i - 1);
        codes.push_back(std::move(code));
    }
    return codes;
}

} // namespace host
