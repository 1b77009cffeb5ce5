// A fresh database for each server test, on SQLite or on the PostgreSQL test cluster.
#include "testdatabase.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>

namespace servertest {

namespace {

std::string PgUrl() {
    const char* url = std::getenv("PAG_TEST_PG_URL");
    return url != nullptr ? url : "";
}

std::atomic<int> counter{0};

} // namespace

std::string BackendName(TBackend backend) {
    return backend == TBackend::SQLite ? "SQLite" : "PostgreSQL";
}

bool TTestDatabase::Available(TBackend backend) {
    return backend == TBackend::SQLite || !PgUrl().empty();
}

TTestDatabase::TTestDatabase(TBackend backend) : backend_(backend) {
    const std::string unique = std::to_string(getpid()) + "_" + std::to_string(++counter);
    if (backend == TBackend::SQLite) {
        directory_ =
            (std::filesystem::temp_directory_path() / ("pag-server-test-" + unique)).string();
        std::filesystem::create_directories(directory_);
        url_ = "sqlite:" + directory_ + "/pag.db";
        return;
    }
    schema_ = "pagtest_" + unique;
    auto admin = platform::TSqlConnection::Open(PgUrl());
    admin->ExecuteScript("DROP SCHEMA IF EXISTS " + schema_ + " CASCADE; CREATE SCHEMA " + schema_);
    const std::string base = PgUrl();
    url_ = base + (base.find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" +
           schema_;
}

TTestDatabase::~TTestDatabase() {
    try {
        if (backend_ == TBackend::SQLite) {
            std::filesystem::remove_all(directory_);
        } else {
            auto admin = platform::TSqlConnection::Open(PgUrl());
            admin->ExecuteScript("DROP SCHEMA IF EXISTS " + schema_ + " CASCADE");
        }
    } catch (const std::exception&) {
        // A leftover temporary database does no harm to later tests: each uses its own name.
    }
}

std::unique_ptr<platform::TSqlConnection> TTestDatabase::Connect() const {
    return platform::TSqlConnection::Open(url_);
}

} // namespace servertest
