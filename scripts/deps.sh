#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
set -euo pipefail

# A caller that installed everything its steps need (CI) sets this, so the
# scripts it runs skip the look-up.
if [ "${TELVAR_DEPS_INSTALLED:-}" = 1 ]; then
  exit 0
fi

packages=(
  build-essential cmake ninja-build pkg-config
  libssl-dev libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
  libsqlite3-dev sqlite3
  libtomlplusplus-dev  # the key store's format
  qt6-base-dev libgl-dev scdoc
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  openssl time ccache
  python3  # runs scripts/check-case.py, which the tests run too
)
# --gui-test: an X server for the window tests and screenshots;
# --qt5: Qt 5.15, for builds with -DTELVAR_QT=5 (libgl-dev above serves both);
# --package: what scripts/package.sh needs to build and check the package;
# --icons: what resources/icons/make_icons.py needs to draw the images;
# --fuzz: clang with libFuzzer and the sanitizer runtimes of its version,
#   and lld, which links the sanitized build (scripts/test.sh);
# --afl: AFL++, for campaigns with its engine (see fuzz/README.md);
# --archive: a one-node Slurm cluster and GNU parallel, for archive runs
#   (scripts/archive/, docs/archive-runs.md).
for arg in "$@"; do
  case $arg in
    --gui-test) packages+=(xvfb xauth fonts-dejavu-core) ;;
    --qt5) packages+=(qtbase5-dev) ;;
    --package) packages+=(dpkg-dev file lintian desktop-file-utils appstream) ;;
    --icons) packages+=(python3 librsvg2-bin imagemagick fonts-dejavu-core) ;;
    --fuzz) packages+=(clang libclang-rt-dev lld) ;;
    --afl) packages+=(clang libclang-rt-dev afl++) ;;
    --archive) packages+=(slurmctld slurmd slurm-client munge parallel) ;;
  esac
done

# pdftotext reads the window's exported PDF in its tests; pdftoppm renders
# its first page for the README.
packages+=(poppler-utils)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
