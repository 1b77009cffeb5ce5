// TfrmFiltroBaixa's checks: the Vd_ routines with their recovery, the exit handlers of the date
// and document edits, and the key filter of the amount edits.
#include "filter/cli_pag00901.h"
#include "filter/filtrobaixa.h"
#include "host/consiste.h"

namespace filter {

using host::Consiste::EmptyString;
using platform::TObject;

template <class Check>
void TfrmFiltroBaixa::ComRecuperacao(platform::TTabSheet* page, platform::TWinControl* control,
                                     Check&& check) {
    try {
        check();
    } catch (...) {
        // The criterion's page comes forward and its control takes the focus (on a hidden
        // dialog the focus is only remembered); then the failure goes on unchanged.
        pgcPadrao->SetActivePage(page);
        if (pgcPadrao->ActivePage() == page) FocusControl(control);
        throw;
    }
}

void TfrmFiltroBaixa::Falha(const char* key) {
    host::Consiste::MensErro(msgPadrao->Msg(key), true);
    platform::Abort(); // MensErro with abort never returns; this keeps the promise visible
}

// ---- Rules ----
// Each rule runs under ComRecuperacao with its page and the control it reports on.

void TfrmFiltroBaixa::ValidaDataInicial(platform::TTabSheet* page, host::TDateEditPlus* inicial,
                                        host::TDateEditPlus* final, const char* chaveInf,
                                        const char* chaveMenor, bool completo) {
    ComRecuperacao(page, inicial, [&] {
        if (!completo) {
            inicial->CheckValidDate();
            return;
        }
        const bool inicialVazia = EmptyString(inicial->Text());
        const bool finalVazia = EmptyString(final->Text());
        if (inicialVazia && !finalVazia) Falha(chaveInf);
        if (!inicialVazia && !finalVazia && final->GetDate() < inicial->GetDate())
            Falha(chaveMenor);
        // An initial date without a final one is the final routine's to report.
    });
}

void TfrmFiltroBaixa::ValidaDataFinal(platform::TTabSheet* page, host::TDateEditPlus* inicial,
                                      host::TDateEditPlus* final, const char* chaveInf,
                                      bool completo) {
    ComRecuperacao(page, final, [&] {
        if (!completo) {
            final->CheckValidDate();
            return;
        }
        if (EmptyString(final->Text()) && !EmptyString(inicial->Text())) Falha(chaveInf);
    });
}

void TfrmFiltroBaixa::ValidaLista(platform::TTabSheet* page, platform::TRadioButton* lista,
                                  const std::string& working, const char* chave) {
    ComRecuperacao(page, lista, [&] {
        if (lista->Checked() && EmptyString(working)) Falha(chave);
    });
}

void TfrmFiltroBaixa::ValidaValores(platform::TTabSheet* page, host::TNumberEdit* inicial,
                                    host::TNumberEdit* final, const char* chave) {
    ComRecuperacao(page, inicial, [&] {
        // An empty amount is zero, and zero is a bound like any other; the "0" stays in the
        // edit.
        if (EmptyString(inicial->Text())) inicial->SetText("0");
        if (EmptyString(final->Text())) final->SetText("0");
        if (final->GetNumber() < inicial->GetNumber()) Falha(chave);
    });
}

// ---- Date ranges ----

void TfrmFiltroBaixa::Vd_dtPagaIni(bool completo) {
    ValidaDataInicial(tshDadosBaixa, dedDtIni, dedDtFin, "DtPagaIni_inf", "DtPagaIni_menor",
                      completo);
}

void TfrmFiltroBaixa::Vd_dtPagaFin(bool completo) {
    ValidaDataFinal(tshDadosBaixa, dedDtIni, dedDtFin, "DtPagaFin_inf", completo);
}

void TfrmFiltroBaixa::Vd_DtLancIni(bool completo) {
    ValidaDataInicial(tshDadosBaixa, dedDtInicLanc, dedDtFinLanc, "DtLancIni_inf",
                      "DtlancIni_menor", completo);
}

void TfrmFiltroBaixa::Vd_DtLancFin(bool completo) {
    ValidaDataFinal(tshDadosBaixa, dedDtInicLanc, dedDtFinLanc, "DtLancFin_inf", completo);
}

void TfrmFiltroBaixa::Vd_DtVencIni(bool completo) {
    ValidaDataInicial(tshContPagar, dedDtIniVen, dedDtFinVen, "DtVencIni_inf", "DtVencIni_menor",
                      completo);
}

void TfrmFiltroBaixa::Vd_DtVencFin(bool completo) {
    ValidaDataFinal(tshContPagar, dedDtIniVen, dedDtFinVen, "DtVencFin_inf", completo);
}

// ---- Lists ----

void TfrmFiltroBaixa::Vd_FormaPaga() {
    ValidaLista(tshDadosBaixa, rbtFPag, stListFPag, "FormPag_inf");
}

void TfrmFiltroBaixa::Vd_ContCorr() {
    ValidaLista(tshDadosBaixa, rbtListCCorr, stListCCorr, "ContCorr_inf");
}

void TfrmFiltroBaixa::Vd_Operador() {
    ValidaLista(tshDadosBaixa, rbtListaOperador, stListOpera, "Opera_inf");
}

void TfrmFiltroBaixa::Vd_TpConta() {
    ValidaLista(tshContPagar, rbtListaTpConta, stListaTpConta, "TpConta_inf");
}

void TfrmFiltroBaixa::Vd_Forne() {
    ValidaLista(tshDocumento, rbtListForn, stListForn, "Forn_inf");
}

void TfrmFiltroBaixa::Vd_FiliOrig() {
    ValidaLista(tshDocumento, rbtListaFiliOr, stListaFOrig, "FiliOrig_inf");
}

void TfrmFiltroBaixa::Vd_FiliLanc() {
    ValidaLista(tshDocumento, rbtListFilial, stListFiliLanc, "FiliLanc_inf");
}

// ---- Amounts ----

void TfrmFiltroBaixa::Vd_VrBaixa() {
    ValidaValores(tshDadosBaixa, nedVrLiqIni, nedVrLiqFin, "VrBaix_menor");
}

void TfrmFiltroBaixa::Vd_VrOrig() {
    ValidaValores(tshContPagar, nedVrInicOrig, nedVrFinaOrig, "VrOrigIni_menor");
}

void TfrmFiltroBaixa::Vd_VrLiqu() {
    ValidaValores(tshContPagar, nedVrContIni, nedVrContFin, "VrLiqu_menor");
}

// ---- Document numbers ----

void TfrmFiltroBaixa::Vd_NumeDocuIni() {
    ComRecuperacao(tshDocumento, medDocIni, [&] {
        const bool inicialVazio = EmptyString(medDocIni->Text());
        if (inicialVazio && !EmptyString(medDocFin->Text())) Falha("NumeIni_inf");
        if (inicialVazio) return;
        // Both filled up on the left to the same length, so digits compare in numeric order;
        // the comparison itself is textual (character codes).
        medDocIni->SetText(host::Consiste::Ajusta(medDocIni->Text(), medDocIni->MaxLength()));
        if (EmptyString(medDocFin->Text())) return;
        medDocFin->SetText(host::Consiste::Ajusta(medDocFin->Text(), medDocFin->MaxLength()));
        if (medDocIni->Text() > medDocFin->Text()) Falha("NumeIni_menor");
    });
}

void TfrmFiltroBaixa::Vd_NumeDocuFin() {
    ComRecuperacao(tshDocumento, medDocFin, [&] {
        if (EmptyString(medDocFin->Text()) && !EmptyString(medDocIni->Text())) Falha("NumeFin_inf");
    });
}

// ---- Leaving the edits ----

void TfrmFiltroBaixa::dedDtIniExit(TObject*) {
    Vd_dtPagaIni(false);
}
void TfrmFiltroBaixa::dedDtFinExit(TObject*) {
    Vd_dtPagaFin(false);
}
void TfrmFiltroBaixa::dedDtInicLancExit(TObject*) {
    Vd_DtLancIni(false);
}
void TfrmFiltroBaixa::dedDtFinLancExit(TObject*) {
    Vd_DtLancFin(false);
}
void TfrmFiltroBaixa::dedDtIniVenExit(TObject*) {
    Vd_DtVencIni(false);
}
void TfrmFiltroBaixa::dedDtFinVenExit(TObject*) {
    Vd_DtVencFin(false);
}

void TfrmFiltroBaixa::medDocIniExit(TObject*) {
    medDocIni->SetText(host::Consiste::Ajusta(medDocIni->Text(), medDocIni->MaxLength()));
    if (EmptyString(medDocFin->Text())) medDocFin->SetText(medDocIni->Text());
}

void TfrmFiltroBaixa::medDocFinExit(TObject*) {
    medDocFin->SetText(host::Consiste::Ajusta(medDocFin->Text(), medDocFin->MaxLength()));
}

// ---- Amount keys ----

void TfrmFiltroBaixa::FiltraValor(host::TNumberEdit* edit, platform::TKeyChar& key) {
    if (key == U'-') platform::Abort(); // amounts are never negative; the key is dropped silently
    host::Consiste::MaxNumber(edit->Text(), 10, 2, platform::Utf8Encode(key), edit->SelStart(),
                              edit->SelLength());
}

void TfrmFiltroBaixa::nedVrLiqIniKeyPress(TObject*, platform::TKeyChar& key) {
    FiltraValor(nedVrLiqIni, key);
}
void TfrmFiltroBaixa::nedVrLiqFinKeyPress(TObject*, platform::TKeyChar& key) {
    FiltraValor(nedVrLiqFin, key);
}
void TfrmFiltroBaixa::nedVrInicOrigKeyPress(TObject*, platform::TKeyChar& key) {
    FiltraValor(nedVrInicOrig, key);
}
void TfrmFiltroBaixa::nedVrFinaOrigKeyPress(TObject*, platform::TKeyChar& key) {
    FiltraValor(nedVrFinaOrig, key);
}
void TfrmFiltroBaixa::nedVrContIniKeyPress(TObject*, platform::TKeyChar& key) {
    FiltraValor(nedVrContIni, key);
}
void TfrmFiltroBaixa::nedVrContFinKeyPress(TObject*, platform::TKeyChar& key) {
    FiltraValor(nedVrContFin, key);
}

} // namespace filter
