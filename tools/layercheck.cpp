// Checking a source tree's #include directives against the layer table.
#include "tools/layercheck.h"

#include <algorithm>
#include <cctype>

namespace layering {

namespace {

// The path with "." and ".." folded; "" when it climbs out of the root.
std::string Normal(const std::filesystem::path& path) {
    std::string normal = path.lexically_normal().generic_string();
    if (normal == ".." || normal.rfind("../", 0) == 0 || path.is_absolute()) return "";
    return normal;
}

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

} // namespace

std::string ToString(const TViolation& violation) {
    std::string where = violation.file;
    if (violation.line > 0) where += ":" + std::to_string(violation.line);
    return where + ": " + violation.message;
}

bool IsQtInclude(std::string_view target) {
    return target.size() >= 2 && target[0] == 'Q' &&
           std::isalpha(static_cast<unsigned char>(target[1]));
}

TIncludeChecker::TIncludeChecker(const TLayerTable& table, std::vector<std::string> sources)
    : table_(table), sources_(std::move(sources)) {
    std::sort(sources_.begin(), sources_.end());
}

bool TIncludeChecker::IsSource(const std::string& path) const {
    return !path.empty() && std::binary_search(sources_.begin(), sources_.end(), path);
}

std::vector<std::string> TIncludeChecker::Resolve(const std::string& file,
                                                  const TInclude& include) const {
    std::string fromRoot = Normal(include.target);
    if (include.angled) {
        if (IsSource(fromRoot)) return {fromRoot};
        return {};
    }
    std::string beside = Normal(std::filesystem::path(file).parent_path() / include.target);
    if (IsSource(beside)) return {beside};
    if (IsSource(fromRoot)) return {fromRoot};
    std::vector<std::string> found;
    if (!fromRoot.empty())
        for (const std::string& source : sources_)
            if (EndsWith(source, "/" + fromRoot)) found.push_back(source);
    if (found.empty() && !table_.FolderOf(fromRoot).empty()) found.push_back(fromRoot);
    return found;
}

std::vector<TViolation> TIncludeChecker::CheckFile(const std::string& file,
                                                   std::string_view text) const {
    std::vector<TViolation> violations;
    const std::string from = table_.FolderOf(file);
    if (from.empty()) {
        violations.push_back({file, 0, "its folder is in no row of the layer table"});
        return violations;
    }
    for (const TInclude& include : ScanIncludes(text)) {
        std::string shown =
            include.angled ? "<" + include.target + ">" : "\"" + include.target + "\"";
        if (IsQtInclude(include.target) && !table_.MayIncludeQt(from))
            violations.push_back(
                {file, include.line,
                 "Qt include " + shown + " in " + from + ", which does not build on `Qt`"});

        std::vector<std::string> targets = Resolve(file, include);
        std::string refused; // the folder of the first target that may not be included
        for (const std::string& target : targets) {
            std::string to = table_.FolderOf(target);
            if (to.empty() || table_.MayInclude(from, to)) {
                refused.clear();
                break;
            }
            if (refused.empty()) refused = to;
        }
        if (refused.empty()) continue;
        if (table_.BuildsOn(refused, from))
            violations.push_back(
                {file, include.line,
                 "upward include of " + shown + ": " + refused + " builds on " + from});
        else
            violations.push_back(
                {file, include.line,
                 "sideways include of " + shown + ": " + from + " does not build on " + refused});
    }
    return violations;
}

TTreeReport CheckTree(const std::filesystem::path& root, const TLayerTable& table) {
    TTreeReport report;
    std::vector<std::string> sources = ProjectSources(root);
    TIncludeChecker checker(table, sources);
    for (const std::string& file : sources) {
        std::string text = ReadFile(root / file);
        report.includes += ScanIncludes(text).size();
        std::vector<TViolation> found = checker.CheckFile(file, text);
        report.violations.insert(report.violations.end(), found.begin(), found.end());
        ++report.files;
    }
    return report;
}

} // namespace layering
