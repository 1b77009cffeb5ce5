// The desktop's session settings (operator, company, branch, server, database): saved per user,
// overridden by the command line, and the dialog that edits them.
#pragma once

#include <QDialog>

#include <optional>
#include <string>

#include "host/hostoptions.h"
#include "host/session.h"

class QLineEdit;
class QSettings;
class QSpinBox;

namespace desktop {

/// The settings the desktop keeps between runs; the same fields as the host session.
struct TDesktopSettings {
    std::string operatorCode;
    std::string company;
    std::string branch;
    std::string serverHost;
    int serverPort = 0;
    std::string databaseUrl;

    /// The session's current values.
    static TDesktopSettings FromSession(const host::THostSession& session);
    /// Puts the values into the session (the framework reads them at every use).
    void ApplyTo(host::THostSession& session) const;
    /// "HOST:PORT".
    std::string ServerText() const;
};

/// Reads the saved values over `defaults`: each key present replaces its default.
TDesktopSettings LoadSettings(QSettings& store, const TDesktopSettings& defaults);
void SaveSettings(QSettings& store, const TDesktopSettings& settings);

/// Splits "HOST:PORT" (port 1..65535): the --server rule that every host shares.
using host::ParseServer;

/// The dialog "Configurações" editing the settings. Accepting it refuses an empty operator,
/// company, branch or server host (the field is focused and a message shown).
class TSettingsDialog : public QDialog {
    Q_OBJECT
public:
    TSettingsDialog(const TDesktopSettings& settings, QWidget* parent = nullptr);
    TDesktopSettings Settings() const;
    void accept() override;

    QLineEdit& OperatorEdit() const { return *operator_; }
    QLineEdit& CompanyEdit() const { return *company_; }
    QLineEdit& BranchEdit() const { return *branch_; }
    QLineEdit& HostEdit() const { return *host_; }
    QSpinBox& PortEdit() const { return *port_; }
    QLineEdit& DatabaseEdit() const { return *database_; }

private:
    QLineEdit* operator_;
    QLineEdit* company_;
    QLineEdit* branch_;
    QLineEdit* host_;
    QSpinBox* port_;
    QLineEdit* database_;
};

} // namespace desktop
