// The server over the network: the screen's calls through the client connection, by-reference
// arguments, failures, list numbers unique across sessions and servers, and a session served
// by any server on its database.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <httplib.h>
#include <set>
#include <thread>

#include "backendtest.h"
#include "platform/datetime.h"
#include "platform/netconnection.h"
#include "platform/serverreply.h"
#include "platform/wire.h"
#include "server/pagserver.h"
#include "server/seed.h"
#include "servertestkit.h"
#include "testdatabase.h"

using namespace servertest;
using platform::TRpcArg;
using platform::Variant;
using ::testing::HasSubstr;

namespace {

class ServerRpcTest : public TBackendTest {
protected:
    void SetUp() override {
        TBackendTest::SetUp();
        if (IsSkipped()) return;
        server_ = StartServer();
    }

    std::unique_ptr<platform::TNetConnection> Connect(server::TPagServer& to) {
        return Connection(server::TRdmRecContBaixaPag::kName, to.Port());
    }

    std::unique_ptr<server::TPagServer> server_;
};

TEST_P(ServerRpcTest, TheFilterDialogsCallKeepsItsListsAndLoadsTheList) {
    auto net = Connect(*server_);
    std::string suppliers = "'000001','000002','000003','000004','000005','000006','000007',"
                            "'000008','000009','000010'";
    std::string origin, posting, types = "'01','02','03','04','05'", accounts, payableTypes;
    std::string operators = "'OPERADOR','MARIA','JOAO'";
    std::string status = "T";
    const std::string sentSuppliers = suppliers;
    const Variant reply = net->Call("GetBaixaPag_Filtro", {TRpcArg("01"),
                                                           TRpcArg::Ref(suppliers),
                                                           TRpcArg(""),
                                                           TRpcArg(""),
                                                           TRpcArg::Ref(origin),
                                                           TRpcArg::Ref(posting),
                                                           TRpcArg(Variant::FromDate(today_)),
                                                           TRpcArg(Variant::FromDate(today_)),
                                                           TRpcArg::Ref(types),
                                                           TRpcArg::Ref(accounts),
                                                           TRpcArg(0.0),
                                                           TRpcArg(0.0),
                                                           TRpcArg(0.0),
                                                           TRpcArg(0.0),
                                                           TRpcArg::Ref(payableTypes),
                                                           TRpcArg(0.0),
                                                           TRpcArg(0.0),
                                                           TRpcArg(0.0),
                                                           TRpcArg(0.0),
                                                           TRpcArg::Ref(operators),
                                                           TRpcArg(0.0),
                                                           TRpcArg(0.0),
                                                           TRpcArg::Ref(status)});
    platform::TServerReply unpacked = platform::UnpackServerReply(reply);
    ASSERT_TRUE(unpacked.Ok()) << unpacked.message;
    EXPECT_EQ(OpenPacket(unpacked.payload)->RecordCount(), 40);
    EXPECT_EQ(suppliers, sentSuppliers);
    EXPECT_EQ(types, "'01','02','03','04','05'");
    EXPECT_EQ(operators, "'OPERADOR','MARIA','JOAO'");
    EXPECT_EQ(status, "T");
}

TEST_P(ServerRpcTest, ARunThroughTheConnectionPostsAndTheListComesBack) {
    auto net = Connect(*server_);
    std::vector<TRpcArg> criteria;
    for (const Variant& v : DefaultCriteria("01", today_)) criteria.emplace_back(v);
    platform::TServerReply list =
        platform::UnpackServerReply(net->Call("GetBaixaPag_Filtro", criteria));
    ASSERT_TRUE(list.Ok()) << list.message;
    const Variant marked = MarkRows(list.payload, [](const std::string&, const std::string& n) {
        return n == "0000000005" || n == "0000000008";
    });
    std::string listNumber = net->Call("GetPrxLista").AsString();
    const std::string issued = listNumber;
    platform::TServerReply run = platform::UnpackServerReply(net->Call(
        "SetConfirmar", {TRpcArg(marked), TRpcArg("01"), TRpcArg("0001"), TRpcArg("OPERADOR"),
                         TRpcArg::Ref(listNumber), TRpcArg("Pagto"), TRpcArg(CataloguePacket())}));
    ASSERT_TRUE(run.Ok()) << run.message;
    EXPECT_EQ(listNumber, issued);
    TRunReply reply = OpenRunPayload(run.payload);
    EXPECT_EQ(reply.FirstKey(), "");
    EXPECT_TRUE(reply.errors->IsEmpty());
    EXPECT_EQ(reply.entries->RecordCount(), 5); // 5 pays two payables

    platform::TServerReply after = platform::UnpackServerReply(net->Call("GetBaixaPag_Saida"));
    ASSERT_TRUE(after.Ok()) << after.message;
    auto data = OpenPacket(after.payload);
    EXPECT_EQ(data->RecordCount(), 40);
    ASSERT_TRUE(data->Locate("NRBAIXAPAG", Variant("0000000008")));
    EXPECT_EQ(data->FieldByName("IDCTBLBXPAG")->AsString(), "S");
}

TEST_P(ServerRpcTest, BadCallsAreAnsweredAndTheServerGoesOn) {
    auto net = Connect(*server_);
    // Wrong kinds: a failure reply that the host's reply check shows.
    platform::TServerReply reply = platform::UnpackServerReply(
        net->Call("SetConfirmar", {TRpcArg(1), TRpcArg("01"), TRpcArg("0001"), TRpcArg("OPERADOR"),
                                   TRpcArg("1"), TRpcArg("Pagto"), TRpcArg(2)}));
    EXPECT_FALSE(reply.Ok());
    EXPECT_THAT(reply.message, HasSubstr("SetConfirmar"));
    EXPECT_THAT(reply.message, HasSubstr("argumento 1"));
    EXPECT_THROW(net->Call("GetBaixaPag_Tudo"), platform::EServerError);
    EXPECT_THROW(net->Call("GetPrxLista", {TRpcArg("x")}), platform::EServerError);
    // Method names are late-bound without regard to case.
    EXPECT_EQ(net->Call("getprxlista").AsString().size(), 10u);

    auto stranger = std::make_unique<platform::TNetConnection>();
    stranger->SetServerName("PAG00900.rdmOutroObjeto");
    stranger->SetPort(server_->Port());
    EXPECT_THROW(stranger->Call("GetPrxLista"), platform::Exception);
    EXPECT_EQ(net->Call("GetPrxLista").AsString().size(), 10u);
}

TEST_P(ServerRpcTest, ListNumbersAreUniqueAcrossSessionsAndServersSharingTheDatabase) {
    auto second = StartServer();
    constexpr int kThreads = 6, kCalls = 20;
    std::vector<std::vector<std::string>> got(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            auto net = Connect(t % 2 ? *second : *server_);
            for (int i = 0; i < kCalls; ++i)
                got[static_cast<std::size_t>(t)].push_back(net->Call("GetPrxLista").AsString());
        });
    for (auto& thread : threads) thread.join();
    std::set<std::string> all;
    for (const auto& numbers : got) {
        ASSERT_EQ(numbers.size(), static_cast<std::size_t>(kCalls));
        EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end())); // each session sees them grow
        all.insert(numbers.begin(), numbers.end());
    }
    EXPECT_EQ(all.size(), static_cast<std::size_t>(kThreads * kCalls));
}

