// SQL fragments that differ between SQLite and PostgreSQL in the statements the server builds
// itself.
#include "server/sqlfragments.h"

#include <stdexcept>

namespace server {

std::string TSqlFragments::JsonRows(std::string_view param, std::string_view alias) const {
    if (Postgres())
        return "jsonb_array_elements(CAST(:" + std::string(param) + " AS jsonb)) " +
               std::string(alias);
    return "json_each(:" + std::string(param) + ") " + std::string(alias);
}

std::string TSqlFragments::JsonTexts(std::string_view param) const {
    if (Postgres())
        return "SELECT jsonb_array_elements_text(CAST(:" + std::string(param) + " AS jsonb))";
    return "SELECT value FROM json_each(:" + std::string(param) + ")";
}

std::string TSqlFragments::Element(std::string_view alias, int index) const {
    return "(" + std::string(alias) + ".value ->> " + std::to_string(index) + ")";
}

std::string TSqlFragments::ElementDouble(std::string_view alias, int index) const {
    if (Postgres()) return "CAST(" + Element(alias, index) + " AS DOUBLE PRECISION)";
    return Element(alias, index); // a JSON number reads as REAL already
}

std::string TSqlFragments::ElementDate(std::string_view alias, int index) const {
    if (Postgres()) return "CAST(" + Element(alias, index) + " AS DATE)";
    return Element(alias, index); // dates are ISO texts on SQLite
}

std::string TSqlFragments::ElementTimestamp(std::string_view alias, int index) const {
    if (Postgres()) return "CAST(" + Element(alias, index) + " AS TIMESTAMP)";
    return Element(alias, index);
}

std::string TSqlFragments::Elements(std::string_view alias, std::string_view kinds) const {
    std::string list;
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        if (i > 0) list += ", ";
        const int index = static_cast<int>(i);
        switch (kinds[i]) {
        case 'T': list += Element(alias, index); break;
        case 'N': list += ElementDouble(alias, index); break;
        case 'D': list += ElementDate(alias, index); break;
        default: throw std::logic_error("Elements: tipo de elemento desconhecido");
        }
    }
    return list;
}

std::string TSqlFragments::ZeroPad(std::string_view expr, int width) const {
    const std::string w = std::to_string(width);
    if (Postgres()) return "lpad(" + std::string(expr) + ", " + w + ", '0')";
    return "substr('" + std::string(static_cast<std::size_t>(width), '0') + "' || " +
           std::string(expr) + ", -" + w + ")";
}

std::string TSqlFragments::ForUpdateOf(std::string_view alias) const {
    if (Postgres()) return " FOR UPDATE OF " + std::string(alias);
    return {};
}

} // namespace server
