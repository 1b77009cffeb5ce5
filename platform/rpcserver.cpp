// The server side of remote calls: remote objects registered by name, one instance per client
// session, served over HTTP/1.1 with MessagePack bodies.
#include "platform/rpcserver.h"

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <unordered_map>
#include <utility>

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include "platform/calldeadline.h"
#include "platform/calllog.h"
#include "platform/rpchttp.h"
#include "platform/rpcmetrics.h"
#include "platform/rpcreply.h"
#include "platform/rpcsessions.h"
#include "platform/rpcworkers.h"
#include "platform/sysutils.h"
#include "platform/wire.h"

namespace platform {

// ---------------------------------------------------------------------------------------------
// Remote objects with registered methods

void CheckArgKinds(std::string_view method, std::string_view kinds,
                   const std::vector<Variant>& args) {
    const std::string name(method);
    if (args.size() != kinds.size())
        throw Exception(name + ": esperados " + std::to_string(kinds.size()) +
                        " argumentos, recebidos " + std::to_string(args.size()) + ".");
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        const VarType type = args[i].Type();
        bool ok = false;
        const char* expected = "";
        switch (kinds[i]) {
        case 'S':
            ok = type == VarType::String;
            expected = "um texto";
            break;
        case 'D':
            ok = type == VarType::Date || type == VarType::Integer || type == VarType::Double;
            expected = "uma data";
            break;
        case 'F':
            ok = type == VarType::Double || type == VarType::Integer;
            expected = "um número";
            break;
        case 'I':
            ok = type == VarType::Integer;
            expected = "um inteiro";
            break;
        case 'V': ok = true; break;
        default:
            throw Exception(name + ": tipo de argumento desconhecido '" + std::string(1, kinds[i]) +
                            "' na declaração do método.");
        }
        if (!ok)
            throw Exception(name + ": o argumento " + std::to_string(i + 1) + " deveria ser " +
                            expected + ", mas é do tipo " + Variant::TypeName(type) + ".");
    }
}

void TDispatchObject::Method(std::string name, std::string kinds, TMethod method) {
    if (kinds.find_first_not_of("SDFIV") != std::string::npos)
        throw Exception(name + ": tipos de argumento inválidos na declaração: \"" + kinds + "\".");
    methods_.push_back(Entry{std::move(name), std::move(kinds), std::move(method)});
}

Variant TDispatchObject::Invoke(const std::string& method, std::vector<Variant>& args) {
    // Late binding by name ignores case, as a dispatch interface does.
    for (const Entry& entry : methods_) {
        if (SameText(entry.name, method)) {
            CheckArgKinds(entry.name, entry.kinds, args);
            return entry.method(args);
        }
    }
    throw Exception("O objeto remoto " + objectName_ + " não tem o método " +
                    SanitizedText(method) + ".");
}

std::string TRemoteObject::RegisteredName(const std::string&) const {
    return {};
}

std::string TDispatchObject::RegisteredName(const std::string& method) const {
    for (const Entry& entry : methods_)
        if (SameText(entry.name, method)) return entry.name;
    return {};
}

// ---------------------------------------------------------------------------------------------
// The server

