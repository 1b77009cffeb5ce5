// The server side of remote calls: remote objects registered by name, one instance per client
// session, served over HTTP/1.1 with MessagePack bodies.
#include "platform/rpcserver.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <condition_variable>
#include <map>
#include <mutex>
#include <random>
#include <thread>
#include <unordered_map>
#include <utility>

#include <httplib.h>

#include "platform/calllog.h"
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

// ---------------------------------------------------------------------------------------------
// The server

namespace {

using Clock = std::chrono::steady_clock;

// One client session. Invariant: object is called only with callMutex held.
struct Session {
    std::string objectName;
    std::unique_ptr<TRemoteObject> object;
    std::mutex callMutex;
    Clock::time_point lastUse; // guarded by the server's sessions mutex
    int activeCalls = 0;       // guarded by the server's sessions mutex
};

constexpr std::size_t kMiB = 1024 * 1024;

void SetReply(httplib::Response& res, std::string body) {
    if (body.size() < 64 * 1024) {
        res.set_content(body, kWireContentType);
        return;
    }
    // A large reply (a data packet) is streamed from one shared copy instead of being copied.
    auto shared = std::make_shared<const std::string>(std::move(body));
    res.set_content_provider(
        shared->size(), kWireContentType,
        [shared](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            return sink.write(shared->data() + offset, length);
        });
}

std::string StatusMessage(int status, const httplib::Request& req) {
    const std::string request = SanitizedText(req.method, 10) + " " + SanitizedText(req.path, 120);
    switch (status) {
    case 404: return "O servidor de aplicação não atende \"" + request + "\".";
    case 413: return "A requisição excede o tamanho máximo aceito pelo servidor de aplicação.";
    default:
        return "O servidor de aplicação recusou a requisição \"" + request + "\" (HTTP " +
               std::to_string(status) + ").";
    }
}

// The log record of a request: who sent it, on which session (a prefix only) and what it asks.
TCallRecord CallRecordOf(const httplib::Request& req, std::string method) {
    TCallRecord record;
    record.client = req.remote_addr + ":" + std::to_string(req.remote_port);
    record.session = req.get_header_value(kSessionHeader).substr(0, 8);
    record.method = std::move(method);
    return record;
}

// Marks the current call's outcome, when there is one.
void SetOutcome(const char* outcome) {
    if (TCallRecord* call = CurrentCall()) call->outcome = outcome;
}

// An error reply; the call's log line says "error".
std::string ErrorReply(const std::string& message, TReplyStatus status = TReplyStatus::Error) {
    SetOutcome(status == TReplyStatus::NoSession ? "no-session" : "error");
    return EncodeErrorReply(message, status);
}

// The reply to an exception nobody meant for the user: its text goes to the log only.
std::string IncidentReply(const std::string& where, const std::string& details) {
    const std::string incident = LogIncident(where, details);
    SetOutcome("internal");
    return EncodeErrorReply(IncidentMessage(where, incident));
}

} // namespace

struct TRpcServer::Impl {
    httplib::Server http;
    std::map<std::string, TRemoteObjectFactory> factories; // fixed once listening
    int threadCount = 16;
    std::size_t maxRequestBytes = 64 * kMiB;
    std::chrono::milliseconds idleTimeout = std::chrono::hours(1);
    std::chrono::seconds keepAliveTimeout{2};

    std::thread listener;
    std::thread reaper;
    std::atomic<bool> listenReturned{false};
    int port = 0;
    std::mutex stopMutex; // serialises Listen and Stop

    mutable std::mutex sessionsMutex;
    std::condition_variable reaperWake;
    bool stopping = false;                                              // guarded by sessionsMutex
    std::unordered_map<std::string, std::shared_ptr<Session>> sessions; // guarded by sessionsMutex
    std::random_device random;                                          // guarded by sessionsMutex

    void Configure();
    void Handle(const httplib::Request& req, httplib::Response& res,
                const httplib::ContentReader& reader);
    bool ReadBody(const httplib::Request& req, httplib::Response& res,
                  const httplib::ContentReader& reader, std::string& body);
    std::string Dispatch(const std::string& object, const std::string& method,
                         const std::string& sessionId, std::string_view body);
    std::string Connect(const std::string& object);
    std::string Call(const std::shared_ptr<Session>& session, const std::string& object,
                     const std::string& method, std::string_view body);
    void EndSession(const std::string& id);
    std::shared_ptr<Session> BeginCall(const std::string& id);
    void EndCall(Session& session);
    std::string NewSessionId();
    void ReapLoop();
};

