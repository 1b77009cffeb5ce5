// Operators' passwords, the login check and its throttling, login tokens, the audit trail, the
// upgrade of a version-1 database and the passwd, audit and close-period subcommands of pag-server.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "backendtest.h"
#include "platform/sql.h"
#include "server/audit.h"
#include "server/closedperiod.h"
#include "server/login.h"
#include "server/passwords.h"
#include "server/schema.h"
#include "server/seed.h"
#include "server/tokens.h"

using namespace servertest;
using namespace std::chrono_literals;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

// Runs `what` and returns the refusal it raised; fails the test when it raises none.
template <class F> server::ELoginRefused RefusalOf(F&& what) {
    try {
        what();
    } catch (const server::ELoginRefused& e) { return e; }
    ADD_FAILURE() << "the login was not refused";
    return server::ELoginRefused("", 0ms);
}

server::TAuditFilter Filter(std::string company, std::string operatorCode,
                            std::optional<platform::TDateTime> since = std::nullopt) {
    server::TAuditFilter filter;
    filter.company = std::move(company);
    filter.operatorCode = std::move(operatorCode);
    filter.since = since;
    return filter;
}

server::TAuditRecord Refused(std::string operatorCode, std::string company, std::string reason) {
    server::TAuditRecord record;
    record.operatorCode = std::move(operatorCode);
    record.company = std::move(company);
    record.outcome = server::TAuditOutcome::Refused;
    record.reason = std::move(reason);
    return record;
}

class CredentialsTest : public TBackendTest {};

TEST_P(CredentialsTest, PasswordsDecideLoginsAndEveryFailureReadsTheSame) {
    // The demo operators log in with the demo password, whose stored hash has today's limits.
    EXPECT_TRUE(server::VerifyPassword(server::DemoPasswordHash(), server::kDemoPassword));
    EXPECT_FALSE(server::PasswordNeedsRehash(server::DemoPasswordHash()));
    server::TTokenStore tokens;
    server::TLoginService login(tokens);
    const auto started = std::chrono::steady_clock::now();
    const server::TIssuedToken demo = login.Login(*db_, "OPERADOR", "demo", "127.0.0.1:5000");
    const auto cost = std::chrono::steady_clock::now() - started;
    std::cout << "one login: "
              << std::chrono::duration_cast<std::chrono::milliseconds>(cost).count() << " ms\n";
    EXPECT_LT(cost, 2s); // ~0.25 s here; the bound leaves room for a loaded or sanitized run
    EXPECT_EQ(tokens.Verify(*db_, demo.token), "OPERADOR");

    server::SetOperatorPassword(*db_, "MARIA", "s3nh@ Forte ção");
    const auto hash = server::OperatorPasswordHash(*db_, "MARIA");
    ASSERT_TRUE(hash.has_value());
    EXPECT_THAT(*hash, HasSubstr("$argon2id$"));
    EXPECT_THAT(*hash, Not(HasSubstr("Forte")));
    EXPECT_EQ(login.Login(*db_, "MARIA", "s3nh@ Forte ção", "10.0.0.2").operatorCode, "MARIA");

    // Unknown operator, wrong password, an operator without password: one refusal text.
    server::ClearOperatorPassword(*db_, "JOAO");
    EXPECT_EQ(server::OperatorPasswordHash(*db_, "JOAO"), "");
    const std::string texts[] = {
        RefusalOf([&] { login.Login(*db_, "MARIA", "s3nh@ forte ção", "10.0.0.3"); }).what(),
        RefusalOf([&] { login.Login(*db_, "MARIA", "demo", "10.0.0.3"); }).what(),
        RefusalOf([&] { login.Login(*db_, "NINGUEM", "demo", "10.0.0.3"); }).what(),
        RefusalOf([&] { login.Login(*db_, "JOAO", "", "10.0.0.3"); }).what(),
        RefusalOf([&] { login.Login(*db_, "JOAO", "demo", "10.0.0.3"); }).what(),
    };
    for (const std::string& text : texts) EXPECT_EQ(text, server::kLoginFailed);

    // Refusals of the password itself; and a new password ends the operator's tokens.
    EXPECT_THROW(server::SetOperatorPassword(*db_, "MARIA", ""), server::ECredentialRefused);
    EXPECT_THROW(server::SetOperatorPassword(*db_, "MARIA", std::string(1025, 'x')),
                 server::ECredentialRefused);
    EXPECT_THROW(server::SetOperatorPassword(*db_, "NINGUEM", "x"), server::ECredentialRefused);
    server::SetOperatorPassword(*db_, "OPERADOR", "outra");
    EXPECT_EQ(tokens.Verify(*db_, demo.token), std::nullopt);
    EXPECT_THROW(login.Login(*db_, "OPERADOR", "demo", "10.0.0.4"), server::ELoginRefused);
}

