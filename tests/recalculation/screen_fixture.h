// Shared set-up of the recalculation screen's tests: a demo application server over a temporary
// SQLite database, the host session pointing at it, recording services, and helpers that act
// on the screen as a person would.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/application.h"
#include "platform/recordingservices.h"
#include "platform/rpcserver.h"
#include "recalculation/cli_pag00900.h"

namespace rectest {

/// The day the demo data and the workstation's clock agree on as "today".
platform::TDateTime Today();

/// The demo server shared by every test of the program: started on first use on a free
/// loopback port, seeded with the demonstration data dated Today(); stopped at exit.
int DemoServerPort();
/// The URL of its database, which the host's queries read too.
const std::string& DemoDatabaseUrl();

/// A server of its own for failure cases: the remote object answers every call with what
/// `answer` returns (or raises), after `delay`.
class TFakeServer {
public:
    using TAnswer = std::function<platform::Variant(const std::string& method,
                                                    std::vector<platform::Variant>& args)>;
    explicit TFakeServer(TAnswer answer,
                         std::chrono::milliseconds delay = std::chrono::milliseconds(0));
    ~TFakeServer();
    int Port() const { return port_; }

private:
    platform::TRpcServer rpc_;
    int port_ = 0;
};

/// One write-off row for packets built by hand; empty optional texts and `nullDate`/`nullAmount`
/// give null values.
struct TRow {
    std::string filial = "0001";
    std::string numero;
    std::string status = "E";
    std::string marca = "N";
    std::string tipo = "Transferência Bancária";
    std::string agencia = "12345";
    std::string pictAgencia = "9999-9";
    std::string conta = "123456789";
    std::string pictConta = "99999999-9";
    std::string descConta = "BB Movimento";
    double valor = 1234.5;
    bool nullDate = false;
    bool nullAmount = false;
    bool nullAgency = false;
    bool nullAccount = false;
};

/// A data packet with the write-off record's fields (taken from the screen's list) and `rows`.
platform::Variant WriteOffPacket(const recalculation::TfrmRecContBaixaPag& screen,
                                 const std::vector<TRow>& rows);
/// `count` real, unmarked rows numbered from 1, in branch "0001".
std::vector<TRow> RealRows(int count);

class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Opens the screen as the host's IniProc does (inside the exception boundary).
    recalculation::TfrmRecContBaixaPag* Open();
    /// A person's action inside the application's exception boundary; false when it failed.
    bool Act(const std::function<void()>& action);
    /// The focus to the grid: the company panel is left.
    bool LeavePanel();
    /// The focus back into the company edit: the panel is entered.
    bool EnterPanel();
    /// Replaces the company code as a person does: select all, type `code`.
    void TypeCompany(const std::string& code);
    /// Loads a hand-built list into the screen (as a reload does).
    void LoadRows(const std::vector<TRow>& rows);
    /// Opens the screen, leaves the panel (the demo list loads), then loads `rows` as the list.
    void OpenWith(const std::vector<TRow>& rows);

    /// The transcript lines recorded so far, and only its errors.
    std::vector<std::string> Lines() const { return services.Lines(); }
    std::vector<std::string> Errors() const;
    std::vector<std::string> Questions() const;

    platform::TRecordingServices services;
    recalculation::TfrmRecContBaixaPag* screen = nullptr;
};

} // namespace rectest
