// TFiltro: the initial criteria and the accounting-status code.
#include "filter/filtro.h"

#include <cmath>

namespace filter {

TFiltro FiltroInicial(platform::TDateTime today) {
    TFiltro filtro;
    filtro.dtPagaIni = std::floor(today);
    filtro.dtPagaFin = std::floor(today);
    return filtro;
}

std::string CodigoContabilizacao(int itemIndex) {
    switch (itemIndex) {
    case 0: return "C";
    case 1: return "N";
    default: return "T";
    }
}

} // namespace filter
