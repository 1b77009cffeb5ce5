// Finding a project's source files and reading their #include directives.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace layering {

/// One #include directive of a source file.
struct TInclude {
    int line = 0;        // 1-based
    std::string target;  // the text between the quotes or angle brackets
    bool angled = false; // <target> rather than "target"
};

/// The #include directives of a source text, in order. A directive is a line whose first
/// non-blank character is '#' followed by "include"; lines inside block comments are not told
/// apart, so a commented-out directive at the start of a line counts.
std::vector<TInclude> ScanIncludes(std::string_view text);

/// The C++ sources under `root` (headers included), as paths relative to it with '/' separators,
/// sorted. Hidden folders and build trees (folders holding a CMakeCache.txt) are skipped.
std::vector<std::string> ProjectSources(const std::filesystem::path& root);

/// The whole content of a file; std::runtime_error naming it when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

} // namespace layering