namespace {

using Clock = std::chrono::steady_clock;

// Requests at least this large give the memory of their decode back to the system after the call.
constexpr std::size_t kTrimAfterBodyBytes = std::size_t{1} << 20;

// Marks the current call's outcome, when there is one.
void SetOutcome(const char* outcome) {
    if (TCallRecord* call = CurrentCall()) call->outcome = outcome;
}

// An error reply; the call's log line says "error".
std::string ErrorReply(const std::string& message, TReplyStatus status = TReplyStatus::Error) {
    SetOutcome(status == TReplyStatus::NoSession          ? "no-session"
               : status == TReplyStatus::NotAuthenticated ? "not-authenticated"
                                                          : "error");
    return EncodeErrorReply(message, status);
}

// How often a session this server serves is checked with the session store at most.
constexpr std::chrono::seconds kStoreTouchInterval{10};

// A session id as the session table writes it: 32 lowercase hex digits.
bool IsSessionId(const std::string& id) {
    return id.size() == 32 && id.find_first_not_of("0123456789abcdef") == std::string::npos;
}

constexpr const char* kLoginNeeded = "É preciso entrar novamente: o login não é válido ou expirou.";

// The hex SHA-256 of a token: sessions and the cache keep this, never the token itself.
std::string TokenHash(const std::string& token) {
    // Fetched once: an implicit fetch (EVP_sha256()) looks the algorithm up on every call.
    static EVP_MD* const sha256 = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (sha256 == nullptr ||
        EVP_Digest(token.data(), token.size(), digest, &length, sha256, nullptr) != 1)
        throw Exception("Não foi possível calcular o resumo do token.");
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * length);
    for (unsigned int i = 0; i < length; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 0xf];
    }
    return hex;
}

bool SameHash(const std::string& a, const std::string& b) {
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

// The reply to an exception nobody meant for the user: its text goes to the log only.
std::string IncidentReply(const std::string& where, const std::string& details) {
    const std::string incident = LogIncident(where, details);
    SetOutcome("internal");
    return EncodeErrorReply(IncidentMessage(where, incident));
}

THttpReply WireReply(int status, std::string body) {
    return THttpReply::Of(status, kWireContentType, std::move(body));
}

// The deadlines of the calls running now, so that Stop can cancel them.
// Invariant: once CancelAll ran, every deadline added is cancelled at once.
class TDeadlineSet {
public:
    void Add(TCallDeadline& deadline) {
        std::lock_guard lock(mutex_);
        if (cancelled_) deadline.Cancel();
        active_.insert(&deadline);
    }
    void Remove(TCallDeadline& deadline) {
        std::lock_guard lock(mutex_);
        active_.erase(&deadline);
    }
    void CancelAll() {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        for (TCallDeadline* deadline : active_) deadline->Cancel();
    }
    bool Cancelled() const {
        std::lock_guard lock(mutex_);
        return cancelled_;
    }
    void Reset() {
        std::lock_guard lock(mutex_);
        cancelled_ = false;
    }

private:
    mutable std::mutex mutex_;
    std::set<TCallDeadline*> active_; // guarded by mutex_
    bool cancelled_ = false;          // guarded by mutex_
};

// Recent successful verifications by token hash, so that a call does not ask the
// authenticator (a database round trip) each time. Invariant: an entry is trusted only until
// its time plus the cache time; a logout through this server drops its entry at once.
class TTokenCache {
public:
    void SetTime(std::chrono::milliseconds time) { time_ = time; }
    std::optional<std::string> Find(const std::string& hash) {
        std::lock_guard lock(mutex_);
        auto it = entries_.find(hash);
        if (it == entries_.end()) return std::nullopt;
        if (Clock::now() - it->second.verified >= time_) {
            entries_.erase(it);
            return std::nullopt;
        }
        return it->second.operatorCode;
    }
    void Put(const std::string& hash, const std::string& operatorCode) {
        if (time_ <= std::chrono::milliseconds::zero()) return;
        std::lock_guard lock(mutex_);
        if (entries_.size() >= kMaxEntries) entries_.clear(); // bounded; refilled on demand
        entries_[hash] = Entry{operatorCode, Clock::now()};
    }
    void Drop(const std::string& hash) {
        std::lock_guard lock(mutex_);
        entries_.erase(hash);
    }

private:
    static constexpr std::size_t kMaxEntries = 10000;
    struct Entry {
        std::string operatorCode;
        Clock::time_point verified;
    };
    std::chrono::milliseconds time_ = std::chrono::seconds(5);
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_; // guarded by mutex_
};

} // namespace

