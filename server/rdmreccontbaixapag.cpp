// The remote object "PAG00900.rdmRecContBaixaPag": argument checks, the four methods and their replies.
#include "server/rdmreccontbaixapag.h"

#include <cmath>

#include "platform/serverreply.h"
#include "server/clientpackets.h"
#include "server/codelist.h"
#include "server/counters.h"
#include "server/writeofflist.h"

namespace server {

using platform::Variant;
using platform::VarType;

namespace {

constexpr const char* kFiltro = "GetBaixaPag_Filtro";
constexpr const char* kPrxLista = "GetPrxLista";
constexpr const char* kConfirmar = "SetConfirmar";
constexpr const char* kSaida = "GetBaixaPag_Saida";

constexpr const char* kFiltroKinds = "SSSSSSDDSSFFDDSFFFFSDDS";
constexpr const char* kConfirmarKinds = "VSSSSSV";

// Automation dates of 1 January 0001 and 31 December 9999.
constexpr double kFirstDate = -693593.0;
constexpr double kLastDate = 2958465.0;

const char* const kFiltroArgNames[] = {
    "empresa",
    "lista de fornecedores",
    "documento inicial",
    "documento final",
    "lista de filiais de origem",
    "lista de filiais de lançamento",
    "pagamento inicial",
    "pagamento final",
    "lista de tipos de baixa",
    "lista de contas correntes",
    "valor da baixa inicial",
    "valor da baixa final",
    "vencimento inicial",
    "vencimento final",
    "lista de tipos de conta a pagar",
    "valor original inicial",
    "valor original final",
    "valor líquido inicial",
    "valor líquido final",
    "lista de operadores",
    "lançamento inicial",
    "lançamento final",
    "situação contábil",
};

const char* const kConfirmarArgNames[] = {
    "lista de baixas", "empresa", "filial", "operador", "número da lista", "texto de pagamento",
    "mensagens",
};

// A bad argument: the message names the method, the argument's position and its meaning.
class EBadArgument : public platform::Exception {
public:
    EBadArgument(const char* method, int position, const char* name, const std::string& what)
        : Exception(std::string(method) + ": o argumento " + std::to_string(position) + " (" + name +
                    ") é inválido: " + what) {}
};

class TArgs {
public:
    TArgs(const char* method, const char* const* names, std::vector<Variant>& args)
        : method_(method), names_(names), args_(args) {}

