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

# msgpack-cxx is header-only; we use it without Boost.
add_library(pag_msgpack INTERFACE)
target_compile_definitions(pag_msgpack INTERFACE MSGPACK_NO_BOOST MSGPACK_DEFAULT_API_VERSION=3)
