// The one check of untrusted text (UTF-8, control characters) and the sanitiser of echoed text.
#include <gtest/gtest.h>

#include "platform/sysutils.h"

using platform::FindBadTextByte;
using platform::SanitizedText;

namespace {

constexpr std::size_t npos = std::string_view::npos;

TEST(TextCheck, AcceptsUtf8OfEveryLengthAndNamesTheFirstBadByte) {
    EXPECT_EQ(FindBadTextByte(""), npos);
    EXPECT_EQ(FindBadTextByte("Pagto ção € 𝄞"), npos);
    EXPECT_EQ(FindBadTextByte(std::string("ab\0c", 4)), 2u);
    EXPECT_EQ(FindBadTextByte("ab\rc"), 2u);
    EXPECT_EQ(FindBadTextByte("a\x7f"), 1u);
    EXPECT_EQ(FindBadTextByte("a\x1b[0m"), 1u);
    EXPECT_EQ(FindBadTextByte("a\xc3"), 1u);            // cut short
    EXPECT_EQ(FindBadTextByte("a\xc3x"), 1u);           // no continuation
    EXPECT_EQ(FindBadTextByte("\xc0\x80"), 0u);         // overlong NUL
    EXPECT_EQ(FindBadTextByte("\xe0\x80\x80"), 0u);     // overlong
    EXPECT_EQ(FindBadTextByte("\xed\xa0\x80"), 0u);     // surrogate
    EXPECT_EQ(FindBadTextByte("\xf4\x90\x80\x80"), 0u); // above U+10FFFF
    EXPECT_EQ(FindBadTextByte("ok\x80"), 2u);           // lone continuation
}

TEST(TextCheck, TheTabIsAllowedOnlyWhenAsked) {
    EXPECT_EQ(FindBadTextByte("a\tb"), 1u);
    EXPECT_EQ(FindBadTextByte("a\tb", true), npos);
    EXPECT_EQ(FindBadTextByte("a\t\nb", true), 2u);
}

TEST(Sanitiser, ReplacesBadBytesKeepsGoodTextAndBoundsTheLength) {
    EXPECT_EQ(SanitizedText("Empresa ção"), "Empresa ção");
    EXPECT_EQ(SanitizedText(std::string("a\0b\r\n\xc3z", 7)), "a?b???z");
    EXPECT_EQ(SanitizedText("ççççç", 3), "ççç...");
    EXPECT_EQ(SanitizedText(std::string(1u << 20, 'x'), 60).size(), 63u);
    EXPECT_EQ(FindBadTextByte(SanitizedText("\xff\xfe\x01 ok \xed\xa0\x80")), npos);
}

} // namespace
