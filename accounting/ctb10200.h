// CTB10200: the accounting screen's unit — its one screen instance and the routine that opens it.
#pragma once

#include "platform/variant.h"

namespace accounting {

class TfrmLancContabil;

/// The code under which hosts register the screen for LoadBPL.
inline constexpr const char* kScreenCode = "CTB10200";

/// The open accounting screen; nullptr while there is none (cleared when it is freed).
TfrmLancContabil* FrmLancContabil();

/// Opens the accounting screen with the five parameters of LoadBPL (see TLancParams): builds
/// the content first (reading the database for a posted entry), then creates the screen
/// (owned by the application) unless one is open, restores it to its normal size, fills it and
/// brings it to the front. When the parameters or the data cannot be read, the exception
/// reaches the caller and no screen is created or changed.
void AbreLancContabil(const platform::Variant& params);

} // namespace accounting
