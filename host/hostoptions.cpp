// The hosts' shared command line: declaring the options with CLI11 and applying them.
#include "host/hostoptions.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "host/session.h"
#include "platform/application.h"
#include "platform/commandline.h"
#include "platform/sysutils.h"

namespace host {

void THostOptions::DeclareSession(CLI::App& app, const std::string& serverHelp) {
    platform::UsePortuguese(app); // the hosts' first options: help and errors in Portuguese
    // The program's name as it was called (CLI11 names the app after argv[0]).
    app.set_version_flag(
        "--version",
        [&app] {
            return std::filesystem::path(app.get_name()).filename().string() + " " + PAG_VERSION;
        },
        "Mostra a versão e termina");
    CLI::Option* serverOption = app.add_option("--server", server, serverHelp);
    serverAlways_ = !server.empty();
    if (serverAlways_) serverOption->capture_default_str();
    app.add_option("--ca", caFile,
                   "Arquivo PEM das autoridades certificadoras do servidor https:// (padrão: as "
                   "do sistema)");
    app.add_option("--db", database,
                   "Banco do hospedeiro: sqlite:ARQUIVO ou uma URL do PostgreSQL");
    app.add_option("--operator", operatorCode, "Operador logado");
    app.add_option("--company", company, "Empresa corrente");
    app.add_option("--branch", branch, "Filial corrente");
    app.add_option("--today", today, "Data de hoje, AAAA-MM-DD (padrão: o relógio do sistema)");
}

void THostOptions::DeclareModule(CLI::App& app, const std::string& registerHelp) {
    app.add_option("--module", modulePath, "O módulo a carregar")->capture_default_str();
    app.add_option("--register", registrations, registerHelp);
}

void THostOptions::Prepare() {
    std::optional<TServerAddress> address;
    if (serverAlways_ || !server.empty()) address = ParseServerAddress(server);
    if (!caFile.empty()) {
        if (address && !address->tls)
            throw platform::Exception("--ca só se aplica a um servidor https://HOST:PORTA");
        std::error_code ec;
        if (!std::filesystem::is_regular_file(caFile, ec) || !std::ifstream(caFile))
            throw platform::Exception("--ca: não foi possível ler o arquivo \"" + caFile + "\"");
    }
    if (DatabaseUrlHasPassword(database))
        throw platform::Exception("--db: a senha do banco não vai na linha de comando; guarde-a "
                                  "no arquivo .pgpass do usuário (ou no indicado por PGPASSFILE)");
    server_ = std::move(address);
    if (!today.empty()) {
        platform::TDateTime day = ParseDay(today);
        platform::SetClock([day] { return day; });
    }
    for (const std::string& registration : registrations) RegisterScreen(registration);
}

void THostOptions::ApplyTo(THostSession& session) const {
    if (server_) {
        session.serverHost = server_->host;
        session.serverPort = server_->port;
        session.serverTls = server_->tls;
    }
    if (!caFile.empty()) session.serverCaFile = caFile;
    if (!database.empty()) session.databaseUrl = database;
    if (!operatorCode.empty()) session.operatorCode = operatorCode;
    if (!company.empty()) session.company = company;
    if (!branch.empty()) session.branch = branch;
}

std::optional<int> ParseCommandLine(CLI::App& app, int argc, char** argv) {
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) { return app.exit(e) == 0 ? 0 : 2; }
    return std::nullopt;
}

