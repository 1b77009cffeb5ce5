// The recalculation run on the demo data: posting, result keys, accounting errors, refusals and
// the list after the run, on SQLite and PostgreSQL.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "backendtest.h"
#include "platform/datetime.h"
#include "platform/serverreply.h"
#include "server/closedperiod.h"
#include "server/entrybuilder.h"
#include "server/rdmreccontbaixapag.h"
#include "server/schema.h"
#include "server/seed.h"
#include "servertestkit.h"
#include "testdatabase.h"

using namespace servertest;
using platform::TServerReply;
using platform::Variant;
using ::testing::HasSubstr;

namespace {

// Number of the demo's write-off paid today with this position (1 to 40).
std::string Demo(int n) {
    return server::ZeroPadded(n, 10);
}

class RecalculationTest : public TBackendTest {
protected:
    void SetUp() override {
        TBackendTest::SetUp();
        if (IsSkipped()) return;
        pool_ = std::make_unique<server::TConnectionPool>(database_->Url());
        context_ = std::make_unique<server::TServerContext>(server::TServerContext{*pool_, {}});
        session_ = NewSession();
    }

    // A session of `op`, as its login would open it.
    std::unique_ptr<server::TRdmRecContBaixaPag> NewSession(const std::string& op = "OPERADOR") {
        return std::make_unique<server::TRdmRecContBaixaPag>(
            *context_,
            platform::TSessionIdentity{op, "127.0.0.1", "sessao" + std::to_string(++sessions_)});
    }
    // The first session of `op` (session_ for OPERADOR), kept for the test.
    server::TRdmRecContBaixaPag* SessionOf(const std::string& op) {
        if (op == "OPERADOR") return session_.get();
        auto& session = others_[op];
        if (!session) session = NewSession(op);
        return session.get();
    }

    // Today's list of a company, as the screen loads it.
    Variant List(const std::string& company = "01") {
        std::vector<Variant> args = DefaultCriteria(company, today_);
        TServerReply reply =
            platform::UnpackServerReply(session_->Invoke("GetBaixaPag_Filtro", args));
        EXPECT_TRUE(reply.Ok()) << reply.message;
        return reply.payload;
    }

    // The list with the given write-offs of branch 0001 marked.
    Variant Marked(const std::set<std::string>& numbers, const std::string& company = "01") {
        return MarkRows(List(company), [&](const std::string&, const std::string& number) {
            return numbers.count(number) > 0;
        });
    }

    TServerReply Confirm(const Variant& list, const std::string& company = "01",
                         const std::string& op = "OPERADOR", Variant catalogue = CataloguePacket(),
                         server::TRdmRecContBaixaPag* session = nullptr) {
        if (session == nullptr) session = SessionOf(op);
        std::vector<Variant> none;
        const Variant number = session->Invoke("GetPrxLista", none);
        std::vector<Variant> args = {list,
                                     company,
                                     std::string("0001"),
                                     op,
                                     number,
                                     std::string("Pagto"),
                                     std::move(catalogue)};
        TServerReply reply = platform::UnpackServerReply(session->Invoke("SetConfirmar", args));
        EXPECT_EQ(args[4], number) << "o número da lista volta como foi enviado";
        return reply;
    }

    std::string Text(const std::string& sql, const platform::TSqlParams& params = {}) {
        return platform::VarToStr(db_->SelectValue(sql, params));
    }
    std::int64_t Count(const std::string& sql, const platform::TSqlParams& params = {}) {
        return db_->SelectValue(sql, params).AsInteger();
    }
    std::string Accounted(const std::string& number, const std::string& branch = "0001") {
        return Text("SELECT IDCTBLBXPAG FROM BAIXAPAG WHERE CDFILIAL = :F AND NRBAIXAPAG = :N",
                    {{"F", branch}, {"N", number}});
    }
    std::string EntryNumber(const std::string& number, const std::string& branch = "0001") {
        return Text("SELECT NRLCTBBPAG FROM BAIXAPAG WHERE CDFILIAL = :F AND NRBAIXAPAG = :N",
                    {{"F", branch}, {"N", number}});
    }
    std::int64_t EntryCounter() {
        return Count("SELECT NRULTIMO FROM NUMERADOR WHERE NMNUMERADOR = 'LANCCTB'");
    }

