// What a recalculation run produces: result keys, provisional entries, apportionment and errors.
#pragma once

#include <string>
#include <vector>

#include "platform/fielddefs.h"
#include "platform/variant.h"

namespace server {

/// One result row: a code, the catalogue key whose text the client shows, and the sort key
/// that decides which row the client looks at (the first in sort-key order); then the
/// write-off concerned (empty when the key is not about one) and, for a boleto conflict, the
/// three values of its text's "%s": the boleto, the payable's document and the supplier's name.
struct TRunResult {
    std::string code;
    std::string key;
    std::string order;
    // Defaulted: a row given with the first three alone is complete.
    std::string branch = {};   // CDFILIAL
    std::string number = {};   // NRBAIXAPAG
    std::string boleto = {};   // NRLANBOLPAG
    std::string document = {}; // NRDOCUMENTO
    std::string supplier = {}; // NMRAZSOCFORN
};

/// One line of a provisional accounting entry. Amounts are signed: debit positive, credit
/// negative, so the lines of one entry sum to zero.
struct TEntryLine {
    std::string company;
    std::string companyName;
    std::string entryNumber; // the write-off's new NRLCTBBPAG
    std::string sequence;    // unique in the run; errors refer to it
    std::string branch;      // the write-off's branch
    std::string account;     // CDCONTCTBL, empty when none was found
    std::string reducedAccount;
    std::string accountName;
    std::string historyCode;
    std::string history;
    platform::TDateTime date = 0;
    double amount = 0;
    std::string originKind; // IDLANCCTBCOME
    std::string originKey;  // CDLANCCTBCOME: the write-off's key
    std::string document;   // CDDOCUCONT
};

/// The share of one entry line charged to one cost centre.
struct TApportionment {
    std::string company;
    std::string entryNumber;
    std::string sequence; // the entry line's
    std::string apportionmentSequence;
    std::string branch;
    std::string branchName;
    std::string costCentre;
    std::string costCentreName;
    double amount = 0;
    platform::TDateTime date = 0;
};

/// An accounting error of one entry line (codes in ERROCTB).
struct TEntryError {
    std::string code;
    std::string sequence;
};

/// Invariant: when results is not empty, nothing of the run was posted.
struct TRunOutcome {
    std::vector<TRunResult> results;
    std::vector<TEntryLine> entries;
    std::vector<TApportionment> apportionments;
    std::vector<TEntryError> errors;
};

// Accounting error codes.
inline constexpr const char* kErrNoAccount = "001";
inline constexpr const char* kErrUnknownAccount = "002";
inline constexpr const char* kErrSyntheticAccount = "003";
inline constexpr const char* kErrNoCostCentre = "004";

/// Field layouts of the four reply datasets.
const std::vector<platform::TFieldDef>& ResultFields();
const std::vector<platform::TFieldDef>& EntryFields();
const std::vector<platform::TFieldDef>& ApportionmentFields();
const std::vector<platform::TFieldDef>& ErrorFields();

/// The payload of a run's reply: a variant array 0..3 of the data packets of the results, the
/// entries, the apportionment and the errors.
platform::Variant RunPayload(const TRunOutcome& outcome);

} // namespace server
