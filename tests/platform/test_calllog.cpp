// The server's log lines: key=value form, quoting, sanitising, and incidents with their id.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "platform/calllog.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

TEST(CallLog, LinesAreKeyValueWithQuotedValuesAndSanitisedBytes) {
    const std::string line = platform::FormatLogLine({{"event", "call"},
                                                      {"operator", "JOÃO DA SILVA"},
                                                      {"empty", ""},
                                                      {"quoted", "a\"b\\c"},
                                                      {"hostile", "x\ny\x1b\xff"}});
    EXPECT_TRUE(
        std::regex_search(line, std::regex(R"(^time=\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z )")))
        << line;
    EXPECT_THAT(line, HasSubstr(" event=call "));
    EXPECT_THAT(line, HasSubstr(" operator=\"JOÃO DA SILVA\" "));
    EXPECT_THAT(line, HasSubstr(" empty=\"\" "));
    EXPECT_THAT(line, HasSubstr(" quoted=\"a\\\"b\\\\c\" "));
    EXPECT_THAT(line, HasSubstr(" hostile=x?y??"));
    EXPECT_EQ(line.find('\n'), std::string::npos);
}

TEST(CallLog, AnIncidentIsLoggedWithItsIdAndMarksTheCurrentCall) {
    std::vector<std::string> lines;
    platform::SetLogSink([&](const std::string& line) { lines.push_back(line); });
    platform::TCallRecord record;
    record.client = "127.0.0.1:5000";
    std::string first, second;
    {
        platform::TCallScope scope(record);
        first = platform::LogIncident("SetConfirmar", "no such table: LISTA");
    }
    EXPECT_EQ(platform::CurrentCall(), nullptr);
    second = platform::LogIncident("GetPrxLista", "connection lost");
    platform::SetLogSink({});

    EXPECT_EQ(first.size(), 12u);
    EXPECT_NE(first, second);
    EXPECT_EQ(record.incident, first);
    EXPECT_EQ(record.outcome, "internal");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_THAT(lines[0], HasSubstr("incident=" + first));
    EXPECT_THAT(lines[0], HasSubstr("client=127.0.0.1:5000"));
    EXPECT_THAT(lines[0], HasSubstr("detail=\"no such table: LISTA\""));
    const std::string message = platform::IncidentMessage("SetConfirmar", first);
    EXPECT_THAT(message, HasSubstr(first));
    EXPECT_THAT(message, Not(HasSubstr("LISTA")));
}

} // namespace
