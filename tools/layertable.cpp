// Reading the layer tables of a Markdown document and the include relation they define.
#include "tools/layertable.h"

#include <algorithm>
#include <cctype>

#include "tools/includescan.h"

namespace layering {

namespace {

std::string_view Trim(std::string_view text) {
    const char* blanks = " \t\r";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// The cells of a table line "| a | b |" (the outer bars are optional).
std::vector<std::string_view> Cells(std::string_view line) {
    line = Trim(line);
    if (!line.empty() && line.front() == '|') line.remove_prefix(1);
    if (!line.empty() && line.back() == '|') line.remove_suffix(1);
    std::vector<std::string_view> cells;
    std::size_t start = 0;
    for (;;) {
        std::size_t bar = line.find('|', start);
        cells.push_back(
            Trim(line.substr(start, bar == std::string_view::npos ? bar : bar - start)));
        if (bar == std::string_view::npos) return cells;
        start = bar + 1;
    }
}

// The texts between pairs of backticks in a cell.
std::vector<std::string> Quoted(std::string_view cell) {
    std::vector<std::string> out;
    std::size_t at = 0;
    for (;;) {
        std::size_t open = cell.find('`', at);
        if (open == std::string_view::npos) return out;
        std::size_t close = cell.find('`', open + 1);
        if (close == std::string_view::npos) return out;
        out.emplace_back(cell.substr(open + 1, close - open - 1));
        at = close + 1;
    }
}

bool IsSeparator(std::string_view line) {
    line = Trim(line);
    return !line.empty() && line.find_first_not_of("|-: ") == std::string_view::npos &&
           line.find('-') != std::string_view::npos;
}

bool IsFolder(const std::string& entry) {
    return entry.size() > 1 && entry.back() == '/';
}

std::string Where(const std::string& docName, int line) {
    return docName + ":" + std::to_string(line) + ": ";
}

} // namespace

TLayerTable TLayerTable::Parse(std::string_view markdown, const std::string& docName) {
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start <= markdown.size();) {
        std::size_t end = markdown.find('\n', start);
        if (end == std::string_view::npos) end = markdown.size();
        lines.push_back(markdown.substr(start, end - start));
        start = end + 1;
    }

    TLayerTable table;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        // A table starts with a header line followed by a separator line.
        if (Trim(lines[i]).rfind('|', 0) != 0 || !IsSeparator(lines[i + 1])) continue;
        std::vector<std::string_view> header = Cells(lines[i]);
        int folderColumn = -1;
        int buildsOnColumn = -1;
        for (std::size_t c = 0; c < header.size(); ++c) {
            std::string name = Lower(header[c]);
            if (name == "folder") folderColumn = static_cast<int>(c);
            if (name == "builds on") buildsOnColumn = static_cast<int>(c);
        }
        std::size_t row = i + 2;
        for (; row < lines.size() && Trim(lines[row]).rfind('|', 0) == 0; ++row) {
            if (folderColumn < 0 || buildsOnColumn < 0) continue;
            std::vector<std::string_view> cells = Cells(lines[row]);
            int lineNumber = static_cast<int>(row) + 1;
            if (cells.size() != header.size())
                throw ETableError(Where(docName, lineNumber) + "the row has " +
                                  std::to_string(cells.size()) + " cells, the header " +
                                  std::to_string(header.size()));
            TLayerRow layer;
            layer.line = lineNumber;
            for (std::string& entry : Quoted(cells[static_cast<std::size_t>(folderColumn)]))
                if (IsFolder(entry)) layer.folders.push_back(std::move(entry));
            if (layer.folders.empty())
                throw ETableError(Where(docName, lineNumber) + "the row names no folder (`name/`)");
            for (std::string& entry : Quoted(cells[static_cast<std::size_t>(buildsOnColumn)])) {
                if (entry == "Qt")
                    layer.qt = true;
                else if (IsFolder(entry))
                    layer.buildsOn.push_back(std::move(entry));
                else
                    throw ETableError(Where(docName, lineNumber) + "`" + entry +
                                      "` in \"builds on\" is neither a folder (`name/`) nor `Qt`");
            }
            table.rows_.push_back(std::move(layer));
        }
        i = row - 1;
    }
    if (table.rows_.empty())
        throw ETableError(docName +
                          ": no layer table (a table with columns \"folder\" and \"builds on\")");
    table.Link(docName);
    return table;
}

TLayerTable TLayerTable::Load(const std::filesystem::path& path) {
    return Parse(ReadFile(path), path.string());
}

// Checks the invariants and computes which rows each row builds on, transitively.
void TLayerTable::Link(const std::string& docName) {
    for (std::size_t r = 0; r < rows_.size(); ++r)
        for (const std::string& folder : rows_[r].folders)
            if (RowOf(folder) != static_cast<int>(r))
                throw ETableError(
                    Where(docName, rows_[r].line) + "`" + folder +
                    "` is already in the row of line " +
                    std::to_string(rows_[static_cast<std::size_t>(RowOf(folder))].line));

    const std::size_t n = rows_.size();
    std::vector<std::vector<std::size_t>> direct(n);
    for (std::size_t r = 0; r < n; ++r) {
        for (const std::string& folder : rows_[r].buildsOn) {
            int target = RowOf(folder);
            if (target < 0)
                throw ETableError(Where(docName, rows_[r].line) + "builds on `" + folder +
                                  "`, which is in no row");
            direct[r].push_back(static_cast<std::size_t>(target));
        }
    }

    // Depth-first walk from every row; meeting the start row again is a cycle.
    below_.assign(n, std::vector<bool>(n, false));
    for (std::size_t start = 0; start < n; ++start) {
        std::vector<std::size_t> stack(direct[start].begin(), direct[start].end());
        while (!stack.empty()) {
            std::size_t r = stack.back();
            stack.pop_back();
            if (r == start)
                throw ETableError(Where(docName, rows_[start].line) + "`" +
                                  rows_[start].folders.front() +
                                  "` builds on itself through the rows it builds on");
            if (below_[start][r]) continue;
            below_[start][r] = true;
            stack.insert(stack.end(), direct[r].begin(), direct[r].end());
        }
    }
}

int TLayerTable::RowOf(const std::string& folder) const {
    for (std::size_t r = 0; r < rows_.size(); ++r)
        if (std::find(rows_[r].folders.begin(), rows_[r].folders.end(), folder) !=
            rows_[r].folders.end())
            return static_cast<int>(r);
    return -1;
}

std::string TLayerTable::FolderOf(std::string_view path) const {
    std::string best;
    for (const TLayerRow& row : rows_)
        for (const std::string& folder : row.folders)
            if (folder.size() > best.size() && path.substr(0, folder.size()) == folder)
                best = folder;
    return best;
}

bool TLayerTable::MayInclude(const std::string& from, const std::string& to) const {
    int a = RowOf(from);
    int b = RowOf(to);
    if (a < 0 || b < 0) return false;
    return a == b || below_[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)];
}

bool TLayerTable::BuildsOn(const std::string& upper, const std::string& lower) const {
    int a = RowOf(upper);
    int b = RowOf(lower);
    return a >= 0 && b >= 0 && below_[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)];
}

bool TLayerTable::MayIncludeQt(const std::string& folder) const {
    int r = RowOf(folder);
    return r >= 0 && rows_[static_cast<std::size_t>(r)].qt;
}

} // namespace layering
