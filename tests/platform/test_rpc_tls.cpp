// TNetConnection over HTTPS against a TLS peer on loopback whose certificates the test makes
// with the openssl command: verification of the chain and the host name, and the messages.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include <httplib.h>

#include "platform/netconnection.h"
#include "platform/rpcserver.h"
#include "platform/wire.h"

using namespace platform;

namespace {

namespace fs = std::filesystem;

void Run(const std::string& command) {
    const std::string quiet = command + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(quiet.c_str()), 0) << command;
}

// Certificates made once per test program: a CA, a server certificate it signed for
// IP:127.0.0.1 only (so "localhost" is another name), and a second CA that signed nothing.
struct TCertificates {
    fs::path dir;
    fs::path ca, otherCa, cert, key;

    void Make() {
        dir = fs::path(testing::TempDir()) / ("pag_rpc_tls_" + std::to_string(getpid()));
        fs::create_directories(dir);
        ca = dir / "ca.pem";
        otherCa = dir / "outra-ca.pem";
        cert = dir / "servidor.pem";
        key = dir / "servidor.key";
        const std::string d = dir.string() + "/";
        const std::string ec = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
        const std::string caExt = " -addext basicConstraints=critical,CA:TRUE"
                                  " -addext keyUsage=critical,keyCertSign,cRLSign";
        Run("openssl req -x509 -days 2" + ec + caExt + " -subj /CN=PAG-CA-Teste -keyout " + d +
            "ca.key -out " + ca.string());
        Run("openssl req -x509 -days 2" + ec + caExt + " -subj /CN=PAG-Outra-CA -keyout " + d +
            "outra-ca.key -out " + otherCa.string());
        Run("openssl req" + ec + " -subj /CN=servidor-teste -keyout " + key.string() + " -out " +
            d + "servidor.csr");
        std::ofstream(d + "ext.cnf") << "subjectAltName=IP:127.0.0.1\n"
                                        "extendedKeyUsage=serverAuth\n";
        Run("openssl x509 -req -days 2 -in " + d + "servidor.csr -CA " + ca.string() + " -CAkey " +
            d + "ca.key -CAcreateserial -extfile " + d + "ext.cnf -out " + cert.string());
    }
};

// A peer that speaks the wire protocol: __connect hands out sessions s1, s2...; method Eco
// returns its first argument, or NoSession when the session is s<expired>.
template <class Server> class TPeer {
public:
    template <class... A> explicit TPeer(A&&... serverArgs) : server_(serverArgs...) {
        server_.Post(R"(/T/(\w+))", [this](const httplib::Request& req, httplib::Response& res) {
            if (req.matches[1] == "__connect") {
                const int n = ++connects;
                res.set_content(EncodeOkReply(Variant("s" + std::to_string(n))), kWireContentType);
            } else if (req.get_header_value(kSessionHeader) == "s" + std::to_string(expired)) {
                res.set_content(EncodeErrorReply("sessão expirada", TReplyStatus::NoSession),
                                kWireContentType);
            } else {
                const std::vector<TWireArg> args = DecodeRequest(req.body);
                res.set_content(EncodeOkReply(args.at(0).value), kWireContentType);
            }
        });
        port = server_.bind_to_any_port("127.0.0.1");
        loop_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~TPeer() {
        server_.stop();
        loop_.join();
    }

    int port = 0;
    std::atomic<int> connects{0};
    std::atomic<int> expired{0}; // no session expired while 0

private:
    Server server_;
    std::thread loop_;
};

class RpcTlsTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        certs_ = new TCertificates;
        certs_->Make();
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(certs_->dir, ec);
        delete certs_;
        certs_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(fs::exists(certs_->cert)) << "openssl did not make the certificates";
    }

    std::unique_ptr<TPeer<httplib::SSLServer>> TlsPeer() {
        return std::make_unique<TPeer<httplib::SSLServer>>(certs_->cert.c_str(),
                                                           certs_->key.c_str());
    }
    static std::unique_ptr<TNetConnection> Client(int port, bool tls, const fs::path& ca,
                                                  const std::string& host = "127.0.0.1") {
        auto net = std::make_unique<TNetConnection>();
        net->SetServerName("T");
        net->SetHost(host);
        net->SetPort(port);
        net->SetUseTls(tls);
        net->SetCaFile(ca.string());
        net->SetConnectTimeout(std::chrono::seconds(5));
        net->SetReadTimeout(std::chrono::seconds(5));
        return net;
    }
    static std::string FailureOf(TNetConnection& net) {
        try {
            net.Call("Eco", {Variant(1)});
        } catch (const ERpcError& e) { return e.Message(); }
        return "no ERpcError";
    }

    static TCertificates* certs_;
};

