// The recalculation run: checks the marked write-offs, builds their entries and, when nothing
// stands in the way, replaces their posted entries, all in one transaction.
//
// Concurrency. The marked write-offs are read again inside the transaction, under a write lock
// (SQLite: the transaction's own; PostgreSQL: SELECT ... FOR UPDATE in key order, so that two
// runs never wait for each other in a cycle). Each posting gives a write-off a new entry number,
// so a write-off whose status, accounting indicator, entry number or amount differ from what
// the client read was changed by someone else since: the run answers "ALT_BLOQ" and posts
// nothing. Of two runs over the same write-offs, the second therefore always stops there.
#include "server/recalculation.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <thread>

#include "platform/calldeadline.h"
#include "server/audit.h"
#include "server/closedperiod.h"
#include "server/counters.h"
#include "server/entrybuilder.h"
#include "server/jsonrows.h"
#include "server/sessionlists.h"
#include "server/sqlfragments.h"

namespace server {

using platform::TSqlConnection;
using platform::TSqlCursor;
using platform::Variant;

namespace {

constexpr double kAmountSlack = 0.005;

std::string Str(const TSqlCursor& cursor, int column) {
    return std::string(cursor.Text(column));
}

bool SameAmount(double a, double b) {
    return std::fabs(a - b) < kAmountSlack;
}

// A write-off's state as the database holds it now.
struct TCurrentWriteOff {
    std::string company, status, accounted, entryNumber;
    double amount = 0;
    platform::TDateTime paidOn = 0;
    std::string cheque, movement, bankAccount;
};

// Collects result keys, once each, with their precedence.
class TResults {
public:
    /// Adds `key` about the write-off (and boleto) that `about` names, unless the key is there
    /// already: each key names the first write-off it was found on.
    void Add(const char* key, TRunResult about = {}) {
        if (!seen_.insert(key).second) return;
        static const struct {
            const char* key;
            const char* code;
            const char* order;
        } table[] = {
            {kKeyLocked, "BLQ", "01"},          {kKeyBoletoChanged, "BOL", "02"},
            {kKeyPlannedDocument, "BOL", "03"}, {kKeyExtended, "BOL", "04"},
            {kKeyBoletoAmount, "BOL", "05"},    {kKeyNoHistory, "HST", "06"},
        };
        for (const auto& entry : table)
            if (std::string_view(entry.key) == key) {
                about.code = entry.code;
                about.key = key;
                about.order = entry.order;
                results_.push_back(std::move(about));
            }
    }
    bool Empty() const { return results_.empty(); }
    std::vector<TRunResult> Sorted() const {
        std::vector<TRunResult> sorted = results_;
        std::stable_sort(
            sorted.begin(), sorted.end(),
            [](const TRunResult& a, const TRunResult& b) { return a.order < b.order; });
        return sorted;
    }

private:
    std::set<std::string> seen_;
    std::vector<TRunResult> results_;
};

void CheckRequest(TSqlConnection& db, const TRunRequest& request, std::string& companyName,
                  std::string& listNumber) {
    Variant name = db.SelectValue("SELECT NMEMPRESA FROM EMPRESA WHERE CDEMPRESA = :C",
                                  {{"C", request.company}});
    if (name.IsNull()) throw ERunRefused("Empresa \"" + request.company + "\" não cadastrada.");
    companyName = name.AsString();
    if (db.SelectValue("SELECT COUNT(*) FROM OPERADOR WHERE CDOPERADOR = :O",
                       {{"O", request.operatorCode}})
            .AsInteger() == 0)
        throw ERunRefused("Operador \"" + request.operatorCode + "\" não cadastrado.");
    if (db.SelectValue("SELECT COUNT(*) FROM OPEREMPR WHERE CDOPERADOR = :O AND CDEMPRESA = :C",
                       {{"O", request.operatorCode}, {"C", request.company}})
            .AsInteger() == 0)
        throw ERunRefused("O operador \"" + request.operatorCode +
                          "\" não tem acesso à empresa \"" + request.company + "\".");
    const Variant branchCompany =
        db.SelectValue("SELECT CDEMPRESA FROM FILIAL WHERE CDFILIAL = :F", {{"F", request.branch}});
    if (branchCompany.IsNull())
        throw ERunRefused("Filial \"" + request.branch + "\" não cadastrada.");
    // The screen sends the operator's own branch whatever company it recalculates, so the branch
    // need not be of the run's company; it must be of a company the operator may use.
    if (db.SelectValue(
              "SELECT COUNT(*) FROM OPEREMPR WHERE CDOPERADOR = :O AND CDEMPRESA = :C",
              {{"O", request.operatorCode}, {"C", platform::Trim(branchCompany.AsString())}})
            .AsInteger() == 0)
        throw ERunRefused("A filial \"" + request.branch +
                          "\" é de uma empresa a que o operador \"" + request.operatorCode +
                          "\" não tem acesso.");
    if (request.simulation) return; // a simulation uses no list
    listNumber = IssuedListNumber(db, request.listNumber);
    if (listNumber.empty())
        throw ERunRefused("O número de lista \"" + request.listNumber +
                          "\" não foi fornecido pelo servidor (GetPrxLista).");
}

// Reads the marked write-offs again, locking them.
std::map<std::string, TCurrentWriteOff> ReadCurrent(TSqlConnection& db, const TSqlFragments& sql,
                                                    const std::string& keys) {
    const std::string text =
        "SELECT B.CDFILIAL, B.NRBAIXAPAG, B.CDEMPRESA, B.IDSTATUSBPAG, B.IDCTBLBXPAG,"
        " B.NRLCTBBPAG, B.VRBAIXAPAG, B.DTBAIXAPAG, B.NRCHEQUE, B.NRMOVBANC, CC.CDCONTCTBL"
        " FROM " +
        sql.JsonRows("KEYS", "K") + " JOIN BAIXAPAG B ON B.CDFILIAL = " + sql.Element("K", 0) +
        " AND B.NRBAIXAPAG = " + sql.Element("K", 1) +
        " LEFT JOIN CONTCORR CC ON CC.CDREDUCONT = B.CDREDUCONT"
        " ORDER BY B.CDFILIAL, B.NRBAIXAPAG" +
        sql.ForUpdateOf("B");
    std::map<std::string, TCurrentWriteOff> current;
    auto cursor = db.OpenCursor(text, {{"KEYS", keys}});
    while (cursor->Next()) {
        TCurrentWriteOff w;
        w.company = Str(*cursor, 2);
        w.status = Str(*cursor, 3);
        w.accounted = Str(*cursor, 4);
        w.entryNumber = Str(*cursor, 5);
        w.amount = cursor->Double(6);
        w.paidOn = cursor->Double(7);
        w.cheque = Str(*cursor, 8);
        w.movement = Str(*cursor, 9);
        w.bankAccount = Str(*cursor, 10);
        current.emplace(WriteOffKey(Str(*cursor, 0), Str(*cursor, 1)), std::move(w));
    }
    return current;
}

bool ChangedSinceRead(const TListedWriteOff& read, const TCurrentWriteOff& now,
                      const std::string& company) {
    return now.company != company || now.status != platform::Trim(read.status) ||
           now.accounted != platform::Trim(read.accounted) ||
           now.entryNumber != platform::Trim(read.entryNumber) ||
           !SameAmount(now.amount, read.amount);
}

// The first marked write-off, in key order, that another operator holds; nullopt when none.
std::optional<TRunResult> HeldByAnother(TSqlConnection& db, const TSqlFragments& sql,
                                        const std::string& keys, const std::string& operatorCode) {
    const std::string text = "SELECT D.CDFILIAL, D.NRDOCUMENTO FROM " + sql.JsonRows("KEYS", "K") +
                             " JOIN BLOQDOCU D ON D.CDFILIAL = " + sql.Element("K", 0) +
                             " AND D.NRDOCUMENTO = " + sql.Element("K", 1) +
                             " WHERE D.IDTPDOCU = :TP AND D.CDOPERADOR <> :OPERADOR"
                             " ORDER BY D.CDFILIAL, D.NRDOCUMENTO";
    auto cursor = db.OpenCursor(
        text, {{"KEYS", keys}, {"TP", std::string(kWriteOffDocument)}, {"OPERADOR", operatorCode}});
    if (!cursor->Next()) return std::nullopt;
    TRunResult about;
    about.branch = Str(*cursor, 0);
    about.number = Str(*cursor, 1);
    return about;
}

// The items of the write-offs whose keys (branch, number) are bound as KEYS, each with its
// payable and the payable's supplier: the FROM clause the run's readers of payables share.
std::string PayablesOfKeys(const TSqlFragments& sql) {
    return " FROM " + sql.JsonRows("KEYS", "K") +
           " JOIN ITBAIXAPAG I ON I.CDFILIAL = " + sql.Element("K", 0) +
           " AND I.NRBAIXAPAG = " + sql.Element("K", 1) +
           " JOIN CONTAPAGAR CP ON CP.CDFILIAL = I.CDFILICTPAG AND CP.NRCTPAGAR = I.NRCTPAGAR"
           " LEFT JOIN FORNECEDOR F ON F.CDFORNECED = CP.CDFORNECED";
}
constexpr const char* kPayableOrder =
    " ORDER BY I.CDFILIAL, I.NRBAIXAPAG, I.CDFILICTPAG, I.NRCTPAGAR";

// Compares each boleto a write-off paid with the boleto and the payable as they are now.
void CheckBoletos(TSqlConnection& db, const TSqlFragments& sql, const std::string& keys,
                  TResults& results) {
    const std::string text =
        "SELECT I.CDFILICTPAG, I.NRCTPAGAR, BO.NRLANBOLPAG, BO.CDFILICTPAG, BO.NRCTPAGAR,"
        " BO.DTVENBOLPAG, BO.VRFINALBPAG, CP.DTVENCIMENTO, CP.VRLIQUIDO, TC.IDDOCPREVISTO,"
        " I.CDFILIAL, I.NRBAIXAPAG, I.NRLANBOLPAG, CP.NRDOCUMENTO, F.NMRAZSOCFORN" +
        PayablesOfKeys(sql) +
        " JOIN TIPOCTPAGAR TC ON TC.CDTPCTPAGAR = CP.CDTPCTPAGAR"
        " LEFT JOIN BOLETPAGAR BO ON BO.CDFILIAL = I.CDFILIBOL AND BO.NRLANBOLPAG = I.NRLANBOLPAG"
        " WHERE I.NRLANBOLPAG IS NOT NULL" +
        kPayableOrder;
    auto cursor = db.OpenCursor(text, {{"KEYS", keys}});
    while (cursor->Next()) {
        TRunResult about;
        about.branch = Str(*cursor, 10);
        about.number = Str(*cursor, 11);
        about.boleto = Str(*cursor, 12);
        about.document = Str(*cursor, 13);
        about.supplier = Str(*cursor, 14);
        if (cursor->IsNull(2) || cursor->Text(3) != cursor->Text(0) ||
            cursor->Text(4) != cursor->Text(1)) {
            results.Add(kKeyBoletoChanged, about); // deleted, or now tied to another payable
            continue;
        }
        if (cursor->Text(9) == "S") results.Add(kKeyPlannedDocument, about);
        if (std::floor(cursor->Double(5)) != std::floor(cursor->Double(7)))
            results.Add(kKeyExtended, about);
        if (!SameAmount(cursor->Double(6), cursor->Double(8))) results.Add(kKeyBoletoAmount, about);
    }
}

void LoadSetup(TSqlConnection& db, TAccountingSetup& setup) {
    auto chart = db.OpenCursor(
        "SELECT CDCONTCTBL, CDCONTREDU, NMCONTCTBL, IDCONTANALIT, IDRATEIO FROM PLANOCONTA"
        " WHERE CDEMPRESA = :C",
        {{"C", setup.company}});
    while (chart->Next())
        setup.chart[Str(*chart, 0)] = {Str(*chart, 1), Str(*chart, 2), chart->Text(3) == "S",
                                       chart->Text(4) == "S"};
    auto branches =
        db.OpenCursor("SELECT F.CDFILIAL, F.NMFILIAL, F.CDCENTCUST, C.NMCENTCUST FROM FILIAL F"
                      " LEFT JOIN CENTCUST C ON C.CDCENTCUST = F.CDCENTCUST");
    while (branches->Next())
        setup.branches[Str(*branches, 0)] = {Str(*branches, 1), Str(*branches, 2),
                                             Str(*branches, 3)};
}

void LoadPayables(TSqlConnection& db, const TSqlFragments& sql, const std::string& keys,
                  std::map<std::string, TWriteOffSource>& sources) {
    const std::string text =
        "SELECT I.CDFILIAL, I.NRBAIXAPAG, I.VRPAGO, CP.NRDOCUMENTO, F.NMRAZSOCFORN, TC.CDCONTCTBL" +
        PayablesOfKeys(sql) + " LEFT JOIN TIPOCTPAGAR TC ON TC.CDTPCTPAGAR = CP.CDTPCTPAGAR" +
        kPayableOrder;
    auto cursor = db.OpenCursor(text, {{"KEYS", keys}});
    while (cursor->Next()) {
        auto it = sources.find(WriteOffKey(Str(*cursor, 0), Str(*cursor, 1)));
        if (it == sources.end()) continue;
        it->second.payables.push_back(
            {Str(*cursor, 3), Str(*cursor, 4), Str(*cursor, 5), cursor->Double(2)});
    }
}

// Refuses the run when a marked write-off was paid on or before the company's closed day.
void CheckClosedPeriod(TSqlConnection& db, const std::string& company,
                       const std::map<std::string, const TListedWriteOff*>& marked,
                       const std::map<std::string, TCurrentWriteOff>& current) {
    const std::optional<platform::TDateTime> until = ClosedUntil(db, company);
    if (!until) return;
    std::vector<TClosedWriteOff> closed;
    for (const auto& [key, row] : marked) {
        auto it = current.find(key);
        if (it != current.end() && std::floor(it->second.paidOn) <= *until)
            closed.push_back({platform::Trim(row->branch), row->number});
    }
    if (!closed.empty()) throw ERunRefused(ClosedPeriodMessage(*until, closed));
}

// The first of `count` entry numbers: reserved for a run; for a simulation the ones the next
// run would get, read without touching the counter.
std::int64_t FirstEntryNumber(TSqlConnection& db, bool simulation, std::int64_t count) {
    if (!simulation) return ReserveNumbers(db, kEntryCounter, count);
    const Variant last = db.SelectValue("SELECT NRULTIMO FROM NUMERADOR WHERE NMNUMERADOR = :N",
                                        {{"N", std::string(kEntryCounter)}});
    return (last.IsNull() ? 0 : last.AsInteger()) + 1;
}

// Replaces the write-offs' posted entries by the outcome's and marks them accounted.
void Post(TSqlConnection& db, const TSqlFragments& sql, const TRunOutcome& outcome,
          const std::map<std::string, TWriteOffSource>& sources,
          const std::vector<std::string>& oldNumbers) {
    if (!oldNumbers.empty()) {
        TJsonRows old;
        for (const std::string& number : oldNumbers) {
            old.BeginRow();
            old.Text(number);
        }
        const std::string json = old.Take();
        const std::string in = " WHERE NRLANCCTB IN (SELECT " + sql.Element("K", 0) + " FROM " +
                               sql.JsonRows("OLD", "K") + ")";
        db.Execute("DELETE FROM RATEIOCTB" + in, {{"OLD", json}});
        db.Execute("DELETE FROM LANCCTB" + in, {{"OLD", json}});
    }

    TJsonRows lines;
    for (const TEntryLine& e : outcome.entries) {
        lines.BeginRow();
        lines.Text(e.entryNumber);
        lines.Text(e.sequence);
        lines.Text(e.company);
        lines.Text(e.branch);
        lines.Text(e.account);
        lines.TextOrNull(e.historyCode);
        lines.TextOrNull(e.history);
        lines.Text(platform::FormatSqlDate(e.date));
        lines.Number(e.amount);
        lines.Text(e.originKind);
        lines.Text(e.originKey);
        lines.TextOrNull(e.document);
    }
    db.Execute(
        "INSERT INTO LANCCTB (NRLANCCTB, NRSEQCTB, CDEMPRESA, CDFILIAL, CDCONTCTBL, CDHISTPADR,"
        " DSHISTCTB, DTLANCCTB, VRLANCCTB, IDLANCCTBCOME, CDLANCCTBCOME, CDDOCUCONT) SELECT " +
            sql.Elements("K", "TTTTTTTDNTTT") + " FROM " + sql.JsonRows("ROWS", "K"),
        {{"ROWS", lines.Take()}});

    if (!outcome.apportionments.empty()) {
        TJsonRows shares;
        for (const TApportionment& a : outcome.apportionments) {
            shares.BeginRow();
            shares.Text(a.entryNumber);
            shares.Text(a.sequence);
            shares.Text(a.apportionmentSequence);
            shares.Text(a.company);
            shares.Text(a.branch);
            shares.Text(a.costCentre);
            shares.Number(a.amount);
            shares.Text(platform::FormatSqlDate(a.date));
        }
        db.Execute(
            "INSERT INTO RATEIOCTB (NRLANCCTB, NRSEQCTB, NRSEQRAT, CDEMPRESA, CDFILIAL, CDCENTCUST,"
            " VRLANCCUST, DTCOMPCTB) SELECT " +
                sql.Elements("K", "TTTTTTND") + " FROM " + sql.JsonRows("ROWS", "K"),
            {{"ROWS", shares.Take()}});
    }

    TJsonRows numbers;
    for (const auto& [key, source] : sources) {
        numbers.BeginRow();
        numbers.Text(source.branch);
        numbers.Text(source.number);
        numbers.Text(source.entryNumber);
    }
    db.Execute("UPDATE BAIXAPAG SET NRLCTBBPAG = " + sql.Element("K", 2) +
                   ", IDCTBLBXPAG = 'S' FROM " + sql.JsonRows("ROWS", "K") +
                   " WHERE BAIXAPAG.CDFILIAL = " + sql.Element("K", 0) +
                   " AND BAIXAPAG.NRBAIXAPAG = " + sql.Element("K", 1),
               {{"ROWS", numbers.Take()}});
}

// Keeps the keys of the whole list under its number, for GetBaixaPag_Saida, in place of the
// session's previous list.
void KeepList(TSqlConnection& db, const TSqlFragments& sql, const std::string& listNumber,
              const std::string& session, const std::set<std::string>& keys) {
    const std::string previous =
        session.empty() ? std::string() : ReplaceLastSessionList(db, session, listNumber);
    db.Execute("DELETE FROM LISTA WHERE NRLISTA IN (:N, :OLD)",
               {{"N", listNumber}, {"OLD", previous}});
    if (keys.empty()) return;
    TJsonRows rows;
    for (const std::string& key : keys) {
        rows.BeginRow();
        rows.Text(key);
    }
    db.Execute("INSERT INTO LISTA (NRLISTA, CDLISTA) SELECT CAST(:N AS VARCHAR(10)), " +
                   sql.Element("K", 0) + " FROM " + sql.JsonRows("ROWS", "K"),
               {{"N", listNumber}, {"ROWS", rows.Take()}});
}

// The test hook's pause, in short slices: a call past its deadline, or cancelled by a stopping
// server, ends there with ECallCancelled and its transaction rolls back.
void PauseBeforeCommit(std::chrono::milliseconds pause) {
    constexpr std::chrono::milliseconds kSlice{20};
    const auto until = std::chrono::steady_clock::now() + pause;
    for (auto now = std::chrono::steady_clock::now(); now < until;
         now = std::chrono::steady_clock::now()) {
        platform::CheckCallDeadline();
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(kSlice, until - now));
    }
    platform::CheckCallDeadline();
}

} // namespace

