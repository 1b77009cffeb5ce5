// What the filter dialog's tests share: the demo database and an application server that records
// the queries, the recalculation screen open on it, and helpers to drive the modal dialog.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "filter/cli_pag00901.h"
#include "platform/recordingservices.h"
#include "platform/variant.h"
#include "recalculation/cli_pag00900.h"

namespace filtertest {

/// The day the tests run on: Friday 14 June 2024.
platform::TDateTime Hoje();

/// The calls of GetBaixaPag_Filtro that reached the server. Invariant: guarded by `mutex`
/// (the server answers on its own threads).
struct TServerLog {
    std::mutex mutex;
    std::vector<std::vector<platform::Variant>> queries; // the 23 arguments as received
    /// When set, runs before the real method with the arguments (which it may change; changed
    /// by-reference values go back to the dialog); a value returned is the answer instead.
    std::function<std::optional<platform::Variant>(std::vector<platform::Variant>& args)> intercept;
};

/// One list group of the dialog: its buttons, search button and working list.
struct TGrupo {
    const char* nome;
    platform::TRadioButton* filter::TfrmFiltroBaixa::*todos;
    platform::TRadioButton* filter::TfrmFiltroBaixa::*lista;
    host::TBtnPesquisa* filter::TfrmFiltroBaixa::*botao;
    std::string* working;
    bool listaEsvazia; // whether checking "Lista" empties the working list
};
void PrintTo(const TGrupo& grupo, std::ostream* os);
/// The seven groups.
const std::vector<TGrupo>& Grupos();

/// The six date edits' texts (dedDtIni, dedDtFin, dedDtIniVen, dedDtFinVen, dedDtInicLanc,
/// dedDtFinLanc), "" for an empty edit.
std::vector<std::string> Datas(filter::TfrmFiltroBaixa& d);
/// The six amount edits in the order of the query: nedVrLiqIni, nedVrLiqFin, nedVrInicOrig,
/// nedVrFinaOrig, nedVrContIni, nedVrContFin.
std::vector<host::TNumberEdit*> Valores(filter::TfrmFiltroBaixa& d);
/// Query arguments as texts: dates "D dd/mm/yyyy" ("D 0" for none), doubles "F 10.5", texts as
/// they are.
std::vector<std::string> Textos(const std::vector<platform::Variant>& args);

/// Each test: the demo data loaded anew for Hoje(), the session pointed at it and at the
/// recording server, the recording services installed, options saved in a folder of the test's
/// own, and the recalculation screen open with company "01" and today's list loaded (events and
/// queries recorded so far forgotten). TearDown destroys every form (the filter dialog
/// included) and empties the working lists.
class TFilterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    recalculation::TfrmRecContBaixaPag& Tela() { return *recalculation::frmRecContBaixaPag; }
    filter::TfrmFiltroBaixa& Dialogo() { return *filter::frmFiltroBaixa; }

    /// Leaves the company panel, which loads the list (with the dialog's criteria once the dialog
    /// exists).
    void SaiDoPainel();
    /// Opens the dialog through CriaFiltroBaixaPag and runs `inside` while it is shown; the
    /// dialog is then given up (closed without confirming) unless `inside` closed it.
    void Abre(const std::function<void(filter::TfrmFiltroBaixa&)>& inside = {});
    /// A person's action inside the application's exception boundary; true when it ended normally.
    bool Acao(const std::function<void()>& action);
    /// A person clicking a control (its tab page is brought forward first when needed).
    bool Clica(platform::TControl* control);
    /// A person typing `text` into an edit (focused first, its tab page brought forward).
    void Digita(platform::TCustomEdit* edit, const std::string& text);
    /// The focus put on a control (its tab page brought forward).
    void Foca(platform::TWinControl* control);

    /// The error texts shown since the last ClearEvents.
    std::vector<std::string> Erros() const;
    /// The arguments of the last GetBaixaPag_Filtro; fails the test when there was none.
    std::vector<platform::Variant> UltimaConsulta();
    std::size_t Consultas();
    /// Forgets the queries recorded so far.
    void EsqueceConsultas();
    /// An SQL script on the host's shared connection (temporary tables shadow the real ones).
    void Executa(const std::string& script);

    platform::TRecordingServices services_;
    static TServerLog& Log();
};

} // namespace filtertest
