// The remote object "PAG00900.rdmRecContBaixaPag": argument checks, the four methods and their
// replies.
#include "server/rdmreccontbaixapag.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

#include "platform/calldeadline.h"
#include "platform/calllog.h"
#include "platform/serverreply.h"
#include "protocol/filtroargs.h"
#include "server/audit.h"
#include "server/clientpackets.h"
#include "server/codelist.h"
#include "server/columnwidths.h"
#include "server/counters.h"
#include "server/entrybuilder.h"
#include "server/sessionlists.h"
#include "server/writeofflist.h"

namespace server {

using platform::Variant;
using platform::VarType;

namespace {

constexpr const char* kFiltro = "GetBaixaPag_Filtro";
constexpr const char* kPrxLista = "GetPrxLista";
constexpr const char* kConfirmar = "SetConfirmar";
constexpr const char* kSaida = "GetBaixaPag_Saida";
constexpr const char* kSimulacao = "GetSimulacao";

constexpr const char* kConfirmarKinds = "VSSSSSV";
constexpr const char* kSimulacaoKinds = "VSSSSV";

// Automation dates of 1 January 0001 and 31 December 9999.
constexpr double kFirstDate = -693593.0;
constexpr double kLastDate = 2958465.0;

const char* const kConfirmarArgNames[] = {
    "lista de baixas",    "empresa",   "filial", "operador", "número da lista",
    "texto de pagamento", "mensagens",
};
const char* const kSimulacaoArgNames[] = {
    "lista de baixas", "empresa", "filial", "operador", "texto de pagamento", "mensagens",
};

// A bad argument: the message names the method, the argument's position and its meaning.
class EBadArgument : public platform::Exception {
public:
    EBadArgument(const char* method, int position, const char* name, const std::string& what)
        : Exception(std::string(method) + ": o argumento " + std::to_string(position) + " (" +
                    name + ") é inválido: " + what) {}
};

class TArgs {
public:
    TArgs(const char* method, const char* const* names, std::vector<Variant>& args)
        : method_(method), names_(names), args_(args) {}

    const Variant& At(int position) const { return args_[static_cast<std::size_t>(position - 1)]; }
    [[noreturn]] void Fail(int position, const std::string& what) const {
        throw EBadArgument(method_, position, names_[position - 1], what);
    }
    /// A text argument: valid UTF-8 without control characters, at most `width` characters
    /// (the column it reaches).
    std::string Text(int position, std::size_t width) const {
        std::string value = At(position).AsString();
        CheckText(position, value, width);
        return value;
    }
    void CheckText(int position, std::string_view value, std::size_t width) const {
        if (std::size_t bad = platform::FindBadTextByte(value); bad != std::string_view::npos)
            Fail(position, "caractere inválido na posição " + std::to_string(bad + 1) + ".");
        if (platform::Utf8Length(value) > width)
            Fail(position, "mais de " + std::to_string(width) + " caracteres.");
    }
    std::vector<std::string> List(int position) const {
        try {
            return ParseCodeList(At(position).AsString());
        } catch (const ECodeListError& e) { Fail(position, e.Message()); }
    }
    platform::TDateTime Date(int position) const {
        const double value = At(position).AsDate();
        if (!std::isfinite(value) || value < kFirstDate || value > kLastDate)
            Fail(position, "data fora do intervalo aceito.");
        return value;
    }
    double Amount(int position) const {
        const double value = At(position).AsDouble();
        if (!std::isfinite(value)) Fail(position, "valor não é um número finito.");
        return value;
    }
    std::string Document(int position) const {
        std::string value = platform::Trim(At(position).AsString());
        CheckText(position, value, static_cast<std::size_t>(kDocumentWidth));
        return value;
    }
    const std::string& Bytes(int position) const {
        if (At(position).Type() != VarType::Bytes)
            Fail(position, std::string("esperado um pacote de dados, recebido o tipo ") +
                               Variant::TypeName(At(position).Type()) + ".");
        return At(position).AsBytes();
    }

private:
    const char* method_;
    const char* const* names_;
    std::vector<Variant>& args_;
};

// The GetBaixaPag_Filtro arguments, read by their member of the argument table; reading one
// as another kind than the table gives it is a fault of this file.
class TFiltroArgs {
public:
    using TMember = protocol::TFiltroMember;
    using TKind = protocol::TFiltroKind;

