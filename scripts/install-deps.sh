#!/bin/sh
# Installs the Debian packages the build, the tests and the desktop need, when any is missing.
set -eu
PACKAGES="cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
libsqlite3-dev libpq-dev postgresql libcpp-httplib-dev libssl-dev openssl libmsgpack-cxx-dev libcli11-dev \
libsodium-dev libboost-dev qt6-base-dev xvfb xauth openbox x11-utils clang-format dpkg-dev file lintian haproxy"
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "Instalando pacotes:$missing"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
fi
