// The Qt Services: boxes in Portuguese, pick lists over datasets, busy animation and cursor;
// the settings and the main window.
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>

#include "desktop/busyindicator.h"
#include "desktop/datasetmodel.h"
#include "desktop/mainwindow.h"
#include "desktop/pickdialog.h"
#include "desktop/qtconvert.h"
#include "desktop/settings.h"
#include "desktop_fixture.h"
#include "host/session.h"
#include "platform/dataset.h"
#include "platform/menus.h"
#include "platform/sysutils.h"

namespace {

using namespace platform;
using desktoptest::AnswerNextModal;
using desktoptest::DesktopTest;
using desktoptest::TBoxSeen;

TEST_F(DesktopTest, QuestionBoxesSpeakPortugueseAndReturnTheButtonChosen) {
    TBoxSeen seen;
    AnswerNextModal(QStringLiteral("Não"), &seen);
    TModalResult answer = services->MessageDlg("Deseja marcar todas as baixas?",
                                               TMsgDlgType::mtConfirmation, mbYesNo, 0);
    EXPECT_EQ(answer, mrNo);
    EXPECT_EQ(seen.title, QStringLiteral("Confirmação"));
    EXPECT_EQ(seen.text, QStringLiteral("Deseja marcar todas as baixas?"));
    EXPECT_EQ(seen.buttons, (QStringList{QStringLiteral("Sim"), QStringLiteral("Não")}));

    AnswerNextModal(QStringLiteral("Sim"));
    EXPECT_EQ(services->MessageDlg("?", TMsgDlgType::mtConfirmation, mbYesNo, 0), mrYes);

    TBoxSeen info;
    AnswerNextModal(QStringLiteral("OK"), &info);
    services->MessageDlg("O Recálculo da Contabilização da Baixa foi realizado com sucesso.",
                         TMsgDlgType::mtInformation, mbOK, 0);
    EXPECT_EQ(info.title, QStringLiteral("Informação"));
    EXPECT_EQ(info.buttons, QStringList{QStringLiteral("OK")});
}

TEST_F(DesktopTest, TheExceptionBoundaryShowsAnErrorBoxOnceAndDropsTheSilentAbort) {
    TBoxSeen seen;
    AnswerNextModal(QStringLiteral("OK"), &seen);
    EXPECT_FALSE(Application().Run([] { throw Exception("Empresa não cadastrada."); }));
    EXPECT_EQ(seen.title, QStringLiteral("Erro"));
    EXPECT_EQ(seen.text, QStringLiteral("Empresa não cadastrada."));
    // The silent abort shows nothing (a box would block this test).
    EXPECT_FALSE(Application().Run([] { throw EAbort(); }));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

/// Companies "01".."03" in an open dataset.
class PickTest : public DesktopTest {
protected:
    void SetUp() override {
        DesktopTest::SetUp();
        data.AddStringField("CDEMPRESA", 2)->SetDisplayLabel("Código");
        data.AddStringField("NMEMPRESA", 40)->SetDisplayLabel("Nome");
        data.CreateDataSet();
        TRowAppender rows(data);
        for (const char* company :
             {"01|Matriz São Paulo", "02|Filial Recife", "03|Filial Curitiba"}) {
            std::string line = company;
            rows.AddRow();
            rows.SetString(0, line.substr(0, 2));
            rows.SetString(1, line.substr(3));
        }
        rows.Finish();
    }
    TClientDataSet data;
};

TEST_F(PickTest, TheMultiRowPickKeepsThePreviousChoiceAndGivesCodesInRowOrder) {
    std::vector<std::string> codes{"03"};
    AnswerNextModal(QStringLiteral("OK"), nullptr, [](QWidget& dialog) {
        auto& pick = static_cast<desktop::TPickDialog&>(dialog);
        EXPECT_EQ(pick.windowTitle(), QStringLiteral("Empresa"));
        EXPECT_EQ(pick.Model().headerData(1, Qt::Horizontal).toString(), QStringLiteral("Nome"));
        EXPECT_EQ(pick.Model().data(pick.Model().index(2, 0), Qt::CheckStateRole).toInt(),
                  Qt::Checked);
        pick.Model().Toggle(0);
    });
    EXPECT_TRUE(services->PickList(data, "CDEMPRESA", "Empresa", codes));
    EXPECT_EQ(codes, (std::vector<std::string>{"01", "03"}));

    AnswerNextModal(QStringLiteral("Cancelar"), nullptr, [](QWidget& dialog) {
        static_cast<desktop::TPickDialog&>(dialog).Model().ChooseAll(true);
    });
    EXPECT_FALSE(services->PickList(data, "CDEMPRESA", "Empresa", codes));
    EXPECT_EQ(codes, (std::vector<std::string>{"01", "03"})) << "a cancelled pick changes nothing";
}

TEST_F(PickTest, TheSingleRowPickPositionsTheDatasetOnTheRowChosen) {
    AnswerNextModal(QStringLiteral("OK"), nullptr, [](QWidget& dialog) {
        auto& pick = static_cast<desktop::TPickDialog&>(dialog);
        QTest::keyClicks(&pick.Search(), "filial c");
        EXPECT_EQ(pick.CurrentRow(), 2) << "Localizar finds the first row starting with the text";
    });
    EXPECT_TRUE(services->PickRow(data, "CDEMPRESA", "Empresa"));
    EXPECT_EQ(data.RecNo(), 3);
    EXPECT_EQ(data.FieldByName("CDEMPRESA")->AsString(), "03");

    AnswerNextModal(QStringLiteral("Cancelar"));
    EXPECT_FALSE(services->PickRow(data, "CDEMPRESA", "Empresa"));
}

TEST_F(DesktopTest, TheBusyAnimationNestsAndTheHourglassFollowsTheCursor) {
    services->BusyOn(0);
    services->BusyOn(6);
    EXPECT_TRUE(services->Busy().isVisible());
    EXPECT_EQ(services->Busy().Text(), desktop::TBusyIndicator::KindText(6));
    services->BusyOff();
    EXPECT_TRUE(services->Busy().isVisible());
    EXPECT_EQ(services->Busy().Text(), desktop::TBusyIndicator::KindText(0));
    services->BusyOff();
    EXPECT_FALSE(services->Busy().isVisible());
    services->BusyOff(); // unmatched: harmless
    EXPECT_EQ(services->Busy().Depth(), 0);

    Application().SetCursor(crHourGlass);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Application().SetCursor(crDefault);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(DesktopSettings, SavedSettingsComeBackAndMissingKeysKeepTheDefaults) {
    QTemporaryDir dir;
    QSettings store(dir.filePath(QStringLiteral("pag-desktop.conf")), QSettings::IniFormat);
    desktop::TDesktopSettings defaults{"OPERADOR",  "01", "0001",
                                       "127.0.0.1", 8211, "sqlite:/tmp/a.db"};
    desktop::TDesktopSettings loaded = desktop::LoadSettings(store, defaults);
    EXPECT_EQ(loaded.operatorCode, "OPERADOR");
    EXPECT_EQ(loaded.serverPort, 8211);

    desktop::TDesktopSettings changed{"JOÃO",           "02", "0003",
                                      "servidor.local", 9000, "postgresql://pag@db/pag"};
    desktop::SaveSettings(store, changed);
    QSettings again(dir.filePath(QStringLiteral("pag-desktop.conf")), QSettings::IniFormat);
    loaded = desktop::LoadSettings(again, defaults);
    EXPECT_EQ(loaded.operatorCode, "JOÃO");
    EXPECT_EQ(loaded.company, "02");
    EXPECT_EQ(loaded.branch, "0003");
    EXPECT_EQ(loaded.ServerText(), "servidor.local:9000");
    EXPECT_EQ(loaded.databaseUrl, "postgresql://pag@db/pag");

    again.setValue("servidor/porta", 70000); // out of range: the default stays
    EXPECT_EQ(desktop::LoadSettings(again, defaults).serverPort, 8211);

    std::string host;
    int port = 0;
    desktop::ParseServer("10.0.0.5:8300", host, port);
    EXPECT_EQ(host, "10.0.0.5");
    EXPECT_EQ(port, 8300);
    EXPECT_THROW(desktop::ParseServer("10.0.0.5", host, port), Exception);
    EXPECT_THROW(desktop::ParseServer("10.0.0.5:0", host, port), Exception);
    EXPECT_THROW(desktop::ParseServer(":80", host, port), Exception);
}

TEST(DesktopSettings, TheServerFieldTakesHttpsAndTheCaFileAndBothAreStored) {
    QTemporaryDir dir;
    const QString ca = dir.filePath(QStringLiteral("ca.pem"));
    QFile(ca).open(QIODevice::WriteOnly);
    desktop::TDesktopSettings tls{"OPERADOR", "01",
                                  "0001",     "servidor.local",
                                  8443,       "sqlite:/tmp/a.db",
                                  true,       desktop::FromQString(ca)};
    EXPECT_EQ(tls.ServerText(), "https://servidor.local:8443");
    QSettings store(dir.filePath(QStringLiteral("pag-desktop.conf")), QSettings::IniFormat);
    desktop::SaveSettings(store, tls);
    desktop::TDesktopSettings plain{"OPERADOR",  "01", "0001",
                                    "127.0.0.1", 8211, "sqlite:/tmp/a.db"};
    desktop::TDesktopSettings loaded = desktop::LoadSettings(store, plain);
    EXPECT_TRUE(loaded.serverTls);
    EXPECT_EQ(loaded.serverCaFile, desktop::FromQString(ca));
    host::THostSession session;
    loaded.ApplyTo(session);
    EXPECT_TRUE(session.serverTls);
    EXPECT_EQ(session.serverCaFile, desktop::FromQString(ca));
    EXPECT_EQ(desktop::TDesktopSettings::FromSession(session).ServerText(),
              "https://servidor.local:8443");

    desktop::TSettingsDialog dialog(loaded);
    EXPECT_EQ(dialog.HostEdit().text(), QStringLiteral("https://servidor.local"));
    EXPECT_EQ(dialog.CaEdit().text(), ca);
    dialog.HostEdit().setText(QStringLiteral(" HTTPS://outro.local "));
    EXPECT_TRUE(dialog.Settings().serverTls);
    EXPECT_EQ(dialog.Settings().serverHost, "outro.local");
    dialog.HostEdit().setText(QStringLiteral("http://outro.local"));
    EXPECT_FALSE(dialog.Settings().serverTls);
    EXPECT_EQ(dialog.Settings().serverHost, "outro.local");

    // Refusals: the dialog stays open with the field focused after the message.
    auto refusal = [&](const QString& server, const QString& caFile) {
        dialog.HostEdit().setText(server);
        dialog.CaEdit().setText(caFile);
        dialog.setResult(QDialog::Rejected);
        desktoptest::TBoxSeen seen;
        AnswerNextModal(QStringLiteral("OK"), &seen);
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Rejected) << server.toStdString();
        return seen.text;
    };
    const QString badServer = QStringLiteral(
        "O servidor de aplicação deve ser um nome ou endereço, com https:// à frente para usar "
        "TLS; a porta vai no campo Porta.");
    EXPECT_EQ(refusal(QStringLiteral("ftp://outro"), ca), badServer);
    EXPECT_EQ(refusal(QStringLiteral("https://outro:8443/rpc"), ca), badServer);
    EXPECT_EQ(refusal(QStringLiteral("https://"), ca),
              QStringLiteral("O servidor de aplicação deve ser informado."));
    EXPECT_EQ(refusal(QStringLiteral("https://outro"), dir.filePath(QStringLiteral("nao.pem"))),
              QStringLiteral("O arquivo de autoridades certificadoras não pôde ser lido."));
    dialog.HostEdit().setText(QStringLiteral("https://outro"));
    dialog.CaEdit().setText(ca);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

/// A screen like the module's: an MDI child with a maintenance menu.
class TScreen : public TForm {
public:
    explicit TScreen(TComponent* owner) : TForm(owner) {
        SetName("frmTela");
        SetCaption("Recálculo da Contabilização da Baixa (Pagamento)");
        SetFormStyle(TFormStyle::fsMDIChild);
        SetBounds(284, 188, 567, 393);
        auto* menu = Create<TMainMenu>();
        auto* maintenance = Create<TMenuItem>();
        maintenance->SetCaption("&Manutenção");
        menu->Items()->Add(maintenance);
        auto* filter = Create<TMenuItem>();
        filter->SetCaption("&Filtrar");
        maintenance->Add(filter);
        SetMenu(menu);
        OnClose = [](TObject*, TCloseAction& action) { action = TCloseAction::caFree; };
    }
};

TEST(DesktopMainWindow, ScreensOpenAsMdiChildrenWithTheirMenusMergedAndTheSessionShown) {
    host::ResetSession();
    host::Session().operatorCode = "MARIA";
    host::Session().serverPort = 8300;
    {
        desktop::TMainWindow window(nullptr);
        EXPECT_EQ(window.StatusTexts(),
                  (QStringList{QStringLiteral("Operador: MARIA"), QStringLiteral("Empresa: 01"),
                               QStringLiteral("Filial: 0001"),
                               QStringLiteral("Servidor: 127.0.0.1:8300")}));
        EXPECT_EQ(window.OpenScreenAction().text(),
                  QStringLiteral("PAG00900 - Recálculo da Contabilização da Baixa (Pagamento)"));
        TScreen* screen = nullptr;
        window.SetOpenScreen([&] { screen = CreateForm<TScreen>(&Application()); });
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.OpenScreenAction().trigger();
        ASSERT_NE(screen, nullptr);
        ASSERT_EQ(window.MdiArea().subWindowList().size(), 1);
        QMdiSubWindow* sub = window.MdiArea().subWindowList().front();
        EXPECT_EQ(sub->windowTitle(),
                  QStringLiteral("Recálculo da Contabilização da Baixa (Pagamento)"));
        EXPECT_EQ(sub->widget()->size(),
                  QSize(screen->ClientRect().Width(), screen->ClientRect().Height()));
        QStringList menus;
        for (QAction* action : window.menuBar()->actions()) menus << action->text();
        EXPECT_TRUE(menus.contains(QStringLiteral("&Manutenção"))) << menus.join(',').toStdString();

        window.close(); // asks the screen, which frees itself
        QCoreApplication::processEvents();
        EXPECT_TRUE(Application().MDIChildren().empty());
        menus.clear();
        for (QAction* action : window.menuBar()->actions()) menus << action->text();
        EXPECT_FALSE(menus.contains(QStringLiteral("&Manutenção")));
        Application().DestroyForms();
    }
    host::ResetSession();
}

} // namespace