    std::unique_ptr<server::TConnectionPool> pool_;
    std::unique_ptr<server::TServerContext> context_;
    std::unique_ptr<server::TRdmRecContBaixaPag> session_;
    std::map<std::string, std::unique_ptr<server::TRdmRecContBaixaPag>> others_;
    int sessions_ = 0;
};

TEST_P(RecalculationTest, PostsExactlyTheMarkedRealWriteOffs) {
    const std::int64_t entriesBefore = Count("SELECT COUNT(*) FROM LANCCTB");
    // 5 (two payables) and 9 (rent) are real and not accounted; 6 is planned and 7 CNAB: the
    // mark-all of the screen sends them marked too, and they are skipped.
    TServerReply reply = Confirm(Marked({Demo(5), Demo(9), Demo(6), Demo(7)}));
    ASSERT_TRUE(reply.Ok()) << reply.message;
    TRunReply run = OpenRunPayload(reply.payload);
    EXPECT_EQ(run.FirstKey(), "");
    EXPECT_TRUE(run.errors->IsEmpty());
    EXPECT_EQ(run.entries->RecordCount(), 5); // 2 debits + credit, 1 debit + credit

    // Every entry balances; the reply's entries are those posted, number for number.
    std::map<std::string, double> balance;
    for (run.entries->First(); !run.entries->Eof(); run.entries->Next())
        balance[run.entries->FieldByName("NRLANCCTBTEMP")->AsString()] +=
            run.entries->FieldByName("VRLANCCTBTEMP")->AsFloat();
    ASSERT_EQ(balance.size(), 2u);
    for (const auto& [number, sum] : balance) EXPECT_NEAR(sum, 0.0, 1e-9) << number;
    for (const std::string& number : {Demo(5), Demo(9)}) {
        EXPECT_EQ(Accounted(number), "S");
        EXPECT_EQ(balance.count(EntryNumber(number)), 1u);
    }
    EXPECT_EQ(Count("SELECT COUNT(*) FROM LANCCTB"), entriesBefore + 5);
    // Supplier accounts are apportioned to the branch's cost centre, bank accounts are not.
    EXPECT_EQ(run.apportionment->RecordCount(), 3);
    for (run.apportionment->First(); !run.apportionment->Eof(); run.apportionment->Next())
        EXPECT_EQ(run.apportionment->FieldByName("CDCENTCUST")->AsString(), "0102");
    EXPECT_EQ(Count("SELECT COUNT(*) FROM RATEIOCTB WHERE NRLANCCTB IN (:A, :B)",
                    {{"A", EntryNumber(Demo(5))}, {"B", EntryNumber(Demo(9))}}),
              3);
    EXPECT_EQ(Accounted(Demo(6)), "N");
    EXPECT_EQ(Accounted(Demo(7)), "N");
    EXPECT_EQ(Accounted(Demo(8)), "N"); // not marked
}

TEST_P(RecalculationTest, ReplacesThePostedEntriesOfAnAccountedWriteOff) {
    const std::string old = EntryNumber(Demo(1));
    ASSERT_FALSE(old.empty());
    const std::string key = "0001" + Demo(1);
    ASSERT_GT(Count("SELECT COUNT(*) FROM LANCCTB WHERE NRLANCCTB = :N", {{"N", old}}), 0);
    TServerReply reply = Confirm(Marked({Demo(1)}));
    ASSERT_TRUE(reply.Ok()) << reply.message;
    ASSERT_EQ(OpenRunPayload(reply.payload).FirstKey(), "");
    const std::string now = EntryNumber(Demo(1));
    EXPECT_NE(now, old);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM LANCCTB WHERE NRLANCCTB = :N", {{"N", old}}), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM RATEIOCTB WHERE NRLANCCTB = :N", {{"N", old}}), 0);
    EXPECT_EQ(Count("SELECT COUNT(DISTINCT NRLANCCTB) FROM LANCCTB WHERE CDLANCCTBCOME = :K",
                    {{"K", key}}),
              1);
    EXPECT_EQ(Text("SELECT MIN(NRLANCCTB) FROM LANCCTB WHERE CDLANCCTBCOME = :K", {{"K", key}}),
              now);
}

