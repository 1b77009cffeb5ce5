// Tests of the remote-call transport: the variant wire encoding, the server dispatcher and the
// client connection, talking over loopback inside this process.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cmath>
#include <future>
#include <limits>
#include <random>
#include <thread>

#include <httplib.h>

#include "platform/netconnection.h"
#include "platform/rpcserver.h"
#include "platform/wire.h"
#include "tests/support/freeport.h"

using namespace platform;
using ::testing::HasSubstr;

namespace {

// ---------------------------------------------------------------------------------------------
// Helpers

Variant Arr(int low, std::vector<Variant> items) {
    Variant a = Variant::Array(low, low + static_cast<int>(items.size()) - 1);
    for (std::size_t i = 0; i < items.size(); ++i) a[low + static_cast<int>(i)] = items[i];
    return a;
}

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(gen() & 0xff);
    return s;
}

// Exact equality, doubles and dates compared bit for bit (so NaN and -0.0 count).
void ExpectIdentical(const Variant& a, const Variant& b) {
    ASSERT_EQ(a.Type(), b.Type());
    switch (a.Type()) {
    case VarType::Double:
    case VarType::Date:
        EXPECT_EQ(std::bit_cast<std::uint64_t>(a.AsDouble()),
                  std::bit_cast<std::uint64_t>(b.AsDouble()));
        break;
    case VarType::Array:
        ASSERT_EQ(a.LowBound(), b.LowBound());
        ASSERT_EQ(a.HighBound(), b.HighBound());
        for (int i = a.LowBound(); i <= a.HighBound(); ++i) ExpectIdentical(a[i], b[i]);
        break;
    default: EXPECT_TRUE(a == b);
    }
}

Variant RoundTrip(const Variant& v) {
    return DecodeVariant(EncodeVariant(v));
}

// ---------------------------------------------------------------------------------------------
// Wire encoding

TEST(WireVariant, EveryTypeRoundTripsExactly) {
    const double nanWithPayload = std::bit_cast<double>(0x7ff8dead0000beefULL);
    const std::vector<Variant> values = {
        Variant(),
        Variant::Null(),
        Variant(true),
        Variant(false),
        Variant(0),
        Variant(-1),
        Variant(127),
        Variant(128),
        Variant(-33),
        Variant(std::numeric_limits<std::int64_t>::min()),
        Variant(std::numeric_limits<std::int64_t>::max()),
        Variant(0.0),
        Variant(-0.0),
        Variant(0.1),
        Variant(1e308),
        Variant(std::numeric_limits<double>::denorm_min()),
        Variant(std::numeric_limits<double>::infinity()),
        Variant(nanWithPayload),
        Variant(""),
        Variant("Recálculo da Contabilização\t"),
        Variant(std::string("a\0b", 3)),
        Variant::FromDate(0.0),
        Variant::FromDate(45292.75),
        Variant::FromBytes(std::string()),
        Variant::FromBytes(RandomBytes(5 * 1024 * 1024, 7)),
        Arr(0, {}),
        Arr(-3, {Variant(1), Variant("x"), Variant::Null()}),
        Arr(1, {Arr(5, {Variant::FromDate(1.5), Arr(-100, {})}), Variant(),
                Variant::FromBytes(std::string("\x00\xff", 2))}),
    };
    for (const Variant& v : values) {
        SCOPED_TRACE(Variant::TypeName(v.Type()));
        ExpectIdentical(RoundTrip(v), v);
    }
}

TEST(WireVariant, KeepsTheKindsThatShareARepresentationApart) {
    EXPECT_EQ(RoundTrip(Variant::FromDate(2.5)).Type(), VarType::Date);
    EXPECT_EQ(RoundTrip(Variant(2.5)).Type(), VarType::Double);
    EXPECT_EQ(RoundTrip(Variant()).Type(), VarType::Empty);
    EXPECT_EQ(RoundTrip(Variant::Null()).Type(), VarType::Null);
    EXPECT_EQ(RoundTrip(Variant::FromBytes("abc")).Type(), VarType::Bytes);
    EXPECT_EQ(RoundTrip(Variant("abc")).Type(), VarType::String);
    EXPECT_EQ(RoundTrip(Variant(1.0)).Type(), VarType::Double); // not narrowed to an integer
    // A double always travels as float64 (0xcb), never narrowed to float32.
    const std::string half = EncodeVariant(Variant(0.5));
    ASSERT_EQ(half.size(), 9u);
    EXPECT_EQ(static_cast<unsigned char>(half[0]), 0xcb);
}

