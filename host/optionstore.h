// Saved filter options on disk: one file per operator and screen code in the user's config folder.
//
// File layout (UTF-8 text): the first line is the header "pag00900-opcoes 1"; every further
// line is name=value with the value escaped ("\\" for a backslash, "\n" for a line break, "\r"
// for a carriage return). A file is written to a temporary name beside it and renamed over the
// old one, so a reader sees either the old or the new options, never a mix.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace host {

/// The file that holds the options of `operatorCode` on screen `screenCode`, inside `folder`
/// (ConfigFolder() when empty). Characters other than letters, digits and '-' are written as
/// %XX in the file name, so no operator code can point outside the folder.
std::string OptionsFilePath(const std::string& operatorCode, const std::string& screenCode,
                            const std::string& folder = {});

/// Writes the "name=value" lines; creates the folder when needed. A failure raises
/// platform::Exception naming the file, and leaves any previous file intact.
void SaveOptionLines(const std::string& path, const std::vector<std::string>& lines);

/// The lines of the file; nullopt when there is no such file. A file that cannot be read, or
/// that is not in the layout above (or is larger than 1 MiB), raises platform::Exception with a
/// Portuguese message naming the file.
std::optional<std::vector<std::string>> LoadOptionLines(const std::string& path);

} // namespace host
