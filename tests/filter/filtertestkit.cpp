// The filter dialog's test fixture: demo database, recording application server, the open screen.
#include "filtertestkit.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "host/consiste.h"
#include "host/dbgeral.h"
#include "host/session.h"
#include "platform/application.h"
#include "platform/comctrls.h"
#include "platform/datetime.h"
#include "platform/rpcserver.h"
#include "protocol/filtroargs.h"
#include "server/connectionpool.h"
#include "server/rdmreccontbaixapag.h"
#include "server/schema.h"
#include "server/seed.h"
#include "testdatabase.h"

namespace filtertest {

using platform::Application;
using platform::Variant;

namespace {

// The real remote object behind a recorder of the filter queries.
class TRecordingObject : public platform::TRemoteObject {
public:
    TRecordingObject(TServerLog& log, server::TServerContext& context)
        // This server has no login: its sessions act as the demo operator.
        : log_(log),
          real_(context, platform::TSessionIdentity{server::kDemoOperator, "127.0.0.1", "filtro"}) {
    }

    Variant Invoke(const std::string& method, std::vector<Variant>& args) override {
        if (platform::SameText(method, "GetBaixaPag_Filtro")) {
            std::function<std::optional<Variant>(std::vector<Variant>&)> intercept;
            {
                std::lock_guard<std::mutex> lock(log_.mutex);
                log_.queries.push_back(args);
                intercept = log_.intercept;
            }
            if (intercept)
                if (std::optional<Variant> answer = intercept(args)) return *answer;
        }
        return real_.Invoke(method, args);
    }

private:
    TServerLog& log_;
    server::TRdmRecContBaixaPag real_;
};

// What lives for the whole test program.
struct TSuite {
    servertest::TTestDatabase database{servertest::TBackend::SQLite};
    server::TConnectionPool pool{database.Url()};
    server::TServerContext context{pool, {}};
    TServerLog log;
    platform::TRpcServer rpc;
    int port = 0;
    std::string configDir;
};

TSuite* suite = nullptr;

platform::TTabSheet* PaginaDe(platform::TControl* control) {
    for (platform::TControl* c = control; c; c = c->Parent())
        if (auto* sheet = dynamic_cast<platform::TTabSheet*>(c)) return sheet;
    return nullptr;
}

} // namespace

platform::TDateTime Hoje() {
    return platform::EncodeDate(2024, 6, 14);
}

TServerLog& TFilterTest::Log() {
    return suite->log;
}

void TFilterTest::SetUpTestSuite() {
    platform::SetClock([] { return Hoje() + 0.4; }); // 09:36 on the test day
    suite = new TSuite;
    {
        auto lease = suite->pool.Acquire();
        server::EnsureSchema(*lease);
    }
    suite->rpc.RegisterObject(server::TRdmRecContBaixaPag::kName, [] {
        return std::make_unique<TRecordingObject>(suite->log, suite->context);
    });
    suite->port = suite->rpc.Listen("127.0.0.1", 0);
    suite->configDir =
        (std::filesystem::temp_directory_path() / ("pag-filter-test-" + std::to_string(::getpid())))
            .string();
}

void TFilterTest::TearDownTestSuite() {
    suite->rpc.Stop();
    std::filesystem::remove_all(suite->configDir);
    delete suite;
    suite = nullptr;
    platform::SetClock({});
}

void TFilterTest::SetUp() {
    {
        auto lease = suite->pool.Acquire();
        server::SeedDemo(*lease, Hoje());
    }
    {
        std::lock_guard<std::mutex> lock(suite->log.mutex);
        suite->log.queries.clear();
        suite->log.intercept = nullptr;
    }
    std::filesystem::remove_all(suite->configDir);
    ::setenv("XDG_CONFIG_HOME", suite->configDir.c_str(), 1);

    host::ResetSession();
    host::Session().databaseUrl = suite->database.Url();
    host::Session().serverHost = "127.0.0.1";
    host::Session().serverPort = suite->port;
    host::Session().company = "01";
    host::Session().operatorCode = server::kDemoOperator;
    host::Dbgeral::ClearConnection();

    Application().SetServices(&services_);
    ASSERT_TRUE(Acao([] { recalculation::CriaRecContBaixaPag(); }));
    ASSERT_TRUE(recalculation::boStCriado);
    ASSERT_TRUE(Erros().empty()) << Erros().front();
    SaiDoPainel();
    ASSERT_TRUE(Tela().cdsBaixaPag->Active());
    EsqueceConsultas();
    services_.ClearEvents();
}

void TFilterTest::TearDown() {
    services_.OnShowModal = nullptr;
    Application().Run([] { Application().DestroyForms(); });
    EXPECT_EQ(filter::frmFiltroBaixa, nullptr);
    filter::boFiltro = false;
    filter::UnitShutdown();
    {
        std::lock_guard<std::mutex> lock(suite->log.mutex);
        suite->log.intercept = nullptr;
    }
    Application().SetServices(nullptr);
    host::Dbgeral::ClearConnection();
    host::ResetSession();
    ::unsetenv("XDG_CONFIG_HOME");
}

void TFilterTest::SaiDoPainel() {
    Foca(Tela().dbgPadrao);
}

void TFilterTest::Abre(const std::function<void(filter::TfrmFiltroBaixa&)>& inside) {
    services_.OnShowModal = [&inside](platform::TForm& form) {
        if (inside) inside(static_cast<filter::TfrmFiltroBaixa&>(form));
        return form.ModalResult() != platform::mrNone ? form.ModalResult() : platform::mrCancel;
    };
    Acao([] { filter::CriaFiltroBaixaPag(); });
    services_.OnShowModal = nullptr;
}

bool TFilterTest::Acao(const std::function<void()>& action) {
    return Application().Run(action);
}

bool TFilterTest::Clica(platform::TControl* control) {
    if (platform::TTabSheet* sheet = PaginaDe(control); sheet && !sheet->Visible())
        Acao([sheet] { sheet->UserClick(); });
    return Acao([control] { control->UserClick(); });
}

void TFilterTest::Foca(platform::TWinControl* control) {
    if (platform::TTabSheet* sheet = PaginaDe(control); sheet && !sheet->Visible())
        Acao([sheet] { sheet->UserClick(); });
    Acao([control] { control->SetFocus(); });
}

void TFilterTest::Digita(platform::TCustomEdit* edit, const std::string& text) {
    Foca(edit);
    for (platform::TKeyChar ch : platform::Utf8Decode(text))
        Acao([edit, ch] { edit->ParentForm()->PressChar(ch); });
}

std::vector<std::string> TFilterTest::Erros() const {
    std::vector<std::string> errors;
    for (const platform::TServiceEvent& event : services_.Events())
        if (event.kind == platform::TServiceEvent::Error) errors.push_back(event.text);
    return errors;
}

std::vector<Variant> TFilterTest::UltimaConsulta() {
    std::lock_guard<std::mutex> lock(suite->log.mutex);
    if (suite->log.queries.empty()) {
        ADD_FAILURE() << "GetBaixaPag_Filtro não foi chamado";
        return std::vector<Variant>(protocol::kFiltroArgCount);
    }
    return suite->log.queries.back();
}

std::size_t TFilterTest::Consultas() {
    std::lock_guard<std::mutex> lock(suite->log.mutex);
    return suite->log.queries.size();
}

void TFilterTest::EsqueceConsultas() {
    std::lock_guard<std::mutex> lock(suite->log.mutex);
    suite->log.queries.clear();
}

void TFilterTest::Executa(const std::string& script) {
    host::Dbgeral::Connection().ExecuteScript(script);
}

void PrintTo(const TGrupo& grupo, std::ostream* os) {
    *os << grupo.nome;
}

const std::vector<TGrupo>& Grupos() {
    using D = filter::TfrmFiltroBaixa;
    static const std::vector<TGrupo> grupos = {
        {"TipoDeBaixa", &D::rbtTodosFormPag, &D::rbtFPag, &D::btnPesqFPag, &filter::stListFPag,
         true},
        {"ContaCorrente", &D::rbtTodosContCorr, &D::rbtListCCorr, &D::btnCCorr,
         &filter::stListCCorr, true},
        {"Operador", &D::rbtTodosOperador, &D::rbtListaOperador, &D::btnOperador,
         &filter::stListOpera, true},
        {"Fornecedor", &D::rbtTodosForn, &D::rbtListForn, &D::btnListForn, &filter::stListForn,
         true},
        {"FilialDeLancamento", &D::rbtTodosFiliLanc, &D::rbtListFilial, &D::btnListFilial,
         &filter::stListFiliLanc, true},
        {"FilialDeOrigem", &D::rbtTodosFiliOrig, &D::rbtListaFiliOr, &D::btnFiliOr,
         &filter::stListaFOrig, false},
        {"TipoDeConta", &D::rbtTodosTpConta, &D::rbtListaTpConta, &D::btnListaTpConta,
         &filter::stListaTpConta, false},
    };
    return grupos;
}

std::vector<std::string> Datas(filter::TfrmFiltroBaixa& d) {
    std::vector<std::string> texts;
    for (host::TDateEditPlus* edit :
         {d.dedDtIni, d.dedDtFin, d.dedDtIniVen, d.dedDtFinVen, d.dedDtInicLanc, d.dedDtFinLanc})
        texts.push_back(host::Consiste::EmptyString(edit->Text()) ? std::string() : edit->Text());
    return texts;
}

std::vector<host::TNumberEdit*> Valores(filter::TfrmFiltroBaixa& d) {
    return {d.nedVrLiqIni,   d.nedVrLiqFin,  d.nedVrInicOrig,
            d.nedVrFinaOrig, d.nedVrContIni, d.nedVrContFin};
}

std::vector<std::string> Textos(const std::vector<Variant>& args) {
    std::vector<std::string> texts;
    for (const Variant& value : args) {
        if (value.Type() == platform::VarType::Date) {
            texts.push_back(value.AsDouble() == 0 ? std::string("D 0")
                                                  : "D " + platform::DateToStr(value.AsDouble()));
        } else if (value.Type() == platform::VarType::Double) {
            std::ostringstream out;
            out << "F " << value.AsDouble();
            texts.push_back(out.str());
        } else {
            texts.push_back(value.AsString());
        }
    }
    return texts;
}

} // namespace filtertest