// One request of a session to one server, as the client connection sends it.
platform::TWireReply Post(int port, const std::string& method, const std::string& session,
                          const std::string& token,
                          const std::vector<platform::TWireArg>& args = {}) {
    httplib::Client http("127.0.0.1", port);
    const httplib::Headers headers = {{platform::kSessionHeader, session},
                                      {"Authorization", "Bearer " + token}};
    auto reply = http.Post("/" + std::string(server::TRdmRecContBaixaPag::kName) + "/" + method,
                           headers, platform::EncodeRequest(args), platform::kWireContentType);
    if (!reply) throw platform::Exception("sem resposta a " + method);
    return platform::DecodeReply(reply->body);
}

platform::TServerReply Reply(const platform::TWireReply& wire) {
    if (wire.status != platform::TReplyStatus::Ok) throw platform::Exception(wire.message);
    return platform::UnpackServerReply(wire.result);
}

TEST_P(ServerRpcTest, ASessionOpenedOnOneServerIsServedByAnotherOnTheSameDatabase) {
    using platform::TReplyStatus;
    using platform::TWireArg;
    server::TServerOptions options;
    options.sessionIdleTimeout = std::chrono::seconds(2); // checked every 0.5 s at most
    auto a = StartServer(options);
    auto b = StartServer(options);
    const std::string token = Connect(*a)->Token();
    const platform::TWireReply connected = Post(a->Port(), "__connect", "", token);
    ASSERT_EQ(connected.status, TReplyStatus::Ok) << connected.message;
    const std::string session = connected.result.AsString();

    // The number A gave the session is the session's on B: B's run uses it up.
    const std::string number = Post(a->Port(), "GetPrxLista", session, token).result.AsString();
    std::vector<TWireArg> criteria;
    for (const Variant& v : DefaultCriteria("01", today_)) criteria.push_back({v, false});
    const platform::TServerReply list =
        Reply(Post(b->Port(), "GetBaixaPag_Filtro", session, token, criteria));
    ASSERT_TRUE(list.Ok()) << list.message;
    const Variant marked =
        MarkRows(list.payload, [](const std::string& branch, const std::string& n) {
            return branch == "0001" && n == "0000000005";
        });
    const std::vector<TWireArg> run = {{marked},
                                       {Variant("01")},
                                       {Variant("0001")},
                                       {Variant("OPERADOR")},
                                       {Variant(number), true},
                                       {Variant("Pagto")},
                                       {CataloguePacket()}};
    const platform::TServerReply posted =
        Reply(Post(b->Port(), "SetConfirmar", session, token, run));
    ASSERT_TRUE(posted.Ok()) << posted.message;
    EXPECT_TRUE(OpenRunPayload(posted.payload).FirstKey().empty());

    // A reads back the list of B's run, and refuses the number B used up.
    const platform::TServerReply saida =
        Reply(Post(a->Port(), "GetBaixaPag_Saida", session, token));
    ASSERT_TRUE(saida.Ok()) << saida.message;
    EXPECT_THAT(Numbers(saida.payload), ::testing::Contains("0000000005"));
    const platform::TServerReply again =
        Reply(Post(a->Port(), "SetConfirmar", session, token, run));
    EXPECT_FALSE(again.Ok());
    EXPECT_THAT(again.message, HasSubstr("já foi usado"));

    // Another operator's token is refused on either server.
    const std::string maria =
        Connection(server::TRdmRecContBaixaPag::kName, b->Port(), "MARIA")->Token();
    EXPECT_EQ(Post(a->Port(), "GetPrxLista", session, maria).status,
              TReplyStatus::NotAuthenticated);
    EXPECT_EQ(Post(b->Port(), "GetPrxLista", session, maria).status,
              TReplyStatus::NotAuthenticated);

    // Ended through B, the session ends on A once A checks it with the database.
    EXPECT_EQ(Post(b->Port(), "__disconnect", session, token).status, TReplyStatus::Ok);
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    EXPECT_EQ(Post(a->Port(), "GetPrxLista", session, token).status, TReplyStatus::NoSession);
    EXPECT_EQ(
        db_->SelectValue("SELECT COUNT(*) FROM SESSAORPC WHERE CDSESSAO = :S", {{"S", session}})
            .AsInteger(),
        0);
}

INSTANTIATE_TEST_SUITE_P(Backends, ServerRpcTest,
                         ::testing::Values(TBackend::SQLite, TBackend::PostgreSQL),
                         TBackendParamName());

} // namespace
