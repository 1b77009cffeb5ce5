// Variants: conversions, their errors, arrays with explicit bounds and value semantics.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/formats.h"
#include "platform/variant.h"

using namespace platform;

TEST(Variant, ConvertsBetweenScalarTypes) {
    EXPECT_EQ(Variant("42").AsInteger(), 42);
    EXPECT_EQ(Variant(7).AsString(), "7");
    EXPECT_EQ(Variant(2.5).AsString(), "2,5");
    EXPECT_DOUBLE_EQ(Variant("1,25").AsDouble(), 1.25);
    EXPECT_EQ(Variant().AsString(), "");
    EXPECT_EQ(Variant().AsInteger(), 0);
    EXPECT_TRUE(Variant(1).AsBoolean());
}

TEST(Variant, BadConversionsRaiseClearErrors) {
    EXPECT_THROW(Variant("abc").AsInteger(), EConvertError);
    EXPECT_THROW(Variant::Null().AsInteger(), EVariantError);
    EXPECT_THROW(Variant::Null().AsString(), EVariantError);
    EXPECT_THROW(Variant(std::nan("")).AsInteger(), EVariantError);
    try {
        Variant("abc").AsInteger();
    } catch (const EConvertError& e) { EXPECT_NE(e.Message().find("'abc'"), std::string::npos); }
    EXPECT_EQ(VarToStr(Variant::Null()), "");
}

TEST(Variant, ArraysKeepExplicitBoundsAndCheckAccess) {
    Variant a = VarArrayCreate({0, 4});
    EXPECT_EQ(VarArrayLowBound(a), 0);
    EXPECT_EQ(VarArrayHighBound(a), 4);
    a[0] = "empresa";
    a[4] = Variant::FromBytes(std::string("\x00\x01", 2));
    EXPECT_THROW(a[5], ERangeError);
    EXPECT_THROW(a[-1], ERangeError);

    Variant odd = Variant::Array(3, 5);
    odd[3] = 1;
    EXPECT_THROW(odd[2], ERangeError);
    EXPECT_THROW(Variant(1).LowBound(), EVariantError);
}

TEST(Variant, CopiesOfArraysAreIndependentAndBytesAreShared) {
    Variant a = VarArrayCreate({0, 1});
    a[0] = 1;
    Variant b = a;
    b[0] = 2;
    EXPECT_EQ(a[0].AsInteger(), 1);
    EXPECT_FALSE(a == b);

    Variant bytes = Variant::FromBytes(std::string(1000, 'x'));
    Variant copy = bytes; // NOLINT(performance-unnecessary-copy-initialization): under test
    EXPECT_EQ(bytes.SharedBytes().get(), copy.SharedBytes().get());
    EXPECT_TRUE(bytes == copy);
}

TEST(Variant, NullEmptyAndDatesStayDistinct) {
    EXPECT_FALSE(Variant() == Variant::Null());
    EXPECT_FALSE(Variant::FromDate(45000) == Variant(45000.0));
    EXPECT_FALSE(Variant("") == Variant::Null());
    EXPECT_EQ(Variant::FromDate(45000).AsDate(), 45000.0);
}
