# Third-party libraries, each wrapped in one imported or interface target.
find_package(Threads REQUIRED)
find_package(GTest REQUIRED)
find_package(benchmark REQUIRED)
find_package(SQLite3 REQUIRED)
find_package(PostgreSQL REQUIRED)
find_package(CLI11 REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
# Password hashing (Argon2id), random tokens and their hashes.
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
find_package(OpenSSL 1.1.1 REQUIRED)

# cpp-httplib with https: CPPHTTPLIB_OPENSSL_SUPPORT changes its classes, so every translation
# unit that includes <httplib.h> must see it. Link this target, never PkgConfig::HTTPLIB alone.
add_library(pag_httplib INTERFACE)
target_compile_definitions(pag_httplib INTERFACE CPPHTTPLIB_OPENSSL_SUPPORT)
target_link_libraries(pag_httplib INTERFACE PkgConfig::HTTPLIB OpenSSL::SSL OpenSSL::Crypto)
find_package(Boost 1.74 REQUIRED)

# Beast and Asio (header-only) with OpenSSL for the RPC server's transport.
add_library(pag_beast INTERFACE)
target_link_libraries(pag_beast INTERFACE Boost::headers OpenSSL::SSL OpenSSL::Crypto)
target_compile_definitions(pag_beast INTERFACE BOOST_ASIO_NO_DEPRECATED BOOST_BEAST_USE_STD_STRING_VIEW)

# msgpack-cxx is header-only; we use it without Boost.
add_library(pag_msgpack INTERFACE)
target_compile_definitions(pag_msgpack INTERFACE MSGPACK_NO_BOOST MSGPACK_DEFAULT_API_VERSION=3)
