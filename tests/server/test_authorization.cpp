// pag-server's logins and its authorisation of every method against the session's operator,
// with the audit trail of the runs, through the network on SQLite and PostgreSQL.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <httplib.h>

#include <set>
#include <thread>

#include "backendtest.h"
#include "platform/netconnection.h"
#include "platform/rpcserver.h"
#include "platform/serverreply.h"
#include "platform/wire.h"
#include "server/audit.h"
#include "server/pagserver.h"
#include "server/passwords.h"
#include "servertestkit.h"

using namespace servertest;
using platform::TRpcArg;
using platform::TServerReply;
using platform::TWireReply;
using platform::Variant;
using ::testing::HasSubstr;

namespace {

constexpr const char* kObject = server::TRdmRecContBaixaPag::kName;

class AuthServerTest : public TBackendTest {
protected:
    // A raw request, for what TNetConnection never sends.
    static TWireReply Post(int port, const std::string& method, const std::string& session,
                           const std::string& token, const std::string& body = {}) {
        httplib::Client http("127.0.0.1", port);
        httplib::Headers headers;
        if (!session.empty()) headers.emplace(platform::kSessionHeader, session);
        if (!token.empty()) headers.emplace("Authorization", "Bearer " + token);
        auto res = http.Post("/" + std::string(kObject) + "/" + method, headers,
                             body.empty() ? platform::EncodeRequest({}) : body,
                             platform::kWireContentType);
        if (!res) throw platform::Exception("sem resposta do servidor");
        return platform::DecodeReply(res->body);
    }
    static std::string RawLogin(int port, const std::string& op) {
        const TWireReply reply =
            Post(port, "__login", "", "",
                 platform::EncodeRequest(
                     {{Variant(op), false}, {Variant(std::string(server::kDemoPassword)), false}}));
        EXPECT_EQ(reply.status, platform::TReplyStatus::Ok) << reply.message;
        return reply.result.AsString();
    }

