// Helpers shared by the server's tests: the client's side of the calls (arguments, marked
// lists, catalogue, reply datasets) and a small write-off data set with known values.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/dataset.h"
#include "platform/netconnection.h"
#include "platform/sql.h"
#include "platform/variant.h"

namespace servertest {

/// Logs `net` (server name, host and port set) in as `operatorCode` with the demo password, and
/// lets it log in again by itself when its token is refused. Tokens are shared per operator and
/// server address, so that the tests do not pay a password hash for every connection.
void LogIn(platform::TNetConnection& net, const std::string& operatorCode = "OPERADOR");

/// A connection to `port` of the loopback address, logged in as `operatorCode` (LogIn).
std::unique_ptr<platform::TNetConnection> Connection(const std::string& serverName, int port,
                                                     const std::string& operatorCode = "OPERADOR");

/// The 23 arguments of GetBaixaPag_Filtro with nothing restricted (dates and amounts 0 as
/// integers, lists and documents empty, status "T"); tests set args[n - 1] for criterion n.
std::vector<platform::Variant> OpenCriteria(const std::string& company);

/// The arguments the screen sends by default: the company's write-offs paid `today`.
std::vector<platform::Variant> DefaultCriteria(const std::string& company,
                                               platform::TDateTime today);

/// A client dataset opened on a data packet.
std::unique_ptr<platform::TClientDataSet> OpenPacket(const platform::Variant& packet);

/// NRBAIXAPAG of every row, in the packet's order.
std::vector<std::string> Numbers(const platform::Variant& packet);

/// The list packet with IDMARCADO set to "S" on the rows `marked` accepts (branch, number)
/// and "N" on the others, edited and posted row by row as the screen does.
platform::Variant
MarkRows(const platform::Variant& listPacket,
         const std::function<bool(const std::string&, const std::string&)>& marked);

/// The screen's catalogue as the cdsMsg packet; without "Hist_Conta" when asked.
platform::Variant CataloguePacket(bool withChequeHistory = true);

/// The four datasets of a run's payload.
struct TRunReply {
    std::unique_ptr<platform::TClientDataSet> result, entries, apportionment, errors;
    /// DSRESULT of the first row in IDTPRESULT order; empty when there is none.
    std::string FirstKey() const;
};
TRunReply OpenRunPayload(const platform::Variant& payload);

/// Replaces the demo's write-offs (and everything hanging from them) by five with known
/// values; reference data stays. `today` is day D0:
///   T1 0001 co.01 paid D0     100.00 type 02 acct 001 OPERADOR E not accounted, entered D0 10:00
///        payable 0001/P1 supplier 000001 doc 0000100 due D0+5 DUP orig 110.00 net 100.00
///   T2 0002 co.01 paid D0-10  250.50 type 03 acct 002 MARIA    E accounted, entered D0-10 23:59:59
///        payable 0002/P2 supplier 000007 doc "123" (stored unpadded) due D0-12 NFS 300.00/250.50
///   T3 0001 co.01 paid D0-30 1000.00 type 02 acct 001 JOAO     P not accounted, entered D0-29
///        payables 0002/P3A supplier 000002 doc 0000500 due D0-31 DUP 600/600 and
///                 0001/P3B supplier 000003 doc 0000600 due D0-40 ALU 400/400
///   T4 0201 co.02 paid D0     100.00 type 02 acct 004 OPERADOR E
///        payable 0201/P4 supplier 000001 doc 0000100 due D0 DUP 100/100
///   T5 0002 co.01 paid D0      99.99 type 05 acct 001 OPERADOR C not accounted, no entry date
///        payable 0002/P5 supplier 000001 doc 0000099 due D0 DUP 99.99/99.99
void LoadKnownWriteOffs(platform::TSqlConnection& db, platform::TDateTime d0);

} // namespace servertest
