// The script language of the scripted host: words, commands and their checks before a run.
//
// One command per line; '#' outside quotes starts a comment; blanks separate words. A word may
// be double-quoted, with the escapes \" \\ and \t inside; a quoted word may be empty or hold
// blanks. Commands (names of controls are component names, ignoring case):
//     open                      focus NAME              type NAME TEXT
//     clear NAME                key NAME KEY            click NAME
//     select NAME INDEX         row GRID N              dblclick GRID
//     title GRID FIELD          answer Yes|No|OK|Cancel pick [CODE...]
//     close                     expect REF = VALUE      print REF
// REF is NAME.PROPERTY (NAME may itself be FORM.NAME) or the name of an exported global.
// Names are looked up among the components of the active form (the innermost modal dialog
// while one is open), unless the first part names a form.
// Properties: controls Text, Caption, Enabled, Visible, Focused, Hint, Left, Top, Width,
// Height; check and radio buttons Checked; radio groups ItemIndex; page controls ActivePage
// (a sheet's name, or nil) and ActivePageIndex; edits ReadOnly, MaxLength, EditText (masked);
// speed buttons Down; forms WindowState (wsNormal, wsMinimized, wsMaximized), Active,
// ActiveControl; menu items Caption, Enabled, Visible, Checked, ShortCut; datasets RecordCount,
// RecNo, State (dsInactive, dsBrowse, dsEdit, dsInsert), Active and any field of the current
// row (null, a quoted text, digits, a double or a YYYY-MM-DD date as the transcript writes
// them); connections Connected, Host, Port, ServerName. Globals: boStCriado and boFiltro are
// true/false, frmRecContBaixaPag and frmFiltroBaixa nil/set.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sysutils.h"

namespace scripted {

/// A script that cannot be run as written; the message names the line.
class EScriptError : public platform::Exception {
    using Exception::Exception;
};

/// One word of a line. Quoting is kept so that `null` (a value) and "null" (a text) differ.
struct TWord {
    std::string text;
    bool quoted = false;
    bool operator==(const TWord&) const = default;
};

/// The words of a line, comment removed. EScriptError for an unterminated quote, an unknown
/// escape or a quote glued to other characters.
std::vector<TWord> SplitWords(std::string_view line);

enum class TCommandKind {
    Open,
    Focus,
    Type,
    Clear,
    Key,
    Click,
    Select,
    Row,
    DblClick,
    Title,
    Answer,
    Pick,
    Close,
    Expect,
    Print
};

/// One checked command. Invariants: `target` is set for every command that names a control,
/// a grid or a reference; `args` holds the remaining words with the counts each command takes
/// (type: the text; key: the key; select and row: a number already checked; title: the field;
/// answer: a known button name; pick: zero or more codes; expect: the expected value).
struct TCommand {
    TCommandKind kind = TCommandKind::Open;
    int line = 0;       // 1-based line number in the script
    std::string source; // the line as written, comment and surrounding blanks removed
    std::string target;
    std::vector<TWord> args;
};

/// The command of one line; nullopt for a blank or comment line. EScriptError (message
/// "line N: ...") for an unknown command or wrong arguments.
std::optional<TCommand> ParseLine(std::string_view line, int number);

/// Every command of a script, each line checked before anything runs.
std::vector<TCommand> ParseScript(std::string_view text);

/// The line text without its comment and surrounding blanks ('#' inside quotes is kept).
std::string StripComment(std::string_view line);

} // namespace scripted
