// The administration subcommands of pag-server: `passwd`, `audit` and `close-period`.
#include "server/admincommands.h"

#include <pwd.h>
#include <sodium.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>

#include "platform/datetime.h"
#include "platform/sql.h"
#include "server/audit.h"
#include "server/closedperiod.h"
#include "server/pagserver.h"
#include "server/passwords.h"
#include "server/schema.h"

namespace server {

namespace {

// The database of a subcommand, with its schema brought up to date. Without --db, the
// server's default file, which must exist already (an empty new one would hold no operator).
std::unique_ptr<platform::TSqlConnection> OpenDatabase(std::string url) {
    if (url.empty()) {
        const std::filesystem::path path = DefaultDatabasePath();
        if (!std::filesystem::exists(path))
            throw platform::Exception("O banco de dados padrão ainda não existe: inicie o "
                                      "servidor uma vez ou informe --db.");
        url = "sqlite:" + path.string();
    }
    auto db = platform::TSqlConnection::Open(url);
    EnsureSchema(*db);
    return db;
}

// A text the user types; wiped when it goes.
class TSecret {
public:
    TSecret() = default;
    ~TSecret() { Wipe(); }
    TSecret(const TSecret&) = delete;
    TSecret& operator=(const TSecret&) = delete;
    std::string& Text() { return text_; }
    void Wipe() {
        if (!text_.empty()) sodium_memzero(text_.data(), text_.size());
        text_.clear();
    }

private:
    std::string text_;
};

// Echo off on the terminal for the lifetime of the object.
class TNoEcho {
public:
    TNoEcho() {
        if (tcgetattr(STDIN_FILENO, &saved_) != 0) return;
        termios quiet = saved_;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        quiet.c_lflag |= ECHONL;
        active_ = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~TNoEcho() {
        if (active_) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
    }
    TNoEcho(const TNoEcho&) = delete;
    TNoEcho& operator=(const TNoEcho&) = delete;

private:
    termios saved_{};
    bool active_ = false;
};

// One line of standard input without its line end.
void ReadLine(std::string& line) {
    if (!std::getline(std::cin, line)) line.clear();
    if (!line.empty() && line.back() == '\r') line.pop_back();
}

// The new password: asked twice without echo on a terminal, else the first line of input.
void ReadPassword(const std::string& operatorCode, TSecret& password) {
    if (!isatty(STDIN_FILENO)) {
        ReadLine(password.Text());
        return;
    }
    TSecret again;
    {
        TNoEcho noEcho;
        std::cerr << "Nova senha do operador " << operatorCode << ": " << std::flush;
        ReadLine(password.Text());
        std::cerr << "Repita a nova senha: " << std::flush;
        ReadLine(again.Text());
    }
    if (password.Text() != again.Text())
        throw ECredentialRefused("As senhas digitadas não conferem; nada foi alterado.");
}

// A day given as AAAA-MM-DD; raises with a message naming the option otherwise.
platform::TDateTime ParseDay(const std::string& text, const std::string& what) {
    platform::TDateTime day = 0;
    const bool shaped = text.size() == 10 && text[4] == '-' && text[7] == '-';
    try {
        if (shaped) day = platform::ParseSqlDate(text);
    } catch (const platform::EConvertError&) { day = 0; }
    if (day == 0)
        throw platform::Exception(what + " exige uma data válida no formato AAAA-MM-DD, não \"" +
                                  CutUtf8(text, 20) + "\".");
    return day;
}

// Who runs the command, for the audit trail: the system account's name.
std::string SystemUser() {
    if (const passwd* entry = getpwuid(geteuid()); entry != nullptr && entry->pw_name != nullptr)
        return entry->pw_name;
    return "uid " + std::to_string(geteuid());
}

} // namespace

TAdminCommands::TAdminCommands(CLI::App& app, const std::string& serverDb) : serverDb_(serverDb) {
    const std::string dbHelp = "Banco de dados: sqlite:ARQUIVO ou postgresql://... (padrão: o "
                               "do servidor)";
    passwd_ = app.add_subcommand(
        "passwd", "Define a senha de um operador (lida do terminal, sem eco, ou da primeira linha "
                  "da entrada padrão)");
    passwd_->add_option("OPERADOR", passwdOperator_, "Código do operador")->required();
    passwd_->add_option("--db", passwdDb_, dbHelp);

    audit_ = app.add_subcommand(
        "audit", "Mostra a trilha de auditoria dos recálculos e dos fechamentos de período");
    audit_->add_option("--db", auditDb_, dbHelp);
    audit_->add_option("--company", auditCompany_, "Só os eventos desta empresa");
    audit_->add_option("--operator", auditOperator_,
                       "Só os recálculos deste operador (sem os fechamentos de período)");
    audit_->add_option("--since", auditSince_, "Só a partir deste dia (AAAA-MM-DD, UTC)");

    closePeriod_ = app.add_subcommand(
        "close-period", "Fecha a contabilidade de uma empresa até um dia (uma data anterior "
                        "reabre os dias depois dela); a mudança fica na trilha de auditoria");
    closePeriod_->add_option("EMPRESA", closeCompany_, "Código da empresa")->required();
    closePeriod_->add_option("DATA", closeDate_, "Último dia fechado (AAAA-MM-DD)")->required();
    closePeriod_->add_option("--db", closeDb_, dbHelp);
}

bool TAdminCommands::Chosen() const {
    return passwd_->parsed() || audit_->parsed() || closePeriod_->parsed();
}

int TAdminCommands::Run() {
    try {
        if (passwd_->parsed()) return RunPasswd();
        return closePeriod_->parsed() ? RunClosePeriod() : RunAudit();
    } catch (const std::exception& e) {
        std::cerr << "pag-server: " << e.what() << std::endl;
        return 1;
    }
}

int TAdminCommands::RunPasswd() {
    auto db = OpenDatabase(passwdDb_.empty() ? serverDb_ : passwdDb_);
    if (!OperatorPasswordHash(*db, passwdOperator_))
        throw ECredentialRefused("Operador \"" + CutUtf8(passwdOperator_, 12) +
                                 "\" não cadastrado.");
    TSecret password;
    ReadPassword(passwdOperator_, password);
    SetOperatorPassword(*db, passwdOperator_, password.Text());
    std::cerr << "pag-server: senha do operador " << passwdOperator_
              << " definida; os tokens de entrada do operador foram revogados." << std::endl;
    return 0;
}

int TAdminCommands::RunAudit() {
    TAuditFilter filter;
    filter.company = auditCompany_;
    filter.operatorCode = auditOperator_;
    if (!auditSince_.empty()) filter.since = ParseDay(auditSince_, "--since");
    auto db = OpenDatabase(auditDb_.empty() ? serverDb_ : auditDb_);
    const auto lines = ReadAuditTrail(*db, filter);
    std::cout << FormatAuditTable(lines) << std::flush;
    std::cerr << "pag-server: " << lines.size() << (lines.size() == 1 ? " linha." : " linhas.")
              << std::endl;
    return 0;
}

int TAdminCommands::RunClosePeriod() {
    const platform::TDateTime until = ParseDay(closeDate_, "DATA");
    auto db = OpenDatabase(closeDb_.empty() ? serverDb_ : closeDb_);
    const std::optional<platform::TDateTime> before = ClosedUntil(*db, closeCompany_);
    SetClosedUntil(*db, closeCompany_, until, SystemUser());
    std::cerr << "pag-server: contabilidade da empresa " << closeCompany_ << " fechada até "
              << platform::FormatDateTime("dd/mm/yyyy", until)
              << (before ? " (antes: " + platform::FormatDateTime("dd/mm/yyyy", *before) + ")"
                         : std::string(" (antes: nenhum período fechado)"))
              << "." << std::endl;
    return 0;
}

} // namespace server
