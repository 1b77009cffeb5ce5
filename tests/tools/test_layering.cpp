// The layering check on synthetic trees: the table's rules, and each kind of breach reported
// with its file and line.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "tools/layercheck.h"

using layering::CheckTree;
using layering::ETableError;
using layering::TLayerTable;
using layering::ToString;

namespace {

const char* const kDoc = "# Architecture\n"
                         "\n"
                         "Some text | with a bar that is not a table.\n"
                         "\n"
                         "| folder | builds on | library | what lives there |\n"
                         "|---|---|---|---|\n"
                         "| `base/` | — | `base_lib` | the bottom |\n"
                         "| `left/`, `right/` | `base/` | `pair_lib` | one layer of two folders |\n"
                         "| `side/` | `base/` | | beside the pair |\n"
                         "| `gui/` | `left/`, `Qt` | | the Qt host |\n"
                         "\n"
                         "| folder | builds on | what lives there |\n"
                         "|---|---|---|\n"
                         "| `tests/support/` | | kits |\n"
                         "| `tests/left/` | `left/`, `tests/support/` | tests of the pair |\n";

// A temporary source tree, removed with the object.
class Tree {
public:
    Tree() {
        char pattern[] = "/tmp/pag-layering.XXXXXX";
        root_ = mkdtemp(pattern);
        Write("docs/architecture.md", kDoc);
        Write("base/a.h", "#pragma once\n#include <string>\n#include \"config.h\"\n");
        Write("left/l.h", "#pragma once\n#include \"base/a.h\"\n");
        Write("left/l.cpp", "#include \"left/l.h\"\n#include \"right/r.h\"\n");
        Write("right/r.h", "#pragma once\n  #  include \"left/l.h\"\n");
        Write("side/s.cpp", "#include \"base/a.h\"\n");
        Write("gui/w.cpp",
              "#include <QtWidgets/QWidget>\n#include <QString>\n#include \"left/l.h\"\n");
        Write("tests/support/port.h", "#pragma once\n");
        Write("tests/left/kit.h", "#pragma once\n#include \"tests/support/port.h\"\n");
        Write("tests/left/t.cpp",
              "#include \"kit.h\"\n#include \"right/r.h\"\n#include \"base/a.h\"\n");
        // Build trees and hidden folders are not the project's sources.
        Write("build/CMakeCache.txt", "");
        Write("build/gen/moc.cpp", "#include \"gui/w.h\"\n#include <QObject>\n");
        Write(".git/hook.cpp", "#include <QObject>\n");
    }
    ~Tree() { std::filesystem::remove_all(root_); }

    void Write(const std::string& path, const std::string& text) const {
        std::filesystem::create_directories((root_ / path).parent_path());
        std::ofstream(root_ / path, std::ios::binary) << text;
    }

    // The breaches of the tree, as the program prints them.
    std::vector<std::string> Check() const {
        TLayerTable table = TLayerTable::Load(root_ / "docs/architecture.md");
        std::vector<std::string> lines;
        for (const layering::TViolation& v : CheckTree(root_, table).violations)
            lines.push_back(ToString(v));
        return lines;
    }

private:
    std::filesystem::path root_;
};

TLayerTable Table(const std::string& rows) {
    return TLayerTable::Parse("| folder | builds on |\n|---|---|\n" + rows, "doc.md");
}

std::string TableErrorOf(const std::string& rows) {
    try {
        Table(rows);
    } catch (const ETableError& e) { return e.what(); }
    return "";
}

} // namespace

TEST(LayerTable, RowsShareALayerAndBuildOnLowerRowsTransitively) {
    TLayerTable table = TLayerTable::Parse(kDoc, "doc.md");
    ASSERT_EQ(table.Rows().size(), 6u);
    EXPECT_EQ(table.Rows()[1].folders, (std::vector<std::string>{"left/", "right/"}));
    EXPECT_EQ(table.Rows()[1].line, 8);

    EXPECT_TRUE(table.MayInclude("left/", "right/"));
    EXPECT_TRUE(table.MayInclude("right/", "left/"));
    EXPECT_TRUE(table.MayInclude("gui/", "base/"));         // through left/
    EXPECT_TRUE(table.MayInclude("tests/left/", "right/")); // the pair is one layer
    EXPECT_FALSE(table.MayInclude("base/", "left/"));
    EXPECT_FALSE(table.MayInclude("side/", "left/"));
    EXPECT_FALSE(table.MayInclude("gui/", "side/"));
    EXPECT_TRUE(table.BuildsOn("gui/", "base/"));
    EXPECT_FALSE(table.BuildsOn("side/", "left/"));

    EXPECT_TRUE(table.MayIncludeQt("gui/"));
    EXPECT_FALSE(table.MayIncludeQt("left/"));
    EXPECT_FALSE(table.MayIncludeQt("tests/left/")); // Qt is not inherited

    EXPECT_EQ(table.FolderOf("tests/left/kit.h"), "tests/left/");
    EXPECT_EQ(table.FolderOf("left/sub/x.h"), "left/");
    EXPECT_EQ(table.FolderOf("tests/other/x.h"), "");
    EXPECT_EQ(table.FolderOf("leftover/x.h"), "");
}

