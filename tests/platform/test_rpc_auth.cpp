// Login, bearer tokens and session ownership between TNetConnection and TRpcServer, with an
// in-memory authenticator standing in for the credential store.
#include <atomic>
#include <map>
#include <mutex>

#include <gtest/gtest.h>
#include <httplib.h>

#include "platform/netconnection.h"
#include "platform/rpcserver.h"
#include "platform/wire.h"

using namespace platform;

namespace {

// Tokens "tok-<n>" issued on the right password ("segredo"); Revoke makes one dead.
class TMemoryAuthenticator : public TAuthenticator {
public:
    std::string Login(const std::string& operatorCode, const std::string& password,
                      const std::string&) override {
        if (password != "segredo") throw Exception("Operador ou senha inválidos.");
        std::lock_guard lock(mutex_);
        std::string token = "tok-" + std::to_string(++issued_);
        live_[token] = operatorCode;
        return token;
    }
    std::optional<std::string> Verify(const std::string& token) override {
        ++verifies;
        std::lock_guard lock(mutex_);
        auto it = live_.find(token);
        if (it == live_.end()) return std::nullopt;
        return it->second;
    }
    void Logout(const std::string& token) override { Revoke(token); }
    void Revoke(const std::string& token) {
        std::lock_guard lock(mutex_);
        live_.erase(token);
    }
    std::atomic<int> verifies{0};

private:
    std::mutex mutex_;
    int issued_ = 0;
    std::map<std::string, std::string> live_; // guarded by mutex_
};

// Answers with the identity its factory got, and counts the calls that ran.
class TWhoObject : public TDispatchObject {
public:
    TWhoObject(const TSessionIdentity& identity, std::atomic<int>& ran)
        : TDispatchObject("Test.rdmQuem") {
        Method("Who", "", [identity, &ran](std::vector<Variant>&) {
            ++ran;
            return Variant(identity.operatorCode + "@" + identity.clientAddress + "#" +
                           identity.sessionId);
        });
    }
};

class RpcAuthTest : public ::testing::Test {
protected:
    void SetUp() override {
        server_.RegisterObject("Test.rdmQuem", [this](const TSessionIdentity& identity) {
            return std::make_unique<TWhoObject>(identity, ran_);
        });
        server_.SetAuthenticator(auth_);
        server_.SetTokenCacheTime(std::chrono::milliseconds(0)); // every request verifies
        server_.SetSessionsPerOperator(3);
        port_ = server_.Listen();
    }

    std::unique_ptr<TNetConnection> Client() {
        auto net = std::make_unique<TNetConnection>();
        net->SetServerName("Test.rdmQuem");
        net->SetPort(port_);
        return net;
    }

    // A raw post, to send what TNetConnection never would.
    TWireReply RawPost(const std::string& path, const std::string& session,
                       const std::string& token) {
        httplib::Client http("127.0.0.1", port_);
        httplib::Headers headers;
        if (!session.empty()) headers.emplace(kSessionHeader, session);
        if (!token.empty()) headers.emplace("Authorization", "Bearer " + token);
        auto res = http.Post(path, headers, EncodeRequest({}), kWireContentType);
        if (!res) throw Exception("sem resposta");
        return DecodeReply(res->body);
    }

