// The desktop's keyboard rules, the busy animation during a slowed server exchange and the help
// window, under the offscreen platform; each case leaves a screenshot in <build>/screenshots/.
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTabWidget>
#include <QTextBrowser>

#include <chrono>
#include <thread>

#include "desktop/busyindicator.h"
#include "desktop/helpwindow.h"
#include "desktop/replywaiter.h"
#include "desktop_fixture.h"
#include "host/frmfiltropadrao.h"
#include "host/numberedit.h"
#include "platform/comctrls.h"
#include "platform/replywait.h"
#include "platform/stdctrls.h"

namespace {

using desktoptest::DesktopTest;
using platform::Application;

void SaveScreenshot(QWidget* window, const char* name) {
    ASSERT_NE(window, nullptr);
    QDir().mkpath(QStringLiteral(PAG_SCREENSHOT_DIR));
    window->grab().save(QStringLiteral(PAG_SCREENSHOT_DIR "/") + QLatin1String(name) +
                        QStringLiteral(".png"));
}

// A filter dialog with one edit per page of a two-page control.
class TTwoPageFilter : public host::TfrmFiltroPadrao {
public:
    explicit TTwoPageFilter(platform::TComponent* owner) : host::TfrmFiltroPadrao(owner) {
        SetName("frmFiltroTeste");
        pages = platform::CreateChild<platform::TPageControl>(*this, grbPadrao, "pgcTeste");
        pages->SetAlign(platform::TAlign::alClient);
        first = platform::CreateTabSheet(*this, pages, "tshUm", "Um");
        second = platform::CreateTabSheet(*this, pages, "tshDois", "Dois");
        edtUm = platform::CreateChild<platform::TEdit>(*this, first, "edtUm");
        edtUm->SetBounds(8, 8, 120, 21);
        nedValor = platform::CreateChild<host::TNumberEdit>(*this, second, "nedValor");
        nedValor->SetBounds(8, 8, 120, 21);
        pages->SetActivePage(first);
    }
    platform::TPageControl* pages;
    platform::TTabSheet* first;
    platform::TTabSheet* second;
    platform::TEdit* edtUm;
    host::TNumberEdit* nedValor;
};

// Runs `steps` once the dialog's modal loop runs, then the dialog's ShowModal; returns its result.
platform::TModalResult ShowModalWhile(platform::TForm* form, const std::function<void()>& steps) {
    QTimer::singleShot(0, [steps] { steps(); });
    platform::TModalResult result = platform::mrNone;
    Application().Run([form, &result] { result = form->ShowModal(); });
    return result;
}

// A key pressed on the widget of the form's focused control (the form's window when none).
void Press(desktop::TRenderer& renderer, platform::TForm* form, int key,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = renderer.WidgetOf(form->FocusedControl());
    if (!target) target = renderer.WindowOf(form);
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
}

TEST_F(DesktopTest, EnterConfirmsTheFilterDialogAndEscClosesItAsItsCloseButtonDoes) {
    auto* dialog = platform::CreateForm<TTwoPageFilter>(&Application());
    bool focusedOnOpening = false;
    std::string focusedName;
    platform::TModalResult result = ShowModalWhile(dialog, [&] {
        focusedOnOpening = dialog->FocusedControl() == dialog->edtUm;
        if (dialog->FocusedControl()) focusedName = dialog->FocusedControl()->Name();
        SaveScreenshot(renderer->WindowOf(dialog), "filtro-foco-ao-abrir");
        Press(*renderer, dialog, Qt::Key_Return);
    });
    EXPECT_TRUE(focusedOnOpening) << "the first control of the page shown has the focus, not "
                                  << focusedName;
    EXPECT_EQ(result, platform::mrOk);

    result = ShowModalWhile(dialog, [&] { Press(*renderer, dialog, Qt::Key_Escape); });
    EXPECT_EQ(result, platform::mrCancel);
}

TEST_F(DesktopTest, CtrlTabAndCtrlPageKeysChangePagesAndTheKeypadDecimalTypesAComma) {
    auto* dialog = platform::CreateForm<TTwoPageFilter>(&Application());
    platform::TTabSheet* afterCtrlTab = nullptr;
    platform::TTabSheet* afterCtrlPgUp = nullptr;
    std::string typed;
    ShowModalWhile(dialog, [&] {
        Press(*renderer, dialog, Qt::Key_Tab, Qt::ControlModifier);
        afterCtrlTab = dialog->pages->ActivePage();
        // The page's first control takes the focus: the keypad's keys reach the amount.
        Press(*renderer, dialog, Qt::Key_1, Qt::KeypadModifier);
        Press(*renderer, dialog, Qt::Key_Period, Qt::KeypadModifier);
        Press(*renderer, dialog, Qt::Key_5, Qt::KeypadModifier);
        typed = dialog->nedValor->Text();
        SaveScreenshot(renderer->WindowOf(dialog), "filtro-ctrl-tab-decimal");
        Press(*renderer, dialog, Qt::Key_PageUp, Qt::ControlModifier);
        afterCtrlPgUp = dialog->pages->ActivePage();
        Press(*renderer, dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(afterCtrlTab, dialog->second);
    EXPECT_EQ(typed, "1,5");
    EXPECT_EQ(afterCtrlPgUp, dialog->first);
}

TEST_F(DesktopTest, TheBusyAnimationTurnsAndTheCursorWaitsWhileASlowExchangeRunsOffThread) {
    desktop::TReplyWaiter waiter;
    services->BusyOn(1);
    const int framesBefore = services->Busy().PaintedFrames();
    bool offThread = false;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    const std::thread::id ui = std::this_thread::get_id();
    platform::WaitForReply([&] {
        offThread = std::this_thread::get_id() != ui;
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
    });
    // The cursor is read by the UI thread during the wait, as it paints.
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (QApplication::overrideCursor()) cursor = QApplication::overrideCursor()->shape();
    });
    probe.start(20);
    platform::WaitForReply([] { std::this_thread::sleep_for(std::chrono::milliseconds(200)); });
    probe.stop();
    SaveScreenshot(&services->Busy(), "busy-durante-chamada");
    const int frames = services->Busy().PaintedFrames() - framesBefore;
    services->BusyOff();
    EXPECT_TRUE(offThread);
    EXPECT_GE(frames, 2) << "the wheel was painted in at least two positions during the wait";
    EXPECT_EQ(cursor, Qt::WaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A failure of the exchange reaches the caller on its own thread.
    EXPECT_THROW(platform::WaitForReply([] { throw platform::Exception("falhou"); }),
                 platform::Exception);
}

TEST_F(DesktopTest, F1OpensTheHelpPageOfTheFormsHelpContext) {
    auto* form = ShowForm();
    form->SetHelpContext(11900900);
    auto* edit = platform::CreateChild<platform::TEdit>(*form, form, "edtA");
    edit->SetBounds(8, 8, 100, 21);
    Activate(form);
    Application().Run([edit] { edit->SetFocus(); });
    QCoreApplication::processEvents();
    Press(*renderer, form, Qt::Key_F1);
    desktop::THelpWindow* help = desktop::THelpWindow::Current();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(help->windowTitle().contains(QStringLiteral("PAG00900")));
    EXPECT_TRUE(help->Browser().toPlainText().contains(QStringLiteral("Empresa não cadastrada.")));
    SaveScreenshot(help, "ajuda-f1");
    help->close();

    // A form without a page has no help to show: the key goes on to the form.
    form->SetHelpContext(1);
    EXPECT_FALSE(services->ShowHelp(*form));
}

} // namespace
