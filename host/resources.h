// Satellite resource modules: translated texts found beside a module's file, chosen by locale.
//
// The rule. A module file DIR/NAME.so may have satellites DIR/NAME.<locale>, where <locale> is
// taken from the environment as the C library does (LC_ALL, else LC_MESSAGES, else LANG),
// without its encoding and modifier: "pt_BR.UTF-8" gives "pt_BR". The full locale is tried
// first, then its language alone ("pt"). "C", "POSIX" and an empty locale have no satellite.
// The first satellite that exists is used; none is not an error: the module's own texts stay.
//
// A satellite is a UTF-8 text file of lines "NAME|TEXT" (the text runs to the end of the line,
// blanks and tabs included; a carriage return before the line end is dropped). Empty lines
// and lines starting with '#' are ignored. NAME addresses a text of a form by the form's name:
//     frmX.Caption                 the form's caption
//     frmX.ctlY.Caption            a control's or a menu item's caption (also .Hint, .Text)
//     frmX.msgY.KEY                the text of catalogue line KEY of the catalogue msgY
//                                  (keys ignore case; an absent key is added)
// Entries naming forms or components that do not exist are left unused. A satellite that
// cannot be read, is larger than 4 MB or holds a line without "|" is not used at all, and the
// reason is kept for the host to report (see TLibModule::resourceNote).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/classes.h"

namespace module {

/// The texts of one satellite. Invariant: names are unique; when a name appears twice in the
/// file the last line wins.
class TResourceModule {
public:
    /// Reads a satellite file. Returns nullopt when the file does not exist; raises
    /// platform::Exception (message naming the file and line) when it exists but cannot be used.
    static std::optional<TResourceModule> Load(const std::string& fileName);
    /// Parses satellite text; `fileName` only names it in messages.
    static TResourceModule Parse(std::string_view text, const std::string& fileName);

    const std::string& FileName() const { return fileName_; }
    /// The text of a name (compared exactly); nullptr when absent.
    const std::string* Find(std::string_view name) const;
    const std::vector<std::pair<std::string, std::string>>& Entries() const { return entries_; }

    /// Applies the entries addressed to `form` (by its component name) to it and to the
    /// components it owns, directly or through its components. Returns how many were applied.
    int ApplyTo(platform::TComponent& form) const;

private:
    std::string fileName_;
    std::vector<std::pair<std::string, std::string>> entries_;
};

/// Locale names to try, most specific first, for an environment value ("pt_BR.UTF-8@euro"
/// gives {"pt_BR", "pt"}; "pt" gives {"pt"}; "C", "POSIX" and "" give none).
std::vector<std::string> LocaleCandidates(std::string_view localeValue);
/// The locale value the environment sets for messages (LC_ALL, LC_MESSAGES, LANG), "" if none.
std::string EnvironmentLocale();
/// DIR/NAME.<locale> for module file DIR/NAME.so (a file without an extension gets one added).
std::string SatelliteFileName(const std::string& moduleFile, const std::string& locale);

/// The outcome of looking for a module's satellite.
struct TSatelliteLookup {
    std::shared_ptr<const TResourceModule> resources; // null: the module's own texts are used
    std::string note; // why a satellite that exists was not used; empty otherwise
};
/// Finds and reads the satellite of a module file for `localeValue` by the rule above. Never
/// raises: an unusable satellite gives no resources and a note.
TSatelliteLookup FindSatellite(const std::string& moduleFile, std::string_view localeValue);

} // namespace module
