// The accounting error codes that a recalculation run reports, with their descriptions.
#pragma once

#include <string>
#include <string_view>

namespace accounting {

/// One accounting error code and the text the accounting screen shows for it. The codes are
/// those the application server writes into CDERROTEMP (its table ERROCTB holds the same texts).
struct TErroCtb {
    const char* codigo;
    const char* descricao;
};

/// Every known code, in code order.
inline constexpr TErroCtb kErrosCtb[] = {
    {"001", "Conta contábil não informada."},
    {"002", "Conta contábil não cadastrada no plano de contas da empresa."},
    {"003", "Conta contábil sintética: o lançamento exige uma conta analítica."},
    {"004", "Centro de custo da filial não informado para conta com rateio."},
};

/// The description of a code (blanks around it ignored); a code without one gives
/// "Erro de contabilização não catalogado (código X)." so that the user still sees the code.
std::string DescricaoErroCtb(std::string_view codigo);

} // namespace accounting