    Variant LoadList(platform::TNetConnection& net, const std::string& company = "01") const {
        std::vector<TRpcArg> args;
        for (const Variant& v : DefaultCriteria(company, today_)) args.emplace_back(v);
        TServerReply list = platform::UnpackServerReply(net.Call("GetBaixaPag_Filtro", args));
        if (!list.Ok()) throw platform::Exception(list.message);
        return list.payload;
    }
    static Variant Marked(const Variant& list, const std::set<std::string>& numbers) {
        return MarkRows(list, [&](const std::string& branch, const std::string& number) {
            return branch == "0001" && numbers.count(number) > 0;
        });
    }
    // SetConfirmar as the screen sends it, with the given operator, branch and list number
    // (empty: a new one from GetPrxLista of `net`).
    static TServerReply Confirm(platform::TNetConnection& net, const Variant& list,
                                const std::string& op = "OPERADOR",
                                const std::string& branch = "0001", std::string number = {}) {
        if (number.empty()) number = net.Call("GetPrxLista").AsString();
        return platform::UnpackServerReply(net.Call(
            "SetConfirmar", {TRpcArg(list), TRpcArg("01"), TRpcArg(branch), TRpcArg(op),
                             TRpcArg::Ref(number), TRpcArg("Pagto"), TRpcArg(CataloguePacket())}));
    }
    std::int64_t Posted() const {
        return db_->SelectValue("SELECT COUNT(*) FROM LANCCTB").AsInteger() +
               db_->SelectValue("SELECT COUNT(*) FROM BAIXAPAG WHERE IDCTBLBXPAG = 'S'")
                   .AsInteger();
    }
    std::string Accounted(const std::string& number) const {
        return platform::VarToStr(
            db_->SelectValue("SELECT IDCTBLBXPAG FROM BAIXAPAG WHERE CDFILIAL = '0001' AND "
                             "NRBAIXAPAG = :N",
                             {{"N", number}}));
    }
};

TEST_P(AuthServerTest, OnlyALiveTokenOfTheSessionsOwnerGetsAnythingRun) {
    platform::TDateTime now = server::UtcNow();
    server::TServerOptions options;
    options.tokenCacheTime = std::chrono::milliseconds(0);
    options.tokens.clock = [&now] { return now; };
    auto pag = StartServer(options);
    const int port = pag->Port();
    const std::int64_t lists = db_->SelectValue("SELECT NRULTIMO FROM NUMERADOR WHERE "
                                                "NMNUMERADOR = 'LISTA'")
                                   .AsInteger();

    // Anonymous, and with a token never issued: refused, at connect and at a call.
    platform::TNetConnection anonymous;
    anonymous.SetServerName(kObject);
    anonymous.SetPort(port);
    EXPECT_THROW(anonymous.Call("GetPrxLista"), platform::ENotAuthenticated);
    anonymous.SetToken(std::string(43, 'A'));
    EXPECT_THROW(anonymous.Call("GetPrxLista"), platform::ENotAuthenticated);
    EXPECT_EQ(Post(port, "__connect", "", "").status, platform::TReplyStatus::NotAuthenticated);

    // A wrong password is the login service's refusal.
    try {
        anonymous.Login("OPERADOR", "errada");
        ADD_FAILURE() << "senha errada aceita";
    } catch (const platform::EServerError& e) { EXPECT_EQ(e.Message(), server::kLoginFailed); }

    // The session id without its token, or with another operator's live one: refused, and
    // the session stays its owner's.
    const std::string token = RawLogin(port, "OPERADOR");
    const std::string maria = RawLogin(port, "MARIA");
    const TWireReply connected = Post(port, "__connect", "", token);
    ASSERT_EQ(connected.status, platform::TReplyStatus::Ok) << connected.message;
    const std::string session = connected.result.AsString();
    EXPECT_EQ(Post(port, "GetPrxLista", session, "").status,
              platform::TReplyStatus::NotAuthenticated);
    EXPECT_EQ(Post(port, "GetPrxLista", session, maria).status,
              platform::TReplyStatus::NotAuthenticated);
    EXPECT_EQ(Post(port, "__disconnect", session, maria).status,
              platform::TReplyStatus::NotAuthenticated);
    EXPECT_EQ(
        db_->SelectValue("SELECT NRULTIMO FROM NUMERADOR WHERE NMNUMERADOR = 'LISTA'").AsInteger(),
        lists); // nothing ran
    EXPECT_EQ(Post(port, "GetPrxLista", session, token).status, platform::TReplyStatus::Ok);

    // Idle past the token's idle lifetime: refused.
    platform::TNetConnection net;
    net.SetServerName(kObject);
    net.SetPort(port);
    net.SetToken(token);
    EXPECT_EQ(net.Call("GetPrxLista").AsString().size(), 10u);
    now += 9.0 / 24; // 9 hours
    EXPECT_THROW(net.Call("GetPrxLista"), platform::ENotAuthenticated);
    EXPECT_EQ(Post(port, "GetPrxLista", session, token).status,
              platform::TReplyStatus::NotAuthenticated);

    // Logged out: the token and its sessions are gone, on this connection and any other.
    platform::TNetConnection again;
    again.SetServerName(kObject);
    again.SetPort(port);
    const std::string fresh = again.Login("OPERADOR", server::kDemoPassword);
    EXPECT_EQ(again.Call("GetPrxLista").AsString().size(), 10u);
    platform::TNetConnection other;
    other.SetServerName(kObject);
    other.SetPort(port);
    other.SetToken(fresh);
    EXPECT_EQ(other.Call("GetPrxLista").AsString().size(), 10u);
    const std::size_t sessions = pag->SessionCount();
    again.Logout(); // its own session, then the other one of its token
    EXPECT_EQ(pag->SessionCount(), sessions - 2);
    EXPECT_THROW(other.Call("GetPrxLista"), platform::ENotAuthenticated);

    // OnAuthenticate logs in again, once, and the call goes through.
    int asked = 0;
    other.OnAuthenticate = [&] {
        ++asked;
        platform::TNetConnection login;
        login.SetServerName(kObject);
        login.SetPort(port);
        return login.Login("OPERADOR", server::kDemoPassword);
    };
    EXPECT_EQ(other.Call("GetPrxLista").AsString().size(), 10u);
    EXPECT_EQ(asked, 1);
}

TEST_P(AuthServerTest, ATokenIsAcceptedByAnotherServerOnTheSameDatabase) {
    auto first = StartServer();
    auto second = StartServer();
    platform::TNetConnection net;
    net.SetServerName(kObject);
    net.SetPort(first->Port());
    const std::string token = net.Login("MARIA", server::kDemoPassword);
    platform::TNetConnection elsewhere;
    elsewhere.SetServerName(kObject);
    elsewhere.SetPort(second->Port());
    elsewhere.SetToken(token);
    EXPECT_EQ(elsewhere.Call("GetPrxLista").AsString().size(), 10u);
    // Revoked through the first server, it dies on the second once its cached check expires.
    net.Logout();
    std::this_thread::sleep_for(second->Options().tokenCacheTime + std::chrono::milliseconds(100));
    EXPECT_THROW(elsewhere.Call("GetPrxLista"), platform::ENotAuthenticated);
}

TEST_P(AuthServerTest, EveryMethodActsForTheSessionsOperatorAndRefusalsPostNothing) {
    auto pag = StartServer();
    auto net = Connection(kObject, pag->Port());
    auto second = Connection(kObject, pag->Port());
    const Variant list = LoadList(*net);
    const std::int64_t before = Posted();
    const auto refused = [&](const TServerReply& reply, const std::string& text) {
        EXPECT_FALSE(reply.Ok());
        EXPECT_THAT(reply.message, HasSubstr(text));
        EXPECT_EQ(Posted(), before);
    };

    // Company 03 is not OPERADOR's: its list is refused (and 01 stays readable).
    try {
        LoadList(*net, "03");
        ADD_FAILURE() << "empresa 03 lida por OPERADOR";
    } catch (const platform::Exception& e) {
        EXPECT_THAT(e.Message(), HasSubstr("não tem acesso à empresa \"03\""));
    }
    const Variant five = Marked(list, {"0000000005"});
    // Another operator named in the arguments; MARIA named to pass her own hold.
    refused(Confirm(*net, five, "CARLOS"), "não é o operador desta sessão");
    refused(Confirm(*net, Marked(list, {server::kDemoHeldWriteOff}), server::kDemoHeldBy),
            "não é o operador desta sessão");
    // A branch of a company the operator may not use.
    refused(Confirm(*net, five, "OPERADOR", "0301"), "A filial \"0301\" é de uma empresa");
    // A list number of another session, and one this session never got.
    refused(Confirm(*net, five, "OPERADOR", "0001", second->Call("GetPrxLista").AsString()),
            "não foi fornecido pelo servidor a esta sessão");
    // Held by MARIA: the run as OPERADOR answers ALT_BLOQ and posts nothing.
    const TServerReply held = Confirm(*net, Marked(list, {server::kDemoHeldWriteOff}));
    ASSERT_TRUE(held.Ok()) << held.message;
    EXPECT_EQ(OpenRunPayload(held.payload).FirstKey(), "ALT_BLOQ");
    EXPECT_EQ(Posted(), before);

    // A good run posts once; its list number is not accepted a second time.
    std::string number = net->Call("GetPrxLista").AsString();
    const TServerReply good = Confirm(*net, five, "OPERADOR", "0001", number);
    ASSERT_TRUE(good.Ok()) << good.message;
    EXPECT_EQ(Accounted("0000000005"), "S");
    const std::int64_t afterGood = Posted();
    const TServerReply reused =
        Confirm(*net, Marked(LoadList(*net), {"0000000008"}), "OPERADOR", "0001", number);
    EXPECT_FALSE(reused.Ok());
    EXPECT_THAT(reused.message, HasSubstr("já foi usado"));
    EXPECT_EQ(Accounted("0000000008"), "N");
    EXPECT_EQ(Posted(), afterGood);

    // The session's own posted list comes back; another session's does not.
    TServerReply own = platform::UnpackServerReply(net->Call("GetBaixaPag_Saida"));
    ASSERT_TRUE(own.Ok()) << own.message;
    EXPECT_FALSE(platform::UnpackServerReply(second->Call("GetBaixaPag_Saida")).Ok());

    // The audit trail: the committed run with its write-off, the refused ones with reasons.
    const auto lines = server::ReadAudit(*db_, {});
    std::multiset<char> outcomes;
    bool committedFive = false;
    std::set<std::string> reasons;
    for (const server::TAuditLine& line : lines) {
        outcomes.insert(line.outcome);
        reasons.insert(line.reason);
        EXPECT_EQ(line.operatorCode, "OPERADOR");
        EXPECT_EQ(line.clientAddress, "127.0.0.1");
        EXPECT_EQ(line.session.size(), 8u);
        if (line.outcome == 'C' && line.writeOffNumber == "0000000005") {
            committedFive = true;
            EXPECT_EQ(line.entryBefore, "");
            EXPECT_FALSE(line.entryAfter.empty());
        }
    }
    EXPECT_TRUE(committedFive);
    EXPECT_EQ(outcomes.count('C'), 1u);
    EXPECT_EQ(outcomes.count('R'), 6u); // CARLOS, MARIA, 0301, foreign list, ALT_BLOQ, reused
    EXPECT_EQ(reasons.count("ALT_BLOQ"), 1u);
}

TEST_P(AuthServerTest, ARunStoppedByItsDeadlineIsAuditedAsStopped) {
    server::TServerOptions options;
    options.callTimeout = std::chrono::milliseconds(400);
    options.run.pauseBeforeCommit = std::chrono::milliseconds(1200);
    auto pag = StartServer(options);
    auto net = Connection(kObject, pag->Port());
    const std::int64_t before = Posted();
    const TServerReply reply = Confirm(*net, Marked(LoadList(*net), {"0000000005"}));
    EXPECT_FALSE(reply.Ok());
    EXPECT_EQ(Posted(), before);
    const auto lines = server::ReadAudit(*db_, {});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].outcome, 'I');
    EXPECT_FALSE(lines[0].reason.empty());
    EXPECT_EQ(lines[0].writeOffNumber, ""); // rolled back with the run: no write-off kept
}

INSTANTIATE_TEST_SUITE_P(Backends, AuthServerTest,
                         ::testing::Values(TBackend::SQLite, TBackend::PostgreSQL),
                         TBackendParamName());

} // namespace