    explicit TFiltroArgs(std::vector<Variant>& args) : args_(kFiltro, Names().data(), args) {}

    std::string Text(TMember m, std::size_t width) const {
        return args_.Text(Position(m, TKind::Text), width);
    }
    std::vector<std::string> List(TMember m) const { return args_.List(Position(m, TKind::List)); }
    std::string Document(TMember m) const { return args_.Document(Position(m, TKind::Document)); }
    platform::TDateTime Date(TMember m) const { return args_.Date(Position(m, TKind::Date)); }
    double Amount(TMember m) const { return args_.Amount(Position(m, TKind::Amount)); }
    char Status(TMember m) const {
        const int position = Position(m, TKind::Status);
        const std::string status = args_.At(position).AsString();
        if (status != "C" && status != "N" && status != "T")
            args_.Fail(position, "esperado \"C\", \"N\" ou \"T\", recebido \"" +
                                     platform::SanitizedText(status, 10) + "\".");
        return status[0];
    }

private:
    static const std::array<const char*, protocol::kFiltroArgCount>& Names() {
        static const std::array<const char*, protocol::kFiltroArgCount> names = [] {
            std::array<const char*, protocol::kFiltroArgCount> n{};
            for (std::size_t i = 0; i < n.size(); ++i) n[i] = protocol::kFiltroArgs[i].name;
            return n;
        }();
        return names;
    }
    static int Position(TMember member, TKind kind) {
        const int position = protocol::FiltroPosition(member);
        if (protocol::kFiltroArgs[static_cast<std::size_t>(position - 1)].kind != kind)
            throw std::logic_error("GetBaixaPag_Filtro: argumento " + std::to_string(position) +
                                   " lido com outro tipo.");
        return position;
    }

