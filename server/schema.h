// The database schema of the application server, the same text on SQLite and PostgreSQL.
#pragma once

#include "platform/sql.h"

namespace server {

/// Version of the schema that CreateSchema builds; kept in PAGVERSAO.
inline constexpr int kSchemaVersion = 1;

/// True when the database holds the server's tables.
bool SchemaExists(platform::TSqlConnection& connection);

/// Creates every table, index and reference row on a database that lacks them, in one
/// transaction (on PostgreSQL under an advisory lock, so that servers starting together do not
/// collide), and the helper functions NVL, NVLSTR and PARAM where the backend needs them.
/// Does nothing to a database that has them; a database of another schema version raises
/// EDatabaseError.
void EnsureSchema(platform::TSqlConnection& connection);

/// Removes the rows of every data table (reference rows of the schema itself are kept and
/// the counters restart), for re-seeding. Runs inside the caller's transaction.
void ClearData(platform::TSqlConnection& connection);

} // namespace server
