// The database schema of the application server, the same text on SQLite and PostgreSQL.
#pragma once

#include "platform/sql.h"

namespace server {

/// Version of the schema that CreateSchema builds; kept in PAGVERSAO.
/// Version 2 added operators' password hashes (OPERADOR.DSSENHAHASH), login tokens (TOKENOPER)
/// and the audit trail of runs (AUDITRECALC, AUDITRECALCITEM); version 3 the companies' closed
/// accounting periods (FECHACTB) and the record of their changes (AUDITFECHACTB); version 4 the
/// client sessions and what they remember between calls (SESSAORPC, SESSAOLISTA, SESSAOESTADO).
inline constexpr int kSchemaVersion = 4;

/// True when the database holds the server's tables.
bool SchemaExists(platform::TSqlConnection& connection);

/// Creates every table, index and reference row on a database that lacks them, in one
/// transaction (on PostgreSQL under an advisory lock, so that servers starting together do not
/// collide), and the helper functions NVL, NVLSTR and PARAM where the backend needs them.
/// Does nothing to a database of the current version. A database of an older version is
/// upgraded in place in the same transaction (columns and tables added, nothing dropped, one
/// PAGVERSAO row per version reached); one of a newer or unknown version raises EDatabaseError.
void EnsureSchema(platform::TSqlConnection& connection);

/// Creates the schema exactly as version `version` had it (1..kSchemaVersion) on an empty
/// database: how tests build the database an older server left behind.
void CreateSchemaAtVersion(platform::TSqlConnection& connection, int version);

/// The version a database holds (its highest PAGVERSAO row); 0 when it has no schema.
int SchemaVersion(platform::TSqlConnection& connection);

/// Removes the rows of every data table (reference rows of the schema itself are kept and
/// the counters restart), for re-seeding. Runs inside the caller's transaction.
void ClearData(platform::TSqlConnection& connection);

} // namespace server
