// The GetBaixaPag_Filtro argument table against the call as it travels, written out here by hand.
#include <gtest/gtest.h>

#include "protocol/filtroargs.h"

using platform::TRpcArg;
using platform::Variant;
using platform::VarType;
using protocol::FiltroArgs;
using protocol::FiltroPosition;
using protocol::FiltroValues;
using protocol::TFiltroCriteria;

TEST(FiltroArgs, KindLettersAreTheServersDeclaration) {
    EXPECT_EQ(protocol::FiltroKindLetters(), "SSSSSSDDSSFFDDSFFFFSDDS");
}

TEST(FiltroArgs, DefaultCriteriaRestrictNothing) {
    const std::vector<Variant> values = FiltroValues({.company = "01"});
    ASSERT_EQ(values.size(), 23u);
    EXPECT_EQ(values[0], Variant("01"));
    for (int n : {2, 3, 4, 5, 6, 9, 10, 15, 20})
        EXPECT_EQ(values[n - 1], Variant(std::string())) << n;
    for (int n : {7, 8, 11, 12, 13, 14, 16, 17, 18, 19, 21, 22}) {
        EXPECT_EQ(values[n - 1].Type(), VarType::Integer)
            << n; // integers, not doubles, on the wire
        EXPECT_EQ(values[n - 1].AsInteger(), 0) << n;
    }
    EXPECT_EQ(values[22], Variant("T"));
}

TEST(FiltroArgs, EachMemberTravelsAtItsPositionWithItsOwnTypeAndReference) {
    std::string suppliers = "'000001'";
    std::string status = "N";
    const std::vector<TRpcArg> args = FiltroArgs({
        .company = "02",
        .suppliers = TRpcArg::Ref(suppliers),
        .documentTo = "0000100",
        .paidTo = Variant::FromDate(45000),
        .amountFrom = 1.5,
        .dueTo = Variant::FromDate(45100),
        .netTo = 9.25,
        .operators = "'JOAO'",
        .enteredFrom = Variant::FromDate(44000),
        .accounting = TRpcArg::Ref(status),
    });
    ASSERT_EQ(args.size(), 23u);
    for (std::size_t i = 0; i < args.size(); ++i)
        EXPECT_EQ(args[i].ByRef(), i == 1 || i == 22) << i + 1;
    EXPECT_EQ(args[0].Value(), Variant("02"));
    EXPECT_EQ(args[1].Value(), Variant("'000001'"));
    EXPECT_EQ(args[3].Value(), Variant("0000100"));
    EXPECT_EQ(args[7].Value(), Variant::FromDate(45000));
    EXPECT_EQ(args[10].Value(), Variant(1.5));
    EXPECT_EQ(args[13].Value(), Variant::FromDate(45100));
    EXPECT_EQ(args[18].Value(), Variant(9.25));
    EXPECT_EQ(args[19].Value(), Variant("'JOAO'"));
    EXPECT_EQ(args[20].Value(), Variant::FromDate(44000));
    EXPECT_EQ(args[22].Value(), Variant("N"));
    EXPECT_EQ(args[6].Value(), Variant(0)); // untouched members keep their defaults
}

TEST(FiltroArgs, PositionsAndNamesFollowTheCall) {
    using F = TFiltroCriteria;
    EXPECT_EQ(FiltroPosition(&F::company), 1);
    EXPECT_EQ(FiltroPosition(&F::postingBranches), 6);
    EXPECT_EQ(FiltroPosition(&F::bankAccounts), 10);
    EXPECT_EQ(FiltroPosition(&F::payableTypes), 15);
    EXPECT_EQ(FiltroPosition(&F::operators), 20);
    EXPECT_EQ(FiltroPosition(&F::accounting), 23);
    EXPECT_STREQ(protocol::kFiltroArgs[1].name, "lista de fornecedores");
    EXPECT_STREQ(protocol::kFiltroArgs[22].name, "situação contábil");
    static_assert(FiltroPosition(&F::netFrom) == 18); // usable where a constant is needed
}
