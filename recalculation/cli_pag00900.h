// Cli_pag00900: the unit of the recalculation screen PAG00900 — the screen class with its design
// (controls, datasets, catalogue), its connection to the application server, the unit's
// module-level state and its creation routine.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/adoibquery.h"
#include "host/btnpesquisa.h"
#include "host/frmpadraogrid.h"
#include "host/keylist.h"
#include "platform/comctrls.h"
#include "platform/dataset.h"
#include "platform/netconnection.h"
#include "platform/stdctrls.h"

namespace recalculation {

/// The module that carries this unit; its satellite texts apply to the screen.
inline constexpr const char* kPackageName = "PKG_PAG00900";

/// The recalculation screen "Recálculo da Contabilização da Baixa (Pagamento)", an MDI child
/// of the host's main window. The user picks a company in the panel panFiltro; leaving the
/// panel loads that company's write-offs into cdsBaixaPag (grid dbgPadrao), where the real ones
/// are marked for the recalculation run.
///
/// It owns its connection netRecContBaixaPag to the remote object "PAG00900.rdmRecContBaixaPag",
/// whose host and port are read from the host's session at every connect. It frees itself when
/// closed.
///
/// Invariants: while the screen exists it is the one frmRecContBaixaPag points at (see
/// CriaRecContBaixaPag). From FormCreate to FormClose the set of marked write-offs exists and,
/// after each posting of a row of cdsBaixaPag, holds that row's key (CDFILIAL followed by
/// NRBAIXAPAG) exactly when its IDMARCADO is "S"; it is empty whenever the list opens or closes.
/// The confirm command (mnuConfirmar, sbtConfirmar) and the simulation (mnuSimular,
/// sbtSimular) are enabled exactly while the set is not empty.
class TfrmRecContBaixaPag : public host::TfrmPadraoGrid {
public:
    explicit TfrmRecContBaixaPag(platform::TComponent* owner);
    /// Clears frmRecContBaixaPag and boStCriado when they refer to this screen, so nothing
    /// is left pointing at a freed screen whichever way it was freed.
    ~TfrmRecContBaixaPag() override;

    // ---- Design ----

    platform::TNetConnection* netRecContBaixaPag = nullptr;

    // Commands of this screen.
    platform::TSpeedButton* sbtFiltro = nullptr;
    platform::TSpeedButton* sbtContab = nullptr;
    platform::TSpeedButton* sbtSimular = nullptr;
    platform::TMenuItem* mnuSimular = nullptr;
    platform::TMenuItem* mnuSeparador3 = nullptr;
    platform::TMenuItem* mnuFiltro = nullptr;
    platform::TImage* imgCheck = nullptr;
    platform::TImage* imgUncheck = nullptr;

    // Company panel.
    platform::TPanel* panFiltro = nullptr;
    platform::TLabel* Label1 = nullptr;
    platform::TMaskEdit* medCdEmpresa = nullptr;
    host::TBtnPesquisa* btpEmpresa = nullptr;
    platform::TEdit* edtNmEmpresa = nullptr;
    host::TADOIBQuery* qryEmpresa = nullptr;
    platform::TDataSource* dtsEmpresa = nullptr;

    platform::TProgressBar* pgbBaixaPag = nullptr;

    // The write-off list and its persistent fields, in the record's order.
    platform::TClientDataSet* cdsBaixaPag = nullptr;
    platform::TStringField* cdsBaixaPagCDPICTAGEN = nullptr;
    platform::TStringField* cdsBaixaPagCDFILIAL = nullptr;
    platform::TStringField* cdsBaixaPagNRBAIXAPAG = nullptr;
    platform::TStringField* cdsBaixaPagCDEMPRESA = nullptr;
    platform::TStringField* cdsBaixaPagNRMOVBANC = nullptr;
    platform::TStringField* cdsBaixaPagCDREDUCONT = nullptr;
    platform::TStringField* cdsBaixaPagCDCONTCTBL = nullptr;
    platform::TStringField* cdsBaixaPagNRCHEQUE = nullptr;
    platform::TDateTimeField* cdsBaixaPagDTBAIXAPAG = nullptr;
    platform::TFloatField* cdsBaixaPagVRBAIXAPAG = nullptr;
    platform::TStringField* cdsBaixaPagDSNOMCHEQUE = nullptr;
    platform::TStringField* cdsBaixaPagIDSTEMICHEQ = nullptr;
    platform::TStringField* cdsBaixaPagNRLCTBBPAG = nullptr;
    platform::TStringField* cdsBaixaPagIDSTATUSBPAG = nullptr;
    platform::TStringField* cdsBaixaPagCDOPERADOR = nullptr;
    platform::TFixedCharField* cdsBaixaPagIDMARCADO = nullptr;
    platform::TStringField* cdsBaixaPagCDBANCO = nullptr;
    platform::TStringField* cdsBaixaPagCDAGENCIA = nullptr;
    platform::TStringField* cdsBaixaPagCDCONTCORR = nullptr;
    platform::TStringField* cdsBaixaPagDSCONTCORR = nullptr;
    platform::TStringField* cdsBaixaPagCDPICTCONT = nullptr;
    platform::TStringField* cdsBaixaPagDSBAIXAPAG = nullptr;
    platform::TStringField* cdsBaixaPagCDTPBAIXAPAG = nullptr;
    platform::TStringField* cdsBaixaPagIDBAIXAUTILP = nullptr;
    platform::TStringField* cdsBaixaPagNMTPBAIXAPAG = nullptr;
    platform::TStringField* cdsBaixaPagIDCTBLBXPAG = nullptr;
    platform::TDateTimeField* cdsBaixaPagDTLANCBAIXAP = nullptr;
    platform::TStringField* cdsBaixaPagNMOPERADOR = nullptr;
    platform::TStringField* cdsBaixaPagIDPARTIDABOLPAG = nullptr;

