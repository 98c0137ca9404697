#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test Morvane. Idempotent and quiet
# when everything is already there.
set -euo pipefail

PKGS=(cmake ninja-build g++ clang clang-format libclang-rt-14-dev googletest
      g++-mingw-w64-i686-posix mingw-w64-i686-dev
      wine wine32:i386 wine64 xvfb xauth x11-utils fonts-ipafont-gothic fonts-wine openbox locales
      imagemagick lhasa p7zip-full libarchive-tools ffmpeg jlha-utils zip unzip)

missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  # A mirror caught mid-sync can serve one broken index: try again, and if the index stays broken
  # take the packages from the release's own suite, whose versions agree across architectures.
  updated=no
  for attempt in 1 2 3; do
    if apt-get update -qq; then updated=yes; break; fi
    echo "setup: apt-get update failed (attempt $attempt)"
    sleep $((attempt * 5))
  done
  if apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; then
    [ $updated = yes ] || echo "setup: installed with an index the mirror failed to serve left out"
  else
    release=$(. /etc/os-release && echo "$VERSION_CODENAME")
    echo "setup: installing from the release's own suite ($release) instead"
    apt-get install -y -qq --no-install-recommends -t "$release" "${missing[@]}" >/dev/null
  fi
fi

if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  echo "setup: generating ja_JP.UTF-8"
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