struct TRpcServer::Impl {
    std::map<std::string, TIdentityObjectFactory> factories; // fixed once listening
    std::shared_ptr<TAuthenticator> authenticator;           // fixed once listening
    std::shared_ptr<TSessionStore> store;                    // fixed once listening
    std::chrono::milliseconds idleTimeout = std::chrono::hours(1);
    TTokenCache tokenCache;
    int threadCount = 8;
    THttpSettings http;
    std::chrono::milliseconds callTimeout = std::chrono::seconds(120);
    std::chrono::milliseconds stopGrace = std::chrono::seconds(25);
    std::function<bool()> healthCheck;

    TRpcMetrics metrics;
    TSessionTable sessions;
    TWorkerPool workers;
    TDeadlineSet deadlines;
    std::unique_ptr<THttpServer> server;
    std::atomic<bool> running{false};
    int port = 0;
    std::mutex stopMutex; // serialises Listen and Stop

    void Handle(THttpRequest request, THttpCompletion done);
    void Serve(const THttpRequest& request, const std::string& object, const std::string& method,
               const THttpCompletion& done);
    THttpReply Dispatch(const std::string& object, const std::string& method,
                        const THttpRequest& request, std::string& label);
    THttpReply Call(const std::shared_ptr<TRpcSession>& session, const std::string& object,
                    const std::string& method, std::string_view body, std::string& label);
    std::string Connect(const std::string& object, const THttpRequest& request);
    // The session of the request with one more call in progress: from this server's table, or
    // taken over from the store; null with the reply in `refusal` when there is none to serve.
    std::shared_ptr<TRpcSession> BeginCall(const THttpRequest& request, bool disconnecting,
                                           THttpReply& refusal);
    // Takes over a session the store knows and this server does not; null when the store does
    // not know it (or it is of no object registered here).
    std::shared_ptr<TRpcSession> Adopt(const THttpRequest& request, std::string& refusal);
    // Whether the store still has the session; asks it once per touch interval only.
    bool StillInStore(TRpcSession& session);
    // The operator of the request's bearer token (cached for a while), nullopt when it has
    // none or it is not live.
    std::optional<std::string> Authenticate(const std::string& token, const std::string& hash);
    THttpReply Login(const THttpRequest& request);
    THttpReply Logout(const THttpRequest& request);
    void Health(const THttpCompletion& done);
};

void TRpcServer::Impl::Handle(THttpRequest request, THttpCompletion done) {
    if (request.verb == "GET" && request.path == "/metrics") {
        done(THttpReply::Of(
            200, "text/plain; version=0.0.4; charset=utf-8",
            metrics.Render(sessions.Count(), server ? server->ConnectionCount() : 0)));
        return;
    }
    if (request.verb == "GET" && request.path == "/health") {
        if (!workers.Submit([this, done] { Health(done); }))
            done(THttpReply::Of(503, "text/plain; charset=utf-8",
                                "O servidor de aplicação está sendo encerrado.\n"));
        return;
    }
    // POST /<Object>/<Method>
    const std::string& path = request.path;
    const std::size_t slash = path.find('/', 1);
    const bool routed = request.verb == "POST" && path.size() > 1 && path[0] == '/' &&
                        slash != std::string::npos && slash > 1 && slash + 1 < path.size() &&
                        path.find('/', slash + 1) == std::string::npos;
    if (!routed) {
        TCallRecord record;
        record.client = request.client;
        record.session = request.session.substr(0, 8);
        record.method = SanitizedText(path, 120);
        record.outcome = "http-404";
        LogCall(record, Clock::duration::zero());
        metrics.CountCall("other", record.outcome, Clock::duration::zero());
        done(WireReply(404, EncodeErrorReply("O servidor de aplicação não atende \"" +
                                             SanitizedText(request.verb, 10) + " " +
                                             SanitizedText(path, 120) + "\".")));
        return;
    }
    std::string object = path.substr(1, slash - 1);
    std::string method = path.substr(slash + 1);
    auto shared = std::make_shared<THttpRequest>(std::move(request));
    const bool queued = workers.Submit(
        [this, shared, object, method, done] { Serve(*shared, object, method, done); });
    if (!queued)
        done(WireReply(503, EncodeErrorReply("O servidor de aplicação está sendo encerrado.")));
}

