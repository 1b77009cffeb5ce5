// Closed accounting periods: reading and moving a company's closed day, and the refusal's text.
#include "server/closedperiod.h"

#include <cmath>

#include "platform/datetime.h"
#include "server/securitybase.h"

namespace server {

using platform::Variant;

namespace {

constexpr std::size_t kNamedWriteOffs = 10;

} // namespace

std::optional<platform::TDateTime> ClosedUntil(platform::TSqlConnection& db,
                                               const std::string& company) {
    const Variant until =
        db.SelectValue("SELECT DTFECHAMENTO FROM FECHACTB WHERE CDEMPRESA = :C", {{"C", company}});
    if (until.IsNull()) return std::nullopt;
    return std::floor(until.AsDate());
}

void SetClosedUntil(platform::TSqlConnection& db, const std::string& company,
                    platform::TDateTime until, const std::string& who) {
    until = std::floor(until);
    platform::TSqlTransaction transaction(db);
    if (db.SelectValue("SELECT COUNT(*) FROM EMPRESA WHERE CDEMPRESA = :C", {{"C", company}})
            .AsInteger() == 0)
        throw platform::Exception("Empresa \"" + CutUtf8(company, 20) + "\" não cadastrada.");
    const std::optional<platform::TDateTime> before = ClosedUntil(db, company);
    db.Execute("DELETE FROM FECHACTB WHERE CDEMPRESA = :C", {{"C", company}});
    db.Execute("INSERT INTO FECHACTB (CDEMPRESA, DTFECHAMENTO) VALUES (:C, :D)",
               {{"C", company}, {"D", Variant::FromDate(until)}});
    db.Execute("INSERT INTO AUDITFECHACTB (IDAUDITORIA, DTEVENTO, DSUSUARIO, CDEMPRESA,"
               " DTANTERIOR, DTFECHAMENTO) VALUES (:ID, :T, :U, :C, :A, :D)",
               {{"ID", RandomHex(16)},
                {"T", Variant::FromDate(UtcNow())},
                {"U", CutUtf8(who, 64)},
                {"C", company},
                {"A", before ? Variant::FromDate(*before) : Variant::Null()},
                {"D", Variant::FromDate(until)}});
    transaction.Commit();
}

std::string ClosedPeriodMessage(platform::TDateTime until,
                                const std::vector<TClosedWriteOff>& writeOffs) {
    std::string text =
        "Período contábil fechado até " + platform::FormatDateTime("dd/mm/yyyy", until) + ".";
    if (writeOffs.empty()) return text;
    text += " Baixas: ";
    const std::size_t named = std::min(writeOffs.size(), kNamedWriteOffs);
    for (std::size_t i = 0; i < named; ++i)
        text += (i == 0 ? "" : ", ") + writeOffs[i].branch + "/" + writeOffs[i].number;
    if (writeOffs.size() > named) text += " e mais " + std::to_string(writeOffs.size() - named);
    return text + ".";
}

} // namespace server