    TArgs args_;
};

TWriteOffCriteria ReadCriteria(const TFiltroArgs& a) {
    using F = protocol::TFiltroCriteria;
    TWriteOffCriteria c;
    // Only compared, never stored: a longer company finds nothing, so it is bounded like a code.
    c.company = a.Text(&F::company, kMaxCodeLength);
    c.suppliers = a.List(&F::suppliers);
    c.documentFrom = a.Document(&F::documentFrom);
    c.documentTo = a.Document(&F::documentTo);
    c.originBranches = a.List(&F::originBranches);
    c.postingBranches = a.List(&F::postingBranches);
    c.paidFrom = a.Date(&F::paidFrom);
    c.paidTo = a.Date(&F::paidTo);
    c.writeOffTypes = a.List(&F::writeOffTypes);
    c.bankAccounts = a.List(&F::bankAccounts);
    c.amountFrom = a.Amount(&F::amountFrom);
    c.amountTo = a.Amount(&F::amountTo);
    c.dueFrom = a.Date(&F::dueFrom);
    c.dueTo = a.Date(&F::dueTo);
    c.payableTypes = a.List(&F::payableTypes);
    c.originalFrom = a.Amount(&F::originalFrom);
    c.originalTo = a.Amount(&F::originalTo);
    c.netFrom = a.Amount(&F::netFrom);
    c.netTo = a.Amount(&F::netTo);
    c.operators = a.List(&F::operators);
    c.enteredFrom = a.Date(&F::enteredFrom);
    c.enteredTo = a.Date(&F::enteredTo);
    c.accounting = a.Status(&F::accounting);
    return c;
}

// A failure reply; the call's log line says "failure".
Variant Failure(const std::string& message) {
    if (platform::TCallRecord* call = platform::CurrentCall()) call->outcome = "failure";
    return platform::ServerReplyFailure(message);
}

// Runs a method body; failures become failure replies. The messages this server raises for the
// user, and a cancelled call's, pass as they are; a database failure or any other exception is
// logged with a correlation id and the reply carries only that id.
template <class Body> Variant Replying(const char* method, Body&& body) {
    try {
        return body();
    } catch (const EBadArgument& e) { return Failure(e.Message()); } catch (const ERunRefused& e) {
        return Failure(e.Message());
    } catch (const platform::ECallCancelled& e) {
        // Past the call's deadline, or the server stopping: the deadline's own words.
        return Failure(e.Message());
    } catch (const platform::EDatabaseError& e) {
        return platform::ServerReplyFailure(
            platform::IncidentMessage(method, platform::LogIncident(method, e.what())));
    } catch (const platform::Exception& e) {
        return Failure(std::string(method) + ": " + e.Message());
    } catch (const std::exception& e) {
        return platform::ServerReplyFailure(
            platform::IncidentMessage(method, platform::LogIncident(method, e.what())));
    }
}

// Whether the operator may use the company (OPEREMPR).
bool MayUseCompany(platform::TSqlConnection& db, const std::string& operatorCode,
                   const std::string& company) {
    return db.SelectValue("SELECT COUNT(*) FROM OPEREMPR WHERE CDOPERADOR = :O AND CDEMPRESA = :C",
                          {{"O", operatorCode}, {"C", company}})
               .AsInteger() > 0;
}

bool CompanyExists(platform::TSqlConnection& db, const std::string& company) {
    return db.SelectValue("SELECT COUNT(*) FROM EMPRESA WHERE CDEMPRESA = :C", {{"C", company}})
               .AsInteger() > 0;
}

std::string NoAccess(const std::string& operatorCode, const std::string& company) {
    return "O operador \"" + operatorCode + "\" não tem acesso à empresa \"" + company + "\".";
}

// A list number as GetPrxLista writes it (ten digits, zero-padded); "" when it is not one.
std::string CanonicalListNumber(const std::string& text) {
    if (text.empty() || text.size() > static_cast<std::size_t>(kListNumberWidth)) return {};
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return {};
        value = value * 10 + (c - '0');
    }
    return value > 0 ? ZeroPadded(value, kListNumberWidth) : std::string();
}

// Appends a run's record; a failure to record is logged, never raised, so that it does not
// hide what happened to the run.
void RecordRun(TConnectionPool& pool, const TAuditRecord& record) {
    // A stopped run's own deadline has passed: the record gets a few seconds of its own.
    const platform::TCallDeadline recording(std::chrono::seconds(10));
    const platform::TCallDeadlineScope scope(recording);
    try {
        auto lease = pool.Acquire();
        try {
            AppendAudit(*lease, record);
        } catch (const platform::EDatabaseError&) {
            lease.Discard();
            throw;
        }
    } catch (const std::exception& e) {
        platform::LogIncident("SetConfirmar (auditoria)",
                              std::string("registro de auditoria não gravado: ") + e.what());
    }
}

// The request of SetConfirmar and of GetSimulacao (the same arguments without the list
// number), checked argument by argument; the session's part is the caller's to fill in.
TRunRequest ReadRunRequest(const TArgs& a, bool withListNumber, std::size_t maxMarked) {
    TRunRequest request;
    try {
        request.rows = ReadListPacket(a.Bytes(1));
    } catch (const EClientPacket& e) { a.Fail(1, e.Message()); }
    const std::size_t marked = static_cast<std::size_t>(
        std::count_if(request.rows.begin(), request.rows.end(),
                      [](const TListedWriteOff& row) { return row.marked; }));
    if (marked > maxMarked)
        a.Fail(1, std::to_string(marked) + " baixas marcadas; o servidor aceita até " +
                      std::to_string(maxMarked) + " por recálculo.");
    request.company = a.Text(2, kCompanyWidth);
    request.branch = a.Text(3, kBranchWidth);
    request.operatorCode = a.Text(4, kOperatorWidth);
    const int next = withListNumber ? 6 : 5;
    if (withListNumber) request.listNumber = a.Text(5, static_cast<std::size_t>(kListNumberWidth));
    request.paymentText = a.Text(next, kHistoryWidth);
    try {
        request.chequeHistory = CatalogueText(a.Bytes(next + 1), "Hist_Conta");
    } catch (const EClientPacket& e) { a.Fail(next + 1, e.Message()); }
    return request;
}

// The run acts for the session's operator, whoever the arguments name.
void CheckSessionOperator(const TRunRequest& request, const std::string& sessionOperator) {
    if (request.operatorCode != sessionOperator)
        throw ERunRefused("O operador informado (\"" + request.operatorCode +
                          "\") não é o operador desta sessão (\"" + sessionOperator + "\").");
}

} // namespace

