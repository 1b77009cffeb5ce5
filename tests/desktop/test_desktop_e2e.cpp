// End to end on a real display (xvfb-run): the desktop opens PAG00900 against the demo server,
// logs in, loads the list, marks a write-off, loses its login (the token revoked on the server),
// confirms, gives the password again, answers the success message, and saves screenshots of the
// window under build/screenshots/.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

#include "desktop/gridmodel.h"
#include "desktop/gridview.h"
#include "desktop/listcount.h"
#include "desktop/logindialog.h"
#include "desktop/mainwindow.h"
#include "desktop/modulehost.h"
#include "desktop/renderer.h"
#include "desktop/views.h"
#include "host/login.h"
#include "host/session.h"
#include "platform/application.h"
#include "platform/dataset.h"
#include "platform/dbctrls.h"
#include "platform/fields.h"
#include "platform/menus.h"
#include "platform/netconnection.h"
#include "server/passwords.h"

namespace {

using namespace platform;

const QString kSuccess =
    QStringLiteral("O Recálculo da Contabilização da Baixa foi realizado com sucesso.");

/// pag-server on a free loopback port over a fresh SQLite file seeded with the demo data.
class TDemoServer {
public:
    bool Start(const QString& folder) {
        database_ = QStringLiteral("sqlite:") + folder + QStringLiteral("/pag00900.db");
        process_.setProgram(QStringLiteral(PAG_SERVER_PATH));
        process_.setArguments({QStringLiteral("--db"), database_, QStringLiteral("--seed"),
                               QStringLiteral("demo"), QStringLiteral("--listen"),
                               QStringLiteral("127.0.0.1:0")});
        process_.setReadChannel(QProcess::StandardError);
        process_.start();
        if (!process_.waitForStarted(10000)) return false;
        // The server names its port once it listens: "... em 127.0.0.1:PORT (banco ...)".
        QRegularExpression listening(QStringLiteral(" em 127\\.0\\.0\\.1:(\\d+) "));
        QString log;
        for (int waited = 0; waited < 30000 && port_ == 0; waited += 100) {
            process_.waitForReadyRead(100);
            log += QString::fromUtf8(process_.readAllStandardError());
            QRegularExpressionMatch match = listening.match(log);
            if (match.hasMatch()) port_ = match.captured(1).toInt();
            if (process_.state() != QProcess::Running) break;
        }
        if (port_ == 0) ADD_FAILURE() << "pag-server did not listen: " << log.toStdString();
        return port_ != 0;
    }
    ~TDemoServer() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(5000)) process_.kill();
        }
    }
    int Port() const { return port_; }
    const QString& Database() const { return database_; }

private:
    QProcess process_;
    QString database_;
    int port_ = 0;
};

void SaveScreenshot(QWidget& window, const QString& name) {
    QDir().mkpath(QStringLiteral(PAG_SCREENSHOT_DIR));
    QString path = QStringLiteral(PAG_SCREENSHOT_DIR "/") + name;
    QApplication::processEvents();
    EXPECT_TRUE(window.grab().save(path)) << path.toStdString();
}

/// The whole screen, boxes and dialogs included.
void SaveScreen(const QString& name) {
    QDir().mkpath(QStringLiteral(PAG_SCREENSHOT_DIR));
    QString path = QStringLiteral(PAG_SCREENSHOT_DIR "/") + name;
    QApplication::processEvents();
    EXPECT_TRUE(QGuiApplication::primaryScreen()->grabWindow(0).save(path)) << path.toStdString();
}

/// Runs `act` on the next modal window (a box or a dialog) once it shows.
void OnNextModal(const std::function<void(QWidget&)>& act) {
    auto attempt = std::make_shared<std::function<void()>>();
    *attempt = [attempt, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) {
            QTimer::singleShot(20, *attempt);
            return;
        }
        act(*modal);
    };
    QTimer::singleShot(0, *attempt);
}