void TRpcServer::Impl::Configure() {
    http.set_tcp_nodelay(true);
    const auto threads = static_cast<std::size_t>(std::max(1, threadCount));
    http.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    http.set_payload_max_length(maxRequestBytes);
    http.set_keep_alive_max_count(100000);
    http.set_keep_alive_timeout(keepAliveTimeout.count());
    http.Post(R"(/([^/]+)/([^/]+))",
              [this](const httplib::Request& req, httplib::Response& res,
                     const httplib::ContentReader& reader) { Handle(req, res, reader); });
    // Statuses that httplib answers by itself (404, 400, 413...) still get a reply body.
    http.set_error_handler([](const httplib::Request& req, httplib::Response& res) {
        if (res.body.empty())
            res.set_content(EncodeErrorReply(StatusMessage(res.status, req)), kWireContentType);
        // Requests refused at the HTTP level (404, 413, an unreadable body...) get their log
        // line here; the calls that reach a method log their own.
        TCallRecord record = CallRecordOf(req, SanitizedText(req.path, 120));
        record.outcome = "http-" + std::to_string(res.status);
        LogCall(record, std::chrono::steady_clock::duration::zero());
    });
    http.set_exception_handler(
        [](const httplib::Request& req, httplib::Response& res, std::exception_ptr error) {
            std::string what = "exceção desconhecida";
            try {
                std::rethrow_exception(std::move(error));
            } catch (const std::exception& e) { what = e.what(); } catch (...) {
            }
            res.status = 500;
            const std::string incident = LogIncident(SanitizedText(req.path, 120), what);
            res.set_content(EncodeErrorReply(IncidentMessage("Servidor de aplicação", incident)),
                            kWireContentType);
        });
}

void TRpcServer::Impl::Handle(const httplib::Request& req, httplib::Response& res,
                              const httplib::ContentReader& reader) {
    const auto started = Clock::now();
    TCallRecord record = CallRecordOf(req, SanitizedText(req.matches[1].str(), 80) + "." +
                                               SanitizedText(req.matches[2].str(), 80));
    TCallScope scope(record);
    std::string body;
    if (!ReadBody(req, res, reader, body)) return; // logged by the error handler
    res.status = 200;
    SetReply(res, Dispatch(req.matches[1].str(), req.matches[2].str(),
                           req.get_header_value(kSessionHeader), body));
    LogCall(record, Clock::now() - started);
}

bool TRpcServer::Impl::ReadBody(const httplib::Request& req, httplib::Response& res,
                                const httplib::ContentReader& reader, std::string& body) {
    const std::string length = req.get_header_value("Content-Length");
    std::size_t declared = 0;
    std::from_chars(length.data(), length.data() + length.size(), declared);
    // Reserve no more than a few MB on the sender's word; the rest grows as bytes arrive.
    if (declared <= maxRequestBytes) body.reserve(std::min<std::size_t>(declared, 4 * kMiB));
    bool tooBig = declared > maxRequestBytes;
    // The limit applies to the bytes received after any content decoding, so a compressed
    // body cannot expand past it.
    const bool complete = reader([&](const char* data, std::size_t n) {
        if (body.size() + n > maxRequestBytes) {
            tooBig = true;
            return false;
        }
        body.append(data, n);
        return true;
    });
    if (complete && !tooBig) return true;
    if (tooBig || res.status == 413) {
        res.status = 413;
        res.set_content(EncodeErrorReply("A requisição excede o tamanho máximo de " +
                                         std::to_string(maxRequestBytes) +
                                         " bytes aceito pelo servidor de aplicação."),
                        kWireContentType);
    } else {
        res.status = 400;
        res.set_content(EncodeErrorReply("Corpo da requisição incompleto."), kWireContentType);
    }
    return false;
}

