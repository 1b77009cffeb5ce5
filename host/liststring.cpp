// Reading list strings back on the host, with the host's own wording of a refusal.
#include "host/liststring.h"

namespace host {

std::vector<std::string> DecodeCodeList(std::string_view list) {
    try {
        return protocol::ParseCodeList(list);
    } catch (const protocol::EListStringError& e) {
        // The host names the place where the list stops making sense: after a final comma that
        // is the end of the text, where the next code should have started.
        const std::size_t at =
            e.Fault() == protocol::TListStringFault::TrailingComma ? list.size() + 1 : e.Position();
        throw platform::EConvertError("Lista de códigos inválida na posição " + std::to_string(at) +
                                      ": '" + std::string(list) + "'");
    }
}

} // namespace host
