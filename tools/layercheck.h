// Checking a source tree's #include directives against the layer table.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tools/includescan.h"
#include "tools/layertable.h"

namespace layering {

/// One breach of the layer rules.
struct TViolation {
    std::string file; // relative to the tree's root
    int line = 0;     // 0: the file as a whole
    std::string message;
};

/// "file:line: message" (or "file: message" for the file as a whole), as compilers print.
std::string ToString(const TViolation& violation);

/// Whether an include names a Qt header (<QWidget>, <QtCore/QString>, <QtWidgets>).
bool IsQtInclude(std::string_view target);

/// Checks files of one tree against a table.
///
/// A quoted include is looked for beside the including file, then from the tree's root, then
/// as the end of a path of the tree (a test kit reached through an include directory); when
/// that last finds several files, the include is allowed if one of them is. An include that
/// names no file of the tree and no folder of the table is not the project's and is not
/// checked. An angled include is the project's only when it names a file from the root.
class TIncludeChecker {
public:
    /// `sources`: every source of the tree, relative to its root, as ProjectSources gives them.
    TIncludeChecker(const TLayerTable& table, std::vector<std::string> sources);

    /// The breaches of file `file` (relative to the root) whose content is `text`.
    std::vector<TViolation> CheckFile(const std::string& file, std::string_view text) const;

private:
    std::vector<std::string> Resolve(const std::string& file, const TInclude& include) const;
    bool IsSource(const std::string& path) const;

    const TLayerTable& table_;
    std::vector<std::string> sources_; // sorted
};

/// What checking a whole tree found.
struct TTreeReport {
    std::vector<TViolation> violations;
    std::size_t files = 0;
    std::size_t includes = 0;
};

/// Checks every source of the tree at `root` (see ProjectSources) against `table`.
TTreeReport CheckTree(const std::filesystem::path& root, const TLayerTable& table);

} // namespace layering
