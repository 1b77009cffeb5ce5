// Verification (the list read again from the server) and the accounting view (CTB10200 opened
// for the current write-off's accounting entry).
#include "recalculation/cli_pag00900.h"

#include "filter/cli_pag00901.h"
#include "filter/filtrobaixa.h"
#include "host/morvane.h"
#include "host/showavi.h"
#include "platform/application.h"

namespace recalculation {

using host::Showavi::ActiveShowAvi;
using host::Showavi::DeactiveShowAvi;

void TfrmRecContBaixaPag::sbtVerificarClick(platform::TObject* /*sender*/) {
    try {
        ActiveShowAvi(platform::Application().MainForm(), 1);
        if (filter::frmFiltroBaixa != nullptr)
            filter::frmFiltroBaixa->Visualiza_Baixa("T");
        else
            Carrega_BaixaPadrao();
        DeactiveShowAvi();
    } catch (...) {
        // The list stays as it was. A failure already reported (the server's message through
        // CheckResultServ, the dialog's own) ends in the silent abort and stays silent; any
        // other (server unreachable, a packet that cannot be loaded) has reached nobody yet
        // and is shown once.
        DeactiveShowAvi();
        platform::Application().HandleException();
    }
}

void TfrmRecContBaixaPag::sbtContabClick(platform::TObject* /*sender*/) {
    // Only a run hands over provisional entries: the accounting view always sends them empty,
    // with the current write-off's entry number for the accounting screen to read.
    for (platform::TClientDataSet* data : {cdsLancContTemp, cdsRateio, cdsErrosTemp})
        if (data->Active()) data->EmptyDataSet();
    platform::Variant params = platform::VarArrayCreate({0, 4});
    params[0] = medCdEmpresa->Text();
    params[1] = cdsBaixaPagNRLCTBBPAG->AsString();
    params[2] = cdsLancContTemp->Data();
    params[3] = cdsRateio->Data();
    params[4] = cdsErrosTemp->Data();
    host::Morvane::LoadBPL("CTB10200", params);
}

} // namespace recalculation