TCertificates* RpcTlsTest::certs_ = nullptr;

TEST_F(RpcTlsTest, WithTheRightAuthorityCallsSessionsAndReconnectsWorkAsOverPlainHttp) {
    auto peer = TlsPeer();
    auto net = Client(peer->port, true, certs_->ca);
    EXPECT_EQ(net->Call("Eco", {Variant("olá")}).AsString(), "olá");
    EXPECT_EQ(peer->connects, 1);

    // After a pause longer than the client keeps an idle socket, a new TLS connection carries
    // the same session.
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    EXPECT_EQ(net->Call("Eco", {Variant(42)}).AsInteger(), 42);
    EXPECT_EQ(peer->connects, 1);

    // A session the server no longer knows is reopened once, transparently.
    peer->expired = 1;
    EXPECT_EQ(net->Call("Eco", {Variant(7)}).AsInteger(), 7);
    EXPECT_EQ(peer->connects, 2);
    net.reset(); // says goodbye over TLS; the peer then stops at once
}

TEST_F(RpcTlsTest, AServerThatCannotBeVerifiedIsRefusedNamingHostAndPort) {
    auto peer = TlsPeer();
    const std::string port = std::to_string(peer->port);
    const std::string prefix =
        "Não foi possível verificar o certificado do servidor de aplicação em ";

    auto other = Client(peer->port, true, certs_->otherCa);
    EXPECT_EQ(FailureOf(*other), prefix + "127.0.0.1:" + port +
                                     " (o certificado não foi emitido por uma autoridade "
                                     "confiável).");
    EXPECT_FALSE(other->Connected());

    // The system's trust store does not know the test's authority either.
    auto system = Client(peer->port, true, "");
    EXPECT_EQ(FailureOf(*system), prefix + "127.0.0.1:" + port +
                                      " (o certificado não foi emitido por uma autoridade "
                                      "confiável).");

    // A good chain for another name: the certificate is for 127.0.0.1 only.
    auto name = Client(peer->port, true, certs_->ca, "localhost");
    EXPECT_EQ(FailureOf(*name),
              prefix + "localhost:" + port + " (o certificado não é deste servidor).");

    auto missing = Client(peer->port, true, certs_->dir / "nao-existe.pem");
    EXPECT_EQ(FailureOf(*missing), "Não foi possível conectar ao servidor de aplicação em "
                                   "127.0.0.1:" +
                                       port +
                                       " (não foi possível ler o arquivo de autoridades "
                                       "certificadoras).");
    EXPECT_EQ(peer->connects, 0); // no request got through
}

TEST_F(RpcTlsTest, PlainAndTlsPeersThatDoNotMatchFailClearly) {
    {
        auto peer = TlsPeer();
        auto plain = Client(peer->port, false, "");
        EXPECT_EQ(FailureOf(*plain), "Não foi possível conectar ao servidor de aplicação em "
                                     "127.0.0.1:" +
                                         std::to_string(peer->port) +
                                         " (a conexão foi encerrada sem resposta; se o servidor "
                                         "usa TLS, informe o endereço com https://).");
        EXPECT_EQ(peer->connects, 0);
    }
    TPeer<httplib::Server> peer;
    auto tls = Client(peer.port, true, certs_->ca);
    EXPECT_EQ(FailureOf(*tls), "Não foi possível conectar ao servidor de aplicação em "
                               "127.0.0.1:" +
                                   std::to_string(peer.port) +
                                   " (a negociação TLS falhou; o servidor pode não usar TLS).");
    EXPECT_EQ(peer.connects, 0);
    // The same connection reaches the plain peer once told to speak plain HTTP.
    tls->SetUseTls(false);
    EXPECT_EQ(tls->Call("Eco", {Variant(3)}).AsInteger(), 3);
}

} // namespace
