// The GetBaixaPag_Filtro argument table turned into call arguments and kind letters.
#include "protocol/filtroargs.h"

namespace protocol {

namespace {

// Every member appears once, so that every argument of the call is sent exactly once.
constexpr bool EachMemberOnce() {
    for (std::size_t i = 0; i < kFiltroArgs.size(); ++i)
        for (std::size_t j = i + 1; j < kFiltroArgs.size(); ++j)
            if (kFiltroArgs[i].member == kFiltroArgs[j].member) return false;
    return true;
}
static_assert(EachMemberOnce(), "a member of TFiltroCriteria stands twice in kFiltroArgs");
static_assert(sizeof(TFiltroCriteria) == kFiltroArgCount * sizeof(platform::TRpcArg),
              "TFiltroCriteria has a member that kFiltroArgs does not list");

char KindLetter(TFiltroKind kind) {
    switch (kind) {
    case TFiltroKind::Text:
    case TFiltroKind::List:
    case TFiltroKind::Document:
    case TFiltroKind::Status: return 'S';
    case TFiltroKind::Date: return 'D';
    case TFiltroKind::Amount: return 'F';
    }
    throw platform::Exception("GetBaixaPag_Filtro: tipo de argumento desconhecido.");
}

} // namespace

std::string FiltroKindLetters() {
    std::string letters;
    for (const TFiltroArg& arg : kFiltroArgs) letters += KindLetter(arg.kind);
    return letters;
}

std::vector<platform::TRpcArg> FiltroArgs(const TFiltroCriteria& criteria) {
    std::vector<platform::TRpcArg> args;
    args.reserve(kFiltroArgs.size());
    for (const TFiltroArg& arg : kFiltroArgs) args.push_back(criteria.*arg.member);
    return args;
}

std::vector<platform::Variant> FiltroValues(const TFiltroCriteria& criteria) {
    std::vector<platform::Variant> values;
    values.reserve(kFiltroArgs.size());
    for (const TFiltroArg& arg : kFiltroArgs) values.push_back((criteria.*arg.member).Value());
    return values;
}

} // namespace protocol
