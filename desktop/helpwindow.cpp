// The help window of the desktop (see helpwindow.h).
#include "desktop/helpwindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "desktop/qtconvert.h"
#include "platform/forms.h"
#include "platform/stdctrls.h"

namespace desktop {

namespace {

QPointer<THelpWindow>& CurrentWindow() {
    static QPointer<THelpWindow> window;
    return window;
}

// Every folder holds the index page; one without it is not a help folder.
bool HoldsPages(const QString& folder) {
    return QFileInfo::exists(folder + QStringLiteral("/index.html"));
}

} // namespace

QString THelpWindow::Folder() {
    const QString built = QStringLiteral(PAG_HELP_BUILD_DIR);
    if (HoldsPages(built)) return built;
    const QString installed = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                              QStringLiteral("/../share/pag00900/help"));
    return HoldsPages(installed) ? installed : QString();
}

QString THelpWindow::PageOf(int context, const QString& screenCode) {
    const QString folder = Folder();
    if (folder.isEmpty()) return {};
    const QString name = context != 0 ? QString::number(context) : screenCode;
    if (name.isEmpty()) return {};
    const QString page = folder + QLatin1Char('/') + name + QStringLiteral(".html");
    return QFileInfo::exists(page) ? page : QString();
}

QString THelpWindow::PageOf(const platform::TForm& form) {
    QString code;
    if (auto* label = dynamic_cast<platform::TLabel*>(form.FindComponent("lblCodTela")))
        code = ToQString(label->Caption()).trimmed();
    return PageOf(form.HelpContext(), code);
}

THelpWindow::THelpWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Ajuda"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    browser_ = new QTextBrowser(this);
    browser_->setOpenLinks(true);
    layout->addWidget(browser_);
    auto* close = new QPushButton(QStringLiteral("Fechar"), this);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    layout->addWidget(close, 0, Qt::AlignRight);
    resize(640, 520);
}

THelpWindow& THelpWindow::Open(const QString& page, QWidget* parent) {
    QPointer<THelpWindow>& window = CurrentWindow();
    if (!window) window = new THelpWindow(parent);
    window->browser_->setSearchPaths({QFileInfo(page).absolutePath()});
    window->browser_->setSource(QUrl::fromLocalFile(page));
    window->setWindowTitle(QStringLiteral("Ajuda - ") + window->browser_->documentTitle());
    window->show();
    window->raise();
    window->activateWindow();
    return *window;
}

THelpWindow* THelpWindow::Current() {
    return CurrentWindow().data();
}

} // namespace desktop
