// The 29-field write-off record that the list's data packets carry.
#include "protocol/writeofflayout.h"

namespace protocol {

using platform::TFieldDef;
using platform::TFieldType;

const std::vector<TFieldDef>& WriteOffFields() {
    static const std::vector<TFieldDef> fields = {
        {"CDPICTAGEN", TFieldType::ftString, 10},     {"CDFILIAL", TFieldType::ftString, 4},
        {"NRBAIXAPAG", TFieldType::ftString, 10},     {"CDEMPRESA", TFieldType::ftString, 2},
        {"NRMOVBANC", TFieldType::ftString, 10},      {"CDREDUCONT", TFieldType::ftString, 3},
        {"CDCONTCTBL", TFieldType::ftString, 20},     {"NRCHEQUE", TFieldType::ftString, 6},
        {"DTBAIXAPAG", TFieldType::ftDateTime, 0},    {"VRBAIXAPAG", TFieldType::ftFloat, 0},
        {"DSNOMCHEQUE", TFieldType::ftString, 40},    {"IDSTEMICHEQ", TFieldType::ftString, 1},
        {"NRLCTBBPAG", TFieldType::ftString, 12},     {"IDSTATUSBPAG", TFieldType::ftString, 1},
        {"CDOPERADOR", TFieldType::ftString, 12},     {"IDMARCADO", TFieldType::ftFixedChar, 1},
        {"CDBANCO", TFieldType::ftString, 3},         {"CDAGENCIA", TFieldType::ftString, 5},
        {"CDCONTCORR", TFieldType::ftString, 10},     {"DSCONTCORR", TFieldType::ftString, 20},
        {"CDPICTCONT", TFieldType::ftString, 20},     {"DSBAIXAPAG", TFieldType::ftString, 250},
        {"CDTPBAIXAPAG", TFieldType::ftString, 2},    {"IDBAIXAUTILP", TFieldType::ftString, 1},
        {"NMTPBAIXAPAG", TFieldType::ftString, 50},   {"IDCTBLBXPAG", TFieldType::ftString, 1},
        {"DTLANCBAIXAP", TFieldType::ftDateTime, 0},  {"NMOPERADOR", TFieldType::ftString, 40},
        {"IDPARTIDABOLPAG", TFieldType::ftString, 1},
    };
    return fields;
}

} // namespace protocol
