// SQL fragments that differ between SQLite and PostgreSQL in the statements the server builds
// itself.
//
// Whole lists travel as one bound parameter holding a JSON array (never spliced into the text):
// SQLite reads it with json_each, PostgreSQL with jsonb_array_elements (jsonb is parsed once;
// "->>" on plain json parses the element again for every column read). Both name the element
// column "value", and both read an element of an inner array with "value ->> N", so the rest
// of a statement is the same text on both.
#pragma once

#include <string>
#include <string_view>

#include "platform/sql.h"

namespace server {

/// Builds the backend-specific pieces of a statement.
class TSqlFragments {
public:
    explicit TSqlFragments(platform::TSqlKind kind) : kind_(kind) {}

    platform::TSqlKind Kind() const { return kind_; }
    bool Postgres() const { return kind_ == platform::TSqlKind::PostgreSQL; }

    /// A table source "<fn>(:param) alias" yielding one row per element of the JSON array
    /// bound to `param`, with the element in column "value".
    std::string JsonRows(std::string_view param, std::string_view alias) const;
    /// A sub-select of the texts of the JSON array of strings bound to `param`, for "X IN (...)".
    std::string JsonTexts(std::string_view param) const;
    /// Text of element `index` of the array in a JSON row's value.
    std::string Element(std::string_view alias, int index) const;
    /// The same element as a double precision number.
    std::string ElementDouble(std::string_view alias, int index) const;
    /// The same element (an ISO date text or JSON null) as a date.
    std::string ElementDate(std::string_view alias, int index) const;
    /// The same element (an ISO date-time text or JSON null) as a timestamp.
    std::string ElementTimestamp(std::string_view alias, int index) const;
    /// Elements 0, 1, ... of a JSON row's array as a select list, one per letter of `kinds`:
    /// T as text, N as a double precision number, D as a date.
    std::string Elements(std::string_view alias, std::string_view kinds) const;
    /// A text left-padded with zeros to `width` characters.
    std::string ZeroPad(std::string_view expr, int width) const;
    /// " FOR UPDATE OF alias" on PostgreSQL; nothing on SQLite, whose write transaction holds
    /// the whole database already.
    std::string ForUpdateOf(std::string_view alias) const;

private:
    platform::TSqlKind kind_;
};

} // namespace server
