// pag-server: the application server of the PAG00900 module over SQLite or PostgreSQL.
#include <pthread.h>
#include <signal.h>

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "platform/commandline.h"
#include "platform/datetime.h"
#include "server/admincommands.h"
#include "server/pagserver.h"
#include "server/seed.h"

namespace {

// The packaged server's configuration file.
constexpr const char* kDefaultConfigFile = "/etc/pag00900/pag-server.conf";

// "demo" or "bulk:N"; anything else raises.
void Seed(platform::TSqlConnection& db, const std::string& what) {
    if (what == "demo") {
        server::SeedDemo(db, platform::Date());
        std::cerr << "pag-server: dados de demonstração carregados; a senha dos operadores de "
                     "demonstração é \"demo\".\n";
        return;
    }
    if (what.rfind("bulk:", 0) == 0) {
        const std::int64_t count = platform::StrToIntDef(what.substr(5), -1);
        if (count <= 0 || count > 10'000'000)
            throw platform::Exception("--seed bulk:N exige N entre 1 e 10000000.");
        server::SeedBulk(db, static_cast<int>(count), platform::Date());
        std::cerr << "pag-server: " << count
                  << " baixas acrescentadas; os operadores de demonstração sem senha têm a "
                     "senha \"demo\".\n";
        return;
    }
    throw platform::Exception("--seed aceita \"demo\" ou \"bulk:N\", não \"" + what + "\".");
}

} // namespace

