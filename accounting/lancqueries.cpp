// The queries of a posted accounting entry, in the four dialects, with their persistent fields.
#include "accounting/lancqueries.h"

#include <string>
#include <utility>
#include <vector>

namespace accounting {

namespace {

void Fields(host::TADOIBQuery& qry, std::initializer_list<std::pair<const char*, int>> texts,
            std::initializer_list<const char*> amounts, std::initializer_list<const char*> dates) {
    for (const auto& [name, size] : texts) qry.AddStringField(name, size);
    for (const char* name : amounts) qry.AddFloatField(name);
    for (const char* name : dates) qry.AddDateTimeField(name);
}

// The four texts of a query over one posted entry: `head` (select list, tables and joins),
// the filter on the entry number and the company of table `alias` in each dialect, then
// `order`. The generic and the InterBase texts take the company through PARAM.
void EntryTexts(host::TADOIBQuery& qry, const std::vector<std::string>& head,
                const std::string& alias, std::initializer_list<std::string> order) {
    const std::string entry = "   " + alias + ".NRLANCCTB = :P_NRLANCCTB";
    const std::string company = alias + ".CDEMPRESA";
    auto text = [&](std::initializer_list<std::string> filter) {
        std::vector<std::string> lines = head;
        lines.insert(lines.end(), filter);
        lines.insert(lines.end(), {"ORDER BY"});
        lines.insert(lines.end(), order);
        return lines;
    };
    qry.SQL() = text({"   , PARAM(:P_CDEMPRESA) P_CDEMPRESA", "WHERE", entry,
                      "   AND " + company + " = NVLSTR(P_CDEMPRESA.PARAM, " + company + ")"});
    qry.SQL_IB() = qry.SQL();
    qry.SQL_ORACLE() =
        text({"WHERE", entry, "   AND " + company + " = NVL(:P_CDEMPRESA, " + company + ")"});
    qry.SQL_MSSQL() =
        text({"WHERE", entry, "   AND " + company + " = ISNULL (:P_CDEMPRESA, " + company + ")"});
}

} // namespace

void DefineQryLancCtb(host::TADOIBQuery& qry) {
    qry.SetName("qryLancCtb");
    const std::vector<std::string> head = {
        "SELECT",
        "   L.CDEMPRESA,",
        "   E.NMEMPRESA,",
        "   L.NRLANCCTB NRLANCCTBTEMP,",
        "   L.NRSEQCTB NRSEQCTBTEMP,",
        "   L.DTLANCCTB DTLANCCTBTEMP,",
        "   L.CDCONTCTBL,",
        "   P.CDCONTREDU,",
        "   P.NMCONTCTBL,",
        "   L.CDHISTPADR,",
        "   L.DSHISTCTB,",
        "   L.VRLANCCTB VRLANCCTBTEMP,",
        "   L.IDLANCCTBCOME,",
        "   L.CDLANCCTBCOME,",
        "   L.CDDOCUCONT",
        "FROM",
        "   LANCCTB L",
        "   LEFT JOIN EMPRESA E ON E.CDEMPRESA = L.CDEMPRESA",
        "   LEFT JOIN PLANOCONTA P ON P.CDEMPRESA = L.CDEMPRESA AND P.CDCONTCTBL = L.CDCONTCTBL",
    };
    EntryTexts(qry, head, "L", {"   L.NRSEQCTB"});
    Fields(qry,
           {{"CDEMPRESA", 2},
            {"NMEMPRESA", 40},
            {"NRLANCCTBTEMP", 20},
            {"NRSEQCTBTEMP", 6},
            {"CDCONTCTBL", 20},
            {"CDCONTREDU", 20},
            {"NMCONTCTBL", 40},
            {"CDHISTPADR", 4},
            {"DSHISTCTB", 200},
            {"IDLANCCTBCOME", 1},
            {"CDLANCCTBCOME", 21},
            {"CDDOCUCONT", 40}},
           {"VRLANCCTBTEMP"}, {"DTLANCCTBTEMP"});
}

void DefineQryRateioCtb(host::TADOIBQuery& qry) {
    qry.SetName("qryRateioCtb");
    const std::vector<std::string> head = {
        "SELECT",
        "   R.CDEMPRESA,",
        "   R.NRLANCCTB NRLANCCTBTEMP,",
        "   R.NRSEQCTB NRSEQCTBTEMP,",
        "   R.NRSEQRAT NRSEQRATTEMP,",
        "   R.CDFILIAL,",
        "   F.NMFILIAL,",
        "   R.CDCENTCUST,",
        "   C.NMCENTCUST,",
        "   R.VRLANCCUST,",
        "   R.DTCOMPCTB DTCOMPCTBTEMP",
        "FROM",
        "   RATEIOCTB R",
        "   LEFT JOIN FILIAL F ON F.CDFILIAL = R.CDFILIAL",
        "   LEFT JOIN CENTCUST C ON C.CDCENTCUST = R.CDCENTCUST",
    };
    EntryTexts(qry, head, "R", {"   R.NRSEQCTB,", "   R.NRSEQRAT"});
    Fields(qry,
           {{"CDEMPRESA", 2},
            {"NRLANCCTBTEMP", 20},
            {"NRSEQCTBTEMP", 6},
            {"NRSEQRATTEMP", 5},
            {"CDFILIAL", 4},
            {"NMFILIAL", 30},
            {"CDCENTCUST", 4},
            {"NMCENTCUST", 40}},
           {"VRLANCCUST"}, {"DTCOMPCTBTEMP"});
}

} // namespace accounting
