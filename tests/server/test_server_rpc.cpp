// The server over the network: the screen's calls through the client connection, by-reference
// arguments, failures, and list numbers unique across sessions and servers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <thread>

#include "backendtest.h"
#include "platform/datetime.h"
#include "platform/netconnection.h"
#include "platform/serverreply.h"
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

INSTANTIATE_TEST_SUITE_P(Backends, ServerRpcTest,
                         ::testing::Values(TBackend::SQLite, TBackend::PostgreSQL),
                         TBackendParamName());

} // namespace