// Runs on a worker: the call, its log line and its count.
void TRpcServer::Impl::Serve(const THttpRequest& request, const std::string& object,
                             const std::string& method, const THttpCompletion& done) {
    const auto started = Clock::now();
    TCallRecord record;
    record.client = request.client;
    record.session = request.session.substr(0, 8);
    record.method = SanitizedText(object, 80) + "." + SanitizedText(method, 80);
    std::string label = "other";
    THttpReply reply;
    {
        TRpcMetrics::TInFlight inFlight(metrics);
        TCallScope scope(record);
        reply = Dispatch(object, method, request, label);
    }
    const auto took = Clock::now() - started;
    LogCall(record, took);
    metrics.CountCall(label, record.outcome, took);
    done(std::move(reply));
    // The allocator keeps what a large request's decode freed; hand it back to the system so
    // that a burst of large requests does not leave the server that much bigger.
    if (request.body.size() >= kTrimAfterBodyBytes) malloc_trim(0);
}

THttpReply TRpcServer::Impl::Dispatch(const std::string& object, const std::string& method,
                                      const THttpRequest& request, std::string& label) {
    const bool known = factories.count(object) > 0;
    if (method == "__connect") {
        if (known) label = object + ".__connect";
        return WireReply(200, Connect(object, request));
    }
    if (method == "__login") {
        if (known) label = object + ".__login";
        return Login(request);
    }
    if (method == "__logout") {
        if (known) label = object + ".__logout";
        return Logout(request);
    }
    const bool disconnecting = method == "__disconnect";
    if (disconnecting && known) label = object + ".__disconnect";
    THttpReply refusal;
    std::shared_ptr<TRpcSession> session = BeginCall(request, disconnecting, refusal);
    if (!session) return refusal;
    struct CallScope {
        TSessionTable& sessions;
        TRpcSession& session;
        ~CallScope() { sessions.EndCall(session); }
    } scope{sessions, *session};
    if (authenticator) {
        // Only the token the session was opened with, and only while it lives; a refused
        // request leaves the session as it was, for its owner.
        const std::string hash = request.bearer.empty() ? std::string() : TokenHash(request.bearer);
        bool live = false;
        try {
            live = !hash.empty() && SameHash(hash, session->tokenHash) &&
                   Authenticate(request.bearer, hash).has_value();
        } catch (const std::exception& e) {
            return WireReply(200, IncidentReply("Verificação do login", e.what()));
        }
        if (!live) return WireReply(200, ErrorReply(kLoginNeeded, TReplyStatus::NotAuthenticated));
        if (TCallRecord* call = CurrentCall()) call->operatorCode = session->operatorCode;
    }
    if (disconnecting) {
        sessions.Remove(session->id);
        if (store) {
            try {
                store->End(session->id);
            } catch (const std::exception& e) {
                return WireReply(200, IncidentReply("Fim da sessão", e.what()));
            }
        }
        return WireReply(200, EncodeOkReply(Variant()));
    }
    THttpReply reply = Call(session, object, method, request.body, label);
    // The log names the authenticated operator, whatever the arguments claimed.
    if (authenticator)
        if (TCallRecord* call = CurrentCall()) call->operatorCode = session->operatorCode;
    return reply;
}

