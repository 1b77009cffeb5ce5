// The accounting screen's content: its parameters, the provisional entries with their errors,
// and the posted entry read from the database (SQLite, and PostgreSQL when PAG_TEST_PG_URL is set).
#include <gtest/gtest.h>

#include <memory>

#include "accounting/errosctb.h"
#include "accounting/lancparams.h"
#include "accounting/lancqueries.h"
#include "accounting/lancview.h"
#include "accountingkit.h"
#include "host/session.h"
#include "platform/dataset.h"
#include "platform/datetime.h"
#include "server/schema.h"
#include "testdatabase.h"

namespace {

using accounting::LeLancParams;
using accounting::MontaLancView;
using accounting::TLancOrigem;
using accounting::TLancView;
using platform::Variant;

std::unique_ptr<platform::TClientDataSet> Open(const Variant& packet) {
    auto cds = std::make_unique<platform::TClientDataSet>();
    cds->SetData(packet);
    return cds;
}

std::string Text(const platform::TDataSet& data, const char* field) {
    return data.FieldByName(field)->AsString();
}

// The queries a screen would own, unused by provisional views.
struct TQueries {
    host::TADOIBQuery lanc, rateio;
    TQueries() {
        accounting::DefineQryLancCtb(lanc);
        accounting::DefineQryRateioCtb(rateio);
    }
    TLancView View(const Variant& params) {
        return MontaLancView(LeLancParams(params), lanc, rateio);
    }
};

TEST(LancParams, RefusesAnythingButFiveElementsFromZeroOfTheRightKinds) {
    EXPECT_THROW(LeLancParams(Variant("01")), platform::Exception);
    EXPECT_THROW(LeLancParams(platform::VarArrayCreate({0, 3})), platform::Exception);
    EXPECT_THROW(LeLancParams(platform::VarArrayCreate({1, 5})), platform::Exception);
    try {
        LeLancParams(platform::VarArrayCreate({0, 5}));
        FAIL();
    } catch (const platform::Exception& e) {
        EXPECT_NE(e.Message().find("cinco parâmetros"), std::string::npos);
    }
    Variant params = accountingtest::ParamsWithoutData("01", "");
    params[4] = 3.5; // a dataset that is not a packet
    EXPECT_THROW(LeLancParams(params), platform::Exception);
    params = accountingtest::ParamsWithoutData("01", "");
    params[1] = Variant::FromDate(45000); // a number that is not a text
    EXPECT_THROW(LeLancParams(params), platform::Exception);
}

TEST(LancParams, ReadsTextsTrimmedAndNeverOpenedDatasetsAsNoData) {
    Variant params = accountingtest::ParamsWithoutData(" 01 ", "  ");
    params[3] = Variant(); // Empty: a dataset never opened
    accounting::TLancParams p = LeLancParams(params);
    EXPECT_EQ(p.empresa, "01");
    EXPECT_EQ(p.nrLanc, "");
    EXPECT_TRUE(p.lancamentos.IsNull());
    EXPECT_TRUE(p.rateio.IsEmpty());
}

TEST(ErrosCtb, DescribesEveryCodeTheServerWritesAndNamesAnUnknownOne) {
    EXPECT_EQ(accounting::DescricaoErroCtb("001"), "Conta contábil não informada.");
    EXPECT_EQ(accounting::DescricaoErroCtb(" 004 "),
              "Centro de custo da filial não informado para conta com rateio.");
    EXPECT_EQ(accounting::DescricaoErroCtb("099"),
              "Erro de contabilização não catalogado (código 099).");
    for (const char* code : {server::kErrNoAccount, server::kErrUnknownAccount,
                             server::kErrSyntheticAccount, server::kErrNoCostCentre})
        EXPECT_EQ(accounting::DescricaoErroCtb(code).find("não catalogado"), std::string::npos)
            << code;
}

TEST(ErrosCtb, TextsAreThoseOfTheServersErrorTable) {
    auto db = platform::TSqlConnection::Open("sqlite::memory:");
    server::EnsureSchema(*db);
    auto rows = db->OpenCursor("SELECT CDERROCTB, DSERROCTB FROM ERROCTB ORDER BY CDERROCTB");
    std::size_t count = 0;
    while (rows->Next()) {
        ++count;
        EXPECT_EQ(accounting::DescricaoErroCtb(rows->Text(0)), rows->Text(1)) << rows->Text(0);
    }
    EXPECT_EQ(count, std::size(accounting::kErrosCtb));
}

TEST(LancViewProvisional, ShowsEntriesSplitIntoDebitAndCreditWithTotals) {
    TQueries q;
    TLancView view = q.View(accountingtest::Params("01", "", accountingtest::OutcomeWithErrors()));
    EXPECT_EQ(view.origem, TLancOrigem::Provisorio);
    EXPECT_EQ(view.nmEmpresa, "Empresa Um");
    EXPECT_EQ(view.qtLancamentos, 3);
    EXPECT_EQ(view.qtRateio, 1);
    auto lanc = Open(view.lancamentos);
    EXPECT_EQ(lanc->FieldByName("VRDEBITO")->AsFloat(), 150.0);
    EXPECT_TRUE(lanc->FieldByName("VRCREDITO")->IsNull());
    lanc->Next();
    EXPECT_TRUE(lanc->FieldByName("VRDEBITO")->IsNull());
    EXPECT_EQ(lanc->FieldByName("VRCREDITO")->AsFloat(), 150.0);
    EXPECT_EQ(lanc->FieldByName("VRLANCCTBTEMP")->AsFloat(), -150.0);
    EXPECT_DOUBLE_EQ(view.debitos, 170.0);
    EXPECT_DOUBLE_EQ(view.creditos, 150.0);
    EXPECT_EQ(view.Totais(), "Débitos: 170,00    Créditos: 150,00");
    auto rateio = Open(view.rateio);
    EXPECT_EQ(Text(*rateio, "NMCENTCUST"), "Administração");
    EXPECT_EQ(rateio->FieldByName("VRLANCCUST")->AsFloat(), 150.0);
}

TEST(LancViewProvisional, ShowsEachErrorWithItsDescriptionAndTheAccountOfItsLine) {
    TQueries q;
    TLancView view = q.View(accountingtest::Params("01", "", accountingtest::OutcomeWithErrors()));
    EXPECT_EQ(view.qtErros, 3);
    EXPECT_EQ(view.Situacao(),
              "Lançamentos provisórios. A contabilização não foi concluída: 3 erros.");
    auto erros = Open(view.erros);
    EXPECT_EQ(Text(*erros, "CDERROTEMP"), "001");
    EXPECT_EQ(Text(*erros, "DSERRO"), "Conta contábil não informada.");
    EXPECT_EQ(Text(*erros, "NRSEQCTBTEMP"), "00002");
    EXPECT_TRUE(erros->FieldByName("CDCONTCTBL")->IsNull()); // the line has no account
    erros->Next();
    EXPECT_EQ(Text(*erros, "DSERRO"),
              "Conta contábil sintética: o lançamento exige uma conta analítica.");
    EXPECT_EQ(Text(*erros, "CDCONTCTBL"), "2.1");
    erros->Next();
    EXPECT_EQ(Text(*erros, "DSERRO"), "Erro de contabilização não catalogado (código 099).");
}

TEST(LancViewProvisional, OneErrorIsSingularAndNoErrorsNoRowsSaySo) {
    TQueries q;
    server::TRunOutcome outcome = accountingtest::OutcomeWithErrors();
    outcome.errors.resize(1);
    EXPECT_EQ(q.View(accountingtest::Params("01", "", outcome)).Situacao(),
              "Lançamentos provisórios. A contabilização não foi concluída: 1 erro.");
    outcome.errors.clear();
    EXPECT_EQ(q.View(accountingtest::Params("01", "", outcome)).Situacao(),
              "Lançamentos provisórios.");
    TLancView empty = q.View(accountingtest::Params("01", "", server::TRunOutcome{}));
    EXPECT_EQ(empty.qtLancamentos + empty.qtRateio + empty.qtErros, 0);
    EXPECT_EQ(empty.Situacao(), "Não há lançamentos contábeis para mostrar.");
    EXPECT_EQ(q.View(accountingtest::ParamsWithoutData("01", "")).Situacao(),
              "Não há lançamentos contábeis para mostrar.");
}

TEST(LancViewProvisional, RowsHandedOverWinOverTheEntryNumber) {
    TQueries q;
    host::Session().databaseUrl = "sqlite:/nao/existe/pag.db"; // reading it would fail
    TLancView view =
        q.View(accountingtest::Params("01", "000000000031", accountingtest::OutcomeWithErrors()));
    EXPECT_EQ(view.origem, TLancOrigem::Provisorio);
    EXPECT_EQ(view.qtLancamentos, 3);
    host::ResetSession();
}

TEST(LancViewProvisional, APacketThatCannotBeReadIsReportedInPortuguese) {
    TQueries q;
    Variant params = accountingtest::Params("01", "", accountingtest::OutcomeWithErrors());
    params[3] = Variant::FromBytes(std::string("\x93\x01\x02", 3));
    try {
        q.View(params);
        FAIL();
    } catch (const platform::Exception& e) {
        EXPECT_EQ(e.Message().rfind("Não foi possível ler o rateio recebido: ", 0), 0u)
            << e.Message();
    }
}

TEST(LancViewProvisional, APacketOfTheWrongDatasetIsRefused) {
    TQueries q;
    Variant params = accountingtest::Params("01", "", accountingtest::OutcomeWithErrors());
    params[2] = params[4]; // the errors where the entries belong
    try {
        q.View(params);
        FAIL();
    } catch (const platform::Exception& e) {
        EXPECT_EQ(e.Message(),
                  "Não foi possível ler os lançamentos recebidos: falta o campo CDCONTCTBL.");
    }
}

class LancViewPosted : public ::testing::TestWithParam<servertest::TBackend> {
protected:
    void SetUp() override {
        if (!servertest::TTestDatabase::Available(GetParam()))
            GTEST_SKIP() << "PAG_TEST_PG_URL não definido";
        database = std::make_unique<servertest::TTestDatabase>(GetParam());
        db = database->Connect();
        accountingtest::LoadPostedEntry(*db);
        q.lanc.SetConnection(db.get());
        q.rateio.SetConnection(db.get());
    }
    std::unique_ptr<servertest::TTestDatabase> database;
    std::unique_ptr<platform::TSqlConnection> db;
    TQueries q;
};

TEST_P(LancViewPosted, ReadsTheLinesInOrderWithAccountNamesAndApportionment) {
    TLancView view = q.View(accountingtest::ParamsWithoutData("01", accountingtest::kPostedNumber));
    EXPECT_EQ(view.origem, TLancOrigem::Efetivado);
    EXPECT_EQ(view.nrLanc, accountingtest::kPostedNumber);
    EXPECT_EQ(view.nmEmpresa, "Empresa Um");
    ASSERT_EQ(view.qtLancamentos, 2);
    EXPECT_EQ(view.Situacao(), "Lançamento contábil 000000000012 efetivado: 2 linhas.");
    EXPECT_EQ(view.Totais(), "Débitos: 100,00    Créditos: 100,00");
    auto lanc = Open(view.lancamentos);
    EXPECT_EQ(Text(*lanc, "NRSEQCTBTEMP"), "000001");
    EXPECT_EQ(Text(*lanc, "CDCONTREDU"), "101");
    EXPECT_EQ(Text(*lanc, "NMCONTCTBL"), "Fornecedores");
    EXPECT_EQ(Text(*lanc, "DSHISTCTB"), "Pagto doc. 123");
    EXPECT_EQ(lanc->FieldByName("DTLANCCTBTEMP")->AsDateTime(), platform::EncodeDate(2024, 3, 15));
    EXPECT_EQ(lanc->FieldByName("VRDEBITO")->AsFloat(), 100.0);
    lanc->Next();
    EXPECT_EQ(Text(*lanc, "NMCONTCTBL"), "Banco Conta Movimento");
    EXPECT_EQ(lanc->FieldByName("VRCREDITO")->AsFloat(), 100.0);
    auto rateio = Open(view.rateio);
    ASSERT_EQ(view.qtRateio, 1);
    EXPECT_EQ(Text(*rateio, "NMFILIAL"), "Matriz");
    EXPECT_EQ(Text(*rateio, "NMCENTCUST"), "Administração");
    EXPECT_EQ(rateio->FieldByName("VRLANCCUST")->AsFloat(), 100.0);
    EXPECT_EQ(view.qtErros, 0);
    EXPECT_FALSE(q.lanc.Active()); // the queries are closed again
}

TEST_P(LancViewPosted, AnEntryOfAnotherCompanyOrUnknownNumberIsNotFound) {
    TLancView other =
        q.View(accountingtest::ParamsWithoutData("02", accountingtest::kPostedNumber));
    EXPECT_EQ(other.qtLancamentos, 0);
    EXPECT_EQ(other.Situacao(), "Lançamento contábil 000000000012 não encontrado na empresa 02.");
    TLancView unknown = q.View(accountingtest::ParamsWithoutData("01", "999"));
    EXPECT_EQ(unknown.qtLancamentos + unknown.qtRateio, 0);
    TLancView anyCompany =
        q.View(accountingtest::ParamsWithoutData("", accountingtest::kPostedNumber));
    EXPECT_EQ(anyCompany.qtLancamentos, 2);
}

TEST_P(LancViewPosted, EmptyPacketsWithANumberReadTheDatabase) {
    // What the accounting view hands over after a run: the datasets emptied, not closed.
    server::TRunOutcome none;
    TLancView view = q.View(accountingtest::Params("01", accountingtest::kPostedNumber, none));
    EXPECT_EQ(view.origem, TLancOrigem::Efetivado);
    EXPECT_EQ(view.qtLancamentos, 2);
}

INSTANTIATE_TEST_SUITE_P(Backends, LancViewPosted,
                         ::testing::Values(servertest::TBackend::SQLite,
                                           servertest::TBackend::PostgreSQL),
                         servertest::TBackendParamName());

} // namespace