std::string TRpcServer::Impl::Dispatch(const std::string& object, const std::string& method,
                                       const std::string& sessionId, std::string_view body) {
    if (method == "__connect") return Connect(object);
    if (method == "__disconnect") {
        EndSession(sessionId);
        return EncodeOkReply(Variant());
    }
    std::shared_ptr<Session> session = BeginCall(sessionId);
    if (!session)
        return ErrorReply("A sessão com o servidor de aplicação não existe mais "
                          "(encerrada ou expirada).",
                          TReplyStatus::NoSession);
    struct CallScope {
        Impl* impl;
        Session& session;
        ~CallScope() { impl->EndCall(session); }
    } scope{this, *session};
    return Call(session, object, method, body);
}

std::string TRpcServer::Impl::Call(const std::shared_ptr<Session>& session,
                                   const std::string& object, const std::string& method,
                                   std::string_view body) {
    if (session->objectName != object)
        return ErrorReply("A sessão pertence ao objeto remoto " + session->objectName + ", não a " +
                          SanitizedText(object) + ".");
    // Every failure becomes a failure reply: the worker thread must never end by an exception.
    try {
        std::vector<TWireArg> wireArgs;
        try {
            wireArgs = DecodeRequest(body);
        } catch (const EWireError& e) {
            return ErrorReply("Requisição inválida para " + object + "." + SanitizedText(method) +
                              ": " + e.what());
        }
        std::vector<Variant> args;
        args.reserve(wireArgs.size());
        for (TWireArg& arg : wireArgs) args.push_back(std::move(arg.value));
        Variant result;
        {
            std::lock_guard<std::mutex> lock(session->callMutex);
            result = session->object->Invoke(method, args);
        }
        std::vector<Variant> byRef;
        for (std::size_t i = 0; i < wireArgs.size(); ++i)
            if (wireArgs[i].byRef) byRef.push_back(std::move(args[i]));
        return EncodeOkReply(result, byRef);
    } catch (const EDatabaseError& e) {
        // Database texts name tables, statements and the server: they stay in the log.
        return IncidentReply(object + "." + SanitizedText(method), e.what());
    } catch (const Exception& e) {
        return ErrorReply(e.what()); // the object's own message for the user
    } catch (const std::exception& e) {
        return IncidentReply(object + "." + SanitizedText(method), e.what());
    } catch (...) {
        return IncidentReply(object + "." + SanitizedText(method), "exceção desconhecida");
    }
}

std::string TRpcServer::Impl::Connect(const std::string& object) {
    auto factory = factories.find(object);
    if (factory == factories.end())
        return ErrorReply("O objeto remoto " + SanitizedText(object) +
                          " não está registrado neste servidor de aplicação.");
    auto session = std::make_shared<Session>();
    session->objectName = object;
    try {
        session->object = factory->second();
    } catch (const std::exception& e) {
        return IncidentReply("Não foi possível criar o objeto remoto " + object, e.what());
    }
    if (!session->object)
        return ErrorReply("Não foi possível criar o objeto remoto " + object + ".");
    std::lock_guard<std::mutex> lock(sessionsMutex);
    if (stopping) return ErrorReply("O servidor de aplicação está sendo encerrado.");
    session->lastUse = Clock::now();
    std::string id = NewSessionId();
    sessions.emplace(id, session);
    return EncodeOkReply(Variant(id));
}

void TRpcServer::Impl::EndSession(const std::string& id) {
    std::shared_ptr<Session> ended; // destroyed after the lock is released
    std::lock_guard<std::mutex> lock(sessionsMutex);
    auto it = sessions.find(id);
    if (it == sessions.end()) return;
    ended = std::move(it->second);
    sessions.erase(it);
}

std::shared_ptr<Session> TRpcServer::Impl::BeginCall(const std::string& id) {
    std::shared_ptr<Session> expired; // destroyed after the lock is released
    std::lock_guard<std::mutex> lock(sessionsMutex);
    auto it = sessions.find(id);
    if (it == sessions.end()) return nullptr;
    Session& session = *it->second;
    if (session.activeCalls == 0 && Clock::now() - session.lastUse >= idleTimeout) {
        expired = std::move(it->second);
        sessions.erase(it);
        return nullptr;
    }
    ++session.activeCalls;
    return it->second;
}

void TRpcServer::Impl::EndCall(Session& session) {
    std::lock_guard<std::mutex> lock(sessionsMutex);
    --session.activeCalls;
    session.lastUse = Clock::now();
}