TEST_P(CredentialsTest, TokensExpireWhenIdleAndAtTheirAbsoluteLimit) {
    platform::TDateTime now = server::UtcNow();
    server::TTokenOptions options;
    options.idleLifetime = 1h;
    options.absoluteLifetime = 3h;
    options.maxPerOperator = 3;
    options.touchInterval = 0s;
    options.clock = [&] { return now; };
    server::TTokenStore tokens(options);
    const auto advance = [&](std::chrono::minutes m) { now += m.count() / (24.0 * 60.0); };

    const server::TIssuedToken a = tokens.Issue(*db_, "OPERADOR");
    EXPECT_EQ(a.token.size(), 43u);
    EXPECT_EQ(a.token.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                        "0123456789-_"),
              std::string::npos);
    // Only a hash of the text is stored.
    EXPECT_EQ(db_->SelectValue("SELECT COUNT(*) FROM TOKENOPER WHERE HSTOKEN = :T OR "
                               "CDOPERADOR = :T",
                               {{"T", a.token}})
                  .AsInteger(),
              0);

    // Used every 50 minutes it outlives its idle lifetime, up to the absolute one.
    for (int i = 0; i < 3; ++i) {
        advance(50min);
        EXPECT_EQ(tokens.Verify(*db_, a.token), "OPERADOR") << "use " << i;
    }
    advance(50min); // 3 h 20 after issue
    EXPECT_EQ(tokens.Verify(*db_, a.token), std::nullopt);

    // Unused for more than the idle lifetime it dies, and a dead token stays dead.
    const server::TIssuedToken b = tokens.Issue(*db_, "OPERADOR");
    advance(59min);
    EXPECT_EQ(tokens.Verify(*db_, b.token), "OPERADOR");
    advance(61min);
    EXPECT_EQ(tokens.Verify(*db_, b.token), std::nullopt);
    advance(-30min);
    EXPECT_EQ(tokens.Verify(*db_, b.token), std::nullopt);

    // Revocation, malformed and unknown texts.
    const server::TIssuedToken c = tokens.Issue(*db_, "MARIA");
    EXPECT_TRUE(tokens.Revoke(*db_, c.token));
    EXPECT_FALSE(tokens.Revoke(*db_, c.token));
    EXPECT_EQ(tokens.Verify(*db_, c.token), std::nullopt);
    EXPECT_EQ(tokens.Verify(*db_, ""), std::nullopt);
    EXPECT_EQ(tokens.Verify(*db_, c.token.substr(1) + "A"), std::nullopt);
    EXPECT_EQ(tokens.Verify(*db_, std::string(43, '\'')), std::nullopt);
    EXPECT_THROW(tokens.Issue(*db_, "NINGUEM"), server::ECredentialRefused);

    // At most three live tokens per operator: a fourth revokes the oldest.
    std::vector<server::TIssuedToken> issued;
    for (int i = 0; i < 4; ++i) {
        advance(1min);
        issued.push_back(tokens.Issue(*db_, "JOAO"));
    }
    EXPECT_EQ(tokens.Verify(*db_, issued[0].token), std::nullopt);
    for (int i = 1; i < 4; ++i) EXPECT_EQ(tokens.Verify(*db_, issued[i].token), "JOAO");

    // Purge removes the dead ones only.
    const server::TIssuedToken d = tokens.Issue(*db_, "CARLOS");
    advance(2h);
    const server::TIssuedToken e = tokens.Issue(*db_, "CARLOS");
    // JOAO's three; CARLOS's first went when his second was issued.
    EXPECT_EQ(tokens.Purge(*db_), 3);
    EXPECT_EQ(db_->SelectValue("SELECT COUNT(*) FROM TOKENOPER").AsInteger(), 1);
    EXPECT_EQ(tokens.Verify(*db_, e.token), "CARLOS");
    EXPECT_EQ(tokens.Verify(*db_, d.token), std::nullopt);
}

