// Database work under a call's deadline, on SQLite and PostgreSQL: a long statement, a lock wait
// and a slow reader end with ECallCancelled soon after the deadline or a Cancel() from another
// thread; the open transaction rolls back and the connection goes on working.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/calldeadline.h"
#include "platform/sql.h"
#include "sqlbackendtest.h"

namespace platform {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using sqltest::SqlBackendTest;
using ::testing::HasSubstr;

// How late after its deadline a stopped statement may raise: generous for a loaded or sanitized
// run, far below the statements' own length (seconds to hours).
constexpr auto kLateness = 1500ms;

class SqlDeadlineTest : public SqlBackendTest {
protected:
    // A statement that runs far longer than any test: a count to 10^9 on SQLite, a 10 s sleep
    // on PostgreSQL.
    const char* LongStatement() const {
        return GetParam() == TSqlKind::SQLite
                   ? "WITH RECURSIVE C(X) AS (SELECT 1 UNION ALL SELECT X + 1 FROM C"
                     " WHERE X < 1000000000) SELECT COUNT(*) FROM C"
                   : "SELECT pg_sleep(10)";
    }

    // Runs `work` under `deadline` and returns how long after `from` it raised ECallCancelled
    // (with `message` in its text); fails the test when it raises nothing or something else.
    template <class Work>
    Clock::duration CancelledAfter(const TCallDeadline& deadline, Clock::time_point from,
                                   const char* message, Work&& work) {
        const TCallDeadlineScope scope(deadline);
        try {
            work();
            ADD_FAILURE() << "a chamada terminou sem ser cancelada";
        } catch (const ECallCancelled& e) { EXPECT_THAT(e.Message(), HasSubstr(message)); }
        return Clock::now() - from;
    }

    static long long Ms(Clock::duration d) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
    }

    // The connection answers and holds what was committed.
    void ExpectUsable(TSqlConnection& db, std::int64_t rows) {
        EXPECT_FALSE(db.InTransaction());
        EXPECT_EQ(db.SelectValue("SELECT COUNT(*) FROM VALORES").AsInteger(), rows);
        db.Execute("INSERT INTO VALORES (ID, TX) VALUES (99, 'depois')");
        EXPECT_EQ(db.SelectValue("SELECT COUNT(*) FROM VALORES").AsInteger(), rows + 1);
    }
};

TEST_P(SqlDeadlineTest, ALongStatementEndsAtTheDeadlineAndItsTransactionRollsBack) {
    db_->Execute("INSERT INTO VALORES (ID, TX) VALUES (1, 'antes')");
    const auto start = Clock::now();
    const TCallDeadline deadline(200ms);
    const auto took = CancelledAfter(deadline, start, "200 ms", [&] {
        TSqlTransaction transaction(*db_);
        db_->Execute("INSERT INTO VALORES (ID, TX) VALUES (2, 'dentro')");
        db_->Execute(LongStatement());
        transaction.Commit();
    });
    std::printf("[ prazo ] %s: cancelada %lld ms depois do prazo\n",
                GetParam() == TSqlKind::SQLite ? "SQLite" : "PostgreSQL", Ms(took - 200ms));
    EXPECT_GE(took, 200ms);
    EXPECT_LT(took, 200ms + kLateness);
    ExpectUsable(*db_, 1); // the row inserted inside the transaction is gone

    // Past the deadline nothing starts: not even a statement that would be quick.
    const TCallDeadline passed(0ms);
    CancelledAfter(passed, Clock::now(), "tempo máximo",
                   [&] { db_->Execute("INSERT INTO VALORES (ID, TX) VALUES (3, 'tarde')"); });
    EXPECT_EQ(db_->SelectValue("SELECT COUNT(*) FROM VALORES WHERE ID = 3").AsInteger(), 0);
}

TEST_P(SqlDeadlineTest, ACancelFromAnotherThreadEndsARunningStatement) {
    TCallDeadline deadline(std::chrono::minutes(10));
    const auto start = Clock::now();
    std::thread stopper([&] {
        std::this_thread::sleep_for(200ms);
        deadline.Cancel();
    });
    const auto took =
        CancelledAfter(deadline, start, "encerrado", [&] { db_->SelectValue(LongStatement()); });
    stopper.join();
    EXPECT_LT(took, 200ms + kLateness);
    ExpectUsable(*db_, 0);
}

TEST_P(SqlDeadlineTest, AWaitForAnotherConnectionsLockEndsAtTheDeadline) {
    db_->Execute("INSERT INTO VALORES (ID, NR) VALUES (1, 0)");
    TSqlTransaction holder(*db_);
    db_->Execute("UPDATE VALORES SET NR = 1 WHERE ID = 1");
    auto other = OpenAnother();
    const auto start = Clock::now();
    const TCallDeadline deadline(200ms);
    // SQLite waits in BEGIN IMMEDIATE, PostgreSQL in the UPDATE; both far shorter than the
    // lock time-outs (30 s).
    const auto took = CancelledAfter(deadline, start, "200 ms", [&] {
        TSqlTransaction waiting(*other);
        other->Execute("UPDATE VALORES SET NR = 2 WHERE ID = 1");
        waiting.Commit();
    });
    EXPECT_LT(took, 200ms + kLateness);
    holder.Commit();
    EXPECT_EQ(other->SelectValue("SELECT NR FROM VALORES WHERE ID = 1").AsInteger(), 1);
    ExpectUsable(*other, 1);
}

TEST_P(SqlDeadlineTest, ACursorReadPastTheDeadlineStopsWithinAFewThousandRows) {
    constexpr int kRows = 100000;
    const TCallDeadline deadline(300ms);
    int read = 0;
    CancelledAfter(deadline, Clock::now(), "300 ms", [&] {
        auto cursor = db_->OpenCursor("WITH RECURSIVE C(X) AS (SELECT 1 UNION ALL SELECT X + 1"
                                      " FROM C WHERE X < " +
                                      std::to_string(kRows) + ") SELECT X FROM C");
        ASSERT_TRUE(cursor->Next());
        ++read;
        std::this_thread::sleep_for(350ms); // the caller's own slow work between rows
        while (cursor->Next()) ++read;
    });
    EXPECT_GE(read, 1);
    EXPECT_LE(read, 4097);
    ExpectUsable(*db_, 0);
}

INSTANTIATE_TEST_SUITE_P(Backends, SqlDeadlineTest,
                         testing::Values(TSqlKind::SQLite, TSqlKind::PostgreSQL),
                         sqltest::BackendName);

} // namespace
} // namespace platform