    // Datasets of the recalculation run: the catalogue sent to the server, the four datasets
    // of its reply, and two that travel with it. cdsResult reads in IDTPRESULT order through
    // its active index idxResultado.
    platform::TClientDataSet* cdsMsg = nullptr;
    platform::TClientDataSet* cdsResult = nullptr;
    platform::TClientDataSet* cdsLancContTemp = nullptr;
    platform::TClientDataSet* cdsRateio = nullptr;
    platform::TClientDataSet* cdsErrosTemp = nullptr;
    platform::TClientDataSet* cdsListaBol = nullptr;
    platform::TClientDataSet* cdsBoletoPag = nullptr;

    // ---- Lifecycle ----

    /// Creation: the base screen's creation, the marked set, the connection, cdsMsg, then the
    /// host's current company put into the company edit and checked (name shown, or the
    /// message "Emp_Nc" / "Emp_Nr" with the focus left in the edit).
    void FormCreate(platform::TObject* sender) override;
    /// Every activation: repaint; the focus into the company edit at the first one; cdsMsg
    /// rebuilt from the catalogue.
    void FormActivate(platform::TObject* sender);
    /// Closing: the base screen's closing (the screen is freed), the marked set freed,
    /// boStCriado := false, the connection closed.
    void FormClose(platform::TObject* sender, platform::TCloseAction& action) override;
    /// Before each connection attempt: port and host from the host's session, read anew.
    void netRecContBaixaPagBeforeConnect(platform::TObject* sender);

    // ---- Company panel and list loading ----

    void medCdEmpresaChange(platform::TObject* sender);
    void medCdEmpresaExit(platform::TObject* sender);
    void btpEmpresaBeforePesq(platform::TObject* sender);
    void btpEmpresaAfterPesq(platform::TObject* sender);
    /// Entering the panel: filter and accounting commands off, the list closed, the focus in
    /// the company edit.
    void panFiltroEnter(platform::TObject* sender);
    /// Leaving the panel: the company is required and checked; then the list is loaded (through
    /// the filter dialog once it exists, else with the default criteria). A load failure is
    /// absorbed; one that nobody reported yet is shown once first. The filter command is on
    /// afterwards either way.
    void panFiltroExit(platform::TObject* sender);
    /// Checks the company code of medCdEmpresa: empty passes unless `required`; otherwise it is
    /// brought to two digits, looked up and checked against the operator's rights, and its name
    /// shown. A failure leaves the focus in medCdEmpresa and reaches the caller (the message
    /// already shown, then the silent abort).
    void Vd_Empresa(bool required);
    void sbtFiltroClick(platform::TObject* sender);
    void mnuFiltroClick(platform::TObject* sender);
    /// State rule, on every state change of dtsPadrao and dtsEmpresa: the after-post rule on
    /// the current row, the confirm command, then the base screen's row command and browse
    /// control.
    void dtsPadraoStateChange(platform::TObject* sender) override;
    /// Replaces cdsBaixaPag with the company's write-offs paid today (the default criteria),
    /// through CheckResultServ.
    void Carrega_BaixaPadrao();
    /// Empties cdsMsg and fills it with one row per catalogue line (key, text cut to 200).
    void Carrega_Msg();

    // ---- Grid marking and display ----

    void dbgPadraoDblClick(platform::TObject* sender);
    void dbgPadraoKeyDown(platform::TObject* sender, platform::Word& key,
                          platform::TShiftState shift) override;
    void dbgPadraoTitleClick(platform::TColumn* column);
    void dbgPadraoDrawColumnCell(platform::TObject* sender, const platform::TRect& rect,
                                 int dataCol, platform::TColumn* column,
                                 platform::TGridDrawState state);
    void cdsBaixaPagAfterOpen(platform::TDataSet* dataSet);
    void cdsBaixaPagAfterClose(platform::TDataSet* dataSet);
    void cdsBaixaPagAfterPost(platform::TDataSet* dataSet);
    /// The confirm command on exactly while some write-off is marked.
    void Bot_Confirma();
    void cdsBaixaPagIDSTATUSBPAGGetText(platform::TField* sender, std::string& text,
                                        bool displayText);
    void cdsBaixaPagCDAGENCIAGetText(platform::TField* sender, std::string& text, bool displayText);
    void cdsBaixaPagCDCONTCORRGetText(platform::TField* sender, std::string& text,
                                      bool displayText);
    void cdsBaixaPagNRMOVBANCGetText(platform::TField* sender, std::string& text, bool displayText);

