// Verification (the list read again from the server) and the accounting view (CTB10200 opened
// for the current write-off's accounting entry).
#include "recalculation/cli_pag00900.h"

#include "host/morvane.h"

namespace recalculation {

void TfrmRecContBaixaPag::sbtVerificarClick(platform::TObject* /*sender*/) {
    CarregaLista();
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
