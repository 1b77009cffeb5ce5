// TfrmFiltroBaixa: the filter dialog PAG00901 "Filtro de Baixa (Pagamento)" — its components,
// criteria record and handlers.
#pragma once

#include <string>

#include "filter/filtro.h"
#include "host/adoibquery.h"
#include "host/btnpesquisa.h"
#include "host/dateeditplus.h"
#include "host/frmfiltropadrao.h"
#include "host/numberedit.h"
#include "platform/comctrls.h"
#include "platform/datasource.h"
#include "platform/menus.h"
#include "platform/stdctrls.h"

namespace filter {

/// The modal dialog in which the user narrows the recalculation screen's write-off list.
///
/// Created once (CriaFiltroBaixaPag) and then only hidden and shown again, so `Filtro`, the last
/// confirmed criteria, survives between openings. Each opening reloads the controls from
/// `Filtro` (FormActivate); the controls then hold what the user leaves in them until the next
/// opening. A confirm checks every criterion, keeps them in `Filtro`, queries the server and
/// loads the reply into the screen's list. The dialog reaches the recalculation screen through
/// recalculation::frmRecContBaixaPag (company edit, connection, list).
///
/// The seven code lists work on the unit's working list strings (cli_pag00901.h); the search
/// buttons fill them, the radio buttons, the clear button and the option loading empty or
/// replace them, and the server's answer to a query replaces them too.
class TfrmFiltroBaixa : public host::TfrmFiltroPadrao {
public:
    explicit TfrmFiltroBaixa(platform::TComponent* owner);
    /// Clears frmFiltroBaixa when it refers to this dialog.
    ~TfrmFiltroBaixa() override;

    /// The last confirmed criteria.
    TFiltro Filtro;

    // Side panel and hot key.
    platform::TSpeedButton* sbtLimpa = nullptr;
    platform::TPopupMenu* pmnHotKey = nullptr;
    platform::TMenuItem* mnuDesfazer = nullptr;

    // Pages.
    platform::TPageControl* pgcPadrao = nullptr;
    platform::TTabSheet* tshDadosBaixa = nullptr;
    platform::TTabSheet* tshContPagar = nullptr;
    platform::TTabSheet* tshDocumento = nullptr;

    // Page "Dados da Baixa".
    platform::TGroupBox* grbDadosBaixa = nullptr;
    platform::TGroupBox* grbPag = nullptr;
    host::TDateEditPlus* dedDtIni = nullptr;
    host::TDateEditPlus* dedDtFin = nullptr;
    platform::TGroupBox* grbLancamento = nullptr;
    host::TDateEditPlus* dedDtInicLanc = nullptr;
    host::TDateEditPlus* dedDtFinLanc = nullptr;
    platform::TGroupBox* grbFPag = nullptr;
    platform::TRadioButton* rbtTodosFormPag = nullptr;
    platform::TRadioButton* rbtFPag = nullptr;
    host::TBtnPesquisa* btnPesqFPag = nullptr;
    platform::TGroupBox* grbVrLiq = nullptr;
    host::TNumberEdit* nedVrLiqIni = nullptr;
    host::TNumberEdit* nedVrLiqFin = nullptr;
    platform::TGroupBox* grbCcorr = nullptr;
    platform::TRadioButton* rbtTodosContCorr = nullptr;
    platform::TRadioButton* rbtListCCorr = nullptr;
    host::TBtnPesquisa* btnCCorr = nullptr;
    platform::TGroupBox* grbOperador = nullptr;
    platform::TRadioButton* rbtTodosOperador = nullptr;
    platform::TRadioButton* rbtListaOperador = nullptr;
    host::TBtnPesquisa* btnOperador = nullptr;

    // Page "Conta a Pagar".
    platform::TGroupBox* grbCp = nullptr;
    platform::TGroupBox* grbVencimento = nullptr;
    host::TDateEditPlus* dedDtIniVen = nullptr;
    host::TDateEditPlus* dedDtFinVen = nullptr;
    platform::TGroupBox* grbTpConta = nullptr;
    platform::TRadioButton* rbtTodosTpConta = nullptr;
    platform::TRadioButton* rbtListaTpConta = nullptr;
    host::TBtnPesquisa* btnListaTpConta = nullptr;
    platform::TGroupBox* grbNCheq = nullptr;
    host::TNumberEdit* nedVrInicOrig = nullptr;
    host::TNumberEdit* nedVrFinaOrig = nullptr;
    platform::TGroupBox* grbVrLiquido = nullptr;
    host::TNumberEdit* nedVrContIni = nullptr;
    host::TNumberEdit* nedVrContFin = nullptr;