THttpReply TRpcServer::Impl::Call(const std::shared_ptr<TRpcSession>& session,
                                  const std::string& object, const std::string& method,
                                  std::string_view body, std::string& label) {
    if (session->objectName != object)
        return WireReply(200,
                         ErrorReply("A sessão pertence ao objeto remoto " + session->objectName +
                                    ", não a " + SanitizedText(object) + "."));
    const std::string where = object + "." + SanitizedText(method);
    // Every failure becomes a failure reply: the worker thread must never end by an exception.
    try {
        std::vector<TWireArg> wireArgs;
        try {
            wireArgs = DecodeRequest(body);
        } catch (const EWireError& e) {
            return WireReply(200,
                             ErrorReply("Requisição inválida para " + where + ": " + e.what()));
        }
        std::vector<Variant> args;
        args.reserve(wireArgs.size());
        for (TWireArg& arg : wireArgs) args.push_back(std::move(arg.value));
        Variant result;
        {
            std::lock_guard<std::mutex> lock(session->callMutex);
            if (!session->object) // its __connect has not finished creating it
                return WireReply(200, ErrorReply("A sessão com o servidor de aplicação ainda não "
                                                 "está pronta.",
                                                 TReplyStatus::NoSession));
            if (const std::string name = session->object->RegisteredName(method); !name.empty())
                label = object + "." + name;
            TCallDeadline deadline(callTimeout);
            deadlines.Add(deadline);
            struct Installed {
                TDeadlineSet& set;
                TCallDeadline& deadline;
                TCallDeadlineScope scope{deadline};
                ~Installed() { set.Remove(deadline); }
            } installed{deadlines, deadline};
            deadline.ThrowIfExpired(); // cancelled already: the server stops, nothing runs
            result = session->object->Invoke(method, args);
        }
        std::vector<Variant> byRef;
        for (std::size_t i = 0; i < wireArgs.size(); ++i)
            if (wireArgs[i].byRef) byRef.push_back(std::move(args[i]));
        THttpReply reply;
        reply.contentType = kWireContentType;
        reply.parts = EncodeOkReplyParts(result, byRef);
        return reply;
    } catch (const ECallCancelled& e) {
        SetOutcome(deadlines.Cancelled() ? "cancelled" : "deadline");
        return WireReply(200, EncodeErrorReply(e.what()));
    } catch (const EDatabaseError& e) {
        // Database texts name tables, statements and the server: they stay in the log.
        return WireReply(200, IncidentReply(where, e.what()));
    } catch (const Exception& e) {
        return WireReply(200, ErrorReply(e.what())); // the object's own message for the user
    } catch (const std::exception& e) {
        return WireReply(200, IncidentReply(where, e.what()));
    } catch (...) { return WireReply(200, IncidentReply(where, "exceção desconhecida")); }
}

std::string TRpcServer::Impl::Connect(const std::string& object, const THttpRequest& request) {
    auto factory = factories.find(object);
    if (factory == factories.end())
        return ErrorReply("O objeto remoto " + SanitizedText(object) +
                          " não está registrado neste servidor de aplicação.");
    auto session = std::make_shared<TRpcSession>();
    session->objectName = object;
    session->address = request.address;
    if (authenticator) {
        if (request.bearer.empty()) return ErrorReply(kLoginNeeded, TReplyStatus::NotAuthenticated);
        std::string hash = TokenHash(request.bearer);
        std::optional<std::string> operatorCode;
        try {
            operatorCode = Authenticate(request.bearer, hash);
        } catch (const std::exception& e) {
            return IncidentReply("Verificação do login", e.what());
        }
        if (!operatorCode) return ErrorReply(kLoginNeeded, TReplyStatus::NotAuthenticated);
        session->operatorCode = *operatorCode;
        session->tokenHash = std::move(hash);
        if (TCallRecord* call = CurrentCall()) call->operatorCode = session->operatorCode;
    }
    // The session is in the table before its object exists (the object learns the session's
    // id); callMutex, held until the object is made, keeps calls away from it meanwhile.
    TRpcSession& added = *session;
    std::unique_lock creating(added.callMutex);
    std::string refusal;
    const std::string id = sessions.Add(session, refusal);
    if (id.empty()) {
        SetOutcome("refused");
        return EncodeErrorReply(refusal);
    }
    const TSessionIdentity identity{added.operatorCode, added.address, id};
    try {
        added.object = factory->second(identity);
    } catch (const std::exception& e) {
        creating.unlock();
        sessions.Remove(id);
        return IncidentReply("Não foi possível criar o objeto remoto " + object, e.what());
    }
    if (!added.object) {
        creating.unlock();
        sessions.Remove(id);
        return ErrorReply("Não foi possível criar o objeto remoto " + object + ".");
    }
    if (store) {
        try {
            store->Create(
                TStoredSession{id, object, added.operatorCode, added.tokenHash, added.address});
            added.storeChecked = Clock::now().time_since_epoch().count();
        } catch (const std::exception& e) {
            creating.unlock();
            sessions.Remove(id);
            return IncidentReply("Registro da sessão", e.what());
        }
    }
    return EncodeOkReply(Variant(id));
}

