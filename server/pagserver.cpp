// The application server assembled: database, schema, connection pool and the RPC listener.
#include "server/pagserver.h"

#include <cstdlib>
#include <iostream>

#include "platform/rpchttp.h"

#include "server/schema.h"
#include "server/sessionstore.h"

namespace server {

std::string DefaultDatabasePath() {
    std::string base;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data != '\0') {
        base = data;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || *home == '\0')
            throw platform::Exception("Nem XDG_DATA_HOME nem HOME estão definidos: informe --db.");
        base = std::string(home) + "/.local/share";
    }
    return base + "/pag00900/pag00900.db";
}

void ParseListenAddress(const std::string& text, std::string& host, int& port) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        throw platform::EConvertError("Endereço \"" + text + "\" inválido: use HOST:PORTA.");
    const std::int64_t value = platform::StrToIntDef(text.substr(colon + 1), -1);
    if (value < 0 || value > 65535)
        throw platform::EConvertError("Porta inválida em \"" + text + "\".");
    host = text.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    port = static_cast<int>(value);
}

namespace {

// The RPC server's logins and tokens, on pooled connections; runs on the worker threads (a
// login takes a password hash, some 0.2 s: never on an I/O thread).
class TPagAuthenticator : public platform::TAuthenticator {
public:
    TPagAuthenticator(TConnectionPool& pool, TTokenStore& tokens, TLoginService& login)
        : pool_(pool), tokens_(tokens), login_(login) {}

    std::string Login(const std::string& operatorCode, const std::string& password,
                      const std::string& clientAddress) override {
        return WithLease(pool_, [&](platform::TSqlConnection& db) {
            return login_.Login(db, operatorCode, password, clientAddress).token;
        });
    }
    std::optional<std::string> Verify(const std::string& token) override {
        return WithLease(pool_,
                         [&](platform::TSqlConnection& db) { return tokens_.Verify(db, token); });
    }
    void Logout(const std::string& token) override {
        WithLease(pool_, [&](platform::TSqlConnection& db) { return tokens_.Revoke(db, token); });
    }

private:
    TConnectionPool& pool_;
    TTokenStore& tokens_;
    TLoginService& login_;
};

} // namespace

TPagServer::TPagServer(TServerOptions options)
    : options_(std::move(options)),
      pool_(options_.databaseUrl, static_cast<std::size_t>(std::max(1, options_.threads))),
      context_{pool_, options_.run}, tokens_(options_.tokens) {
    auto lease = pool_.Acquire();
    EnsureSchema(*lease);
    login_ = std::make_unique<TLoginService>(tokens_, options_.login);
    rpc_.RegisterObject(TRdmRecContBaixaPag::kName, [this](const platform::TSessionIdentity& who) {
        return std::make_unique<TRdmRecContBaixaPag>(context_, who);
    });
    rpc_.SetAuthenticator(std::make_shared<TPagAuthenticator>(pool_, tokens_, *login_));
    // Sessions live in the database: any server on it serves any of them.
    rpc_.SetSessionStore(
        std::make_shared<TDatabaseSessionStore>(pool_, options_.sessionIdleTimeout));
    rpc_.SetTokenCacheTime(options_.tokenCacheTime);
    rpc_.SetSessionsPerOperator(options_.maxSessionsPerOperator);
    rpc_.SetThreadCount(options_.threads);
    rpc_.SetMaxRequestBytes(options_.maxRequestBytes);
    rpc_.SetSessionIdleTimeout(options_.sessionIdleTimeout);
    rpc_.SetHeaderTimeout(options_.headerTimeout);
    rpc_.SetKeepAliveTimeout(options_.keepAliveTimeout);
    rpc_.SetMinBodyRate(options_.minBodyRate, options_.bodyGrace);
    rpc_.SetListenBacklog(options_.listenBacklog);
    rpc_.SetConnectionLimits(options_.maxConnections, options_.maxConnectionsPerAddress);
    rpc_.SetSessionLimits(options_.maxSessions, options_.maxSessionsPerAddress);
    rpc_.SetCallTimeout(options_.callTimeout);
    rpc_.SetStopGrace(options_.stopGrace);
    if (options_.tlsCert.empty() != options_.tlsKey.empty())
        throw platform::Exception("Para atender por TLS informe o certificado e a chave privada.");
    if (!options_.tlsCert.empty()) rpc_.SetTls(options_.tlsCert, options_.tlsKey);
    // Healthy when a pooled connection answers; runs on a worker thread of the server.
    rpc_.SetHealthCheck([this] {
        auto healthLease = pool_.Acquire();
        if (healthLease->Ping()) return true;
        healthLease.Discard();
        return false;
    });
}

TPagServer::~TPagServer() {
    Stop();
}

int TPagServer::Start() {
    if (!rpc_.TlsEnabled() && !platform::IsLoopbackHost(options_.host)) {
        if (!options_.allowPlainHttp)
            throw platform::Exception(
                "Recusado atender em " + options_.host +
                " sem TLS: as senhas e os dados passariam abertos pela rede. Informe "
                "--tls-cert e --tls-key, escute num endereço local (127.0.0.1) ou, só numa rede "
                "confiável, use --allow-plain-http.");
        std::cerr << "pag-server: AVISO: atendendo em " << options_.host
                  << " sem TLS (--allow-plain-http); os dados passam abertos pela rede."
                  << std::endl;
    }
    port_ = rpc_.Listen(options_.host, options_.port);
    return port_;
}

void TPagServer::Stop() {
    rpc_.Stop();
}

} // namespace server
