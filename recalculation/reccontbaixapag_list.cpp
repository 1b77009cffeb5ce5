// The recalculation screen's list loading: entering and leaving the company panel, the default
// criteria, the filter command and the rule that switches the commands with the list's state.
#include "recalculation/cli_pag00900.h"

#include "filter/cli_pag00901.h"
#include "filter/filtrobaixa.h"
#include "host/busyguard.h"
#include "host/consiste.h"
#include "platform/application.h"
#include "platform/datetime.h"
#include "protocol/filtroargs.h"

namespace recalculation {

std::vector<platform::TRpcArg> CriteriosPadrao(const std::string& company,
                                               platform::TDateTime today) {
    const platform::Variant day = platform::Variant::FromDate(today);
    return protocol::FiltroArgs({.company = company, .paidFrom = day, .paidTo = day});
}

void TfrmRecContBaixaPag::Carrega_BaixaPadrao() {
    platform::Variant reply = netRecContBaixaPag->Call(
        "GetBaixaPag_Filtro", CriteriosPadrao(medCdEmpresa->Text(), platform::Date()));
    cdsBaixaPag->SetData(host::Consiste::CheckResultServ(reply, true, 0));
}

void TfrmRecContBaixaPag::CarregaLista() {
    try {
        // Hidden on the way out of this block, before a failure is shown below.
        host::TBusyGuard animacao(host::TBusyKind::Processing);
        if (filter::frmFiltroBaixa != nullptr)
            filter::frmFiltroBaixa->Visualiza_Baixa("T");
        else
            Carrega_BaixaPadrao();
    } catch (...) {
        // The list stays as it was. A failure already reported (the server's message through
        // CheckResultServ, or the dialog's) ends in the silent abort and stays silent; any other
        // (server unreachable, time-out, a packet that cannot be loaded) has reached nobody yet
        // and is shown once.
        platform::Application().HandleException();
    }
}

void TfrmRecContBaixaPag::panFiltroEnter(platform::TObject* /*sender*/) {
    sbtFiltro->SetEnabled(false);
    mnuFiltro->SetEnabled(sbtFiltro->Enabled());
    mnuVerificar->SetEnabled(sbtFiltro->Enabled());
    sbtVerificar->SetEnabled(mnuVerificar->Enabled());
    // Closing empties the marked set and, through the state rule, switches the list's
    // commands off.
    cdsBaixaPag->Close();
    medCdEmpresa->SetFocus();
    sbtContab->SetEnabled(false);
}

void TfrmRecContBaixaPag::panFiltroExit(platform::TObject* /*sender*/) {
    Vd_Empresa(true); // a failure keeps the focus in the panel, the list closed
    sbtContab->SetEnabled(true);
    CarregaLista(); // a failure keeps the list; the user may retry through the filter
    sbtFiltro->SetEnabled(true);
    mnuFiltro->SetEnabled(sbtFiltro->Enabled());
    // Verifying reads the list again: it is available whenever the filter is.
    mnuVerificar->SetEnabled(sbtFiltro->Enabled());
    sbtVerificar->SetEnabled(mnuVerificar->Enabled());
}

void TfrmRecContBaixaPag::sbtFiltroClick(platform::TObject* /*sender*/) {
    // The dialog reloads the list itself when the user confirms.
    filter::CriaFiltroBaixaPag();
}

void TfrmRecContBaixaPag::mnuFiltroClick(platform::TObject* /*sender*/) {
    sbtFiltroClick(sbtFiltro);
}

void TfrmRecContBaixaPag::dtsPadraoStateChange(platform::TObject* sender) {
    cdsBaixaPagAfterPost(cdsBaixaPag);
    Bot_Confirma();
    // The row command and the browse control follow the list as the base screen rules.
    host::TfrmPadraoGrid::dtsPadraoStateChange(sender);
}

} // namespace recalculation
