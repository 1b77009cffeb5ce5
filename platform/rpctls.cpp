// The RPC server's TLS context: the certificate and key files loaded into an OpenSSL context
// that speaks TLS 1.2 and 1.3 only.
#include <openssl/ssl.h>

#include <boost/asio/buffer.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/system/system_error.hpp>
#include <fstream>
#include <sstream>

#include "platform/rpchttp.h"
#include "platform/sysutils.h"

namespace platform {

namespace {

std::string ReadWhole(const std::string& path, const char* what) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (in) text << in.rdbuf();
    if (!in || text.str().empty())
        throw Exception("Não foi possível ler o " + std::string(what) + " TLS em \"" + path +
                        "\".");
    return text.str();
}

} // namespace

std::shared_ptr<boost::asio::ssl::context> LoadTlsContext(const std::string& certFile,
                                                          const std::string& keyFile) {
    namespace ssl = boost::asio::ssl;
    const std::string cert = ReadWhole(certFile, "certificado");
    const std::string key = ReadWhole(keyFile, "arquivo de chave privada");
    auto context = std::make_shared<ssl::context>(ssl::context::tls_server);
    context->set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 |
                         ssl::context::no_sslv3 | ssl::context::no_tlsv1 |
                         ssl::context::no_tlsv1_1 | ssl::context::single_dh_use);
    SSL_CTX_set_min_proto_version(context->native_handle(), TLS1_2_VERSION);
    try {
        context->use_certificate_chain(boost::asio::buffer(cert));
    } catch (const boost::system::system_error&) {
        throw Exception("O arquivo \"" + certFile +
                        "\" não contém um certificado TLS válido (PEM).");
    }
    try {
        context->use_private_key(boost::asio::buffer(key), ssl::context::pem);
    } catch (const boost::system::system_error&) {
        throw Exception("O arquivo \"" + keyFile +
                        "\" não contém uma chave privada válida (PEM, sem senha).");
    }
    if (SSL_CTX_check_private_key(context->native_handle()) != 1)
        throw Exception("A chave privada de \"" + keyFile +
                        "\" não corresponde ao certificado de \"" + certFile + "\".");
    return context;
}

} // namespace platform
