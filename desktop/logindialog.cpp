// The desktop's login dialog and the two ways the desktop shows it.
#include "desktop/logindialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "desktop/qtconvert.h"
#include "host/login.h"
#include "host/session.h"
#include "platform/sysutils.h"

namespace desktop {

TLoginDialog::TLoginDialog(const std::string& operatorCode, bool operatorFixed, TLogin login,
                           QWidget* parent)
    : QDialog(parent), login_(std::move(login)) {
    setWindowTitle(QStringLiteral("Entrar no sistema"));
    auto* form = new QFormLayout(this);
    operator_ = new QLineEdit(ToQString(operatorCode), this);
    operator_->setReadOnly(operatorFixed);
    password_ = new QLineEdit(this);
    password_->setEchoMode(QLineEdit::Password);
    message_ = new QLabel(this);
    message_->setWordWrap(true);
    message_->setStyleSheet(QStringLiteral("color: #a00000"));
    message_->hide();
    form->addRow(QStringLiteral("&Operador:"), operator_);
    form->addRow(QStringLiteral("&Senha:"), password_);
    form->addRow(message_);
    auto* buttons = new QDialogButtonBox(this);
    enter_ = buttons->addButton(QStringLiteral("&Entrar"), QDialogButtonBox::AcceptRole);
    enter_->setDefault(true);
    cancel_ = buttons->addButton(QStringLiteral("&Cancelar"), QDialogButtonBox::RejectRole);
    cancel_->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &TLoginDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    setMinimumWidth(320);
    (operatorCode.empty() ? operator_ : password_)->setFocus();
}

void TLoginDialog::Refuse(QLineEdit* focus, const QString& text) {
    message_->setText(text);
    message_->show();
    password_->clear();
    focus->setFocus();
}

void TLoginDialog::accept() {
    const std::string operatorCode = FromQString(operator_->text().trimmed());
    if (operatorCode.empty()) return Refuse(operator_, QStringLiteral("Informe o operador."));
    if (password_->text().isEmpty()) return Refuse(password_, QStringLiteral("Informe a senha."));
    std::string password = FromQString(password_->text());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        login_(operatorCode, password);
    } catch (const platform::Exception& e) {
        QApplication::restoreOverrideCursor();
        return Refuse(password_, ToQString(e.what()));
    }
    QApplication::restoreOverrideCursor();
    password_->clear();
    QDialog::accept();
}

namespace {

bool RunLogin(QWidget* parent, bool operatorFixed, const QString& note) {
    TLoginDialog dialog(host::Session().operatorCode, operatorFixed, &host::LogIn, parent);
    if (!note.isEmpty()) {
        dialog.MessageLabel().setText(note);
        dialog.MessageLabel().show();
    }
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

bool AskLogin(QWidget* parent) {
    return RunLogin(parent, false, QString());
}

bool AskLoginAgain(QWidget* parent) {
    return RunLogin(parent, true,
                    QStringLiteral("A sessão expirou. Informe a senha para continuar."));
}

} // namespace desktop
