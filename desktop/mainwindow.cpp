// The desktop's main window: the MDI area the screens open in, the menus, the status bar with
// the session, and the settings dialog.
#include "desktop/mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>

#include "desktop/formview.h"
#include "desktop/layoutmemory.h"
#include "desktop/listcount.h"
#include "desktop/logindialog.h"
#include "desktop/menumirror.h"
#include "desktop/qtconvert.h"
#include "desktop/qtservices.h"
#include "desktop/renderer.h"
#include "desktop/settings.h"
#include "desktop/views.h"
#include "host/login.h"
#include "host/session.h"
#include "platform/application.h"

namespace desktop {

TMainWindow::TMainWindow(QSettings* store, QWidget* parent) : QMainWindow(parent), store_(store) {
    setWindowTitle(QStringLiteral("Contas a Pagar"));
    QApplication::setWindowIcon(WindowIcon());
    mdiArea_ = new QMdiArea(this);
    mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea_->setBackground(QColor(128, 128, 128));
    setCentralWidget(mdiArea_);

    SetLayoutStore(store_);
    renderer_ = std::make_unique<TRenderer>(mdiArea_, this);
    services_ = std::make_unique<TQtServices>(*renderer_, this);
    platform::Application().SetServices(services_.get());
    listCounter_ = std::make_unique<TListCounter>();
    renderer_->OnActiveChildChanged = [this](platform::TForm* form) {
        MergeChildMenu(form);
        listCounter_->Watch(form);
    };
    services_->OnModuleOpened = [this](const std::string& code) {
        statusBar()->showMessage(QStringLiteral("Abrindo ") + ToQString(code) +
                                 QStringLiteral("..."));
        operationText_ = statusBar()->currentMessage();
    };
    services_->OnStatusNote = [this](const std::string& text) {
        statusBar()->showMessage(ToQString(text), 5000);
    };
    // An operation's text lasts as long as the operation.
    TRenderer::OnActionEnded = [this] {
        if (!operationText_.isEmpty() && statusBar()->currentMessage() == operationText_)
            statusBar()->clearMessage();
        operationText_.clear();
    };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&Arquivo"));
    file->addAction(QStringLiteral("&Configurações..."), this, [this] { ShowSettings(); });
    file->addSeparator();
    file->addAction(QStringLiteral("Sai&r"), this, [this] { close(); });

    QMenu* payables = menuBar()->addMenu(QStringLiteral("Contas a &Pagar"));
    openScreen_ = payables->addAction(
        QStringLiteral("PAG00900 - Recálculo da Contabilização da Baixa (Pagamento)"));
    connect(openScreen_, &QAction::triggered, this, [this] { OpenScreen(); });

    windowMenu_ = menuBar()->addMenu(QStringLiteral("&Janela"));
    windowMenu_->addAction(QStringLiteral("&Cascata"), mdiArea_, &QMdiArea::cascadeSubWindows);
    windowMenu_->addAction(QStringLiteral("&Lado a lado"), mdiArea_, &QMdiArea::tileSubWindows);

    countLabel_ = new QLabel(this);
    countLabel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    countLabel_->setContentsMargins(4, 0, 4, 0);
    countLabel_->hide();
    statusBar()->addPermanentWidget(countLabel_);
    listCounter_->OnText = [this](const QString& text) {
        countLabel_->setText(text);
        countLabel_->setVisible(!text.isEmpty());
    };
    operatorLabel_ = new QLabel(this);
    companyLabel_ = new QLabel(this);
    branchLabel_ = new QLabel(this);
    serverLabel_ = new QLabel(this);
    for (QLabel* label : {operatorLabel_, companyLabel_, branchLabel_, serverLabel_}) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setContentsMargins(4, 0, 4, 0);
        statusBar()->addPermanentWidget(label);
    }
    RefreshStatus();
    resize(1024, 720);
}

TMainWindow::~TMainWindow() {
    if (&platform::Application().Services() == services_.get())
        platform::Application().SetServices(nullptr);
    renderer_->OnActiveChildChanged = nullptr;
    listCounter_->OnText = nullptr;
    TRenderer::OnActionEnded = nullptr;
    SetLayoutStore(nullptr);
}

void TMainWindow::OpenScreen() {
    if (open_) TRenderer::Run(open_);
}

void TMainWindow::RefreshStatus() {
    const host::THostSession& session = host::Session();
    operatorLabel_->setText(QStringLiteral("Operador: ") + ToQString(session.operatorCode));
    companyLabel_->setText(QStringLiteral("Empresa: ") + ToQString(session.company));
    branchLabel_->setText(QStringLiteral("Filial: ") + ToQString(session.branch));
    serverLabel_->setText(QStringLiteral("Servidor: ") +
                          ToQString(TDesktopSettings::FromSession(session).ServerText()));
}

QString TMainWindow::ListCountText() const {
    return countLabel_->text();
}

QStringList TMainWindow::StatusTexts() const {
    return {operatorLabel_->text(), companyLabel_->text(), branchLabel_->text(),
            serverLabel_->text()};
}

void TMainWindow::ShowSettings() {
    TSettingsDialog dialog(TDesktopSettings::FromSession(host::Session()), this);
    if (dialog.exec() != QDialog::Accepted) return;
    TDesktopSettings settings = dialog.Settings();
    const TDesktopSettings before = TDesktopSettings::FromSession(host::Session());
    // The token belongs to one operator at one server: another of either means a new login.
    const bool loginChanged = settings.operatorCode != before.operatorCode ||
                              settings.ServerText() != before.ServerText();
    if (loginChanged) host::LogOut();
    settings.ApplyTo(host::Session());
    if (store_) SaveSettings(*store_, settings);
    // Cancelled: the next call to the server asks for the password again.
    if (loginChanged) AskLogin(this);
    RefreshStatus();
}

void TMainWindow::MergeChildMenu(platform::TForm* form) {
    for (QAction* action : childActions_) menuBar()->removeAction(action);
    childActions_.clear();
    if (!form) return;
    auto* view = dynamic_cast<TFormView*>(renderer_->ViewOf(form));
    if (!view || !view->Menu() || !view->MenuMerged()) return;
    for (QAction* action : view->Menu()->TopActions()) {
        menuBar()->insertAction(windowMenu_->menuAction(), action);
        childActions_.push_back(action);
    }
}

void TMainWindow::closeEvent(QCloseEvent* event) {
    // Every screen is asked to close; one that refuses keeps the application open.
    for (platform::TForm* form : platform::Application().MDIChildren())
        TRenderer::Run([form] { form->Close(); });
    for (platform::TForm* form : platform::Application().MDIChildren())
        if (form->Visible()) {
            event->ignore();
            return;
        }
    event->accept();
}

} // namespace desktop
