// TADOIBQuery on SQLite and PostgreSQL: the company query's texts, bound parameters, fields,
// read-only rows.
#include <gtest/gtest.h>

#include <cstdlib>

#include "host/adoibquery.h"
#include "host/dbgeral.h"
#include "host/session.h"
#include "platform/datasource.h"

using host::TADOIBQuery;
using platform::TSqlConnection;

namespace {

// Runs on SQLite, and on PostgreSQL when PAG_TEST_PG_URL names a server. The tables are
// temporary, so they shadow any of the same name and vanish with the connection.
class CompanyQuery : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        std::string url = "sqlite::memory:";
        if (GetParam() == "postgresql") {
            const char* pg = std::getenv("PAG_TEST_PG_URL");
            if (pg == nullptr || *pg == '\0') GTEST_SKIP() << "PAG_TEST_PG_URL is not set";
            url = pg;
        }
        host::ResetSession();
        host::Session().databaseUrl = url;
        host::Dbgeral::ClearConnection();
        db_ = &host::Dbgeral::Connection();
        db_->EnsureHelperFunctions();
        db_->ExecuteScript(
            "CREATE TEMP TABLE EMPRESA (CDEMPRESA VARCHAR(2) PRIMARY KEY, NMEMPRESA VARCHAR(40),"
            " CDCENTCUST VARCHAR(4));"
            "INSERT INTO EMPRESA VALUES ('02', 'Filial Sul Ltda', '0200');"
            "INSERT INTO EMPRESA VALUES ('01', 'Matriz Comércio S.A.', '0100');"
            "INSERT INTO EMPRESA VALUES ('03', 'Sem Acesso ME', NULL);"
            "CREATE TEMP TABLE OPEREMPR (CDOPERADOR VARCHAR(12), CDEMPRESA VARCHAR(2));"
            "INSERT INTO OPEREMPR VALUES ('OPERADOR', '01');"
            "INSERT INTO OPEREMPR VALUES ('OPERADOR', '02');");

        qry_.SetName("qryEmpresa");
        qry_.SQL() = {"SELECT",
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
        qry_.SQL_IB() = qry_.SQL();
        qry_.SQL_ORACLE() = {"SELECT",        "   CDEMPRESA,",
                             "   NMEMPRESA,", "   CDCENTCUST",
                             "FROM",          "  EMPRESA",
                             "WHERE",         "   CDEMPRESA = NVL(:P_CDEMPRESA,CDEMPRESA)",
                             "ORDER BY",      "   CDEMPRESA"};
        qry_.SQL_MSSQL() = {"SELECT",        "   CDEMPRESA,",
                            "   NMEMPRESA,", "   CDCENTCUST",
                            "FROM",          "  EMPRESA",
                            "WHERE",         "   CDEMPRESA = ISNULL (:P_CDEMPRESA, CDEMPRESA)",
                            "ORDER BY",      "   CDEMPRESA"};
        auto* code = qry_.AddStringField("CDEMPRESA", 2);
        code->SetRequired(true);
        code->SetDisplayLabel("Código");
        qry_.AddStringField("NMEMPRESA", 40)->SetDisplayLabel("Nome");
        qry_.AddStringField("CDCENTCUST", 4)->SetVisible(false);
    }
    void TearDown() override {
        qry_.Close();
        host::Dbgeral::ClearConnection();
        host::ResetSession();
    }
    TSqlConnection* db_ = nullptr;
    TADOIBQuery qry_;
};

} // namespace

TEST_P(CompanyQuery, WithTheParameterSetYieldsThatCompanyOnly) {
    qry_.ParamByName("P_CDEMPRESA").SetAsString("01");
    qry_.Open();
    ASSERT_EQ(qry_.RecordCount(), 1);
    EXPECT_EQ(qry_.FieldByName("NMEMPRESA")->AsString(), "Matriz Comércio S.A.");
    EXPECT_EQ(qry_.FieldByName("cdcentcust")->AsString(), "0100");
    EXPECT_EQ(qry_.FieldByName("CDEMPRESA")->DisplayLabel(), "Código");
    EXPECT_FALSE(qry_.FieldByName("CDCENTCUST")->Visible());

    qry_.Close();
    qry_.ParamByName("p_cdempresa").SetAsString("99");
    qry_.Open();
    EXPECT_TRUE(qry_.IsEmpty());
}