namespace {

Variant AsSimulation(Variant params, Variant flag = true) {
    Variant six = platform::VarArrayCreate({0, 5});
    for (int i = 0; i <= 4; ++i) six[i] = params[i];
    six[5] = std::move(flag);
    return six;
}

TEST(LancViewSimulation, SaysPlainlyThatNothingWasPostedAndNamesEachErrorsWriteOff) {
    TQueries q;
    const Variant params = accountingtest::Params("01", "", accountingtest::OutcomeWithErrors());
    TLancView view = q.View(AsSimulation(params));
    EXPECT_EQ(view.Situacao(), "Simulação: nada foi contabilizado. A contabilização não seria "
                               "concluída: 3 erros.");
    auto erros = Open(view.erros);
    EXPECT_EQ(Text(*erros, "DSBAIXA"), "0001/0000000003");
    // A run's own hand-over (five parameters, or a sixth that is false) is no simulation.
    EXPECT_EQ(q.View(params).Situacao(),
              "Lançamentos provisórios. A contabilização não foi concluída: 3 erros.");
    EXPECT_FALSE(q.View(AsSimulation(params, false)).simulacao);
    server::TRunOutcome clean = accountingtest::OutcomeWithErrors();
    clean.errors.clear();
    EXPECT_EQ(q.View(AsSimulation(accountingtest::Params("01", "", clean))).Situacao(),
              "Simulação: nada foi contabilizado. Lançamentos provisórios.");
    EXPECT_THROW(LeLancParams(AsSimulation(params, "S")), platform::Exception);
}

} // namespace
