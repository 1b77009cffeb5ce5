// Finding a project's source files and reading their #include directives.
#include "tools/includescan.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace layering {

namespace {

constexpr std::array kSourceExtensions = {".h", ".hh", ".hpp", ".inl", ".ipp",
                                          ".c", ".cc", ".cpp", ".cxx"};

bool IsSource(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    return std::find(kSourceExtensions.begin(), kSourceExtensions.end(), extension) !=
           kSourceExtensions.end();
}

std::size_t SkipBlanks(std::string_view line, std::size_t at) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    return at;
}

} // namespace

std::vector<TInclude> ScanIncludes(std::string_view text) {
    std::vector<TInclude> includes;
    int lineNumber = 0;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;

        std::size_t at = SkipBlanks(line, 0);
        if (at >= line.size() || line[at] != '#') continue;
        at = SkipBlanks(line, at + 1);
        constexpr std::string_view kInclude = "include";
        if (line.substr(at, kInclude.size()) != kInclude) continue;
        at = SkipBlanks(line, at + kInclude.size());
        if (at >= line.size() || (line[at] != '"' && line[at] != '<')) continue;
        bool angled = line[at] == '<';
        std::size_t close = line.find(angled ? '>' : '"', at + 1);
        if (close == std::string_view::npos) continue;
        includes.push_back({lineNumber, std::string(line.substr(at + 1, close - at - 1)), angled});
    }
    return includes;
}

std::vector<std::string> ProjectSources(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    std::vector<std::string> sources;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        const fs::path& path = it->path();
        if (it->is_directory()) {
            if (path.filename().string().rfind('.', 0) == 0 || fs::exists(path / "CMakeCache.txt"))
                it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file() && IsSource(path))
            sources.push_back(path.lexically_relative(root).generic_string());
    }
    std::sort(sources.begin(), sources.end());
    return sources;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path.string());
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) throw std::runtime_error("cannot read " + path.string());
    return text.str();
}

} // namespace layering