TEST_P(CompanyQuery, WithTheParameterClearedYieldsEveryCompanyByCode) {
    qry_.ParamByName("P_CDEMPRESA").Clear();
    qry_.Open();
    ASSERT_EQ(qry_.RecordCount(), 3);
    std::vector<std::string> codes;
    for (qry_.First(); !qry_.Eof(); qry_.Next())
        codes.push_back(qry_.FieldByName("CDEMPRESA")->AsString());
    EXPECT_EQ(codes, (std::vector<std::string>{"01", "02", "03"}));
    qry_.Last();
    EXPECT_TRUE(qry_.FieldByName("CDCENTCUST")->IsNull());
}

TEST_P(CompanyQuery, ParametersAreBoundNeverSpliced) {
    qry_.ParamByName("P_CDEMPRESA").SetAsString("01' OR '1'='1");
    qry_.Open();
    EXPECT_TRUE(qry_.IsEmpty());
    EXPECT_EQ(db_->SelectValue("SELECT COUNT(*) FROM EMPRESA").AsInteger(), 3);
}

TEST_P(CompanyQuery, RowsAreReadOnlyAndDataSourcesFollowOpenAndClose) {
    platform::TDataSource dts;
    dts.SetDataSet(&qry_);
    int stateChanges = 0;
    dts.OnStateChange = [&](platform::TObject*) { ++stateChanges; };
    qry_.Open();
    EXPECT_EQ(dts.State(), platform::TDataSetState::dsBrowse);
    EXPECT_GT(stateChanges, 0);
    EXPECT_THROW(qry_.Edit(), platform::EDatabaseError);
    EXPECT_EQ(qry_.State(), platform::TDataSetState::dsBrowse);
    qry_.Close();
    EXPECT_EQ(dts.State(), platform::TDataSetState::dsInactive);
}

TEST_P(CompanyQuery, FailuresLeaveTheQueryClosedWithAClearMessage) {
    EXPECT_THROW(qry_.ParamByName("P_NAOEXISTE"), platform::EDatabaseError);

    TADOIBQuery missing;
    missing.SetName("qryFaltando");
    missing.SQL() = {"SELECT CDEMPRESA FROM EMPRESA"};
    missing.SetConnection(db_);
    missing.AddStringField("CDEMPRESA", 2);
    missing.AddStringField("NMEMPRESA", 40);
    try {
        missing.Open();
        ADD_FAILURE();
    } catch (const platform::EDatabaseError& e) {
        EXPECT_NE(e.Message().find("NMEMPRESA"), std::string::npos);
    }
    EXPECT_FALSE(missing.Active());

    TADOIBQuery broken;
    broken.SQL() = {"SELECT * FROM TABELA_QUE_NAO_EXISTE"};
    EXPECT_THROW(broken.Open(), platform::EDatabaseError);
    EXPECT_FALSE(broken.Active());
}

TEST_P(CompanyQuery, WithoutDeclaredFieldsTheResultColumnsBecomeFields) {
    TADOIBQuery q;
    q.SQL() = {"SELECT CDEMPRESA, NMEMPRESA, 7 AS NUMERO, 1.5 AS VALOR FROM EMPRESA",
               "WHERE CDEMPRESA = :P ORDER BY CDEMPRESA"};
    q.ParamByName("P").SetAsString("02");
    q.Open();
    ASSERT_EQ(q.RecordCount(), 1);
    EXPECT_EQ(q.FieldByName("NMEMPRESA")->AsString(), "Filial Sul Ltda");
    EXPECT_EQ(q.FieldByName("NUMERO")->DataType(), platform::TFieldType::ftInteger);
    EXPECT_EQ(q.FieldByName("VALOR")->AsFloat(), 1.5);
}

INSTANTIATE_TEST_SUITE_P(Databases, CompanyQuery, ::testing::Values("sqlite", "postgresql"),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                             return param.param;
                         });

TEST(SqlParamNames, FindsNamedParametersOutsideLiteralsAndCasts) {
    EXPECT_EQ(host::SqlParamNames("SELECT ':X' , \":Y\" FROM T WHERE A = :P_A AND B = :p_a "
                                  "AND C::text = :P_C -- :COMENTARIO\n AND D = 'it''s :Z'"),
              (std::vector<std::string>{"P_A", "P_C"}));
}

TEST_P(CompanyQuery, OperatorRightsComeFromTheDatabase) {
    EXPECT_TRUE(host::Dbgeral::AcessoOperEmpresa("OPERADOR", "01"));
    EXPECT_TRUE(host::Dbgeral::AcessoOperEmpresa("OPERADOR", "02"));
    EXPECT_FALSE(host::Dbgeral::AcessoOperEmpresa("OPERADOR", "03"));
    EXPECT_FALSE(host::Dbgeral::AcessoOperEmpresa("OUTRO", "01"));
}