TEST_P(RecalculationTest, ChequeHistoryComesFromTheClientsCatalogue) {
    // Demo write-off 1 is paid by cheque.
    const std::string cheque =
        Text("SELECT NRCHEQUE FROM BAIXAPAG WHERE NRBAIXAPAG = :N", {{"N", Demo(1)}});
    ASSERT_FALSE(cheque.empty());
    auto credit = [&](const TServerReply& reply) {
        TRunReply run = OpenRunPayload(reply.payload);
        EXPECT_TRUE(run.entries->Locate("CDDOCUCONT", Variant("M000000001")));
        return run.entries->FieldByName("DSHISTCTB")->AsString();
    };
    TServerReply with = Confirm(Marked({Demo(1)}));
    ASSERT_TRUE(with.Ok()) << with.message;
    EXPECT_EQ(credit(with), "Pagto ref. baixa de título 0001/" + Demo(1) + " - Cheque: " + cheque);
    TServerReply without = Confirm(Marked({Demo(1)}), "01", "OPERADOR", CataloguePacket(false));
    ASSERT_TRUE(without.Ok()) << without.message;
    EXPECT_EQ(credit(without), "Pagto ref. baixa de título 0001/" + Demo(1));
}

TEST_P(RecalculationTest, AWriteOffHeldByAnotherUserAnswersAltBloqAndNothingIsPosted) {
    const std::int64_t counter = EntryCounter();
    TServerReply reply = Confirm(Marked({server::kDemoHeldWriteOff, Demo(5)}));
    ASSERT_TRUE(reply.Ok()) << reply.message;
    TRunReply run = OpenRunPayload(reply.payload);
    EXPECT_EQ(run.FirstKey(), "ALT_BLOQ");
    EXPECT_TRUE(run.entries->IsEmpty());
    EXPECT_EQ(Accounted(Demo(5)), "N");
    EXPECT_EQ(EntryCounter(), counter);
    // The user who holds it may recalculate it.
    reply = Confirm(Marked({server::kDemoHeldWriteOff}), "01", server::kDemoHeldBy);
    ASSERT_TRUE(reply.Ok()) << reply.message;
    EXPECT_EQ(OpenRunPayload(reply.payload).FirstKey(), "");
    EXPECT_EQ(Accounted(server::kDemoHeldWriteOff), "S");
}

TEST_P(RecalculationTest, AListReadBeforeAnotherRunAnswersAltBloq) {
    const Variant stale = Marked({Demo(5), Demo(8)});
    auto other = NewSession();
    TServerReply first =
        Confirm(Marked({Demo(8)}), "01", "OPERADOR", CataloguePacket(), other.get());
    ASSERT_TRUE(first.Ok()) << first.message;
    ASSERT_EQ(OpenRunPayload(first.payload).FirstKey(), "");
    const std::string posted = EntryNumber(Demo(8));
    TServerReply second = Confirm(stale);
    ASSERT_TRUE(second.Ok()) << second.message;
    EXPECT_EQ(OpenRunPayload(second.payload).FirstKey(), "ALT_BLOQ");
    EXPECT_EQ(EntryNumber(Demo(8)), posted);
    EXPECT_EQ(Accounted(Demo(5)), "N");
}

TEST_P(RecalculationTest, ChangedBoletosAnswerTheirKeys) {
    const std::pair<const char*, const char*> cases[] = {
        {server::kDemoBoletoDeleted, "BOL_ALT"},
        {server::kDemoBoletoAmount, "VRBOL_DIF"},
        {server::kDemoBoletoExtended, "CNT_PROR"},
        {server::kDemoBoletoPlanned, "CNT_PREV"},
    };
    for (const auto& [number, key] : cases) {
        TServerReply reply = Confirm(Marked({number}));
        ASSERT_TRUE(reply.Ok()) << reply.message;
        EXPECT_EQ(OpenRunPayload(reply.payload).FirstKey(), key) << number;
        EXPECT_EQ(Accounted(number), "N");
    }
    // Boletos that still match do not stop the run (demo write-off 17 pays one).
    TServerReply reply = Confirm(Marked({Demo(17)}));
    ASSERT_TRUE(reply.Ok()) << reply.message;
    EXPECT_EQ(OpenRunPayload(reply.payload).FirstKey(), "");
    EXPECT_EQ(Accounted(Demo(17)), "S");
}

