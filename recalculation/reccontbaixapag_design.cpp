// The recalculation screen's design: its commands, the company panel, the grid's columns and the
// wiring of every handler.
#include "recalculation/cli_pag00900.h"

#include <functional>

#include "platform/menus.h"

namespace recalculation {

using platform::TAlign;

void TfrmRecContBaixaPag::DesignCommands() {
    sbtFiltro = platform::CreateChild<platform::TSpeedButton>(*this, panMenu, "sbtFiltro");
    sbtFiltro->SetBounds(227, 4, 21, 21);
    sbtFiltro->SetFlat(true);
    sbtFiltro->SetHint("Filtrar");
    sbtFiltro->SetShowHint(true);
    sbtFiltro->SetEnabled(false);

    sbtContab = platform::CreateChild<platform::TSpeedButton>(*this, panMenu, "sbtContab");
    sbtContab->SetBounds(202, 4, 21, 21);
    sbtContab->SetFlat(true);
    sbtContab->SetHint("Contabilizar");
    sbtContab->SetShowHint(true);
    sbtContab->SetEnabled(false);

    sbtSimular = platform::CreateChild<platform::TSpeedButton>(*this, panMenu, "sbtSimular");
    sbtSimular->SetBounds(252, 4, 21, 21);
    sbtSimular->SetFlat(true);
    sbtSimular->SetHint("Simular contabilização");
    sbtSimular->SetShowHint(true);
    sbtSimular->SetEnabled(false);
    mnuSimular = Create<platform::TMenuItem>();
    mnuSimular->SetName("mnuSimular");
    mnuSimular->SetCaption("&Simular");
    mnuSimular->SetShortCut(platform::ShortCut('S', platform::ssCtrl));
    mnuSimular->SetEnabled(false);
    mnuManutencao->Insert(mnuManutencao->IndexOf(mnuConfirmar) + 1, mnuSimular);

    mnuSeparador3 = Create<platform::TMenuItem>();
    mnuSeparador3->SetName("mnuSeparador3");
    mnuSeparador3->SetCaption("-");
    mnuManutencao->Add(mnuSeparador3);
    mnuFiltro = Create<platform::TMenuItem>();
    mnuFiltro->SetName("mnuFiltro");
    mnuFiltro->SetCaption("&Filtrar");
    mnuFiltro->SetShortCut(platform::ShortCut('L', platform::ssCtrl));
    mnuFiltro->SetEnabled(false);
    mnuManutencao->Add(mnuFiltro);

    // Nothing is included, changed, deleted, printed or confirmed before there is a list; the
    // base screen's creation gives the toolbar buttons these states.
    for (platform::TMenuItem* item : {mnuListagem, mnuConfigImpressora, mnuIncluir, mnuAlterar,
                                      mnuExcluir, mnuVerificar, mnuCancelar, mnuConfirmar})
        item->SetEnabled(false);
    sbtImprimir->SetEnabled(false);

    // The pictures of the mark column, kept hidden on the toolbar.
    auto image = [this](const char* name, bool checked) {
        auto* picture = platform::CreateChild<platform::TImage>(*this, panMenu, name);
        picture->SetAutoSize(true);
        picture->SetPicture(CheckPicture(checked));
        picture->SetVisible(false);
        return picture;
    };
    imgCheck = image("imgCheck", true);
    imgUncheck = image("imgUncheck", false);
}

void TfrmRecContBaixaPag::DesignCompanyPanel() {
    panFiltro = platform::CreateChild<platform::TPanel>(*this, this, "panFiltro");
    panFiltro->SetHeight(35);
    panFiltro->SetAlign(TAlign::alTop);
    panFiltro->SetTabOrder(0);

    Label1 = platform::CreateChild<platform::TLabel>(*this, panFiltro, "Label1");
    Label1->SetBounds(8, 11, 48, 13);
    Label1->SetCaption("Empresa");
    platform::TFont bold = Label1->Font();
    bold.Style = platform::fsBold;
    Label1->SetFont(bold);

    medCdEmpresa = platform::CreateChild<platform::TMaskEdit>(*this, panFiltro, "medCdEmpresa");
    medCdEmpresa->SetBounds(64, 7, 25, 21);
    medCdEmpresa->SetEditMask("99;0; ");
    medCdEmpresa->SetMaxLength(2);
    medCdEmpresa->SetColor(platform::clInfoBk);
    medCdEmpresa->SetTabStop(true);
    medCdEmpresa->SetTabOrder(0);
    Label1->SetFocusControl(medCdEmpresa);

    btpEmpresa = platform::CreateChild<host::TBtnPesquisa>(*this, panFiltro, "btpEmpresa");
    btpEmpresa->SetBounds(91, 7, 21, 21);
    btpEmpresa->SetHint("Pesquisar");
    btpEmpresa->SetShowHint(true);
    btpEmpresa->SetAssociate(medCdEmpresa);
    btpEmpresa->SetTitle("Empresa");
    btpEmpresa->SetEmptyError("Não há empresa cadastrada.");
    btpEmpresa->SetKeyField("CDEMPRESA");

    edtNmEmpresa = platform::CreateChild<platform::TEdit>(*this, panFiltro, "edtNmEmpresa");
    edtNmEmpresa->SetBounds(115, 7, 415, 21);
    edtNmEmpresa->SetColor(platform::clBtnFace);
    edtNmEmpresa->SetEnabled(false);
    edtNmEmpresa->SetTabOrder(1);

    // The company query on the host's shared connection, with its text for each database.
    qryEmpresa = Create<host::TADOIBQuery>();
    qryEmpresa->SetName("qryEmpresa");
    const std::vector<std::string> generic = {"SELECT",
                                              "   CDEMPRESA,",
                                              "   NMEMPRESA,",
                                              "   CDCENTCUST",
                                              "FROM",
                                              "  EMPRESA,",
                                              "  PARAM(:P_CDEMPRESA) P_CDEMPRESA",
                                              "WHERE",
                                              "   CDEMPRESA = NVLSTR(P_CDEMPRESA.PARAM, CDEMPRESA)",
                                              "ORDER BY",
                                              "   CDEMPRESA"};
    qryEmpresa->SQL() = generic;
    qryEmpresa->SQL_IB() = generic;
    qryEmpresa->SQL_ORACLE() = {
        "SELECT",   "   CDEMPRESA,", "   NMEMPRESA,", "   CDCENTCUST",
        "FROM",     "  EMPRESA",     "WHERE",         "   CDEMPRESA = NVL(:P_CDEMPRESA,CDEMPRESA)",
        "ORDER BY", "   CDEMPRESA"};
    qryEmpresa->SQL_MSSQL() = {"SELECT",        "   CDEMPRESA,",
                               "   NMEMPRESA,", "   CDCENTCUST",
                               "FROM",          "  EMPRESA",
                               "WHERE",         "   CDEMPRESA = ISNULL (:P_CDEMPRESA, CDEMPRESA)",
                               "ORDER BY",      "   CDEMPRESA"};
    platform::TStringField* code = qryEmpresa->AddStringField("CDEMPRESA", 2);
    code->SetRequired(true);
    code->SetDisplayLabel("Código");
    qryEmpresa->AddStringField("NMEMPRESA", 40)->SetDisplayLabel("Nome");
    qryEmpresa->AddStringField("CDCENTCUST", 4)->SetVisible(false);
    qryEmpresa->ParamByName("P_CDEMPRESA").Clear();

    dtsEmpresa = Create<platform::TDataSource>();
    dtsEmpresa->SetName("dtsEmpresa");
    dtsEmpresa->SetDataSet(qryEmpresa);
    btpEmpresa->SetDataSource(dtsEmpresa);
}

void TfrmRecContBaixaPag::DesignGrid() {
    dtsPadrao->SetDataSet(cdsBaixaPag);
    dbtNome->SetDataField("NRMOVBANC");

    dbgPadrao->SetOptions({platform::dgTitles, platform::dgColumnResize, platform::dgColLines,
                           platform::dgRowLines, platform::dgTabs, platform::dgRowSelect,
                           platform::dgAlwaysShowSelection});
    struct TColumnDesign {
        const char* field;
        int width; // -1: the default width
    };
    for (const TColumnDesign& c :
         {TColumnDesign{"DTBAIXAPAG", 98}, TColumnDesign{"NMTPBAIXAPAG", 85},
          TColumnDesign{"CDBANCO", 38}, TColumnDesign{"CDAGENCIA", 49},
          TColumnDesign{"CDCONTCORR", -1}, TColumnDesign{"VRBAIXAPAG", 72},
          TColumnDesign{"IDSTATUSBPAG", 69}, TColumnDesign{"IDMARCADO", 20}}) {
        platform::TColumn* column = dbgPadrao->AddColumn(c.field);
        if (c.width >= 0) column->SetWidth(c.width);
    }
    dbgPadrao->ColumnByFieldName("VRBAIXAPAG")->SetAlignment(platform::TAlignment::taRightJustify);
    // The mark column's title is the check-mark glyph of the symbol font: its character "4".
    platform::TColumnTitle& mark = dbgPadrao->ColumnByFieldName("IDMARCADO")->Title();
    mark.SetCaption("4");
    platform::TFont symbol;
    symbol.Name = "Monotype Sorts";
    symbol.Charset = platform::SYMBOL_CHARSET;
    symbol.Height = -11;
    symbol.Color = platform::clWindowText;
    symbol.Style = 0;
    mark.SetFont(symbol);
    mark.SetAlignment(platform::TAlignment::taCenter);

    pgbBaixaPag = platform::CreateChild<platform::TProgressBar>(*this, this, "pgbBaixaPag");
    pgbBaixaPag->SetHeight(16);
    pgbBaixaPag->SetAlign(TAlign::alBottom);
    pgbBaixaPag->SetRange(0, 100);
    pgbBaixaPag->SetVisible(false);
}

void TfrmRecContBaixaPag::WireEvents() {
    OnActivate = std::bind_front(&TfrmRecContBaixaPag::FormActivate, this);
    netRecContBaixaPag->BeforeConnect =
        std::bind_front(&TfrmRecContBaixaPag::netRecContBaixaPagBeforeConnect, this);

    medCdEmpresa->OnChange = std::bind_front(&TfrmRecContBaixaPag::medCdEmpresaChange, this);
    medCdEmpresa->OnExit = std::bind_front(&TfrmRecContBaixaPag::medCdEmpresaExit, this);
    btpEmpresa->OnBeforePesq = std::bind_front(&TfrmRecContBaixaPag::btpEmpresaBeforePesq, this);
    btpEmpresa->OnAfterPesq = std::bind_front(&TfrmRecContBaixaPag::btpEmpresaAfterPesq, this);
    panFiltro->OnEnter = std::bind_front(&TfrmRecContBaixaPag::panFiltroEnter, this);
    panFiltro->OnExit = std::bind_front(&TfrmRecContBaixaPag::panFiltroExit, this);
    dtsEmpresa->OnStateChange = std::bind_front(&TfrmRecContBaixaPag::dtsPadraoStateChange, this);
    sbtFiltro->OnClick = std::bind_front(&TfrmRecContBaixaPag::sbtFiltroClick, this);
    mnuFiltro->OnClick = std::bind_front(&TfrmRecContBaixaPag::mnuFiltroClick, this);
    sbtContab->OnClick = std::bind_front(&TfrmRecContBaixaPag::sbtContabClick, this);
    sbtSimular->OnClick = std::bind_front(&TfrmRecContBaixaPag::sbtSimularClick, this);
    mnuSimular->OnClick = [this](platform::TObject*) { sbtSimularClick(sbtSimular); };

    dbgPadrao->OnDblClick = std::bind_front(&TfrmRecContBaixaPag::dbgPadraoDblClick, this);
    dbgPadrao->OnTitleClick = std::bind_front(&TfrmRecContBaixaPag::dbgPadraoTitleClick, this);
    dbgPadrao->OnDrawColumnCell =
        std::bind_front(&TfrmRecContBaixaPag::dbgPadraoDrawColumnCell, this);

    cdsBaixaPag->AfterOpen = std::bind_front(&TfrmRecContBaixaPag::cdsBaixaPagAfterOpen, this);
    cdsBaixaPag->AfterClose = std::bind_front(&TfrmRecContBaixaPag::cdsBaixaPagAfterClose, this);
    cdsBaixaPag->AfterPost = std::bind_front(&TfrmRecContBaixaPag::cdsBaixaPagAfterPost, this);
    cdsBaixaPagIDSTATUSBPAG->OnGetText =
        std::bind_front(&TfrmRecContBaixaPag::cdsBaixaPagIDSTATUSBPAGGetText, this);
    cdsBaixaPagCDAGENCIA->OnGetText =
        std::bind_front(&TfrmRecContBaixaPag::cdsBaixaPagCDAGENCIAGetText, this);
    cdsBaixaPagCDCONTCORR->OnGetText =
        std::bind_front(&TfrmRecContBaixaPag::cdsBaixaPagCDCONTCORRGetText, this);
    cdsBaixaPagNRMOVBANC->OnGetText =
        std::bind_front(&TfrmRecContBaixaPag::cdsBaixaPagNRMOVBANCGetText, this);
}

} // namespace recalculation