    const Variant& At(int position) const { return args_[static_cast<std::size_t>(position - 1)]; }
    [[noreturn]] void Fail(int position, const std::string& what) const {
        throw EBadArgument(method_, position, names_[position - 1], what);
    }
    std::string Text(int position) const { return At(position).AsString(); }
    std::vector<std::string> List(int position) const {
        try {
            return ParseCodeList(At(position).AsString());
        } catch (const ECodeListError& e) {
            Fail(position, e.Message());
        }
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
        if (platform::Utf8Length(value) > static_cast<std::size_t>(kDocumentWidth))
            Fail(position, "mais de " + std::to_string(kDocumentWidth) + " caracteres.");
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

TWriteOffCriteria ReadCriteria(const TArgs& a) {
    TWriteOffCriteria c;
    c.company = a.Text(1);
    c.suppliers = a.List(2);
    c.documentFrom = a.Document(3);
    c.documentTo = a.Document(4);
    c.originBranches = a.List(5);
    c.postingBranches = a.List(6);
    c.paidFrom = a.Date(7);
    c.paidTo = a.Date(8);
    c.writeOffTypes = a.List(9);
    c.bankAccounts = a.List(10);
    c.amountFrom = a.Amount(11);
    c.amountTo = a.Amount(12);
    c.dueFrom = a.Date(13);
    c.dueTo = a.Date(14);
    c.payableTypes = a.List(15);
    c.originalFrom = a.Amount(16);
    c.originalTo = a.Amount(17);
    c.netFrom = a.Amount(18);
    c.netTo = a.Amount(19);
    c.operators = a.List(20);
    c.enteredFrom = a.Date(21);
    c.enteredTo = a.Date(22);
    const std::string status = a.Text(23);
    if (status != "C" && status != "N" && status != "T")
        a.Fail(23, "esperado \"C\", \"N\" ou \"T\", recebido \"" + status + "\".");
    c.accounting = status[0];
    return c;
}

// Runs a method body; failures become failure replies, and a database failure also retires
// the connection it happened on.
template <class Body> Variant Replying(const char* method, Body&& body) {
    try {
        return body();
    } catch (const EBadArgument& e) {
        return platform::ServerReplyFailure(e.Message());
    } catch (const ERunRefused& e) {
        return platform::ServerReplyFailure(e.Message());
    } catch (const platform::Exception& e) {
        return platform::ServerReplyFailure(std::string(method) + ": " + e.Message());
    }
}

} // namespace

Variant TRdmRecContBaixaPag::Invoke(const std::string& method, std::vector<Variant>& args) {
    // Late binding by name ignores case, as a dispatch interface does.
    if (platform::SameText(method, kPrxLista)) {
        platform::CheckArgKinds(kPrxLista, "", args);  // no reply convention: raises
        return GetPrxLista();
    }
    const char* name = nullptr;
    const char* kinds = nullptr;
    if (platform::SameText(method, kFiltro)) name = kFiltro, kinds = kFiltroKinds;
    else if (platform::SameText(method, kConfirmar)) name = kConfirmar, kinds = kConfirmarKinds;
    else if (platform::SameText(method, kSaida)) name = kSaida, kinds = "";
    else
        throw platform::Exception("O objeto remoto " + std::string(kName) + " não tem o método " +
                                  method + ".");
    try {
        platform::CheckArgKinds(name, kinds, args);
    } catch (const platform::Exception& e) {
        return platform::ServerReplyFailure(e.Message());
    }
    if (name == kFiltro) return GetBaixaPag_Filtro(args);
    if (name == kConfirmar) return SetConfirmar(args);
    return GetBaixaPag_Saida();
}

Variant TRdmRecContBaixaPag::GetBaixaPag_Filtro(std::vector<Variant>& args) {
    return Replying(kFiltro, [&] {
        const TWriteOffCriteria criteria = ReadCriteria(TArgs(kFiltro, kFiltroArgNames, args));
        auto lease = context_.pool.Acquire();
        try {
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
        return Variant(NextListNumber(*lease));
    } catch (const platform::EDatabaseError&) {
        lease.Discard();
        throw;
    }
}

Variant TRdmRecContBaixaPag::SetConfirmar(std::vector<Variant>& args) {
    return Replying(kConfirmar, [&] {
        TArgs a(kConfirmar, kConfirmarArgNames, args);
        TRunRequest request;
        try {
            request.rows = ReadListPacket(a.Bytes(1));
        } catch (const EClientPacket& e) {
            a.Fail(1, e.Message());
        }
        request.company = a.Text(2);
        request.branch = a.Text(3);
        request.operatorCode = a.Text(4);
        request.listNumber = a.Text(5);
        request.previousListNumber = lastListNumber_;
        request.paymentText = a.Text(6);
        try {
            request.chequeHistory = CatalogueText(a.Bytes(7), "Hist_Conta");
        } catch (const EClientPacket& e) {
            a.Fail(7, e.Message());
        }
        auto lease = context_.pool.Acquire();
        bool posted = false;
        TRunOutcome outcome;
        try {
            outcome = RunRecalculation(*lease, request, context_.runOptions, posted);
        } catch (const platform::EDatabaseError&) {
            lease.Discard();
            throw;
        }
        if (posted) lastListNumber_ = IssuedListNumber(*lease, request.listNumber);
        return platform::ServerReplyOk(RunPayload(outcome));
    });
}

Variant TRdmRecContBaixaPag::GetBaixaPag_Saida() {
    return Replying(kSaida, [&] {
        if (lastListNumber_.empty())
            return platform::ServerReplyFailure(std::string(kSaida) +
                                                ": nenhum recálculo foi concluído nesta sessão.");
        auto lease = context_.pool.Acquire();
        try {
            TSqlStatement statement = BuildListedWriteOffQuery(lastListNumber_);
            auto cursor = lease->OpenCursor(statement.text, statement.params);
            return platform::ServerReplyOk(Variant::FromBytes(WriteOffPacket(*cursor)));
        } catch (const platform::EDatabaseError&) {
            lease.Discard();
            throw;
        }
    });
}

} // namespace server
