// The reply convention of the application server's methods: building and reading [status, message,
// payload].
#include "platform/serverreply.h"

namespace platform {

Variant ServerReplyOk(Variant payload) {
    Variant reply = Variant::Array(0, 2);
    reply[0] = kServerReplyOk;
    reply[1] = std::string();
    reply[2] = std::move(payload);
    return reply;
}

Variant ServerReplyFailure(const std::string& message, int status) {
    if (status == kServerReplyOk) status = kServerReplyFailed;
    Variant reply = Variant::Array(0, 2);
    reply[0] = status;
    reply[1] = message;
    return reply;
}

TServerReply UnpackServerReply(const Variant& reply) {
    if (!reply.IsArray())
        throw EServerReplyError(std::string("Resposta do servidor inválida: esperado um array, "
                                            "recebido ") +
                                Variant::TypeName(reply.Type()));
    if (reply.LowBound() != 0 || reply.HighBound() != 2)
        throw EServerReplyError("Resposta do servidor inválida: esperado um array de 0 a 2, "
                                "recebido de " +
                                std::to_string(reply.LowBound()) + " a " +
                                std::to_string(reply.HighBound()));
    const Variant& status = reply[0];
    if (status.Type() != VarType::Integer)
        throw EServerReplyError(std::string("Resposta do servidor inválida: situação do tipo ") +
                                Variant::TypeName(status.Type()));
    const Variant& message = reply[1];
    if (message.Type() != VarType::String && !message.IsEmpty())
        throw EServerReplyError(std::string("Resposta do servidor inválida: mensagem do tipo ") +
                                Variant::TypeName(message.Type()));
    TServerReply out;
    std::int64_t code = status.AsInteger();
    out.status =
        code < -2147483647 || code > 2147483647 ? kServerReplyFailed : static_cast<int>(code);
    out.message = message.AsString();
    out.payload = reply[2];
    return out;
}

} // namespace platform
