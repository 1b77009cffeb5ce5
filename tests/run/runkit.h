// The recalculation run's tests: the screen open on a scripted application server that records
// every call, with a list of write-offs loaded and the accounting screen's opening recorded.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "screen_fixture.h"
#include "server/runoutcome.h"

namespace runtest {

/// What the scripted server answers and what reached it. Invariant: guarded by `mutex` (the
/// server answers on its own threads).
struct TScript {
    std::mutex mutex;
    std::vector<std::string> calls;              // method names, in order
    std::vector<platform::Variant> confirmArgs;  // the last SetConfirmar's seven arguments
    std::vector<platform::Variant> filtroArgs;   // the last GetBaixaPag_Filtro's arguments
    std::vector<platform::Variant> simulateArgs; // the last GetSimulacao's arguments
    platform::Variant filtroReply, confirmReply, saidaReply, simulateReply; // whole replies
    std::string listNumber = "0000000042";                                  // GetPrxLista's answer
    std::string listNumberBack = "0000000042-S"; // left in SetConfirmar's fifth argument
};

/// A reply of SetConfirmar carrying `outcome`.
platform::Variant ConfirmReply(const server::TRunOutcome& outcome);
/// An outcome with result rows (code, key, sort key) and no entries.
server::TRunOutcome Results(std::vector<server::TRunResult> results);
/// An outcome with two provisional entry lines, the second in error "001".
server::TRunOutcome WithErrors();

class RunTest : public rectest::ScreenTest {
protected:
    void SetUp() override;
    void TearDown() override;

    /// The rows the first load shows: five real write-offs, numbers 1 to 5 of branch "0001".
    virtual std::vector<rectest::TRow> FirstRows() { return rectest::RealRows(5); }

    /// Sets the list packet GetBaixaPag_Filtro and GetBaixaPag_Saida answer.
    void ServeRows(const std::vector<rectest::TRow>& filtro,
                   const std::vector<rectest::TRow>& saida);
    /// Marks the write-off at `recNo` (1-based) as a person's double-click does.
    void Mark(int recNo);
    /// A click on the confirm command; false when it ended in a failure (silent or shown).
    bool Confirm();
    /// Opens the filter dialog as its command does and confirms it with item `contabilizacao`
    /// of its accounting choice (0 "Contabilizadas", 1 "Não contabilizadas", 2 "Ambos");
    /// false when the opening failed.
    bool ConfirmFilterDialog(int contabilizacao);
    /// The methods called so far, and forgetting them.
    std::vector<std::string> Calls();
    void ForgetCalls();
    /// The parameters LoadBPL handed to CTB10200, one entry per opening.
    std::vector<platform::Variant> openedCtb;

    TScript script;
    std::unique_ptr<rectest::TFakeServer> fake;
};

} // namespace runtest
