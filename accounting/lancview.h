// What the accounting screen shows for its five parameters, built before the screen changes.
#pragma once

#include <string>

#include "accounting/lancparams.h"
#include "host/adoibquery.h"
#include "platform/variant.h"

namespace accounting {

/// Where the entries shown come from.
enum class TLancOrigem {
    Provisorio, // handed over by the caller (a recalculation that could not post)
    Efetivado,  // read from the database: the posted entry of an entry number
};

/// The screen's content. Invariant: lancamentos, rateio and erros are data packets in the
/// layouts of DefineLancamentos, DefineRateio and DefineErros; the counts and totals are
/// theirs.
struct TLancView {
    TLancOrigem origem = TLancOrigem::Provisorio;
    std::string empresa;
    std::string nmEmpresa;  // from the entries; empty without them
    std::string nrLanc;     // the posted entry's number; empty for provisional entries
    bool simulacao = false; // provisional entries of a simulation: nothing was posted
    platform::Variant lancamentos, rateio, erros;
    int qtLancamentos = 0, qtRateio = 0, qtErros = 0;
    double debitos = 0, creditos = 0;

    /// One line that says what is shown ("Lançamentos provisórios. A contabilização não foi
    /// concluída: 2 erros.", "Lançamento contábil 000000000012 não encontrado."...).
    std::string Situacao() const;
    /// "Débitos: 1.234,56    Créditos: 1.234,56".
    std::string Totais() const;
};

/// Builds the content. With an entry number and no rows handed over, the posted entry of that
/// number (and company, when one is given) is read with the two queries (laid out by
/// DefineQryLancCtb and DefineQryRateioCtb; opened, read and closed here). Otherwise the rows
/// handed over are shown as provisional entries, each error with its description and the
/// account and write-off (branch/number) of the entry line it refers to. Raises platform::Exception
/// (Portuguese) for packets that cannot be read, and the database's error when the queries fail.
TLancView MontaLancView(const TLancParams& params, host::TADOIBQuery& qryLancCtb,
                        host::TADOIBQuery& qryRateioCtb);

} // namespace accounting
