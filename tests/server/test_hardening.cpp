// Hostile input at the server's boundary, clean failure replies with the log behind them, and a
// PostgreSQL restart under a running server.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "backendtest.h"
#include "platform/calldeadline.h"
#include "platform/calllog.h"
#include "platform/datetime.h"
#include "platform/netconnection.h"
#include "platform/serverreply.h"
#include "server/pagserver.h"
#include "server/rdmreccontbaixapag.h"
#include "server/schema.h"
#include "server/seed.h"
#include "servertestkit.h"
#include "testdatabase.h"

using namespace servertest;
using namespace std::chrono_literals;
using platform::TRpcArg;
using platform::TServerReply;
using platform::Variant;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

// Collects the server's log lines for the life of the object.
class TLogCapture {
public:
    TLogCapture() {
        platform::SetLogSink([this](const std::string& line) {
            std::lock_guard lock(mutex_);
            lines_.push_back(line);
        });
    }
    ~TLogCapture() { platform::SetLogSink({}); }
    std::vector<std::string> Lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    /// The lines that hold `text`.
    std::vector<std::string> With(const std::string& text) const {
        std::vector<std::string> found;
        for (const std::string& line : Lines())
            if (line.find(text) != std::string::npos) found.push_back(line);
        return found;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

// What no failure reply may carry: statements, database addresses, file paths, driver texts.
void ExpectNothingInternal(const std::string& message, const std::string& databaseUrl) {
    for (const char* word : {"SELECT", "INSERT", "UPDATE ", "DELETE", " FROM ",
                             "sqlite:", "postgresql:", "/tmp", "no such", "ERROR:", "SQL"})
        EXPECT_THAT(message, Not(HasSubstr(word))) << message;
    EXPECT_THAT(message, Not(HasSubstr(databaseUrl)));
}

class HardeningTest : public TBackendTest {
protected:
    void StartServer(std::size_t maxMarked = server::kDefaultMaxMarked) {
        server::TServerOptions options;
        options.databaseUrl = database_->Url();
        options.port = 0;
        options.threads = 4;
        options.run.maxMarked = maxMarked;
        server_ = std::make_unique<server::TPagServer>(options);
        port_ = server_->Start();
    }
    std::unique_ptr<platform::TNetConnection> Connect() const {
        return Connection(server::TRdmRecContBaixaPag::kName, port_);
    }
    Variant LoadList(platform::TNetConnection& net) const {
        std::vector<TRpcArg> args;
        for (const Variant& v : DefaultCriteria("01", today_)) args.emplace_back(v);
        TServerReply list = platform::UnpackServerReply(net.Call("GetBaixaPag_Filtro", args));
        if (!list.Ok()) throw platform::Exception(list.message);
        return list.payload;
    }
    static Variant MarkAll(const Variant& list) {
        return MarkRows(list, [](const std::string&, const std::string&) { return true; });
    }
    // SetConfirmar with the screen's arguments but those given.
    TServerReply Confirm(platform::TNetConnection& net, const Variant& list,
                         const std::string& paymentText, const std::string& company = "01",
                         const Variant& catalogue = CataloguePacket()) const {
        std::string number = net.Call("GetPrxLista").AsString();
        return platform::UnpackServerReply(net.Call(
            "SetConfirmar", {TRpcArg(list), TRpcArg(company), TRpcArg("0001"), TRpcArg("OPERADOR"),
                             TRpcArg::Ref(number), TRpcArg(paymentText), TRpcArg(catalogue)}));
    }
    std::int64_t PostedEntries() const {
        return db_->SelectValue("SELECT COUNT(*) FROM LANCCTB").AsInteger();
    }

    std::unique_ptr<server::TPagServer> server_;
    int port_ = 0;
};

TEST_P(HardeningTest, BadBytesInTheTextArgumentsAreRefusedNamingThemAndNothingIsPosted) {
    StartServer();
    auto net = Connect();
    const Variant list =
        MarkRows(LoadList(*net), [](const std::string& branch, const std::string& n) {
            return branch == "0001" && n == "0000000005";
        });
    const std::int64_t before = PostedEntries();
    const struct {
        std::string text;
        const char* why;
    } payments[] = {
        {std::string("Pag\0to", 6), "NUL"},
        {"Pag\xc3to", "invalid UTF-8"},
        {"Pag\xed\xa0\x80to", "surrogate"},
        {"Pagto\r\nInjetado", "CR LF"},
        {"Pagto\x1b[31m", "ESC"},
        {"Pagto\tPago", "tab"},
        {std::string(201, 'x'), "over the width of DSHISTCTB"},
    };
    for (const auto& p : payments) {
        const TServerReply reply = Confirm(*net, list, p.text);
        EXPECT_FALSE(reply.Ok()) << p.why;
        EXPECT_THAT(reply.message, HasSubstr("SetConfirmar: o argumento 6 (texto de pagamento)"))
            << p.why;
        ExpectNothingInternal(reply.message, database_->Url());
    }
    TServerReply reply = Confirm(*net, list, "Pagto", "0\x01");
    EXPECT_THAT(reply.message, HasSubstr("argumento 2 (empresa)"));
    reply = Confirm(*net, list, "Pagto", "010");
    EXPECT_THAT(reply.message, HasSubstr("argumento 2 (empresa) é inválido: mais de 2"));

    EXPECT_EQ(PostedEntries(), before);
    EXPECT_EQ(platform::VarToStr(db_->SelectValue(
                  "SELECT IDCTBLBXPAG FROM BAIXAPAG WHERE NRBAIXAPAG = '0000000005'")),
              "N");

    // The longest payment text the ledger holds, multi-byte characters counted as one, posts.
    reply = Confirm(
        *net, list, std::string(100, 'a') + std::string(50, 'c') + [] {
            std::string accents;
            for (int i = 0; i < 50; ++i) accents += "ç";
            return accents;
        }());
    ASSERT_TRUE(reply.Ok()) << reply.message;
    EXPECT_GT(PostedEntries(), before);
}

TEST_P(HardeningTest, TheCatalogueKeepsItsTabsButRefusesOtherControlCharacters) {
    StartServer();
    auto net = Connect();
    const Variant list =
        MarkRows(LoadList(*net), [](const std::string& branch, const std::string& n) {
            return branch == "0001" && n == "0000000005";
        });
    // The screen's catalogue carries a tab in its texts: it is served as today.
    TServerReply reply = Confirm(*net, list, "Pagto");
    ASSERT_TRUE(reply.Ok()) << reply.message;

    auto catalogue = OpenPacket(CataloguePacket());
    catalogue->First();
    catalogue->Edit();
    catalogue->FieldByName("DSMESSAGE")->SetAsString("linha\nquebrada");
    catalogue->Post();
    const std::int64_t before = PostedEntries();
    reply = Confirm(*net,
                    MarkRows(LoadList(*net),
                             [](const std::string& b, const std::string& n) {
                                 return b == "0001" && n == "0000000008";
                             }),
                    "Pagto", "01", catalogue->Data());
    EXPECT_FALSE(reply.Ok());
    EXPECT_THAT(reply.message, HasSubstr("argumento 7 (mensagens)"));
    EXPECT_THAT(reply.message, HasSubstr("DSMESSAGE da linha 1"));
    EXPECT_EQ(PostedEntries(), before);
}

TEST_P(HardeningTest, AMarkedSetOverTheLimitIsRefused) {
    StartServer(3);
    auto net = Connect();
    const std::int64_t before = PostedEntries();
    const TServerReply reply = Confirm(*net, MarkAll(LoadList(*net)), "Pagto");
    EXPECT_FALSE(reply.Ok());
    EXPECT_THAT(reply.message, HasSubstr("argumento 1 (lista de baixas)"));
    EXPECT_THAT(reply.message, HasSubstr("até 3 por recálculo"));
    EXPECT_EQ(PostedEntries(), before);
}

TEST_P(HardeningTest, AHugePaymentTextOverTenThousandMarkedRowsIsRefusedAtOnce) {
    server::SeedBulk(*db_, 10'000, today_);
    StartServer();
    auto net = Connect();
    std::vector<TRpcArg> criteria;
    std::vector<Variant> open = OpenCriteria("01");
    for (const Variant& v : open) criteria.emplace_back(v);
    TServerReply listed = platform::UnpackServerReply(net->Call("GetBaixaPag_Filtro", criteria));
    ASSERT_TRUE(listed.Ok()) << listed.message;
    const Variant list = MarkAll(listed.payload);
    ASSERT_GE(OpenPacket(list)->RecordCount(), 10'000);
    std::string number = net->Call("GetPrxLista").AsString();
    const std::string huge(31u << 20, 'P');
    const std::int64_t before = PostedEntries();

    std::atomic<bool> done{false};
    std::atomic<int> served{0}, failed{0};
    std::thread other([&] {
        auto second = Connect();
        while (!done) {
            try {
                if (second->Call("GetPrxLista").AsString().size() == 10)
                    ++served;
                else
                    ++failed;
            } catch (const platform::Exception&) { ++failed; }
        }
    });
    const auto started = std::chrono::steady_clock::now();
    const TServerReply reply = platform::UnpackServerReply(net->Call(
        "SetConfirmar", {TRpcArg(list), TRpcArg("01"), TRpcArg("0001"), TRpcArg("OPERADOR"),
                         TRpcArg::Ref(number), TRpcArg(huge), TRpcArg(CataloguePacket())}));
    const auto took = std::chrono::steady_clock::now() - started;
    std::this_thread::sleep_for(20ms);
    done = true;
    other.join();
    EXPECT_FALSE(reply.Ok());
    EXPECT_THAT(reply.message,
                HasSubstr("argumento 6 (texto de pagamento) é inválido: mais de 200"));
    // Refused before any work on the rows: well under a second on a quiet machine; the bound
    // leaves room for a loaded or sanitized run, against minutes when the text was copied.
    EXPECT_LT(took, 10s);
    EXPECT_GT(served.load(), 0);
    EXPECT_EQ(failed.load(), 0);
    EXPECT_EQ(PostedEntries(), before);
}

TEST_P(HardeningTest, ADatabaseFailureReachesTheLogAndTheClientGetsOnlyItsId) {
    StartServer();
    TLogCapture log;
    auto net = Connect();
    const Variant list =
        MarkRows(LoadList(*net), [](const std::string& branch, const std::string& n) {
            return branch == "0001" && n == "0000000005";
        });
    std::string number = net->Call("GetPrxLista").AsString();
    db_->Execute("DROP TABLE LISTA"); // the run's last statements now fail inside the database
    const TServerReply reply = platform::UnpackServerReply(net->Call(
        "SetConfirmar", {TRpcArg(list), TRpcArg("01"), TRpcArg("0001"), TRpcArg("OPERADOR"),
                         TRpcArg::Ref(number), TRpcArg("Pagto"), TRpcArg(CataloguePacket())}));
    ASSERT_FALSE(reply.Ok());
    EXPECT_THAT(reply.message, HasSubstr("SetConfirmar: falha interna do servidor de aplicação"));
    ExpectNothingInternal(reply.message, database_->Url());
    const std::size_t at = reply.message.find("ocorrência ");
    ASSERT_NE(at, std::string::npos);
    const std::string id = reply.message.substr(at + 12, 12);

    const std::vector<std::string> incident = log.With("incident=" + id);
    ASSERT_EQ(incident.size(), 2u); // the details, and the call's line
    EXPECT_THAT(incident[0], HasSubstr("event=incident"));
    EXPECT_THAT(incident[0], HasSubstr("LISTA")); // the database's own words stay in the log
    EXPECT_THAT(incident[1], HasSubstr("event=call"));
    EXPECT_THAT(incident[1], HasSubstr("outcome=internal"));
    EXPECT_EQ(platform::VarToStr(db_->SelectValue(
                  "SELECT IDCTBLBXPAG FROM BAIXAPAG WHERE NRBAIXAPAG = '0000000005'")),
              "N");

    // A call outside the reply convention fails the same way at the transport.
    db_->Execute("DROP TABLE NUMERADOR");
    try {
        net->Call("GetPrxLista");
        ADD_FAILURE() << "GetPrxLista sem NUMERADOR respondeu";
    } catch (const platform::Exception& e) {
        EXPECT_THAT(e.Message(), HasSubstr("falha interna do servidor de aplicação"));
        ExpectNothingInternal(e.Message(), database_->Url());
    }
}

TEST_P(HardeningTest, EveryCallLeavesOneLineWithWhoWhatHowLongAndHowItEnded) {
    StartServer();
    auto net = Connect();
    // Logged in (and its token found good) before the log is captured.
    net->SetConnected(true);
    net->SetConnected(false);
    TLogCapture log;
    const Variant list = LoadList(*net);
    Confirm(*net, list, "Pagto\x01"); // refused
    const std::vector<std::string> calls = log.With("event=call");
    ASSERT_EQ(calls.size(), 4u); // __connect, GetBaixaPag_Filtro, GetPrxLista, SetConfirmar
    EXPECT_THAT(calls[1], HasSubstr("method=PAG00900.rdmRecContBaixaPag.GetBaixaPag_Filtro"));
    EXPECT_THAT(calls[1], HasSubstr("outcome=ok"));
    EXPECT_THAT(calls[3], HasSubstr("method=PAG00900.rdmRecContBaixaPag.SetConfirmar"));
    EXPECT_THAT(calls[3], HasSubstr("operator=OPERADOR"));
    EXPECT_THAT(calls[3], HasSubstr("outcome=failure"));
    for (const std::string& line : calls) {
        EXPECT_THAT(line, ::testing::StartsWith("time="));
        EXPECT_THAT(line, HasSubstr(" client=127.0.0.1:"));
        EXPECT_THAT(line, HasSubstr(" duration_ms="));
        EXPECT_THAT(line, Not(HasSubstr("\x01")));
    }
    // The session id is a credential: the log carries a prefix that is not the whole of it.
    const std::size_t at = calls[2].find(" session=");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(calls[2].find(' ', at + 1) - (at + 9), 8u);
}

INSTANTIATE_TEST_SUITE_P(Backends, HardeningTest,
                         ::testing::Values(TBackend::SQLite, TBackend::PostgreSQL),
                         TBackendParamName());

// A run held in its pause before the commit, as a slow run would be, under a call's deadline.
class RunDeadlineTest : public TBackendTest {
protected:
    void SetUp() override {
        TBackendTest::SetUp();
        if (IsSkipped()) return;
        pool_ = std::make_unique<server::TConnectionPool>(database_->Url());
        server::TRunOptions options;
        options.pauseBeforeCommit = std::chrono::milliseconds(3000);
        context_ =
            std::make_unique<server::TServerContext>(server::TServerContext{*pool_, options});
        session_ = std::make_unique<server::TRdmRecContBaixaPag>(
            *context_, platform::TSessionIdentity{"OPERADOR", "127.0.0.1", "prazo"});
    }

    // SetConfirmar of the screen's list with write-offs 5 and 9 (real, not accounted) marked.
    TServerReply Confirm() {
        std::vector<Variant> none;
        std::vector<Variant> filter = DefaultCriteria("01", today_);
        const TServerReply list =
            platform::UnpackServerReply(session_->Invoke("GetBaixaPag_Filtro", filter));
        EXPECT_TRUE(list.Ok()) << list.message;
        const Variant marked =
            MarkRows(list.payload, [](const std::string& b, const std::string& n) {
                return b == "0001" && (n == "0000000005" || n == "0000000009");
            });
        std::vector<Variant> args = {marked,
                                     std::string("01"),
                                     std::string("0001"),
                                     std::string("OPERADOR"),
                                     session_->Invoke("GetPrxLista", none),
                                     std::string("Pagto"),
                                     CataloguePacket()};
        return platform::UnpackServerReply(session_->Invoke("SetConfirmar", args));
    }

    // What a run changes: entries, apportionment, the write-offs' accounting and the counters.
    std::string Posted() const {
        std::string out;
        for (const char* sql :
             {"SELECT COUNT(*) FROM LANCCTB", "SELECT COUNT(*) FROM RATEIOCTB",
              "SELECT COUNT(*) FROM BAIXAPAG WHERE IDCTBLBXPAG = 'S'",
              "SELECT COUNT(*) FROM BAIXAPAG WHERE NRLCTBBPAG IS NOT NULL",
              "SELECT SUM(NRULTIMO) FROM NUMERADOR WHERE NMNUMERADOR = 'LANCCTB'"})
            out += platform::VarToStr(db_->SelectValue(sql)) + " ";
        return out;
    }

    std::unique_ptr<server::TConnectionPool> pool_;
    std::unique_ptr<server::TServerContext> context_;
    std::unique_ptr<server::TRdmRecContBaixaPag> session_;
};

TEST_P(RunDeadlineTest, ARunPastItsDeadlineOrCancelledByAStoppingServerPostsNothing) {
    const std::string before = Posted();
    using Clock = std::chrono::steady_clock;
    {
        const platform::TCallDeadline deadline(1000ms);
        const platform::TCallDeadlineScope scope(deadline);
        const auto start = Clock::now();
        const TServerReply reply = Confirm();
        const auto took = Clock::now() - start;
        EXPECT_FALSE(reply.Ok());
        EXPECT_EQ(reply.message, deadline.CancelMessage());
        EXPECT_LT(took, 2500ms) << "the pause of 3 s ended at the deadline";
    }
    EXPECT_EQ(Posted(), before);
    {
        platform::TCallDeadline deadline(std::chrono::minutes(10));
        const platform::TCallDeadlineScope scope(deadline);
        std::thread stopper([&] {
            std::this_thread::sleep_for(1000ms);
            deadline.Cancel();
        });
        const TServerReply reply = Confirm();
        stopper.join();
        EXPECT_FALSE(reply.Ok());
        EXPECT_THAT(reply.message, HasSubstr("sendo encerrado"));
    }
    EXPECT_EQ(Posted(), before);
    // The pooled connection goes on: the same run with time to spare posts.
    context_->runOptions.pauseBeforeCommit = std::chrono::milliseconds(0);
    const TServerReply posted = Confirm();
    ASSERT_TRUE(posted.Ok()) << posted.message;
    EXPECT_NE(Posted(), before);
}

INSTANTIATE_TEST_SUITE_P(Backends, RunDeadlineTest,
                         ::testing::Values(TBackend::SQLite, TBackend::PostgreSQL),
                         TBackendParamName());

TEST(PostgresRestart, AfterARestartUnderARunningServerEveryCallSucceeds) {
    // The restart cuts every connection to the cluster: it runs only where nothing else runs
    // beside it (the serial CTest entry sets PAG_TEST_PG_RESTART).
    const char* cluster = std::getenv("PAG_PG_CLUSTER_DIR");
    if (std::getenv("PAG_TEST_PG_RESTART") == nullptr)
        GTEST_SKIP() << "só na entrada serial pag_pg_restart (PAG_TEST_PG_RESTART)";
    if (!TTestDatabase::Available(TBackend::PostgreSQL) || cluster == nullptr)
        GTEST_SKIP() << "sem o cluster de teste (PAG_TEST_PG_URL, PAG_PG_CLUSTER_DIR)";
    TTestDatabase database(TBackend::PostgreSQL);
    const platform::TDateTime today = std::floor(platform::Date());
    {
        auto db = database.Connect();
        server::EnsureSchema(*db);
        server::SeedDemo(*db, today);
    }
    server::TServerOptions options;
    options.databaseUrl = database.Url();
    options.port = 0;
    options.threads = 4;
    server::TPagServer pagServer(options);
    const int port = pagServer.Start();

    // Four sessions calling at once leave several connections idle in the pool.
    std::vector<std::unique_ptr<platform::TNetConnection>> clients;
    for (int i = 0; i < 4; ++i) {
        clients.push_back(Connection(server::TRdmRecContBaixaPag::kName, port));
    }
    std::vector<std::thread> warm;
    for (auto& client : clients)
        warm.emplace_back([&] {
            for (int i = 0; i < 5; ++i) client->Call("GetPrxLista");
        });
    for (std::thread& t : warm) t.join();
    ASSERT_GE(pagServer.Pool().IdleCount(), 2u);

    const std::string restart = std::string(PAG_PG_CLUSTER_SCRIPT) + " restart '" + cluster + "'";
    ASSERT_EQ(std::system(restart.c_str()), 0);

    std::vector<TRpcArg> criteria;
    for (const Variant& v : DefaultCriteria("01", today)) criteria.emplace_back(v);
    int succeeded = 0;
    std::vector<std::string> failures;
    for (int call = 0; call < 40; ++call) {
        auto& client = *clients[static_cast<std::size_t>(call) % clients.size()];
        try {
            if (call % 2 == 0) {
                if (client.Call("GetPrxLista").AsString().size() == 10) ++succeeded;
            } else {
                const TServerReply reply =
                    platform::UnpackServerReply(client.Call("GetBaixaPag_Filtro", criteria));
                if (reply.Ok())
                    ++succeeded;
                else
                    failures.push_back(reply.message);
            }
        } catch (const platform::Exception& e) { failures.push_back(e.Message()); }
    }
    EXPECT_EQ(succeeded, 40) << (failures.empty() ? "" : failures.front());
}

} // namespace