int main(int argc, char** argv) try {
    CLI::App app{"Servidor de aplicação do PAG00900 (PAG00900.rdmRecContBaixaPag)"};
    platform::UsePortuguese(app);
    std::string db;
    std::string listen =
        std::string(server::kDefaultHost) + ":" + std::to_string(server::kDefaultPort);
    std::string seed;
    bool seedOnly = false;
    int threads = 8;
    int idleMinutes = 60;
    int maxRequestMb = 64;
    int pauseBeforeCommitMs = 0;
    std::size_t maxMarked = server::kDefaultMaxMarked;
    const server::TServerOptions defaults;
    double headerTimeout = 10;
    double keepAlive = 2;
    std::size_t minBodyRateKb = 16;
    double bodyGrace = 5;
    int backlog = defaults.listenBacklog;
    std::size_t maxConnections = defaults.maxConnections;
    std::size_t maxConnectionsPerAddress = defaults.maxConnectionsPerAddress;
    std::size_t maxSessions = defaults.maxSessions;
    std::size_t maxSessionsPerAddress = defaults.maxSessionsPerAddress;
    double callTimeout = 120;
    double stopGrace = 25;
    std::string tlsCert;
    std::string tlsKey;
    bool allowPlainHttp = false;
    double tokenIdleHours = 8;
    double tokenMaxHours = 24;
    int maxTokensPerOperator = defaults.tokens.maxPerOperator;
    int loginFreeFailures = defaults.login.freeFailures;
    double loginMaxDelay = 900;
    std::size_t maxSessionsPerOperator = defaults.maxSessionsPerOperator;
    double tokenCache = 5;
    app.add_option("--db", db,
                   "Banco de dados: sqlite:ARQUIVO ou postgresql://usuario@host:porta/banco "
                   "(padrão: sqlite:" +
                       server::DefaultDatabasePath() +
                       ", criado com dados de "
                       "demonstração na primeira execução)");
    app.add_option("--listen", listen, "Endereço HOST:PORTA em que o servidor atende")
        ->capture_default_str();
    app.add_option("--seed", seed,
                   "Carrega dados: \"demo\" (substitui tudo) ou \"bulk:N\" (acrescenta N baixas)");
    app.add_flag("--seed-only", seedOnly, "Carrega os dados de --seed e termina sem atender");
    app.add_option("--threads", threads, "Threads que atendem as chamadas")
        ->check(CLI::Range(1, 256))
        ->capture_default_str();
    app.add_option("--idle-timeout", idleMinutes,
                   "Minutos sem chamadas após os quais uma sessão termina")
        ->check(CLI::Range(1, 7 * 24 * 60))
        ->capture_default_str();
    app.add_option("--max-request-mb", maxRequestMb, "Tamanho máximo de uma requisição, em MB")
        ->check(CLI::Range(1, 4096))
        ->capture_default_str();
    app.add_option("--max-marked", maxMarked, "Máximo de baixas marcadas aceitas num recálculo")
        ->check(CLI::Range(std::size_t{1}, std::size_t{10'000'000}))
        ->capture_default_str();
    app.add_option("--header-timeout", headerTimeout,
                   "Segundos para receber todo o cabeçalho de uma requisição")
        ->check(CLI::Range(0.1, 600.0))
        ->capture_default_str();
    app.add_option("--keep-alive", keepAlive,
                   "Segundos que uma conexão ociosa fica aberta (mantenha acima de 1)")
        ->check(CLI::Range(0.1, 3600.0))
        ->capture_default_str();
    app.add_option("--min-body-rate-kb", minBodyRateKb,
                   "Taxa mínima, em KB/s, do corpo de uma requisição após a carência")
        ->check(CLI::Range(std::size_t{1}, std::size_t{1'000'000}))
        ->capture_default_str();
    app.add_option("--body-grace", bodyGrace,
                   "Segundos de carência antes de exigir a taxa mínima do corpo")
        ->check(CLI::Range(0.0, 600.0))
        ->capture_default_str();
    app.add_option("--backlog", backlog, "Conexões pendentes que o sistema enfileira")
        ->check(CLI::Range(128, 65535))
        ->capture_default_str();
    app.add_option("--max-connections", maxConnections, "Conexões abertas no total")
        ->check(CLI::Range(std::size_t{1}, std::size_t{1'000'000}))
        ->capture_default_str();
    app.add_option("--max-connections-per-address", maxConnectionsPerAddress,
                   "Conexões abertas a partir de um mesmo endereço")
        ->check(CLI::Range(std::size_t{1}, std::size_t{1'000'000}))
        ->capture_default_str();
    app.add_option("--max-sessions", maxSessions, "Sessões abertas no total")
        ->check(CLI::Range(std::size_t{1}, std::size_t{10'000'000}))
        ->capture_default_str();
    app.add_option("--max-sessions-per-address", maxSessionsPerAddress,
                   "Sessões abertas a partir de um mesmo endereço")
        ->check(CLI::Range(std::size_t{1}, std::size_t{10'000'000}))
        ->capture_default_str();
    app.add_option("--call-timeout", callTimeout,
                   "Segundos que uma chamada pode durar antes de ser cancelada")
        ->check(CLI::Range(0.1, 86400.0))
        ->capture_default_str();
    app.add_option("--stop-grace", stopGrace,
                   "Segundos que as chamadas em curso têm para terminar ao encerrar o servidor")
        ->check(CLI::Range(0.0, 600.0))
        ->capture_default_str();
    app.add_option("--tls-cert", tlsCert,
                   "Certificado TLS (PEM, com a cadeia) para atender por HTTPS");
    app.add_option("--tls-key", tlsKey, "Chave privada TLS (PEM, sem senha) do certificado");
    app.add_flag("--allow-plain-http", allowPlainHttp,
                 "Permite atender sem TLS num endereço que não é local (só em rede confiável)");
    app.add_option("--token-idle-hours", tokenIdleHours,
                   "Horas sem uso após as quais um login expira")
        ->check(CLI::Range(0.01, 24.0 * 365))
        ->capture_default_str();
    app.add_option("--token-max-hours", tokenMaxHours,
                   "Horas após as quais um login expira, mesmo em uso")
        ->check(CLI::Range(0.01, 24.0 * 365))
        ->capture_default_str();
    app.add_option("--max-tokens-per-operator", maxTokensPerOperator,
                   "Logins válidos de um operador; um novo login revoga o mais antigo")
        ->check(CLI::Range(1, 10000))
        ->capture_default_str();
    app.add_option("--login-free-failures", loginFreeFailures,
                   "Falhas de login de um operador ou endereço antes de exigir espera")
        ->check(CLI::Range(1, 1000))
        ->capture_default_str();
    app.add_option("--login-max-delay", loginMaxDelay,
                   "Espera máxima, em segundos, imposta após falhas de login repetidas")
        ->check(CLI::Range(1.0, 86400.0))
        ->capture_default_str();
    app.add_option("--max-sessions-per-operator", maxSessionsPerOperator,
                   "Sessões abertas de um mesmo operador")
        ->check(CLI::Range(std::size_t{1}, std::size_t{1'000'000}))
        ->capture_default_str();
    app.add_option("--token-cache", tokenCache,
                   "Segundos em que a verificação de um login vale sem nova consulta ao banco "
                   "(um login revogado em outro servidor vale aqui até esse tempo)")
        ->check(CLI::Range(0.0, 60.0))
        ->capture_default_str();
    app.add_option("--pause-before-commit-ms", pauseBeforeCommitMs,
                   "Testes de falha: espera antes de confirmar cada recálculo")
        ->check(CLI::Range(0, 600000))
        ->group("");
    // The options above may also come from a configuration file of lines "name = value" (the
    // option's name without the dashes); the command line wins over it. A misspelt name is
    // refused rather than ignored. The default file is read only when it exists.
    app.set_config("--config", kDefaultConfigFile,
                   "Arquivo de configuração (linhas \"opção = valor\"; a linha de comando "
                   "prevalece; --config= para nenhum)");
    app.allow_config_extras(false);
    app.set_version_flag("--version", std::string("pag-server ") + PAG_VERSION,
                         "Mostra a versão e termina");
    server::TAdminCommands admin(app, db); // the subcommands passwd and audit
    // "--config=" (nothing after the equals sign) means no configuration file.
    std::vector<std::string> args = platform::WithEmptyValuesKept(argc, argv);
    std::vector<const char*> kept;
    for (const std::string& arg : args) kept.push_back(arg.c_str());
    CLI11_PARSE(app, static_cast<int>(kept.size()), kept.data());
    // CLI11 passes over a default file it cannot read; one that is there is refused instead, so
    // that the server never runs without the configuration it was given.
    if (app.get_config_ptr()->count() == 0 && std::filesystem::exists(kDefaultConfigFile)) {
        std::cerr << "pag-server: " << platform::UnreadableConfigMessage(kDefaultConfigFile)
                  << std::endl;
        return 1;
    }
    if (admin.Chosen()) return admin.Run();

    // SIGTERM and SIGINT are taken by the main thread alone: block them before any thread starts.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    try {
        server::TServerOptions options;
        bool fresh = false;
        if (db.empty()) {
            const std::filesystem::path path = server::DefaultDatabasePath();
            fresh = !std::filesystem::exists(path);
            std::filesystem::create_directories(path.parent_path());
            db = "sqlite:" + path.string();
        }
        options.databaseUrl = db;
        server::ParseListenAddress(listen, options.host, options.port);
        options.threads = threads;
        options.sessionIdleTimeout = std::chrono::minutes(idleMinutes);
        options.maxRequestBytes = static_cast<std::size_t>(maxRequestMb) << 20;
        const auto millis = [](double seconds) {
            return std::chrono::milliseconds(static_cast<std::int64_t>(seconds * 1000));
        };
        options.headerTimeout = millis(headerTimeout);
        options.keepAliveTimeout = millis(keepAlive);
        options.minBodyRate = minBodyRateKb * 1024;
        options.bodyGrace = millis(bodyGrace);
        options.listenBacklog = backlog;
        options.maxConnections = maxConnections;
        options.maxConnectionsPerAddress = maxConnectionsPerAddress;
        options.maxSessions = maxSessions;
        options.maxSessionsPerAddress = maxSessionsPerAddress;
        options.callTimeout = millis(callTimeout);
        options.stopGrace = millis(stopGrace);
        options.tlsCert = tlsCert;
        options.tlsKey = tlsKey;
        options.allowPlainHttp = allowPlainHttp;
        options.run.pauseBeforeCommit = std::chrono::milliseconds(pauseBeforeCommitMs);
        options.run.maxMarked = maxMarked;
        const auto hours = [](double h) {
            return std::chrono::seconds(static_cast<std::int64_t>(h * 3600));
        };
        options.tokens.idleLifetime = hours(tokenIdleHours);
        options.tokens.absoluteLifetime = hours(tokenMaxHours);
        options.tokens.maxPerOperator = maxTokensPerOperator;
        options.login.freeFailures = loginFreeFailures;
        options.login.maxDelay = millis(loginMaxDelay);
        options.maxSessionsPerOperator = maxSessionsPerOperator;
        options.tokenCacheTime = millis(tokenCache);

        server::TPagServer pagServer(options);
        {
            auto lease = pagServer.Pool().Acquire();
            if (fresh && seed.empty()) Seed(*lease, "demo");
            if (!seed.empty()) Seed(*lease, seed);
        }
        if (seedOnly) return 0;

        const int port = pagServer.Start();
        std::cerr << "pag-server: atendendo " << server::TRdmRecContBaixaPag::kName << " em "
                  << options.host << ":" << port << (tlsCert.empty() ? "" : " por TLS")
                  << " (banco " << db << ")" << std::endl;
        int received = 0;
        sigwait(&stopSignals, &received);
        std::cerr << "pag-server: sinal " << received << " recebido, encerrando." << std::endl;
        pagServer.Stop();
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "pag-server: " << e.what() << std::endl;
        return 1;
    }
} catch (const std::exception& e) {
    // Anything the steps above did not expect (the options' set-up): reported, not left to end
    // the program abruptly.
    std::cerr << "pag-server: erro inesperado: " << e.what() << std::endl;
    return 1;
}
