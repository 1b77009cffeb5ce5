// Formatting and strict parsing of list strings.
#include "protocol/liststring.h"

namespace protocol {

namespace {

[[noreturn]] void Fail(TListStringFault fault, std::size_t at, const std::string& what) {
    throw EListStringError(fault, at + 1, what);
}

} // namespace

EListStringError::EListStringError(TListStringFault fault, std::size_t position,
                                   const std::string& what)
    : EConvertError("lista inválida na posição " + std::to_string(position) + ": " + what),
      fault_(fault), position_(position) {}

std::string FormatCodeList(const std::vector<std::string>& codes) {
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

std::vector<std::string> ParseCodeList(std::string_view text, const TListStringLimits& limits) {
    using enum TListStringFault;
    std::vector<std::string> codes;
    if (limits.textOnly)
        if (std::size_t bad = platform::FindBadTextByte(text); bad != std::string_view::npos)
            Fail(BadByte, bad, "caractere inválido");
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '\'') Fail(OpeningQuote, i, "esperado apóstrofo de abertura");
        ++i;
        std::string code;
        bool closed = false;
        while (i < text.size()) {
            char c = text[i++];
            if (c != '\'') {
                code += c;
                continue;
            }
            if (i < text.size() && text[i] == '\'') { // doubled quote inside the code
                code += '\'';
                ++i;
                continue;
            }
            closed = true;
            break;
        }
        if (!closed) Fail(ClosingQuote, text.size(), "código sem apóstrofo de fechamento");
        if (code.empty()) Fail(EmptyCode, i - 1, "código vazio");
        if (code.size() > limits.maxCodeLength)
            Fail(LongCode, i - 1,
                 "código com mais de " + std::to_string(limits.maxCodeLength) + " caracteres");
        codes.push_back(std::move(code));
        if (codes.size() > limits.maxCodes)
            Fail(TooManyCodes, i - 1, "mais de " + std::to_string(limits.maxCodes) + " códigos");
        if (i == text.size()) break;
        if (text[i] != ',') Fail(Comma, i, "esperada vírgula entre códigos");
        ++i;
        if (i == text.size()) Fail(TrailingComma, i - 1, "vírgula sem código seguinte");
    }
    return codes;
}

} // namespace protocol
