// The desktop's session settings (operator, company, branch, server with its TLS choice and
// authorities, database): saved per user,
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
/// serverCaFile is kept even while serverTls is off (it is only read with TLS).
struct TDesktopSettings {
    std::string operatorCode;
    std::string company;
    std::string branch;
    std::string serverHost;
    int serverPort = 0;
    std::string databaseUrl;
    bool serverTls = false;
    std::string serverCaFile = {};

    /// The session's current values.
    static TDesktopSettings FromSession(const host::THostSession& session);
    /// Puts the values into the session (the framework reads them at every use).
    void ApplyTo(host::THostSession& session) const;
    /// "HOST:PORT", or "https://HOST:PORT" with TLS.
    std::string ServerText() const;
};

/// Reads the saved values over `defaults`: each key present replaces its default.
TDesktopSettings LoadSettings(QSettings& store, const TDesktopSettings& defaults);
void SaveSettings(QSettings& store, const TDesktopSettings& settings);

/// Splits "HOST:PORT" (port 1..65535): the --server rule that every host shares.
using host::ParseServer;

/// The dialog "Configurações" editing the settings. The server field takes a host name or
/// address, written with "https://" in front for TLS ("http://" is plain, like no scheme); the
/// CA field a PEM file of authorities (empty: the system's). Accepting it refuses an empty
/// operator, company, branch or server host, a server field with another scheme or a path, and
/// a CA file that cannot be read (the field is focused and a message shown).
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
    QLineEdit& CaEdit() const { return *ca_; }

private:
    QLineEdit* operator_;
    QLineEdit* company_;
    QLineEdit* branch_;
    QLineEdit* host_;
    QSpinBox* port_;
    QLineEdit* database_;
    QLineEdit* ca_;
};

} // namespace desktop
