// The application server assembled: database, schema, connection pool and the RPC listener.
#include "server/pagserver.h"

#include <cstdlib>

#include "server/schema.h"

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

TPagServer::TPagServer(TServerOptions options)
    : options_(std::move(options)),
      pool_(options_.databaseUrl, static_cast<std::size_t>(std::max(1, options_.threads))),
      context_{pool_, options_.run} {
    auto lease = pool_.Acquire();
    EnsureSchema(*lease);
    rpc_.RegisterObject(TRdmRecContBaixaPag::kName,
                        [this] { return std::make_unique<TRdmRecContBaixaPag>(context_); });
    rpc_.SetThreadCount(options_.threads);
    rpc_.SetMaxRequestBytes(options_.maxRequestBytes);
    rpc_.SetSessionIdleTimeout(options_.sessionIdleTimeout);
}

TPagServer::~TPagServer() {
    Stop();
}

int TPagServer::Start() {
    port_ = rpc_.Listen(options_.host, options_.port);
    return port_;
}

void TPagServer::Stop() {
    rpc_.Stop();
}

} // namespace server
