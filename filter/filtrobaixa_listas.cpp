// TfrmFiltroBaixa's selection lists: radio buttons, search buttons, clear/undo and the formatted
// columns of the reference queries.
#include <initializer_list>

#include "filter/cli_pag00901.h"
#include "filter/filtrobaixa.h"
#include "host/consiste.h"
#include "host/pesqlista.h"
#include "platform/editmask.h"

namespace filter {

using host::Pesqlista::PesquisaLista;
using platform::TObject;

// ---- Radio buttons ----

void TfrmFiltroBaixa::rbtFPagClick(TObject*) {
    btnPesqFPag->SetEnabled(rbtFPag->Checked());
    stListFPag.clear();
}

void TfrmFiltroBaixa::rbtListCCorrClick(TObject*) {
    btnCCorr->SetEnabled(rbtListCCorr->Checked());
    stListCCorr.clear();
}

void TfrmFiltroBaixa::rbtTodosOperadorClick(TObject*) {
    btnOperador->SetEnabled(rbtListaOperador->Checked());
    stListOpera.clear();
}

void TfrmFiltroBaixa::rbtListFornClick(TObject*) {
    btnListForn->SetEnabled(rbtListForn->Checked());
    stListForn.clear();
}

void TfrmFiltroBaixa::rbtListFilialClick(TObject*) {
    btnListFilial->SetEnabled(rbtListFilial->Checked());
    stListFiliLanc.clear();
}

void TfrmFiltroBaixa::rbtTodosFiliOrigClick(TObject*) {
    btnFiliOr->SetEnabled(rbtListaFiliOr->Checked());
    stListaFOrig.clear();
}

void TfrmFiltroBaixa::rbtListaFiliOrClick(TObject*) {
    // The branches kept in the working list survive a check of "Lista".
    btnFiliOr->SetEnabled(rbtListaFiliOr->Checked());
}

void TfrmFiltroBaixa::rbtTodosTpContaClick(TObject*) {
    btnListaTpConta->SetEnabled(rbtListaTpConta->Checked());
    stListaTpConta.clear();
}

void TfrmFiltroBaixa::rbtListaTpContaClick(TObject*) {
    // The payable types kept in the working list survive a check of "Lista".
    btnListaTpConta->SetEnabled(rbtListaTpConta->Checked());
}

// ---- Search buttons ----

void TfrmFiltroBaixa::ReabreConsulta(host::TADOIBQuery* query, const char* chaveVazia) {
    query->Close();
    query->Open(); // the table's rows as they are now
    if (query->IsEmpty()) Falha(chaveVazia);
}

void TfrmFiltroBaixa::btnPesqFPagClick(TObject*) {
    PesquisaLista(dtsFormaPag, "CDTPBAIXAPAG", msgPadrao->Msg("FPag"), false, stListFPag);
}

void TfrmFiltroBaixa::btnCCorrClick(TObject*) {
    ReabreConsulta(qryContCorr, "ContaCorre_Empty");
    PesquisaLista(dtsContCorr, "CDREDUCONT", msgPadrao->Msg("CCorr"), false, stListCCorr);
}

void TfrmFiltroBaixa::btnOperadorClick(TObject*) {
    ReabreConsulta(qryOperador, "Operador_Empty");
    PesquisaLista(dtsOperador, "CDOperador", msgPadrao->Msg("Operador"), false, stListOpera);
}

void TfrmFiltroBaixa::btnListaTpContaClick(TObject*) {
    ReabreConsulta(qryTipoConta, "TipoConta_Empty");
    PesquisaLista(dtsTipoConta, "CDTPCTPAGAR", msgPadrao->Msg("TP_CONTA"), false, stListaTpConta);
}

void TfrmFiltroBaixa::btnListFornClick(TObject*) {
    ReabreConsulta(qryFornecedor, "Fornec_Empty");
    PesquisaLista(dtsFornecedor, "CDFORNECED", msgPadrao->Msg("Fornece"), false, stListForn);
}

void TfrmFiltroBaixa::btnFiliOrClick(TObject*) {
    // An empty branch table is reported by the pick list, from the text after "|".
    PesquisaLista(dtsFilial, "CDFILIAL",
                  msgPadrao->Msg("Filial") + "|" + msgPadrao->Msg("FILIOR_N_CAD"), false,
                  stListaFOrig);
}

void TfrmFiltroBaixa::btnListFilialClick(TObject*) {
    PesquisaLista(dtsFilial, "CDFILIAL",
                  msgPadrao->Msg("Filial") + "|" + msgPadrao->Msg("FILILANC_N_CAD"), false,
                  stListFiliLanc);
}

// ---- Clear ----

void TfrmFiltroBaixa::sbtLimpaClick(TObject*) {
    for (platform::TRadioButton* todos :
         {rbtTodosFormPag, rbtTodosContCorr, rbtTodosFiliOrig, rbtTodosFiliLanc, rbtTodosForn,
          rbtTodosTpConta, rbtTodosOperador})
        todos->SetChecked(true);
    for (host::TDateEditPlus* edit :
         {dedDtIni, dedDtFin, dedDtIniVen, dedDtFinVen, dedDtInicLanc, dedDtFinLanc})
        edit->SetDate(0);
    for (std::string* list : {&stListFPag, &stListCCorr, &stListaFOrig, &stListFiliLanc,
                              &stListForn, &stListaTpConta, &stListOpera})
        list->clear();
    medDocIni->SetText("");
    medDocFin->SetText("");
    for (host::TNumberEdit* edit :
         {nedVrLiqIni, nedVrLiqFin, nedVrInicOrig, nedVrFinaOrig, nedVrContIni, nedVrContFin})
        edit->SetNumber(0);
    rdgCtbl->SetItemIndex(static_cast<int>(rdgCtbl->Items().size()) - 1);
}

void TfrmFiltroBaixa::mnuDesfazerClick(TObject*) {
    sbtLimpaClick(sbtLimpa);
}

// ---- Formatted columns ----

void TfrmFiltroBaixa::qryFornecedorNRINSJURFORNGetText(platform::TField* sender, std::string& text,
                                                       bool) {
    if (sender->IsNull()) {
        text.clear();
        return;
    }
    const std::string mask =
        host::Consiste::PictPess(qryFornecedor->FieldByName("IDTPIJURFORN")->AsString());
    text = platform::FormatMaskText(mask, sender->AsString());
}

void TfrmFiltroBaixa::qryContCorrCDAGENCIAGetText(platform::TField* sender, std::string& text,
                                                  bool) {
    if (sender->IsNull()) {
        text.clear();
        return;
    }
    text = platform::FormatMaskText(qryContCorr->FieldByName("CDPICTAGEN")->AsString() + ";0; ",
                                    sender->AsString());
}

void TfrmFiltroBaixa::qryContCorrCDCONTCORRGetText(platform::TField* sender, std::string& text,
                                                   bool) {
    // No null test: a missing account number shows the picture's literals among blanks.
    text = platform::FormatMaskText(qryContCorr->FieldByName("CDPICTCONT")->AsString() + ";0; ",
                                    sender->AsString());
}

} // namespace filter
