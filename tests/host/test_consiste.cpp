// Consiste: padding, emptiness, the amount key filter, tax-id masks and cell pictures.
#include <gtest/gtest.h>

#include "fake_services.h"
#include "host/consiste.h"
#include "platform/formats.h"
#include "platform/serverreply.h"
#include "platform/sysutils.h"

using namespace host::Consiste;
using platform::EAbort;

TEST(Ajusta, PadsDigitsOnTheLeftAndKeepsEmptyTextEmpty) {
    EXPECT_EQ(Ajusta("1", 2), "01");
    EXPECT_EQ(Ajusta("01", 2), "01");
    EXPECT_EQ(Ajusta(" 123 ", 7), "0000123");
    EXPECT_EQ(Ajusta("", 7), "");
    EXPECT_EQ(Ajusta("   ", 7), "");
    // Non-digits are kept and filled up the same way; longer texts are not cut.
    EXPECT_EQ(Ajusta("A1", 4), "00A1");
    EXPECT_EQ(Ajusta("12345678", 7), "12345678");
    // Width counts characters, not bytes.
    EXPECT_EQ(Ajusta("ção", 5), "00ção");
}

TEST(Ajusta, PaddedDocumentNumbersCompareInNumericOrder) {
    EXPECT_GT(Ajusta("20", 7), Ajusta("3", 7));
    EXPECT_LT(Ajusta("9", 7), Ajusta("10", 7));
}

TEST(EmptyString, BlankTextsAndEmptyDateEditsAreEmpty) {
    EXPECT_TRUE(EmptyString(""));
    EXPECT_TRUE(EmptyString("   "));
    EXPECT_TRUE(EmptyString(" \t "));
    EXPECT_TRUE(EmptyString("  /  /    "));
    EXPECT_FALSE(EmptyString("0"));
    EXPECT_FALSE(EmptyString(" a "));
    EXPECT_FALSE(EmptyString("01/01/2024"));
    EXPECT_FALSE(EmptyString("  /01/    "));
    // A lone separator is something typed, not an empty date edit.
    EXPECT_FALSE(EmptyString("/"));
}

TEST(MaxNumber, AcceptsKeysWithinTenIntegerDigitsAndTwoDecimals) {
    EXPECT_TRUE(MaxNumber("", 10, 2, "1", 0, 0));
    EXPECT_TRUE(MaxNumber("123456789", 10, 2, "0", 9, 0));
    EXPECT_TRUE(MaxNumber("1234567890", 10, 2, ",", 10, 0));
    EXPECT_TRUE(MaxNumber("1234567890,1", 10, 2, "2", 12, 0));
    // Thousands separators in the text do not count as digits.
    EXPECT_TRUE(MaxNumber("1.234.567.89", 10, 2, "0", 12, 0));
    // Control keys always pass, even on a full text.
    EXPECT_TRUE(MaxNumber("1234567890,12", 10, 2, "\b", 13, 0));
    EXPECT_TRUE(MaxNumber("1234567890,12", 10, 2, "\r", 13, 0));
}

TEST(MaxNumber, AbortsKeysThatWouldExceedTheLimits) {
    EXPECT_THROW(MaxNumber("1234567890", 10, 2, "1", 10, 0), EAbort);
    EXPECT_THROW(MaxNumber("1,23", 10, 2, "4", 4, 0), EAbort);
    // A digit typed into the integer part of a full integer part, before the separator.
    EXPECT_THROW(MaxNumber("1234567890,5", 10, 2, "1", 0, 0), EAbort);
    // A second decimal separator.
    EXPECT_THROW(MaxNumber("1,5", 10, 2, ",", 3, 0), EAbort);
    // Letters and signs are not part of an amount.
    EXPECT_THROW(MaxNumber("1", 10, 2, "a", 1, 0), EAbort);
    EXPECT_THROW(MaxNumber("1", 10, 2, "-", 0, 0), EAbort);
}

TEST(MaxNumber, TakesTheSelectionIntoAccount) {
    // Typing over selected digits replaces them, so a full number may still change.
    EXPECT_TRUE(MaxNumber("1234567890", 10, 2, "5", 9, 1));
    EXPECT_TRUE(MaxNumber("1,23", 10, 2, "9", 3, 1));
    EXPECT_TRUE(MaxNumber("1234567890,12", 10, 2, "7", 0, 13));
    // Selecting the separator and typing a digit moves decimals into the integer part.
    EXPECT_THROW(MaxNumber("123456789,12", 10, 2, "0", 9, 1), EAbort);
    // A selection past the end is clamped.
    EXPECT_THROW(MaxNumber("1,23", 10, 2, "4", 40, 5), EAbort);
}