TEST_P(CredentialsTest, ATokenIssuedThroughOneConnectionIsAcceptedThroughAnother) {
    // Two stores, two connections: as two servers on one database.
    server::TTokenStore first, second;
    auto other = database_->Connect();
    const server::TIssuedToken token = first.Issue(*db_, "MARIA");
    EXPECT_EQ(second.Verify(*other, token.token), "MARIA");
    EXPECT_TRUE(second.Revoke(*other, token.token));
    EXPECT_EQ(first.Verify(*db_, token.token), std::nullopt);
}

TEST_P(CredentialsTest, TheAuditTrailKeepsRunsAndRefusesChanges) {
    server::TAuditRecord committed;
    committed.time = server::UtcNow() - 1.0 / 24;
    committed.operatorCode = "OPERADOR";
    committed.clientAddress = "127.0.0.1:40312";
    committed.session = "5fb78a97c0ffee0123456789";
    committed.company = "01";
    committed.branch = "0001";
    committed.listNumber = "0000000007";
    committed.writeOffs = {{"0001", "0000000001", "", "000000000101"},
                           {"0001", "0000000004", "000000000077", "000000000102"}};
    {
        // Inside a run's transaction: it commits with the run, or goes with its rollback.
        platform::TSqlTransaction run(*db_);
        server::AppendAudit(*db_, committed);
        run.Rollback();
    }
    EXPECT_TRUE(server::ReadAudit(*db_, Filter("", "")).empty());
    {
        platform::TSqlTransaction run(*db_);
        server::AppendAudit(*db_, committed);
        run.Commit();
    }
    server::TAuditRecord refused = committed;
    refused.outcome = server::TAuditOutcome::Refused;
    refused.operatorCode = "MARIA";
    refused.company = "02";
    refused.reason = "Hist_Nc";
    refused.writeOffs.clear();
    refused.time = 0;                   // now, after the committed one
    server::AppendAudit(*db_, refused); // after the run's rollback: a transaction of its own

    const auto all = server::ReadAudit(*db_, Filter("", ""));
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].session, "5fb78a97");
    EXPECT_EQ(all[0].writeOffNumber, "0000000001");
    EXPECT_EQ(all[0].entryBefore, "");
    EXPECT_EQ(all[1].entryBefore, "000000000077");
    EXPECT_EQ(all[1].entryAfter, "000000000102");
    EXPECT_EQ(all[2].outcome, 'R');
    EXPECT_EQ(all[2].reason, "Hist_Nc");
    EXPECT_EQ(server::ReadAudit(*db_, Filter("02", "")).size(), 1u);
    EXPECT_EQ(server::ReadAudit(*db_, Filter("", "OPERADOR")).size(), 2u);
    EXPECT_EQ(server::ReadAudit(*db_, Filter("", "", server::UtcNow() + 1)).size(), 0u);

    // The table: a header and one line per row, columns aligned on characters: the header's
    // "Endereço" and "Sessão" take more bytes than characters.
    const auto charsBefore = [](const std::string& text, std::size_t bytes) {
        std::size_t chars = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++chars;
        return chars;
    };
    std::istringstream lines(server::FormatAuditTable(all));
    std::string header, line;
    std::getline(lines, header);
    ASSERT_NE(header.find("Lista"), std::string::npos);
    const std::size_t listColumn = charsBefore(header, header.find("Lista"));
    int count = 0;
    while (std::getline(lines, line)) {
        ++count;
        ASSERT_NE(line.find("0000000007"), std::string::npos) << line;
        EXPECT_EQ(charsBefore(line, line.find("0000000007")), listColumn) << line;
    }
    EXPECT_EQ(count, 3);

    // Append-only: no UPDATE, no DELETE, on either table; re-seeding leaves the trail alone.
    for (const char* statement :
         {"UPDATE AUDITRECALC SET DSMOTIVO = 'x'", "DELETE FROM AUDITRECALC",
          "UPDATE AUDITRECALCITEM SET NRLCTBDEPOIS = 'x'", "DELETE FROM AUDITRECALCITEM"}) {
        EXPECT_THROW(db_->Execute(statement), platform::EDatabaseError) << statement;
    }
    server::SeedDemo(*db_, today_);
    EXPECT_EQ(server::ReadAudit(*db_, Filter("", "")).size(), 3u);
}

