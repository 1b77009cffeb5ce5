// The transcript's formatting of values, server calls and Services events.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "platform/dataset.h"
#include "platform/datetime.h"
#include "scripted/scriptrunner.h"
#include "scripted/transcript.h"

using platform::TServiceEvent;
using platform::Variant;
using scripted::FormatDate;
using scripted::FormatDouble;
using scripted::FormatEvent;
using scripted::FormatValue;

TEST(TranscriptValues, DoublesAreShortestAndAlwaysCarryAPoint) {
    EXPECT_EQ(FormatDouble(0.0), "0.0");
    EXPECT_EQ(FormatDouble(100.5), "100.5");
    EXPECT_EQ(FormatDouble(-2.25), "-2.25");
    EXPECT_EQ(FormatDouble(0.1), "0.1");
    EXPECT_EQ(FormatDouble(1234567.0), "1234567.0");
    EXPECT_EQ(FormatDouble(1e20), "100000000000000000000.0");
    EXPECT_EQ(FormatDouble(0.1 + 0.2), "0.30000000000000004");
}

TEST(TranscriptValues, DoublesReadBackExactly) {
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> amounts(-1e9, 1e9);
    for (int i = 0; i < 2000; ++i) {
        double value = i % 2 ? amounts(random) : std::ldexp(amounts(random), -40);
        std::string text = FormatDouble(value);
        EXPECT_NE(text.find('.'), std::string::npos) << text;
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
    }
}

TEST(TranscriptValues, DatesAreDaysWithZeroAsNoDate) {
    EXPECT_EQ(FormatDate(0), "0");
    EXPECT_EQ(FormatDate(platform::EncodeDate(2024, 1, 31)), "2024-01-31");
    EXPECT_EQ(FormatDate(platform::EncodeDate(2024, 2, 29) + platform::EncodeTime(13, 5, 9, 0)),
              "2024-02-29T13:05:09");
    EXPECT_EQ(FormatValue(Variant::FromDate(platform::EncodeDate(1999, 12, 1))), "1999-12-01");
    EXPECT_EQ(FormatValue(Variant::FromDate(0)), "0");
}

TEST(TranscriptValues, EveryVariantKindHasOneSpelling) {
    EXPECT_EQ(FormatValue(Variant("a\t\"b\"\\")), R"("a\t\"b\"\\")");
    EXPECT_EQ(FormatValue(Variant(42)), "42");
    EXPECT_EQ(FormatValue(Variant(true)), "true");
    EXPECT_EQ(FormatValue(Variant::Null()), "null");
    EXPECT_EQ(FormatValue(Variant()), "empty");
    Variant array = Variant::Array(0, 2);
    array[0] = "01";
    array[1] = 2.0;
    EXPECT_EQ(FormatValue(array), R"(["01", 2.0, empty])");
    EXPECT_EQ(FormatValue(Variant::FromBytes(std::string("xyz"))), "<bytes 3>");
}

TEST(TranscriptValues, DataPacketsShowTheirRowCount) {
    platform::TClientDataSet data;
    data.AddStringField("CDEMPRESA", 2);
    data.CreateDataSet();
    for (const char* code : {"01", "02", "03"}) {
        data.Append();
        data.FieldByName("CDEMPRESA")->SetAsString(code);
        data.Post();
    }
    EXPECT_EQ(FormatValue(data.Data()), "<packet 3 rows>");
    EXPECT_EQ(
        scripted::FormatCall("GetBaixaPag_Filtro", {Variant("01"), data.Data(), Variant(0.0)}),
        R"(call GetBaixaPag_Filtro("01", <packet 3 rows>, 0.0))");
    EXPECT_EQ(scripted::FormatCall("GetPrxLista", {}), "call GetPrxLista()");
}

namespace {

TServiceEvent Message(platform::TMsgDlgType type, platform::TMsgDlgButtons buttons,
                      platform::TModalResult answer, bool defaulted = false) {
    TServiceEvent e;
    e.kind = TServiceEvent::Message;
    e.text = "Texto\tcom tab";
    e.dlgType = type;
    e.buttons = buttons;
    e.answer = answer;
    e.defaulted = defaulted;
    return e;
}

} // namespace

