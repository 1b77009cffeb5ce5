// TfrmLancContabil: builds the accounting screen and shows a content in it.
#include "accounting/frmlanccontabil.h"

#include "accounting/lancdata.h"
#include "accounting/lancqueries.h"

namespace accounting {

using platform::TAlign;
using platform::TAlignment;

namespace {

struct TColuna {
    const char* field;
    int width;
    bool right = false;
};

void Colunas(platform::TDBGrid* grid, std::initializer_list<TColuna> columns) {
    for (const TColuna& c : columns) {
        platform::TColumn* column = grid->AddColumn(c.field);
        column->SetWidth(c.width);
        column->SetReadOnly(true);
        if (c.right) column->SetAlignment(TAlignment::taRightJustify);
    }
}

} // namespace

platform::TEdit* TfrmLancContabil::Campo(const char* name, int left, int width) {
    auto* edit = platform::CreateChild<platform::TEdit>(*this, panCabecalho, name);
    edit->SetBounds(left, 20, width, 21);
    edit->SetReadOnly(true);
    edit->SetTabStop(false);
    edit->SetColor(platform::clBtnFace);
    return edit;
}

platform::TDBGrid* TfrmLancContabil::Grade(platform::TTabSheet* page, const char* name,
                                           platform::TDataSource* source) {
    auto* grid = platform::CreateChild<platform::TDBGrid>(*this, page, name);
    grid->SetAlign(TAlign::alClient);
    grid->SetTabStop(true);
    grid->SetReadOnly(true);
    grid->SetDataSource(source);
    grid->SetOptions({platform::dgTitles, platform::dgColumnResize, platform::dgColLines,
                      platform::dgRowLines, platform::dgTabs, platform::dgRowSelect,
                      platform::dgAlwaysShowSelection});
    return grid;
}

TfrmLancContabil::TfrmLancContabil(platform::TComponent* owner) : platform::TForm(owner) {
    SetName("frmLancContabil");
    SetCaption("Lançamentos Contábeis");
    SetFormStyle(platform::TFormStyle::fsMDIChild);
    SetBounds(200, 120, 680, 420);
    SetKeyPreview(true);

    cdsLancamentos = Create<platform::TClientDataSet>();
    DefineLancamentos(*cdsLancamentos);
    cdsRateio = Create<platform::TClientDataSet>();
    DefineRateio(*cdsRateio);
    cdsErros = Create<platform::TClientDataSet>();
    DefineErros(*cdsErros);
    dtsLancamentos = Create<platform::TDataSource>();
    dtsLancamentos->SetName("dtsLancamentos");
    dtsLancamentos->SetDataSet(cdsLancamentos);
    dtsRateio = Create<platform::TDataSource>();
    dtsRateio->SetName("dtsRateio");
    dtsRateio->SetDataSet(cdsRateio);
    dtsErros = Create<platform::TDataSource>();
    dtsErros->SetName("dtsErros");
    dtsErros->SetDataSet(cdsErros);
    qryLancCtb = Create<host::TADOIBQuery>();
    DefineQryLancCtb(*qryLancCtb);
    qryRateioCtb = Create<host::TADOIBQuery>();
    DefineQryRateioCtb(*qryRateioCtb);

    panCabecalho = platform::CreateChild<platform::TPanel>(*this, this, "panCabecalho");
    panCabecalho->SetHeight(48);
    panCabecalho->SetAlign(TAlign::alTop);
    lblEmpresa = platform::CreateChild<platform::TLabel>(*this, panCabecalho, "lblEmpresa");
    lblEmpresa->SetBounds(8, 4, 60, 13);
    lblEmpresa->SetCaption("Empresa");
    edtCdEmpresa = Campo("edtCdEmpresa", 8, 28);
    edtNmEmpresa = Campo("edtNmEmpresa", 40, 300);
    lblLancamento = platform::CreateChild<platform::TLabel>(*this, panCabecalho, "lblLancamento");
    lblLancamento->SetBounds(352, 4, 80, 13);
    lblLancamento->SetCaption("Lançamento");
    edtNrLanc = Campo("edtNrLanc", 352, 120);
    lblCodTela = platform::CreateChild<platform::TLabel>(*this, panCabecalho, "lblCodTela");
    lblCodTela->SetAlignment(TAlignment::taRightJustify);
    lblCodTela->SetWidth(70);
    lblCodTela->SetAlign(TAlign::alRight);
    lblCodTela->SetCaption("CTB10200");
    platform::TFont bold = lblEmpresa->Font();
    bold.Style = platform::fsBold;
    lblEmpresa->SetFont(bold);
    lblLancamento->SetFont(bold);

    lblSituacao = platform::CreateChild<platform::TLabel>(*this, this, "lblSituacao");
    lblSituacao->SetHeight(20);
    lblSituacao->SetAlign(TAlign::alTop);
    lblSituacao->SetLayout(platform::TTextLayout::tlCenter);

    panRodape = platform::CreateChild<platform::TPanel>(*this, this, "panRodape");
    panRodape->SetHeight(34);
    panRodape->SetAlign(TAlign::alBottom);
    lblTotais = platform::CreateChild<platform::TLabel>(*this, panRodape, "lblTotais");
    lblTotais->SetBounds(8, 10, 400, 13);
    btnFechar = platform::CreateChild<platform::TButton>(*this, panRodape, "btnFechar");
    btnFechar->SetBounds(590, 5, 75, 25);
    btnFechar->SetCaption("&Fechar");
    btnFechar->SetCancel(true);
    btnFechar->SetTabStop(true);
    btnFechar->SetAnchors(platform::akRight | platform::akBottom);

    pgcLancamentos = platform::CreateChild<platform::TPageControl>(*this, this, "pgcLancamentos");
    pgcLancamentos->SetAlign(TAlign::alClient);
    pgcLancamentos->SetTabStop(true);
    tshLancamentos =
        platform::CreateTabSheet(*this, pgcLancamentos, "tshLancamentos", "Lançamentos");
    tshRateio = platform::CreateTabSheet(*this, pgcLancamentos, "tshRateio", "Rateio");
    tshErros = platform::CreateTabSheet(*this, pgcLancamentos, "tshErros", "Erros");
    dbgLancamentos = Grade(tshLancamentos, "dbgLancamentos", dtsLancamentos);
    Colunas(dbgLancamentos, {{"NRSEQCTBTEMP", 50},
                             {"DTLANCCTBTEMP", 70},
                             {"CDCONTCTBL", 110},
                             {"CDCONTREDU", 70},
                             {"NMCONTCTBL", 160},
                             {"VRDEBITO", 85, true},
                             {"VRCREDITO", 85, true},
                             {"CDHISTPADR", 55},
                             {"DSHISTCTB", 260},
                             {"CDLANCCTBCOME", 110},
                             {"CDDOCUCONT", 90},
                             {"NRLANCCTBTEMP", 90}});
    dbgRateio = Grade(tshRateio, "dbgRateio", dtsRateio);
    Colunas(dbgRateio, {{"NRSEQCTBTEMP", 50},
                        {"NRSEQRATTEMP", 45},
                        {"CDFILIAL", 40},
                        {"NMFILIAL", 160},
                        {"CDCENTCUST", 50},
                        {"NMCENTCUST", 180},
                        {"VRLANCCUST", 85, true},
                        {"DTCOMPCTBTEMP", 70},
                        {"NRLANCCTBTEMP", 90}});
    dbgErros = Grade(tshErros, "dbgErros", dtsErros);
    Colunas(dbgErros, {{"CDERROTEMP", 45},
                       {"DSERRO", 380},
                       {"NRSEQCTBTEMP", 60},
                       {"CDCONTCTBL", 110},
                       {"DSBAIXA", 110}});
    pgcLancamentos->SetActivePage(tshLancamentos);
    AlignControls();

    OnClose = [this](platform::TObject* s, platform::TCloseAction& a) { FormClose(s, a); };
    OnKeyDown = [this](platform::TObject* s, platform::Word& k, platform::TShiftState sh) {
        FormKeyDown(s, k, sh);
    };
    btnFechar->OnClick = [this](platform::TObject* s) { btnFecharClick(s); };
}

void TfrmLancContabil::Mostra(const TLancView& view) {
    cdsLancamentos->SetData(view.lancamentos);
    cdsRateio->SetData(view.rateio);
    cdsErros->SetData(view.erros);
    edtCdEmpresa->SetText(view.empresa);
    edtNmEmpresa->SetText(view.nmEmpresa);
    if (view.origem == TLancOrigem::Efetivado)
        edtNrLanc->SetText(view.nrLanc);
    else
        edtNrLanc->SetText(view.qtLancamentos + view.qtRateio + view.qtErros > 0 ? "Provisório"
                                                                                 : "");
    lblSituacao->SetCaption(view.Situacao());
    lblTotais->SetCaption(view.Totais());
    tshErros->SetTabVisible(view.qtErros > 0);
    pgcLancamentos->SetActivePage(view.qtErros > 0 ? tshErros : tshLancamentos);
}

void TfrmLancContabil::FormClose(platform::TObject* /*sender*/, platform::TCloseAction& action) {
    action = platform::TCloseAction::caFree;
}

void TfrmLancContabil::FormKeyDown(platform::TObject* /*sender*/, platform::Word& key,
                                   platform::TShiftState shift) {
    if (key == platform::VK_ESCAPE && shift == 0) {
        key = 0;
        Close();
    }
}

void TfrmLancContabil::btnFecharClick(platform::TObject* /*sender*/) {
    Close();
}

} // namespace accounting