TEST_P(CredentialsTest, AVersionOneDatabaseIsUpgradedInPlace) {
    TTestDatabase old(GetParam());
    auto db = old.Connect();
    server::CreateSchemaAtVersion(*db, 1);
    ASSERT_EQ(server::SchemaVersion(*db), 1);
    db->Execute("INSERT INTO OPERADOR (CDOPERADOR, NMOPERADOR) VALUES ('ANA', 'Ana')");
    db->Execute("INSERT INTO EMPRESA (CDEMPRESA, NMEMPRESA) VALUES ('09', 'Empresa Nove')");
    db->Execute("INSERT INTO OPEREMPR (CDOPERADOR, CDEMPRESA) VALUES ('ANA', '09')");
    db->Execute("UPDATE NUMERADOR SET NRULTIMO = 41 WHERE NMNUMERADOR = 'LISTA'");
    // Version 1 has none of the new columns.
    EXPECT_THROW(db->Execute("UPDATE OPERADOR SET DSSENHAHASH = NULL"), platform::EDatabaseError);
    db.reset();

    auto upgraded = old.Connect();
    server::EnsureSchema(*upgraded);
    EXPECT_EQ(server::SchemaVersion(*upgraded), server::kSchemaVersion);
    EXPECT_EQ(upgraded->SelectValue("SELECT NMOPERADOR FROM OPERADOR WHERE CDOPERADOR = 'ANA'")
                  .AsString(),
              "Ana");
    EXPECT_EQ(upgraded->SelectValue("SELECT COUNT(*) FROM OPEREMPR").AsInteger(), 1);
    EXPECT_EQ(upgraded->SelectValue("SELECT NRULTIMO FROM NUMERADOR WHERE NMNUMERADOR = 'LISTA'")
                  .AsInteger(),
              41);
    EXPECT_EQ(server::OperatorPasswordHash(*upgraded, "ANA"), "");
    server::EnsureSchema(*upgraded); // a second start changes nothing
    EXPECT_EQ(upgraded->SelectValue("SELECT COUNT(*) FROM PAGVERSAO").AsInteger(),
              server::kSchemaVersion); // one row per version reached

    // The new parts work: a password, a token, an append-only trail.
    server::SetOperatorPassword(*upgraded, "ANA", "nova");
    server::TTokenStore tokens;
    EXPECT_EQ(tokens.Verify(*upgraded, tokens.Issue(*upgraded, "ANA").token), "ANA");
    server::AppendAudit(*upgraded, Refused("ANA", "09", "teste"));
    EXPECT_THROW(upgraded->Execute("DELETE FROM AUDITRECALC"), platform::EDatabaseError);
    server::SetClosedUntil(*upgraded, "09", 46000, "teste");
    EXPECT_EQ(server::ClosedUntil(*upgraded, "09").value_or(0), 46000);
    EXPECT_THROW(upgraded->Execute("DELETE FROM AUDITFECHACTB"), platform::EDatabaseError);

    // A database of a later version than this server knows is refused, untouched.
    upgraded->Execute("INSERT INTO PAGVERSAO (NRVERSAO) VALUES (:V)",
                      {{"V", server::kSchemaVersion + 1}});
    EXPECT_THROW(server::EnsureSchema(*upgraded), platform::EDatabaseError);
}

INSTANTIATE_TEST_SUITE_P(Backends, CredentialsTest,
                         ::testing::Values(TBackend::SQLite, TBackend::PostgreSQL),
                         TBackendParamName());

// Throttling lives in the process; one backend is enough.
class LoginThrottleTest : public TBackendTest {};