std::shared_ptr<TRpcSession> TRpcServer::Impl::BeginCall(const THttpRequest& request,
                                                         bool disconnecting, THttpReply& refusal) {
    const auto noSession = [&] {
        refusal = disconnecting ? WireReply(200, EncodeOkReply(Variant()))
                                : WireReply(200, ErrorReply("A sessão com o servidor de aplicação "
                                                            "não existe mais (encerrada ou "
                                                            "expirada).",
                                                            TReplyStatus::NoSession));
        return nullptr;
    };
    std::shared_ptr<TRpcSession> session = sessions.BeginCall(request.session);
    if (!store) return session ? session : noSession();
    try {
        if (session && !StillInStore(*session)) { // ended through another server, or expired
            sessions.EndCall(*session);
            sessions.Remove(session->id);
            return noSession();
        }
        if (session) return session;
        std::string why;
        session = Adopt(request, why);
        if (session) return session;
        if (why.empty()) return noSession();
        SetOutcome("refused");
        refusal = WireReply(200, EncodeErrorReply(why));
        return nullptr;
    } catch (const std::exception& e) {
        if (session) sessions.EndCall(*session);
        refusal = WireReply(200, IncidentReply("Consulta da sessão", e.what()));
        return nullptr;
    }
}

std::shared_ptr<TRpcSession> TRpcServer::Impl::Adopt(const THttpRequest& request,
                                                     std::string& refusal) {
    if (!IsSessionId(request.session)) return nullptr;
    std::optional<TStoredSession> stored = store->Find(request.session);
    if (!stored) return nullptr;
    auto factory = factories.find(stored->objectName);
    if (factory == factories.end()) return nullptr;
    auto session = std::make_shared<TRpcSession>();
    session->id = stored->id;
    session->objectName = stored->objectName;
    session->address = request.address;
    session->operatorCode = stored->operatorCode;
    session->tokenHash = stored->tokenHash;
    session->storeChecked = Clock::now().time_since_epoch().count();
    session->object =
        factory->second(TSessionIdentity{session->operatorCode, session->address, session->id});
    if (!session->object)
        throw Exception("Não foi possível criar o objeto remoto " + stored->objectName + ".");
    return sessions.Adopt(std::move(session), refusal);
}

bool TRpcServer::Impl::StillInStore(TRpcSession& session) {
    const auto interval = std::min<Clock::duration>(kStoreTouchInterval, idleTimeout / 4);
    const Clock::rep now = Clock::now().time_since_epoch().count();
    Clock::rep checked = session.storeChecked;
    if (now - checked < interval.count()) return true;
    // One call of the session asks; one at the same time on this server goes on meanwhile.
    if (!session.storeChecked.compare_exchange_strong(checked, now)) return true;
    return store->Touch(session.id);
}

std::optional<std::string> TRpcServer::Impl::Authenticate(const std::string& token,
                                                          const std::string& hash) {
    if (std::optional<std::string> cached = tokenCache.Find(hash)) return cached;
    std::optional<std::string> operatorCode = authenticator->Verify(token);
    if (operatorCode) tokenCache.Put(hash, *operatorCode);
    return operatorCode;
}