    // ---- Recalculation run, verification and accounting view ----

    /// The run: the whole list with its marks and the catalogue sent in one SetConfirmar; a
    /// result key or accounting errors (CTB10200 opened) stop it; otherwise the success message
    /// and the list reloaded with the current write-off selected again. The list's controls
    /// stay disabled and the window locked from before the first call until the message, and
    /// are released on every way out.
    void sbtConfirmarClick(platform::TObject* sender) override;
    /// Simulation: the list and catalogue sent to GetSimulacao under the busy animation; a
    /// result key stops it as it stops a run; otherwise CTB10200 opens with the provisional
    /// entries, the apportionment and the errors, told that nothing was posted. The list, its
    /// marks and the marked set stay as they are.
    void sbtSimularClick(platform::TObject* sender);
    /// Cancel: the base screen's cancel, then the boletos' pending changes discarded.
    void sbtCancelarClick(platform::TObject* sender) override;
    /// Verification: the list read again (through the filter dialog once it exists, with both
    /// accounting states; else with the default criteria). A failure keeps the list; one that
    /// nobody reported yet is shown once.
    void sbtVerificarClick(platform::TObject* sender) override;
    /// Accounting view: CTB10200 opened for the current write-off's entry number, with the
    /// run's three datasets emptied (those open).
    void sbtContabClick(platform::TObject* sender);

    /// The set of marked write-offs; nullptr before FormCreate and after FormClose.
    const host::TKeyList* BaixasMarcadas() const { return baixasMarcadas_.get(); }

private:
    // Design, in the order the constructor builds it.
    void DesignCommands();
    void DesignCompanyPanel();
    void DesignList();
    void DesignGrid();
    void DesignRunDataSets();
    void DesignCatalogue();
    void WireEvents();

    /// Loads a run's or simulation's reply, through CheckResultServ, into the four datasets;
    /// returns the result packet as sent (with fields cdsResult does not keep).
    platform::Variant CarregaResposta(const platform::Variant& reply);
    /// Stops with the first result row's text when its key is one that stops a run (a boleto
    /// conflict's "%s" filled when the row of `resultados` carries the values), with the
    /// cursor on the write-off the row names when it is in the list.
    void ConfereResultado(const platform::Variant& resultados);
    /// Opens CTB10200 with the provisional entries, apportionment and errors of the reply;
    /// `simulacao` tells it that nothing was posted.
    void AbreContabilizacao(bool simulacao);
    /// The key of the current row of cdsBaixaPag: CDFILIAL followed by NRBAIXAPAG.
    std::string ChaveBaixa() const;
    /// Edits the current row's mark to `mark` and posts it; a refused post is undone and
    /// reaches the caller.
    void TrocaMarca(const std::string& mark);
    /// Puts the company's name into edtNmEmpresa after looking the code up: the messages
    /// "Emp_Nc" or "Emp_Nr" (focus to medCdEmpresa) when it is unknown or not allowed.
    void ConfereEmpresa(const std::string& company);
    /// Loads the list under the animation: through the filter dialog once it exists (both
    /// accounting states), else with the default criteria. A failure keeps the list as it was;
    /// one already reported stays silent, any other is shown once.
    void CarregaLista();

    std::unique_ptr<host::TKeyList> baixasMarcadas_;
};

/// The screen's catalogue: its 30 lines "KEY|TEXT" in order.
const std::vector<std::string>& CatalogoRecContBaixaPag();

/// The 23 arguments of GetBaixaPag_Filtro that ask for the company's write-offs paid on
/// `today` (date without time), accounted or not, nothing else restricted.
std::vector<platform::TRpcArg> CriteriosPadrao(const std::string& company,
                                               platform::TDateTime today);

/// Colour of the check pictures' background, also the colour InsereImagem leaves out: olive,
/// red 128, green 128, blue 0.
inline constexpr platform::TColor kCorFundoCheck = 32896;
/// The two 16 x 16 check pictures: an empty box, and a box with a tick.
platform::TBitmap CheckPicture(bool checked);

// Exported by the module under these names (C linkage, found by hosts with dlsym).
extern "C" {
/// The recalculation screen; nullptr while there is none.
extern TfrmRecContBaixaPag* frmRecContBaixaPag;
/// True from the creation of the screen until it closes (or is freed).
extern bool boStCriado;
}

/// The text the recalculation run keeps between calls; released at the unit's shut-down.
extern std::string stNrLista;

/// Opens the recalculation screen: the hourglass cursor while it works; creates the screen
/// (owned by the application) unless it exists; restores it to its normal size and shows it in
/// front; the default cursor again. A failure while creating leaves boStCriado false, puts the
/// cursor back and reaches the caller.
void CriaRecContBaixaPag();

/// The unit's start-up work (boStCriado := false) and shut-down work (releases stNrLista), run
/// by the module's unit list.
void UnitStartup();
void UnitShutdown();

} // namespace recalculation
