// What the remote object remembers of a session between calls, kept in the database so that
// any server on it serves the session's next call: the list numbers GetPrxLista gave the
// session and no run has used (SESSAOLISTA), and the list of its last committed run
// (SESSAOESTADO).
#pragma once

#include <string>

#include "platform/sql.h"

namespace server {

/// Unused list numbers a session keeps at most, give or take a few: past it, the oldest go.
inline constexpr std::size_t kMaxUnusedLists = 1000;

/// A new list number (NUMERADOR), recorded as given to `session`, in one transaction.
std::string IssueSessionList(platform::TSqlConnection& db, const std::string& session);

/// Uses up `number`, given to `session` and not used yet; false when it is not one. Of two
/// calls at once (on two servers), one gets it.
bool TakeSessionList(platform::TSqlConnection& db, const std::string& session,
                     const std::string& number);

/// Gives `number` back to `session` (its run was refused before anything ran).
void ReturnSessionList(platform::TSqlConnection& db, const std::string& session,
                       const std::string& number);

/// The list of `session`'s last committed run; "" when it has none.
std::string LastSessionList(platform::TSqlConnection& db, const std::string& session);

/// Makes `number` the list of `session`'s last run, inside the caller's transaction, and
/// returns the list it replaces ("" when none). The session's row stays locked until the
/// transaction ends, so two runs of one session replace its list one after the other.
std::string ReplaceLastSessionList(platform::TSqlConnection& db, const std::string& session,
                                   const std::string& number);

} // namespace server
