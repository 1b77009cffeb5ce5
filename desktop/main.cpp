// pag-desktop: the desktop host. Loads the PAG00900 module as the business application would
// and shows its screens in real windows.
//
// Exit status: 0 after a normal end; 2 when the options or the module could not be used.
#include <CLI/CLI.hpp>
#include <QApplication>
#include <QMessageBox>
#include <QSettings>
#include <QStyleFactory>
#include <QTimer>

#include <iostream>
#include <sstream>

#include "desktop/mainwindow.h"
#include "desktop/modulehost.h"
#include "desktop/qtconvert.h"
#include "desktop/settings.h"
#include "host/libmodules.h"
#include "host/session.h"
#include "platform/application.h"
#include "platform/datetime.h"

namespace {

constexpr const char* kProgram = "pag-desktop";

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

// The look of a classic desktop business application: grey faces, white edits, navy selection.
void SetClassicLook(QApplication& app) {
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette palette;
    const QColor face = desktop::ToQColor(platform::clBtnFace);
    palette.setColor(QPalette::Window, face);
    palette.setColor(QPalette::Button, face);
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, QColor(240, 240, 240));
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::ButtonText, Qt::black);
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::Highlight, QColor(0, 0, 128));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(255, 255, 225));
    palette.setColor(QPalette::ToolTipText, Qt::black);
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 128));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 128, 128));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
    app.setPalette(palette);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    app.setFont(font);
}

} // namespace

int main(int argc, char** argv) {
    CLI::App cli{"Hospedeiro de desktop das telas de Contas a Pagar (PAG00900)"};
    std::string server, database, operatorCode, company, branch, today, open;
    std::string modulePath = desktop::TModuleHost::DefaultModulePath();
    std::vector<std::string> registrations;
    cli.add_option("--server", server, "Servidor de aplicação HOST:PORTA (padrão: o configurado, ou 127.0.0.1:8211)");
    cli.add_option("--db", database, "Banco do hospedeiro: sqlite:ARQUIVO ou uma URL do PostgreSQL");
    cli.add_option("--operator", operatorCode, "Operador logado");
    cli.add_option("--company", company, "Empresa corrente");
    cli.add_option("--branch", branch, "Filial corrente");
    cli.add_option("--today", today, "Data de hoje, AAAA-MM-DD (padrão: o relógio do sistema)");
    cli.add_option("--open", open, "Tela a abrir ao iniciar (PAG00900)")->check(CLI::IsMember({"PAG00900"}, CLI::ignore_case));
    cli.add_option("--module", modulePath, "O módulo a carregar")->capture_default_str();
    cli.add_option("--register", registrations, "Tela aberta por LoadBPL a partir de uma biblioteca: CODIGO=ARQUIVO");
    cli.allow_extras();  // Qt's own options (-platform, -style...) are Qt's
    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return cli.exit(e) == 0 ? 0 : 2;
    }
    for (const std::string& extra : cli.remaining())
        if (extra.rfind("--", 0) == 0) {
            std::cerr << kProgram << ": opção desconhecida: " << extra << std::endl;
            return 2;
        }

    // Options are checked before any window system is needed.
    std::string serverHost;
    int serverPort = 0;
    try {
        if (!server.empty()) desktop::ParseServer(server, serverHost, serverPort);
        if (!today.empty()) {
            platform::TDateTime day = ParseDay(today);
            platform::SetClock([day] { return day; });
        }
        desktop::TModuleHost::RegisterAccountingScreen();
        for (const std::string& registration : registrations) desktop::TModuleHost::RegisterScreen(registration);
    } catch (const std::exception& e) {
        std::cerr << kProgram << ": " << e.what() << std::endl;
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("pag00900"));
    QApplication::setApplicationName(QStringLiteral("pag-desktop"));
    SetClassicLook(app);

    // Saved settings over the defaults; the command line over both, for this run only.
    QSettings store;
    desktop::TDesktopSettings settings =
        desktop::LoadSettings(store, desktop::TDesktopSettings::FromSession(host::Session()));
    if (!server.empty()) {
        settings.serverHost = serverHost;
        settings.serverPort = serverPort;
    }
    if (!database.empty()) settings.databaseUrl = database;
    if (!operatorCode.empty()) settings.operatorCode = operatorCode;
    if (!company.empty()) settings.company = company;
    if (!branch.empty()) settings.branch = branch;
    settings.ApplyTo(host::Session());

    // The host's main form, parent of the module's MDI children (the main window shows it).
    auto* mainForm = platform::CreateForm<platform::TForm>(&platform::Application());
    mainForm->SetName("frmPrincipal");
    mainForm->SetCaption("Contas a Pagar");
    mainForm->SetFormStyle(platform::TFormStyle::fsMDIForm);
    platform::Application().SetMainForm(mainForm);
    platform::Application().SetTitle("Contas a Pagar");

    int status = 0;
    {
        desktop::TMainWindow window(&store);
        std::unique_ptr<desktop::TModuleHost> module;
        try {
            module = std::make_unique<desktop::TModuleHost>(modulePath);
            if (const module::TLibModule* loaded = module::FindLibModule(module->Name()))
                if (!loaded->resourceNote.empty()) std::cerr << kProgram << ": " << loaded->resourceNote << std::endl;
            module->Initialize();
        } catch (const std::exception& e) {
            std::cerr << kProgram << ": " << e.what() << std::endl;
            QMessageBox box(QMessageBox::Critical, QStringLiteral("Erro"), desktop::ToQString(e.what()));
            box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
            box.exec();
            platform::Application().DestroyForms();
            platform::Application().SetMainForm(nullptr);
            return 2;
        }
        desktop::TModuleHost* host = module.get();
        window.SetOpenScreen([host] { host->IniProc(); });
        mainForm->Show();
        window.show();
        if (!open.empty()) QTimer::singleShot(0, &window, [&window] { window.OpenScreen(); });
        status = app.exec();
        module->Shutdown();  // every form destroyed (the main form too), then Finalize
        platform::Application().SetMainForm(nullptr);
    }
    return status;
}
