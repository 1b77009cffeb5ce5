// The reply convention [status, message, payload]: what the server builds and what the host reads.
#include <gtest/gtest.h>

#include "platform/serverreply.h"

using namespace platform;

TEST(ServerReply, SuccessAndFailureReadBackAsBuilt) {
    TServerReply ok = UnpackServerReply(ServerReplyOk(Variant::FromBytes(std::string("abc"))));
    EXPECT_TRUE(ok.Ok());
    EXPECT_EQ(ok.message, "");
    EXPECT_EQ(ok.payload.AsBytes(), "abc");

    TServerReply failed = UnpackServerReply(ServerReplyFailure("Empresa não cadastrada."));
    EXPECT_FALSE(failed.Ok());
    EXPECT_EQ(failed.status, kServerReplyFailed);
    EXPECT_EQ(failed.message, "Empresa não cadastrada.");
    EXPECT_TRUE(failed.payload.IsEmpty());
    // A failure can never be built with the success status.
    EXPECT_FALSE(UnpackServerReply(ServerReplyFailure("x", kServerReplyOk)).Ok());
}

TEST(ServerReply, ValuesOutsideTheConventionAreRefused) {
    EXPECT_THROW(UnpackServerReply(Variant("0000000001")), EServerReplyError);
    EXPECT_THROW(UnpackServerReply(Variant::Array(0, 1)), EServerReplyError);
    EXPECT_THROW(UnpackServerReply(Variant::Array(1, 3)), EServerReplyError);
    Variant reply = ServerReplyOk(Variant());
    reply[0] = "0";
    EXPECT_THROW(UnpackServerReply(reply), EServerReplyError);
    reply = ServerReplyOk(Variant());
    reply[1] = 7;
    EXPECT_THROW(UnpackServerReply(reply), EServerReplyError);
    reply = ServerReplyOk(Variant());
    reply[0] = std::int64_t{1} << 40; // any status but 0 is a failure, however large
    EXPECT_FALSE(UnpackServerReply(reply).Ok());
}
