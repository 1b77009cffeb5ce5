// The layouts of the accounting screen's three datasets, and the copying of rows into them.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>

#include "platform/dataset.h"

namespace accounting {

/// Entry lines: the fields of the provisional entries as the recalculation hands them over
/// (CDEMPRESA, NMEMPRESA, NRLANCCTBTEMP, NRSEQCTBTEMP, DTLANCCTBTEMP, CDCONTCTBL, CDCONTREDU,
/// NMCONTCTBL, CDHISTPADR, DSHISTCTB, VRLANCCTBTEMP, IDLANCCTBCOME, CDLANCCTBCOME, CDDOCUCONT)
/// plus VRDEBITO and VRCREDITO, the signed amount split into its debit (positive or zero) and
/// credit (negative, shown positive) side; the side not used is null.
void DefineLancamentos(platform::TClientDataSet& cds);
/// Apportionment lines: CDEMPRESA, NRLANCCTBTEMP, NRSEQCTBTEMP, NRSEQRATTEMP, CDFILIAL,
/// NMFILIAL, CDCENTCUST, NMCENTCUST, VRLANCCUST, DTCOMPCTBTEMP.
void DefineRateio(platform::TClientDataSet& cds);
/// Errors: CDERROTEMP, DSERRO (its description), NRSEQCTBTEMP (the entry line's sequence) and
/// CDCONTCTBL (that line's account, when the entries hold the line).
void DefineErros(platform::TClientDataSet& cds);

/// Fills a row being appended with values worked out from the source's current row.
using TRowExtra =
    std::function<void(platform::TRowAppender& row, const platform::TDataSet& source)>;

/// Opens `target` (laid out by one of the Define functions) empty and appends one row per row
/// of `source`, copying each field of `target` that `source` has by the same name (ignoring
/// case), then running `extra`. A closed `source` gives no rows. The fields named in `required`
/// must be in an open `source`. Raises platform::Exception "Não foi possível ler <what>: ..."
/// when a field is missing or a value does not convert; `target` is then closed.
void CopiaLinhas(platform::TDataSet& source, platform::TClientDataSet& target,
                 std::initializer_list<const char*> required, const std::string& what,
                 const TRowExtra& extra = {});

} // namespace accounting
