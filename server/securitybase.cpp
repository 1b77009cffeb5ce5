// What the server's credential modules share: libsodium's start-up, the UTC clock, random
// identifiers, the refusal exception and a transaction that joins the caller's.
#include "server/securitybase.h"

#include <sodium.h>

#include <chrono>
#include <vector>

namespace server {

void EnsureSodium() {
    // sodium_init is itself idempotent and thread-safe; the static only saves the call.
    static const int result = sodium_init();
    if (result < 0)
        throw platform::Exception("A biblioteca de criptografia não pôde ser iniciada.");
}

platform::TDateTime UtcNow() {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    // 25569 days from 30/12/1899 to 01/01/1970.
    return 25569.0 + static_cast<double>(ms) / 86'400'000.0;
}

std::string RandomHex(std::size_t bytes) {
    EnsureSodium();
    std::vector<unsigned char> raw(bytes);
    randombytes_buf(raw.data(), raw.size());
    std::string hex(bytes * 2 + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), raw.data(), raw.size());
    hex.pop_back();
    return hex;
}

std::string CutUtf8(std::string_view text, std::size_t maxChars) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue; // continuation byte
        if (chars++ == maxChars) return std::string(text.substr(0, i));
    }
    return std::string(text);
}

} // namespace server
