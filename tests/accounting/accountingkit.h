// Shared data of the accounting screen's tests: a run outcome as the server packs it, and a
// database holding one posted entry.
#pragma once

#include <string>

#include "platform/sql.h"
#include "platform/variant.h"
#include "server/runoutcome.h"

namespace accountingtest {

/// Two write-offs' provisional entries: 0001/0000000003 with a debit of 150.00 on account
/// 2.1.01 (line 00001) and a credit of 150.00 without account (line 00002, error "001"), and
/// 0001/0000000004 with a debit of 20.00 on synthetic account 2.1 (line 00003, errors "003" and
/// the uncatalogued "099"); line 00001 apportioned to cost centre 0010.
server::TRunOutcome OutcomeWithErrors();

/// The five parameters of LoadBPL: company, number and the three packets of `outcome`.
platform::Variant Params(const std::string& company, const std::string& number,
                         const server::TRunOutcome& outcome);
/// The five parameters with datasets never opened (Null).
platform::Variant ParamsWithoutData(const std::string& company, const std::string& number);

/// Creates the schema and one posted entry "000000000012" of company "01" ("Empresa Um"):
/// line 000001 debit 100.00 on 1.1.01 ("Fornecedores", reduced "101") with history 0001
/// "Pagto doc. 123", line 000002 credit 100.00 on 1.2.01 ("Banco Conta Movimento",
/// reduced "120"); line 000001 apportioned to branch 0001 ("Matriz"), cost centre 0010
/// ("Administração") for 100.00. Dated 2024-03-15.
void LoadPostedEntry(platform::TSqlConnection& db);
inline constexpr const char* kPostedNumber = "000000000012";

} // namespace accountingtest
