// The base of the server's database tests: a fresh database of the test's backend with the
// schema in place, and the demo data dated today unless the test asks for an empty one.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "platform/datetime.h"
#include "platform/sql.h"
#include "server/pagserver.h"
#include "server/schema.h"
#include "server/seed.h"
#include "testdatabase.h"

namespace servertest {

/// Skips the test where its backend cannot be used here. A fixture that overrides SetUp calls
/// this one first and returns when IsSkipped().
class TBackendTest : public ::testing::TestWithParam<TBackend> {
protected:
    explicit TBackendTest(bool seedDemo = true) : seedDemo_(seedDemo) {}

    void SetUp() override {
        if (!TTestDatabase::Available(GetParam())) GTEST_SKIP() << "PAG_TEST_PG_URL não definido";
        database_ = std::make_unique<TTestDatabase>(GetParam());
        db_ = database_->Connect();
        server::EnsureSchema(*db_);
        if (seedDemo_) server::SeedDemo(*db_, today_);
    }

    /// A server on the test's database, on any free loopback port, serving.
    std::unique_ptr<server::TPagServer> StartServer(server::TServerOptions options = {}) {
        options.databaseUrl = database_->Url();
        options.port = 0;
        options.threads = 4;
        auto started = std::make_unique<server::TPagServer>(options);
        started->Start();
        return started;
    }

    const platform::TDateTime today_ = std::floor(platform::Date());
    std::unique_ptr<TTestDatabase> database_;
    std::unique_ptr<platform::TSqlConnection> db_;

private:
    bool seedDemo_;
};

} // namespace servertest