std::string TRpcServer::Impl::NewSessionId() {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string id;
    for (int word = 0; word < 4; ++word) {
        std::uint32_t bits = random();
        for (int i = 0; i < 8; ++i, bits >>= 4) id += kHex[bits & 0xf];
    }
    return id;
}

void TRpcServer::Impl::ReapLoop() {
    const auto interval = std::clamp<std::chrono::milliseconds>(
        idleTimeout / 4, std::chrono::milliseconds(10), std::chrono::seconds(1));
    std::unique_lock<std::mutex> lock(sessionsMutex);
    while (!stopping) {
        reaperWake.wait_for(lock, interval);
        if (stopping) break;
        std::vector<std::shared_ptr<Session>> expired;
        const auto now = Clock::now();
        for (auto it = sessions.begin(); it != sessions.end();) {
            if (it->second->activeCalls == 0 && now - it->second->lastUse >= idleTimeout) {
                expired.push_back(std::move(it->second));
                it = sessions.erase(it);
            } else {
                ++it;
            }
        }
        // The objects are destroyed without the lock: their destructors may be slow.
        lock.unlock();
        expired.clear();
        lock.lock();
    }
}

TRpcServer::TRpcServer() : impl_(std::make_unique<Impl>()) {}

TRpcServer::~TRpcServer() {
    Stop();
}

void TRpcServer::RegisterObject(const std::string& name, TRemoteObjectFactory factory) {
    if (impl_->listener.joinable())
        throw Exception("Objetos remotos devem ser registrados antes de o servidor escutar.");
    if (name.empty() || name.find('/') != std::string::npos || name.rfind("__", 0) == 0)
        throw Exception("Nome de objeto remoto inválido: \"" + name + "\".");
    impl_->factories[name] = std::move(factory);
}

void TRpcServer::SetThreadCount(int count) {
    impl_->threadCount = count;
}
void TRpcServer::SetMaxRequestBytes(std::size_t bytes) {
    impl_->maxRequestBytes = bytes;
}
void TRpcServer::SetSessionIdleTimeout(std::chrono::milliseconds timeout) {
    impl_->idleTimeout = timeout;
}
void TRpcServer::SetKeepAliveTimeout(std::chrono::seconds timeout) {
    impl_->keepAliveTimeout = timeout;
}

int TRpcServer::Listen(const std::string& host, int port) {
    std::lock_guard<std::mutex> guard(impl_->stopMutex);
    if (impl_->listener.joinable()) throw Exception("O servidor de aplicação já está escutando.");
    impl_->Configure();
    const int bound = port == 0 ? impl_->http.bind_to_any_port(host)
                                : (impl_->http.bind_to_port(host, port) ? port : -1);
    if (bound <= 0)
        throw Exception("Não foi possível escutar em " + host + ":" + std::to_string(port) + ".");
    impl_->port = bound;
    impl_->listener = std::thread([impl = impl_.get()] {
        impl->http.listen_after_bind();
        impl->listenReturned = true;
    });
    // Stop must not run before the server is up, or its stop request would be lost.
    while (!impl_->http.is_running() && !impl_->listenReturned)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    impl_->reaper = std::thread([impl = impl_.get()] { impl->ReapLoop(); });
    return bound;
}

void TRpcServer::Stop() {
    std::lock_guard<std::mutex> guard(impl_->stopMutex);
    if (!impl_->listener.joinable()) return;
    // httplib stops accepting; its pool finishes the requests in flight before listen returns.
    impl_->http.stop();
    impl_->listener.join();
    std::unordered_map<std::string, std::shared_ptr<Session>> ended;
    {
        std::lock_guard<std::mutex> lock(impl_->sessionsMutex);
        impl_->stopping = true;
        ended.swap(impl_->sessions);
    }
    impl_->reaperWake.notify_all();
    impl_->reaper.join();
}

bool TRpcServer::Running() const {
    return impl_->listener.joinable() && impl_->http.is_running();
}

int TRpcServer::Port() const {
    return impl_->port;
}

std::size_t TRpcServer::SessionCount() const {
    std::lock_guard<std::mutex> lock(impl_->sessionsMutex);
    return impl_->sessions.size();
}

} // namespace platform
