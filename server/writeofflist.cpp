// The write-off list: the 29-field record, the filtered SELECT and the data packet it becomes.
#include "server/writeofflist.h"

#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include "platform/datapacket.h"
#include "platform/dataset.h"
#include "server/codelist.h"
#include "server/sqlfragments.h"

namespace server {

using platform::TDateTime;
using platform::TFieldDef;
using platform::TFieldType;
using platform::Variant;

namespace {

// Half a cent: amounts carry two decimals, so bounds compare with this slack.
constexpr double kAmountSlack = 0.005;

// The record's columns, in the record's order (one per field of WriteOffFields()).
constexpr const char* kSelectList =
    "SELECT BC.CDPICTAGEN, B.CDFILIAL, B.NRBAIXAPAG, B.CDEMPRESA, B.NRMOVBANC, B.CDREDUCONT,"
    " CC.CDCONTCTBL, B.NRCHEQUE, B.DTBAIXAPAG, B.VRBAIXAPAG, B.DSNOMCHEQUE, B.IDSTEMICHEQ,"
    " B.NRLCTBBPAG, B.IDSTATUSBPAG, B.CDOPERADOR, 'N' AS IDMARCADO, CC.CDBANCO, CC.CDAGENCIA,"
    " CC.CDCONTCORR, CC.DSCONTCORR, BC.CDPICTCONT, B.DSBAIXAPAG, B.CDTPBAIXAPAG,"
    " TB.IDBAIXAUTILP, TB.NMTPBAIXAPAG, B.IDCTBLBXPAG, B.DTLANCBAIXAP, O.NMOPERADOR,"
    " B.IDPARTIDABOLPAG";

constexpr const char* kJoins =
    " LEFT JOIN CONTCORR CC ON CC.CDREDUCONT = B.CDREDUCONT"
    " LEFT JOIN BANCO BC ON BC.CDBANCO = CC.CDBANCO"
    " LEFT JOIN TIPOBAIXAPAG TB ON TB.CDTPBAIXAPAG = B.CDTPBAIXAPAG"
    " LEFT JOIN OPERADOR O ON O.CDOPERADOR = B.CDOPERADOR";

constexpr const char* kOrder = " ORDER BY B.DTBAIXAPAG, B.CDFILIAL, B.NRBAIXAPAG";

std::string PadDocument(const std::string& document) {
    if (document.size() >= static_cast<std::size_t>(kDocumentWidth)) return document;
    return std::string(static_cast<std::size_t>(kDocumentWidth) - document.size(), '0') + document;
}

// Collects conditions joined by AND, binding their values as parameters named by the prefix
// and a counter (W1, W2...), so that several collectors can share one statement.
class TConditions {
public:
    TConditions(const TSqlFragments& sql, platform::TSqlParams& params, std::string prefix)
        : sql_(sql), params_(params), prefix_(std::move(prefix)) {}