std::string TRdmRecContBaixaPag::RegisteredName(const std::string& method) const {
    for (const char* name : {kFiltro, kPrxLista, kConfirmar, kSaida, kSimulacao})
        if (platform::SameText(method, name)) return name;
    return {};
}

Variant TRdmRecContBaixaPag::Invoke(const std::string& method, std::vector<Variant>& args) {
    // Late binding by name ignores case, as a dispatch interface does.
    if (platform::SameText(method, kPrxLista)) {
        platform::CheckArgKinds(kPrxLista, "", args); // no reply convention: raises
        return GetPrxLista();
    }
    static const std::string filtroKinds = protocol::FiltroKindLetters();
    const char* name = nullptr;
    const char* kinds = nullptr;
    if (platform::SameText(method, kFiltro))
        name = kFiltro, kinds = filtroKinds.c_str();
    else if (platform::SameText(method, kConfirmar))
        name = kConfirmar, kinds = kConfirmarKinds;
    else if (platform::SameText(method, kSaida))
        name = kSaida, kinds = "";
    else if (platform::SameText(method, kSimulacao))
        name = kSimulacao, kinds = kSimulacaoKinds;
    else
        throw platform::Exception("O objeto remoto " + std::string(kName) + " não tem o método " +
                                  platform::SanitizedText(method) + ".");
    try {
        platform::CheckArgKinds(name, kinds, args);
    } catch (const platform::Exception& e) { return Failure(e.Message()); }
    if (name == kFiltro) return GetBaixaPag_Filtro(args);
    if (name == kConfirmar) return SetConfirmar(args);
    if (name == kSimulacao) return GetSimulacao(args);
    return GetBaixaPag_Saida();
}

Variant TRdmRecContBaixaPag::GetBaixaPag_Filtro(std::vector<Variant>& args) {
    return Replying(kFiltro, [&] {
        const TWriteOffCriteria criteria = ReadCriteria(TFiltroArgs(args));
        auto lease = context_.pool.Acquire();
        try {
            // An unknown company has no write-offs to hide: its list is empty, as it always was.
            if (CompanyExists(*lease, criteria.company) &&
                !MayUseCompany(*lease, identity_.operatorCode, criteria.company))
                return Failure(std::string(kFiltro) + ": " +
                               NoAccess(identity_.operatorCode, criteria.company));
            return platform::ServerReplyOk(Variant::FromBytes(LoadWriteOffs(*lease, criteria)));
        } catch (const platform::EDatabaseError&) {
            lease.Discard();
            throw;
        }
    });
}

Variant TRdmRecContBaixaPag::GetPrxLista() {
    auto lease = context_.pool.Acquire();
    try {
        // Bounded: a session that only asks for numbers loses its oldest unused ones.
        return Variant(IssueSessionList(*lease, identity_.sessionId));
    } catch (const platform::EDatabaseError&) {
        lease.Discard();
        throw;
    }
}

