// Tests of edit masks: FormatMaskText, the parsed mask and the masked-edit typing model.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/editmask.h"
#include "platform/formats.h"
#include "platform/sysutils.h"

using namespace platform;

namespace {

struct FormatCase {
    const char* mask;
    const char* value;
    std::string expected;
};

std::string Blanks(int n) {
    return std::string(static_cast<std::size_t>(n), ' ');
}

} // namespace

// ---------------------------------------------------------------- FormatMaskText

TEST(FormatMaskText, LaysValuesIntoTheMaskLikeThePlatform) {
    const FormatCase cases[] = {
        // Pictures the screens use: literals not stored, blank as placeholder.
        {"99999999999999999999;0; ", "12345", "12345" + Blanks(15)},
        {"9999-9;0; ", "12345", "1234-5"},
        {"9999-9;0; ", "123", "123 - "},
        {"9999-9;0; ", "", "    - "},
        {"99.999.999/9999-99;0; ", "12345678000195", "12.345.678/0001-95"},
        {"999.999.999-99;0; ", "12345678901", "123.456.789-01"},
        {"99;0; ", "1", "1 "},
        // No mask: the value unchanged; a mask of directives only is no mask either.
        {"", "abc", "abc"},
        {"!>;0; ", "abc", "abc"},
        // Literals stored with the value, or inserted when the value lacks them.
        {"(999) 000-0000;1;_", "(123) 456-7890", "(123) 456-7890"},
        {"(999) 000-0000;1;_", "1234567890", "(123) 456-7890"},
        {"99/99/9999;1;_", "01-02-2024", "01/02/2024"},
        {"(999) 000-0000;0;_", "12345", "(123) 45_-____"},
        // Case conversion.
        {">LL-0000;0;_", "ab1234", "AB-1234"},
        {"<LL;0;_", "AB", "ab"},
        {">L<l<>L;0;_", "abC", "AbC"},
        {">L<l<>L;0;_", "aBc", "Abc"},
        {">LLL;0;_", "ção", "ÇÃO"},
        // Escapes: the next character is a literal, ';' included.
        {"\\9\\L-99;0;_", "12", "9L-12"},
        {"\\\\99;0;_", "12", "\\12"},
        {"99\\;9;0; ", "123", "12;3"},
        // '!': filled from the end, blanks leading.
        {"!999;0;_", "12", "_12"},
        {"!999;0; ", "1", "  1"},
        {"!99-99;0;_", "123", "_1-23"},
        {"!99/99/9999;1;_", "01/02/2024", "01/02/2024"},
        // Separators, the blank position and the blank character.
        {"00:00;0;_", "1230", "12:30"},
        {"99_99;0;*", "1234", "12 34"},
        {"9999;0;*", "12", "12**"},
        // Default sections: literals saved, blank '_'.
        {"999", "12", "12_"},
        {"999;0", "1", "1__"},
        {"99;0;", "1", "1_"},
        // Values that do not fit: surplus kept beyond the mask, characters not checked.
        {"99-9;0; ", "12345", "12-345"},
        {"!9-9;0; ", "123", "12-3"},
        {"9999-9;0; ", "1234X", "1234-X"},
        {"AAA-aaa;0;_", "ab", "ab_-___"},
        {"#99;0;_", "-12", "-12"},
        {"CCC;0;_", "a b", "a b"},
        // UTF-8 counts characters; bytes that are not UTF-8 pass unchanged.
        {"99º;0;_", "12", "12º"},
        {"L-L;0;_", "\xff\xfe", "\xff-\xfe"},
    };
    for (const FormatCase& c : cases)
        EXPECT_EQ(FormatMaskText(c.mask, c.value), c.expected)
            << "mask \"" << c.mask << "\" value \"" << c.value << "\"";
}

TEST(FormatMaskText, SeparatorCharactersFollowTheFormatSettings) {
    TFormatSettings fs;
    fs.DateSeparator = '.';
    fs.TimeSeparator = 'h';
    EXPECT_EQ(TEditMask("99/99;0;_", fs).Format("1234"), "12.34");
    EXPECT_EQ(TEditMask("99:99;0;_", fs).Format("1234"), "12h34");
    EXPECT_EQ(TEditMask("99\\/99;0;_", fs).Format("1234"), "12/34");
}

// ---------------------------------------------------------------- the parsed mask

