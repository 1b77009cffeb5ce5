// The audit trail of recalculation runs: an append-only record in the database of who ran
// what, from where, and what became of each write-off's entry number.
//
// One header row per run (AUDITRECALC: time in UTC, operator, client address, the first 8
// characters of the session id, company, branch, list number, outcome and reason) and one
// detail row per write-off the run posted (AUDITRECALCITEM: CDFILIAL, NRBAIXAPAG, the entry
// number before, empty for a write-off never accounted, and after). Refused and stopped runs
// get a header row only. Both tables refuse UPDATE, DELETE (and TRUNCATE on PostgreSQL) by
// trigger, and re-seeding leaves them alone.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/sql.h"
#include "platform/sysutils.h"

namespace server {

/// What became of a run. The letters are IDRESULTADO.
enum class TAuditOutcome : char {
    Committed = 'C', // posted and committed
    Refused = 'R',   // refused before or by its checks (a refusal, a result key, an error)
    Stopped = 'I',   // stopped before committing (deadline, server stopping, database failure)
};

/// One write-off a committed run posted.
struct TAuditWriteOff {
    std::string branch;      // CDFILIAL
    std::string number;      // NRBAIXAPAG
    std::string entryBefore; // NRLCTBBPAG before the run; empty when it had none
    std::string entryAfter;  // NRLCTBBPAG the run gave it
};

/// One run to record. Texts longer than their columns are cut (address 64 characters, reason
/// 250); only the first 8 characters of the session id are kept, as in the log, since the id
/// lets its holder act in the session.
struct TAuditRecord {
    platform::TDateTime time = 0; // UTC; 0 means now
    std::string operatorCode;
    std::string clientAddress;
    std::string session;
    std::string company;
    std::string branch;
    std::string listNumber;
    TAuditOutcome outcome = TAuditOutcome::Committed;
    std::string reason; // e.g. the result key, the refusal's text, "erros contábeis"
    std::vector<TAuditWriteOff> writeOffs;
};

/// Appends a run's record; returns its id (IDAUDITORIA, 32 random hex digits). Joins the
/// connection's open transaction, so that a committed run's record commits with its postings
/// and disappears with them when the run rolls back; otherwise (a refused or stopped run,
/// after its rollback) it commits a transaction of its own.
std::string AppendAudit(platform::TSqlConnection& db, const TAuditRecord& record);

/// Which rows ReadAudit returns; empty fields restrict nothing.
struct TAuditFilter {
    std::string company;
    std::string operatorCode;
    std::optional<platform::TDateTime> since; // from this day on, UTC
};

/// One line of the trail: a run's header with one of its write-offs (empty write-off fields for
/// a run without any), or a change of a company's closed period: outcome 'F' (closed further)
/// or 'A' (reopened: the day moved back), who asked in operatorCode, the days in reason, the
/// other fields empty.
struct TAuditLine {
    platform::TDateTime time = 0;
    std::string operatorCode, clientAddress, session, company, branch, listNumber;
    char outcome = 'C';
    std::string reason;
    std::string writeOffBranch, writeOffNumber, entryBefore, entryAfter;
};

/// The trail's lines in time order, then by write-off.
std::vector<TAuditLine> ReadAudit(platform::TSqlConnection& db, const TAuditFilter& filter);

/// The runs' lines (ReadAudit) and the closed periods' changes (AUDITFECHACTB) together, in time
/// order. The operator filter keeps runs only: a period is changed by a system account, not by
/// an operator.
std::vector<TAuditLine> ReadAuditTrail(platform::TSqlConnection& db, const TAuditFilter& filter);

/// The lines as a table with a header line, columns aligned on characters (not bytes).
std::string FormatAuditTable(const std::vector<TAuditLine>& lines);

} // namespace server
