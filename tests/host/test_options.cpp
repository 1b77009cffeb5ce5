// Saved options: name=value semantics, the on-disk round trip and refusal of damaged files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "host/optionstore.h"
#include "host/optionvalues.h"
#include "platform/sysutils.h"

using host::TOptionValues;

namespace {

class OptionFiles : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("pag_options_" + std::to_string(::getpid()) + "_" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    void Write(const std::string& path, const std::string& content) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << content;
    }
    std::filesystem::path folder_;
};

} // namespace

TEST(OptionValues, EmptyValueRemovesTheNameAndAbsentNamesReadEmpty) {
    TOptionValues opts;
    opts.SetValue("stListForn", "'01','02'");
    opts.SetValue("nrCtbl", "1");
    EXPECT_EQ(opts.Value("STLISTFORN"), "'01','02'");
    EXPECT_EQ(opts.Value("stListOpera"), "");
    opts.SetValue("stlistforn", "'03'"); // same name, other case: replaced in place
    EXPECT_EQ(opts.Count(), 2);
    EXPECT_EQ(opts.Lines()[0], "stlistforn='03'");
    opts.SetValue("stListForn", "");
    EXPECT_FALSE(opts.Contains("stListForn"));
    EXPECT_EQ(opts.Lines(), std::vector<std::string>{"nrCtbl=1"});
    // Values may hold '=' and the list quotes.
    opts.SetValue("x", "a=b");
    EXPECT_EQ(opts.Value("x"), "a=b");
    EXPECT_THROW(opts.SetValue("", "1"), platform::Exception);
    EXPECT_THROW(opts.SetLines({"semigual"}), platform::Exception);
    EXPECT_EQ(opts.Count(), 2); // a refused SetLines changes nothing
}

TEST_F(OptionFiles, RoundTripKeepsEveryValueExactly) {
    std::string path = host::OptionsFilePath("OPERADOR", "PAG00901", folder_.string());
    std::vector<std::string> lines{"stListForn='01','A''B'", "stListCCorr='1 2',''",
                                   "odd=barra \\ e\nquebra\r", "nrCtbl=-1", "acento=ção"};
    host::SaveOptionLines(path, lines);
    auto loaded = host::LoadOptionLines(path);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(*loaded, lines);

    // Saving again replaces the file whole, and leaves no temporary file behind.
    host::SaveOptionLines(path, {"nrCtbl=2"});
    EXPECT_EQ(*host::LoadOptionLines(path), std::vector<std::string>{"nrCtbl=2"});
    int files = 0;
    for (auto& entry : std::filesystem::directory_iterator(folder_)) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(OptionFiles, FilesAreSeparatePerOperatorAndScreenAndStayInsideTheFolder) {
    std::string a = host::OptionsFilePath("OPERADOR", "PAG00901", folder_.string());
    std::string b = host::OptionsFilePath("OUTRO", "PAG00901", folder_.string());
    std::string c = host::OptionsFilePath("OPERADOR", "PAG00902", folder_.string());
    EXPECT_NE(a, b);
    EXPECT_NE(a, c);
    host::SaveOptionLines(a, {"n=1"});
    EXPECT_FALSE(host::LoadOptionLines(b).has_value());

    std::string evil = host::OptionsFilePath("../../etc/x", "P_1", folder_.string());
    EXPECT_EQ(std::filesystem::path(evil).parent_path(), folder_);
    EXPECT_NE(host::OptionsFilePath("A_B", "C", folder_.string()),
              host::OptionsFilePath("A", "B_C", folder_.string()));
}

TEST_F(OptionFiles, MissingFileIsNoOptionsButDamagedFilesAreRefusedWithTheirName) {
    std::string path = host::OptionsFilePath("OPERADOR", "PAG00901", folder_.string());
    EXPECT_FALSE(host::LoadOptionLines(path).has_value());

    auto refused = [&](const std::string& content) {
        Write(path, content);
        try {
            host::LoadOptionLines(path);
        } catch (const platform::Exception& e) {
            EXPECT_NE(e.Message().find("danificado"), std::string::npos) << e.Message();
            EXPECT_NE(e.Message().find(path), std::string::npos);
            return true;
        }
        return false;
    };
    EXPECT_TRUE(refused(""));
    EXPECT_TRUE(refused("lixo\nnrCtbl=1\n"));
    EXPECT_TRUE(refused("pag00900-opcoes 1\nsemigual\n"));
    EXPECT_TRUE(refused("pag00900-opcoes 1\n=valor\n"));
    EXPECT_TRUE(refused("pag00900-opcoes 1\nx=barra no fim\\\n"));
    EXPECT_TRUE(refused("pag00900-opcoes 1\nx=\\q\n"));
    EXPECT_TRUE(refused("pag00900-opcoes 1\n" + std::string(2 * 1024 * 1024, 'x')));
    // A final line without its line break is still read.
    Write(path, "pag00900-opcoes 1\nnrCtbl=1");
    EXPECT_EQ(*host::LoadOptionLines(path), std::vector<std::string>{"nrCtbl=1"});
}

TEST_F(OptionFiles, FailedSaveRaisesAndLeavesNoTemporaryFile) {
    std::string path = host::OptionsFilePath("OPERADOR", "PAG00901", folder_.string());
    std::filesystem::create_directories(path); // a folder where the file should go
    try {
        host::SaveOptionLines(path, {"nrCtbl=2"});
        ADD_FAILURE() << "save over a folder succeeded";
    } catch (const platform::Exception& e) {
        EXPECT_NE(e.Message().find("Não foi possível salvar"), std::string::npos);
    }
    int entries = 0;
    for (auto& entry : std::filesystem::directory_iterator(folder_)) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
    EXPECT_THROW(host::LoadOptionLines(path), platform::Exception);
}
