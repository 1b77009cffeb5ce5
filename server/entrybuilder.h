// Builds the accounting entries of write-offs: lines, cost-centre apportionment and errors.
// The same entries are returned to the client and, when there is no error, posted.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "server/runoutcome.h"

namespace server {

/// An account of the company's chart.
struct TChartAccount {
    std::string reduced;
    std::string name;
    bool analytic = false;
    bool apportioned = false; // lines on it are charged to the branch's cost centre
};

/// A branch with its cost centre (empty when it has none).
struct TBranchInfo {
    std::string name;
    std::string costCentre;
    std::string costCentreName;
};

/// What every entry of one run shares.
struct TAccountingSetup {
    std::string company;
    std::string companyName;
    std::string historyCode; // the company's standard history for write-offs
    std::string historyText;
    std::string paymentText;   // the client's word for a payment ("Pagto")
    std::string chequeHistory; // the client's cheque history ("Cheque: [#CHQ]"); empty = none
    std::map<std::string, TChartAccount> chart;
    std::map<std::string, TBranchInfo> branches;
};

/// One payable settled by a write-off.
struct TSettledPayable {
    std::string document;
    std::string supplierName;
    std::string account; // the payable type's accounting account
    double paid = 0;
};

/// A write-off whose entry is built. Invariant: entryNumber is the number the entry gets.
struct TWriteOffSource {
    std::string branch;
    std::string number;
    platform::TDateTime paidOn = 0;
    double amount = 0;
    std::string cheque;
    std::string movement;
    std::string bankAccount; // accounting account of the bank account; empty when it has none
    std::vector<TSettledPayable> payables;
    std::string entryNumber;
};

/// Origin code of the entries of payment write-offs (IDLANCCTBCOME).
inline constexpr const char* kPaymentOrigin = "P";
/// The largest number of entry lines one run may produce (their sequences have 5 digits).
inline constexpr int kMaxEntryLines = 99999;

/// Appends the entries of write-offs to an outcome, numbering lines across the whole run.
/// Each write-off gets one debit line per settled payable (on the payable type's account, for
/// the amount paid) and one credit line on the bank's account for the write-off's amount.
class TEntryBuilder {
public:
    TEntryBuilder(const TAccountingSetup& setup, TRunOutcome& outcome);

    void Add(const TWriteOffSource& writeOff);

private:
    void AddLine(const TWriteOffSource& writeOff, const std::string& account, double amount,
                 const std::string& history, const std::string& document);

    const TAccountingSetup& setup_;
    TRunOutcome& outcome_;
    std::string base_; // the history every line starts with, joined once per run
    int lines_ = 0;
};

/// Text of a number left-padded with zeros to `width` digits.
std::string ZeroPadded(long long value, int width);

} // namespace server
