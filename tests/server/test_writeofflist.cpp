// The write-off list: every criterion of GetBaixaPag_Filtro, its refusals and the packet's layout,
// on SQLite and PostgreSQL.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "platform/datetime.h"
#include "platform/serverreply.h"
#include "server/pagserver.h"
#include "server/rdmreccontbaixapag.h"
#include "server/schema.h"
#include "server/seed.h"
#include "server/writeofflist.h"
#include "servertestkit.h"
#include "testdatabase.h"

using namespace servertest;
using platform::Variant;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

namespace {

class WriteOffListTest : public ::testing::TestWithParam<TBackend> {
protected:
    void SetUp() override {
        if (!TTestDatabase::Available(GetParam())) GTEST_SKIP() << "PAG_TEST_PG_URL não definido";
        database_ = std::make_unique<TTestDatabase>(GetParam());
        pool_ = std::make_unique<server::TConnectionPool>(database_->Url());
        auto lease = pool_->Acquire();
        server::EnsureSchema(*lease);
        server::SeedDemo(*lease, d0_);
        LoadKnownWriteOffs(*lease, d0_);
        context_ = std::make_unique<server::TServerContext>(server::TServerContext{*pool_, {}});
        object_ = std::make_unique<server::TRdmRecContBaixaPag>(
            *context_, platform::TSessionIdentity{"OPERADOR", "127.0.0.1", "lista"});
    }

    // Calls the method and returns the reply unpacked; failures are reported by the test.
    platform::TServerReply Call(std::vector<Variant> args) {
        return platform::UnpackServerReply(object_->Invoke("GetBaixaPag_Filtro", args));
    }
    std::vector<std::string> Found(std::vector<Variant> args) {
        platform::TServerReply reply = Call(std::move(args));
        EXPECT_TRUE(reply.Ok()) << reply.message;
        if (!reply.Ok()) return {};
        return Numbers(reply.payload);
    }
    std::vector<std::string> With(int criterion, Variant value) {
        std::vector<Variant> args = OpenCriteria("01");
        args[static_cast<std::size_t>(criterion - 1)] = std::move(value);
        return Found(args);
    }
    std::vector<std::string> WithRange(int from, Variant low, Variant high) {
        std::vector<Variant> args = OpenCriteria("01");
        args[static_cast<std::size_t>(from - 1)] = std::move(low);
        args[static_cast<std::size_t>(from)] = std::move(high);
        return Found(args);
    }
    static Variant Day(double offset) {
        return Variant::FromDate(std::floor(platform::Date()) + offset);
    }

