// The recalculation run: the confirm command sends the whole list with its marks to the server
// in one call, reacts to its reply and reloads the list; and the cancel command.
#include "recalculation/cli_pag00900.h"

#include "filter/cli_pag00901.h"
#include "filter/filtrobaixa.h"
#include "host/busyguard.h"
#include "host/consiste.h"
#include "host/morvane.h"
#include "platform/application.h"

namespace recalculation {

using platform::TRpcArg;
using platform::Variant;

namespace {

// Catalogue keys that, found in DSRESULT of the first result row, stop the run with their text.
// "Hist_Conta" stops it only together with the result code "MSG". Compared exactly.
constexpr const char* kChavesQueInterrompem[] = {"Hist_Nc",  "BOL_ALT",  "VRBOL_DIF",
                                                 "CNT_PROR", "CNT_PREV", "ALT_BLOQ"};

bool InterrompeRecalculo(const std::string& code, const std::string& key) {
    if (code == "MSG" && key == "Hist_Conta") return true;
    for (const char* stop : kChavesQueInterrompem)
        if (key == stop) return true;
    return false;
}

// The list's controls disabled and the screen's window locked for the length of a run, each
// undone once: by Libera() before the success message, or by the destructor on the way out of
// any failure. Only a lock this run obtained is released.
class TTelaCongelada {
public:
    TTelaCongelada(platform::TDataSet& list, platform::THandle window) : list_(list) {
        list_.DisableControls();
        controlsDisabled_ = true;
        locked_ = platform::LockWindowUpdate(window);
    }
    ~TTelaCongelada() { Libera(); }
    TTelaCongelada(const TTelaCongelada&) = delete;
    TTelaCongelada& operator=(const TTelaCongelada&) = delete;

    void Libera() {
        if (controlsDisabled_) {
            controlsDisabled_ = false;
            list_.EnableControls();
        }
        if (locked_) {
            locked_ = false;
            platform::LockWindowUpdate(0);
        }
    }

private:
    platform::TDataSet& list_;
    bool controlsDisabled_ = false;
    bool locked_ = false;
};

} // namespace

void TfrmRecContBaixaPag::sbtConfirmarClick(platform::TObject* sender) {
    host::TfrmPadraoGrid::sbtConfirmarClick(sender);
    if (baixasMarcadas_ == nullptr || baixasMarcadas_->Count() <= 0) return;

    // From here on every way out passes through the freeze's destructor: controls enabled and
    // window unlocked, whatever ended the run (a result key, accounting errors, a failure).
    TTelaCongelada congelada(*cdsBaixaPag, Handle());
    if (!netRecContBaixaPag->Connected()) netRecContBaixaPag->SetConnected(true);
    stNrLista = platform::VarToStr(netRecContBaixaPag->Call("GetPrxLista"));

    {
        if (!cdsResult->Active()) cdsResult->CreateDataSet();
        // Hidden once the reply is loaded, before any message or hand-over; on a failure, on
        // the way out.
        host::TBusyGuard animacao(host::TBusyKind::Processing);
        if (!cdsListaBol->Active()) cdsListaBol->CreateDataSet();
        const Variant reply = netRecContBaixaPag->Call(
            "SetConfirmar",
            {TRpcArg(cdsBaixaPag->Data()), TRpcArg(medCdEmpresa->Text()),
             TRpcArg(host::Morvane::FiliProc()), TRpcArg(host::Morvane::Operador()),
             TRpcArg::Ref(stNrLista), TRpcArg(msgPadrao->Msg("PGTO")), TRpcArg(cdsMsg->Data())});
        const Variant resposta = host::Consiste::CheckResultServ(reply, true, 0);
        cdsResult->SetData(resposta[0]);
        cdsLancContTemp->SetData(resposta[1]);
        cdsRateio->SetData(resposta[2]);
        cdsErrosTemp->SetData(resposta[3]);
        cdsListaBol->MergeChangeLog();
        animacao.Stop();

        // Only the first result row in IDTPRESULT order counts.
        if (!cdsResult->IsEmpty()) {
            cdsResult->First();
            const std::string key = cdsResult->FieldByName("DSRESULT")->AsString();
            if (InterrompeRecalculo(cdsResult->FieldByName("CDRESULT")->AsString(), key))
                host::Consiste::MensErro(msgPadrao->Msg(key), true);
        }

        // Accounting errors: the accounting screen shows the provisional entries; the run ends
        // without a message of its own.
        if (!cdsErrosTemp->IsEmpty()) {
            Variant params = platform::VarArrayCreate({0, 4});
            params[0] = medCdEmpresa->Text();
            params[1] = std::string();
            params[2] = cdsLancContTemp->Data();
            params[3] = cdsRateio->Data();
            params[4] = cdsErrosTemp->Data();
            host::Morvane::LoadBPL("CTB10200", params);
            platform::Abort();
        }
    }

    // The write-off current when the user confirmed (the run has not moved the cursor), kept
    // by its own branch and number so that it is found again whatever their lengths.
    const std::string filial = cdsBaixaPagCDFILIAL->AsString();
    const std::string numero = cdsBaixaPagNRBAIXAPAG->AsString();

    congelada.Libera();
    msgPadrao->ShowMsg("RecCont_suc", platform::TMsgDlgType::mtInformation, platform::mbOK, 0);
    dtsPadraoStateChange(dtsPadrao);

    cdsBaixaPag->SetData(
        host::Consiste::CheckResultServ(netRecContBaixaPag->Call("GetBaixaPag_Saida"), true, 0));
    if (filter::frmFiltroBaixa != nullptr) {
        // The hidden dialog puts its last confirmed criteria back, checks them, queries with
        // them and closes (which also closes the connection; the next run reopens it).
        filter::frmFiltroBaixa->FormActivate(filter::frmFiltroBaixa);
        filter::frmFiltroBaixa->sbtConfirmaClick(filter::frmFiltroBaixa);
    } else {
        Carrega_BaixaPadrao();
    }
    if (!filial.empty() || !numero.empty())
        cdsBaixaPag->Locate("CDFILIAL;NRBAIXAPAG", {Variant(filial), Variant(numero)},
                            platform::loCaseInsensitive);
    dtsPadraoStateChange(dtsPadrao);
}

void TfrmRecContBaixaPag::sbtCancelarClick(platform::TObject* sender) {
    host::TfrmPadraoGrid::sbtCancelarClick(sender);
    cdsBoletoPag->CancelUpdates();
}

} // namespace recalculation