TEST_P(RecalculationTest, TheFirstResultFollowsThePrecedenceOfTheKeys) {
    TServerReply reply = Confirm(Marked({server::kDemoBoletoAmount, server::kDemoHeldWriteOff}));
    ASSERT_TRUE(reply.Ok()) << reply.message;
    TRunReply run = OpenRunPayload(reply.payload);
    EXPECT_EQ(run.result->RecordCount(), 2);
    EXPECT_EQ(run.FirstKey(), "ALT_BLOQ");
    reply = Confirm(Marked({server::kDemoBoletoAmount, server::kDemoBoletoDeleted}));
    EXPECT_EQ(OpenRunPayload(reply.payload).FirstKey(), "BOL_ALT");
}

TEST_P(RecalculationTest, ACompanyWithoutStandardHistoryAnswersHistNc) {
    const Variant list =
        MarkRows(List("02"), [](const std::string&, const std::string&) { return true; });
    TServerReply reply = Confirm(list, "02");
    ASSERT_TRUE(reply.Ok()) << reply.message;
    TRunReply run = OpenRunPayload(reply.payload);
    EXPECT_EQ(run.FirstKey(), "Hist_Nc");
    EXPECT_EQ(run.result->FieldByName("CDRESULT")->AsString(), "HST");
    EXPECT_EQ(Count("SELECT COUNT(*) FROM BAIXAPAG WHERE CDEMPRESA = '02' AND IDCTBLBXPAG = 'S'"),
              0);
}

TEST_P(RecalculationTest, AccountingErrorsComeBackWithTheEntriesAndNothingIsPosted) {
    const std::int64_t counter = EntryCounter();
    TServerReply reply = Confirm(Marked({server::kDemoNoAccountWriteOff, Demo(5)}));
    ASSERT_TRUE(reply.Ok()) << reply.message;
    TRunReply run = OpenRunPayload(reply.payload);
    EXPECT_EQ(run.FirstKey(), "");
    ASSERT_EQ(run.errors->RecordCount(), 1);
    EXPECT_EQ(run.errors->FieldByName("CDERROTEMP")->AsString(), "001");
    // The error names the credit line of the bank account that has no accounting account.
    ASSERT_TRUE(
        run.entries->Locate("NRSEQCTBTEMP", run.errors->FieldByName("NRSEQCTBTEMP")->Value()));
    EXPECT_EQ(run.entries->FieldByName("CDCONTCTBL")->AsString(), "");
    EXPECT_LT(run.entries->FieldByName("VRLANCCTBTEMP")->AsFloat(), 0);
    EXPECT_EQ(run.entries->FieldByName("NMEMPRESA")->AsString(), "Comercial Boa Vista Ltda");
    EXPECT_EQ(run.entries->RecordCount(), 5);
    EXPECT_FALSE(run.apportionment->IsEmpty());
    EXPECT_EQ(Accounted(server::kDemoNoAccountWriteOff), "N");
    EXPECT_EQ(Accounted(Demo(5)), "N");
    EXPECT_EQ(EntryCounter(), counter);
    EXPECT_EQ(Text("SELECT DSERROCTB FROM ERROCTB WHERE CDERROCTB = '001'"),
              "Conta contábil não informada.");
}

TEST_P(RecalculationTest, ChartAndCostCentreProblemsAreErrorsOfTheirLines) {
    auto firstError = [&](const std::string& number) {
        TServerReply reply = Confirm(Marked({number}));
        EXPECT_TRUE(reply.Ok()) << reply.message;
        TRunReply run = OpenRunPayload(reply.payload);
        EXPECT_EQ(Accounted(number), "N");
        return run.errors->IsEmpty() ? std::string()
                                     : run.errors->FieldByName("CDERROTEMP")->AsString();
    };
    db_->Execute("UPDATE CONTCORR SET CDCONTCTBL = '1.1.1.02' WHERE CDREDUCONT = '001'");
    EXPECT_EQ(firstError(Demo(5)), "003"); // synthetic account
    db_->Execute("UPDATE CONTCORR SET CDCONTCTBL = '9.9.9' WHERE CDREDUCONT = '001'");
    EXPECT_EQ(firstError(Demo(5)), "002"); // not in the chart
    db_->Execute("UPDATE CONTCORR SET CDCONTCTBL = '1.1.1.02.001' WHERE CDREDUCONT = '001'");
    db_->Execute("UPDATE FILIAL SET CDCENTCUST = NULL WHERE CDFILIAL = '0001'");
    EXPECT_EQ(firstError(Demo(9)), "004"); // apportioned account, branch without cost centre
}

