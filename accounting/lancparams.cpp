// The five parameters of the accounting screen: checked and read.
#include "accounting/lancparams.h"

#include "platform/sysutils.h"

namespace accounting {

using platform::Exception;
using platform::Variant;
using platform::VarType;

namespace {

std::string Texto(const Variant& value, const char* what) {
    switch (value.Type()) {
    case VarType::Empty:
    case VarType::Null: return "";
    case VarType::String:
    case VarType::Integer: return platform::Trim(value.AsString());
    default:
        throw Exception(std::string("Parâmetro inválido para a tela CTB10200: ") + what +
                        " deve ser um texto, não " + Variant::TypeName(value.Type()) + ".");
    }
}

Variant Pacote(const Variant& value, const char* what) {
    switch (value.Type()) {
    case VarType::Empty:
    case VarType::Null:
    case VarType::Bytes: return value;
    default:
        throw Exception(std::string("Parâmetro inválido para a tela CTB10200: ") + what +
                        " deve ser um pacote de dados, não " + Variant::TypeName(value.Type()) +
                        ".");
    }
}

} // namespace

TLancParams LeLancParams(const Variant& params) {
    const bool forma = params.IsArray() && params.LowBound() == 0 &&
                       (params.HighBound() == 4 ||
                        (params.HighBound() == 5 && params[5].Type() == VarType::Boolean));
    if (!forma)
        throw Exception("A tela CTB10200 espera cinco parâmetros (índices 0 a 4): empresa, número "
                        "do lançamento, lançamentos, rateio e erros; e, se houver um sexto "
                        "(índice 5), o valor lógico que diz se é uma simulação.");
    TLancParams p;
    p.empresa = Texto(params[0], "a empresa");
    p.nrLanc = Texto(params[1], "o número do lançamento");
    p.lancamentos = Pacote(params[2], "os lançamentos");
    p.rateio = Pacote(params[3], "o rateio");
    p.erros = Pacote(params[4], "os erros");
    p.simulacao = params.HighBound() == 5 && params[5].AsBoolean();
    return p;
}

} // namespace accounting
