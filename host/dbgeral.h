// Dbgeral: the host's shared database connection and the operator's rights on companies.
#pragma once

#include <memory>
#include <string>

#include "platform/sql.h"

namespace host::Dbgeral {

/// The shared connection, opened on first use from Session().databaseUrl and opened again when
/// that URL has changed since. A connection that cannot be opened raises
/// platform::EDatabaseError (the URL is named without its password).
platform::TSqlConnection& Connection();

/// Makes `connection` the shared one (hosts and tests that open it themselves); it is kept
/// until the session's URL changes, ClearConnection() or the next SetConnection().
void SetConnection(std::unique_ptr<platform::TSqlConnection> connection);

/// Closes the shared connection; the next Connection() opens it again.
void ClearConnection();

/// Whether `operatorCode` may work on `company`: true when the operator's rights list that
/// company (table OPEREMPR). Database errors propagate as platform::EDatabaseError.
bool AcessoOperEmpresa(const std::string& operatorCode, const std::string& company);

} // namespace host::Dbgeral
