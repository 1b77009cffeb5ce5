// Code lists in the pick list's format: what is accepted, what is refused, and the JSON form.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "server/codelist.h"
#include "server/jsonrows.h"

using namespace server;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(CodeList, ParsesQuotedCodesWithDoubledQuotes) {
    EXPECT_TRUE(ParseCodeList("").empty());
    EXPECT_THAT(ParseCodeList("'01'"), ElementsAre("01"));
    EXPECT_THAT(ParseCodeList("'01','02','A''B'"), ElementsAre("01", "02", "A'B"));
    EXPECT_THAT(ParseCodeList("''''"), ElementsAre("'"));
    EXPECT_THAT(ParseCodeList("'Conceição','x,y'"), ElementsAre("Conceição", "x,y"));
}

TEST(CodeList, RefusesAnythingOutsideTheFormat) {
    for (const char* bad : {"01", "'01',", "'01' ,'02'", " '01'", "'01''", "'01'x", "'01',,'02'",
                            "''", "'01','02", "'a'\n", "'\x01'", "'\xff'", "'\xc3'"}) {
        EXPECT_THROW(ParseCodeList(bad), ECodeListError) << bad;
    }
    try {
        ParseCodeList("'01';'02'");
        FAIL();
    } catch (const ECodeListError& e) { EXPECT_THAT(e.Message(), HasSubstr("posição 5")); }
}

TEST(CodeList, BoundsCodeLength) {
    EXPECT_NO_THROW(ParseCodeList("'" + std::string(kMaxCodeLength, 'x') + "'"));
    EXPECT_THROW(ParseCodeList("'" + std::string(kMaxCodeLength + 1, 'x') + "'"), ECodeListError);
}

TEST(CodeList, FormatIsTheInverseOfParse) {
    const std::vector<std::string> codes = {"01", "A'B", "''", "x,y"};
    EXPECT_EQ(FormatCodeList(codes), "'01','A''B','''''','x,y'");
    EXPECT_EQ(ParseCodeList(FormatCodeList(codes)), codes);
}

TEST(CodeList, JsonFormEscapesWhatJsonRequires) {
    EXPECT_EQ(CodesToJsonArray({}), "[]");
    EXPECT_EQ(CodesToJsonArray({"a\"b", "c\\d", "ç"}), R"(["a\"b","c\\d","ç"])");
}

TEST(JsonRows, WritesRowsOfTextsNumbersAndNulls) {
    TJsonRows rows;
    EXPECT_EQ(rows.Take(), "[]");
    rows.BeginRow();
    rows.Text("x");
    rows.Number(0.1);
    rows.TextOrNull("");
    rows.BeginRow();
    rows.Number(-1234.5);
    EXPECT_EQ(rows.RowCount(), 2);
    EXPECT_EQ(rows.Take(), R"([["x",0.1,null],[-1234.5]])");
    EXPECT_THROW(rows.Text("outside a row"), platform::Exception);
}
