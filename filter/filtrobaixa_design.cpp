// TfrmFiltroBaixa's design: window, pages, group boxes, edits, radio buttons, search buttons,
// reference queries, the catalogue and the wiring of the handlers.
#include <functional>
#include <initializer_list>

#include "filter/cli_pag00901.h"
#include "filter/filtrobaixa.h"
#include "platform/keys.h"

namespace filter {

using platform::TAlign;
using platform::TGroupBox;
using platform::TRadioButton;
using platform::TWinControl;

namespace {

// Layout of the criteria boxes inside a page's group. The first two pages hold two rows 80 apart
// in three columns; "Documento" holds one row of four narrower boxes above "Contabilização".
constexpr int kBoxWidth = 190;
constexpr int kBoxHeight = 74;
constexpr int kColumn[] = {8, 202, 396};
constexpr int kRow[] = {16, 96};
constexpr int kNarrowWidth = 143;
constexpr int kNarrowColumn[] = {8, 153, 298, 443};

template <class T>
T* Place(T* control, TWinControl* parent, const char* name, int left, int top, int width,
         int height) {
    control->SetName(name);
    control->SetParent(parent);
    control->SetBounds(left, top, width, height);
    return control;
}

// The four texts of a reference query: the same statement, set apart only by blank lines and
// trailing blanks, as each database kind's text was kept.
void SetTexts(host::TADOIBQuery* query, std::initializer_list<const char*> lines) {
    std::vector<std::string> generic(lines.begin(), lines.end());
    query->SQL() = generic;
    query->SQL_ORACLE() = generic;
    query->SQL_ORACLE().push_back("");
    query->SQL_MSSQL().clear();
    for (const std::string& line : generic) query->SQL_MSSQL().push_back(line + " ");
    query->SQL_IB() = generic;
    query->SQL_IB().insert(query->SQL_IB().begin(), "");
}

struct TFieldSpec {
    const char* name;
    int size;
    const char* label; // nullptr: hidden
    int displayWidth;  // 0: the size
};

void SetFields(host::TADOIBQuery* query, std::initializer_list<TFieldSpec> fields) {
    for (const TFieldSpec& spec : fields) {
        platform::TStringField* field = query->AddStringField(spec.name, spec.size);
        if (spec.label != nullptr)
            field->SetDisplayLabel(spec.label);
        else
            field->SetVisible(false);
        if (spec.displayWidth > 0) field->SetDisplayWidth(spec.displayWidth);
    }
}

} // namespace

TfrmFiltroBaixa::TfrmFiltroBaixa(platform::TComponent* owner) : host::TfrmFiltroPadrao(owner) {
    SetName("frmFiltroBaixa");
    SetCaption("Filtro de Baixa (Pagamento)");
    SetClientWidth(643);
    SetClientHeight(226);
    SetHelpFile("paghelp.hlp");
    SetHelpContext(11914001);
    lblCodTela->SetCaption("PAG00901");

    pmnHotKey = Create<platform::TPopupMenu>();
    pmnHotKey->SetName("pmnHotKey");
    pmnHotKey->SetAutoPopup(false);
    mnuDesfazer = Create<platform::TMenuItem>();
    mnuDesfazer->SetName("mnuDesfazer");
    mnuDesfazer->SetShortCut(platform::ShortCut('D', platform::ssCtrl)); // 16452
    pmnHotKey->Items()->Add(mnuDesfazer);
    SetPopupMenu(pmnHotKey);

    sbtLimpa = Place(Create<platform::TSpeedButton>(), panLateral, "sbtLimpa", 7, 98, 25, 25);
    sbtLimpa->SetHint("Desfazer");
    sbtLimpa->SetShowHint(true);

    pgcPadrao = platform::CreateChild<platform::TPageControl>(*this, grbPadrao, "pgcPadrao");
    pgcPadrao->SetAlign(TAlign::alClient);
    tshDadosBaixa = platform::CreateTabSheet(*this, pgcPadrao, "tshDadosBaixa", "Dados da Baixa");
    tshContPagar = platform::CreateTabSheet(*this, pgcPadrao, "tshContPagar", "Conta a Pagar");
    tshDocumento = platform::CreateTabSheet(*this, pgcPadrao, "tshDocumento", "Documento");

    CriaPaginaDadosBaixa();
    CriaPaginaContaPagar();
    CriaPaginaDocumento();
    pgcPadrao->SetActivePage(tshDadosBaixa);

    CriaConsultas();
    CriaCatalogo();
    LigaEventos();
}

namespace {

// Builders of the criteria boxes; each returns the box and hands out its controls. Every
// component is owned by the dialog, whatever control it sits in.
platform::TComponent& Owner(TWinControl* parent) {
    return *parent->ParentForm();
}

// The group box that fills a page and holds its criteria boxes.
TGroupBox* PageBox(platform::TTabSheet* page, const char* name, const char* caption) {
    auto* box = Place(Owner(page).Create<TGroupBox>(), page, name, 0, 0, 0, 0);
    box->SetCaption(caption);
    box->SetAlign(TAlign::alClient);
    return box;
}

TGroupBox* Box(TWinControl* parent, const char* name, const char* caption, int column, int row,
               bool narrow = false) {
    auto* box = Place(Owner(parent).Create<TGroupBox>(), parent, name,
                      narrow ? kNarrowColumn[column] : kColumn[column], kRow[row],
                      narrow ? kNarrowWidth : kBoxWidth, kBoxHeight);
    box->SetCaption(caption);
    return box;
}

void Label(TWinControl* parent, const std::string& name, const char* caption, int top) {
    auto* label = platform::CreateChild<platform::TLabel>(Owner(parent), parent, name);
    label->SetBounds(8, top + 4, 24, 13);
    label->SetCaption(caption);
}

// A "de"/"até" pair of edits of type E in `box`.
template <class E>
void RangeEdits(TGroupBox* box, const char* prefix, const char* deName, E*& de, const char* ateName,
                E*& ate, int width) {
    Label(box, std::string("lbl") + prefix + "De", "de", 16);
    de = Place(Owner(box).Create<E>(), box, deName, 36, 16, width, 21);
    Label(box, std::string("lbl") + prefix + "Ate", "até", 42);
    ate = Place(Owner(box).Create<E>(), box, ateName, 36, 42, width, 21);
}

void DateEdits(TGroupBox* box, const char* prefix, const char* deName, host::TDateEditPlus*& de,
               const char* ateName, host::TDateEditPlus*& ate) {
    RangeEdits(box, prefix, deName, de, ateName, ate, 90);
    for (host::TDateEditPlus* edit : {de, ate}) {
        edit->SetWeekDays({"Domingo", "Segunda", "Terça", "Quarta", "Quinta", "Sexta", "Sábado"});
        edit->SetValidColor(platform::clBlue);
    }
}

void AmountEdits(TGroupBox* box, const char* prefix, const char* deName, host::TNumberEdit*& de,
                 const char* ateName, host::TNumberEdit*& ate, const char* displayFormat) {
    RangeEdits(box, prefix, deName, de, ateName, ate, 120);
    for (host::TNumberEdit* edit : {de, ate}) {
        edit->SetDecimals(2);
        edit->SetDisplayFormat(displayFormat);
    }
}

// The all-button, the list-button and the search button of a list group.
void ListControls(TGroupBox* box, const char* todosName, const char* todosCaption,
                  TRadioButton*& todos, const char* listaName, TRadioButton*& lista,
                  const char* buttonName, host::TBtnPesquisa*& button) {
    todos = Place(Owner(box).Create<TRadioButton>(), box, todosName, 12, 18, 80, 17);
    todos->SetCaption(todosCaption);
    lista = Place(Owner(box).Create<TRadioButton>(), box, listaName, 12, 44, 60, 17);
    lista->SetCaption("Lista");
    button = Place(Owner(box).Create<host::TBtnPesquisa>(), box, buttonName, 76, 40, 23, 22);
    button->SetHint("Pesquisar");
    button->SetShowHint(true);
    button->SetEnabled(false);
    button->SetAssociate(lista);
    todos->SetChecked(true);
}

} // namespace

void TfrmFiltroBaixa::CriaPaginaDadosBaixa() {
    grbDadosBaixa = PageBox(tshDadosBaixa, "grbDadosBaixa", "Dados da Baixa");

    grbPag = Box(grbDadosBaixa, "grbPag", "Pagamento", 0, 0);
    DateEdits(grbPag, "Pag", "dedDtIni", dedDtIni, "dedDtFin", dedDtFin);
    grbLancamento = Box(grbDadosBaixa, "grbLancamento", "Lançamento", 1, 0);
    DateEdits(grbLancamento, "Lanc", "dedDtInicLanc", dedDtInicLanc, "dedDtFinLanc", dedDtFinLanc);
    grbFPag = Box(grbDadosBaixa, "grbFPag", "Tipo de Baixa", 2, 0);
    ListControls(grbFPag, "rbtTodosFormPag", "Todas", rbtTodosFormPag, "rbtFPag", rbtFPag,
                 "btnPesqFPag", btnPesqFPag);
    btnPesqFPag->SetTitle("Tipo de Pagamento");
    grbVrLiq = Box(grbDadosBaixa, "grbVrLiq", "Valor da Baixa", 0, 1);
    AmountEdits(grbVrLiq, "VrLiq", "nedVrLiqIni", nedVrLiqIni, "nedVrLiqFin", nedVrLiqFin, "");
    grbCcorr = Box(grbDadosBaixa, "grbCcorr", "Conta Corrente", 1, 1);
    ListControls(grbCcorr, "rbtTodosContCorr", "Todas", rbtTodosContCorr, "rbtListCCorr",
                 rbtListCCorr, "btnCCorr", btnCCorr);
    btnCCorr->SetEmptyError("Não há conta corrente cadastrada.");
    grbOperador = Box(grbDadosBaixa, "grbOperador", "Operador", 2, 1);
    ListControls(grbOperador, "rbtTodosOperador", "Todos", rbtTodosOperador, "rbtListaOperador",
                 rbtListaOperador, "btnOperador", btnOperador);
    btnOperador->SetEmptyError("Não há operador cadastrado.");
}

void TfrmFiltroBaixa::CriaPaginaContaPagar() {
    grbCp = PageBox(tshContPagar, "grbCp", "Dados da Conta a Pagar");

    grbVencimento = Box(grbCp, "grbVencimento", "Vencimento", 0, 0);
    DateEdits(grbVencimento, "Venc", "dedDtIniVen", dedDtIniVen, "dedDtFinVen", dedDtFinVen);
    grbTpConta = Box(grbCp, "grbTpConta", "Tipo de Conta", 1, 0);
    ListControls(grbTpConta, "rbtTodosTpConta", "Todos", rbtTodosTpConta, "rbtListaTpConta",
                 rbtListaTpConta, "btnListaTpConta", btnListaTpConta);
    btnListaTpConta->SetTitle("Tipo de Conta a Pagar");
    btnListaTpConta->SetEmptyError("Não há tipo de conta a pagar cadastrado.");
    grbNCheq = Box(grbCp, "grbNCheq", "Valor Original", 0, 1);
    AmountEdits(grbNCheq, "VrOrig", "nedVrInicOrig", nedVrInicOrig, "nedVrFinaOrig", nedVrFinaOrig,
                "#,##0.00");
    grbVrLiquido = Box(grbCp, "grbVrLiquido", "Valor Líquido", 1, 1);
    AmountEdits(grbVrLiquido, "VrCont", "nedVrContIni", nedVrContIni, "nedVrContFin", nedVrContFin,
                "#,##0.00");
}

void TfrmFiltroBaixa::CriaPaginaDocumento() {
    grbNf = Place(Create<TGroupBox>(), tshDocumento, "grbNf", 0, 0, 595, 98);
    grbNf->SetCaption("Dados do Documento");

    grbFornecedor = Box(grbNf, "grbFornecedor", "Fornecedor", 0, 0, true);
    ListControls(grbFornecedor, "rbtTodosForn", "Todos", rbtTodosForn, "rbtListForn", rbtListForn,
                 "btnListForn", btnListForn);
    btnListForn->SetTitle("Fornecedor");
    btnListForn->SetEmptyError("Não há fornecedor cadastrado.");
    grbNumero = Box(grbNf, "grbNumero", "Número", 1, 0, true);
    RangeEdits(grbNumero, "Doc", "medDocIni", medDocIni, "medDocFin", medDocFin, 70);
    medDocIni->SetMaxLength(7);
    medDocFin->SetMaxLength(7);
    grbFiliOrig = Box(grbNf, "grbFiliOrig", "Filial de Origem", 2, 0, true);
    ListControls(grbFiliOrig, "rbtTodosFiliOrig", "Todas", rbtTodosFiliOrig, "rbtListaFiliOr",
                 rbtListaFiliOr, "btnFiliOr", btnFiliOr);
    btnFiliOr->SetTitle("Filial de origem");
    grbFiliLanc = Box(grbNf, "grbFiliLanc", "Filial de Lançamento", 3, 0, true);
    ListControls(grbFiliLanc, "rbtTodosFiliLanc", "Todas", rbtTodosFiliLanc, "rbtListFilial",
                 rbtListFilial, "btnListFilial", btnListFilial);
    btnListFilial->SetTitle("Filial de Lançamento");

    rdgCtbl = Place(Create<platform::TRadioGroup>(), tshDocumento, "rdgCtbl", 0, 102, 595, 44);
    rdgCtbl->SetCaption("Contabilização");
    rdgCtbl->SetColumns(3);
    rdgCtbl->SetItems({"Contabilizadas", "Não contabilizadas", "Ambos"});
    rdgCtbl->SetItemIndex(2);
}

void TfrmFiltroBaixa::CriaConsultas() {
    auto query = [this](const char* name, const char* sourceName, platform::TDataSource*& source) {
        auto* q = Create<host::TADOIBQuery>();
        q->SetName(name);
        source = Create<platform::TDataSource>();
        source->SetName(sourceName);
        source->SetDataSet(q);
        return q;
    };

    qryFormaPag = query("qryFormaPag", "dtsFormaPag", dtsFormaPag);
    SetTexts(qryFormaPag, {"SELECT CDTPBAIXAPAG, NMTPBAIXAPAG, IDBAIXAUTILP", "FROM TIPOBAIXAPAG",
                           "ORDER BY CDTPBAIXAPAG"});
    SetFields(qryFormaPag, {{"CDTPBAIXAPAG", 2, "Código", 0},
                            {"NMTPBAIXAPAG", 50, "Nome", 45},
                            {"IDBAIXAUTILP", 1, nullptr, 0}});

    qryContCorr = query("qryContCorr", "dtsContCorr", dtsContCorr);
    SetTexts(qryContCorr,
             {"SELECT CC.CDREDUCONT, CC.CDBANCO, CC.CDAGENCIA, CC.CDCONTCORR, BC.CDPICTCONT,",
              "       CC.DSCONTCORR, BC.CDPICTAGEN", "FROM CONTCORR CC, BANCO BC",
              "WHERE (CC.CDBANCO = BC.CDBANCO)", "ORDER BY CC.CDREDUCONT"});
    SetFields(qryContCorr, {{"CDREDUCONT", 3, "Código", 0},
                            {"CDBANCO", 3, "Banco", 0},
                            {"CDAGENCIA", 5, "Agência", 0},
                            {"CDCONTCORR", 10, "Conta Corrente", 0},
                            {"CDPICTCONT", 20, nullptr, 0},
                            {"DSCONTCORR", 20, "Descrição", 0},
                            {"CDPICTAGEN", 10, nullptr, 0}});

    qryOperador = query("qryOperador", "dtsOperador", dtsOperador);
    SetTexts(qryOperador,
             {"SELECT CDOPERADOR, NMOPERADOR", "FROM OPERADOR", "ORDER BY CDOPERADOR"});
    SetFields(qryOperador, {{"CDOPERADOR", 12, "Código", 15}, {"NMOPERADOR", 40, "Nome", 0}});

    qryTipoConta = query("qryTipoConta", "dtsTipoConta", dtsTipoConta);
    SetTexts(qryTipoConta,
             {"SELECT CDTPCTPAGAR, DSTPCTPAGAR", "FROM TIPOCTPAGAR", "ORDER BY CDTPCTPAGAR"});
    SetFields(qryTipoConta, {{"CDTPCTPAGAR", 6, "Código", 10}, {"DSTPCTPAGAR", 40, "Nome", 0}});

    qryFornecedor = query("qryFornecedor", "dtsFornecedor", dtsFornecedor);
    SetTexts(qryFornecedor,
             {"SELECT CDFORNECED, NMFANTFORN, NMRAZSOCFORN, IDTPIJURFORN, NRINSJURFORN",
              "FROM FORNECEDOR", "ORDER BY NRINSJURFORN"});
    SetFields(qryFornecedor, {{"CDFORNECED", 21, nullptr, 0},
                              {"NRINSJURFORN", 20, "Inscrição", 0},
                              {"NMRAZSOCFORN", 40, "Razão Social", 0},
                              {"NMFANTFORN", 40, "Nome Fantasia", 0},
                              {"IDTPIJURFORN", 1, nullptr, 0}});
    btnListForn->SetDataSource(dtsFornecedor);

    qryFilial = query("qryFilial", "dtsFilial", dtsFilial);
    SetTexts(qryFilial, {"SELECT CDFILIAL, NMFILIAL", "FROM FILIAL", "ORDER BY CDFILIAL"});
    SetFields(qryFilial, {{"CDFILIAL", 4, "Código", 0}, {"NMFILIAL", 30, "Nome", 0}});
}

void TfrmFiltroBaixa::CriaCatalogo() {
    msgPadrao->SetLines({
        "DtPagaIni_inf|Data de pagamento inicial deve ser informada.",
        "DtPagaIni_menor|Data de pagamento inicial deve ser menor ou igual a data de pagamento "
        "final.",
        "DtPagaFin_inf|Data de pagamento final deve ser informada.",
        "DtLancIni_inf|Data de lançamento inicial deve ser informada.",
        "DtLancIni_menor|Data de lançamento inicial deve ser menor ou igual a data de lançamento "
        "final.",
        "DtLancFin_inf|Data de lançamento final deve ser informada.",
        "DtVencIni_inf|Data de vencimento inicial deve ser informada.",
        "DtVencIni_menor|Data de vencimento inicial deve ser menor ou igual à data de vencimento "
        "final.",
        "DtVencFin_inf|Data de vencimento final deve ser informada.",
        "FormPag_inf|Tipo de baixa deve ser informado.",
        "ContCorr_inf|Conta corrente deve ser informada.",
        "Opera_inf|Operador deve ser informado.",
        "TpConta_inf|Tipo de conta deve ser informada.",
        "Forn_inf|Fornecedor deve ser informado.",
        "FiliOrig_inf|Filial de origem deve ser informada.",
        "FiliLanc_inf|Filial de lançamento deve ser informada.",
        "VrBaix_menor|Valor da baixa inicial deve ser menor ou igual ao valor da baixa final.",
        "VrOrigIni_menor|Valor original inicial deve ser menor ou igual ao valor original final.",
        "VrLiqu_menor|Valor líquido inicial deve ser menor ou igual ao valor líquido final.",
        "NumeIni_inf|Número inicial deve ser informado.",
        "NumeIni_menor|Número inicial deve ser menor ou igual ao número final.",
        "NumeFin_inf|Número final deve ser informado.",
        "NumeCheqIni_inf|Número do cheque inicial deve ser informado.",
        "NumeCheqIni_menor|Número do cheque inicial deve ser menor ou igual ao número do cheque "
        "final.",
        "NumeCheqFin_inf|Número do cheque final deve ser informado.",
        "Fpag|Tipo de Baixa",
        "CCorr|Conta Corrente",
        "ContaCorre_Empty|Não há conta corrente cadastrada.",
        "Operador|Operador",
        "Operador_Empty|Não há operador cadastrado.",
        "TP_CONTA|Tipo de Conta a Pagar",
        "TipoConta_Empty|Não há tipo de conta a pagar cadastrado.",
        "Fornece|Fornecedor",
        "Fornec_Empty|Não há fornecedor cadastrado.",
        "Filial|Filial",
        "FILIOR_N_CAD|Não há filial cadastrada.",
        "FILILANC_N_CAD|Não há filial cadastrada.",
    });
}

void TfrmFiltroBaixa::LigaEventos() {
    using platform::TObject;
    OnShow = [this](TObject*) { abertura_ = true; };
    OnActivate = [this](TObject* s) {
        if (!abertura_) return; // focus coming back from a window the dialog opened
        abertura_ = false;
        FormActivate(s);
    };
    sbtLimpa->OnClick = [this](TObject* s) { sbtLimpaClick(s); };
    mnuDesfazer->OnClick = [this](TObject* s) { mnuDesfazerClick(s); };

    // The remaining handlers are member functions called on the dialog.
    rbtTodosFormPag->OnClick = std::bind_front(&TfrmFiltroBaixa::rbtFPagClick, this);
    rbtFPag->OnClick = std::bind_front(&TfrmFiltroBaixa::rbtFPagClick, this);
    rbtTodosContCorr->OnClick = std::bind_front(&TfrmFiltroBaixa::rbtListCCorrClick, this);
    rbtListCCorr->OnClick = std::bind_front(&TfrmFiltroBaixa::rbtListCCorrClick, this);
    rbtTodosOperador->OnClick = std::bind_front(&TfrmFiltroBaixa::rbtTodosOperadorClick, this);
    rbtListaOperador->OnClick = std::bind_front(&TfrmFiltroBaixa::rbtTodosOperadorClick, this);
    rbtTodosForn->OnClick = std::bind_front(&TfrmFiltroBaixa::rbtListFornClick, this);
    rbtListForn->OnClick = std::bind_front(&TfrmFiltroBaixa::rbtListFornClick, this);
    rbtTodosFiliLanc->OnClick = std::bind_front(&TfrmFiltroBaixa::rbtListFilialClick, this);
    rbtListFilial->OnClick = std::bind_front(&TfrmFiltroBaixa::rbtListFilialClick, this);
    rbtTodosFiliOrig->OnClick = std::bind_front(&TfrmFiltroBaixa::rbtTodosFiliOrigClick, this);
    rbtListaFiliOr->OnClick = std::bind_front(&TfrmFiltroBaixa::rbtListaFiliOrClick, this);
    rbtTodosTpConta->OnClick = std::bind_front(&TfrmFiltroBaixa::rbtTodosTpContaClick, this);
    rbtListaTpConta->OnClick = std::bind_front(&TfrmFiltroBaixa::rbtListaTpContaClick, this);

    btnPesqFPag->OnClick = std::bind_front(&TfrmFiltroBaixa::btnPesqFPagClick, this);
    btnCCorr->OnClick = std::bind_front(&TfrmFiltroBaixa::btnCCorrClick, this);
    btnOperador->OnClick = std::bind_front(&TfrmFiltroBaixa::btnOperadorClick, this);
    btnListaTpConta->OnClick = std::bind_front(&TfrmFiltroBaixa::btnListaTpContaClick, this);
    btnListForn->OnClick = std::bind_front(&TfrmFiltroBaixa::btnListFornClick, this);
    btnFiliOr->OnClick = std::bind_front(&TfrmFiltroBaixa::btnFiliOrClick, this);
    btnListFilial->OnClick = std::bind_front(&TfrmFiltroBaixa::btnListFilialClick, this);

    dedDtIni->OnExit = std::bind_front(&TfrmFiltroBaixa::dedDtIniExit, this);
    dedDtFin->OnExit = std::bind_front(&TfrmFiltroBaixa::dedDtFinExit, this);
    dedDtInicLanc->OnExit = std::bind_front(&TfrmFiltroBaixa::dedDtInicLancExit, this);
    dedDtFinLanc->OnExit = std::bind_front(&TfrmFiltroBaixa::dedDtFinLancExit, this);
    dedDtIniVen->OnExit = std::bind_front(&TfrmFiltroBaixa::dedDtIniVenExit, this);
    dedDtFinVen->OnExit = std::bind_front(&TfrmFiltroBaixa::dedDtFinVenExit, this);
    medDocIni->OnExit = std::bind_front(&TfrmFiltroBaixa::medDocIniExit, this);
    medDocFin->OnExit = std::bind_front(&TfrmFiltroBaixa::medDocFinExit, this);

    nedVrLiqIni->OnKeyPress = std::bind_front(&TfrmFiltroBaixa::nedVrLiqIniKeyPress, this);
    nedVrLiqFin->OnKeyPress = std::bind_front(&TfrmFiltroBaixa::nedVrLiqFinKeyPress, this);
    nedVrInicOrig->OnKeyPress = std::bind_front(&TfrmFiltroBaixa::nedVrInicOrigKeyPress, this);
    nedVrFinaOrig->OnKeyPress = std::bind_front(&TfrmFiltroBaixa::nedVrFinaOrigKeyPress, this);
    nedVrContIni->OnKeyPress = std::bind_front(&TfrmFiltroBaixa::nedVrContIniKeyPress, this);
    nedVrContFin->OnKeyPress = std::bind_front(&TfrmFiltroBaixa::nedVrContFinKeyPress, this);

    qryFornecedor->FieldByName("NRINSJURFORN")->OnGetText =
        std::bind_front(&TfrmFiltroBaixa::qryFornecedorNRINSJURFORNGetText, this);
    qryContCorr->FieldByName("CDAGENCIA")->OnGetText =
        std::bind_front(&TfrmFiltroBaixa::qryContCorrCDAGENCIAGetText, this);
    qryContCorr->FieldByName("CDCONTCORR")->OnGetText =
        std::bind_front(&TfrmFiltroBaixa::qryContCorrCDCONTCORRGetText, this);
}

TfrmFiltroBaixa::~TfrmFiltroBaixa() {
    if (frmFiltroBaixa == this) frmFiltroBaixa = nullptr;
}

} // namespace filter
