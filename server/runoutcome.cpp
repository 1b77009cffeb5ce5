// What a recalculation run produces, and the four data packets that carry it to the client.
#include "server/runoutcome.h"

#include <functional>

#include "platform/datapacket.h"
#include "platform/dataset.h"

namespace server {

using platform::TFieldDef;
using platform::TFieldType;

namespace {

// A packet with the given layout and one row per item, filled by `fill`.
template <class T>
std::string Packet(const std::vector<TFieldDef>& fields, const std::vector<T>& items,
                   const std::function<void(platform::TRowAppender&, const T&)>& fill) {
    platform::TClientDataSet data;
    for (const TFieldDef& f : fields) data.FieldDefs().Add(f.Name, f.DataType, f.Size, f.Required);
    data.CreateDataSet();
    {
        platform::TRowAppender rows(data);
        for (const T& item : items) {
            rows.AddRow();
            fill(rows, item);
        }
        rows.Finish();
    }
    return platform::EncodePacket(data);
}

} // namespace

const std::vector<TFieldDef>& ResultFields() {
    static const std::vector<TFieldDef> fields = {
        {"CDRESULT", TFieldType::ftString, 3},
        {"DSRESULT", TFieldType::ftString, 250},
        {"IDTPRESULT", TFieldType::ftString, 2},
        // Added after the three of old, so that an older client reads those as before.
        {"CDFILIAL", TFieldType::ftString, 4},
        {"NRBAIXAPAG", TFieldType::ftString, 10},
        {"NRLANBOLPAG", TFieldType::ftString, 10},
        {"NRDOCUMENTO", TFieldType::ftString, 7},
        {"NMRAZSOCFORN", TFieldType::ftString, 40},
    };
    return fields;
}

const std::vector<TFieldDef>& EntryFields() {
    static const std::vector<TFieldDef> fields = {
        {"CDEMPRESA", TFieldType::ftString, 2},       {"CDCONTREDU", TFieldType::ftString, 20},
        {"NMCONTCTBL", TFieldType::ftString, 40},     {"NRLANCCTBTEMP", TFieldType::ftString, 20},
        {"NRSEQCTBTEMP", TFieldType::ftString, 6},    {"CDCONTCTBL", TFieldType::ftString, 20},
        {"CDHISTPADR", TFieldType::ftString, 4},      {"DSHISTCTB", TFieldType::ftString, 200},
        {"DTLANCCTBTEMP", TFieldType::ftDateTime, 0}, {"VRLANCCTBTEMP", TFieldType::ftFloat, 0},
        {"IDLANCCTBCOME", TFieldType::ftString, 1},   {"CDLANCCTBCOME", TFieldType::ftString, 21},
        {"NMEMPRESA", TFieldType::ftString, 40},      {"CDDOCUCONT", TFieldType::ftString, 40},
    };
    return fields;
}

const std::vector<TFieldDef>& ApportionmentFields() {
    static const std::vector<TFieldDef> fields = {
        {"CDFILIAL", TFieldType::ftString, 4},       {"NMFILIAL", TFieldType::ftString, 30},
        {"CDCENTCUST", TFieldType::ftString, 4},     {"NMCENTCUST", TFieldType::ftString, 40},
        {"VRLANCCUST", TFieldType::ftFloat, 0},      {"NRSEQCTBTEMP", TFieldType::ftString, 6},
        {"NRLANCCTBTEMP", TFieldType::ftString, 12}, {"DTCOMPCTBTEMP", TFieldType::ftDateTime, 0},
        {"CDEMPRESA", TFieldType::ftString, 2},      {"NRSEQRATTEMP", TFieldType::ftString, 5},
    };
    return fields;
}

const std::vector<TFieldDef>& ErrorFields() {
    static const std::vector<TFieldDef> fields = {
        {"CDERROTEMP", TFieldType::ftString, 3},
        {"NRSEQCTBTEMP", TFieldType::ftString, 5},
    };
    return fields;
}

platform::Variant RunPayload(const TRunOutcome& outcome) {
    using platform::TRowAppender;
    platform::Variant payload = platform::Variant::Array(0, 3);
    payload[0] = platform::Variant::FromBytes(Packet<TRunResult>(
        ResultFields(), outcome.results, [](TRowAppender& r, const TRunResult& x) {
            r.SetString(0, x.code);
            r.SetString(1, x.key);
            r.SetString(2, x.order);
            r.SetString(3, x.branch);
            r.SetString(4, x.number);
            r.SetString(5, x.boleto);
            r.SetString(6, x.document);
            r.SetString(7, x.supplier);
        }));
    payload[1] = platform::Variant::FromBytes(Packet<TEntryLine>(
        EntryFields(), outcome.entries, [](TRowAppender& r, const TEntryLine& x) {
            r.SetString(0, x.company);
            r.SetString(1, x.reducedAccount);
            r.SetString(2, x.accountName);
            r.SetString(3, x.entryNumber);
            r.SetString(4, x.sequence);
            r.SetString(5, x.account);
            r.SetString(6, x.historyCode);
            r.SetString(7, x.history);
            r.SetDateTime(8, x.date);
            r.SetFloat(9, x.amount);
            r.SetString(10, x.originKind);
            r.SetString(11, x.originKey);
            r.SetString(12, x.companyName);
            r.SetString(13, x.document);
        }));
    payload[2] = platform::Variant::FromBytes(
        Packet<TApportionment>(ApportionmentFields(), outcome.apportionments,
                               [](TRowAppender& r, const TApportionment& x) {
                                   r.SetString(0, x.branch);
                                   r.SetString(1, x.branchName);
                                   r.SetString(2, x.costCentre);
                                   r.SetString(3, x.costCentreName);
                                   r.SetFloat(4, x.amount);
                                   r.SetString(5, x.sequence);
                                   r.SetString(6, x.entryNumber);
                                   r.SetDateTime(7, x.date);
                                   r.SetString(8, x.company);
                                   r.SetString(9, x.apportionmentSequence);
                               }));
    payload[3] = platform::Variant::FromBytes(Packet<TEntryError>(
        ErrorFields(), outcome.errors, [](TRowAppender& r, const TEntryError& x) {
            r.SetString(0, x.code);
            r.SetString(1, x.sequence);
        }));
    return payload;
}

} // namespace server
