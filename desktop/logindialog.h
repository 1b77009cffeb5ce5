// The desktop's login dialog: operator and password before anything else, and the password again
// when the server refuses the session's token during work.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace desktop {

/// "Entrar no sistema": fields "Operador" and "Senha" (masked), buttons "Entrar" (the default:
/// Enter) and "Cancelar" (also Esc). Entrar runs the login function; a refusal shows its text in
/// the dialog, clears the password and leaves the dialog open for another try; success accepts
/// it. The password lives only in the field and in the login call; nothing keeps it.
/// Invariant: with the operator fixed the operator field is read-only.
class TLoginDialog : public QDialog {
    Q_OBJECT
public:
    /// Logs in or raises platform::Exception with the text to show (the server's refusal, an
    /// unreachable server).
    using TLogin =
        std::function<void(const std::string& operatorCode, const std::string& password)>;

    /// The focus starts on the password when `operatorCode` is not empty, on the operator
    /// otherwise. `operatorFixed`: only the password may be typed (a login again).
    TLoginDialog(const std::string& operatorCode, bool operatorFixed, TLogin login,
                 QWidget* parent = nullptr);

    void accept() override;

    QLineEdit& OperatorEdit() const { return *operator_; }
    QLineEdit& PasswordEdit() const { return *password_; }
    /// The refusal of the last try; empty before one.
    QLabel& MessageLabel() const { return *message_; }
    QPushButton& EnterButton() const { return *enter_; }
    QPushButton& CancelButton() const { return *cancel_; }

private:
    void Refuse(QLineEdit* focus, const QString& text);

    TLogin login_;
    QLineEdit* operator_;
    QLineEdit* password_;
    QLabel* message_;
    QPushButton* enter_;
    QPushButton* cancel_;
};

/// Shows the login dialog for the session's operator until a login succeeds (host::LogIn at the
/// session's server). False when the person cancelled: the session is left as it was.
bool AskLogin(QWidget* parent);

/// The session's THostSession::reauthenticate for the desktop: the same dialog with the session's
/// operator fixed, explaining that the session expired.
bool AskLoginAgain(QWidget* parent);

} // namespace desktop