TServerAddress ParseServerAddress(const std::string& text) {
    TServerAddress address;
    std::string_view rest = text;
    std::string form = "HOST:PORTA";
    if (const std::size_t scheme = rest.find("://"); scheme != std::string_view::npos) {
        const std::string name = platform::LowerCase(std::string(rest.substr(0, scheme)));
        if (name != "http" && name != "https")
            throw platform::Exception("--server aceita http:// ou https://, não \"" + text + "\"");
        address.tls = name == "https";
        form = name + "://" + form;
        rest.remove_prefix(scheme + 3);
    }
    const std::size_t colon = rest.rfind(':');
    if (colon == std::string_view::npos || colon == 0)
        throw platform::Exception("--server espera " + form + ", não \"" + text + "\"");
    // Digits only: a path or anything else after the port is not part of an address.
    const std::string_view digits = rest.substr(colon + 1);
    const bool numeric =
        !digits.empty() && digits.size() <= 5 &&
        std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
    const int value = numeric ? std::stoi(std::string(digits)) : -1;
    if (value < 1 || value > 65535)
        throw platform::Exception("--server: porta inválida em \"" + text + "\"");
    address.host = std::string(rest.substr(0, colon));
    address.port = value;
    return address;
}

void ParseServer(const std::string& text, std::string& host, int& port) {
    TServerAddress address = ParseServerAddress(text);
    if (address.tls)
        throw platform::Exception("--server: aqui só cabe um endereço sem TLS, não \"" + text +
                                  "\"");
    host = std::move(address.host);
    port = address.port;
}

bool DatabaseUrlHasPassword(const std::string& url) {
    const std::string lower = platform::LowerCase(url);
    std::size_t start = 0;
    if (lower.starts_with("postgresql://"))
        start = 13;
    else if (lower.starts_with("postgres://"))
        start = 11;
    else
        return false;
    const std::size_t query = lower.find('?', start);
    const std::string_view authority =
        std::string_view(lower).substr(start, lower.find('/', start) - start);
    const std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos && authority.substr(0, at).find(':') != std::string_view::npos)
        return true;
    if (query == std::string::npos) return false;
    for (std::size_t from = query; from != std::string::npos; from = lower.find('&', from + 1))
        if (lower.compare(from + 1, 9, "password=") == 0) return true;
    return false;
}

platform::TDateTime ParseDay(const std::string& text) {
    int year = 0, month = 0, day = 0;
    char dash1 = 0, dash2 = 0;
    std::istringstream in(text);
    in >> year >> dash1 >> month >> dash2 >> day;
    if (!in || !in.eof() || dash1 != '-' || dash2 != '-' || text.size() != 10 ||
        !platform::IsValidDate(year, month, day))
        throw platform::Exception("--today espera uma data AAAA-MM-DD, não \"" + text + "\"");
    return platform::EncodeDate(year, month, day);
}

void RegisterScreen(const std::string& registration) {
    std::size_t equals = registration.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == registration.size())
        throw platform::Exception("--register espera CODIGO=ARQUIVO, não \"" + registration + "\"");
    ModuleRegistry().RegisterLibrary(registration.substr(0, equals),
                                     registration.substr(equals + 1));
}

bool RegisterAccountingScreen(const std::filesystem::path& library, TModuleOpener missing) {
    std::error_code ec;
    if (std::filesystem::exists(library, ec)) {
        ModuleRegistry().RegisterLibrary("CTB10200", library.string());
        return true;
    }
    ModuleRegistry().Register("CTB10200", std::move(missing));
    return false;
}

std::filesystem::path ProgramLibDir() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    const std::filesystem::path installed =
        (self.parent_path() / PAG_MODULE_DIR).lexically_normal();
    if (std::filesystem::is_directory(installed, ec)) return installed;
    return self.parent_path().parent_path() / "lib";
}

std::string DefaultModulePath() {
    std::filesystem::path dir = ProgramLibDir();
    return dir.empty() ? std::string("libPKG_PAG00900.so") : (dir / "libPKG_PAG00900.so").string();
}

platform::TForm* CreateMainForm() {
    auto* mainForm = platform::CreateForm<platform::TForm>(&platform::Application());
    mainForm->SetName("frmPrincipal");
    mainForm->SetCaption("Contas a Pagar");
    mainForm->SetFormStyle(platform::TFormStyle::fsMDIForm);
    platform::Application().SetMainForm(mainForm);
    return mainForm;
}

} // namespace host