TEST(WireVariant, RefusesMalformedInput) {
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"empty", ""},
        {"reserved byte", "\xc1"},
        {"map", "\x81\x01\x02"},
        {"unknown ext type", std::string("\xd4\x09\x00", 3)},
        {"empty with payload", std::string("\xd4\x01\x00", 3)},
        {"date of 4 bytes", std::string("\xd6\x02\x00\x00\x00\x00", 6)},
        {"array without low bound", "\x90"},
        {"low bound not an integer", "\x91\xa1x"},
        {"low bound beyond int", std::string("\x91\xcf\x00\x00\x00\x01\x00\x00\x00\x00", 10)},
        {"integer beyond int64", "\xcf\xff\xff\xff\xff\xff\xff\xff\xff"},
        {"trailing bytes", "\x01\x02"},
        {"two values", "\xc0\xc0"},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        EXPECT_THROW(DecodeVariant(bytes), EWireError);
    }
}

TEST(WireVariant, RefusesEveryTruncationOfAValidEncoding) {
    const std::string full =
        EncodeVariant(Arr(2, {Variant("texto"), Variant::FromDate(3.0), Variant(1.5),
                              Variant::FromBytes("xyz"), Arr(0, {Variant(7)})}));
    for (std::size_t n = 0; n < full.size(); ++n) {
        SCOPED_TRACE(n);
        EXPECT_THROW(DecodeVariant(std::string_view(full).substr(0, n)), EWireError);
    }
}

TEST(WireVariant, RefusesDeepNestingAndCountsThatTheBytesCannotHold) {
    // 100,000 nested one-element arrays: refused by depth, no stack exhaustion.
    EXPECT_THROW(DecodeVariant(std::string(100000, '\x91')), EWireError);
    TWireLimits limits;
    limits.maxDepth = 3;
    EXPECT_NO_THROW(DecodeVariant(EncodeVariant(Arr(0, {Arr(0, {Arr(0, {})})})), limits));
    EXPECT_THROW(DecodeVariant(EncodeVariant(Arr(0, {Arr(0, {Arr(0, {Arr(0, {})})})})), limits),
                 EWireError);
    // Headers that declare 4 billion elements or 4 GB of bytes in a few bytes of input.
    EXPECT_THROW(DecodeVariant(std::string("\xdd\xff\xff\xff\xff\x00", 6)), EWireError);
    EXPECT_THROW(DecodeVariant(std::string("\xc6\xff\xff\xff\xff\x00", 6)), EWireError);
    EXPECT_THROW(DecodeVariant(std::string("\xdb\xff\xff\xff\xff\x00", 6)), EWireError);
    // An envelope of one million nested array headers each declaring many elements.
    std::string claims;
    for (int i = 0; i < 20; ++i) claims += std::string("\xdd\x00\x10\x00\x00\x00", 6);
    EXPECT_THROW(DecodeVariant(claims), EWireError);
}

TEST(WireVariant, RandomlyCorruptedInputNeverCrashes) {
    const std::string valid =
        EncodeRequest({{Variant("01"), false},
                       {Variant("001;002"), true},
                       {Arr(0, {Variant::FromDate(45000), Variant(1.25), Variant::FromBytes("pkt"),
                                Variant::Null(), Variant()}),
                        false}});
    std::mt19937 gen(1234);
    for (int round = 0; round < 5000; ++round) {
        std::string bytes = valid;
        const int flips = 1 + static_cast<int>(gen() % 4);
        for (int f = 0; f < flips; ++f)
            bytes[gen() % bytes.size()] = static_cast<char>(gen() & 0xff);
        if (gen() % 3 == 0) bytes.resize(gen() % bytes.size());
        try {
            DecodeRequest(bytes);
        } catch (const EWireError&) {}
    }
}

