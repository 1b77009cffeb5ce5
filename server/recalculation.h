// The recalculation run: checks the marked write-offs, builds their entries and, when nothing
// stands in the way, replaces their posted entries, all in one transaction.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "platform/sql.h"
#include "platform/sysutils.h"
#include "server/audit.h"
#include "server/columnwidths.h"
#include "server/runoutcome.h"

namespace server {

/// One row of the client's list, as the client read it.
struct TListedWriteOff {
    std::string branch;
    std::string number;
    std::string company;
    bool marked = false;
    std::string status;      // IDSTATUSBPAG
    std::string accounted;   // IDCTBLBXPAG
    std::string entryNumber; // NRLCTBBPAG
    double amount = 0;       // VRBAIXAPAG
};

/// Everything a run is asked to do.
struct TRunRequest {
    std::vector<TListedWriteOff> rows;
    std::string company;
    std::string branch; // the operator's current branch
    std::string operatorCode;
    std::string listNumber;
    std::string paymentText;   // the client's word for a payment
    std::string chequeHistory; // the client's cheque history text; empty = none
    std::string clientAddress; // who asked, for the audit trail
    // The session's id, for the audit trail; a committed run's list replaces the session's
    // last one (sessionlists.h). Empty: no session (the demo data's own postings).
    std::string session;
    bool audited = true; // false only for the demo data's own postings
    /// A simulation: every check and the entries as a run would make them, in a transaction
    /// that is always rolled back; no list number, entry number, counter, hold, session list or
    /// audit row is used or changed. `listNumber` and `session` are not read.
    bool simulation = false;
};

/// The audit record of a run as its request names it: who, from where, which company, branch
/// and list; the outcome and write-offs are the run's to fill in.
TAuditRecord AuditRecordOf(const TRunRequest& request);

/// A run refused before anything is posted: unknown company, branch or operator, an operator
/// without rights on the company, a list number never issued, a marked write-off of another
/// company, or marked write-offs paid within the company's closed accounting period. The
/// message is for the user.
class ERunRefused : public platform::Exception {
    using Exception::Exception;
};

/// Knobs of a run.
struct TRunOptions {
    /// Sleeps this long just before committing: lets tests stop the server mid-run.
    std::chrono::milliseconds pauseBeforeCommit{0};
    /// The most marked write-offs one SetConfirmar accepts; a larger set is refused unread.
    std::size_t maxMarked = kDefaultMaxMarked;
};

/// Key of a write-off in LISTA and in the client's marked set: the branch padded with blanks
/// to 4 characters, then the number.
std::string WriteOffKey(const std::string& branch, const std::string& number);

/// Result keys of a run, in the order of precedence the client sees them.
inline constexpr const char* kKeyLocked = "ALT_BLOQ";
inline constexpr const char* kKeyBoletoChanged = "BOL_ALT";
inline constexpr const char* kKeyPlannedDocument = "CNT_PREV";
inline constexpr const char* kKeyExtended = "CNT_PROR";
inline constexpr const char* kKeyBoletoAmount = "VRBOL_DIF";
inline constexpr const char* kKeyNoHistory = "Hist_Nc";

/// Type of document of a write-off in the marks table BLOQDOCU.
inline constexpr const char* kWriteOffDocument = "BXP";
/// Kind of standard history used for write-off entries in HISTINTEGRA.
inline constexpr const char* kWriteOffIntegration = "BXP";

/// Runs the recalculation of the marked real write-offs of the request (or its simulation,
/// `request.simulation`, which never posts). Rows with a status other than "E" are skipped. Returns
/// what the client gets; `posted` tells whether the run committed (no result key, no error). A
/// committed run appends its audit record in its own transaction; a run answered with result keys
/// or accounting errors appends a refused one after its rollback. Raises ERunRefused,
/// EDatabaseError when the database fails, or platform::ECallCancelled when the call's deadline
/// passes before the commit; in every case nothing is posted.
TRunOutcome RunRecalculation(platform::TSqlConnection& db, const TRunRequest& request,
                             const TRunOptions& options, bool& posted);

} // namespace server
