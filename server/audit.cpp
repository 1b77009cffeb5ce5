// The audit trail of recalculation runs: append-only header and detail rows.
#include "server/audit.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "platform/datetime.h"
#include "server/jsonrows.h"
#include "server/securitybase.h"
#include "server/sqlfragments.h"

namespace server {

using platform::Variant;

namespace {

std::size_t Utf8Length(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// Control characters (a client's operator code or address may carry them) would drive the
// terminal the table is printed on.
std::string Printable(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 32 || c == 127) c = '?';
    return text;
}

const char* OutcomeText(char outcome) {
    switch (outcome) {
    case 'C': return "confirmado";
    case 'R': return "recusado";
    case 'I': return "interrompido";
    case 'F': return "fechamento";
    case 'A': return "reabertura";
    default: return "?";
    }
}

// The WHERE clause of the filter's company and first day, on columns named with `prefix`
// (both audit tables have CDEMPRESA and DTEVENTO), its values bound in `params`.
std::string CompanyAndSince(const TAuditFilter& filter, const std::string& prefix,
                            platform::TSqlParams& params) {
    std::string where = " WHERE 1 = 1";
    if (!filter.company.empty()) {
        where += " AND " + prefix + "CDEMPRESA = :C";
        params.Set("C", filter.company);
    }
    if (filter.since) {
        where += " AND " + prefix + "DTEVENTO >= :SINCE";
        params.Set("SINCE", Variant::FromDate(*filter.since));
    }
    return where;
}

} // namespace

std::string AppendAudit(platform::TSqlConnection& db, const TAuditRecord& record) {
    const std::string id = RandomHex(16);
    const platform::TDateTime time = record.time != 0 ? record.time : UtcNow();
    TJoinedTransaction transaction(db);
    db.Execute("INSERT INTO AUDITRECALC (IDAUDITORIA, DTEVENTO, CDOPERADOR, DSENDERECO, CDSESSAO,"
               " CDEMPRESA, CDFILIAL, NRLISTA, IDRESULTADO, DSMOTIVO) VALUES (:ID, :T, :O, :A,"
               " :S, :C, :B, :L, :R, :M)",
               {{"ID", id},
                {"T", Variant::FromDate(time)},
                {"O", CutUtf8(record.operatorCode, 12)},
                {"A", CutUtf8(record.clientAddress, 64)},
                {"S", CutUtf8(record.session, 8)},
                {"C", CutUtf8(record.company, 2)},
                {"B", CutUtf8(record.branch, 4)},
                {"L", CutUtf8(record.listNumber, 10)},
                {"R", std::string(1, static_cast<char>(record.outcome))},
                {"M", CutUtf8(record.reason, 250)}});
    if (!record.writeOffs.empty()) {
        // Every detail row in one statement, bound as one JSON parameter.
        const TSqlFragments sql(db.Kind());
        TJsonRows rows;
        for (const TAuditWriteOff& w : record.writeOffs) {
            rows.BeginRow();
            rows.Text(w.branch);
            rows.Text(w.number);
            rows.TextOrNull(w.entryBefore);
            rows.TextOrNull(w.entryAfter);
        }
        db.Execute("INSERT INTO AUDITRECALCITEM (IDAUDITORIA, CDFILIAL, NRBAIXAPAG, NRLCTBANTES,"
                   " NRLCTBDEPOIS) SELECT CAST(:ID AS VARCHAR(32)), " +
                       sql.Element("K", 0) + ", " + sql.Element("K", 1) + ", " +
                       sql.Element("K", 2) + ", " + sql.Element("K", 3) + " FROM " +
                       sql.JsonRows("ROWS", "K"),
                   {{"ID", id}, {"ROWS", rows.Take()}});
    }
    transaction.Commit();
    return id;
}

std::vector<TAuditLine> ReadAudit(platform::TSqlConnection& db, const TAuditFilter& filter) {
    platform::TSqlParams params;
    std::string where = CompanyAndSince(filter, "A.", params);
    if (!filter.operatorCode.empty()) {
        where += " AND A.CDOPERADOR = :O";
        params.Set("O", filter.operatorCode);
    }
    auto cursor = db.OpenCursor(
        "SELECT A.DTEVENTO, A.CDOPERADOR, A.DSENDERECO, A.CDSESSAO, A.CDEMPRESA, A.CDFILIAL,"
        " A.NRLISTA, A.IDRESULTADO, A.DSMOTIVO, I.CDFILIAL, I.NRBAIXAPAG, I.NRLCTBANTES,"
        " I.NRLCTBDEPOIS FROM AUDITRECALC A"
        " LEFT JOIN AUDITRECALCITEM I ON I.IDAUDITORIA = A.IDAUDITORIA" +
            where + " ORDER BY A.DTEVENTO, A.IDAUDITORIA, I.CDFILIAL, I.NRBAIXAPAG",
        params);
    std::vector<TAuditLine> lines;
    while (cursor->Next()) {
        TAuditLine line;
        line.time = cursor->Double(0);
        line.operatorCode = cursor->Text(1);
        line.clientAddress = cursor->Text(2);
        line.session = cursor->Text(3);
        line.company = cursor->Text(4);
        line.branch = cursor->Text(5);
        line.listNumber = cursor->Text(6);
        line.outcome = cursor->Text(7).empty() ? '?' : cursor->Text(7).front();
        line.reason = cursor->Text(8);
        line.writeOffBranch = cursor->Text(9);
        line.writeOffNumber = cursor->Text(10);
        line.entryBefore = cursor->Text(11);
        line.entryAfter = cursor->Text(12);
        lines.push_back(std::move(line));
    }
    return lines;
}

namespace {

// The closed periods' changes as lines: F when the day moved forward (or was set the first
// time), A when it moved back.
std::vector<TAuditLine> ReadPeriodChanges(platform::TSqlConnection& db,
                                          const TAuditFilter& filter) {
    platform::TSqlParams params;
    const std::string where = CompanyAndSince(filter, "", params);
    auto cursor = db.OpenCursor("SELECT DTEVENTO, DSUSUARIO, CDEMPRESA, DTANTERIOR, DTFECHAMENTO"
                                " FROM AUDITFECHACTB" +
                                    where + " ORDER BY DTEVENTO, IDAUDITORIA",
                                params);
    const auto day = [](const Variant& date) {
        return platform::FormatDateTime("dd/mm/yyyy", date.AsDate());
    };
    std::vector<TAuditLine> lines;
    while (cursor->Next()) {
        TAuditLine line;
        line.time = cursor->Double(0);
        line.operatorCode = cursor->Text(1);
        line.company = cursor->Text(2);
        const Variant before = cursor->Value(3);
        const Variant until = cursor->Value(4);
        const bool back = !before.IsNull() && until.AsDate() < before.AsDate();
        line.outcome = back ? 'A' : 'F';
        line.reason = "fechado até " + day(until) +
                      (before.IsNull() ? " (antes: nenhum)" : " (antes: " + day(before) + ")");
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace

std::vector<TAuditLine> ReadAuditTrail(platform::TSqlConnection& db, const TAuditFilter& filter) {
    std::vector<TAuditLine> runs = ReadAudit(db, filter);
    if (!filter.operatorCode.empty()) return runs;
    const std::vector<TAuditLine> periods = ReadPeriodChanges(db, filter);
    std::vector<TAuditLine> lines;
    lines.reserve(runs.size() + periods.size());
    // Stable: a run and a change at the same instant keep the runs first.
    std::merge(runs.begin(), runs.end(), periods.begin(), periods.end(), std::back_inserter(lines),
               [](const TAuditLine& a, const TAuditLine& b) { return a.time < b.time; });
    return lines;
}

std::string FormatAuditTable(const std::vector<TAuditLine>& lines) {
    constexpr std::size_t kColumns = 13;
    using TRow = std::array<std::string, kColumns>;
    std::vector<TRow> rows;
    rows.push_back({"Data/hora (UTC)", "Operador", "Endereço", "Sessão", "Empresa", "Filial",
                    "Lista", "Resultado", "Motivo", "Filial baixa", "Baixa", "Lanç. antes",
                    "Lanç. depois"});
    for (const TAuditLine& l : lines)
        rows.push_back({platform::FormatDateTime("yyyy-mm-dd hh:nn:ss", l.time), l.operatorCode,
                        l.clientAddress, l.session, l.company, l.branch, l.listNumber,
                        OutcomeText(l.outcome), l.reason, l.writeOffBranch, l.writeOffNumber,
                        l.entryBefore, l.entryAfter});
    for (TRow& row : rows)
        for (std::string& cell : row) cell = Printable(std::move(cell));
    std::array<std::size_t, kColumns> widths{};
    for (const TRow& row : rows)
        for (std::size_t c = 0; c < kColumns; ++c)
            widths[c] = std::max(widths[c], Utf8Length(row[c]));
    std::string out;
    for (const TRow& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < kColumns; ++c) {
            if (c) line += "  ";
            line += row[c];
            line.append(widths[c] - Utf8Length(row[c]), ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line + '\n';
    }
    return out;
}

} // namespace server