std::string WriteOffKey(const std::string& branch, const std::string& number) {
    std::string key = branch;
    if (key.size() < 4) key.append(4 - key.size(), ' ');
    return key + number;
}

TAuditRecord AuditRecordOf(const TRunRequest& request) {
    TAuditRecord record;
    record.operatorCode = request.operatorCode;
    record.clientAddress = request.clientAddress;
    record.session = request.session;
    record.company = request.company;
    record.branch = request.branch;
    record.listNumber = request.listNumber;
    return record;
}

TRunOutcome RunRecalculation(TSqlConnection& db, const TRunRequest& request,
                             const TRunOptions& options, bool& posted) {
    posted = false;
    TAuditRecord audit = AuditRecordOf(request);
    const bool audited = request.audited && !request.simulation;
    const auto refused = [&](const std::string& reason) {
        audit.outcome = TAuditOutcome::Refused;
        audit.reason = reason;
        audit.writeOffs.clear();
        if (audited) AppendAudit(db, audit);
    };
    const TSqlFragments sql(db.Kind());
    TAccountingSetup setup;
    setup.company = request.company;
    setup.paymentText = request.paymentText;
    setup.chequeHistory = request.chequeHistory;
    std::string listNumber;
    CheckRequest(db, request, setup.companyName, listNumber);

    // The marked real write-offs, once each, in key order; and every key of the list.
    std::map<std::string, const TListedWriteOff*> marked;
    std::set<std::string> listKeys;
    for (const TListedWriteOff& row : request.rows) {
        const std::string key = WriteOffKey(row.branch, row.number);
        listKeys.insert(key);
        if (!row.marked) continue;
        if (row.company != request.company)
            throw ERunRefused("A baixa " + row.branch + "/" + row.number +
                              " não pertence à empresa \"" + request.company + "\".");
        if (platform::Trim(row.status) == "E") marked.emplace(key, &row);
    }

    // Everything that does not depend on rows read under the lock is prepared before it is
    // taken, so that the lock is held for the database work alone.
    TJsonRows keyRows;
    for (const auto& [key, row] : marked) {
        keyRows.BeginRow();
        keyRows.Text(row->branch);
        keyRows.Text(row->number);
    }
    const std::string keys = keyRows.Take();

    platform::TSqlTransaction transaction(db);
    if (sql.Postgres()) db.Execute("SET LOCAL lock_timeout = '30s'");
    TRunOutcome outcome;
    std::map<std::string, TWriteOffSource> sources;
    std::vector<std::string> oldNumbers;

    if (!marked.empty()) {
        TResults results;
        const auto current = ReadCurrent(db, sql, keys);
        CheckClosedPeriod(db, request.company, marked, current);
        for (const auto& [key, row] : marked) {
            auto it = current.find(key);
            if (it == current.end() || ChangedSinceRead(*row, it->second, request.company)) {
                TRunResult about;
                about.branch = row->branch;
                about.number = row->number;
                results.Add(kKeyLocked, about);
                break;
            }
        }
        if (auto held = HeldByAnother(db, sql, keys, request.operatorCode))
            results.Add(kKeyLocked, *held);
        CheckBoletos(db, sql, keys, results);
        auto history =
            db.OpenCursor("SELECT H.CDHISTPADR, H.DSHISTPADR FROM HISTINTEGRA I"
                          " JOIN HISTPADRAO H ON H.CDHISTPADR = I.CDHISTPADR"
                          " WHERE I.CDEMPRESA = :C AND I.IDTPINTEGRA = :TP",
                          {{"C", request.company}, {"TP", std::string(kWriteOffIntegration)}});
        if (history->Next()) {
            setup.historyCode = Str(*history, 0);
            setup.historyText = Str(*history, 1);
        } else {
            results.Add(kKeyNoHistory);
        }
        history.reset();
        if (!results.Empty()) {
            outcome.results = results.Sorted();
            transaction.Rollback();
            std::string keysText;
            for (const TRunResult& result : outcome.results)
                keysText += (keysText.empty() ? "" : ", ") + result.key;
            refused(keysText);
            return outcome;
        }

        LoadSetup(db, setup);
        std::int64_t number =
            FirstEntryNumber(db, request.simulation, static_cast<std::int64_t>(marked.size()));
        for (const auto& [key, row] : marked) {
            const TCurrentWriteOff& now = current.at(key);
            TWriteOffSource source;
            source.branch = row->branch;
            source.number = row->number;
            source.paidOn = now.paidOn;
            source.amount = now.amount;
            source.cheque = now.cheque;
            source.movement = now.movement;
            source.bankAccount = now.bankAccount;
            source.entryNumber = ZeroPadded(number++, kEntryNumberWidth);
            if (!now.entryNumber.empty()) oldNumbers.push_back(now.entryNumber);
            audit.writeOffs.push_back(
                TAuditWriteOff{row->branch, row->number, now.entryNumber, source.entryNumber});
            sources.emplace(key, std::move(source));
        }
        LoadPayables(db, sql, keys, sources);
        TEntryBuilder builder(setup, outcome);
        for (const auto& [key, source] : sources) builder.Add(source);
        if (!outcome.errors.empty()) {
            transaction.Rollback();
            refused("erros contábeis");
            return outcome;
        }
        if (!request.simulation) Post(db, sql, outcome, sources, oldNumbers);
    }
    if (request.simulation) {
        transaction.Rollback();
        return outcome;
    }

    KeepList(db, sql, listNumber, request.session, listKeys);
    PauseBeforeCommit(options.pauseBeforeCommit);
    audit.outcome = TAuditOutcome::Committed;
    // In the run's transaction: kept exactly when the postings are.
    if (audited) AppendAudit(db, audit);
    transaction.Commit();
    posted = true;
    return outcome;
}

} // namespace server
