// The client connection to an application server: late-bound calls of a remote object's
// methods by name, with by-reference arguments, over HTTP/1.1 or HTTPS.
#include "platform/netconnection.h"

#include <netdb.h>

#include <algorithm>
#include <cctype>

#include <httplib.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include "platform/replywait.h"
#include "platform/rpcserver.h"
#include "platform/wire.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// Below the server's keep-alive time (2 s by default).
constexpr auto kIdleReuseLimit = std::chrono::seconds(1);

// Memory reserved up front for a reply of announced length; beyond it the buffer grows only
// as bytes actually arrive, so a false Content-Length costs nothing.
constexpr std::uint64_t kMaxReserve = 4u << 20;

// Names travel as path segments; anything outside this set would need escaping.
bool IsPathName(const std::string& name) {
    if (name.empty()) return false;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '-'))
            return false;
    return true;
}

std::string DurationText(std::chrono::milliseconds ms) {
    const auto count = ms.count();
    if (count % 1000 == 0) return std::to_string(count / 1000) + " s";
    return std::to_string(count) + " ms";
}

bool HostResolves(const std::string& host) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &result);
    if (result) freeaddrinfo(result);
    return rc == 0;
}

// Why the server's certificate was refused, from OpenSSL's verification result (X509_V_OK when
// the chain was good but the certificate names another host).
std::string VerificationReason(long result) {
    switch (result) {
    case X509_V_OK: return "o certificado não é deste servidor";
    case X509_V_ERR_CERT_HAS_EXPIRED: return "o certificado expirou";
    case X509_V_ERR_CERT_NOT_YET_VALID: return "o certificado ainda não é válido";
    case X509_V_ERR_CERT_REVOKED: return "o certificado foi revogado";
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return "o certificado não foi emitido por uma autoridade confiável";
    default: return "o certificado foi recusado";
    }
}

template <class Duration> void SetTimeout(Duration d, auto&& setter) {
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(d).count();
    setter(static_cast<time_t>(us / 1000000), static_cast<time_t>(us % 1000000));
}

void SetBearer(httplib::Request& req, const std::string& token) {
    req.headers.erase("Authorization");
    if (!token.empty()) req.set_header("Authorization", "Bearer " + token);
}

} // namespace

TRpcArg TRpcArg::Ref(Variant& target) {
    TRpcArg arg;
    arg.value_ = target;
    arg.variantTarget_ = &target;
    return arg;
}

TRpcArg TRpcArg::Ref(std::string& target) {
    TRpcArg arg;
    arg.value_ = Variant(target);
    arg.stringTarget_ = &target;
    return arg;
}

// The HTTP client of the open session. Invariant: outside Connect, client and sessionId are
// set exactly while the connection is connected; endpoint is the host:port of the last connect,
// and tlsClient is the client itself when that connect chose TLS, null otherwise.
struct TNetConnection::Impl {
    std::unique_ptr<httplib::ClientImpl> client;
    httplib::SSLClient* tlsClient = nullptr;
    std::string sessionId;
    std::string host;
    int port = 0;
    std::string endpoint;
    Clock::time_point lastExchange{};

    // Posts `req` and returns the decoded reply. `what` names the operation in messages.
    TWireReply Exchange(httplib::Request& req, const std::string& what, bool connecting,
                        const TNetConnection& owner);
    std::string TransportReason(httplib::Error error, Clock::duration elapsed, bool connecting,
                                const TNetConnection& owner) const;
};

std::string TNetConnection::Impl::TransportReason(httplib::Error error, Clock::duration elapsed,
                                                  bool connecting,
                                                  const TNetConnection& owner) const {
    switch (error) {
    case httplib::Error::Connection:
        return HostResolves(host) ? "conexão recusada" : "endereço não encontrado";
    case httplib::Error::ConnectionTimeout:
        return "tempo de conexão esgotado após " + DurationText(owner.connectTimeout_);
    case httplib::Error::Read:
        // httplib reports an expired read time-out as a read failure: tell them apart by time.
        if (!connecting && elapsed >= owner.readTimeout_ - std::chrono::milliseconds(50))
            return "sem resposta em " + DurationText(owner.readTimeout_);
        // A TLS server drops a plain request without an HTTP answer.
        if (connecting && !tlsClient)
            return "a conexão foi encerrada sem resposta; se o servidor usa TLS, informe o "
                   "endereço com https://";
        return "a conexão foi interrompida ao receber a resposta";
    case httplib::Error::Write: return "a conexão foi interrompida ao enviar a requisição";
    case httplib::Error::SSLConnection:
        return "a negociação TLS falhou; o servidor pode não usar TLS";
    case httplib::Error::SSLLoadingCerts:
        return owner.caFile_.empty()
                   ? "não foi possível ler as autoridades certificadoras do sistema"
                   : "não foi possível ler o arquivo de autoridades certificadoras";
    default: return httplib::to_string(error);
    }
}

