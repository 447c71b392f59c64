#!/usr/bin/env bash
# Builds the Debian package telvar_<version>_<arch>.deb into the project
# folder: a Release build with Debian's hardening flags (release-flags.sh), installed into a
# package by CPack (runtime dependencies from dpkg-shlibdeps), then checked:
# the menu entry, the AppStream metainfo and the package itself (lintian).
# TELVAR_QT=5 builds it on Qt 5.15 instead of Qt 6. TELVAR_PACKAGE_BUILD=DIR
# packages a tree built with those flags instead of building build-package.
set -euo pipefail
cd "$(dirname "$0")/.."

qt=${TELVAR_QT:-6}
deps=(--package)
[ "$qt" = 5 ] && deps+=(--qt5)
scripts/deps.sh "${deps[@]}"

desktop-file-validate packaging/example.telvar.Authenticator.desktop
appstreamcli validate --no-net packaging/example.telvar.Authenticator.metainfo.xml

if [ -n "${TELVAR_PACKAGE_BUILD:-}" ]; then
  # A built tree of the caller's with the release flags (CI: the plain
  # test build), packaged as it is rather than compiled once more.
  build=$TELVAR_PACKAGE_BUILD
  if ! grep -q "^TELVAR_QT:STRING=$qt\$" "$build/CMakeCache.txt" ||
     ! grep -q "^CMAKE_BUILD_TYPE:STRING=Release\$" "$build/CMakeCache.txt"; then
    echo "$build is not a Release build on Qt $qt" >&2
    exit 1
  fi
else
  build=build-package
  source scripts/release-flags.sh
  jobs=$(nproc 2>/dev/null || echo 2)
  scripts/configure.sh -S . -B "$build" -G Ninja "${release_flags[@]}" -DCMAKE_INSTALL_PREFIX=/usr \
    -DTELVAR_QT="$qt" -DTELVAR_BUILD_TESTS=OFF -DTELVAR_WERROR="${TELVAR_WERROR:-OFF}"
  cmake --build "$build" -j "$jobs"
fi

rm -f "$build"/telvar_*.deb
(cd "$build" && cpack -G DEB)
deb=$(cd "$build" && ls telvar_*.deb)
rm -f telvar_*.deb
mv "$build/$deb" .

# The programs open FFmpeg only for pictures, so dpkg-shlibdeps cannot find
# it: the package must still depend on it.
depends=$(dpkg-deb -f "$deb" Depends)
for library in libavutil libswscale libavcodec libavformat; do
  if ! grep -q "$library[0-9]" <<<"$depends"; then
    echo "$deb does not depend on $library: $depends" >&2
    exit 1
  fi
done

# Errors fail the build; warnings are shown for a maintainer to weigh.
lintian --fail-on error "$deb"
echo "Built $deb"
