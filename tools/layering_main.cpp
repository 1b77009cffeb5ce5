// pag-layering: checks that every #include of a source tree keeps to the layer table of its
// docs/architecture.md, and that Qt is included only where the table allows it.
#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>

#include "tools/layercheck.h"

int main(int argc, char** argv) {
    CLI::App app{
        "Checks a source tree's includes against the layer table of its architecture notes."};
    std::string root;
    std::string doc;
    app.add_option("root", root, "The root of the source tree")
        ->required()
        ->check(CLI::ExistingDirectory);
    app.add_option("--doc", doc,
                   "The document holding the layer table (default: <root>/docs/architecture.md)");
    CLI11_PARSE(app, argc, argv);
    if (doc.empty()) doc = root + "/docs/architecture.md";

    try {
        layering::TLayerTable table = layering::TLayerTable::Load(doc);
        layering::TTreeReport report = layering::CheckTree(root, table);
        for (const layering::TViolation& violation : report.violations)
            std::cout << layering::ToString(violation) << '\n';
        std::cout << "layering: " << report.files << " files, " << report.includes << " includes, "
                  << report.violations.size() << " against the layer table of " << doc << '\n';
        return report.violations.empty() ? 0 : 1;
    } catch (const std::exception& e) {
        std::cerr << "layering: " << e.what() << '\n';
        return 2;
    }
}
