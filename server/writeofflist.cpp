// The write-off list: the filtered SELECT of the 29-field record and the data packet it becomes.
#include "server/writeofflist.h"

#include <cmath>

#include "platform/datapacket.h"
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

constexpr const char* kJoins = " LEFT JOIN CONTCORR CC ON CC.CDREDUCONT = B.CDREDUCONT"
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
    if (c.accounting == 'C')
        where.Add("B.IDCTBLBXPAG = 'S'");
    else if (c.accounting == 'N')
        where.Add("B.IDCTBLBXPAG <> 'S'");

    // Criteria on the payables: one payable of the write-off must meet all of them.
    TConditions p(sql, statement.params, "C");
    p.InList("CP.CDFORNECED", c.suppliers);
    if (!c.documentFrom.empty())
        p.Add(sql.ZeroPad("CP.NRDOCUMENTO", kDocumentWidth) +
              " >= " + p.Bind(PadDocument(c.documentFrom)));
    if (!c.documentTo.empty())
        p.Add(sql.ZeroPad("CP.NRDOCUMENTO", kDocumentWidth) +
              " <= " + p.Bind(PadDocument(c.documentTo)));
    p.InList("CP.CDFILIAL", c.originBranches);
    p.DateRange("CP.DTVENCIMENTO", c.dueFrom, c.dueTo);
    p.InList("CP.CDTPCTPAGAR", c.payableTypes);
    p.AmountRange("CP.VRORIGINAL", c.originalFrom, c.originalTo);
    p.AmountRange("CP.VRLIQUIDO", c.netFrom, c.netTo);

    statement.text =
        std::string(kSelectList) + " FROM BAIXAPAG B" + kJoins + " WHERE 1 = 1" + where.Text();
    if (!p.Text().empty()) {
        statement.text += " AND EXISTS (SELECT 1 FROM ITBAIXAPAG I JOIN CONTAPAGAR CP"
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

std::string WriteOffPacket(platform::TSqlCursor& cursor) {
    const std::vector<TFieldDef>& fields = WriteOffFields();
    const std::size_t count = fields.size();
    if (cursor.ColumnCount() != static_cast<int>(count))
        throw platform::EDatabaseError("A consulta das baixas devolveu " +
                                       std::to_string(cursor.ColumnCount()) +
                                       " colunas; esperadas " + std::to_string(count) + ".");
    std::vector<TFieldType> types;
    for (const TFieldDef& f : fields) types.push_back(f.DataType);
    platform::TDataPacketWriter packet(fields);
    while (cursor.Next()) {
        for (std::size_t i = 0; i < count; ++i) {
            const int column = static_cast<int>(i);
            if (cursor.IsNull(column)) {
                packet.AppendNull();
                continue;
            }
            switch (types[i]) {
            case TFieldType::ftFloat: packet.AppendFloat(cursor.Double(column)); break;
            case TFieldType::ftDateTime: packet.AppendDateTime(cursor.Double(column)); break;
            default: packet.AppendFieldString(cursor.Text(column)); break;
            }
        }
    }
    return packet.Finish();
}

std::string LoadWriteOffs(platform::TSqlConnection& connection, const TWriteOffCriteria& criteria) {
    TSqlStatement statement = BuildWriteOffQuery(connection.Kind(), criteria);
    auto cursor = connection.OpenCursor(statement.text, statement.params);
    return WriteOffPacket(*cursor);
}

} // namespace server