TEST(WireEnvelope, RequestsAndRepliesRoundTrip) {
    const std::vector<TWireArg> args = {{Variant("01"), false},
                                        {Variant("a;b"), true},
                                        {Arr(0, {Variant(1)}), false},
                                        {Variant(), true}};
    const std::vector<TWireArg> decoded = DecodeRequest(EncodeRequest(args));
    ASSERT_EQ(decoded.size(), args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
        EXPECT_EQ(decoded[i].byRef, args[i].byRef);
        ExpectIdentical(decoded[i].value, args[i].value);
    }
    EXPECT_TRUE(DecodeRequest(EncodeRequest({})).empty());

    const TWireReply ok =
        DecodeReply(EncodeOkReply(Arr(0, {Variant(1)}), {Variant("x"), Variant()}));
    EXPECT_EQ(ok.status, TReplyStatus::Ok);
    ExpectIdentical(ok.result, Arr(0, {Variant(1)}));
    ASSERT_EQ(ok.byRef.size(), 2u);
    ExpectIdentical(ok.byRef[1], Variant());

    const TWireReply error = DecodeReply(EncodeErrorReply("Falhou", TReplyStatus::NoSession));
    EXPECT_EQ(error.status, TReplyStatus::NoSession);
    EXPECT_EQ(error.message, "Falhou");
}

TEST(WireEnvelope, RefusesMalformedEnvelopes) {
    // A request needs a boolean flag before each argument.
    EXPECT_THROW(DecodeRequest("\x91\xc3"), EWireError);
    EXPECT_THROW(DecodeRequest("\x92\x01\x01"), EWireError);
    EXPECT_THROW(DecodeRequest("\x01"), EWireError);
    // A reply needs a known status, and a failure a text.
    EXPECT_THROW(DecodeReply("\x91\x00"), EWireError);
    EXPECT_THROW(DecodeReply("\x92\x07\xc0"), EWireError);
    EXPECT_THROW(DecodeReply("\x92\x01\x05"), EWireError);
    EXPECT_THROW(DecodeReply("\x92\xa1x\xc0"), EWireError);
}

// ---------------------------------------------------------------------------------------------
// Client and server

// What the test object shares with the test: calls in progress and sessions alive.
struct Probe {
    std::atomic<int> sleeping{0};
    std::atomic<int> alive{0};
};

class TTestObject : public TDispatchObject {
public:
    explicit TTestObject(Probe& probe) : TDispatchObject("Test.rdmTeste"), probe_(probe) {
        ++probe_.alive;
        Method("Echo", "V", [](std::vector<Variant>& a) { return a[0]; });
        Method("Mark", "SVI", [](std::vector<Variant>& a) {
            a[0] = a[0].AsString() + "+";
            a[1] = Variant::FromDate(45000.0);
            return Variant(a[2].AsInteger() * 2);
        });
        Method("Counter", "", [this](std::vector<Variant>&) { return Variant(++counter_); });
        Method("Sleep", "I", [this](std::vector<Variant>& a) {
            ++probe_.sleeping;
            std::this_thread::sleep_for(std::chrono::milliseconds(a[0].AsInteger()));
            --probe_.sleeping;
            return Variant("acordei");
        });
        Method("Fail", "",
               [](std::vector<Variant>&) -> Variant { throw Exception("Falhou de propósito"); });
        Method("Kinds", "SDFI", [](std::vector<Variant>&) { return Variant(); });
    }
    ~TTestObject() override { --probe_.alive; }

private:
    Probe& probe_;
    int counter_ = 0;
};

