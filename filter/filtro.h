// TFiltro: the last confirmed criteria of the filter dialog, and the accounting-status code.
#pragma once

#include <cstdint>
#include <string>

#include "platform/variant.h"

namespace filter {

/// The criteria the filter dialog last confirmed. The record changes only when a confirm has
/// passed every check, and then as a whole; the dialog's controls are reloaded from it at each
/// opening. Dates are whole days (0 = no date); lists are list strings (empty = all codes).
struct TFiltro {
    platform::TDateTime dtPagaIni = 0;
    platform::TDateTime dtPagaFin = 0;
    platform::TDateTime dtVencIni = 0;
    platform::TDateTime dtVencFin = 0;
    platform::TDateTime dtLancIni = 0;
    platform::TDateTime dtLancFin = 0;
    std::string stListFPag;
    std::string stListCCorr;
    std::string stListaFOrig;
    std::string stListFiliLanc;
    std::string stListForn;
    std::string stListaTpConta;
    std::string stListOpera;
    std::string stNumeDocuIni;
    std::string stNumeDocuFin;
    double vrBaixaIni = 0;
    double vrBaixaFin = 0;
    double vrOrigIni = 0;
    double vrOrigFin = 0;
    double vrLiquIni = 0;
    double vrLiquFin = 0;
    bool boTodosForn = true;
    bool boTodosFiliOrig = true;
    bool boTodosFiliLanc = true;
    bool boTodosFPag = true;
    bool boTodosCCorr = true;
    bool boTodosOpera = true;
    bool boTodosTpConta = true;
    std::int32_t nrCtbl = 2; // "Ambos"

    bool operator==(const TFiltro&) const = default;
};

/// The criteria of a dialog that was never confirmed: paid `today` (its day only), every other
/// criterion open, both accounted and not accounted write-offs.
TFiltro FiltroInicial(platform::TDateTime today);

/// The code the server takes for the item chosen in "Contabilização": 0 gives "C"
/// (accounted), 1 "N" (not accounted), anything else (both, or nothing chosen) "T".
std::string CodigoContabilizacao(int itemIndex);

} // namespace filter