TWireReply TNetConnection::Impl::Exchange(httplib::Request& req, const std::string& what,
                                          bool connecting, const TNetConnection& owner) {
    const std::string server = "servidor de aplicação em " + endpoint;
    std::string received;
    bool tooBig = false;
    req.response_handler = [&](const httplib::Response& res) {
        const auto length = res.get_header_value<std::uint64_t>("Content-Length");
        if (length > owner.maxReplyBytes_) {
            tooBig = true;
            return false;
        }
        received.reserve(static_cast<std::size_t>(std::min(length, kMaxReserve)));
        return true;
    };
    req.content_receiver = [&](const char* data, std::size_t n, std::uint64_t, std::uint64_t) {
        if (received.size() + n > owner.maxReplyBytes_) {
            tooBig = true;
            return false;
        }
        received.append(data, n);
        return true;
    };
    httplib::Response res;
    httplib::Error error = httplib::Error::Success;
    const auto start = Clock::now();
    // The server closes a connection after a short idle time (its keep-alive time); reusing
    // one that has been idle nearly that long could race with the close and lose the request.
    // After a shorter pause the request goes over a new connection instead.
    if (lastExchange != Clock::time_point{} && start - lastExchange > kIdleReuseLimit)
        client->stop();
    bool sent = false;
    WaitForReply([&] {
        sent = client->send(req, res, error);
        // A failed handshake leaves its causes in OpenSSL's per-thread error queue, where a
        // later TLS connection of this thread could mistake them for its own.
        if (!sent && tlsClient) ERR_clear_error();
    });
    lastExchange = Clock::now();
    if (tooBig)
        throw ERpcError("A resposta do " + server + " a " + what + " excede " +
                        std::to_string(owner.maxReplyBytes_) + " bytes.");
    if (!sent) {
        if (error == httplib::Error::SSLServerVerification)
            throw ERpcError(
                "Não foi possível verificar o certificado do " + server + " (" +
                VerificationReason(tlsClient ? tlsClient->get_openssl_verify_result() : X509_V_OK) +
                ").");
        const std::string reason = TransportReason(error, Clock::now() - start, connecting, owner);
        if (connecting)
            throw ERpcError("Não foi possível conectar ao " + server + " (" + reason + ").");
        throw ERpcError("Falha de comunicação com o " + server + " ao chamar " + what + " (" +
                        reason + ").");
    }
    if (received.empty()) received = std::move(res.body);
    if (res.status != 200) {
        // Our server explains a refusal in a failure reply; anything else is named by its status.
        // A missing login is answered to the caller, who may log in again.
        std::string reason = "HTTP " + std::to_string(res.status);
        try {
            TWireReply reply = DecodeReply(received);
            if (reply.status == TReplyStatus::NotAuthenticated) return reply;
            if (reply.status != TReplyStatus::Ok) reason = reply.message;
        } catch (const EWireError&) {}
        if (connecting)
            throw ERpcError("Não foi possível conectar ao " + server + " (" + reason + ").");
        throw ERpcError("O " + server + " recusou " + what + ": " + reason);
    }
    try {
        return DecodeReply(received);
    } catch (const EWireError& e) {
        throw ERpcError("Resposta inválida do " + server + " a " + what + ": " + e.Message() + ".");
    }
}

TNetConnection::TNetConnection(TComponent* owner)
    : TComponent(owner), impl_(std::make_unique<Impl>()) {}

TNetConnection::~TNetConnection() {
    // Saying goodbye is a courtesy: when it fails the server's idle time-out ends the session,
    // and a destructor that threw would end the program.
    try {
        SetConnected(false);
    } catch (const std::exception&) { DropSession(); }
}

void TNetConnection::SetConnected(bool value) {
    if (value == connected_) return;
    if (value) {
        try {
            Connect();
        } catch (const ERpcError&) {
            if (throwException_) throw;
        }
        return;
    }
    httplib::Request req;
    req.method = "POST";
    req.path = "/" + serverName_ + "/__disconnect";
    req.set_header(kSessionHeader, impl_->sessionId);
    SetBearer(req, token_);
    try {
        impl_->Exchange(req, "__disconnect", false, *this);
    } catch (const ERpcError&) {
        // The server is gone or refuses: its idle time-out ends the session anyway.
    }
    DropSession();
}

