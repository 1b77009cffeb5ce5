// The remote object "PAG00900.rdmRecContBaixaPag": the four methods the recalculation screen
// and its filter dialog call, one instance per client session.
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
/// Session state: the list number of the session's last committed run, whose write-offs
/// GetBaixaPag_Saida reads back (LISTA keeps one list per session: each committed run replaces
/// the session's previous one).
class TRdmRecContBaixaPag : public platform::TRemoteObject {
public:
    static constexpr const char* kName = "PAG00900.rdmRecContBaixaPag";

    explicit TRdmRecContBaixaPag(TServerContext& context) : context_(context) {}

    platform::Variant Invoke(const std::string& method,
                             std::vector<platform::Variant>& args) override;

    /// GetBaixaPag_Filtro: the 23 criteria (kinds SSSSSSDDSSFFDDSFFFFSDDS); returns the list's
    /// packet. The by-reference lists keep the values sent.
    platform::Variant GetBaixaPag_Filtro(std::vector<platform::Variant>& args);
    /// GetPrxLista: the next list number.
    platform::Variant GetPrxLista();
    /// SetConfirmar(list packet, company, branch, operator, list number by reference, payment
    /// text, catalogue packet): the run; returns the array of the four reply packets.
    platform::Variant SetConfirmar(std::vector<platform::Variant>& args);
    /// GetBaixaPag_Saida: the list of the session's last committed run, read again.
    platform::Variant GetBaixaPag_Saida();

private:
    TServerContext& context_;
    std::string lastListNumber_;
};

} // namespace server