TEST_P(RecalculationTest, RunsThatCannotBeAcceptedGetAFailureReply) {
    const Variant list = Marked({Demo(5)});
    auto refused = [&](const TServerReply& reply, const std::string& expected) {
        EXPECT_FALSE(reply.Ok());
        EXPECT_THAT(reply.message, HasSubstr(expected));
    };
    refused(Confirm(list, "01", "CARLOS"), "não tem acesso à empresa");
    refused(Confirm(list, "01", "FULANO"), "Operador \"FULANO\" não cadastrado");
    refused(Confirm(list, "02"), "não pertence à empresa");
    refused(Confirm(list, "77"), "Empresa \"77\" não cadastrada");

    auto call = [&](std::vector<Variant> args) {
        return platform::UnpackServerReply(session_->Invoke("SetConfirmar", args));
    };
    std::vector<Variant> none;
    const Variant number = session_->Invoke("GetPrxLista", none);
    const std::vector<Variant> good = {
        list,   std::string("01"),    std::string("0001"), std::string("OPERADOR"),
        number, std::string("Pagto"), CataloguePacket()};
    std::vector<Variant> args = good;
    args[4] = std::string("9999999999");
    refused(call(args), "não foi fornecido pelo servidor");
    args = good;
    args[2] = std::string("9999");
    refused(call(args), "Filial \"9999\" não cadastrada");
    args = good;
    const std::string& bytes = list.AsBytes();
    args[0] = Variant::FromBytes(bytes.substr(0, bytes.size() / 2));
    refused(call(args), "argumento 1 (lista de baixas)");
    args = good;
    args[0] = CataloguePacket(); // a packet without the list's fields
    refused(call(args), "falta o campo CDFILIAL");
    args = good;
    args[0] = std::string("baixas");
    refused(call(args), "argumento 1");
    args = good;
    args[6] = Variant::FromBytes(std::string("\x93\x01\x02", 3));
    refused(call(args), "argumento 7 (mensagens)");
    args = good;
    args.pop_back();
    refused(call(args), "SetConfirmar");
    EXPECT_EQ(Accounted(Demo(5)), "N");
}

TEST_P(RecalculationTest, ARunWithoutMarkedRealWriteOffsSucceedsAndPostsNothing) {
    const std::int64_t entries = Count("SELECT COUNT(*) FROM LANCCTB");
    TServerReply reply = Confirm(Marked({Demo(6)})); // planned
    ASSERT_TRUE(reply.Ok()) << reply.message;
    TRunReply run = OpenRunPayload(reply.payload);
    EXPECT_EQ(run.FirstKey(), "");
    EXPECT_TRUE(run.entries->IsEmpty());
    EXPECT_TRUE(run.errors->IsEmpty());
    EXPECT_EQ(Count("SELECT COUNT(*) FROM LANCCTB"), entries);
}

