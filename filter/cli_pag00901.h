// Cli_pag00901: the unit of the filter dialog PAG00901 — its module-level state and entry routine.
#pragma once

#include <string>

#include "filter/filtrobaixa.h"
#include "platform/forms.h"

namespace filter {

// Exported by the module under these names (C linkage, found by hosts with dlsym).
extern "C" {
/// The one filter dialog: nullptr until first created, then kept (hidden between uses) for
/// the rest of the module's life. The recalculation screen tests it to decide how to reload.
extern TfrmFiltroBaixa* frmFiltroBaixa;
/// Set when the filter dialog is created; nothing in the module reads it.
extern bool boFiltro;
}

/// The working list strings of the dialog's seven code lists (empty = all), in the format
/// host::EncodeCodeList produces. They start empty and are released at the unit's shut-down.
extern std::string stListFPag;
extern std::string stListCCorr;
extern std::string stListaFOrig;
extern std::string stListFiliLanc;
extern std::string stListForn;
extern std::string stListaTpConta;
extern std::string stListOpera;

/// Creates the filter dialog on first use (owned by the application, with the module's
/// satellite texts; boFiltro := true) and shows it modally; returns the modal result.
platform::TModalResult CriaFiltroBaixaPag();

/// The unit's start-up work (none) and shut-down work (releases the seven list strings),
/// run by the module's unit list.
void UnitStartup();
void UnitShutdown();

} // namespace filter