    std::string Bind(Variant value) {
        std::string name = prefix_ + std::to_string(++count_);
        params_.Set(name, std::move(value));
        return ":" + name;
    }
    void Add(const std::string& condition) { text_ += " AND " + condition; }
    void InList(const std::string& column, const std::vector<std::string>& codes) {
        if (codes.empty()) return;
        std::string name = prefix_ + std::to_string(++count_);
        params_.Set(name, CodesToJsonArray(codes));
        Add(column + " IN (" + sql_.JsonTexts(name) + ")");
    }
    void DateRange(const std::string& column, TDateTime from, TDateTime to) {
        // Whole days: "to" includes its day whatever the time of day stored.
        if (from != 0) Add(column + " >= " + Bind(Variant::FromDate(std::floor(from))));
        if (to != 0) Add(column + " < " + Bind(Variant::FromDate(std::floor(to) + 1)));
    }
    void AmountRange(const std::string& column, double from, double to) {
        if (from != 0) Add(column + " >= " + Bind(from - kAmountSlack));
        if (to != 0) Add(column + " <= " + Bind(to + kAmountSlack));
    }
    const std::string& Text() const { return text_; }

private:
    const TSqlFragments& sql_;
    platform::TSqlParams& params_;
    std::string prefix_;
    std::string text_;
    int count_ = 0;
};

} // namespace

const std::vector<TFieldDef>& WriteOffFields() {
    static const std::vector<TFieldDef> fields = {
        {"CDPICTAGEN", TFieldType::ftString, 10},   {"CDFILIAL", TFieldType::ftString, 4},
        {"NRBAIXAPAG", TFieldType::ftString, 10},   {"CDEMPRESA", TFieldType::ftString, 2},
        {"NRMOVBANC", TFieldType::ftString, 10},    {"CDREDUCONT", TFieldType::ftString, 3},
        {"CDCONTCTBL", TFieldType::ftString, 20},   {"NRCHEQUE", TFieldType::ftString, 6},
        {"DTBAIXAPAG", TFieldType::ftDateTime, 0},  {"VRBAIXAPAG", TFieldType::ftFloat, 0},
        {"DSNOMCHEQUE", TFieldType::ftString, 40},  {"IDSTEMICHEQ", TFieldType::ftString, 1},
        {"NRLCTBBPAG", TFieldType::ftString, 12},   {"IDSTATUSBPAG", TFieldType::ftString, 1},
        {"CDOPERADOR", TFieldType::ftString, 12},   {"IDMARCADO", TFieldType::ftFixedChar, 1},
        {"CDBANCO", TFieldType::ftString, 3},       {"CDAGENCIA", TFieldType::ftString, 5},
        {"CDCONTCORR", TFieldType::ftString, 10},   {"DSCONTCORR", TFieldType::ftString, 20},
        {"CDPICTCONT", TFieldType::ftString, 20},   {"DSBAIXAPAG", TFieldType::ftString, 250},
        {"CDTPBAIXAPAG", TFieldType::ftString, 2},  {"IDBAIXAUTILP", TFieldType::ftString, 1},
        {"NMTPBAIXAPAG", TFieldType::ftString, 50}, {"IDCTBLBXPAG", TFieldType::ftString, 1},
        {"DTLANCBAIXAP", TFieldType::ftDateTime, 0}, {"NMOPERADOR", TFieldType::ftString, 40},
        {"IDPARTIDABOLPAG", TFieldType::ftString, 1},
    };
    return fields;
}

TSqlStatement BuildWriteOffQuery(platform::TSqlKind kind, const TWriteOffCriteria& c) {
    TSqlFragments sql(kind);
    TSqlStatement statement;
    TConditions where(sql, statement.params, "W");

    where.Add("B.CDEMPRESA = " + where.Bind(c.company));
    where.DateRange("B.DTBAIXAPAG", c.paidFrom, c.paidTo);
    where.InList("B.CDFILIAL", c.postingBranches);
    where.InList("B.CDTPBAIXAPAG", c.writeOffTypes);
    where.InList("B.CDREDUCONT", c.bankAccounts);
    where.AmountRange("B.VRBAIXAPAG", c.amountFrom, c.amountTo);
    where.InList("B.CDOPERADOR", c.operators);
    where.DateRange("B.DTLANCBAIXAP", c.enteredFrom, c.enteredTo);
    if (c.accounting == 'C') where.Add("B.IDCTBLBXPAG = 'S'");
    else if (c.accounting == 'N') where.Add("B.IDCTBLBXPAG <> 'S'");

    // Criteria on the payables: one payable of the write-off must meet all of them.
    TConditions p(sql, statement.params, "C");
    p.InList("CP.CDFORNECED", c.suppliers);
    if (!c.documentFrom.empty())
        p.Add(sql.ZeroPad("CP.NRDOCUMENTO", kDocumentWidth) + " >= " + p.Bind(PadDocument(c.documentFrom)));
    if (!c.documentTo.empty())
        p.Add(sql.ZeroPad("CP.NRDOCUMENTO", kDocumentWidth) + " <= " + p.Bind(PadDocument(c.documentTo)));
    p.InList("CP.CDFILIAL", c.originBranches);
    p.DateRange("CP.DTVENCIMENTO", c.dueFrom, c.dueTo);
    p.InList("CP.CDTPCTPAGAR", c.payableTypes);
    p.AmountRange("CP.VRORIGINAL", c.originalFrom, c.originalTo);
    p.AmountRange("CP.VRLIQUIDO", c.netFrom, c.netTo);

    statement.text = std::string(kSelectList) + " FROM BAIXAPAG B" + kJoins + " WHERE 1 = 1" +
                     where.Text();
    if (!p.Text().empty()) {
        statement.text +=
            " AND EXISTS (SELECT 1 FROM ITBAIXAPAG I JOIN CONTAPAGAR CP"
            " ON CP.CDFILIAL = I.CDFILICTPAG AND CP.NRCTPAGAR = I.NRCTPAGAR"
            " WHERE I.CDFILIAL = B.CDFILIAL AND I.NRBAIXAPAG = B.NRBAIXAPAG" +
            p.Text() + ")";
    }
    statement.text += kOrder;
    return statement;
}

} // namespace server