TEST(LayerTable, RefusesTablesThatDoNotHoldTogether) {
    EXPECT_NE(TableErrorOf("| `a/` | `b/` |\n| `b/` | `c/` |\n| `c/` | `a/` |\n")
                  .find("builds on itself"),
              std::string::npos);
    EXPECT_NE(TableErrorOf("| `a/` | `a/` |\n").find("builds on itself"), std::string::npos);
    EXPECT_NE(
        TableErrorOf("| `a/` | `b/` |\n").find("doc.md:3: builds on `b/`, which is in no row"),
        std::string::npos);
    EXPECT_NE(TableErrorOf("| `a/` | `pag_a` |\n").find("`pag_a`"), std::string::npos);
    EXPECT_NE(TableErrorOf("| `a/` | |\n| `a/` | |\n").find("already in the row of line 3"),
              std::string::npos);
    EXPECT_NE(TableErrorOf("| a | |\n").find("names no folder"), std::string::npos);
    EXPECT_NE(TableErrorOf("| `a/` |\n").find("cells"), std::string::npos);
    EXPECT_THROW(TLayerTable::Parse("| folder | library |\n|---|---|\n| `a/` | x |\n", "doc.md"),
                 ETableError);
    EXPECT_THROW(TLayerTable::Load("/nonexistent/architecture.md"), std::runtime_error);
}

TEST(IncludeScan, ReadsDirectivesWithTheirLines) {
    auto includes = layering::ScanIncludes("// #include \"no.h\"\n"
                                           "#include <vector>\n"
                                           "  #  include \"a/b.h\" // why\n"
                                           "#include_next <c.h>\n"
                                           "#define X \"#include \\\"no.h\\\"\"\n"
                                           "#include \"unterminated.h\n"
                                           "\t#include\t\"last.h\"");
    ASSERT_EQ(includes.size(), 3u);
    EXPECT_EQ(includes[0].line, 2);
    EXPECT_EQ(includes[0].target, "vector");
    EXPECT_TRUE(includes[0].angled);
    EXPECT_EQ(includes[1].line, 3);
    EXPECT_EQ(includes[1].target, "a/b.h");
    EXPECT_FALSE(includes[1].angled);
    EXPECT_EQ(includes[2].line, 7);
    EXPECT_EQ(includes[2].target, "last.h");
}

TEST(IncludeScan, QtHeadersAreToldApart) {
    EXPECT_TRUE(layering::IsQtInclude("QWidget"));
    EXPECT_TRUE(layering::IsQtInclude("QtCore/QString"));
    EXPECT_TRUE(layering::IsQtInclude("QtWidgets"));
    EXPECT_FALSE(layering::IsQtInclude("queue"));
    EXPECT_FALSE(layering::IsQtInclude("Q"));
    EXPECT_FALSE(layering::IsQtInclude("desktop/qtconvert.h"));
}

TEST(LayerCheck, ACleanTreePasses) {
    Tree tree;
    EXPECT_EQ(tree.Check(), std::vector<std::string>{});
}

TEST(LayerCheck, ReportsEachBreachWithFileAndLine) {
    Tree tree;
    tree.Write("base/up.cpp", "#include \"base/a.h\"\n\n#include \"left/l.h\"\n");
    tree.Write("side/across.cpp", "#include \"base/a.h\"\n#include \"right/r.h\"\n");
    tree.Write("left/window.cpp", "#include \"left/l.h\"\n#include <QString>\n");
    tree.Write("right/gui_user.h", "#include \"gui/w.cpp\"\n");
    std::vector<std::string> expected = {
        "base/up.cpp:3: upward include of \"left/l.h\": left/ builds on base/",
        "left/window.cpp:2: Qt include <QString> in left/, which does not build on `Qt`",
        "right/gui_user.h:1: upward include of \"gui/w.cpp\": gui/ builds on right/",
        "side/across.cpp:2: sideways include of \"right/r.h\": side/ does not build on right/",
    };
    EXPECT_EQ(tree.Check(), expected);
}

TEST(LayerCheck, FindsIncludesThroughIncludeDirectoriesAndMissingFiles) {
    Tree tree;
    // "kit.h" is only in tests/left/, reached through an include directory: the kit is above.
    tree.Write("tests/support/uses_kit.h", "#include \"kit.h\"\n");
    // A header of a folder of the table that does not exist is still judged by its folder.
    tree.Write("side/missing.cpp", "#include \"gui/absent.h\"\n");
    // Relative paths are folded before they are judged.
    tree.Write("left/relative.cpp", "#include \"../side/s.cpp\"\n#include \"../base/a.h\"\n");
    std::vector<std::string> expected = {
        "left/relative.cpp:1: sideways include of \"../side/s.cpp\": left/ does not build on side/",
        "side/missing.cpp:1: sideways include of \"gui/absent.h\": side/ does not build on gui/",
        "tests/support/uses_kit.h:1: upward include of \"kit.h\": tests/left/ builds on "
        "tests/support/",
    };
    EXPECT_EQ(tree.Check(), expected);
}

TEST(LayerCheck, AnAmbiguousKitIsAllowedWhenOneOfItsFilesIs) {
    Tree tree;
    tree.Write("tests/support/common.h", "#pragma once\n");
    tree.Write("side/common.h", "#pragma once\n");
    tree.Write("tests/left/uses_common.cpp", "#include \"common.h\"\n");
    tree.Write("base/uses_common.cpp", "#include \"common.h\"\n");
    std::vector<std::string> expected = {
        "base/uses_common.cpp:1: upward include of \"common.h\": side/ builds on base/",
    };
    EXPECT_EQ(tree.Check(), expected);
}

TEST(LayerCheck, AFolderOutsideTheTableIsReported) {
    Tree tree;
    tree.Write("tools/x.cpp", "#include \"base/a.h\"\n");
    tree.Write("tests/right/t.cpp", "#include <QObject>\n");
    std::vector<std::string> expected = {
        "tests/right/t.cpp: its folder is in no row of the layer table",
        "tools/x.cpp: its folder is in no row of the layer table",
    };
    EXPECT_EQ(tree.Check(), expected);
}