/// Presses OK on the next message box, keeping its text and a picture of the screen.
void AnswerNextBox(QString* text, const QString& screenshot) {
    OnNextModal([text, screenshot](QWidget& modal) {
        auto* box = qobject_cast<QMessageBox*>(&modal);
        if (!box) {
            ADD_FAILURE() << "a dialog instead of a message box";
            return;
        }
        *text = box->text();
        QTest::qWait(50);
        SaveScreen(screenshot);
        for (QAbstractButton* button : box->buttons())
            if (button->text().remove(QLatin1Char('&')) == QStringLiteral("OK")) button->click();
    });
}

TEST(DesktopEndToEnd, OpensTheScreenLoadsMarksAndRecalculatesAgainstTheDemoServer) {
    QTemporaryDir folder;
    TDemoServer server;
    ASSERT_TRUE(server.Start(folder.path()));
    host::ResetSession();
    host::THostSession& session = host::Session();
    session.serverHost = "127.0.0.1";
    session.serverPort = server.Port();
    session.databaseUrl = server.Database().toStdString();
    session.operatorCode = "OPERADOR";
    session.company = "01";
    session.branch = "0001";
    host::LogIn("OPERADOR", server::kDemoPassword);

    auto* mainForm = CreateForm<TForm>(&Application());
    mainForm->SetName("frmPrincipal");
    mainForm->SetFormStyle(TFormStyle::fsMDIForm);
    Application().SetMainForm(mainForm);
    {
        desktop::TMainWindow window(nullptr);
        desktop::TModuleHost::RegisterScreen("CTB10200=" PAG_CTB10200_PATH);
        desktop::TModuleHost module(PAG_MODULE_PATH);
        module.Initialize();
        window.SetOpenScreen([&module] { module.IniProc(); });
        host::Session().reauthenticate = [&window] { return desktop::AskLoginAgain(&window); };
        mainForm->Show();
        window.resize(1000, 700);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();

        window.OpenScreenAction().trigger();
        TForm* screen = Application().FindForm("frmRecContBaixaPag");
        ASSERT_NE(screen, nullptr) << "IniProc opened no screen";
        ASSERT_EQ(window.MdiArea().subWindowList().size(), 1);
        auto* grid = dynamic_cast<TDBGrid*>(screen->FindComponent("dbgPadrao"));
        ASSERT_NE(grid, nullptr);
        auto* gridView =
            dynamic_cast<desktop::TGridControlView*>(window.Renderer().ViewOf(grid))->GridView();
        ASSERT_NE(gridView, nullptr);
        TDataSet* list = grid->DataSet();
        ASSERT_NE(list, nullptr);
        SaveScreenshot(window, QStringLiteral("pag00900-aberta.png"));
        {
            // The list grows with its window.
            QWidget* screenWindow = window.Renderer().WindowOf(screen);
            const QSize designed = screenWindow->size();
            const QSize gridBefore = gridView->size();
            screenWindow->resize(designed + QSize(120, 80));
            QTest::qWait(20);
            EXPECT_EQ(gridView->size(), gridBefore + QSize(120, 80));
            screenWindow->resize(designed);
            QTest::qWait(20);
        }
        // Leaving the company panel (a click on the grid) loads the company's write-offs of today.
        QTest::mouseClick(gridView->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return list->Active() && list->RecordCount() > 0; }, 15000))
            << "the list was not loaded";
        QApplication::processEvents();
        // The status bar counts the list and its marks.
        EXPECT_EQ(window.ListCountText(), desktop::ListCountText(list->RecordCount(), 0));
        EXPECT_EQ(desktop::ListCountText(1, 1), QStringLiteral("1 baixa, 1 marcada"));
        desktop::TGridModel& model = gridView->Model();
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{2}/\\d{2}/\\d{4}$"))
                        .match(model.data(model.index(0, 0)).toString())
                        .hasMatch())
            << "dates as dd/mm/aaaa: " << model.data(model.index(0, 0)).toString().toStdString();
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{1,3}(\\.\\d{3})*,\\d{2} $"))
                        .match(model.data(model.index(0, 5)).toString())
                        .hasMatch())
            << "amounts as 1.234,56: " << model.data(model.index(0, 5)).toString().toStdString();
        EXPECT_EQ(model.headerData(7, Qt::Horizontal).toString(), QString::fromUtf8("\u2714"));

        // The filter dialog opens modally over the screen; closing it changes nothing.
        auto* filterButton = dynamic_cast<TControl*>(screen->FindComponent("sbtFiltro"));
        ASSERT_NE(filterButton, nullptr);
        ASSERT_TRUE(filterButton->Enabled());
        // It opens with the focus in its first field; Esc closes it, Enter confirms it.
        bool filterShown = false;
        bool focusedOnOpening = false;
        OnNextModal([&](QWidget& dialog) {
            filterShown = dialog.windowTitle() == QStringLiteral("Filtro de Baixa (Pagamento)");
            QTest::qWait(50);
            SaveScreen(QStringLiteral("pag00901-filtro.png"));
            focusedOnOpening = qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr &&
                               dialog.isAncestorOf(QApplication::focusWidget());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        });
        QTest::mouseClick(window.Renderer().WidgetOf(filterButton), Qt::LeftButton);
        EXPECT_TRUE(filterShown);
        EXPECT_TRUE(focusedOnOpening);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "Esc closed the filter";
        const int loadsBefore = gridView->Model().rowCount();
        OnNextModal([](QWidget& dialog) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            // Enter that did nothing fails here instead of leaving the dialog open for good.
            QTimer::singleShot(3000, &dialog, [&dialog] {
                if (!dialog.isVisible()) return;
                ADD_FAILURE() << "Enter did not confirm the filter";
                dialog.close();
            });
        });
        QTest::mouseClick(window.Renderer().WidgetOf(filterButton), Qt::LeftButton);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "Enter confirmed the filter";
        EXPECT_TRUE(list->Active());
        EXPECT_EQ(gridView->Model().rowCount(), loadsBefore) << "the same filter, the same list";

        // Mark the first real write-off with a double click on its row.
        int row = -1;
        for (int recNo = 1; recNo <= list->RecordCount() && row < 0; ++recNo) {
            TRecordPeek peek(*list, recNo);
            if (list->FieldByName("IDSTATUSBPAG")->AsString() == "E" &&
                list->FieldByName("IDMARCADO")->AsString() != "S")
                row = recNo - 1;
        }
        ASSERT_GE(row, 0) << "the demo data has no real write-off to mark";
        QModelIndex cell = gridView->Model().index(row, 0);
        gridView->scrollTo(cell);
        QPoint at = gridView->visualRect(cell).center();
        QTest::mouseClick(gridView->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(gridView->viewport(), Qt::LeftButton, {}, at);
        EXPECT_EQ(list->RecNo(), row + 1);
        EXPECT_EQ(list->FieldByName("IDMARCADO")->AsString(), "S");
        QApplication::processEvents();
        EXPECT_EQ(window.ListCountText(),
                  QString::number(list->RecordCount()) + QStringLiteral(" baixas, 1 marcada"));
        auto* confirm = dynamic_cast<TMenuItem*>(screen->FindComponent("mnuConfirmar"));
        ASSERT_NE(confirm, nullptr);
        EXPECT_TRUE(confirm->Enabled());
        // The simulation's tool button, drawn by the generic renderer, is on with confirm.
        auto* simulate = dynamic_cast<TControl*>(screen->FindComponent("sbtSimular"));
        ASSERT_NE(simulate, nullptr);
        ASSERT_NE(window.Renderer().WidgetOf(simulate), nullptr);
        EXPECT_TRUE(window.Renderer().WidgetOf(simulate)->isEnabled());
        SaveScreenshot(window, QStringLiteral("pag00900-marcada.png"));

        // The login dies on the server (as at its time limit) while the mark waits.
        {
            platform::TNetConnection revoke;
            revoke.SetServerName(host::kLoginObject);
            revoke.SetHost("127.0.0.1");
            revoke.SetPort(server.Port());
            revoke.SetToken(host::Session().token);
            revoke.Logout();
        }

        // Confirm: the desktop asks for the password again, the run goes on with the mark and
        // ends with the success message, answered with OK.
        auto* confirmButton = dynamic_cast<TControl*>(screen->FindComponent("sbtConfirmar"));
        ASSERT_NE(confirmButton, nullptr);
        QString message;
        bool askedAgain = false;
        OnNextModal([&](QWidget& modal) {
            auto* login = qobject_cast<desktop::TLoginDialog*>(&modal);
            if (!login) {
                ADD_FAILURE() << "no login dialog after the token was revoked";
                modal.close();
                return;
            }
            askedAgain = login->OperatorEdit().isReadOnly() &&
                         login->OperatorEdit().text() == QStringLiteral("OPERADOR");
            QTest::qWait(50);
            SaveScreen(QStringLiteral("login-novamente.png"));
            QTest::keyClicks(&login->PasswordEdit(), QString::fromUtf8(server::kDemoPassword));
            QTest::keyClick(&login->PasswordEdit(), Qt::Key_Return);
            AnswerNextBox(&message, QStringLiteral("pag00900-sucesso.png"));
        });
        QTest::mouseClick(window.Renderer().WidgetOf(confirmButton), Qt::LeftButton);
        EXPECT_TRUE(askedAgain);
        EXPECT_EQ(message, kSuccess);
        EXPECT_TRUE(list->Active());
        SaveScreenshot(window, QStringLiteral("pag00900-recalculada.png"));

        // The accounting view opens CTB10200 as an MDI window of its own.
        auto* accountingButton = dynamic_cast<TControl*>(screen->FindComponent("sbtContab"));
        ASSERT_NE(accountingButton, nullptr);
        QTest::mouseClick(window.Renderer().WidgetOf(accountingButton), Qt::LeftButton);
        TForm* accounting = Application().FindForm("frmLancContabil");
        ASSERT_NE(accounting, nullptr) << "CTB10200 did not open";
        EXPECT_EQ(window.MdiArea().subWindowList().size(), 2);
        EXPECT_EQ(window.MdiArea().activeSubWindow(), window.Renderer().WindowOf(accounting));
        SaveScreenshot(window, QStringLiteral("ctb10200.png"));

        // Resized, CTB10200's grid fills its page and scrolls sideways; "Fechar" keeps its place
        // at the bottom right. Smaller than designed it does not get.
        auto* accountingWindow =
            qobject_cast<QMdiSubWindow*>(window.Renderer().WindowOf(accounting));
        ASSERT_NE(accountingWindow, nullptr);
        auto* entries = dynamic_cast<TControl*>(accounting->FindComponent("dbgLancamentos"));
        auto* close = dynamic_cast<TControl*>(accounting->FindComponent("btnFechar"));
        ASSERT_TRUE(entries && close);
        QWidget* entriesWidget = window.Renderer().WidgetOf(entries);
        QWidget* closeWidget = window.Renderer().WidgetOf(close);
        QWidget* client = accountingWindow->widget();
        auto closeGap = [&] {
            QPoint corner = closeWidget->mapTo(client, closeWidget->rect().bottomRight());
            return QPoint(client->width() - corner.x(), client->height() - corner.y());
        };
        const QPoint gapBefore = closeGap();
        const QSize designed = accountingWindow->size();
        accountingWindow->resize(designed + QSize(200, 150));
        QTest::qWait(50);
        EXPECT_EQ(closeGap(), gapBefore);
        QWidget* page = entriesWidget->parentWidget();
        EXPECT_EQ(entriesWidget->geometry(), page->rect()) << "the grid fills its page";
        EXPECT_GE(entriesWidget->width(), 850);
        auto* entriesGrid = qobject_cast<QAbstractScrollArea*>(entriesWidget);
        ASSERT_NE(entriesGrid, nullptr);
        EXPECT_TRUE(entriesGrid->horizontalScrollBar()->isVisible())
            << "the wide columns scroll sideways";
        SaveScreenshot(window, QStringLiteral("ctb10200-redimensionada.png"));
        accountingWindow->resize(designed - QSize(150, 100));
        QTest::qWait(50);
        EXPECT_GE(accountingWindow->width(), designed.width());
        EXPECT_EQ(closeGap(), gapBefore);

        window.close();
        QApplication::processEvents();
        EXPECT_TRUE(Application().MDIChildren().empty());
        module.Shutdown();
    }
    Application().SetMainForm(nullptr);
    host::LogOut();
    host::ResetSession();
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    QApplication::setFont(font);
    return RUN_ALL_TESTS();
}
