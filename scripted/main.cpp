// pag-script: loads the PAG00900 module as the desktop does, runs a script of a person's
// actions against it without a display, and prints the transcript on standard output.
//
// Exit status: 0 when every expectation held; 1 at the first one that did not; 2 when the
// options, the script or the module could not be used.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "host/libmodules.h"
#include "host/moduleloader.h"
#include "host/moduleregistry.h"
#include "host/session.h"
#include "platform/application.h"
#include "platform/datetime.h"
#include "scripted/scriptrunner.h"

namespace {

constexpr const char* kProgram = "pag-script";

// "HOST:PORT" with a port in 1..65535.
void ParseServer(const std::string& text, std::string& host, int& port) {
    std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        throw platform::Exception("--server espera HOST:PORTA, não \"" + text + "\"");
    host = text.substr(0, colon);
    std::int64_t value = platform::StrToIntDef(text.substr(colon + 1), -1);
    if (value < 1 || value > 65535)
        throw platform::Exception("--server: porta inválida em \"" + text + "\"");
    port = static_cast<int>(value);
}

// "YYYY-MM-DD".
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

std::string DefaultModulePath() {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "libPKG_PAG00900.so";
    return (self.parent_path().parent_path() / "lib" / "libPKG_PAG00900.so").string();
}

std::string ReadFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw platform::Exception("não foi possível abrir o roteiro " + fileName);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Executa um roteiro de ações sobre a tela PAG00900 e imprime o que seria visto"};
    std::string server = "127.0.0.1:8211";
    std::string database;
    std::string operatorCode;
    std::string company;
    std::string branch;
    std::string today;
    std::string modulePath = DefaultModulePath();
    std::vector<std::string> registrations;
    std::string scriptFile;
    app.add_option("--server", server, "Servidor de aplicação HOST:PORTA")->capture_default_str();
    app.add_option("--db", database, "Banco do hospedeiro: sqlite:ARQUIVO ou uma URL do PostgreSQL");
    app.add_option("--operator", operatorCode, "Operador logado");
    app.add_option("--company", company, "Empresa corrente");
    app.add_option("--branch", branch, "Filial corrente");
    app.add_option("--today", today, "Data de hoje, AAAA-MM-DD (padrão: o relógio do sistema)");
    app.add_option("--module", modulePath, "O módulo a carregar")->capture_default_str();
    app.add_option("--register", registrations,
                   "Tela aberta por LoadBPL a partir de uma biblioteca: CODIGO=ARQUIVO (padrão: "
                   "libCTB10200.so ao lado do módulo, se existir)");
    app.add_option("script", scriptFile, "O roteiro")->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;
    }

    std::vector<scripted::TCommand> commands;
    try {
        host::THostSession& session = host::Session();
        ParseServer(server, session.serverHost, session.serverPort);
        if (!database.empty()) session.databaseUrl = database;
        if (!operatorCode.empty()) session.operatorCode = operatorCode;
        if (!company.empty()) session.company = company;
        if (!branch.empty()) session.branch = branch;
        if (!today.empty()) {
            platform::TDateTime day = ParseDay(today);
            platform::SetClock([day] { return day; });
        }
        // CTB10200 opens from its library beside the module when it was built; otherwise its
        // opening is only recorded in the transcript. --register overrides either.
        const std::filesystem::path accounting =
            std::filesystem::path(modulePath).parent_path() / "libCTB10200.so";
        if (std::filesystem::exists(accounting))
            host::ModuleRegistry().RegisterLibrary("CTB10200", accounting.string());
        else
            host::ModuleRegistry().Register("CTB10200", [](const platform::Variant&) {});
        for (const std::string& registration : registrations) {
            std::size_t equals = registration.find('=');
            if (equals == std::string::npos || equals == 0)
                throw platform::Exception("--register espera CODIGO=ARQUIVO, não \"" + registration + "\"");
            host::ModuleRegistry().RegisterLibrary(registration.substr(0, equals), registration.substr(equals + 1));
        }
        commands = scripted::ParseScript(ReadFile(scriptFile));
    } catch (const std::exception& e) {
        std::cerr << kProgram << ": " << scriptFile << ": " << e.what() << std::endl;
        return 2;
    }

    // The host's main window, parent of the module's MDI child screens.
    auto* mainForm = platform::CreateForm<platform::TForm>(&platform::Application());
    mainForm->SetName("frmPrincipal");
    mainForm->SetCaption("Contas a Pagar");
    mainForm->SetFormStyle(platform::TFormStyle::fsMDIForm);
    platform::Application().SetMainForm(mainForm);

    int status = 0;
    try {
        module::TModuleLibrary library(modulePath);
        if (const module::TLibModule* loaded = module::FindLibModule(library.Name()))
            if (!loaded->resourceNote.empty()) std::cerr << kProgram << ": " << loaded->resourceNote << std::endl;
        bool* boStCriado = library.Global<bool>("boStCriado");
        bool* boFiltro = library.Global<bool>("boFiltro");
        void** frmRecContBaixaPag = library.Global<void*>("frmRecContBaixaPag");
        void** frmFiltroBaixa = library.Global<void*>("frmFiltroBaixa");

        scripted::TModuleHooks hooks;
        hooks.initialize = [&library] { library.Initialize(); };
        hooks.iniProc = [&library] { library.IniProc(); };
        hooks.finalize = [&library] { library.Finalize(); };
        hooks.global = [=](const std::string& name) -> std::optional<std::string> {
            if (platform::SameText(name, "boStCriado")) return *boStCriado ? "true" : "false";
            if (platform::SameText(name, "boFiltro")) return *boFiltro ? "true" : "false";
            if (platform::SameText(name, "frmRecContBaixaPag")) return *frmRecContBaixaPag ? "set" : "nil";
            if (platform::SameText(name, "frmFiltroBaixa")) return *frmFiltroBaixa ? "set" : "nil";
            return std::nullopt;
        };
        {
            mainForm->Show();
            scripted::TScriptRunner runner(std::cout, hooks);
            status = runner.Run(commands);
            if (runner.Failed())
                std::cerr << kProgram << ": " << scriptFile << ":" << runner.FailedLine() << ": falhou" << std::endl;
            runner.Shutdown();  // destroys every form (the main window too) and finalizes the module
        }
        platform::Application().SetMainForm(nullptr);
    } catch (const std::exception& e) {
        std::cerr << kProgram << ": " << e.what() << std::endl;
        platform::Application().DestroyForms();
        platform::Application().SetMainForm(nullptr);
        return 2;
    }
    return status;
}
