// Closed accounting periods: per company, the day up to which its accounting is closed, which
// runs and simulations may not post into, and the append-only record of every change of it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/sql.h"
#include "platform/sysutils.h"

namespace server {

/// The day (without time) up to which the company's accounting is closed; nullopt when none.
std::optional<platform::TDateTime> ClosedUntil(platform::TSqlConnection& db,
                                               const std::string& company);

/// Sets the company's closed day, later or earlier than before, and records the change
/// (AUDITFECHACTB: time in UTC, who, the company, the day before and after) in one
/// transaction. `who` names the person or process that asked. Raises platform::Exception for
/// an unknown company.
void SetClosedUntil(platform::TSqlConnection& db, const std::string& company,
                    platform::TDateTime until, const std::string& who);

/// One write-off a run may not touch: its branch and number.
struct TClosedWriteOff {
    std::string branch;
    std::string number;
};

/// The refusal's text: "Período contábil fechado até dd/mm/aaaa. Baixas: " and up to ten of the
/// write-offs as branch/number, then how many more.
std::string ClosedPeriodMessage(platform::TDateTime until,
                                const std::vector<TClosedWriteOff>& writeOffs);

} // namespace server