TEST_P(RecalculationTest, TheListAfterARunIsReadAgainFromTheDatabase) {
    std::vector<Variant> none;
    TServerReply before = platform::UnpackServerReply(session_->Invoke("GetBaixaPag_Saida", none));
    EXPECT_FALSE(before.Ok());
    EXPECT_THAT(before.message, HasSubstr("nenhum recálculo"));

    const Variant list = Marked({Demo(5)});
    ASSERT_TRUE(Confirm(list).Ok());
    TServerReply after = platform::UnpackServerReply(session_->Invoke("GetBaixaPag_Saida", none));
    ASSERT_TRUE(after.Ok()) << after.message;
    EXPECT_EQ(Numbers(after.payload), Numbers(list));
    auto data = OpenPacket(after.payload);
    ASSERT_TRUE(data->Locate("NRBAIXAPAG", Variant(Demo(5))));
    EXPECT_EQ(data->FieldByName("IDCTBLBXPAG")->AsString(), "S");
    EXPECT_EQ(data->FieldByName("NRLCTBBPAG")->AsString(), EntryNumber(Demo(5)));
    EXPECT_EQ(data->FieldByName("IDMARCADO")->AsString(), "N");
    // Another session has its own list.
    auto other = NewSession();
    EXPECT_FALSE(platform::UnpackServerReply(other->Invoke("GetBaixaPag_Saida", none)).Ok());

    // The session's next run replaces its kept list.
    const std::string first = Text("SELECT MAX(NRLISTA) FROM LISTA");
    EXPECT_EQ(Count("SELECT COUNT(*) FROM LISTA WHERE NRLISTA = :N", {{"N", first}}), 40);
    ASSERT_TRUE(Confirm(Marked({Demo(8)})).Ok());
    EXPECT_EQ(Count("SELECT COUNT(*) FROM LISTA WHERE NRLISTA = :N", {{"N", first}}), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM LISTA WHERE NRLISTA > :N", {{"N", first}}), 40);
}

TEST_P(RecalculationTest, ListNumbersAreIssuedInOrderAsTenDigitTexts) {
    std::vector<Variant> none;
    const std::string a = session_->Invoke("GetPrxLista", none).AsString();
    const std::string b = NewSession()->Invoke("GetPrxLista", none).AsString();
    EXPECT_EQ(a.size(), 10u);
    EXPECT_EQ(std::stoll(b), std::stoll(a) + 1);
    std::vector<Variant> one = {1};
    EXPECT_THROW(session_->Invoke("GetPrxLista", one), platform::Exception);
    EXPECT_THROW(session_->Invoke("GetNada", none), platform::Exception);
}

// Every row of every table the server keeps, as text, per table in a fixed order: what a
// simulation must leave as it was.
std::string Dump(platform::TSqlConnection& db) {
    static const char* const tables[] = {
        "EMPRESA",       "FILIAL",      "OPERADOR",        "OPEREMPR",    "BAIXAPAG",
        "ITBAIXAPAG",    "BOLETPAGAR",  "CONTAPAGAR",      "LANCCTB",     "RATEIOCTB",
        "LISTA",         "NUMERADOR",   "BLOQDOCU",        "TOKENOPER",   "FECHACTB",
        "AUDITFECHACTB", "AUDITRECALC", "AUDITRECALCITEM", "HISTINTEGRA", "PLANOCONTA"};
    std::string dump;
    for (const char* table : tables) {
        auto cursor = db.OpenCursor(std::string("SELECT * FROM ") + table);
        std::vector<std::string> rows;
        while (cursor->Next()) {
            std::string row;
            for (int c = 0; c < cursor->ColumnCount(); ++c)
                row += (cursor->IsNull(c) ? std::string("<null>") : std::string(cursor->Text(c))) +
                       "|";
            rows.push_back(std::move(row));
        }
        std::sort(rows.begin(), rows.end());
        dump += std::string("== ") + table + "\n";
        for (const std::string& row : rows) dump += row + "\n";
    }
    return dump;
}

class OutcomesTest : public RecalculationTest {
protected:
    TServerReply Simulate(const Variant& list, const std::string& op = "OPERADOR") {
        std::vector<Variant> args = {list, std::string("01"),    std::string("0001"),
                                     op,   std::string("Pagto"), CataloguePacket()};
        return platform::UnpackServerReply(session_->Invoke("GetSimulacao", args));
    }
    // Every write-off of company 01, whatever its date, with the given numbers marked.
    Variant MarkedOfAnyDay(const std::function<bool(const std::string&)>& marked) {
        std::vector<Variant> args = OpenCriteria("01");
        TServerReply reply =
            platform::UnpackServerReply(session_->Invoke("GetBaixaPag_Filtro", args));
        EXPECT_TRUE(reply.Ok()) << reply.message;
        return MarkRows(reply.payload, [&](const std::string& branch, const std::string& number) {
            return branch == "0001" && marked(number);
        });
    }
    std::string Field(const TRunReply& run, const char* name) {
        run.result->First();
        return run.result->FieldByName(name)->AsString();
    }
};

TEST_P(OutcomesTest, ResultRowsNameTheirWriteOffAndTheBoletoOfAConflict) {
    TRunReply run =
        OpenRunPayload(Confirm(Marked({Demo(5), server::kDemoBoletoDeleted, Demo(20)})).payload);
    ASSERT_EQ(run.FirstKey(), "BOL_ALT");
    EXPECT_EQ(Field(run, "CDFILIAL"), "0001");
    EXPECT_EQ(Field(run, "NRBAIXAPAG"), server::kDemoBoletoDeleted);
    const platform::TSqlParams key = {{"N", std::string(server::kDemoBoletoDeleted)}};
    EXPECT_EQ(Field(run, "NRLANBOLPAG"),
              Text("SELECT NRLANBOLPAG FROM ITBAIXAPAG WHERE CDFILIAL = '0001' AND NRBAIXAPAG = :N",
                   key));
    EXPECT_EQ(Field(run, "NRDOCUMENTO"),
              Text("SELECT CP.NRDOCUMENTO FROM ITBAIXAPAG I JOIN CONTAPAGAR CP ON CP.CDFILIAL ="
                   " I.CDFILICTPAG AND CP.NRCTPAGAR = I.NRCTPAGAR WHERE I.CDFILIAL = '0001' AND"
                   " I.NRBAIXAPAG = :N",
                   key));
    EXPECT_EQ(Field(run, "NMRAZSOCFORN"),
              Text("SELECT F.NMRAZSOCFORN FROM ITBAIXAPAG I JOIN CONTAPAGAR CP ON CP.CDFILIAL ="
                   " I.CDFILICTPAG AND CP.NRCTPAGAR = I.NRCTPAGAR JOIN FORNECEDOR F ON"
                   " F.CDFORNECED = CP.CDFORNECED WHERE I.CDFILIAL = '0001' AND I.NRBAIXAPAG = :N",
                   key));
    EXPECT_FALSE(Field(run, "NRLANBOLPAG").empty());

    run = OpenRunPayload(Confirm(Marked({Demo(5), server::kDemoHeldWriteOff})).payload);
    ASSERT_EQ(run.FirstKey(), "ALT_BLOQ");
    EXPECT_EQ(Field(run, "NRBAIXAPAG"), server::kDemoHeldWriteOff);
    EXPECT_EQ(Field(run, "NRLANBOLPAG"), "");
    // A key about the company names no write-off.
    run = OpenRunPayload(
        Confirm(MarkRows(List("02"), [](const std::string&, const std::string&) { return true; }),
                "02")
            .payload);
    ASSERT_EQ(run.FirstKey(), "Hist_Nc");
    EXPECT_EQ(Field(run, "NRBAIXAPAG"), "");
}

TEST_P(OutcomesTest, ASimulationGivesTheRunsEntriesAndLeavesEveryTableAsItWas) {
    // Demo 1 is accounted already (its entries would be replaced), 5 and 8 are not.
    const Variant list = Marked({Demo(1), Demo(5), Demo(8)});
    const std::string before = Dump(*db_);
    TServerReply simulated = Simulate(list);
    ASSERT_TRUE(simulated.Ok()) << simulated.message;
    EXPECT_EQ(Dump(*db_), before);
    TRunReply simulation = OpenRunPayload(simulated.payload);
    EXPECT_EQ(simulation.FirstKey(), "");
    EXPECT_TRUE(simulation.errors->IsEmpty());
    ASSERT_GE(simulation.entries->RecordCount(), 6);

    // The run that follows makes exactly those entries, with the same numbers.
    TRunReply run = OpenRunPayload(Confirm(list).payload);
    ASSERT_EQ(run.entries->RecordCount(), simulation.entries->RecordCount());
    for (run.entries->First(), simulation.entries->First(); !run.entries->Eof();
         run.entries->Next(), simulation.entries->Next())
        for (const char* field : {"NRLANCCTBTEMP", "NRSEQCTBTEMP", "CDCONTCTBL", "VRLANCCTBTEMP",
                                  "CDLANCCTBCOME", "DSHISTCTB"})
            EXPECT_EQ(run.entries->FieldByName(field)->AsString(),
                      simulation.entries->FieldByName(field)->AsString())
                << field;
    EXPECT_EQ(run.apportionment->RecordCount(), simulation.apportionment->RecordCount());
}

TEST_P(OutcomesTest, ASimulationReportsKeysAndErrorsAndStillChangesNothing) {
    const std::string before = Dump(*db_);
    TServerReply errors = Simulate(Marked({server::kDemoNoAccountWriteOff, Demo(5)}));
    ASSERT_TRUE(errors.Ok()) << errors.message;
    EXPECT_FALSE(OpenRunPayload(errors.payload).errors->IsEmpty());
    TServerReply held = Simulate(Marked({server::kDemoHeldWriteOff}));
    ASSERT_TRUE(held.Ok()) << held.message;
    EXPECT_EQ(OpenRunPayload(held.payload).FirstKey(), "ALT_BLOQ");
    // Another operator's name in the arguments is refused, as in a run.
    TServerReply other = Simulate(Marked({Demo(5)}), server::kDemoHeldBy);
    EXPECT_FALSE(other.Ok());
    EXPECT_THAT(other.message, HasSubstr("não é o operador desta sessão"));
    std::vector<Variant> short_ = {Marked({Demo(5)}), std::string("01")};
    EXPECT_FALSE(platform::UnpackServerReply(session_->Invoke("GetSimulacao", short_)).Ok());
    EXPECT_EQ(Dump(*db_), before);
}

TEST_P(OutcomesTest, WriteOffsPaidInAClosedPeriodAreRefusedAndNothingIsPosted) {
    const platform::TDateTime closed = today_ - server::kDemoClosedDays;
    ASSERT_EQ(server::ClosedUntil(*db_, "01").value_or(0), closed);
    const std::string day = platform::FormatDateTime("dd/mm/yyyy", closed);
    // One closed write-off among open ones.
    const auto one = [](const std::string& n) {
        return n == server::kDemoClosedWriteOff || n == Demo(5);
    };
    const std::int64_t counter = EntryCounter();
    const std::string before = Dump(*db_);
    TServerReply simulated = Simulate(MarkedOfAnyDay(one));
    EXPECT_FALSE(simulated.Ok());
    EXPECT_EQ(simulated.message, "Período contábil fechado até " + day + ". Baixas: 0001/" +
                                     server::kDemoClosedWriteOff + ".");
    EXPECT_EQ(Dump(*db_), before);
    TServerReply refused = Confirm(MarkedOfAnyDay(one));
    EXPECT_FALSE(refused.Ok());
    EXPECT_THAT(refused.message, HasSubstr("Período contábil fechado até " + day +
                                           ". Baixas: 0001/" + server::kDemoClosedWriteOff + "."));
    EXPECT_EQ(Accounted(Demo(5)), "N");
    EXPECT_EQ(EntryCounter(), counter);

    // Many: ten named in key order, then how many more.
    TServerReply many = Confirm(MarkedOfAnyDay([](const std::string&) { return true; }));
    ASSERT_FALSE(many.Ok());
    const std::int64_t closedCount =
        Count("SELECT COUNT(*) FROM BAIXAPAG WHERE CDEMPRESA = '01' AND CDFILIAL = '0001' AND"
              " IDSTATUSBPAG = 'E' AND DTBAIXAPAG <= :D",
              {{"D", Variant::FromDate(closed)}});
    ASSERT_GT(closedCount, 10);
    EXPECT_THAT(many.message, HasSubstr("e mais " + std::to_string(closedCount - 10) + "."));
    EXPECT_EQ(std::count(many.message.begin(), many.message.end(), '/'), 12); // 10 + the date

    // Moved back before the write-off's day, the same list is accepted; both moves recorded.
    const std::string entry = EntryNumber(server::kDemoClosedWriteOff);
    server::SetClosedUntil(*db_, "01", closed - 30, "teste");
    TServerReply accepted = Confirm(MarkedOfAnyDay(one));
    ASSERT_TRUE(accepted.Ok()) << accepted.message;
    EXPECT_NE(EntryNumber(server::kDemoClosedWriteOff), entry);
    server::SetClosedUntil(*db_, "01", closed, "teste");
    EXPECT_EQ(Count("SELECT COUNT(*) FROM AUDITFECHACTB WHERE CDEMPRESA = '01' AND DSUSUARIO ="
                    " 'teste'"),
              2);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM AUDITFECHACTB WHERE DTANTERIOR = :A",
                    {{"A", Variant::FromDate(closed - 30)}}),
              1);
    EXPECT_ANY_THROW(server::SetClosedUntil(*db_, "99", closed, "teste"));
    EXPECT_ANY_THROW(db_->Execute("DELETE FROM AUDITFECHACTB"));
}

INSTANTIATE_TEST_SUITE_P(Backends, OutcomesTest,
                         ::testing::Values(TBackend::SQLite, TBackend::PostgreSQL),
                         TBackendParamName());

INSTANTIATE_TEST_SUITE_P(Backends, RecalculationTest,
                         ::testing::Values(TBackend::SQLite, TBackend::PostgreSQL),
                         TBackendParamName());

} // namespace
