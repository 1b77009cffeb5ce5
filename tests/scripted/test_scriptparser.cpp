// The script language: words, quoting, comments, commands and their checks, and key names.
#include <gtest/gtest.h>

#include "platform/keys.h"
#include "scripted/keystroke.h"
#include "scripted/scriptparser.h"

using scripted::EScriptError;
using scripted::ParseKeyStroke;
using scripted::ParseLine;
using scripted::ParseScript;
using scripted::SplitWords;
using scripted::TCommandKind;
using scripted::TWord;

TEST(ScriptWords, QuotedWordsKeepBlanksEscapesAndTheirQuoting) {
    auto words = SplitWords(R"(type  medCdEmpresa "a \"b\" \\ c\td"  plain)");
    ASSERT_EQ(words.size(), 4u);
    EXPECT_EQ(words[0], (TWord{"type", false}));
    EXPECT_EQ(words[2], (TWord{"a \"b\" \\ c\td", true}));
    EXPECT_EQ(words[3], (TWord{"plain", false}));
    auto empty = SplitWords(R"(expect x.Text = "")");
    ASSERT_EQ(empty.size(), 4u);
    EXPECT_EQ(empty[3], (TWord{"", true}));
}

TEST(ScriptWords, HashStartsACommentOnlyOutsideQuotes) {
    auto words = SplitWords(R"(type a "x # y" # the rest is a comment "z)");
    ASSERT_EQ(words.size(), 3u);
    EXPECT_EQ(words[2].text, "x # y");
    EXPECT_TRUE(SplitWords("   # only a comment").empty());
    EXPECT_EQ(scripted::StripComment(R"(  pick 01 "#2"  # choose)"), R"(pick 01 "#2")");
}

TEST(ScriptWords, MalformedQuotingIsRefused) {
    EXPECT_THROW(SplitWords(R"(type a "open)"), EScriptError);
    EXPECT_THROW(SplitWords(R"(type a "bad \n escape")"), EScriptError);
    EXPECT_THROW(SplitWords(R"(type a "x"y)"), EScriptError);
    EXPECT_THROW(SplitWords(R"(type a x"y")"), EScriptError);
    EXPECT_THROW(SplitWords(R"(type a "ends with backslash\)"), EScriptError);
}

TEST(ScriptCommands, EachCommandTakesItsArguments) {
    EXPECT_EQ(ParseLine("open", 1)->kind, TCommandKind::Open);
    auto type = ParseLine(R"(type medCdEmpresa "01")", 2);
    EXPECT_EQ(type->kind, TCommandKind::Type);
    EXPECT_EQ(type->target, "medCdEmpresa");
    EXPECT_EQ(type->args.at(0).text, "01");
    EXPECT_EQ(ParseLine("key dbgPadrao space", 3)->args.at(0).text, "space");
    EXPECT_EQ(ParseLine("select rdgCtbl 2", 4)->kind, TCommandKind::Select);
    EXPECT_EQ(ParseLine("row dbgPadrao 3", 5)->args.at(0).text, "3");
    EXPECT_EQ(ParseLine("title dbgPadrao IDMARCADO", 6)->args.at(0).text, "IDMARCADO");
    EXPECT_EQ(ParseLine("answer yes", 7)->kind, TCommandKind::Answer);
    EXPECT_TRUE(ParseLine("pick", 8)->args.empty());
    EXPECT_EQ(ParseLine("pick 01 02 03", 9)->args.size(), 3u);
    EXPECT_EQ(ParseLine("CLOSE", 10)->kind, TCommandKind::Close);
    EXPECT_EQ(ParseLine("print cdsBaixaPag.RecordCount", 11)->target, "cdsBaixaPag.RecordCount");
    EXPECT_FALSE(ParseLine("  # nothing here", 12).has_value());
    EXPECT_FALSE(ParseLine("", 13).has_value());
}

TEST(ScriptCommands, ExpectNeedsReferenceEqualsAndOneValue) {
    auto expect = ParseLine(R"(expect edtNmEmpresa.Text = "EMPRESA 01"  # name shown)", 4);
    ASSERT_TRUE(expect);
    EXPECT_EQ(expect->kind, TCommandKind::Expect);
    EXPECT_EQ(expect->target, "edtNmEmpresa.Text");
    EXPECT_EQ(expect->args.at(0), (TWord{"EMPRESA 01", true}));
    EXPECT_EQ(expect->source, R"(expect edtNmEmpresa.Text = "EMPRESA 01")");
    EXPECT_EQ(expect->line, 4);
    EXPECT_THROW(ParseLine("expect a.Text", 1), EScriptError);
    EXPECT_THROW(ParseLine("expect a.Text == 1", 1), EScriptError);
    EXPECT_THROW(ParseLine(R"(expect a.Text "=" 1)", 1), EScriptError);
    EXPECT_THROW(ParseLine("expect a.Text = 1 2", 1), EScriptError);
}

TEST(ScriptCommands, WrongArgumentsNameTheLine) {
    EXPECT_THROW(ParseLine("open now", 1), EScriptError);
    EXPECT_THROW(ParseLine("focus", 1), EScriptError);
    EXPECT_THROW(ParseLine("type medCdEmpresa", 1), EScriptError);
    EXPECT_THROW(ParseLine("select rdgCtbl -1", 1), EScriptError);
    EXPECT_THROW(ParseLine("row dbgPadrao 0", 1), EScriptError);
    EXPECT_THROW(ParseLine("answer Maybe", 1), EScriptError);
    EXPECT_THROW(ParseLine("\"open\"", 1), EScriptError);
    try {
        ParseScript("open\n\n# comment\nfly away\n");
        FAIL() << "an unknown command must be refused";
    } catch (const EScriptError& e) {
        EXPECT_NE(std::string(e.what()).find("linha 4"), std::string::npos) << e.what();
    }
}

TEST(ScriptCommands, AWholeScriptKeepsLineNumbers) {
    auto commands = ParseScript("# start\nopen\r\n\nexpect boStCriado = true\n");
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].line, 2);
    EXPECT_EQ(commands[1].line, 4);
    EXPECT_EQ(commands[1].target, "boStCriado");
}

TEST(ScriptKeys, NamesBecomeCharactersOrShortcuts) {
    using platform::ssCtrl;
    using platform::ssShift;
    EXPECT_EQ(*ParseKeyStroke("a"), (scripted::TKeyStroke{true, U'a', 0, 0}));
    EXPECT_EQ(*ParseKeyStroke("ç"), (scripted::TKeyStroke{true, U'ç', 0, 0}));
    EXPECT_EQ(*ParseKeyStroke("space"), (scripted::TKeyStroke{true, U' ', 0, 0}));
    EXPECT_EQ(*ParseKeyStroke("ENTER"), (scripted::TKeyStroke{true, U'\r', 0, 0}));
    EXPECT_EQ(*ParseKeyStroke("esc"), (scripted::TKeyStroke{true, 27, 0, 0}));
    EXPECT_EQ(*ParseKeyStroke("ctrl+L"), (scripted::TKeyStroke{false, 0, 'L', ssCtrl}));
    EXPECT_EQ(*ParseKeyStroke("shift+tab"),
              (scripted::TKeyStroke{false, 0, platform::VK_TAB, ssShift}));
    EXPECT_EQ(*ParseKeyStroke("delete"), (scripted::TKeyStroke{false, 0, platform::VK_DELETE, 0}));
    EXPECT_EQ(*ParseKeyStroke("F1"), (scripted::TKeyStroke{false, 0, platform::VK_F1, 0}));
    EXPECT_FALSE(ParseKeyStroke("hyperspace"));
    EXPECT_FALSE(ParseKeyStroke(""));
}
