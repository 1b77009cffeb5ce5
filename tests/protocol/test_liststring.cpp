// List strings: the format both ways, the fault and position of every refusal, and the limits.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "protocol/liststring.h"

using protocol::EListStringError;
using protocol::FormatCodeList;
using protocol::ParseCodeList;
using protocol::TListStringFault;
using protocol::TListStringLimits;
using ::testing::ElementsAre;

namespace {

// The refusal of `text` under `limits`; fails the test when the text is accepted.
std::pair<TListStringFault, std::size_t> Refusal(std::string_view text,
                                                 const TListStringLimits& limits = {}) {
    try {
        ParseCodeList(text, limits);
    } catch (const EListStringError& e) { return {e.Fault(), e.Position()}; }
    ADD_FAILURE() << "accepted: " << text;
    return {TListStringFault::BadByte, 0};
}

const TListStringLimits kStrict{.maxCodeLength = 3, .maxCodes = 2, .textOnly = true};

} // namespace

TEST(ListString, FormatQuotesEachCodeAndDoublesItsQuotes) {
    EXPECT_EQ(FormatCodeList({}), "");
    EXPECT_EQ(FormatCodeList({"01", "02", "A'B"}), "'01','02','A''B'");
    EXPECT_EQ(FormatCodeList({"'", "''"}), "'''',''''''");
    EXPECT_THROW(FormatCodeList({"01", ""}), platform::EConvertError);
}

TEST(ListString, ParseReadsBackWhatFormatWrites) {
    const std::vector<std::string> awkward{"a,b", " x ", "''", "ção", "'", "x','y", "\t"};
    EXPECT_EQ(ParseCodeList(FormatCodeList(awkward)), awkward);
    EXPECT_TRUE(ParseCodeList("").empty());
    EXPECT_THAT(ParseCodeList("'01','A''B'"), ElementsAre("01", "A'B"));
}

TEST(ListString, EachRefusalNamesItsFaultAndTheBytePosition) {
    using enum TListStringFault;
    const struct {
        const char* text;
        TListStringFault fault;
        std::size_t position;
    } cases[] = {
        {"01", OpeningQuote, 1},    {" '01'", OpeningQuote, 1},
        {",'01'", OpeningQuote, 1}, {"'01',,'02'", OpeningQuote, 6},
        {"'01", ClosingQuote, 4},   {"'01''", ClosingQuote, 6},
        {"''", EmptyCode, 2},       {"'01',''", EmptyCode, 7},
        {"'01'x", Comma, 5},        {"'01' ,'02'", Comma, 5},
        {"'01';'02'", Comma, 5},    {"'01',", TrailingComma, 5},
    };
    for (const auto& c : cases) {
        const auto [fault, position] = Refusal(c.text);
        EXPECT_EQ(fault, c.fault) << c.text;
        EXPECT_EQ(position, c.position) << c.text;
    }
}

TEST(ListString, TheMessageSaysWhereAndWhat) {
    try {
        ParseCodeList("'01';'02'");
        FAIL();
    } catch (const platform::EConvertError& e) { // what callers without their own wording catch
        EXPECT_EQ(e.Message(), "lista inválida na posição 5: esperada vírgula entre códigos");
    }
}

TEST(ListString, LimitsAreOnlyThoseAskedFor) {
    // Without limits: long codes, many codes, control characters and stray bytes are codes.
    EXPECT_THAT(ParseCodeList("'abcd','\n','\xff'"), ElementsAre("abcd", "\n", "\xff"));
    EXPECT_EQ(ParseCodeList(std::string(1000, 'x').insert(0, "'") + "'").front().size(), 1000u);

    using enum TListStringFault;
    EXPECT_THAT(ParseCodeList("'abc','é'", kStrict), ElementsAre("abc", "é")); // bytes, not letters
    EXPECT_EQ(Refusal("'açã'", kStrict).first, LongCode);
    EXPECT_EQ(Refusal("'abcd'", kStrict), std::pair(LongCode, std::size_t{6}));
    EXPECT_EQ(Refusal("'a','b','c'", kStrict), std::pair(TooManyCodes, std::size_t{11}));
    EXPECT_EQ(Refusal("'a','\n'", kStrict), std::pair(BadByte, std::size_t{6}));
    EXPECT_EQ(Refusal("'\xc3'", kStrict), std::pair(BadByte, std::size_t{2}));     // cut short
    EXPECT_EQ(Refusal("'\xc0\x80'", kStrict), std::pair(BadByte, std::size_t{2})); // overlong
    EXPECT_EQ(Refusal("'a'\x7f", kStrict), std::pair(BadByte, std::size_t{4}));
    // The byte check comes first: a bad byte wins over an earlier fault of the format.
    EXPECT_EQ(Refusal("x'\x01'", kStrict).first, BadByte);
}
