// pag-script: loads the PAG00900 module as the desktop does, runs a script of a person's
// actions against it without a display, and prints the transcript on standard output.
//
// Exit status: 0 when every expectation held; 1 at the first one that did not; 2 when the
// options, the script or the module could not be used, or on an unexpected error.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

#include "host/hostoptions.h"
#include "host/libmodules.h"
#include "host/moduleloader.h"
#include "host/session.h"
#include "platform/application.h"
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

} // namespace

int main(int argc, char** argv) try {
    CLI::App app{"Executa um roteiro de ações sobre a tela PAG00900 e imprime o que seria visto"};
    host::THostOptions options;
    options.server = "127.0.0.1:8211";
    options.modulePath = host::DefaultModulePath();
    std::string scriptFile;
    options.DeclareSession(app, "Servidor de aplicação HOST:PORTA, ou https://HOST:PORTA com TLS");
    options.DeclareModule(
        app, "Tela aberta por LoadBPL a partir de uma biblioteca: CODIGO=ARQUIVO (padrão: "
             "libCTB10200.so ao lado do módulo, se existir)");
    app.add_option("script", scriptFile, "O roteiro")->required();
    if (std::optional<int> status = host::ParseCommandLine(app, argc, argv)) return *status;
    const std::string& modulePath = options.modulePath;

    std::vector<scripted::TCommand> commands;
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
        return 2;
    }
    return status;
} catch (const std::exception& e) {
    // Anything the steps above did not expect: reported, not left to end the program abruptly.
    std::cerr << kProgram << ": erro inesperado: " << e.what() << std::endl;
    return 2;
}
