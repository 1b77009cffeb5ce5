// Builds the accounting entries of write-offs: lines, cost-centre apportionment and errors.
#include "server/entrybuilder.h"

#include <cmath>

#include "platform/sysutils.h"
#include "server/columnwidths.h"

namespace server {

namespace {

double Cents(double value) {
    return std::round(value * 100.0) / 100.0;
}

std::string Joined(std::initializer_list<std::string> parts) {
    std::string out;
    for (const std::string& part : parts) {
        std::string trimmed = platform::Trim(part);
        if (trimmed.empty()) continue;
        if (!out.empty()) out += ' ';
        out += trimmed;
    }
    return platform::Utf8Copy(out, 0, kHistoryWidth);
}

std::string ReplaceAll(std::string text, const std::string& what, const std::string& with) {
    for (std::size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

} // namespace

std::string ZeroPadded(long long value, int width) {
    std::string digits = std::to_string(value);
    if (digits.size() < static_cast<std::size_t>(width))
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    return digits;
}

TEntryBuilder::TEntryBuilder(const TAccountingSetup& setup, TRunOutcome& outcome)
    : setup_(setup), outcome_(outcome), base_(Joined({setup.paymentText, setup.historyText})) {}

void TEntryBuilder::Add(const TWriteOffSource& w) {
    const std::string& base = base_;
    if (w.payables.empty()) {
        // Nothing says which account the payment settles: one debit line without an account.
        AddLine(w, std::string(), Cents(w.amount), base, std::string());
    }
    for (const TSettledPayable& p : w.payables) {
        std::string supplier = platform::Trim(p.supplierName);
        AddLine(w, p.account, Cents(p.paid),
                Joined({base, "doc. " + p.document, supplier.empty() ? "" : "- " + supplier}),
                p.document);
    }

    std::string chequeText;
    if (!platform::Trim(w.cheque).empty() && !setup_.chequeHistory.empty())
        chequeText = "- " + ReplaceAll(setup_.chequeHistory, "[#CHQ]", platform::Trim(w.cheque));
    AddLine(w, w.bankAccount, -Cents(w.amount),
            Joined({base, w.branch + "/" + w.number, chequeText}), w.movement);
}

void TEntryBuilder::AddLine(const TWriteOffSource& w, const std::string& account, double amount,
                            const std::string& history, const std::string& document) {
    if (++lines_ > kMaxEntryLines)
        throw platform::Exception("A lista marcada gera mais de " + std::to_string(kMaxEntryLines) +
                                  " linhas de lançamento; recalcule as baixas em partes.");
    TEntryLine line;
    line.company = setup_.company;
    line.companyName = setup_.companyName;
    line.entryNumber = w.entryNumber;
    line.sequence = ZeroPadded(lines_, 5);
    line.branch = w.branch;
    line.account = account;
    line.historyCode = setup_.historyCode;
    line.history = history;
    line.date = w.paidOn;
    line.amount = amount;
    line.originKind = kPaymentOrigin;
    line.originKey = w.branch + w.number;
    line.document = document;

    const TChartAccount* chartAccount = nullptr;
    if (account.empty()) {
        outcome_.errors.push_back({kErrNoAccount, line.sequence});
    } else if (auto it = setup_.chart.find(account); it == setup_.chart.end()) {
        outcome_.errors.push_back({kErrUnknownAccount, line.sequence});
    } else {
        chartAccount = &it->second;
        line.reducedAccount = chartAccount->reduced;
        line.accountName = chartAccount->name;
        if (!chartAccount->analytic)
            outcome_.errors.push_back({kErrSyntheticAccount, line.sequence});
    }

    if (chartAccount != nullptr && chartAccount->apportioned) {
        auto branch = setup_.branches.find(w.branch);
        if (branch == setup_.branches.end() || branch->second.costCentre.empty()) {
            outcome_.errors.push_back({kErrNoCostCentre, line.sequence});
        } else {
            TApportionment share;
            share.company = setup_.company;
            share.entryNumber = w.entryNumber;
            share.sequence = line.sequence;
            share.apportionmentSequence = ZeroPadded(1, 5);
            share.branch = w.branch;
            share.branchName = branch->second.name;
            share.costCentre = branch->second.costCentre;
            share.costCentreName = branch->second.costCentreName;
            share.amount = amount;
            share.date = w.paidOn;
            outcome_.apportionments.push_back(std::move(share));
        }
    }
    outcome_.entries.push_back(std::move(line));
}

} // namespace server