class RpcTest : public ::testing::Test {
protected:
    void StartServer(std::chrono::milliseconds idle = std::chrono::hours(1),
                     std::size_t maxBytes = 64u << 20) {
        server_.RegisterObject("Test.rdmTeste",
                               [this] { return std::make_unique<TTestObject>(probe_); });
        server_.SetSessionIdleTimeout(idle);
        server_.SetMaxRequestBytes(maxBytes);
        port_ = server_.Listen();
    }

    std::unique_ptr<TNetConnection> Client(const std::string& serverName = "Test.rdmTeste") {
        auto net = std::make_unique<TNetConnection>();
        net->SetServerName(serverName);
        net->BeforeConnect = [this](TObject* sender) {
            ++beforeConnects_;
            auto* c = static_cast<TNetConnection*>(sender);
            c->SetHost("127.0.0.1");
            c->SetPort(port_);
        };
        return net;
    }

    std::string Endpoint() const { return "127.0.0.1:" + std::to_string(port_); }

    // A raw HTTP post with an open session, for bodies the client would never send.
    httplib::Result RawPost(const std::string& path, const std::string& body,
                            const std::string& session) {
        httplib::Client http("127.0.0.1", port_);
        http.set_read_timeout(60, 0); // a slow machine may take a while over 100 MB
        http.set_write_timeout(60, 0);
        httplib::Headers headers;
        if (!session.empty()) headers.emplace(kSessionHeader, session);
        return http.Post(path, headers, body, kWireContentType);
    }
    std::string RawSession() {
        auto res = RawPost("/Test.rdmTeste/__connect", "", "");
        return DecodeReply(res->body).result.AsString();
    }

    Probe probe_;
    TRpcServer server_;
    int port_ = 0;
    std::atomic<int> beforeConnects_{0};
};

TEST_F(RpcTest, ByReferenceArgumentsComeBackAndByValueOnesStay) {
    StartServer();
    auto net = Client();
    std::string list = "001;002";
    Variant date = Variant::FromDate(1.0);
    std::string byValue = "fixo";
    const Variant result = net->Call("Mark", {TRpcArg::Ref(list), TRpcArg::Ref(date), Variant(21)});
    EXPECT_EQ(result.AsInteger(), 42);
    EXPECT_EQ(list, "001;002+");
    EXPECT_EQ(date.Type(), VarType::Date);
    EXPECT_EQ(date.AsDate(), 45000.0);

    net->Call("Mark", {byValue, Variant(""), Variant(1)});
    EXPECT_EQ(byValue, "fixo");
}

TEST_F(RpcTest, ValuesOfEveryTypeSurviveTheCall) {
    StartServer();
    auto net = Client();
    const Variant packet = Arr(0, {Variant::FromBytes(RandomBytes(3 << 20, 3)),
                                   Arr(-2, {Variant::FromDate(45000.25), Variant::Null()}),
                                   Variant(), Variant(-0.0), Variant("ção")});
    ExpectIdentical(net->Call("Echo", {packet}), packet);
}

TEST_F(RpcTest, OnCallSeesEveryCallWithItsArguments) {
    StartServer();
    auto net = Client();
    std::vector<std::string> seen;
    net->OnCall = [&](const std::string& method, const std::vector<Variant>& args) {
        std::string line = method;
        for (const Variant& a : args) line += " " + VarToStr(a);
        seen.push_back(line);
    };
    std::string list = "L";
    net->Call("Counter");
    net->Call("Mark", {TRpcArg::Ref(list), Variant("x"), Variant(2)});
    EXPECT_THAT(seen, ::testing::ElementsAre("Counter", "Mark L x 2"));
}

TEST_F(RpcTest, SessionStateIsKeptPerConnection) {
    StartServer();
    auto a = Client();
    auto b = Client();
    EXPECT_EQ(a->Call("Counter").AsInteger(), 1);
    EXPECT_EQ(a->Call("Counter").AsInteger(), 2);
    EXPECT_EQ(b->Call("Counter").AsInteger(), 1);
    EXPECT_EQ(a->Call("Counter").AsInteger(), 3);
    EXPECT_EQ(server_.SessionCount(), 2u);
}

