// Pesqlista: the multi-row pick list through which screens choose a list of codes.
#pragma once

#include <string>

namespace platform {
class TDataSource;
}

namespace host::Pesqlista {

/// Lets the user choose codes from the rows of `source`'s dataset and leaves the choice in
/// `list` as a list string (format in host/liststring.h; empty = nothing chosen).
///
/// - A closed dataset is opened first; one that is open is used as it stands.
/// - `keyField` names the field holding the codes, ignoring case.
/// - `title` is the caption of the list; text after its first "|" is the message shown when the
///   dataset has no rows: then that message (or, without one, "Não há registros para
///   pesquisar.") is shown as an error and the silent abort ends the pick, `list` unchanged.
/// - The codes already in `list` come pre-chosen; rows with an empty code cannot be chosen.
/// - `singleChoice` limits the choice to one code (the screens pass false).
/// Returns true when the user confirmed (then `list` holds the new choice, in the dataset's row
/// order), false when cancelled (`list` unchanged). A `list` that is not a well-formed list
/// string raises platform::EConvertError; a missing key field platform::EDatabaseError.
bool PesquisaLista(platform::TDataSource* source, const std::string& keyField,
                   const std::string& title, bool singleChoice, std::string& list);

} // namespace host::Pesqlista
