// The command line that the desktop and scripted hosts share, and the start-up it drives: the
// clock, the session, the screens opened through LoadBPL and the host's main form.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host/moduleregistry.h"
#include "platform/datetime.h"

namespace CLI {
class App;
}

namespace platform {
class TForm;
}

namespace host {

struct THostSession;

/// Where the application server is: "HOST:PORT" or "http://HOST:PORT" (plain HTTP), or
/// "https://HOST:PORT" (TLS). Invariant once parsed: host not empty, port in 1..65535.
struct TServerAddress {
    std::string host;
    int port = 0;
    bool tls = false;
};

/// The options both hosts take. A host sets the defaults it wants in the fields, declares the
/// options, parses, then calls Prepare() and ApplyTo(). An empty text means "not given": the
/// session keeps its value (the desktop's saved setting, or the framework's default).
class THostOptions {
public:
    std::string server;
    std::string caFile;
    std::string database;
    std::string operatorCode;
    std::string company;
    std::string branch;
    std::string today;
    std::string modulePath;
    std::vector<std::string> registrations;

    /// Declares --version, --server, --ca, --db, --operator, --company, --branch and --today. A
    /// default already in `server` is shown in the help and always used, so an explicitly empty
    /// --server is then refused instead of falling back.
    void DeclareSession(CLI::App& app, const std::string& serverHelp);
    /// Declares --module (its default shown) and --register. Apart from DeclareSession so that
    /// a host can put options of its own in between in the help.
    void DeclareModule(CLI::App& app, const std::string& registerHelp);

    /// Checks --server, --ca and --today (platform::Exception with a Portuguese message naming
    /// the option), pins the clock to --today, and registers every --register screen after what
    /// the host registered before (a later registration of a code replaces an earlier one).
    /// --ca must name a readable file and goes only with an https:// server (or, when --server
    /// is not given, with the session's own). A --db URL carrying a password is refused: on a
    /// command line every user of the machine can read it (libpq's .pgpass and PGPASSFILE keep
    /// it instead).
    void Prepare();
    /// Puts the given values into the session; --server as parsed by Prepare() (its scheme
    /// decides TLS, so a plain HOST:PORT turns TLS off).
    void ApplyTo(THostSession& session) const;

private:
    bool serverAlways_ = false;
    std::optional<TServerAddress> server_;
};

/// Parses the command line. Returns the exit status when the program should end here: 0 after
/// --help, 2 after a bad option (CLI11 has printed why); nothing when it should go on.
std::optional<int> ParseCommandLine(CLI::App& app, int argc, char** argv);

/// Reads a --server text (see TServerAddress); raises platform::Exception with a Portuguese
/// message naming the option for anything else, e.g. another scheme or a port out of range.
TServerAddress ParseServerAddress(const std::string& text);
/// Splits a plain "HOST:PORT" (or "http://HOST:PORT") with a port in 1..65535; raises
/// platform::Exception otherwise, https:// included, leaving `host` and `port` as they were.
void ParseServer(const std::string& text, std::string& host, int& port);
/// Whether a PostgreSQL URL carries a password: "user:password@" before the host, or a
/// "password=" parameter. False for anything else, SQLite included.
bool DatabaseUrlHasPassword(const std::string& url);

/// A day written YYYY-MM-DD; raises platform::Exception otherwise.
platform::TDateTime ParseDay(const std::string& text);

/// Registers a screen opened by LoadBPL from a library, written "CODE=FILE"; raises
/// platform::Exception for a text without a code or a file.
void RegisterScreen(const std::string& registration);
/// Registers CTB10200 from `library` when that file exists and returns true; otherwise
/// registers `missing` as its opening (the host decides what a missing screen does).
bool RegisterAccountingScreen(const std::filesystem::path& library, TModuleOpener missing);

/// Where the modules are: the installation's module folder relative to the program (PAG_MODULE_DIR,
/// e.g. ../lib/pag00900) when it exists, else <program dir>/../lib as in the build tree; empty when
/// the program's own path cannot be read.
std::filesystem::path ProgramLibDir();
/// The module's file in ProgramLibDir(), or its bare name when that is unknown.
std::string DefaultModulePath();

/// Creates the host's main form "frmPrincipal", the MDI parent of the module's screens, and
/// makes it the application's main form. Not shown yet: the host shows it when ready.
platform::TForm* CreateMainForm();

} // namespace host
