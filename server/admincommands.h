// The administration subcommands of pag-server: `passwd` sets an operator's password, `audit`
// prints the audit trail of runs, `close-period` moves a company's closed accounting day.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace server {

/// Declares the subcommands on the program's command line; after parsing, Run() carries out
/// the one chosen, if any.
class TAdminCommands {
public:
    /// `serverDb` is the program's own --db, used when the subcommand names none.
    TAdminCommands(CLI::App& app, const std::string& serverDb);

    /// Whether the command line named one of the subcommands.
    bool Chosen() const;
    /// Runs it; returns the exit status (messages on standard error, the table on standard
    /// output).
    int Run();

private:
    int RunPasswd();
    int RunAudit();
    int RunClosePeriod();

    const std::string& serverDb_;
    CLI::App* passwd_ = nullptr;
    CLI::App* audit_ = nullptr;
    CLI::App* closePeriod_ = nullptr;
    std::string passwdDb_, passwdOperator_;
    std::string auditDb_, auditCompany_, auditOperator_, auditSince_;
    std::string closeDb_, closeCompany_, closeDate_;
};

} // namespace server
