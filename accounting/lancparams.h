// The parameters with which another screen opens the accounting screen CTB10200.
#pragma once

#include <string>

#include "platform/variant.h"

namespace accounting {

/// The parameters as the accounting screen uses them. Each data member is a data packet, or
/// Null/Empty for a dataset that was never opened (read as carrying no rows).
struct TLancParams {
    std::string empresa;           // [0] company code
    std::string nrLanc;            // [1] posted entry number; empty for provisional entries
    platform::Variant lancamentos; // [2] provisional entries
    platform::Variant rateio;      // [3] their cost-centre apportionment
    platform::Variant erros;       // [4] accounting errors
    bool simulacao = false;        // [5], optional: the entries of a simulation, never posted
};

/// Reads a variant array with bounds 0 to 4, or 0 to 5 when the caller says whether it hands
/// over a simulation (a Boolean at index 5). Texts are trimmed of surrounding blanks; a Null
/// or Empty text is "". Raises platform::Exception (Portuguese) for anything else: not an
/// array, other bounds, a text that is not one, a dataset that is not a data packet.
TLancParams LeLancParams(const platform::Variant& params);

} // namespace accounting
