// Counters kept in NUMERADOR: list numbers and accounting entry numbers.
#include "server/counters.h"

#include "server/entrybuilder.h"

namespace server {

std::int64_t ReserveNumbers(platform::TSqlConnection& connection, std::string_view counter,
                            std::int64_t count) {
    platform::Variant last = connection.SelectValue(
        "UPDATE NUMERADOR SET NRULTIMO = NRULTIMO + :N WHERE NMNUMERADOR = :C RETURNING NRULTIMO",
        {{"N", count}, {"C", std::string(counter)}});
    if (last.IsNull())
        throw platform::EDatabaseError("Numerador " + std::string(counter) + " não cadastrado.");
    return last.AsInteger() - count + 1;
}

std::string NextListNumber(platform::TSqlConnection& connection) {
    platform::TSqlTransaction transaction(connection);
    const std::int64_t number = ReserveNumbers(connection, kListCounter, 1);
    transaction.Commit();
    return ZeroPadded(number, kListNumberWidth);
}

std::string IssuedListNumber(platform::TSqlConnection& connection, std::string_view text) {
    if (text.empty() || text.size() > static_cast<std::size_t>(kListNumberWidth)) return {};
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return {};
        value = value * 10 + (c - '0');
    }
    if (value <= 0) return {};
    platform::Variant last =
        connection.SelectValue("SELECT NRULTIMO FROM NUMERADOR WHERE NMNUMERADOR = :C",
                               {{"C", std::string(kListCounter)}});
    if (last.IsNull() || value > last.AsInteger()) return {};
    return ZeroPadded(value, kListNumberWidth);
}

} // namespace server