TEST(TranscriptEvents, BoxesBecomeErrorInfoOrQuestion) {
    using platform::TMsgDlgType;
    TServiceEvent error;
    error.kind = TServiceEvent::Error;
    error.text = "Empresa não cadastrada.";
    EXPECT_EQ(*FormatEvent(error), R"(error "Empresa não cadastrada.")");
    EXPECT_EQ(*FormatEvent(Message(TMsgDlgType::mtInformation, platform::mbOK, platform::mrOk)),
              R"(info "Texto\tcom tab")");
    EXPECT_EQ(*FormatEvent(Message(TMsgDlgType::mtError, platform::mbOK, platform::mrOk)),
              R"(error "Texto\tcom tab")");
    EXPECT_EQ(*FormatEvent(Message(TMsgDlgType::mtConfirmation, platform::mbYesNo, platform::mrNo)),
              R"(question "Texto\tcom tab" -> No)");
    EXPECT_EQ(*FormatEvent(
                  Message(TMsgDlgType::mtConfirmation, platform::mbYesNo, platform::mrYes, true)),
              R"(question "Texto\tcom tab" -> Yes (default))");
}

TEST(TranscriptEvents, PicksBusyCursorAndOtherModules) {
    TServiceEvent pick;
    pick.kind = TServiceEvent::PickList;
    pick.text = "Tipo de Baixa";
    EXPECT_EQ(*FormatEvent(pick), R"(pick "Tipo de Baixa" -> cancelled)");
    pick.picked = true;
    pick.codes = {"01", "03"};
    EXPECT_EQ(*FormatEvent(pick), R"(pick "Tipo de Baixa" -> 01 03)");

    TServiceEvent busy;
    busy.kind = TServiceEvent::BusyOn;
    busy.number = 6;
    EXPECT_EQ(*FormatEvent(busy), "busy on 6");
    busy.kind = TServiceEvent::BusyOff;
    EXPECT_EQ(*FormatEvent(busy), "busy off");
    TServiceEvent cursor;
    cursor.kind = TServiceEvent::Cursor;
    cursor.number = -11;
    EXPECT_EQ(*FormatEvent(cursor), "cursor -11");

    TServiceEvent module;
    module.kind = TServiceEvent::Module;
    module.text = "CTB10200";
    module.params = Variant::Array(0, 1);
    module.params[0] = "PAG";
    module.params[1] = 7;
    EXPECT_EQ(*FormatEvent(module), R"(loadbpl CTB10200 ["PAG", 7])");

    TServiceEvent modal;
    modal.kind = TServiceEvent::Modal;
    EXPECT_FALSE(FormatEvent(modal).has_value());
}

TEST(TranscriptExpect, ValuesMatchByKind) {
    using scripted::TReadValue;
    using scripted::TWord;
    using scripted::ValueMatches;
    EXPECT_TRUE(ValueMatches(TWord{"01", true}, TReadValue{"01", true}));
    EXPECT_TRUE(ValueMatches(TWord{"01", false}, TReadValue{"01", true}));
    EXPECT_FALSE(ValueMatches(TWord{"1", false}, TReadValue{"01", true})); // texts are exact
    EXPECT_TRUE(ValueMatches(TWord{"100.50", false}, TReadValue{"100.5", false}));
    EXPECT_FALSE(ValueMatches(TWord{"100.5", true}, TReadValue{"100.5", false}));
    EXPECT_TRUE(ValueMatches(TWord{"TRUE", false}, TReadValue{"true", false}));
    EXPECT_TRUE(ValueMatches(TWord{"nil", false}, TReadValue{"nil", false}));
    EXPECT_FALSE(ValueMatches(TWord{"null", true}, TReadValue{"null", false}));
    EXPECT_FALSE(ValueMatches(TWord{"set", false}, TReadValue{"nil", false}));
    EXPECT_EQ((TReadValue{"a\"b", true}).Printed(), R"("a\"b")");
}