    const platform::TDateTime d0_ = std::floor(platform::Date());
    std::unique_ptr<TTestDatabase> database_;
    std::unique_ptr<server::TConnectionPool> pool_;
    std::unique_ptr<server::TServerContext> context_;
    std::unique_ptr<server::TRdmRecContBaixaPag> object_;
};

TEST_P(WriteOffListTest, OpenCriteriaGiveTheCompanysWriteOffsByPaymentDate) {
    EXPECT_THAT(Found(OpenCriteria("01")), ElementsAre("T3", "T2", "T1", "T5"));
    EXPECT_THAT(Found(OpenCriteria("02")), ElementsAre("T4"));
    EXPECT_THAT(Found(OpenCriteria("99")), IsEmpty());
}

TEST_P(WriteOffListTest, DefaultCriteriaGiveTodaysWriteOffs) {
    EXPECT_THAT(Found(DefaultCriteria("01", d0_)), ElementsAre("T1", "T5"));
}

TEST_P(WriteOffListTest, CodeListsRestrictTheirColumns) {
    EXPECT_THAT(With(2, "'000001'"), ElementsAre("T1", "T5")); // suppliers
    EXPECT_THAT(With(2, "'000007','000003'"), ElementsAre("T3", "T2"));
    EXPECT_THAT(With(5, "'0002'"), ElementsAre("T3", "T2", "T5"));    // branch of origin
    EXPECT_THAT(With(6, "'0002'"), ElementsAre("T2", "T5"));          // posting branch
    EXPECT_THAT(With(9, "'02','05'"), ElementsAre("T3", "T1", "T5")); // write-off types
    EXPECT_THAT(With(10, "'002'"), ElementsAre("T2"));                // bank accounts
    EXPECT_THAT(With(15, "'ALU'"), ElementsAre("T3"));                // payable types
    EXPECT_THAT(With(15, "'NFS'"), ElementsAre("T2"));
    EXPECT_THAT(With(20, "'MARIA'"), ElementsAre("T2")); // operators
    EXPECT_THAT(With(20, "'NINGUEM'"), IsEmpty());
}

TEST_P(WriteOffListTest, DocumentNumbersCompareAsTextsPaddedToSeven) {
    // T2's document is stored as "123": it compares as "0000123".
    EXPECT_THAT(WithRange(3, "100", ""), ElementsAre("T3", "T2", "T1"));
    EXPECT_THAT(WithRange(3, "", "123"), ElementsAre("T2", "T1", "T5"));
    EXPECT_THAT(WithRange(3, "0000124", "550"), ElementsAre("T3"));
    EXPECT_THAT(WithRange(3, "123", "123"), ElementsAre("T2"));
}

TEST_P(WriteOffListTest, DateRangesIncludeWholeDaysAndZeroMeansNoBound) {
    EXPECT_THAT(WithRange(7, Day(-30), Day(-10)), ElementsAre("T3", "T2")); // payment
    EXPECT_THAT(WithRange(7, Day(-10), 0), ElementsAre("T2", "T1", "T5"));
    EXPECT_THAT(WithRange(7, 0, Day(-11)), ElementsAre("T3"));
    EXPECT_THAT(WithRange(13, Day(-35), Day(-30)), ElementsAre("T3")); // due date
    EXPECT_THAT(WithRange(13, Day(0), 0), ElementsAre("T1", "T5"));
    // T2 was entered at 23:59:59 of its day; T5 has no entry date.
    EXPECT_THAT(WithRange(21, Day(-10), Day(-10)), ElementsAre("T2")); // entry date
    EXPECT_THAT(WithRange(21, Day(0), 0), ElementsAre("T1"));
    // A day count as a double is a date too.
    EXPECT_THAT(WithRange(7, Variant(d0_), Variant(d0_)), ElementsAre("T1", "T5"));
}

TEST_P(WriteOffListTest, AmountRangesIncludeTheirBounds) {
    EXPECT_THAT(WithRange(11, 100.0, 250.50), ElementsAre("T2", "T1")); // write-off
    EXPECT_THAT(WithRange(11, 0, 99.99), ElementsAre("T5"));
    EXPECT_THAT(WithRange(11, 1000, 0), ElementsAre("T3"));
    EXPECT_THAT(WithRange(16, 300.0, 600.0), ElementsAre("T3", "T2")); // original
    EXPECT_THAT(WithRange(16, 0, 110.0), ElementsAre("T1", "T5"));
    EXPECT_THAT(WithRange(18, 250.5, 250.5), ElementsAre("T2")); // net
}

TEST_P(WriteOffListTest, AccountingStatusSelectsOnTheAccountingIndicator) {
    EXPECT_THAT(With(23, "C"), ElementsAre("T2"));
    EXPECT_THAT(With(23, "N"), ElementsAre("T3", "T1", "T5"));
    EXPECT_THAT(With(23, "T"), ElementsAre("T3", "T2", "T1", "T5"));
}

TEST_P(WriteOffListTest, PayableCriteriaMustHoldForOneAndTheSamePayable) {
    // T3 pays supplier 000002 on a DUP and supplier 000003 on an ALU: no single payable has both.
    std::vector<Variant> args = OpenCriteria("01");
    args[1] = "'000002'";
    args[14] = "'ALU'";
    EXPECT_THAT(Found(args), IsEmpty());
    args[14] = "'DUP'";
    EXPECT_THAT(Found(args), ElementsAre("T3"));
}

TEST_P(WriteOffListTest, CriteriaCombineWithAnd) {
    std::vector<Variant> args = OpenCriteria("01");
    args[5] = "'0002'";
    args[22] = "N";
    EXPECT_THAT(Found(args), ElementsAre("T5"));
}

TEST_P(WriteOffListTest, CodesAreBoundNotSpliced) {
    // A code that would change the statement if it were pasted into it finds nothing.
    EXPECT_THAT(With(20, "'x'') OR 1=1 --'"), IsEmpty());
    EXPECT_THAT(With(2, "'000001\"]'"), IsEmpty());
    std::vector<Variant> args = OpenCriteria("01' OR '1'='1");
    EXPECT_THAT(Found(args), IsEmpty());
}

TEST_P(WriteOffListTest, MalformedListsAndValuesAreRefusedNamingTheArgument) {
    struct Case {
        int criterion;
        Variant value;
        const char* expected;
    } cases[] = {
        {2, "'01', '02'", "argumento 2 (lista de fornecedores)"},
        {9, "01,02", "argumento 9 (lista de tipos de baixa)"},
        {20, "'OPERADOR", "argumento 20 (lista de operadores)"},
        {23, "X", "argumento 23 (situação contábil)"},
        {3, "12345678", "argumento 3 (documento inicial)"},
        {11, std::nan(""), "argumento 11 (valor da baixa inicial)"},
        {7, 1e12, "argumento 7 (pagamento inicial)"},
    };
    for (const Case& c : cases) {
        std::vector<Variant> args = OpenCriteria("01");
        args[static_cast<std::size_t>(c.criterion - 1)] = c.value;
        platform::TServerReply reply = Call(args);
        EXPECT_FALSE(reply.Ok()) << "critério " << c.criterion;
        EXPECT_THAT(reply.message, HasSubstr("GetBaixaPag_Filtro"));
        EXPECT_THAT(reply.message, HasSubstr(c.expected));
    }
}

TEST_P(WriteOffListTest, WrongArgumentCountOrKindsGetAFailureReply) {
    std::vector<Variant> args = OpenCriteria("01");
    args.pop_back();
    platform::TServerReply reply = Call(args);
    EXPECT_FALSE(reply.Ok());
    EXPECT_THAT(reply.message, HasSubstr("GetBaixaPag_Filtro"));
    EXPECT_THAT(reply.message, HasSubstr("23"));

    args = OpenCriteria("01");
    args[6] = "hoje";
    reply = Call(args);
    EXPECT_FALSE(reply.Ok());
    EXPECT_THAT(reply.message, HasSubstr("argumento 7"));

    args = OpenCriteria("01");
    args[1] = Variant::Null();
    reply = Call(args);
    EXPECT_FALSE(reply.Ok());
    EXPECT_THAT(reply.message, HasSubstr("argumento 2"));
}

TEST_P(WriteOffListTest, ThePacketCarriesTheRecordsFieldsInOrderWithTheirValues) {
    platform::TServerReply reply = Call(DefaultCriteria("01", d0_));
    ASSERT_TRUE(reply.Ok()) << reply.message;
    auto data = OpenPacket(reply.payload);
    const auto& expected = server::WriteOffFields();
    ASSERT_EQ(data->FieldCount(), 29);
    for (int i = 0; i < 29; ++i) {
        const platform::TField* field = data->Fields()[static_cast<std::size_t>(i)];
        EXPECT_EQ(field->FieldName(), expected[static_cast<std::size_t>(i)].Name);
        EXPECT_EQ(field->DataType(), expected[static_cast<std::size_t>(i)].DataType)
            << field->FieldName();
        EXPECT_EQ(field->Size(), expected[static_cast<std::size_t>(i)].Size) << field->FieldName();
    }
    EXPECT_EQ(data->FieldByName("IDMARCADO")->DataType(), platform::TFieldType::ftFixedChar);
    ASSERT_TRUE(data->Locate("CDFILIAL;NRBAIXAPAG", {Variant("0001"), Variant("T1")}));
    EXPECT_EQ(data->FieldByName("CDPICTAGEN")->AsString(), "9999-9");
    EXPECT_EQ(data->FieldByName("CDPICTCONT")->AsString(), "99999999-9");
    EXPECT_EQ(data->FieldByName("CDBANCO")->AsString(), "001");
    EXPECT_EQ(data->FieldByName("CDCONTCTBL")->AsString(), "1.1.1.02.001");
    EXPECT_DOUBLE_EQ(data->FieldByName("DTBAIXAPAG")->AsDateTime(), d0_);
    EXPECT_DOUBLE_EQ(data->FieldByName("VRBAIXAPAG")->AsFloat(), 100.0);
    EXPECT_NEAR(data->FieldByName("DTLANCBAIXAP")->AsDateTime(), d0_ + 10.0 / 24, 1e-6);
    EXPECT_EQ(data->FieldByName("NMTPBAIXAPAG")->AsString(), "Transferência Bancária");
    EXPECT_EQ(data->FieldByName("NMOPERADOR")->AsString(), "Operador de Demonstração");
    EXPECT_EQ(data->FieldByName("IDSTATUSBPAG")->AsString(), "E");
    EXPECT_EQ(data->FieldByName("IDMARCADO")->AsString(), "N");
    EXPECT_TRUE(data->FieldByName("NRLCTBBPAG")->IsNull());
    ASSERT_TRUE(data->Locate("NRBAIXAPAG", Variant("T5")));
    EXPECT_TRUE(data->FieldByName("DTLANCBAIXAP")->IsNull());
}

TEST_P(WriteOffListTest, TheDemoListOfTodayHoldsFortyWriteOffsOfEveryStatus) {
    auto lease = pool_->Acquire();
    server::SeedDemo(*lease, d0_);
    platform::TServerReply reply = Call(DefaultCriteria("01", d0_));
    ASSERT_TRUE(reply.Ok()) << reply.message;
    auto data = OpenPacket(reply.payload);
    EXPECT_EQ(data->RecordCount(), 40);
    std::set<std::string> statuses, accounted;
    for (data->First(); !data->Eof(); data->Next()) {
        statuses.insert(data->FieldByName("IDSTATUSBPAG")->AsString());
        accounted.insert(data->FieldByName("IDCTBLBXPAG")->AsString());
    }
    EXPECT_EQ(statuses, (std::set<std::string>{"C", "E", "P"}));
    EXPECT_EQ(accounted, (std::set<std::string>{"N", "S"}));
    // Older and planned write-offs lie outside today.
    EXPECT_GT(Numbers(Call(OpenCriteria("01")).payload).size(), 40u);
}

TEST_P(WriteOffListTest, TheHostsReferenceQueriesRunAsWritten) {
    auto db = pool_->Acquire();
    auto rows = [&](const std::string& sql, const platform::TSqlParams& params = {}) {
        auto cursor = db->OpenCursor(sql, params);
        std::vector<std::string> first;
        while (cursor->Next()) first.emplace_back(cursor->Text(0));
        return first;
    };
    const std::string company =
        "SELECT\n   CDEMPRESA,\n   NMEMPRESA,\n   CDCENTCUST\nFROM\n  EMPRESA,\n"
        "  PARAM(:P_CDEMPRESA) P_CDEMPRESA\nWHERE\n"
        "   CDEMPRESA = NVLSTR(P_CDEMPRESA.PARAM, CDEMPRESA)\nORDER BY\n   CDEMPRESA";
    EXPECT_THAT(rows(company, {{"P_CDEMPRESA", "02"}}), ElementsAre("02"));
    EXPECT_THAT(rows(company, {{"P_CDEMPRESA", Variant::Null()}}), ElementsAre("01", "02", "03"));
    EXPECT_THAT(rows("SELECT CDTPBAIXAPAG, NMTPBAIXAPAG, IDBAIXAUTILP FROM TIPOBAIXAPAG ORDER BY "
                     "CDTPBAIXAPAG"),
                ElementsAre("01", "02", "03", "04", "05"));
    EXPECT_EQ(rows("SELECT CC.CDREDUCONT, CC.CDBANCO, CC.CDAGENCIA, CC.CDCONTCORR, BC.CDPICTCONT,"
                   " CC.DSCONTCORR, BC.CDPICTAGEN FROM CONTCORR CC, BANCO BC"
                   " WHERE (CC.CDBANCO = BC.CDBANCO) ORDER BY CC.CDREDUCONT")
                  .size(),
              5u);
    EXPECT_EQ(rows("SELECT CDOPERADOR, NMOPERADOR FROM OPERADOR ORDER BY CDOPERADOR").size(), 4u);
    EXPECT_EQ(rows("SELECT CDTPCTPAGAR, DSTPCTPAGAR FROM TIPOCTPAGAR ORDER BY CDTPCTPAGAR").size(),
              5u);
    EXPECT_EQ(rows("SELECT CDFORNECED, NMFANTFORN, NMRAZSOCFORN, IDTPIJURFORN, NRINSJURFORN"
                   " FROM FORNECEDOR ORDER BY NRINSJURFORN")
                  .size(),
              10u);
    EXPECT_THAT(rows("SELECT CDFILIAL, NMFILIAL FROM FILIAL ORDER BY CDFILIAL"),
                ElementsAre("0001", "0002", "0201", "0301"));
    // Operators' rights per company, as the host checks them.
    EXPECT_THAT(rows("SELECT CDEMPRESA FROM OPEREMPR WHERE CDOPERADOR = :O ORDER BY CDEMPRESA",
                     {{"O", server::kDemoOperator}}),
                ElementsAre("01", "02"));
}

INSTANTIATE_TEST_SUITE_P(Backends, WriteOffListTest,
                         ::testing::Values(TBackend::SQLite, TBackend::PostgreSQL),
                         TBackendParamName());

} // namespace
