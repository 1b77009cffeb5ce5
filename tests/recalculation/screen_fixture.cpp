// The recalculation screen's test set-up: demo server, session, clock, services and helpers.
#include "screen_fixture.h"

#include <unistd.h>

#include <filesystem>
#include <thread>

#include "host/dbgeral.h"
#include "host/session.h"
#include "platform/datapacket.h"
#include "platform/datetime.h"
#include "platform/netconnection.h"
#include "server/pagserver.h"
#include "server/passwords.h"
#include "server/seed.h"

namespace rectest {

namespace {

class TDemoServer {
public:
    TDemoServer() {
        directory_ = (std::filesystem::temp_directory_path() /
                      ("pag-recalc-test-" + std::to_string(getpid())))
                         .string();
        std::filesystem::create_directories(directory_);
        url_ = "sqlite:" + directory_ + "/pag.db";
        server::TServerOptions options;
        options.databaseUrl = url_;
        options.port = 0;
        options.threads = 4;
        server_ = std::make_unique<server::TPagServer>(options);
        {
            auto lease = server_->Pool().Acquire();
            server::SeedDemo(*lease, Today());
        }
        server_->Start();
        // One login for the program: every test's session presents its token.
        platform::TNetConnection login;
        login.SetServerName(server::TRdmRecContBaixaPag::kName);
        login.SetHost("127.0.0.1");
        login.SetPort(server_->Port());
        token_ = login.Login(server::kDemoOperator, server::kDemoPassword);
    }
    ~TDemoServer() {
        server_->Stop();
        server_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }
    int Port() const { return server_->Port(); }
    const std::string& Url() const { return url_; }
    const std::string& Token() const { return token_; }

private:
    std::string directory_;
    std::string url_;
    std::string token_;
    std::unique_ptr<server::TPagServer> server_;
};

TDemoServer& Demo() {
    static TDemoServer demo;
    return demo;
}

class TFakeObject : public platform::TRemoteObject {
public:
    TFakeObject(TFakeServer::TAnswer answer, std::chrono::milliseconds delay)
        : answer_(std::move(answer)), delay_(delay) {}
    platform::Variant Invoke(const std::string& method,
                             std::vector<platform::Variant>& args) override {
        if (delay_.count() > 0) std::this_thread::sleep_for(delay_);
        return answer_(method, args);
    }

private:
    TFakeServer::TAnswer answer_;
    std::chrono::milliseconds delay_;
};

} // namespace

platform::TDateTime Today() {
    return platform::EncodeDate(2024, 3, 15);
}

int DemoServerPort() {
    return Demo().Port();
}

const std::string& DemoDatabaseUrl() {
    return Demo().Url();
}

TFakeServer::TFakeServer(TAnswer answer, std::chrono::milliseconds delay) {
    rpc_.RegisterObject(server::TRdmRecContBaixaPag::kName, [answer = std::move(answer), delay] {
        return std::make_unique<TFakeObject>(answer, delay);
    });
    port_ = rpc_.Listen("127.0.0.1", 0);
}

TFakeServer::~TFakeServer() {
    rpc_.Stop();
}

platform::Variant WriteOffPacket(const recalculation::TfrmRecContBaixaPag& screen,
                                 const std::vector<TRow>& rows) {
    platform::TClientDataSet list;
    for (const platform::TField* field : screen.cdsBaixaPag->Fields())
        list.FieldDefs().Add(field->FieldName(), field->DataType(), field->Size());
    list.CreateDataSet();
    auto set = [&list](const char* name, const std::string& value) {
        list.FieldByName(name)->SetAsString(value);
    };
    for (const TRow& row : rows) {
        list.Append();
        set("CDFILIAL", row.filial);
        set("NRBAIXAPAG", row.numero);
        set("CDEMPRESA", "01");
        set("NRMOVBANC", "M" + row.numero);
        set("IDSTATUSBPAG", row.status);
        set("IDMARCADO", row.marca);
        set("CDBANCO", "001");
        if (!row.nullAgency) set("CDAGENCIA", row.agencia);
        set("CDPICTAGEN", row.pictAgencia);
        if (!row.nullAccount) set("CDCONTCORR", row.conta);
        set("CDPICTCONT", row.pictConta);
        set("DSCONTCORR", row.descConta);
        set("NMTPBAIXAPAG", row.tipo);
        if (!row.nullDate) list.FieldByName("DTBAIXAPAG")->SetAsDateTime(Today());
        if (!row.nullAmount) list.FieldByName("VRBAIXAPAG")->SetAsFloat(row.valor);
        list.Post();
    }
    return platform::Variant::FromBytes(platform::EncodePacket(list));
}

std::vector<TRow> RealRows(int count) {
    std::vector<TRow> rows(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%010d", i + 1);
        rows[static_cast<std::size_t>(i)].numero = number;
    }
    return rows;
}

void ScreenTest::SetUp() {
    platform::Application().SetServices(&services);
    host::ResetSession();
    host::THostSession& session = host::Session();
    session.serverHost = "127.0.0.1";
    session.serverPort = DemoServerPort();
    session.databaseUrl = DemoDatabaseUrl();
    session.operatorCode = server::kDemoOperator;
    session.token = Demo().Token();
    session.company = "01";
    session.branch = server::kDemoBranch;
    platform::SetClock([] { return Today() + 0.4; });
    recalculation::UnitStartup();
}

void ScreenTest::TearDown() {
    platform::Application().DestroyForms();
    platform::Application().SetCursor(platform::crDefault);
    platform::Application().SetServices(nullptr);
    platform::SetClock({});
    host::Dbgeral::ClearConnection();
    host::ResetSession();
}

recalculation::TfrmRecContBaixaPag* ScreenTest::Open() {
    EXPECT_TRUE(Act([] { recalculation::CriaRecContBaixaPag(); }));
    screen = recalculation::boStCriado ? recalculation::frmRecContBaixaPag : nullptr;
    return screen;
}

bool ScreenTest::Act(const std::function<void()>& action) {
    return platform::Application().Run(action);
}

bool ScreenTest::LeavePanel() {
    return Act([this] { screen->dbgPadrao->SetFocus(); });
}

bool ScreenTest::EnterPanel() {
    return Act([this] { screen->medCdEmpresa->SetFocus(); });
}

void ScreenTest::TypeCompany(const std::string& code) {
    ASSERT_TRUE(Act([this] { screen->medCdEmpresa->SetFocus(); }));
    ASSERT_TRUE(Act([this, code] {
        screen->medCdEmpresa->SelectAll();
        screen->PressKey(platform::VK_DELETE, 0);
        screen->TypeText(code);
    }));
}

void ScreenTest::LoadRows(const std::vector<TRow>& rows) {
    ASSERT_TRUE(
        Act([this, &rows] { screen->cdsBaixaPag->SetData(WriteOffPacket(*screen, rows)); }));
}

void ScreenTest::OpenWith(const std::vector<TRow>& rows) {
    ASSERT_NE(Open(), nullptr);
    ASSERT_TRUE(LeavePanel());
    LoadRows(rows);
}

std::vector<std::string> ScreenTest::Errors() const {
    std::vector<std::string> errors;
    for (const platform::TServiceEvent& e : services.Events())
        if (e.kind == platform::TServiceEvent::Error) errors.push_back(e.text);
    return errors;
}

std::vector<std::string> ScreenTest::Questions() const {
    std::vector<std::string> questions;
    for (const platform::TServiceEvent& e : services.Events())
        if (e.kind == platform::TServiceEvent::Message &&
            e.dlgType == platform::TMsgDlgType::mtConfirmation)
            questions.push_back(e.text);
    return questions;
}

} // namespace rectest
