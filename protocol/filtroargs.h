// The 23 arguments of GetBaixaPag_Filtro: their order, names and kinds, one table for the callers
// and the server.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/netconnection.h"
#include "platform/variant.h"

namespace protocol {

/// The criteria of one GetBaixaPag_Filtro call, one member per argument. Each member is a value
/// or platform::TRpcArg::Ref to a caller's variable, which then takes what the server leaves in
/// it. The defaults restrict nothing: lists and documents empty, dates and amounts the integer 0,
/// accounted and not accounted ("T").
struct TFiltroCriteria {
    platform::TRpcArg company = std::string();
    platform::TRpcArg suppliers = std::string();
    platform::TRpcArg documentFrom = std::string();
    platform::TRpcArg documentTo = std::string();
    platform::TRpcArg originBranches = std::string();
    platform::TRpcArg postingBranches = std::string();
    platform::TRpcArg paidFrom = 0;
    platform::TRpcArg paidTo = 0;
    platform::TRpcArg writeOffTypes = std::string();
    platform::TRpcArg bankAccounts = std::string();
    platform::TRpcArg amountFrom = 0;
    platform::TRpcArg amountTo = 0;
    platform::TRpcArg dueFrom = 0;
    platform::TRpcArg dueTo = 0;
    platform::TRpcArg payableTypes = std::string();
    platform::TRpcArg originalFrom = 0;
    platform::TRpcArg originalTo = 0;
    platform::TRpcArg netFrom = 0;
    platform::TRpcArg netTo = 0;
    platform::TRpcArg operators = std::string();
    platform::TRpcArg enteredFrom = 0;
    platform::TRpcArg enteredTo = 0;
    platform::TRpcArg accounting = std::string("T"); // "C" accounted, "N" not, "T" both
};

/// What an argument holds, which decides the variant types the server accepts for it.
enum class TFiltroKind {
    Text,     // a String
    List,     // a String holding a list string (protocol/liststring.h)
    Document, // a String holding a document number
    Date,     // a Date, or an Integer or Double day count
    Amount,   // a Double or an Integer
    Status,   // a String: "C", "N" or "T"
};

/// A member of TFiltroCriteria, which names its argument.
using TFiltroMember = platform::TRpcArg TFiltroCriteria::*;

/// One argument: its name in the server's messages, its kind and the member that carries it.
struct TFiltroArg {
    const char* name;
    TFiltroKind kind;
    TFiltroMember member;
};

inline constexpr std::size_t kFiltroArgCount = 23;

/// The arguments in the order of the call: argument n is kFiltroArgs[n - 1].
inline constexpr std::array<TFiltroArg, kFiltroArgCount> kFiltroArgs = {{
    {"empresa", TFiltroKind::Text, &TFiltroCriteria::company},
    {"lista de fornecedores", TFiltroKind::List, &TFiltroCriteria::suppliers},
    {"documento inicial", TFiltroKind::Document, &TFiltroCriteria::documentFrom},
    {"documento final", TFiltroKind::Document, &TFiltroCriteria::documentTo},
    {"lista de filiais de origem", TFiltroKind::List, &TFiltroCriteria::originBranches},
    {"lista de filiais de lançamento", TFiltroKind::List, &TFiltroCriteria::postingBranches},
    {"pagamento inicial", TFiltroKind::Date, &TFiltroCriteria::paidFrom},
    {"pagamento final", TFiltroKind::Date, &TFiltroCriteria::paidTo},
    {"lista de tipos de baixa", TFiltroKind::List, &TFiltroCriteria::writeOffTypes},
    {"lista de contas correntes", TFiltroKind::List, &TFiltroCriteria::bankAccounts},
    {"valor da baixa inicial", TFiltroKind::Amount, &TFiltroCriteria::amountFrom},
    {"valor da baixa final", TFiltroKind::Amount, &TFiltroCriteria::amountTo},
    {"vencimento inicial", TFiltroKind::Date, &TFiltroCriteria::dueFrom},
    {"vencimento final", TFiltroKind::Date, &TFiltroCriteria::dueTo},
    {"lista de tipos de conta a pagar", TFiltroKind::List, &TFiltroCriteria::payableTypes},
    {"valor original inicial", TFiltroKind::Amount, &TFiltroCriteria::originalFrom},
    {"valor original final", TFiltroKind::Amount, &TFiltroCriteria::originalTo},
    {"valor líquido inicial", TFiltroKind::Amount, &TFiltroCriteria::netFrom},
    {"valor líquido final", TFiltroKind::Amount, &TFiltroCriteria::netTo},
    {"lista de operadores", TFiltroKind::List, &TFiltroCriteria::operators},
    {"lançamento inicial", TFiltroKind::Date, &TFiltroCriteria::enteredFrom},
    {"lançamento final", TFiltroKind::Date, &TFiltroCriteria::enteredTo},
    {"situação contábil", TFiltroKind::Status, &TFiltroCriteria::accounting},
}};

/// The 1-based position of the argument `member` carries.
constexpr int FiltroPosition(TFiltroMember member) {
    for (std::size_t i = 0; i < kFiltroArgs.size(); ++i)
        if (kFiltroArgs[i].member == member) return static_cast<int>(i + 1);
    throw platform::Exception("GetBaixaPag_Filtro: membro fora da tabela de argumentos.");
}

/// The argument kinds as platform::CheckArgKinds letters, one per argument in order.
std::string FiltroKindLetters();

/// The arguments of the call in table order, by reference where the criteria hold a reference.
std::vector<platform::TRpcArg> FiltroArgs(const TFiltroCriteria& criteria);

/// The values alone, in table order: the arguments as the server receives them.
std::vector<platform::Variant> FiltroValues(const TFiltroCriteria& criteria);

} // namespace protocol
