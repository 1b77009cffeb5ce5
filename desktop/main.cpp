// pag-desktop: the desktop host. Loads the PAG00900 module as the business application would
// and shows its screens in real windows.
//
// Exit status: 0 after a normal end (the login dialog cancelled included); 2 when the options or
// the module could not be used, or on an unexpected error.
#include <CLI/CLI.hpp>
#include <QApplication>
#include <QMessageBox>
#include <QSettings>
#include <QStyleFactory>
#include <QTimer>

#include <iostream>
#include <optional>

#include "desktop/logindialog.h"
#include "desktop/mainwindow.h"
#include "desktop/modulehost.h"
#include "desktop/qtconvert.h"
#include "desktop/settings.h"
#include "host/hostoptions.h"
#include "host/libmodules.h"
#include "host/login.h"
#include "host/session.h"
#include "platform/application.h"

namespace {

constexpr const char* kProgram = "pag-desktop";

// The look of a classic desktop business application: grey faces, white edits, navy selection.
// Called once the QApplication exists.
void SetClassicLook() {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
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
    QApplication::setPalette(palette);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    QApplication::setFont(font);
}

} // namespace

int main(int argc, char** argv) try {
    CLI::App cli{"Hospedeiro de desktop das telas de Contas a Pagar (PAG00900)"};
    host::THostOptions options;
    options.modulePath = host::DefaultModulePath();
    std::string open;
    options.DeclareSession(
        cli, "Servidor de aplicação HOST:PORTA, ou https://HOST:PORTA com TLS (padrão: o "
             "configurado, ou 127.0.0.1:8211)");
    cli.add_option("--open", open, "Tela a abrir ao iniciar (PAG00900)")
        ->check(CLI::IsMember({"PAG00900"}, CLI::ignore_case));
    options.DeclareModule(cli,
                          "Tela aberta por LoadBPL a partir de uma biblioteca: CODIGO=ARQUIVO");
    cli.allow_extras(); // Qt's own options (-platform, -style...) are Qt's
    if (std::optional<int> status = host::ParseCommandLine(cli, argc, argv)) return *status;
    for (const std::string& extra : cli.remaining())
        if (extra.rfind("--", 0) == 0) {
            std::cerr << kProgram << ": opção desconhecida: " << extra << std::endl;
            return 2;
        }

    // Options are checked before any window system is needed.
    try {
        desktop::TModuleHost::RegisterAccountingScreen();
        options.Prepare();
    } catch (const std::exception& e) {
        std::cerr << kProgram << ": " << e.what() << std::endl;
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("pag00900"));
    QApplication::setApplicationName(QStringLiteral("pag-desktop"));
    SetClassicLook();

    // Saved settings over the defaults; the command line over both, for this run only.
    QSettings store;
    desktop::TDesktopSettings settings =
        desktop::LoadSettings(store, desktop::TDesktopSettings::FromSession(host::Session()));
    settings.ApplyTo(host::Session());
    options.ApplyTo(host::Session());

    // The login comes before anything else; giving it up ends the program normally. A token that
    // the server refuses later is renewed by asking for the password again.
    if (!desktop::AskLogin(nullptr)) return 0;
    host::Session().reauthenticate = [] {
        return desktop::AskLoginAgain(QApplication::activeWindow());
    };

    // The host's main form, parent of the module's MDI children (the main window shows it).
    platform::TForm* mainForm = host::CreateMainForm();
    platform::Application().SetTitle("Contas a Pagar");

    int status = 0;
    {
        desktop::TMainWindow window(&store);
        std::unique_ptr<desktop::TModuleHost> module;
        try {
            module = std::make_unique<desktop::TModuleHost>(options.modulePath);
            if (const module::TLibModule* loaded = module::FindLibModule(module->Name()))
                if (!loaded->resourceNote.empty())
                    std::cerr << kProgram << ": " << loaded->resourceNote << std::endl;
            module->Initialize();
        } catch (const std::exception& e) {
            std::cerr << kProgram << ": " << e.what() << std::endl;
            QMessageBox box(QMessageBox::Critical, QStringLiteral("Erro"),
                            desktop::ToQString(e.what()));
            box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
            box.exec();
            platform::Application().DestroyForms();
            platform::Application().SetMainForm(nullptr);
            host::LogOut();
            return 2;
        }
        desktop::TModuleHost* host = module.get();
        window.SetOpenScreen([host] { host->IniProc(); });
        mainForm->Show();
        window.show();
        if (!open.empty()) QTimer::singleShot(0, &window, [&window] { window.OpenScreen(); });
        status = QApplication::exec();
        module->Shutdown(); // every form destroyed (the main form too), then Finalize
        platform::Application().SetMainForm(nullptr);
    }
    host::EndLogin();
    return status;
} catch (const std::exception& e) {
    // Anything the steps above did not expect: reported, not left to end the program abruptly.
    std::cerr << kProgram << ": erro inesperado: " << e.what() << std::endl;
    return 2;
}