THttpReply TRpcServer::Impl::Login(const THttpRequest& request) {
    if (!authenticator)
        return WireReply(200, ErrorReply("Este servidor de aplicação não usa login."));
    std::vector<TWireArg> args;
    try {
        args = DecodeRequest(request.body);
    } catch (const EWireError& e) {
        return WireReply(200, ErrorReply(std::string("Requisição de login inválida: ") + e.what()));
    }
    if (args.size() != 2 || args[0].value.Type() != VarType::String ||
        args[1].value.Type() != VarType::String)
        return WireReply(200, ErrorReply("Requisição de login inválida: esperados o operador e a "
                                         "senha."));
    const std::string& operatorCode = args[0].value.AsString();
    if (TCallRecord* call = CurrentCall()) call->operatorCode = SanitizedText(operatorCode, 12);
    try {
        const std::string token =
            authenticator->Login(operatorCode, args[1].value.AsString(), request.address);
        return WireReply(200, EncodeOkReply(Variant(token)));
    } catch (const EDatabaseError& e) {
        return WireReply(200, IncidentReply("Login", e.what()));
    } catch (const Exception& e) {
        SetOutcome("refused");
        return WireReply(200, EncodeErrorReply(e.what()));
    } catch (const std::exception& e) { return WireReply(200, IncidentReply("Login", e.what())); }
}

THttpReply TRpcServer::Impl::Logout(const THttpRequest& request) {
    if (!authenticator || request.bearer.empty())
        return WireReply(200, ErrorReply(kLoginNeeded, TReplyStatus::NotAuthenticated));
    const std::string hash = TokenHash(request.bearer);
    tokenCache.Drop(hash);
    try {
        authenticator->Logout(request.bearer);
        if (store) store->EndByToken(hash);
    } catch (const EDatabaseError& e) {
        return WireReply(200, IncidentReply("Logout", e.what()));
    } catch (const std::exception& e) { return WireReply(200, IncidentReply("Logout", e.what())); }
    sessions.RemoveByToken(hash);
    return WireReply(200, EncodeOkReply(Variant()));
}

void TRpcServer::Impl::Health(const THttpCompletion& done) {
    bool healthy = true;
    if (healthCheck) {
        try {
            healthy = healthCheck();
        } catch (const std::exception& e) {
            LogIncident("/health", e.what());
            healthy = false;
        }
    }
    if (healthy)
        done(THttpReply::Of(200, "text/plain; charset=utf-8", "ok\n"));
    else
        done(THttpReply::Of(503, "text/plain; charset=utf-8", "O banco de dados não responde.\n"));
}

TRpcServer::TRpcServer() : impl_(std::make_unique<Impl>()) {}

TRpcServer::~TRpcServer() {
    Stop();
}

void TRpcServer::RegisterObject(const std::string& name, TRemoteObjectFactory factory) {
    if (impl_->server)
        throw Exception("Objetos remotos devem ser registrados antes de o servidor escutar.");
    if (name.empty() || name.find('/') != std::string::npos || name.rfind("__", 0) == 0)
        throw Exception("Nome de objeto remoto inválido: \"" + name + "\".");
    impl_->factories[name] = [factory = std::move(factory)](const TSessionIdentity&) {
        return factory();
    };
}

void TRpcServer::RegisterObject(const std::string& name, TIdentityObjectFactory factory) {
    if (impl_->server)
        throw Exception("Objetos remotos devem ser registrados antes de o servidor escutar.");
    if (name.empty() || name.find('/') != std::string::npos || name.rfind("__", 0) == 0)
        throw Exception("Nome de objeto remoto inválido: \"" + name + "\".");
    impl_->factories[name] = std::move(factory);
}

void TRpcServer::SetAuthenticator(std::shared_ptr<TAuthenticator> authenticator) {
    if (impl_->server)
        throw Exception("O autenticador deve ser definido antes de o servidor escutar.");
    impl_->authenticator = std::move(authenticator);
}
void TRpcServer::SetTokenCacheTime(std::chrono::milliseconds time) {
    impl_->tokenCache.SetTime(time);
}
void TRpcServer::SetSessionStore(std::shared_ptr<TSessionStore> store) {
    if (impl_->server)
        throw Exception("O registro de sessões deve ser definido antes de o servidor escutar.");
    impl_->store = std::move(store);
}
void TRpcServer::SetSessionsPerOperator(std::size_t count) {
    impl_->sessions.SetOperatorLimit(count);
}