TEST(MaxNumber, FollowsTheWorkstationSeparators) {
    platform::TFormatSettings saved = platform::FormatSettings();
    platform::FormatSettings().DecimalSeparator = '.';
    platform::FormatSettings().ThousandSeparator = ',';
    EXPECT_TRUE(MaxNumber("12", 10, 2, ".", 2, 0));
    EXPECT_THROW(MaxNumber("1.23", 10, 2, "4", 4, 0), EAbort);
    platform::FormatSettings() = saved;
}

TEST(PictPess, GivesTheTaxIdMaskOfThePersonKind) {
    EXPECT_EQ(PictPess("F"), "999.999.999-99;0; ");
    EXPECT_EQ(PictPess("J"), "99.999.999/9999-99;0; ");
    EXPECT_EQ(PictPess(" j "), "99.999.999/9999-99;0; ");
    EXPECT_EQ(PictPess("X"), "");
    EXPECT_EQ(PictPess(""), "");
}

TEST(InsereImagem, DrawsTheBitmapCentredWithTheColourTransparent) {
    platform::TCanvas canvas;
    platform::TBitmap picture(16, 16, platform::clOlive);
    InsereImagem(canvas, platform::Rect(100, 20, 140, 38), picture, platform::clOlive);
    ASSERT_EQ(canvas.Operations().size(), 1u);
    const platform::TCanvasOp& op = canvas.Operations()[0];
    EXPECT_EQ(op.kind, platform::TCanvasOp::Draw);
    EXPECT_EQ(op.x, 112);
    EXPECT_EQ(op.y, 21);
    EXPECT_EQ(op.transparentColor, platform::clOlive);
    EXPECT_EQ(op.bitmap, picture);

    InsereImagem(canvas, platform::Rect(0, 0, 10, 10), platform::TBitmap(), platform::clOlive);
    EXPECT_EQ(canvas.Operations().size(), 1u);
}

TEST(MensErro, ShowsTheTextOnceThenAbortsSilently) {
    hosttest::FakeServices services;
    EXPECT_THROW(MensErro("Empresa deve ser informada.", true), EAbort);
    EXPECT_EQ(services.log, std::vector<std::string>{"error Empresa deve ser informada."});
    MensErro("Só avisa.", false);
    EXPECT_EQ(services.log.size(), 2u);
}

TEST(CheckResultServ, ReturnsThePayloadOfASuccessfulReply) {
    hosttest::FakeServices services;
    platform::Variant packet = platform::Variant::FromBytes(std::string("\x01\x02", 2));
    platform::Variant payload = CheckResultServ(platform::ServerReplyOk(packet), true, 0);
    EXPECT_EQ(payload, packet);
    EXPECT_TRUE(services.log.empty());
}

TEST(CheckResultServ, ShowsTheServerMessageOnceAndAbortsOnFailure) {
    hosttest::FakeServices services;
    platform::Variant reply = platform::ServerReplyFailure("Empresa 02 sem histórico padrão.");
    EXPECT_THROW(CheckResultServ(reply, true, 0), EAbort);
    EXPECT_EQ(services.log, std::vector<std::string>{"error Empresa 02 sem histórico padrão."});
    // Without abort the message is shown and nothing is returned.
    EXPECT_TRUE(CheckResultServ(reply, false, 0).IsEmpty());
    EXPECT_EQ(services.log.size(), 2u);
}

TEST(CheckResultServ, ReportsMalformedRepliesAsOneClearMessage) {
    hosttest::FakeServices services;
    platform::Variant notArray("texto solto");
    platform::Variant shortArray = platform::VarArrayCreate({0, 1});
    shortArray[0] = 0;
    platform::Variant badStatus = platform::VarArrayCreate({0, 2});
    badStatus[0] = "zero";
    for (const platform::Variant& reply : {notArray, shortArray, badStatus, platform::Variant()}) {
        services.log.clear();
        EXPECT_THROW(CheckResultServ(reply, true, 0), EAbort);
        ASSERT_EQ(services.log.size(), 1u);
        EXPECT_EQ(services.log[0].rfind("error Resposta inválida do servidor de aplicação", 0), 0u)
            << services.log[0];
    }
}
