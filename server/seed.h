// Data sets the server can load: the demonstration data and bulk write-offs for benchmarks.
//
// The demonstration data (dated relative to `today`):
//   companies "01" and "02", which the demo operator may use, and "03", which it may not;
//   operator kDemoOperator ("OPERADOR"), working at branch kDemoBranch ("0001") of company "01";
//   every demo operator with the password kDemoPassword ("demo", server/passwords.h);
//   company "01": forty write-offs paid today with statuses "E", "P" and "C", accounted and not,
//     among them one held by another user (its run answers "ALT_BLOQ"), one paid from a bank
//     account without accounting account (its run returns accounting errors), four whose
//     boletos were changed ("BOL_ALT", "VRBOL_DIF", "CNT_PROR", "CNT_PREV"), and older and
//     planned write-offs for date ranges;
//   company "02": write-offs paid today but no standard history for write-offs ("Hist_Nc");
//   company "03": write-offs the demo operator may not see through the company check.
#pragma once

#include "platform/sql.h"

namespace server {

inline constexpr const char* kDemoOperator = "OPERADOR";
inline constexpr const char* kDemoBranch = "0001";
inline constexpr const char* kDemoCompany = "01";
inline constexpr const char* kDemoHeldBy = "MARIA";

/// The demo write-offs with a role: branch "0001" and these numbers (all of status "E", not
/// accounted).
inline constexpr const char* kDemoHeldWriteOff = "0000000002";      // held by MARIA
inline constexpr const char* kDemoNoAccountWriteOff = "0000000003"; // bank account without account
inline constexpr const char* kDemoBoletoDeleted = "0000000010";     // BOL_ALT
inline constexpr const char* kDemoBoletoAmount = "0000000011";      // VRBOL_DIF
inline constexpr const char* kDemoBoletoExtended = "0000000012";    // CNT_PROR
inline constexpr const char* kDemoBoletoPlanned = "0000000013";     // CNT_PREV
/// Company "01"'s accounting is closed up to this many days before `today`: its write-off
/// kDemoClosedWriteOff of branch "0001" (status "E", paid 61 days before) falls in it.
inline constexpr int kDemoClosedDays = 60;
inline constexpr const char* kDemoClosedWriteOff = "0000000071";

/// Replaces every row of the database with the demonstration data. Deterministic for a given
/// `today`. Uses its own transactions; the accounted write-offs are posted by the recalculation
/// itself.
void SeedDemo(platform::TSqlConnection& db, platform::TDateTime today);

/// Adds `count` write-offs of company "01" (one payable each, real for the most part, none
/// accounted) paid over the 1000 days up to `today`, numbered after those already added. Loads
/// the demonstration data first when the database has none; demo operators without a password
/// get kDemoPassword.
void SeedBulk(platform::TSqlConnection& db, int count, platform::TDateTime today);

} // namespace server
