// The base of the SQL tests that run on both backends: a fresh SQLite file, or a schema of its
// own on the PostgreSQL server that PAG_TEST_PG_URL names (skipped without it), holding the
// tables EMPRESA (three companies) and VALORES (empty).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sql.h"

namespace platform {

// Names the backend in test output.
inline void PrintTo(TSqlKind kind, std::ostream* out) {
    *out << (kind == TSqlKind::SQLite ? "SQLite" : "PostgreSQL");
}

namespace sqltest {

class SqlBackendTest : public testing::TestWithParam<TSqlKind> {
protected:
    void SetUp() override {
        std::random_device random;
        const std::string tag = std::to_string(random()) + std::to_string(random());
        if (GetParam() == TSqlKind::SQLite) {
            path_ = std::filesystem::path(testing::TempDir()) / ("pag_sql_" + tag + ".db");
            url_ = "sqlite:" + path_.string();
        } else {
            const char* url = std::getenv("PAG_TEST_PG_URL");
            if (url == nullptr || *url == '\0') GTEST_SKIP() << "PAG_TEST_PG_URL is not set";
            url_ = url;
            schema_ = "pag_t" + tag;
        }
        db_ = OpenAnother();
        if (!schema_.empty()) db_->EnsureHelperFunctions();
        db_->ExecuteScript(
            "CREATE TABLE EMPRESA (CDEMPRESA VARCHAR(2) NOT NULL PRIMARY KEY, NMEMPRESA "
            "VARCHAR(40),"
            " CDCENTCUST VARCHAR(4));"
            "INSERT INTO EMPRESA VALUES ('02', 'Filial Sul', '0200');"
            "INSERT INTO EMPRESA VALUES ('01', 'Matriz São Paulo', '0100');"
            "INSERT INTO EMPRESA VALUES ('03', 'Oeste', NULL);"
            "CREATE TABLE VALORES (ID INTEGER NOT NULL PRIMARY KEY, TX VARCHAR(200), NR BIGINT,"
            " VR NUMERIC(15,2), DB DOUBLE PRECISION, DT DATE, TS TIMESTAMP, BI " +
            std::string(GetParam() == TSqlKind::SQLite ? "BLOB" : "BYTEA") + ");");
    }

    void TearDown() override {
        if (db_ && !schema_.empty()) {
            if (db_->InTransaction()) db_->Rollback();
            db_->ExecuteScript("DROP SCHEMA " + schema_ + " CASCADE");
        }
        db_.reset();
        if (!path_.empty()) {
            for (const char* suffix : {"", "-wal", "-shm"})
                std::filesystem::remove(path_.string() + suffix);
        }
    }

    /// Another connection to the same database (and schema).
    std::unique_ptr<TSqlConnection> OpenAnother() {
        auto connection = TSqlConnection::Open(url_);
        if (!schema_.empty()) {
            connection->ExecuteScript("CREATE SCHEMA IF NOT EXISTS " + schema_ +
                                      "; SET search_path TO " + schema_);
        }
        return connection;
    }

    std::vector<std::string> Column(std::string_view sql, const TSqlParams& params = {}) {
        std::vector<std::string> out;
        auto cursor = db_->OpenCursor(sql, params);
        while (cursor->Next()) out.emplace_back(cursor->Text(0));
        return out;
    }

    std::int64_t Count(const char* table) {
        return db_->SelectValue(std::string("SELECT COUNT(*) FROM ") + table).AsInteger();
    }

    std::filesystem::path path_;
    std::string url_;
    std::string schema_;
    std::unique_ptr<TSqlConnection> db_;
};

/// The backend's name as the suffix of a parameterised test's name.
inline std::string BackendName(const testing::TestParamInfo<TSqlKind>& backend) {
    return backend.param == TSqlKind::SQLite ? "SQLite" : "PostgreSQL";
}

} // namespace sqltest
} // namespace platform
