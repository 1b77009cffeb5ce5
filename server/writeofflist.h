// The write-off list: the filtered SELECT of the 29-field record and the data packet it becomes.
#pragma once

#include <string>
#include <vector>

#include "platform/fielddefs.h"
#include "platform/sql.h"
#include "protocol/writeofflayout.h"

namespace server {

/// The criteria of a list query. Empty code lists, empty document bounds, dates 0 and amounts
/// 0 impose nothing. Invariant: accounting is 'C' (accounted), 'N' (not accounted) or 'T' (both).
struct TWriteOffCriteria {
    std::string company;
    std::vector<std::string> suppliers;       // payable's CDFORNECED
    std::string documentFrom, documentTo;     // payable's NRDOCUMENTO, compared padded to 7
    std::vector<std::string> originBranches;  // payable's CDFILIAL
    std::vector<std::string> postingBranches; // write-off's CDFILIAL
    platform::TDateTime paidFrom = 0, paidTo = 0;
    std::vector<std::string> writeOffTypes; // CDTPBAIXAPAG
    std::vector<std::string> bankAccounts;  // CDREDUCONT
    double amountFrom = 0, amountTo = 0;    // VRBAIXAPAG
    platform::TDateTime dueFrom = 0, dueTo = 0;
    std::vector<std::string> payableTypes;              // CDTPCTPAGAR
    double originalFrom = 0, originalTo = 0;            // payable's VRORIGINAL
    double netFrom = 0, netTo = 0;                      // payable's VRLIQUIDO
    std::vector<std::string> operators;                 // write-off's CDOPERADOR
    platform::TDateTime enteredFrom = 0, enteredTo = 0; // DTLANCBAIXAP
    char accounting = 'T';
};

/// Width to which document numbers are padded with zeros before they are compared.
inline constexpr int kDocumentWidth = 7;

/// The write-off record's field definitions, in the record's order.
using protocol::WriteOffFields;

/// A statement with its parameters.
struct TSqlStatement {
    std::string text;
    platform::TSqlParams params;
};

/// The list's SELECT for the criteria: its columns are the record's fields in order; only the
/// criteria that restrict anything appear in it, every value bound.
TSqlStatement BuildWriteOffQuery(platform::TSqlKind kind, const TWriteOffCriteria& criteria);

/// The SELECT of the write-offs kept under a list number (LISTA), in the list's order.
TSqlStatement BuildListedWriteOffQuery(const std::string& listNumber);

/// Reads every row of a cursor over one of the statements above into a data packet with the
/// record's fields (the mark "N" on every row), each value written into the packet as it is
/// read; texts are fitted to their fields as a dataset would store them.
std::string WriteOffPacket(platform::TSqlCursor& cursor);

/// Runs the list query and returns its data packet.
std::string LoadWriteOffs(platform::TSqlConnection& connection, const TWriteOffCriteria& criteria);

} // namespace server
