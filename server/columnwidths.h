// Widths, in characters, of the columns that texts from clients reach; the server refuses a
// longer text at the boundary instead of letting the database cut or refuse it.
#pragma once

#include <cstddef>

namespace server {

inline constexpr std::size_t kCompanyWidth = 2;         // CDEMPRESA
inline constexpr std::size_t kBranchWidth = 4;          // CDFILIAL
inline constexpr std::size_t kOperatorWidth = 12;       // CDOPERADOR
inline constexpr std::size_t kWriteOffNumberWidth = 10; // NRBAIXAPAG
inline constexpr std::size_t kHistoryWidth = 200;       // LANCCTB.DSHISTCTB
inline constexpr std::size_t kMessageCodeWidth = 50;    // the catalogue's CDMESSAGE
inline constexpr std::size_t kMessageWidth = 200;       // the catalogue's DSMESSAGE

/// Marked write-offs one SetConfirmar accepts unless the server is told otherwise. Each one
/// gives at least two entry lines and a run holds at most 99,999, so a larger set could never
/// post anyway.
inline constexpr std::size_t kDefaultMaxMarked = 49'999;

} // namespace server