TEST(EditMask, ParsesSectionsAndPositions) {
    TEditMask mask("99.999;0; ");
    EXPECT_EQ(mask.Length(), 6);
    EXPECT_EQ(mask.MaxLength(), 6);
    EXPECT_EQ(mask.InputCount(), 5);
    EXPECT_TRUE(mask.IsLiteral(2));
    EXPECT_FALSE(mask.IsLiteral(0));
    EXPECT_FALSE(mask.SaveLiterals());
    EXPECT_EQ(mask.Blank(), U' ');
    EXPECT_FALSE(mask.Reverse());
    EXPECT_EQ(mask.EmptyEditText(), "  .   ");

    TEditMask defaults("!>LL");
    EXPECT_TRUE(defaults.SaveLiterals());
    EXPECT_EQ(defaults.BlankText(), "_");
    EXPECT_TRUE(defaults.Reverse());
    EXPECT_EQ(defaults.Position(1).caseConversion, TMaskCase::Upper);
    EXPECT_THROW(defaults.Position(2), ERangeError);
    EXPECT_THROW(defaults.Position(-1), ERangeError);
    EXPECT_TRUE(TEditMask().IsEmpty());
    EXPECT_EQ(TEditMask("99º;0;_").Length(), 3);
}

TEST(EditMask, EveryMaskCharacterHasItsKindAndRequirement) {
    TEditMask mask("LlAaCc09#");
    const std::pair<TMaskCharKind, bool> expected[] = {
        {TMaskCharKind::Letter, true},       {TMaskCharKind::Letter, false},
        {TMaskCharKind::AlphaNumeric, true}, {TMaskCharKind::AlphaNumeric, false},
        {TMaskCharKind::Any, true},          {TMaskCharKind::Any, false},
        {TMaskCharKind::Digit, true},        {TMaskCharKind::Digit, false},
        {TMaskCharKind::DigitOrSign, false},
    };
    ASSERT_EQ(mask.Length(), 9);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(mask.Position(i).kind, expected[i].first) << i;
        EXPECT_EQ(mask.Position(i).required, expected[i].second) << i;
    }
}