TEST_F(RpcTest, SessionsAreServedAtTheSameTime) {
    StartServer();
    auto a = Client();
    auto b = Client();
    auto slow = [](TNetConnection* net) { return net->Call("Sleep", {Variant(300)}); };
    auto first = std::async(std::launch::async, slow, a.get());
    auto second = std::async(std::launch::async, slow, b.get());
    int most = 0;
    for (int i = 0; i < 250 && most < 2; ++i) {
        most = std::max(most, probe_.sleeping.load());
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(most, 2);
    EXPECT_EQ(first.get().AsString(), "acordei");
    EXPECT_EQ(second.get().AsString(), "acordei");
}

TEST_F(RpcTest, DisconnectEndsTheSessionAndTheNextCallReconnects) {
    StartServer();
    auto net = Client();
    net->SetConnected(true);
    EXPECT_TRUE(net->Connected());
    EXPECT_EQ(net->Call("Counter").AsInteger(), 1);
    net->SetConnected(false);
    EXPECT_FALSE(net->Connected());
    EXPECT_EQ(server_.SessionCount(), 0u);
    EXPECT_EQ(probe_.alive.load(), 0);              // the session's object is destroyed
    EXPECT_EQ(net->Call("Counter").AsInteger(), 1); // a fresh session, connected on demand
    EXPECT_TRUE(net->Connected());
    EXPECT_EQ(beforeConnects_.load(), 2);
}

TEST_F(RpcTest, IdleSessionsExpireAndTheClientReopensOneTransparently) {
    StartServer(std::chrono::milliseconds(100));
    auto net = Client();
    EXPECT_EQ(net->Call("Counter").AsInteger(), 1);
    EXPECT_EQ(net->Call("Counter").AsInteger(), 2);
    for (int i = 0; i < 200 && server_.SessionCount() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(server_.SessionCount(), 0u);
    EXPECT_EQ(probe_.alive.load(), 0);
    EXPECT_EQ(net->Call("Counter").AsInteger(), 1);
    EXPECT_EQ(beforeConnects_.load(), 2);
}

TEST_F(RpcTest, BeforeConnectIsReadAnewAtEveryConnect) {
    StartServer();
    const int live = port_;
    auto net = Client();
    net->SetConnected(true);
    EXPECT_TRUE(net->Connected());
    net->SetConnected(false);
    port_ = testsupport::UnusedLoopbackPort();
    EXPECT_THROW(net->SetConnected(true), ERpcError);
    port_ = live;
    net->SetConnected(true);
    EXPECT_TRUE(net->Connected());
}

TEST_F(RpcTest, ServerDownRaisesAClearErrorNamingHostAndPort) {
    port_ = testsupport::UnusedLoopbackPort();
    auto net = Client();
    try {
        net->SetConnected(true);
        FAIL() << "connect should raise";
    } catch (const ERpcError& e) {
        EXPECT_EQ(e.Message(), "Não foi possível conectar ao servidor de aplicação em " +
                                   Endpoint() + " (conexão recusada).");
    }
    EXPECT_FALSE(net->Connected());

    // ThrowException false: the connect is quiet, the call is not.
    net->SetThrowException(false);
    EXPECT_NO_THROW(net->SetConnected(true));
    EXPECT_FALSE(net->Connected());
    try {
        net->Call("Counter");
        FAIL() << "call should raise";
    } catch (const ERpcError& e) { EXPECT_THAT(e.Message(), HasSubstr(Endpoint())); }
    EXPECT_FALSE(net->Connected());
}

TEST_F(RpcTest, AServerThatStopsAnsweringFailsTheCallWithinTheReadTimeout) {
    StartServer();
    auto net = Client();
    net->SetReadTimeout(std::chrono::milliseconds(200));
    try {
        net->Call("Sleep", {Variant(1000)});
        FAIL() << "call should time out";
    } catch (const ERpcError& e) {
        EXPECT_EQ(e.Message(), "Falha de comunicação com o servidor de aplicação em " + Endpoint() +
                                   " ao chamar Sleep (sem resposta em 200 ms).");
    }
}

TEST_F(RpcTest, ServerFailuresCarryTheServerMessage) {
    StartServer();
    auto net = Client();
    auto messageOf = [&](const std::string& method, const std::vector<TRpcArg>& args) {
        try {
            net->Call(method, args);
        } catch (const EServerError& e) { return e.Message(); }
        return std::string("no EServerError");
    };
    EXPECT_EQ(messageOf("Fail", {}), "Falhou de propósito");
    EXPECT_EQ(messageOf("Nada", {}), "O objeto remoto Test.rdmTeste não tem o método Nada.");
    EXPECT_EQ(messageOf("Kinds", {Variant("a"), Variant(0)}),
              "Kinds: esperados 4 argumentos, recebidos 2.");
    EXPECT_EQ(messageOf("Kinds", {Variant("a"), Variant(0), Variant("1,5"), Variant(1)}),
              "Kinds: o argumento 3 deveria ser um número, mas é do tipo String.");
    // Dates and amounts also accept the integer 0 that means "no bound".
    EXPECT_NO_THROW(net->Call("Kinds", {Variant("a"), Variant(0), Variant(0), Variant(1)}));
    EXPECT_NO_THROW(net->Call("kinds", {Variant("a"), Variant::FromDate(1), Variant(1.5),
                                        Variant(1)})); // names ignore case
    // The session survives its failures.
    EXPECT_EQ(net->Call("Counter").AsInteger(), 1);
}

TEST_F(RpcTest, AnUnknownRemoteObjectFailsTheConnect) {
    StartServer();
    auto net = Client("Nada.rdmNada");
    try {
        net->Call("Counter");
        FAIL() << "call should raise";
    } catch (const ERpcError& e) {
        EXPECT_EQ(e.Message(), "Não foi possível conectar ao servidor de aplicação em " +
                                   Endpoint() +
                                   " (O objeto remoto Nada.rdmNada não está registrado neste "
                                   "servidor de aplicação.).");
    }
}

TEST_F(RpcTest, MalformedAnswersRaiseAClearError) {
    // A server that opens sessions properly but answers calls with whatever the test says.
    httplib::Server fake;
    std::string answer;
    int status = 200;
    fake.Post(R"(/T/(\w+))", [&](const httplib::Request& req, httplib::Response& res) {
        if (req.matches[1] == "__connect") {
            res.set_content(EncodeOkReply(Variant("s1")), kWireContentType);
        } else {
            res.status = status;
            res.set_content(answer, kWireContentType);
        }
    });
    port_ = fake.bind_to_any_port("127.0.0.1");
    std::thread loop([&] { fake.listen_after_bind(); });
    while (!fake.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));

    auto net = Client("T");
    std::string list = "x";
    auto messageOf = [&](std::string body, int code = 200) {
        answer = std::move(body);
        status = code;
        try {
            net->Call("M", {TRpcArg::Ref(list)});
        } catch (const ERpcError& e) { return e.Message(); }
        return std::string("no ERpcError");
    };
    const std::string prefix =
        "Resposta inválida do servidor de aplicação em " + Endpoint() + " a M: ";
    EXPECT_EQ(messageOf("\xc1garbage"), prefix + "Dados MessagePack inválidos na posição 0.");
    EXPECT_EQ(messageOf("garbage"), prefix + "Dados MessagePack com 6 bytes a mais no fim.");
    EXPECT_EQ(messageOf(EncodeOkReply(Variant(1), {Variant("y")}).substr(0, 3)),
              prefix + "Dados MessagePack truncados.");
    EXPECT_EQ(messageOf(EncodeOkReply(Variant(1))),
              prefix + "0 valores de argumentos por referência, esperados 1.");
    EXPECT_EQ(messageOf(EncodeOkReply(Variant(1), {Variant(5)})),
              prefix + "o argumento 1 voltou como Integer em vez de texto.");
    EXPECT_EQ(messageOf("oops", 500),
              "O servidor de aplicação em " + Endpoint() + " recusou M: HTTP 500");
    EXPECT_EQ(list, "x"); // no bad reply changed the by-reference argument
    net.reset();          // closes its kept-alive connection, so the fake server stops at once
    fake.stop();
    loop.join();
}

TEST_F(RpcTest, OversizedBodiesAreRefusedAndTheServerKeepsServing) {
    StartServer(std::chrono::hours(1), 1 << 20);
    auto net = Client();
    try {
        net->Call("Echo", {Variant::FromBytes(std::string(2 << 20, 'x'))});
        FAIL() << "call should be refused";
    } catch (const ERpcError& e) {
        EXPECT_EQ(e.Message(), "O servidor de aplicação em " + Endpoint() +
                                   " recusou Echo: A requisição excede o tamanho máximo de "
                                   "1048576 bytes aceito pelo servidor de aplicação.");
    }
    EXPECT_EQ(net->Call("Echo", {Variant("ok")}).AsString(), "ok");
    EXPECT_EQ(net->Call("Counter").AsInteger(), 1);
}

TEST_F(RpcTest, AHundredMegabyteBodyIsRefusedByTheDefaultLimit) {
    StartServer();
    const std::string session = RawSession();
    auto res = RawPost("/Test.rdmTeste/Echo", std::string(100 << 20, '\x00'), session);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 413);
    EXPECT_EQ(DecodeReply(res->body).status, TReplyStatus::Error);
    auto net = Client();
    EXPECT_EQ(net->Call("Echo", {Variant(7)}).AsInteger(), 7);
}