void TRpcServer::SetThreadCount(int count) {
    impl_->threadCount = count;
}
void TRpcServer::SetIoThreadCount(int count) {
    impl_->http.ioThreads = count;
}
void TRpcServer::SetMaxRequestBytes(std::size_t bytes) {
    impl_->http.maxBodyBytes = bytes;
}
void TRpcServer::SetSessionIdleTimeout(std::chrono::milliseconds timeout) {
    impl_->sessions.SetIdleTimeout(timeout);
    impl_->idleTimeout = timeout;
}
void TRpcServer::SetKeepAliveTimeout(std::chrono::milliseconds timeout) {
    impl_->http.keepAliveTimeout = timeout;
}
void TRpcServer::SetHeaderTimeout(std::chrono::milliseconds timeout) {
    impl_->http.headerTimeout = timeout;
}
void TRpcServer::SetMinBodyRate(std::size_t bytesPerSecond, std::chrono::milliseconds grace) {
    impl_->http.bodyMinRate = bytesPerSecond;
    impl_->http.bodyGrace = grace;
}
void TRpcServer::SetListenBacklog(int backlog) {
    impl_->http.backlog = backlog;
}
void TRpcServer::SetConnectionLimits(std::size_t total, std::size_t perAddress) {
    impl_->http.maxConnections = total;
    impl_->http.maxConnectionsPerAddress = perAddress;
}
void TRpcServer::SetSessionLimits(std::size_t total, std::size_t perAddress) {
    impl_->sessions.SetLimits(total, perAddress);
}
void TRpcServer::SetCallTimeout(std::chrono::milliseconds timeout) {
    impl_->callTimeout = timeout;
}
void TRpcServer::SetStopGrace(std::chrono::milliseconds grace) {
    impl_->stopGrace = grace;
}
void TRpcServer::SetTls(const std::string& certFile, const std::string& keyFile) {
    impl_->http.tls = LoadTlsContext(certFile, keyFile);
}
bool TRpcServer::TlsEnabled() const {
    return impl_->http.tls != nullptr;
}
void TRpcServer::SetHealthCheck(std::function<bool()> check) {
    impl_->healthCheck = std::move(check);
}

int TRpcServer::Listen(const std::string& host, int port) {
    std::lock_guard<std::mutex> guard(impl_->stopMutex);
    Impl& s = *impl_;
    if (s.server) throw Exception("O servidor de aplicação já está escutando.");
    s.server = std::make_unique<THttpServer>(
        s.http,
        [impl = &s](THttpRequest request, THttpCompletion done) {
            impl->Handle(std::move(request), std::move(done));
        },
        s.metrics);
    try {
        s.port = s.server->Listen(host, port);
    } catch (...) {
        s.server.reset();
        throw;
    }
    s.deadlines.Reset();
    s.sessions.Start();
    s.workers.Start(s.threadCount);
    s.running = true;
    return s.port;
}

void TRpcServer::Stop() {
    std::lock_guard<std::mutex> guard(impl_->stopMutex);
    Impl& s = *impl_;
    if (!s.server) return;
    s.running = false;
    s.server->StopAccepting();
    // The calls in flight (and those queued) get the grace; then their deadlines are cancelled
    // so that the database work stops at its next check.
    if (!s.workers.WaitIdle(Clock::now() + s.stopGrace)) s.deadlines.CancelAll();
    s.workers.Join();
    s.server->Shutdown(std::chrono::seconds(2)); // the last replies written
    s.server.reset();
    s.sessions.Clear();
}

bool TRpcServer::Running() const {
    return impl_->running;
}

int TRpcServer::Port() const {
    return impl_->port;
}

std::size_t TRpcServer::SessionCount() const {
    return impl_->sessions.Count();
}

std::size_t TRpcServer::ConnectionCount() const {
    return impl_->server ? impl_->server->ConnectionCount() : 0;
}

} // namespace platform
