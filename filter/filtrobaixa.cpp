// TfrmFiltroBaixa's life and query: creation, opening, closing, confirm and the server call.
#include "filter/filtrobaixa.h"

#include <initializer_list>

#include "filter/cli_pag00901.h"
#include "host/busyguard.h"
#include "host/consiste.h"
#include "platform/application.h"
#include "platform/datetime.h"
#include "platform/netconnection.h"
#include "protocol/filtroargs.h"
#include "recalculation/cli_pag00900.h"

namespace filter {

using platform::TObject;
using platform::TRpcArg;
using platform::Variant;
using recalculation::TfrmRecContBaixaPag;

namespace {

// The recalculation screen while it exists; nullptr otherwise.
TfrmRecContBaixaPag* Tela() {
    return recalculation::boStCriado ? recalculation::frmRecContBaixaPag : nullptr;
}

TfrmRecContBaixaPag& TelaAberta() {
    TfrmRecContBaixaPag* tela = Tela();
    if (tela == nullptr)
        throw platform::Exception("A tela de Recálculo da Contabilização da Baixa (PAG00900) "
                                  "não está aberta: não há lista para carregar.");
    return *tela;
}

// Step 4 of the opening: the all-button from the record's flag, the list-button opposite to it.
// Checking a button that was not checked runs its click handler.
void RestauraGrupo(platform::TRadioButton* todos, platform::TRadioButton* lista, bool boTodos) {
    todos->SetChecked(boTodos);
    lista->SetChecked(!todos->Checked());
}

} // namespace

void TfrmFiltroBaixa::FormCreate(TObject* sender) {
    host::TfrmFiltroPadrao::FormCreate(sender);
    if (TfrmRecContBaixaPag* tela = Tela(); tela && !tela->netRecContBaixaPag->Connected())
        tela->netRecContBaixaPag->SetConnected(true);
    medDocIni->SetMaxLength(7);
    medDocFin->SetMaxLength(7);
    Filtro = FiltroInicial(platform::Date());
}

void TfrmFiltroBaixa::FormActivate(TObject* /*sender*/) {
    Repaint();

    dedDtIni->SetDate(Filtro.dtPagaIni);
    dedDtFin->SetDate(Filtro.dtPagaFin);
    dedDtIniVen->SetDate(Filtro.dtVencIni);
    dedDtFinVen->SetDate(Filtro.dtVencFin);
    dedDtInicLanc->SetDate(Filtro.dtLancIni);
    dedDtFinLanc->SetDate(Filtro.dtLancFin);

    stListFPag = Filtro.stListFPag;
    stListCCorr = Filtro.stListCCorr;
    stListaFOrig = Filtro.stListaFOrig;
    stListFiliLanc = Filtro.stListFiliLanc;
    stListForn = Filtro.stListForn;
    stListaTpConta = Filtro.stListaTpConta;
    stListOpera = Filtro.stListOpera;

    RestauraGrupo(rbtTodosForn, rbtListForn, Filtro.boTodosForn);
    RestauraGrupo(rbtTodosFiliOrig, rbtListaFiliOr, Filtro.boTodosFiliOrig);
    RestauraGrupo(rbtTodosFiliLanc, rbtListFilial, Filtro.boTodosFiliLanc);
    RestauraGrupo(rbtTodosFormPag, rbtFPag, Filtro.boTodosFPag);
    RestauraGrupo(rbtTodosContCorr, rbtListCCorr, Filtro.boTodosCCorr);
    RestauraGrupo(rbtTodosTpConta, rbtListaTpConta, Filtro.boTodosTpConta);
    RestauraGrupo(rbtTodosOperador, rbtListaOperador, Filtro.boTodosOpera);

    rdgCtbl->SetItemIndex(Filtro.nrCtbl);

    medDocIni->SetText(Filtro.stNumeDocuIni);
    medDocFin->SetText(Filtro.stNumeDocuFin);

    nedVrInicOrig->SetNumber(Filtro.vrOrigIni);
    nedVrFinaOrig->SetNumber(Filtro.vrOrigFin);
    nedVrLiqIni->SetNumber(Filtro.vrBaixaIni);
    nedVrLiqFin->SetNumber(Filtro.vrBaixaFin);
    nedVrContIni->SetNumber(Filtro.vrLiquIni);
    nedVrContFin->SetNumber(Filtro.vrLiquFin);
}

void TfrmFiltroBaixa::FormClose(TObject* /*sender*/, platform::TCloseAction& action) {
    action = platform::TCloseAction::caHide;
    if (TfrmRecContBaixaPag* tela = Tela()) tela->netRecContBaixaPag->SetConnected(false);
}

void TfrmFiltroBaixa::sbtConfirmaClick(TObject* /*sender*/) {
    // 1. Each date edit checks its own text; an invalid date ends the confirm as it stands.
    for (host::TDateEditPlus* edit :
         {dedDtIni, dedDtFin, dedDtIniVen, dedDtFinVen, dedDtInicLanc, dedDtFinLanc})
        edit->CheckValidDate();

    // 2. A single document number bounds the range on both sides.
    if (host::Consiste::EmptyString(medDocFin->Text())) medDocFin->SetText(medDocIni->Text());

    // 3. The checks, in the order the user reads the pages; the first failure ends the confirm.
    Vd_dtPagaIni(true);
    Vd_dtPagaFin(true);
    Vd_DtLancIni(true);
    Vd_DtLancFin(true);
    Vd_FormaPaga();
    Vd_ContCorr();
    Vd_VrBaixa();
    Vd_Operador();
    Vd_DtVencIni(true);
    Vd_DtVencFin(true);
    Vd_TpConta();
    Vd_VrOrig();
    Vd_VrLiqu();
    Vd_Forne();
    Vd_NumeDocuIni();
    Vd_NumeDocuFin();
    Vd_FiliOrig();
    Vd_FiliLanc();

    // 4. The accounting-status code.
    const std::string codigo = CodigoContabilizacao(rdgCtbl->ItemIndex());

    // 5. The criteria become the confirmed ones, all at once (everything was read successfully
    //    before the record changes).
    TFiltro novo;
    novo.dtPagaIni = dedDtIni->GetDate();
    novo.dtPagaFin = dedDtFin->GetDate();
    novo.dtVencIni = dedDtIniVen->GetDate();
    novo.dtVencFin = dedDtFinVen->GetDate();
    novo.dtLancIni = dedDtInicLanc->GetDate();
    novo.dtLancFin = dedDtFinLanc->GetDate();
    novo.stListFPag = stListFPag;
    novo.stListCCorr = stListCCorr;
    novo.stListaFOrig = stListaFOrig;
    novo.stListFiliLanc = stListFiliLanc;
    novo.stListForn = stListForn;
    novo.stListaTpConta = stListaTpConta;
    novo.stListOpera = stListOpera;
    novo.boTodosForn = rbtTodosForn->Checked();
    novo.boTodosFiliOrig = rbtTodosFiliOrig->Checked();
    novo.boTodosFiliLanc = rbtTodosFiliLanc->Checked();
    novo.boTodosFPag = rbtTodosFormPag->Checked();
    novo.boTodosCCorr = rbtTodosContCorr->Checked();
    novo.boTodosOpera = rbtTodosOperador->Checked();
    novo.boTodosTpConta = rbtTodosTpConta->Checked();
    novo.stNumeDocuIni = medDocIni->Text();
    novo.stNumeDocuFin = medDocFin->Text();
    novo.vrBaixaIni = nedVrLiqIni->GetNumber();
    novo.vrBaixaFin = nedVrLiqFin->GetNumber();
    novo.vrOrigIni = nedVrInicOrig->GetNumber();
    novo.vrOrigFin = nedVrFinaOrig->GetNumber();
    novo.vrLiquIni = nedVrContIni->GetNumber();
    novo.vrLiquFin = nedVrContFin->GetNumber();
    novo.nrCtbl = rdgCtbl->ItemIndex();
    Filtro = std::move(novo);

    // 6. The query, under the busy animation whatever its outcome. A failure ends the confirm
    //    here: the dialog stays open.
    {
        host::TBusyGuard animacao(host::TBusyKind::Searching);
        Visualiza_Baixa(codigo);
    }

    // 7. Close (FormClose runs: hidden, connection closed).
    if (IsModal()) SetModalResult(platform::mrOk);
    Close();
}

void TfrmFiltroBaixa::Visualiza_Baixa(const std::string& code) {
    TfrmRecContBaixaPag& tela = TelaAberta();
    platform::TNetConnection* net = tela.netRecContBaixaPag;
    if (!net->Connected()) net->SetConnected(true);
    host::TBusyGuard animacao(host::TBusyKind::Searching);

    std::string situacao = code; // sent by reference; what comes back is not used
    const protocol::TFiltroCriteria criteria{
        .company = tela.medCdEmpresa->Text(),
        .suppliers = TRpcArg::Ref(stListForn),
        .documentFrom = medDocIni->Text(),
        .documentTo = medDocFin->Text(),
        .originBranches = TRpcArg::Ref(stListaFOrig),
        .postingBranches = TRpcArg::Ref(stListFiliLanc),
        .paidFrom = Variant::FromDate(dedDtIni->GetDate()),
        .paidTo = Variant::FromDate(dedDtFin->GetDate()),
        .writeOffTypes = TRpcArg::Ref(stListFPag),
        .bankAccounts = TRpcArg::Ref(stListCCorr),
        .amountFrom = nedVrLiqIni->GetNumber(),
        .amountTo = nedVrLiqFin->GetNumber(),
        .dueFrom = Variant::FromDate(dedDtIniVen->GetDate()),
        .dueTo = Variant::FromDate(dedDtFinVen->GetDate()),
        .payableTypes = TRpcArg::Ref(stListaTpConta),
        .originalFrom = nedVrInicOrig->GetNumber(),
        .originalTo = nedVrFinaOrig->GetNumber(),
        .netFrom = nedVrContIni->GetNumber(),
        .netTo = nedVrContFin->GetNumber(),
        .operators = TRpcArg::Ref(stListOpera),
        .enteredFrom = Variant::FromDate(dedDtInicLanc->GetDate()),
        .enteredTo = Variant::FromDate(dedDtFinLanc->GetDate()),
        .accounting = TRpcArg::Ref(situacao),
    };
    const Variant reply = net->Call("GetBaixaPag_Filtro", protocol::FiltroArgs(criteria));
    const Variant pacote = host::Consiste::CheckResultServ(reply, true, 0);
    tela.cdsBaixaPag->SetData(pacote);
}

} // namespace filter
