// Counters kept in NUMERADOR: list numbers and accounting entry numbers, unique across every
// session and every server that shares the database.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/sql.h"

namespace server {

inline constexpr const char* kListCounter = "LISTA";
inline constexpr const char* kEntryCounter = "LANCCTB";
/// Digits of a list number (LISTA.NRLISTA) and of an entry number (NRLCTBBPAG).
inline constexpr int kListNumberWidth = 10;
inline constexpr int kEntryNumberWidth = 12;

/// Reserves `count` consecutive numbers of a counter inside the caller's transaction and returns
/// the first. The counter's row stays locked until the transaction ends (PostgreSQL); on SQLite
/// the write transaction already excludes every other writer.
std::int64_t ReserveNumbers(platform::TSqlConnection& connection, std::string_view counter,
                            std::int64_t count);

/// The next list number, in a transaction of its own, as a zero-padded text.
std::string NextListNumber(platform::TSqlConnection& connection);

/// The list number in `text` written as NextListNumber writes it, when it is one that has been
/// issued; otherwise an empty text.
std::string IssuedListNumber(platform::TSqlConnection& connection, std::string_view text);

} // namespace server