Variant TRdmRecContBaixaPag::SetConfirmar(std::vector<Variant>& args) {
    return Replying(kConfirmar, [&] {
        TRunRequest request = ReadRunRequest(TArgs(kConfirmar, kConfirmarArgNames, args), true,
                                             context_.runOptions.maxMarked);
        request.clientAddress = identity_.clientAddress;
        request.session = identity_.sessionId;

        // A refusal names the session's operator, whoever the arguments name.
        TAuditRecord refusal = AuditRecordOf(request);
        refusal.operatorCode = identity_.operatorCode;
        // Refusals and stops are recorded here; a run that got as far as its checks of the
        // write-offs recorded itself.
        const auto record = [&](TAuditOutcome what, const std::string& reason) {
            refusal.outcome = what;
            refusal.reason = reason;
            RecordRun(context_.pool, refusal);
        };
        try {
            // The run acts for the session's operator and uses up a list number of this session.
            CheckSessionOperator(request, identity_.operatorCode);
            const std::string list = CanonicalListNumber(request.listNumber);
            auto lease = context_.pool.Acquire();
            bool posted = false;
            TRunOutcome outcome;
            try {
                if (list.empty() || !TakeSessionList(*lease, identity_.sessionId, list))
                    throw ERunRefused("O número de lista \"" + request.listNumber +
                                      "\" não foi fornecido pelo servidor a esta sessão "
                                      "(GetPrxLista) ou já foi usado.");
                try {
                    outcome = RunRecalculation(*lease, request, context_.runOptions, posted);
                } catch (const ERunRefused&) {
                    // Nothing ran: the number stays this session's.
                    ReturnSessionList(*lease, identity_.sessionId, list);
                    throw;
                }
            } catch (const platform::EDatabaseError&) {
                lease.Discard();
                throw;
            }
            return platform::ServerReplyOk(RunPayload(outcome));
        } catch (const ERunRefused& e) {
            record(TAuditOutcome::Refused, e.Message());
            throw;
        } catch (const platform::ECallCancelled& e) {
            record(TAuditOutcome::Stopped, e.Message());
            throw;
        } catch (const platform::EDatabaseError&) {
            record(TAuditOutcome::Stopped, "falha do banco de dados");
            throw;
        } catch (const std::exception&) {
            record(TAuditOutcome::Stopped, "falha inesperada");
            throw;
        }
    });
}

Variant TRdmRecContBaixaPag::GetSimulacao(std::vector<Variant>& args) {
    return Replying(kSimulacao, [&] {
        TRunRequest request = ReadRunRequest(TArgs(kSimulacao, kSimulacaoArgNames, args), false,
                                             context_.runOptions.maxMarked);
        request.simulation = true;
        request.clientAddress = identity_.clientAddress;
        request.session = identity_.sessionId;
        CheckSessionOperator(request, identity_.operatorCode);
        auto lease = context_.pool.Acquire();
        try {
            bool posted = false;
            return platform::ServerReplyOk(
                RunPayload(RunRecalculation(*lease, request, context_.runOptions, posted)));
        } catch (const platform::EDatabaseError&) {
            lease.Discard();
            throw;
        }
    });
}

Variant TRdmRecContBaixaPag::GetBaixaPag_Saida() {
    return Replying(kSaida, [&] {
        auto lease = context_.pool.Acquire();
        try {
            const std::string last = LastSessionList(*lease, identity_.sessionId);
            if (last.empty())
                return Failure(std::string(kSaida) +
                               ": nenhum recálculo foi concluído nesta sessão.");
            TSqlStatement statement = BuildListedWriteOffQuery(last);
            auto cursor = lease->OpenCursor(statement.text, statement.params);
            return platform::ServerReplyOk(Variant::FromBytes(WriteOffPacket(*cursor)));
        } catch (const platform::EDatabaseError&) {
            lease.Discard();
            throw;
        }
    });
}

} // namespace server