TEST_P(LoginThrottleTest, TheDelayGrowsAfterFiveFailuresPerOperatorAndPerAddress) {
    auto now = std::chrono::steady_clock::now();
    server::TLoginOptions options;
    options.firstDelay = 10s;
    options.maxDelay = 30s;
    options.clock = [&] { return now; };
    server::TTokenStore tokens;
    server::TLoginService login(tokens, options);
    const auto fail = [&](const char* op, const char* address) {
        return RefusalOf([&] { login.Login(*db_, op, "errada", address); });
    };

    // Five failures of OPERADOR from different addresses pass unhindered.
    for (int i = 0; i < 5; ++i) {
        const std::string address = "10.1.0." + std::to_string(i) + ":9000";
        EXPECT_EQ(fail("OPERADOR", address.c_str()).RetryAfter(), 0ms) << i;
    }
    // Then it is held back, even with the right password, for 10 s, then 20 s, then 30 s (the
    // cap); an attempt refused while held back checks nothing and does not count.
    for (auto expected : {10s, 20s, 30s, 30s}) {
        const auto held = RefusalOf([&] { login.Login(*db_, "OPERADOR", "demo", "10.9.9.9"); });
        EXPECT_EQ(held.RetryAfter(), expected);
        EXPECT_THAT(held.what(), HasSubstr("Tente de novo em"));
        now += expected - 1s;
        EXPECT_GT(fail("OPERADOR", "10.9.9.9").RetryAfter(), 0ms);
        now += 1s;
        EXPECT_EQ(fail("OPERADOR", "10.9.9.9").RetryAfter(), 0ms);
    }
    // Other operators are not held back by OPERADOR's failures.
    EXPECT_EQ(login.Login(*db_, "JOAO", "demo", "10.7.7.7").operatorCode, "JOAO");

    // One address failing on many operators is held back whatever operator it names; another
    // address is not. The port does not make another address.
    for (const char* op : {"MARIA", "JOAO", "CARLOS", "X1", "X2"})
        EXPECT_EQ(fail(op, "192.168.0.5:1111").RetryAfter(), 0ms);
    EXPECT_EQ(fail("CARLOS", "192.168.0.5:2222").RetryAfter(), 10s);
    EXPECT_EQ(login.Login(*db_, "MARIA", "demo", "192.168.0.6:1111").operatorCode, "MARIA");

    // A success clears the counts: after the wait, the right password gets in, and the next
    // failure of OPERADOR is one of five free ones again.
    now += 31s;
    EXPECT_EQ(login.Login(*db_, "OPERADOR", "demo", "10.9.9.9").operatorCode, "OPERADOR");
    EXPECT_EQ(fail("OPERADOR", "10.9.9.9").RetryAfter(), 0ms);
    EXPECT_EQ(fail("OPERADOR", "10.9.9.9").RetryAfter(), 0ms);
}

TEST_P(LoginThrottleTest, TheFailureTablesStayWithinTheirBound) {
    auto now = std::chrono::steady_clock::now();
    server::TLoginOptions options;
    options.freeFailures = 1;
    options.maxTracked = 2;
    options.clock = [&] { return now; };
    server::TTokenStore tokens;
    server::TLoginService login(tokens, options);
    // With room for two operators, the third evicts the oldest: A is forgotten, C is held.
    for (const char* op : {"A", "B", "C"}) {
        EXPECT_EQ(RefusalOf([&] { login.Login(*db_, op, "x", op); }).RetryAfter(), 0ms);
        now += 1ms;
    }
    EXPECT_EQ(RefusalOf([&] { login.Login(*db_, "C", "x", "C"); }).RetryAfter(), 1000ms - 1ms);
    EXPECT_EQ(RefusalOf([&] { login.Login(*db_, "A", "x", "A2"); }).RetryAfter(), 0ms);
}

INSTANTIATE_TEST_SUITE_P(Backends, LoginThrottleTest, ::testing::Values(TBackend::SQLite),
                         TBackendParamName());

// pag-server passwd, audit and close-period, run as an operator runs them: the password
// through a pipe.
class AdminCommandTest : public TBackendTest {
protected:
    struct TResult {
        int status = -1;
        std::string out, err;
    };

    // Runs pag-server with `arguments`, `input` on its standard input.
    TResult Run(const std::string& arguments, const std::string& input) {
        signal(SIGPIPE, SIG_IGN); // a refusing command may exit before reading its input
        const std::string base = (std::filesystem::temp_directory_path() /
                                  ("pag-admin-test-" + std::to_string(getpid())))
                                     .string();
        const std::string errFile = base + ".err", outFile = base + ".out";
        const std::string command = std::string(PAG_SERVER_EXE) + " " + arguments + " --db '" +
                                    database_->Url() + "' >'" + outFile + "' 2>'" + errFile + "'";
        FILE* pipe = popen(command.c_str(), "w");
        EXPECT_NE(pipe, nullptr);
        TResult result;
        if (pipe == nullptr) return result;
        fwrite(input.data(), 1, input.size(), pipe);
        const int status = pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        const auto slurp = [](const std::string& path) {
            std::ifstream in(path);
            std::stringstream text;
            text << in.rdbuf();
            std::remove(path.c_str());
            return text.str();
        };
        result.out = slurp(outFile);
        result.err = slurp(errFile);
        return result;
    }
};

