// Dbgeral: one lazily opened connection for every query of the screens.
#include "host/dbgeral.h"

#include "host/session.h"

namespace host::Dbgeral {

namespace {

struct Shared {
    std::unique_ptr<platform::TSqlConnection> connection;
    std::string url; // the session URL it belongs to
};

Shared& State() {
    static Shared shared;
    return shared;
}

} // namespace

platform::TSqlConnection& Connection() {
    Shared& s = State();
    const std::string& url = Session().databaseUrl;
    if (!s.connection || s.url != url) {
        s.connection.reset();
        s.connection = platform::TSqlConnection::Open(url);
        s.url = url;
    }
    return *s.connection;
}

void SetConnection(std::unique_ptr<platform::TSqlConnection> connection) {
    Shared& s = State();
    s.connection = std::move(connection);
    s.url = Session().databaseUrl;
}

void ClearConnection() {
    State().connection.reset();
    State().url.clear();
}

bool AcessoOperEmpresa(const std::string& operatorCode, const std::string& company) {
    platform::Variant count =
        Connection().SelectValue("SELECT COUNT(*) FROM OPEREMPR "
                                 "WHERE CDOPERADOR = :P_CDOPERADOR AND CDEMPRESA = :P_CDEMPRESA",
                                 {{"P_CDOPERADOR", operatorCode}, {"P_CDEMPRESA", company}});
    return !count.IsNull() && count.AsInteger() > 0;
}

} // namespace host::Dbgeral
