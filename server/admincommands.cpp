// The administration subcommands of pag-server: `passwd` and `audit`.
#include "server/admincommands.h"

#include <sodium.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>

#include "platform/datetime.h"
#include "platform/sql.h"
#include "server/audit.h"
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

} // namespace

TAdminCommands::TAdminCommands(CLI::App& app, const std::string& serverDb) : serverDb_(serverDb) {
    const std::string dbHelp = "Banco de dados: sqlite:ARQUIVO ou postgresql://... (padrão: o "
                               "do servidor)";
    passwd_ = app.add_subcommand(
        "passwd", "Define a senha de um operador (lida do terminal, sem eco, ou da primeira linha "
                  "da entrada padrão)");
    passwd_->add_option("OPERADOR", passwdOperator_, "Código do operador")->required();
    passwd_->add_option("--db", passwdDb_, dbHelp);

    audit_ = app.add_subcommand("audit", "Mostra a trilha de auditoria dos recálculos");
    audit_->add_option("--db", auditDb_, dbHelp);
    audit_->add_option("--company", auditCompany_, "Só os recálculos desta empresa");
    audit_->add_option("--operator", auditOperator_, "Só os recálculos deste operador");
    audit_->add_option("--since", auditSince_, "Só a partir deste dia (AAAA-MM-DD, UTC)");
}

bool TAdminCommands::Chosen() const {
    return passwd_->parsed() || audit_->parsed();
}

int TAdminCommands::Run() {
    try {
        return passwd_->parsed() ? RunPasswd() : RunAudit();
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
    if (!auditSince_.empty()) {
        platform::TDateTime since = 0;
        const bool shaped =
            auditSince_.size() == 10 && auditSince_[4] == '-' && auditSince_[7] == '-';
        try {
            if (shaped) since = platform::ParseSqlDate(auditSince_);
        } catch (const platform::EConvertError&) { since = 0; }
        if (since == 0)
            throw platform::Exception(
                "--since exige uma data válida no formato AAAA-MM-DD, não \"" +
                CutUtf8(auditSince_, 20) + "\".");
        filter.since = since;
    }
    auto db = OpenDatabase(auditDb_.empty() ? serverDb_ : auditDb_);
    const auto lines = ReadAudit(*db, filter);
    std::cout << FormatAuditTable(lines) << std::flush;
    std::cerr << "pag-server: " << lines.size() << (lines.size() == 1 ? " linha." : " linhas.")
              << std::endl;
    return 0;
}

} // namespace server