TEST(EditMask, PositionsAcceptOnlyTheirCharacters) {
    TEditMask mask("LAC09#-");
    struct Probe {
        int position;
        char32_t ch;
        bool accepted;
    };
    const Probe probes[] = {
        {0, U'a', true},  {0, U'ç', true},  {0, U'1', false},  {0, U' ', false}, {1, U'1', true},
        {1, U'Z', true},  {1, U'-', false}, {2, U'-', true},   {2, U' ', true},  {2, U'\t', false},
        {3, U'7', true},  {3, U' ', false}, {3, U'+', false},  {4, U'7', true},  {4, U' ', true},
        {4, U'x', false}, {5, U'+', true},  {5, U'-', true},   {5, U'5', true},  {5, U'x', false},
        {6, U'-', false}, {7, U'1', false}, {-1, U'1', false},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(mask.Accepts(p.position, p.ch), p.accepted)
            << p.position << " " << static_cast<int>(p.ch);
}

TEST(EditMask, TextReadsBackWithoutLiteralsAndTrailingBlanks) {
    const FormatCase cases[] = {
        {"99;0; ", "1 ", "1"},
        {"99;0; ", " 2", " 2"},
        {"99;0; ", "  ", ""},
        {"(999) 000-0000;0;_", "(12_) 345-____", "12 345"},
        {"(999) 000-0000;1;_", "(12_) 345-____", "(12 ) 345-    "},
        {"!999;0;_", "_12", "12"},
        {"!999;0;_", "1_2", "1 2"},
        {"!99/99/9999;1;_", "__/__/____", "  /  /    "},
        {"!99/99/9999;1;_", "01/02/2024", "01/02/2024"},
        {"", "livre", "livre"},
    };
    for (const FormatCase& c : cases)
        EXPECT_EQ(TEditMask(c.mask).ValueFromEditText(c.value), c.expected)
            << c.mask << " / " << c.value;
}

TEST(EditMask, ValueSurvivesTheEditText) {
    TEditMask cnpj("99.999.999/9999-99;0; ");
    for (const char* value : {"12345678000195", "123", ""})
        EXPECT_EQ(cnpj.ValueFromEditText(cnpj.EditTextFromValue(value)), value);
    EXPECT_EQ(TEditMask("99;0; ").EditTextFromValue("3"), "3 ");
    EXPECT_EQ(TEditMask("99-9;0; ").EditTextFromValue("12345"), "12-3");
}

TEST(EditMask, NormalizeRestoresLiteralsAndLength) {
    TEditMask mask("99-99;0;_");
    EXPECT_EQ(mask.Normalize("1"), "1_-__");
    EXPECT_EQ(mask.Normalize("12x34"), "12-34");
    EXPECT_EQ(mask.Normalize("12-3456"), "12-34");
}

TEST(EditMask, FirstMissingRequiredFindsUnfilledRequiredPositions) {
    TEditMask phone("(000) 000-0000;0;_");
    EXPECT_EQ(phone.FirstMissingRequired("(12_) ___-____"), 3);
    EXPECT_EQ(phone.FirstMissingRequired("(123) 456-7890"), -1);
    EXPECT_EQ(phone.FirstMissingRequired("(12 ) 456-7890"), 3);
    EXPECT_EQ(TEditMask("999;0;_").FirstMissingRequired("___"), -1);
    EXPECT_EQ(TEditMask("CC;0;_").FirstMissingRequired(" x"), -1);
    EXPECT_EQ(TEditMask("CC;0;_").FirstMissingRequired("_x"), 0);
}

// ---------------------------------------------------------------- typing

TEST(MaskTyping, CompanyEditTakesTwoDigits) {
    TEditMask mask("99;0; ");
    auto first = MaskTypeKey(mask, mask.EmptyEditText(), 0, 0, "1");
    ASSERT_TRUE(first.accepted);
    EXPECT_EQ(first.editText, "1 ");
    EXPECT_EQ(first.cursor, 1);
    EXPECT_EQ(mask.ValueFromEditText(first.editText), "1");

    auto second = MaskTypeKey(mask, first.editText, first.cursor, 0, "2");
    ASSERT_TRUE(second.accepted);
    EXPECT_EQ(second.editText, "12");
    EXPECT_EQ(second.cursor, 2);

    EXPECT_FALSE(MaskTypeKey(mask, second.editText, 2, 0, "3").accepted); // full
    auto letter = MaskTypeKey(mask, "  ", 0, 0, "a");
    EXPECT_FALSE(letter.accepted);
    EXPECT_EQ(letter.editText, "  ");

    auto replaced = MaskTypeKey(mask, "12", 0, 2, "7");
    EXPECT_EQ(replaced.editText, "7 ");
    EXPECT_EQ(replaced.cursor, 1);
}

TEST(MaskTyping, SkipsLiteralsAndJumpsToATypedLiteral) {
    TEditMask date("!99/99/9999;1;_");
    EXPECT_EQ(date.EmptyEditText(), "__/__/____");
    auto pasted = MaskTypeKey(date, date.EmptyEditText(), 0, 0, "01022024");
    EXPECT_EQ(pasted.editText, "01/02/2024");
    EXPECT_EQ(pasted.cursor, 10);
    EXPECT_EQ(date.ValueFromEditText(pasted.editText), "01/02/2024");

    auto jumped = MaskTypeKey(date, date.EmptyEditText(), 0, 0, "1/");
    EXPECT_EQ(jumped.editText, "1_/__/____");
    EXPECT_EQ(jumped.cursor, 3);

    auto onLiteral = MaskTypeKey(date, "01/__/____", 2, 0, "5");
    EXPECT_EQ(onLiteral.editText, "01/5_/____");
    EXPECT_EQ(onLiteral.cursor, 4);

    auto stopsAtRefused = MaskTypeKey(date, date.EmptyEditText(), 0, 0, "12x34");
    EXPECT_TRUE(stopsAtRefused.accepted);
    EXPECT_EQ(stopsAtRefused.editText, "12/__/____");
}

TEST(MaskTyping, ConvertsCaseAndHonoursKinds) {
    EXPECT_EQ(MaskTypeKey(TEditMask(">LL;0;_"), "__", 0, 0, "a").editText, "A_");
    EXPECT_EQ(MaskTypeKey(TEditMask("<LL;0;_"), "__", 0, 0, "Ç").editText, "ç_");
    EXPECT_EQ(MaskTypeKey(TEditMask("#99;0;_"), "___", 0, 0, "-").editText, "-__");
    EXPECT_EQ(MaskTypeKey(TEditMask("99_99;0;*"), "** **", 0, 0, "1234").editText, "12 34");
    // A space in an optional position leaves it unfilled.
    auto space = MaskTypeKey(TEditMask("999;0;_"), "___", 0, 0, " ");
    EXPECT_EQ(space.editText, "___");
    EXPECT_EQ(space.cursor, 1);
    EXPECT_FALSE(MaskTypeKey(TEditMask("000;0;_"), "___", 0, 0, " ").accepted);
}

TEST(MaskTyping, DeletingBlanksPositionsAndKeepsLiterals) {
    TEditMask mask("99-99;0;_");
    auto back = MaskDeleteKey(mask, "12-34", 3, 0, true);
    EXPECT_EQ(back.editText, "1_-34");
    EXPECT_EQ(back.cursor, 1);
    auto del = MaskDeleteKey(mask, "12-34", 2, 0, false);
    EXPECT_EQ(del.editText, "12-_4");
    EXPECT_EQ(del.cursor, 2);
    auto range = MaskDeleteKey(mask, "12-34", 1, 3, false);
    EXPECT_EQ(range.editText, "1_-_4");
    EXPECT_EQ(range.cursor, 1);
    EXPECT_FALSE(MaskDeleteKey(mask, "12-34", 2, 1, false).accepted); // only a literal selected
    EXPECT_FALSE(MaskDeleteKey(mask, "12-34", 0, 0, true).accepted);
    EXPECT_FALSE(MaskDeleteKey(mask, "12-34", 5, 0, false).accepted);
    EXPECT_EQ(mask.ValueFromEditText(range.editText), "1  4");
}

TEST(MaskTyping, OutOfRangeSelectionsAreClamped) {
    TEditMask mask("99;0; ");
    auto all = MaskTypeKey(mask, "12", -5, 100, "3");
    EXPECT_EQ(all.editText, "3 ");
    EXPECT_EQ(all.cursor, 1);
    auto past = MaskTypeKey(mask, "12", 100, 0, "3");
    EXPECT_FALSE(past.accepted);
    EXPECT_EQ(past.cursor, 2);
    EXPECT_EQ(MaskDeleteKey(mask, "12", -3, -3, true).cursor, 0);
}

TEST(PlainTyping, InsertsUpToMaxLength) {
    auto appended = PlainTypeKey("abc", 3, 0, "d", 7);
    EXPECT_EQ(appended.editText, "abcd");
    EXPECT_EQ(appended.cursor, 4);
    EXPECT_FALSE(PlainTypeKey("1234567", 7, 0, "8", 7).accepted);
    EXPECT_EQ(PlainTypeKey("1234567", 0, 7, "8", 7).editText, "8");
    auto pasted = PlainTypeKey("", 0, 0, "123456789", 7);
    EXPECT_EQ(pasted.editText, "1234567");
    EXPECT_EQ(pasted.cursor, 7);
    auto accented = PlainTypeKey("ab", 1, 0, "ç", 3);
    EXPECT_EQ(accented.editText, "açb");
    EXPECT_EQ(accented.cursor, 2);
    EXPECT_FALSE(PlainTypeKey("ab", 0, 0, "\t", 0).accepted);
    EXPECT_EQ(MaskTypeKey(TEditMask(), "ab", 2, 0, "cdefgh").editText,
              "abcdefgh"); // no mask, no limit
}

TEST(PlainTyping, DeletesCharactersOrTheSelection) {
    EXPECT_EQ(PlainDeleteKey("abc", 3, 0, true).editText, "ab");
    EXPECT_FALSE(PlainDeleteKey("abc", 0, 0, true).accepted);
    EXPECT_EQ(PlainDeleteKey("abc", 0, 0, false).editText, "bc");
    EXPECT_FALSE(PlainDeleteKey("abc", 3, 0, false).accepted);
    auto sel = PlainDeleteKey("açc", 1, 1, false);
    EXPECT_EQ(sel.editText, "ac");
    EXPECT_EQ(sel.cursor, 1);
}

// ---------------------------------------------------------------- bad input

TEST(EditMaskBadInput, OddMasksAndValuesNeverBreakTheInvariants) {
    const std::vector<std::string> masks = {
        "",
        ";",
        ";;",
        "\\",
        "!",
        "<>",
        ";0;",
        "99;0;  extra;more",
        "\xff\xfe",
        "L;x;yz",
        "9\\",
        "\\;",
        "<<>>",
        std::string(500, '9') + ";0; ",
        "ç#a\\\\C;1;ã",
        "99;0;\xff",
    };
    const std::vector<std::string> values = {
        "",          "x",   "12345", std::string(1000, '7'), "\xc3",
        "a\xe2\x82", "ção", "\t\n",  std::string("\0a", 2)};
    for (const std::string& m : masks) {
        TEditMask mask(m);
        for (const std::string& v : values) {
            (void)FormatMaskText(m, v);
            std::string edit = mask.EditTextFromValue(v);
            if (!mask.IsEmpty()) { ASSERT_EQ(mask.Normalize(edit), edit) << m; }
            (void)mask.ValueFromEditText(v);
            (void)mask.FirstMissingRequired(v);
            for (int pos = -1; pos <= mask.Length() + 1; pos += (mask.Length() > 20 ? 97 : 1)) {
                auto typed = MaskTypeKey(mask, edit, pos, 1, v.empty() ? "1" : v.substr(0, 1));
                auto deleted = MaskDeleteKey(mask, typed.editText, pos, 0, pos % 2 == 0);
                if (!mask.IsEmpty()) {
                    ASSERT_EQ(mask.Normalize(typed.editText), typed.editText) << m;
                    ASSERT_EQ(mask.Normalize(deleted.editText), deleted.editText) << m;
                }
                ASSERT_GE(typed.cursor, 0);
                ASSERT_LE(typed.cursor,
                          std::max(mask.Length(), static_cast<int>(Utf8Length(edit)) + 1000));
            }
        }
    }
}
