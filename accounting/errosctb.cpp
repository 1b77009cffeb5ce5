// The accounting error codes: lookup of a code's description.
#include "accounting/errosctb.h"

#include "platform/sysutils.h"

namespace accounting {

std::string DescricaoErroCtb(std::string_view codigo) {
    const std::string code = platform::Trim(codigo);
    for (const TErroCtb& erro : kErrosCtb)
        if (code == erro.codigo) return erro.descricao;
    return "Erro de contabilização não catalogado (código " + code + ").";
}

} // namespace accounting