TEST_F(RpcTest, BadRequestsGetFailureRepliesAndTheServerKeepsServing) {
    StartServer();
    const std::string session = RawSession();
    const std::vector<std::pair<const char*, std::string>> bodies = {
        {"garbage", "garbage"},
        {"truncated", EncodeRequest({{Variant("abc"), false}}).substr(0, 4)},
        {"map", "\x81\x01\x02"},
        {"flag missing", "\x91\xa1x"},
        {"deep", std::string(5000, '\x91')},
    };
    for (const auto& [name, body] : bodies) {
        SCOPED_TRACE(name);
        auto res = RawPost("/Test.rdmTeste/Echo", body, session);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200);
        const TWireReply reply = DecodeReply(res->body);
        EXPECT_EQ(reply.status, TReplyStatus::Error);
        EXPECT_THAT(reply.message, HasSubstr("Requisição inválida para Test.rdmTeste.Echo"));
    }
    // No session, or one of another object: nothing runs.
    auto noSession = RawPost("/Test.rdmTeste/Counter", EncodeRequest({}), "");
    EXPECT_EQ(DecodeReply(noSession->body).status, TReplyStatus::NoSession);
    auto otherObject = RawPost("/Outro.rdm/Counter", EncodeRequest({}), session);
    EXPECT_EQ(DecodeReply(otherObject->body).status, TReplyStatus::Error);
    // A path the server does not serve still gets a failure reply.
    auto wrongPath = RawPost("/nada", "", "");
    EXPECT_EQ(wrongPath->status, 404);
    EXPECT_EQ(DecodeReply(wrongPath->body).status, TReplyStatus::Error);

    auto net = Client();
    EXPECT_EQ(net->Call("Echo", {Variant("ainda aqui")}).AsString(), "ainda aqui");
}

TEST_F(RpcTest, StopLetsTheCallInFlightFinishAndEndsTheSessions) {
    StartServer();
    auto net = Client();
    net->SetConnected(true);
    auto call = std::async(std::launch::async, [&] { return net->Call("Sleep", {Variant(300)}); });
    while (probe_.sleeping == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    server_.Stop();
    EXPECT_EQ(call.get().AsString(), "acordei");
    EXPECT_FALSE(server_.Running());
    EXPECT_EQ(server_.SessionCount(), 0u);
    EXPECT_EQ(probe_.alive.load(), 0);
    EXPECT_THROW(net->Call("Counter"), ERpcError);
}

} // namespace