    std::shared_ptr<TMemoryAuthenticator> auth_ = std::make_shared<TMemoryAuthenticator>();
    std::atomic<int> ran_{0};
    TRpcServer server_;
    int port_ = 0;
};

TEST_F(RpcAuthTest, LoginOpensSessionsOfItsOperatorAndRefusalsRunNothing) {
    auto net = Client();
    // Anonymous: refused at connect, nothing ran.
    EXPECT_THROW(net->Call("Who"), ENotAuthenticated);
    try {
        net->Login("MARIA", "errada");
        FAIL() << "login com senha errada aceito";
    } catch (const EServerError& e) { EXPECT_EQ(e.Message(), "Operador ou senha inválidos."); }
    EXPECT_TRUE(net->Token().empty());

    const std::string token = net->Login("MARIA", "segredo");
    EXPECT_EQ(net->Token(), token);
    const std::string who = net->Call("Who").AsString();
    EXPECT_EQ(who.substr(0, who.find('#')), "MARIA@127.0.0.1");
    const std::string session = who.substr(who.find('#') + 1);
    EXPECT_EQ(session.size(), 32u);
    EXPECT_EQ(ran_, 1);

    // The session id without its token, with a wrong token, or with another operator's live
    // token: refused, nothing runs, and the owner goes on.
    auto other = Client();
    const std::string carlos = other->Login("CARLOS", "segredo");
    EXPECT_EQ(RawPost("/Test.rdmQuem/Who", session, "").status, TReplyStatus::NotAuthenticated);
    EXPECT_EQ(RawPost("/Test.rdmQuem/Who", session, "tok-999").status,
              TReplyStatus::NotAuthenticated);
    EXPECT_EQ(RawPost("/Test.rdmQuem/Who", session, carlos).status, TReplyStatus::NotAuthenticated);
    EXPECT_EQ(RawPost("/Test.rdmQuem/__disconnect", session, carlos).status,
              TReplyStatus::NotAuthenticated);
    EXPECT_EQ(RawPost("/Test.rdmQuem/__connect", "", "tok-999").status,
              TReplyStatus::NotAuthenticated);
    EXPECT_EQ(ran_, 1);
    EXPECT_EQ(net->Call("Who").AsString(), who);
    EXPECT_EQ(ran_, 2);

    // An expired (revoked) token: the session's calls are refused.
    auth_->Revoke(token);
    EXPECT_THROW(net->Call("Who"), ENotAuthenticated);
    EXPECT_EQ(ran_, 2);
}

TEST_F(RpcAuthTest, OnAuthenticateGetsOneNewTokenAndTheCallIsSentOnceMore) {
    auto net = Client();
    net->Login("MARIA", "segredo");
    net->Call("Who");
    auth_->Revoke(net->Token());

    int asked = 0;
    net->OnAuthenticate = [&] {
        ++asked;
        auto login = Client();
        return login->Login("MARIA", "segredo");
    };
    EXPECT_EQ(net->Call("Who").AsString().substr(0, 6), "MARIA@");
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(ran_, 2); // the refused call did not run; its retry did

    // A new token that is refused too, or none: ENotAuthenticated after one question.
    auth_->Revoke(net->Token());
    asked = 0;
    net->OnAuthenticate = [&] {
        ++asked;
        return std::string("tok-morto");
    };
    EXPECT_THROW(net->Call("Who"), ENotAuthenticated);
    EXPECT_EQ(asked, 1);
    asked = 0;
    net->OnAuthenticate = [&] {
        ++asked;
        return std::string();
    };
    EXPECT_THROW(net->Call("Who"), ENotAuthenticated);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(ran_, 2);
}

TEST_F(RpcAuthTest, LogoutRevokesTheTokenAndEndsItsSessionsAndOperatorsAreCapped) {
    auto first = Client();
    const std::string token = first->Login("MARIA", "segredo");
    std::vector<std::unique_ptr<TNetConnection>> sessions;
    for (int i = 0; i < 3; ++i) {
        sessions.push_back(Client());
        sessions.back()->SetToken(token);
        sessions.back()->Call("Who");
    }
    // A fourth session of MARIA is over the cap; CARLOS is not affected.
    auto fourth = Client();
    fourth->SetToken(token);
    EXPECT_THROW(fourth->Call("Who"), ERpcError);
    auto carlos = Client();
    carlos->Login("CARLOS", "segredo");
    carlos->Call("Who");
    EXPECT_EQ(server_.SessionCount(), 4u);

    first->SetToken(token);
    first->Logout();
    EXPECT_TRUE(first->Token().empty());
    EXPECT_EQ(server_.SessionCount(), 1u); // CARLOS's
    EXPECT_FALSE(auth_->Verify(token).has_value());
    EXPECT_THROW(sessions[0]->Call("Who"), ENotAuthenticated);
    carlos->Call("Who");
}

TEST_F(RpcAuthTest, AVerificationIsTrustedForTheCacheTimeOnly) {
    TRpcServer cached;
    cached.RegisterObject("Test.rdmQuem", [this](const TSessionIdentity& identity) {
        return std::make_unique<TWhoObject>(identity, ran_);
    });
    cached.SetAuthenticator(auth_);
    cached.SetTokenCacheTime(std::chrono::milliseconds(300));
    auto net = Client();
    net->SetPort(cached.Listen());
    net->Login("MARIA", "segredo");
    auth_->verifies = 0;
    for (int i = 0; i < 20; ++i) net->Call("Who");
    EXPECT_LE(auth_->verifies, 2); // the connect's, at most one more
    auth_->Revoke(net->Token());
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_THROW(net->Call("Who"), ENotAuthenticated);
}

} // namespace
