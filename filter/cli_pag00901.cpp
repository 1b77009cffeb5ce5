// Cli_pag00901: the unit of the filter dialog PAG00901 — its module-level state and entry routine.
#include "filter/cli_pag00901.h"

#include "host/libmodules.h"
#include "platform/application.h"
#include "recalculation/cli_pag00900.h"

namespace filter {

extern "C" {
TfrmFiltroBaixa* frmFiltroBaixa = nullptr;
bool boFiltro = false;
}

std::string stListFPag;
std::string stListCCorr;
std::string stListaFOrig;
std::string stListFiliLanc;
std::string stListForn;
std::string stListaTpConta;
std::string stListOpera;

platform::TModalResult CriaFiltroBaixaPag() {
    if (frmFiltroBaixa == nullptr) {
        module::CreateModuleForm(&platform::Application(), recalculation::kPackageName,
                                 frmFiltroBaixa);
        boFiltro = true;
    }
    return frmFiltroBaixa->ShowModal();
}

void UnitStartup() {}

void UnitShutdown() {
    for (std::string* list : {&stListFPag, &stListCCorr, &stListaFOrig, &stListFiliLanc,
                              &stListForn, &stListaTpConta, &stListOpera}) {
        list->clear();
        list->shrink_to_fit();
    }
}

} // namespace filter
