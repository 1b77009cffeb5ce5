// The queries that read a posted accounting entry and its apportionment from the database.
#pragma once

#include "host/adoibquery.h"

namespace accounting {

/// Lines of a posted entry: parameters P_NRLANCCTB (the entry number) and P_CDEMPRESA (the
/// company; empty or null for any), ordered by sequence. Columns carry the names of the
/// provisional entries (NRLANCCTBTEMP, NRSEQCTBTEMP, DTLANCCTBTEMP, VRLANCCTBTEMP...), with the
/// account's reduced code and name from the company's chart of accounts.
void DefineQryLancCtb(host::TADOIBQuery& qry);

/// Apportionment of a posted entry: the same parameters, ordered by line and share; columns
/// named as the provisional apportionment's, with branch and cost-centre names.
void DefineQryRateioCtb(host::TADOIBQuery& qry);

} // namespace accounting