void TNetConnection::DropSession() {
    impl_->client.reset();
    impl_->tlsClient = nullptr;
    impl_->sessionId.clear();
    connected_ = false;
}

void TNetConnection::SetToken(std::string token) {
    if (token == token_) return;
    if (connected_) SetConnected(false); // with the old token, which owns the session
    token_ = std::move(token);
}

bool TNetConnection::Reauthenticate() {
    if (!OnAuthenticate) return false;
    std::string token = OnAuthenticate();
    if (token.empty()) return false;
    // The old session belongs to the refused token: nobody can use it any more, and the
    // server's idle time-out ends it.
    if (connected_) DropSession();
    token_ = std::move(token);
    return true;
}

std::string TNetConnection::Login(const std::string& operatorCode, const std::string& password) {
    const TWireReply reply = SessionlessCall(
        "__login",
        EncodeRequest({TWireArg{Variant(operatorCode), false}, TWireArg{Variant(password), false}}),
        false);
    if (reply.status != TReplyStatus::Ok) throw EServerError(reply.message);
    if (reply.result.Type() != VarType::String || reply.result.AsString().empty())
        throw ERpcError("Resposta inválida do servidor de aplicação em " + impl_->endpoint +
                        " a __login: sem token.");
    token_ = reply.result.AsString();
    return token_;
}

void TNetConnection::Logout() {
    if (token_.empty()) {
        if (connected_) SetConnected(false);
        return;
    }
    const TWireReply reply = SessionlessCall("__logout", {}, true);
    token_.clear(); // refused or not, this token is not used again
    // An already expired or revoked token is as good as logged out.
    if (reply.status == TReplyStatus::Error) throw EServerError(reply.message);
}

TWireReply TNetConnection::SessionlessCall(const std::string& method, std::string body,
                                           bool presentToken) {
    if (connected_) SetConnected(false);
    MakeClient();
    httplib::Request req;
    req.method = "POST";
    req.path = "/" + serverName_ + "/" + method;
    if (!body.empty()) {
        req.set_header("Content-Type", kWireContentType);
        req.body = std::move(body);
    }
    if (presentToken) SetBearer(req, token_);
    TWireReply reply;
    try {
        reply = impl_->Exchange(req, method, true, *this);
    } catch (...) {
        DropSession();
        throw;
    }
    DropSession();
    return reply;
}

void TNetConnection::MakeClient() {
    if (BeforeConnect) BeforeConnect(this);
    impl_->host = host_;
    impl_->port = port_;
    impl_->endpoint = host_ + ":" + std::to_string(port_);
    if (host_.empty() || port_ <= 0 || port_ > 65535)
        throw ERpcError("Não foi possível conectar ao servidor de aplicação em " + impl_->endpoint +
                        " (endereço inválido).");
    if (!IsPathName(serverName_))
        throw ERpcError("Nome de objeto remoto inválido: \"" + serverName_ + "\".");

    std::unique_ptr<httplib::ClientImpl> client;
    impl_->tlsClient = nullptr;
    if (useTls_) {
        auto tls = std::make_unique<httplib::SSLClient>(host_, port_);
        if (SSL_CTX_set_min_proto_version(tls->ssl_context(), TLS1_2_VERSION) != 1)
            throw ERpcError("Não foi possível conectar ao servidor de aplicação em " +
                            impl_->endpoint + " (TLS indisponível).");
        tls->enable_server_certificate_verification(true); // the chain and the host name
        if (!caFile_.empty()) tls->set_ca_cert_path(caFile_);
        impl_->tlsClient = tls.get();
        client = std::move(tls);
    } else {
        client = std::make_unique<httplib::ClientImpl>(host_, port_);
    }
    SetTimeout(connectTimeout_,
               [&](time_t s, time_t us) { client->set_connection_timeout(s, us); });
    SetTimeout(readTimeout_, [&](time_t s, time_t us) { client->set_read_timeout(s, us); });
    SetTimeout(writeTimeout_, [&](time_t s, time_t us) { client->set_write_timeout(s, us); });
    client->set_tcp_nodelay(true); // else every small request waits on delayed ACKs
    client->set_keep_alive(true);
    client->set_decompress(false); // replies are never compressed; nothing to inflate
    impl_->client = std::move(client);
}

