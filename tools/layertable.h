// The layer table of docs/architecture.md, read from its Markdown: which folder may include which.
//
// A layer table is any Markdown table with a "folder" column and a "builds on" column. In a row,
// the folder cell names one or more folders in backticks (`host/`); folders of one row are one
// layer and include each other freely. The "builds on" cell names, in backticks, the folders the
// row's folders include from, and `Qt` when they may include Qt; "—" or an empty cell names none.
// A folder may include its own row's folders and everything its row builds on, directly or
// through the rows those build on. Every other backticked entry in a "builds on" cell is an error,
// so that a typo in the doc cannot loosen the rule.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace layering {

/// A layer table that cannot be read or does not hold together (unknown folder, cycle...).
class ETableError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// One row of a layer table.
struct TLayerRow {
    std::vector<std::string> folders;  // "host/", "tests/host/"; never empty
    std::vector<std::string> buildsOn; // folders as written in the cell
    bool qt = false;                   // the cell names `Qt`
    int line = 0;                      // 1-based line of the row in the document
};

/// The rows of every layer table of a document, with the include relation they define.
/// Invariants: a folder is in exactly one row; every folder a row builds on is in a row; the
/// relation "builds on" has no cycle.
class TLayerTable {
public:
    /// Reads the tables of a Markdown text; `docName` names it in messages. Raises ETableError
    /// when there is no layer table or the rows break an invariant.
    static TLayerTable Parse(std::string_view markdown, const std::string& docName);
    /// Reads the document at `path`; std::runtime_error when it cannot be read.
    static TLayerTable Load(const std::filesystem::path& path);

    const std::vector<TLayerRow>& Rows() const { return rows_; }

    /// The table folder that holds a project path ("host/session.h" -> "host/"): the longest
    /// folder of the table the path starts with; "" when none does.
    std::string FolderOf(std::string_view path) const;
    /// Whether a file in folder `from` may include a file in folder `to` (both table folders).
    bool MayInclude(const std::string& from, const std::string& to) const;
    /// Whether `upper` builds on `lower`, directly or not: an include from `lower` into `upper`
    /// then goes upward; an include that is neither allowed nor upward goes sideways.
    bool BuildsOn(const std::string& upper, const std::string& lower) const;
    /// Whether files in folder `folder` may include Qt.
    bool MayIncludeQt(const std::string& folder) const;

private:
    int RowOf(const std::string& folder) const;
    void Link(const std::string& docName);

    std::vector<TLayerRow> rows_;
    std::vector<std::vector<bool>> below_; // below_[a][b]: row a builds on row b, transitively
};

} // namespace layering