TEST_P(AdminCommandTest, PasswdReadsOneLineFromAPipeAndRefusesInPortuguese) {
    server::TTokenStore tokens;
    const server::TIssuedToken before = tokens.Issue(*db_, "MARIA");

    TResult set = Run("passwd MARIA", "Nova-senha 42\nignored second line\n");
    EXPECT_EQ(set.status, 0) << set.err;
    EXPECT_THAT(set.err, Not(HasSubstr("Nova-senha")));
    const auto hash = server::OperatorPasswordHash(*db_, "MARIA");
    ASSERT_TRUE(hash.has_value());
    EXPECT_TRUE(server::VerifyPassword(*hash, "Nova-senha 42"));
    EXPECT_EQ(tokens.Verify(*db_, before.token), std::nullopt);

    TResult unknown = Run("passwd NINGUEM", "x\n");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_THAT(unknown.err, HasSubstr("Operador \"NINGUEM\" não cadastrado."));
    TResult empty = Run("passwd JOAO", "\n");
    EXPECT_EQ(empty.status, 1);
    EXPECT_THAT(empty.err, HasSubstr("A senha não pode ser vazia."));
    EXPECT_TRUE(server::VerifyPassword(*server::OperatorPasswordHash(*db_, "JOAO"), "demo"));

    server::AppendAudit(*db_, Refused("JOAO", "01", "ALT_BLOQ"));
    server::AppendAudit(*db_, Refused("MARIA", "02", "Hist_Nc"));
    TResult audit = Run("audit --company 02", "");
    EXPECT_EQ(audit.status, 0) << audit.err;
    EXPECT_THAT(audit.out, HasSubstr("Hist_Nc"));
    EXPECT_THAT(audit.out, Not(HasSubstr("ALT_BLOQ")));
    TResult badDate = Run("audit --since 2024-02-30", "");
    EXPECT_EQ(badDate.status, 1);
    EXPECT_THAT(badDate.err, HasSubstr("AAAA-MM-DD"));
}

TEST_P(AdminCommandTest, ClosePeriodMovesTheCompanysClosedDayBothWaysAndRecordsEachMove) {
    TResult closed = Run("close-period 02 2026-03-31", "");
    EXPECT_EQ(closed.status, 0) << closed.err;
    EXPECT_THAT(closed.err, HasSubstr("fechada até 31/03/2026 (antes: nenhum período fechado)"));
    EXPECT_EQ(server::ClosedUntil(*db_, "02").value_or(0), platform::ParseSqlDate("2026-03-31"));
    server::AppendAudit(*db_, Refused("JOAO", "02", "ALT_BLOQ"));
    TResult back = Run("close-period 02 2025-12-31", "");
    EXPECT_EQ(back.status, 0) << back.err;
    EXPECT_THAT(back.err, HasSubstr("(antes: 31/03/2026)"));
    EXPECT_EQ(server::ClosedUntil(*db_, "02").value_or(0), platform::ParseSqlDate("2025-12-31"));
    EXPECT_EQ(
        db_->SelectValue("SELECT COUNT(*) FROM AUDITFECHACTB WHERE CDEMPRESA = '02'").AsInteger(),
        2);
    // The trail shows both moves among the runs, in time order.
    TResult audit = Run("audit --company 02", "");
    EXPECT_EQ(audit.status, 0) << audit.err;
    const std::size_t closing = audit.out.find("fechado até 31/03/2026 (antes: nenhum)");
    const std::size_t run = audit.out.find("ALT_BLOQ");
    const std::size_t reopening = audit.out.find("fechado até 31/12/2025 (antes: 31/03/2026)");
    ASSERT_NE(reopening, std::string::npos) << audit.out;
    EXPECT_LT(closing, run) << audit.out;
    EXPECT_LT(run, reopening) << audit.out;
    EXPECT_THAT(audit.out, HasSubstr("fechamento"));
    EXPECT_THAT(audit.out, HasSubstr("reabertura"));
    EXPECT_THAT(Run("audit --company 01", "").out, Not(HasSubstr("fechado até")));
    EXPECT_THAT(Run("audit --operator JOAO", "").out, Not(HasSubstr("fechado até")));
    for (const char* bad : {"close-period 99 2026-01-01", "close-period 02 2026-02-30",
                            "close-period 02 31/01/2026"}) {
        TResult refused = Run(bad, "");
        EXPECT_EQ(refused.status, 1) << bad;
        EXPECT_FALSE(refused.err.empty()) << bad;
    }
    EXPECT_EQ(server::ClosedUntil(*db_, "02").value_or(0), platform::ParseSqlDate("2025-12-31"));
}

INSTANTIATE_TEST_SUITE_P(Backends, AdminCommandTest,
                         ::testing::Values(TBackend::SQLite, TBackend::PostgreSQL),
                         TBackendParamName());

} // namespace