void TNetConnection::Connect(bool mayReauthenticate) {
    TWireReply reply;
    for (bool retried = false;; retried = true) {
        MakeClient();
        httplib::Request req;
        req.method = "POST";
        req.path = "/" + serverName_ + "/__connect";
        SetBearer(req, token_);
        try {
            reply = impl_->Exchange(req, "__connect", true, *this);
        } catch (...) {
            impl_->client.reset();
            impl_->tlsClient = nullptr;
            throw;
        }
        if (reply.status != TReplyStatus::NotAuthenticated) break;
        impl_->client.reset();
        impl_->tlsClient = nullptr;
        if (retried || !mayReauthenticate || !Reauthenticate())
            throw ENotAuthenticated(reply.message);
    }
    if (reply.status != TReplyStatus::Ok || reply.result.Type() != VarType::String ||
        reply.result.AsString().empty()) {
        impl_->client.reset();
        impl_->tlsClient = nullptr;
        const std::string reason =
            reply.status == TReplyStatus::Ok ? "resposta sem sessão" : reply.message;
        throw ERpcError("Não foi possível conectar ao servidor de aplicação em " + impl_->endpoint +
                        " (" + reason + ").");
    }
    impl_->sessionId = reply.result.AsString();
    connected_ = true;
}

Variant TNetConnection::Call(const std::string& method, const std::vector<TRpcArg>& args) {
    if (!IsPathName(method) || method.rfind("__", 0) == 0)
        throw ERpcError("Nome de método inválido: \"" + method + "\".");
    std::vector<TWireArg> wireArgs;
    wireArgs.reserve(args.size());
    std::size_t byRefCount = 0;
    for (const TRpcArg& arg : args) {
        wireArgs.push_back(TWireArg{arg.Value(), arg.ByRef()});
        if (arg.ByRef()) ++byRefCount;
    }
    if (OnCall) {
        std::vector<Variant> values;
        values.reserve(args.size());
        for (const TRpcArg& arg : args) values.push_back(arg.Value());
        OnCall(method, values);
    }

    httplib::Request req;
    req.method = "POST";
    req.path = "/" + serverName_ + "/" + method;
    req.set_header("Content-Type", kWireContentType);
    req.body = EncodeRequest(wireArgs);
    wireArgs.clear();

    bool sessionRetried = false;
    bool authRetried = false;
    for (;;) {
        if (!connected_) Connect(!authRetried);
        req.headers.erase(kSessionHeader);
        req.set_header(kSessionHeader, impl_->sessionId);
        SetBearer(req, token_);
        TWireReply reply = impl_->Exchange(req, method, false, *this);
        switch (reply.status) {
        case TReplyStatus::Error: throw EServerError(reply.message);
        case TReplyStatus::NotAuthenticated:
            // Nothing ran: with a new token, open a new session and send again, once.
            if (authRetried || !Reauthenticate()) throw ENotAuthenticated(reply.message);
            authRetried = true;
            continue;
        case TReplyStatus::NoSession:
            DropSession();
            if (!sessionRetried) { // nothing ran: open a new session and send again
                sessionRetried = true;
                continue;
            }
            throw ERpcError("O servidor de aplicação em " + impl_->endpoint +
                            " encerrou a sessão: " + reply.message);
        case TReplyStatus::Ok: break;
        }
        if (reply.byRef.size() != byRefCount)
            throw ERpcError("Resposta inválida do servidor de aplicação em " + impl_->endpoint +
                            " a " + method + ": " + std::to_string(reply.byRef.size()) +
                            " valores de argumentos por referência, esperados " +
                            std::to_string(byRefCount) + ".");
        // Check every returned value before assigning any, so a bad reply changes nothing.
        std::size_t k = 0;
        for (std::size_t i = 0; i < args.size(); ++i) {
            if (!args[i].ByRef()) continue;
            const VarType type = reply.byRef[k++].Type();
            if (args[i].stringTarget_ && type != VarType::String && type != VarType::Null &&
                type != VarType::Empty)
                throw ERpcError("Resposta inválida do servidor de aplicação em " + impl_->endpoint +
                                " a " + method + ": o argumento " + std::to_string(i + 1) +
                                " voltou como " + Variant::TypeName(type) + " em vez de texto.");
        }
        k = 0;
        for (const TRpcArg& arg : args) {
            if (!arg.ByRef()) continue;
            Variant& value = reply.byRef[k++];
            if (arg.variantTarget_)
                *arg.variantTarget_ = std::move(value);
            else
                *arg.stringTarget_ = VarToStr(value);
        }
        return std::move(reply.result);
    }
}

} // namespace platform