    // Page "Documento".
    platform::TGroupBox* grbNf = nullptr;
    platform::TGroupBox* grbFornecedor = nullptr;
    platform::TRadioButton* rbtTodosForn = nullptr;
    platform::TRadioButton* rbtListForn = nullptr;
    host::TBtnPesquisa* btnListForn = nullptr;
    platform::TGroupBox* grbNumero = nullptr;
    platform::TMaskEdit* medDocIni = nullptr;
    platform::TMaskEdit* medDocFin = nullptr;
    platform::TGroupBox* grbFiliOrig = nullptr;
    platform::TRadioButton* rbtTodosFiliOrig = nullptr;
    platform::TRadioButton* rbtListaFiliOr = nullptr;
    host::TBtnPesquisa* btnFiliOr = nullptr;
    platform::TGroupBox* grbFiliLanc = nullptr;
    platform::TRadioButton* rbtTodosFiliLanc = nullptr;
    platform::TRadioButton* rbtListFilial = nullptr;
    host::TBtnPesquisa* btnListFilial = nullptr;
    platform::TRadioGroup* rdgCtbl = nullptr;

    // Reference data of the selection lists. The two branch groups share qryFilial/dtsFilial.
    host::TADOIBQuery* qryFormaPag = nullptr;
    host::TADOIBQuery* qryContCorr = nullptr;
    host::TADOIBQuery* qryOperador = nullptr;
    host::TADOIBQuery* qryTipoConta = nullptr;
    host::TADOIBQuery* qryFornecedor = nullptr;
    host::TADOIBQuery* qryFilial = nullptr;
    platform::TDataSource* dtsFormaPag = nullptr;
    platform::TDataSource* dtsContCorr = nullptr;
    platform::TDataSource* dtsOperador = nullptr;
    platform::TDataSource* dtsTipoConta = nullptr;
    platform::TDataSource* dtsFornecedor = nullptr;
    platform::TDataSource* dtsFilial = nullptr;

    // Life of the dialog.
    /// Creation: the base's creation, the screen's connection opened when closed, the document
    /// edits limited to 7 characters, the record set to the initial criteria.
    void FormCreate(platform::TObject* sender) override;
    /// Each opening (and the recalculation screen's reload): the controls from the record.
    void FormActivate(platform::TObject* sender);
    /// Every closing: the dialog is hidden, and the screen's connection is closed.
    void FormClose(platform::TObject* sender, platform::TCloseAction& action) override;
    /// Confirm: checks, keeps and sends the criteria, then closes the dialog.
    void sbtConfirmaClick(platform::TObject* sender) override;
    /// Sends the criteria as the controls and working lists hold them, with accounting-status
    /// code `code`, and loads the reply as the whole list of the recalculation screen. The
    /// working lists take the values the server returns in them.
    void Visualiza_Baixa(const std::string& code);

    // Radio buttons of the list groups: each enables its group's search button exactly when
    // the group's "Lista" is checked, and empties the group's working list (in the groups
    // "Filial de Origem" and "Tipo de Conta", only the all-button's handler empties it).
    void rbtFPagClick(platform::TObject* sender);
    void rbtListCCorrClick(platform::TObject* sender);
    void rbtTodosOperadorClick(platform::TObject* sender);
    void rbtListFornClick(platform::TObject* sender);
    void rbtListFilialClick(platform::TObject* sender);
    void rbtTodosFiliOrigClick(platform::TObject* sender);
    void rbtListaFiliOrClick(platform::TObject* sender);
    void rbtTodosTpContaClick(platform::TObject* sender);
    void rbtListaTpContaClick(platform::TObject* sender);

    // Search buttons: the user picks the group's codes into its working list.
    void btnPesqFPagClick(platform::TObject* sender);
    void btnCCorrClick(platform::TObject* sender);
    void btnOperadorClick(platform::TObject* sender);
    void btnListaTpContaClick(platform::TObject* sender);
    void btnListFornClick(platform::TObject* sender);
    void btnFiliOrClick(platform::TObject* sender);
    void btnListFilialClick(platform::TObject* sender);

    /// Clear: every control back to "no criterion" and every working list empty; the record,
    /// the page shown and the tab focus are left alone.
    void sbtLimpaClick(platform::TObject* sender);
    /// Ctrl+D: the clear, with sbtLimpa as sender.
    void mnuDesfazerClick(platform::TObject* sender);

    /// Saves the seven working lists and the accounting choice with the base's options.
    void btfSaveOpcClick(platform::TObject* sender) override;
    /// Loads the base's options, then the seven working lists and the accounting choice.
    void btfLoadOpcClick(platform::TObject* sender) override;

