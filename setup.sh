#!/usr/bin/env bash
# Installs the Debian packages the project needs, when they are missing, and the sources the
# Windows build compiles its dependencies from. Safe to run again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang-14 libclang-rt-14-dev clang-format
  qt6-base-dev qt6-base-dev-tools libgl-dev libpugixml-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-wqy-microhei xvfb xauth
  # the Ansible collection's fleet check
  ansible-core
  # the Debian packages and their check: man pages from --help, dpkg-shlibdeps, lintian, man -l
  help2man dpkg-dev lintian file man-db
)
# The win32 preset: MinGW-w64 for 32-bit Windows (with the POSIX thread model) and GoogleTest's
# sources; Wine with its 32-bit part runs the tests.
packages+=(g++-mingw-w64-i686 googletest dpkg-dev)
wine_packages=(wine wine32:i386)

# Where the Windows build finds the sources of pugixml (Debian's source package).
deps_dir=/var/cache/dvrconfig

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing_of() {
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      echo "$p"
    fi
  done
}

# A mirror caught in the middle of a sync serves index files that do not match their release
# file; such an update is tried again after a pause.
apt_update() {
  local attempt
  for attempt in 1 2 3; do
    "${sudo_cmd[@]}" apt-get update -qq >/tmp/dvr-apt-update.log 2>&1 || true
    if grep -q '^E:' /tmp/dvr-apt-update.log; then
      echo "setup: apt-get update failed (attempt $attempt):" >&2
      grep '^E:' /tmp/dvr-apt-update.log | head -3 >&2
      if ((attempt < 3)); then sleep $((attempt * 10)); fi
    else
      return 0
    fi
  done
  return 1
}

updated=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
  updated=1
fi
src_list=/etc/apt/sources.list.d/dvrconfig-src.sources
if [ ! -f "$src_list" ]; then
  "${sudo_cmd[@]}" tee "$src_list" >/dev/null <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  updated=1
fi

mapfile -t missing < <(missing_of "${packages[@]}")
mapfile -t missing_wine < <(missing_of "${wine_packages[@]}")
if ((${#missing[@]} + ${#missing_wine[@]})) || ((updated)); then
  apt_update || echo "setup: going on with the package lists as they are" >&2
fi
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
if ((${#missing_wine[@]})); then
  echo "setup: installing ${missing_wine[*]}"
  # Without its 32-bit lists (a mirror in the middle of a sync) Wine cannot be installed; the rest
  # of the project does not need it, and the win32 step of test.sh says so.
  if ! DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing_wine[@]}"; then
    echo "setup: could not install ${missing_wine[*]}: the Windows build's tests cannot run under Wine" >&2
  fi
fi
if ! ((${#missing[@]} + ${#missing_wine[@]})); then
  echo "setup: all packages present"
fi

# pugixml's sources for the Windows build, fetched once with apt-get source.
if ! compgen -G "$deps_dir/pugixml-*/src/pugixml.cpp" >/dev/null; then
  "${sudo_cmd[@]}" mkdir -p "$deps_dir"
  (cd "$deps_dir" && "${sudo_cmd[@]}" apt-get source -qq pugixml >/dev/null) ||
    echo "setup: could not fetch pugixml's sources into $deps_dir" >&2
fi
