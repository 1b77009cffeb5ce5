// pag-script: loads the PAG00900 module as the desktop does, runs a script of a person's
// actions against it without a display, and prints the transcript on standard output.
//
// The operator logs in with the password of the environment variable PAG_PASSWORD or of the file
// --password-file names (never on the command line, where other users of the machine see it).
//
// Exit status: 0 when every expectation held; 1 at the first one that did not, or when the login
// was refused or the server asks for one and no password was given; 2 when the options, the
// script or the module could not be used, or on an unexpected error.
#include <CLI/CLI.hpp>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

#include "host/hostoptions.h"
#include "host/libmodules.h"
#include "host/login.h"
#include "host/moduleloader.h"
#include "host/session.h"
#include "platform/application.h"
#include "platform/netconnection.h"
#include "scripted/scriptrunner.h"

namespace {

constexpr const char* kProgram = "pag-script";

std::string ReadFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw platform::Exception("não foi possível abrir o roteiro " + fileName);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The password of the login: the file's first line when --password-file is given, otherwise
// PAG_PASSWORD; nothing when neither is.
std::optional<std::string> ReadPassword(const std::string& passwordFile) {
    if (!passwordFile.empty()) {
        std::ifstream in(passwordFile, std::ios::binary);
        std::string line;
        if (!in || !std::getline(in, line))
            throw platform::Exception("--password-file: não foi possível ler a senha do arquivo");
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    }
    if (const char* password = std::getenv("PAG_PASSWORD")) return std::string(password);
    return std::nullopt;
}

// Logs the session's operator in; a later refusal of the token logs in again with the same
// password. Returns the exit status when the program must end here.
std::optional<int> LogIn(const std::optional<std::string>& password) {
    const std::string operatorCode = host::Session().operatorCode;
    if (!password) {
        if (!host::ServerRequiresLogin()) return std::nullopt;
        std::cerr << kProgram << ": o servidor exige login: informe a senha do operador "
                  << operatorCode << " na variável de ambiente PAG_PASSWORD ou em --password-file"
                  << std::endl;
        return 1;
    }
    try {
        host::LogIn(operatorCode, *password);
    } catch (const platform::EServerError& e) {
        std::cerr << kProgram << ": login do operador " << operatorCode << " recusado: " << e.what()
                  << std::endl;
        return 1;
    } catch (const platform::ERpcError& e) {
        // Not reached: the script goes on and the screen reports it, as without a login.
        std::cerr << kProgram << ": não foi possível fazer login: " << e.what() << std::endl;
        return std::nullopt;
    }
    host::Session().reauthenticate = [operatorCode, password] {
        host::LogIn(operatorCode, *password);
        return true;
    };
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) try {
    CLI::App app{"Executa um roteiro de ações sobre a tela PAG00900 e imprime o que seria visto"};
    host::THostOptions options;
    options.server = "127.0.0.1:8211";
    options.modulePath = host::DefaultModulePath();
    std::string scriptFile;
    std::string passwordFile;
    options.DeclareSession(app, "Servidor de aplicação HOST:PORTA, ou https://HOST:PORTA com TLS");
    options.DeclareModule(
        app, "Tela aberta por LoadBPL a partir de uma biblioteca: CODIGO=ARQUIVO (padrão: "
             "libCTB10200.so ao lado do módulo, se existir)");
    app.add_option("--password-file", passwordFile,
                   "Arquivo cuja primeira linha é a senha do operador (padrão: a variável de "
                   "ambiente PAG_PASSWORD)");
    app.add_option("script", scriptFile, "O roteiro")->required();
    if (std::optional<int> status = host::ParseCommandLine(app, argc, argv)) return *status;
    const std::string& modulePath = options.modulePath;

    std::vector<scripted::TCommand> commands;
    std::optional<std::string> password;
    try {
        // CTB10200 opens from its library beside the module when it was built; otherwise its
        // opening is only recorded in the transcript. --register overrides either.
        host::RegisterAccountingScreen(std::filesystem::path(modulePath).parent_path() /
                                           "libCTB10200.so",
                                       [](const platform::Variant&) {});
        options.Prepare();
        options.ApplyTo(host::Session());
        commands = scripted::ParseScript(ReadFile(scriptFile));
    } catch (const std::exception& e) {
        std::cerr << kProgram << ": " << scriptFile << ": " << e.what() << std::endl;
        return 2;
    }
    try {
        password = ReadPassword(passwordFile);
    } catch (const platform::Exception& e) {
        std::cerr << kProgram << ": " << e.what() << std::endl;
        return 2;
    }

    if (std::optional<int> status = LogIn(password)) return *status;
    password.reset();

    // The host's main window, parent of the module's MDI child screens.
    platform::TForm* mainForm = host::CreateMainForm();

    int status = 0;
    try {
        module::TModuleLibrary library(modulePath);
        if (const module::TLibModule* loaded = module::FindLibModule(library.Name()))
            if (!loaded->resourceNote.empty())
                std::cerr << kProgram << ": " << loaded->resourceNote << std::endl;
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
            if (platform::SameText(name, "frmRecContBaixaPag"))
                return *frmRecContBaixaPag ? "set" : "nil";
            if (platform::SameText(name, "frmFiltroBaixa")) return *frmFiltroBaixa ? "set" : "nil";
            return std::nullopt;
        };
        {
            mainForm->Show();
            scripted::TScriptRunner runner(std::cout, hooks);
            status = runner.Run(commands);
            if (runner.Failed())
                std::cerr << kProgram << ": " << scriptFile << ":" << runner.FailedLine()
                          << ": falhou" << std::endl;
            runner.Shutdown(); // destroys every form (the main window too) and finalizes the module
        }
        platform::Application().SetMainForm(nullptr);
    } catch (const std::exception& e) {
        std::cerr << kProgram << ": " << e.what() << std::endl;
        platform::Application().DestroyForms();
        platform::Application().SetMainForm(nullptr);
        host::LogOut();
        return 2;
    }
    host::EndLogin();
    return status;
} catch (const std::exception& e) {
    // Anything the steps above did not expect: reported, not left to end the program abruptly.
    std::cerr << kProgram << ": erro inesperado: " << e.what() << std::endl;
    return 2;
}
