// The recalculation run: the confirm command sends the whole list with its marks to the server
// in one call, reacts to its reply and reloads the list; and the cancel command.
#include "recalculation/cli_pag00900.h"

#include <algorithm>
#include <iterator>
#include <optional>

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

// The boleto conflicts, whose texts carry "%s" for the boleto, the document and the supplier.
constexpr const char* kChavesDeBoleto[] = {"BOL_ALT", "VRBOL_DIF", "CNT_PROR", "CNT_PREV"};
// The result row's fields with those three values, in the order of the texts' "%s".
constexpr const char* kCamposDoBoleto[] = {"NRLANBOLPAG", "NRDOCUMENTO", "NMRAZSOCFORN"};

bool InterrompeRecalculo(const std::string& code, const std::string& key) {
    if (code == "MSG" && key == "Hist_Conta") return true;
    for (const char* stop : kChavesQueInterrompem)
        if (key == stop) return true;
    return false;
}

// The first result row in IDTPRESULT order as the server sent it, with the fields that
// cdsResult's design does not keep (an older server's rows lack them).
class TPrimeiroResultado {
public:
    explicit TPrimeiroResultado(const Variant& packet) {
        rows_.IndexDefs().Add("idxResultado", "IDTPRESULT");
        rows_.SetIndexName("idxResultado");
        rows_.SetData(packet);
        rows_.First();
    }
    /// The field's text; nullopt when the rows have no such field or there is no row.
    std::optional<std::string> Text(const char* name) const {
        const platform::TField* field = rows_.IsEmpty() ? nullptr : rows_.FindField(name);
        if (field == nullptr) return std::nullopt;
        return platform::Trim(field->AsString());
    }

private:
    platform::TClientDataSet rows_;
};

// The text of a boleto conflict with its three "%s" filled from the row, when the row carries
// the values: otherwise the text as it stands.
std::string TextoDoResultado(const std::string& key, std::string text,
                             const TPrimeiroResultado& row) {
    if (std::find_if(std::begin(kChavesDeBoleto), std::end(kChavesDeBoleto),
                     [&](const char* k) { return key == k; }) == std::end(kChavesDeBoleto))
        return text;
    std::vector<std::string> values;
    for (const char* name : kCamposDoBoleto) {
        const std::optional<std::string> value = row.Text(name);
        if (!value) return text;
        values.push_back(*value);
    }
    if (std::all_of(values.begin(), values.end(), [](const std::string& v) { return v.empty(); }))
        return text;
    std::size_t at = 0;
    for (const std::string& value : values) {
        at = text.find("%s", at);
        if (at == std::string::npos) break;
        text.replace(at, 2, value);
        at += value.size();
    }
    return text;
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
        const Variant resultados = CarregaResposta(netRecContBaixaPag->Call(
            "SetConfirmar",
            {TRpcArg(cdsBaixaPag->Data()), TRpcArg(medCdEmpresa->Text()),
             TRpcArg(host::Morvane::FiliProc()), TRpcArg(host::Morvane::Operador()),
             TRpcArg::Ref(stNrLista), TRpcArg(msgPadrao->Msg("PGTO")), TRpcArg(cdsMsg->Data())}));
        animacao.Stop();
        ConfereResultado(resultados);

        // Accounting errors: the accounting screen shows the provisional entries; the run ends
        // without a message of its own.
        if (!cdsErrosTemp->IsEmpty()) {
            AbreContabilizacao(false);
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

Variant TfrmRecContBaixaPag::CarregaResposta(const Variant& reply) {
    const Variant resposta = host::Consiste::CheckResultServ(reply, true, 0);
    cdsResult->SetData(resposta[0]);
    cdsLancContTemp->SetData(resposta[1]);
    cdsRateio->SetData(resposta[2]);
    cdsErrosTemp->SetData(resposta[3]);
    cdsListaBol->MergeChangeLog();
    return resposta[0];
}

void TfrmRecContBaixaPag::ConfereResultado(const Variant& resultados) {
    // Only the first result row in IDTPRESULT order counts.
    if (cdsResult->IsEmpty()) return;
    cdsResult->First();
    const std::string key = cdsResult->FieldByName("DSRESULT")->AsString();
    if (!InterrompeRecalculo(cdsResult->FieldByName("CDRESULT")->AsString(), key)) return;
    // The cursor onto the write-off the row names, when it is in the list; the rows and their
    // marks stay as they are.
    const TPrimeiroResultado row(resultados);
    const std::optional<std::string> filial = row.Text("CDFILIAL");
    const std::optional<std::string> numero = row.Text("NRBAIXAPAG");
    if (filial && numero && !numero->empty())
        cdsBaixaPag->Locate("CDFILIAL;NRBAIXAPAG", {Variant(*filial), Variant(*numero)},
                            platform::loCaseInsensitive);
    host::Consiste::MensErro(TextoDoResultado(key, msgPadrao->Msg(key), row), true);
}

void TfrmRecContBaixaPag::AbreContabilizacao(bool simulacao) {
    Variant params = platform::VarArrayCreate({0, simulacao ? 5 : 4});
    params[0] = medCdEmpresa->Text();
    params[1] = std::string();
    params[2] = cdsLancContTemp->Data();
    params[3] = cdsRateio->Data();
    params[4] = cdsErrosTemp->Data();
    if (simulacao) params[5] = true;
    host::Morvane::LoadBPL("CTB10200", params);
}

void TfrmRecContBaixaPag::sbtSimularClick(platform::TObject* /*sender*/) {
    if (baixasMarcadas_ == nullptr || baixasMarcadas_->Count() <= 0) return;
    if (!netRecContBaixaPag->Connected()) netRecContBaixaPag->SetConnected(true);
    if (!cdsResult->Active()) cdsResult->CreateDataSet();
    Variant resultados;
    {
        host::TBusyGuard animacao(host::TBusyKind::Processing);
        if (!cdsListaBol->Active()) cdsListaBol->CreateDataSet();
        resultados = CarregaResposta(netRecContBaixaPag->Call(
            "GetSimulacao", {TRpcArg(cdsBaixaPag->Data()), TRpcArg(medCdEmpresa->Text()),
                             TRpcArg(host::Morvane::FiliProc()), TRpcArg(host::Morvane::Operador()),
                             TRpcArg(msgPadrao->Msg("PGTO")), TRpcArg(cdsMsg->Data())}));
    }
    ConfereResultado(resultados);
    AbreContabilizacao(true);
}

void TfrmRecContBaixaPag::sbtCancelarClick(platform::TObject* sender) {
    host::TfrmPadraoGrid::sbtCancelarClick(sender);
    cdsBoletoPag->CancelUpdates();
}

} // namespace recalculation
