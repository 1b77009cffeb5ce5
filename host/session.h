// The host session: who is logged in, on which company and branch, and where the server and
// database are.
#pragma once

#include <functional>
#include <string>

namespace host {

/// Settings a host (desktop, scripted, tests) fills at start-up and may change later; the
/// framework reads them on every use, so a change takes effect at the next read.
/// Invariant: serverPort is in 1..65535 once a host has validated its options (the framework
/// itself does not refuse other values: a bad endpoint makes the connection attempt fail).
struct THostSession {
    /// The logged-in operator (host::LogIn sets it; before a login, the operator the host was
    /// given).
    std::string operatorCode = "OPERADOR";
    std::string company = "01";
    std::string branch = "0001";
    std::string serverHost = "127.0.0.1";
    int serverPort = 8211;
    /// True: the server is reached over HTTPS and its certificate verified.
    bool serverTls = false;
    /// PEM file of the authorities trusted for the server's certificate; empty: the system's.
    /// Only read when serverTls.
    std::string serverCaFile;
    /// "sqlite:PATH" or a PostgreSQL URL ("postgresql://..."); see DefaultDatabaseUrl().
    std::string databaseUrl;
    /// The login token of operatorCode (host/login.h); empty before a login. Never logged.
    std::string token;
    /// How the host logs in again when the server refuses the token (it expired or was
    /// revoked): asks for the password, calls host::LogIn and returns true; false when the person
    /// gave up. Empty: a refused token is not renewed.
    std::function<bool()> reauthenticate;
};

/// The process-wide session. Starts with the defaults above and DefaultDatabaseUrl().
THostSession& Session();

/// Puts every setting back to its default (tests use it between cases).
void ResetSession();

/// "sqlite:" + $XDG_DATA_HOME/pag00900/pag00900.db, or ~/.local/share/pag00900/pag00900.db
/// when XDG_DATA_HOME is unset or empty.
std::string DefaultDatabaseUrl();

/// The user's configuration folder of this system: $XDG_CONFIG_HOME/pag00900, or
/// ~/.config/pag00900 when XDG_CONFIG_HOME is unset or empty. Not created here.
std::string ConfigFolder();

} // namespace host
