// A fresh database for each server test, on SQLite or on the PostgreSQL test cluster.
#pragma once

#include <memory>
#include <string>

#include "platform/sql.h"

namespace servertest {

enum class TBackend { SQLite, PostgreSQL };

/// "SQLite" or "PostgreSQL", for test names.
std::string BackendName(TBackend backend);

/// Names parameterised tests after their backend.
struct TBackendParamName {
    template <class Info> std::string operator()(const Info& param) const {
        return BackendName(param.param);
    }
};

/// An empty database that disappears with the object: a file in a temporary folder, or a
/// schema of its own in the cluster named by PAG_TEST_PG_URL (connections to Url() use it).
class TTestDatabase {
public:
    explicit TTestDatabase(TBackend backend);
    ~TTestDatabase();
    TTestDatabase(const TTestDatabase&) = delete;
    TTestDatabase& operator=(const TTestDatabase&) = delete;

    /// False when the backend cannot be used here (PostgreSQL without PAG_TEST_PG_URL).
    static bool Available(TBackend backend);

    const std::string& Url() const { return url_; }
    std::unique_ptr<platform::TSqlConnection> Connect() const;

private:
    TBackend backend_;
    std::string url_;
    std::string directory_;
    std::string schema_;
};

} // namespace servertest
