// The remote object "PAG00900.rdmRecContBaixaPag": the methods the recalculation screen and
// its filter dialog call, one instance per client session.
#pragma once

#include <string>
#include <vector>

#include "platform/rpcserver.h"
#include "server/connectionpool.h"
#include "server/recalculation.h"

namespace server {

/// What every session of the server shares.
struct TServerContext {
    TConnectionPool& pool;
    TRunOptions runOptions;
};

/// The remote object. Every method but GetPrxLista answers [status, message, payload]
/// (platform/serverreply.h): a call with arguments of the wrong count or kinds, a malformed list
/// or packet, a refused run or a database failure is a failure reply whose message names the
/// method (and the argument), never an exception. GetPrxLista answers the number as a String.
///
/// Session state, kept in the database under the session's id (server/sessionlists.h) so that
/// any server on it serves the session's next call: the list number of the session's last
/// committed run, whose write-offs GetBaixaPag_Saida reads back (LISTA keeps one list per
/// session: each committed run replaces the session's previous one), and the list numbers
/// GetPrxLista gave this session and no run has used yet. The object itself holds none.
///
/// Every method acts for the session's operator (its identity, vouched for by the login), never
/// for an operator an argument names: the lists read and the runs posted are of companies that
/// operator may use (OPEREMPR); SetConfirmar's operator must be the session's, its branch must
/// be of a company the operator may use, and its list number must be one of this session's unused
/// ones (a run that is not refused outright uses it up, whatever its outcome). Every run is
/// recorded in the audit trail; a simulation (GetSimulacao) records and uses up nothing.
class TRdmRecContBaixaPag : public platform::TRemoteObject {
public:
    static constexpr const char* kName = "PAG00900.rdmRecContBaixaPag";

    TRdmRecContBaixaPag(TServerContext& context, platform::TSessionIdentity identity)
        : context_(context), identity_(std::move(identity)) {}

    platform::Variant Invoke(const std::string& method,
                             std::vector<platform::Variant>& args) override;
    /// The registered spelling of one of the four methods, for the server's metrics.
    std::string RegisteredName(const std::string& method) const override;

    /// GetBaixaPag_Filtro: the 23 criteria (kinds SSSSSSDDSSFFDDSFFFFSDDS); returns the list's
    /// packet. The by-reference lists keep the values sent.
    platform::Variant GetBaixaPag_Filtro(std::vector<platform::Variant>& args);
    /// GetPrxLista: the next list number.
    platform::Variant GetPrxLista();
    /// SetConfirmar(list packet, company, branch, operator, list number by reference, payment
    /// text, catalogue packet): the run; returns the array of the four reply packets.
    platform::Variant SetConfirmar(std::vector<platform::Variant>& args);
    /// GetSimulacao(list packet, company, branch, operator, payment text, catalogue packet):
    /// SetConfirmar's checks and entries without posting anything (no list number, no audit
    /// row); returns the same array of four packets.
    platform::Variant GetSimulacao(std::vector<platform::Variant>& args);
    /// GetBaixaPag_Saida: the list of the session's last committed run, read again.
    platform::Variant GetBaixaPag_Saida();

private:
    TServerContext& context_;
    const platform::TSessionIdentity identity_;
};

} // namespace server