    // Formatted columns of the selection lists.
    void qryFornecedorNRINSJURFORNGetText(platform::TField* sender, std::string& text,
                                          bool displayText);
    void qryContCorrCDAGENCIAGetText(platform::TField* sender, std::string& text, bool displayText);
    void qryContCorrCDCONTCORRGetText(platform::TField* sender, std::string& text,
                                      bool displayText);

    // Checks of the criteria. Each reports a failure through MensErro (or the date edit's own
    // error), then brings its criterion's page forward, focuses its control and raises again.
    // The date routines run the complete check with `completo` true (confirm) and otherwise
    // only check that their own edit holds a valid date (leaving the edit).
    void Vd_dtPagaIni(bool completo);
    void Vd_dtPagaFin(bool completo);
    void Vd_DtLancIni(bool completo);
    void Vd_DtLancFin(bool completo);
    void Vd_DtVencIni(bool completo);
    void Vd_DtVencFin(bool completo);
    void Vd_FormaPaga();
    void Vd_ContCorr();
    void Vd_Operador();
    void Vd_TpConta();
    void Vd_Forne();
    void Vd_FiliOrig();
    void Vd_FiliLanc();
    void Vd_VrBaixa();
    void Vd_VrOrig();
    void Vd_VrLiqu();
    void Vd_NumeDocuIni();
    void Vd_NumeDocuFin();

    // Leaving the edits.
    void dedDtIniExit(platform::TObject* sender);
    void dedDtFinExit(platform::TObject* sender);
    void dedDtInicLancExit(platform::TObject* sender);
    void dedDtFinLancExit(platform::TObject* sender);
    void dedDtIniVenExit(platform::TObject* sender);
    void dedDtFinVenExit(platform::TObject* sender);
    /// Pads the initial document number to 7 characters and copies it into an empty "até".
    void medDocIniExit(platform::TObject* sender);
    /// Pads the final document number to 7 characters.
    void medDocFinExit(platform::TObject* sender);

    // Key filters of the amount edits: "-" is dropped silently, and so is a key that would
    // take the amount beyond 10 integer digits or 2 decimals.
    void nedVrLiqIniKeyPress(platform::TObject* sender, platform::TKeyChar& key);
    void nedVrLiqFinKeyPress(platform::TObject* sender, platform::TKeyChar& key);
    void nedVrInicOrigKeyPress(platform::TObject* sender, platform::TKeyChar& key);
    void nedVrFinaOrigKeyPress(platform::TObject* sender, platform::TKeyChar& key);
    void nedVrContIniKeyPress(platform::TObject* sender, platform::TKeyChar& key);
    void nedVrContFinKeyPress(platform::TObject* sender, platform::TKeyChar& key);

private:
    // Design (filtrobaixa_design.cpp).
    void CriaPaginaDadosBaixa();
    void CriaPaginaContaPagar();
    void CriaPaginaDocumento();
    void CriaConsultas();
    void CriaCatalogo();
    void LigaEventos();

    /// Runs a check; on any exception brings `page` forward, focuses `control` and raises again.
    template <class Check>
    void ComRecuperacao(platform::TTabSheet* page, platform::TWinControl* control, Check&& check);
    /// Rules of the date ranges, the lists and the amount ranges, each under ComRecuperacao
    /// with `page` and the control it reports on. Without `completo` a date rule only checks
    /// that its edit holds a valid date.
    void ValidaDataInicial(platform::TTabSheet* page, host::TDateEditPlus* inicial,
                           host::TDateEditPlus* final, const char* chaveInf, const char* chaveMenor,
                           bool completo);
    void ValidaDataFinal(platform::TTabSheet* page, host::TDateEditPlus* inicial,
                         host::TDateEditPlus* final, const char* chaveInf, bool completo);
    void ValidaLista(platform::TTabSheet* page, platform::TRadioButton* lista,
                     const std::string& working, const char* chave);
    void ValidaValores(platform::TTabSheet* page, host::TNumberEdit* inicial,
                       host::TNumberEdit* final, const char* chave);
    /// Shows the catalogue text of `key` and ends with the silent abort.
    [[noreturn]] void Falha(const char* key);
    /// The key filter shared by the six amount edits.
    void FiltraValor(host::TNumberEdit* edit, platform::TKeyChar& key);
    /// Reopens a group's query and refuses an empty table with the group's message.
    void ReabreConsulta(host::TADOIBQuery* query, const char* chaveVazia);

    /// Set when the dialog is shown; its activation then reloads the controls once. Focus
    /// coming back from a pick list or a message box does not reload them.
    bool abertura_ = false;
};

} // namespace filter