namespace server {

TSqlStatement BuildListedWriteOffQuery(const std::string& listNumber) {
    TSqlStatement statement;
    // LISTA keeps each write-off as its 14-character key: the branch padded to 4, the number.
    statement.text = std::string(kSelectList) +
                     " FROM LISTA L JOIN BAIXAPAG B"
                     " ON B.CDFILIAL = rtrim(substr(L.CDLISTA, 1, 4))"
                     " AND B.NRBAIXAPAG = substr(L.CDLISTA, 5)" +
                     kJoins + " WHERE L.NRLISTA = :NRLISTA" + kOrder;
    statement.params.Set("NRLISTA", listNumber);
    return statement;
}

namespace {

// Rows read from a cursor, copied compactly so that another thread can append them to a dataset.
// Invariant: values holds one entry per column of each row; a text is the range [begin, end) of
// text, a number or date its value; null marks the entries that are null.
struct TRowChunk {
    struct TValue {
        double number = 0;
        std::uint32_t begin = 0, end = 0;
        bool null = true;
    };
    std::vector<TValue> values;
    std::string text;
    std::size_t rows = 0;
};

constexpr std::size_t kRowsPerChunk = 2048;
constexpr std::size_t kChunksInFlight = 8;

// A bounded queue of chunks between the thread that reads the cursor and the one that fills the
// dataset. Invariant: once closed, nothing more is pushed.
class TChunkQueue {
public:
    /// Waits for room; false when the consumer has given up.
    bool Push(TRowChunk chunk) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return chunks_.size() < kChunksInFlight || abandoned_; });
        if (abandoned_) return false;
        chunks_.push_back(std::move(chunk));
        changed_.notify_all();
        return true;
    }
    /// Waits for a chunk; false at the end.
    bool Pop(TRowChunk& chunk) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !chunks_.empty() || closed_; });
        if (chunks_.empty()) return false;
        chunk = std::move(chunks_.front());
        chunks_.pop_front();
        changed_.notify_all();
        return true;
    }
    void Close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_all();
    }
    void Abandon() {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<TRowChunk> chunks_;
    bool closed_ = false;
    bool abandoned_ = false;
};

// Appends the chunks' rows to the dataset until the queue ends.
void FillRows(TChunkQueue& queue, platform::TClientDataSet& data, const std::vector<TFieldDef>& fields) {
    const std::size_t count = fields.size();
    platform::TRowAppender rows(data);
    TRowChunk chunk;
    while (queue.Pop(chunk)) {
        const TRowChunk::TValue* value = chunk.values.data();
        for (std::size_t r = 0; r < chunk.rows; ++r) {
            rows.AddRow();
            for (std::size_t i = 0; i < count; ++i, ++value) {
                if (value->null) continue;  // a new row starts with every value null
                const int field = static_cast<int>(i);
                switch (fields[i].DataType) {
                case TFieldType::ftFloat: rows.SetFloat(field, value->number); break;
                case TFieldType::ftDateTime: rows.SetDateTime(field, value->number); break;
                default:
                    rows.SetString(field, std::string_view(chunk.text).substr(value->begin,
                                                                               value->end - value->begin));
                    break;
                }
            }
        }
    }
    rows.Finish();
}

} // namespace

std::string WriteOffPacket(platform::TSqlCursor& cursor) {
    const std::vector<TFieldDef>& fields = WriteOffFields();
    const std::size_t count = fields.size();
    if (cursor.ColumnCount() != static_cast<int>(count))
        throw platform::EDatabaseError("A consulta das baixas devolveu " +
                                       std::to_string(cursor.ColumnCount()) + " colunas; esperadas " +
                                       std::to_string(count) + ".");
    platform::TClientDataSet data;
    for (const TFieldDef& f : fields) data.FieldDefs().Add(f.Name, f.DataType, f.Size, f.Required);
    data.CreateDataSet();

    // The cursor stays on this thread (its connection's); a helper fills the dataset meanwhile,
    // so that stepping the database and building the rows overlap.
    TChunkQueue queue;
    std::exception_ptr fillFailure;
    std::thread filler([&] {
        try {
            FillRows(queue, data, fields);
        } catch (...) {
            fillFailure = std::current_exception();
            queue.Abandon();
        }
    });
    try {
        TRowChunk chunk;
        bool more = true;
        while (more) {
            chunk.values.clear();
            chunk.text.clear();
            chunk.rows = 0;
            while (chunk.rows < kRowsPerChunk && (more = cursor.Next())) {
                ++chunk.rows;
                for (std::size_t i = 0; i < count; ++i) {
                    TRowChunk::TValue& value = chunk.values.emplace_back();
                    const int column = static_cast<int>(i);
                    if (cursor.IsNull(column)) continue;
                    value.null = false;
                    if (fields[i].DataType == TFieldType::ftFloat ||
                        fields[i].DataType == TFieldType::ftDateTime) {
                        value.number = cursor.Double(column);
                    } else {
                        const std::string_view text = cursor.Text(column);
                        value.begin = static_cast<std::uint32_t>(chunk.text.size());
                        chunk.text.append(text);
                        value.end = static_cast<std::uint32_t>(chunk.text.size());
                    }
                }
            }
            if (chunk.rows > 0 && !queue.Push(std::move(chunk))) break;
            chunk = TRowChunk();
            chunk.values.reserve(kRowsPerChunk * count);
        }
    } catch (...) {
        queue.Close();
        queue.Abandon();
        filler.join();
        throw;
    }
    queue.Close();
    filler.join();
    if (fillFailure) std::rethrow_exception(fillFailure);
    return platform::EncodePacket(data);
}

std::string LoadWriteOffs(platform::TSqlConnection& connection, const TWriteOffCriteria& criteria) {
    TSqlStatement statement = BuildWriteOffQuery(connection.Kind(), criteria);
    auto cursor = connection.OpenCursor(statement.text, statement.params);
    return WriteOffPacket(*cursor);
}

} // namespace server
