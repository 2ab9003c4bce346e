#!/bin/sh
# Installs the Debian packages the build, the tests and the demo need; does nothing when all are
# there. Runs apt-get as root (directly, or through sudo).
set -eu

packages="cmake make g++ pkg-config
libreoffice-writer libreoffice-dev
googletest libgtest-dev libbenchmark-dev
clang libclang-rt-14-dev clang-format
libssl-dev libgif-dev libcairo2-dev libfontconfig-dev fonts-wqy-zenhei
softhsm2 opensc libp11-kit-dev nlohmann-json3-dev libpodofo-dev
poppler-utils qpdf libnss3-tools python3
xvfb xdotool imagemagick x11-utils zip unzip faketime"

missing=""
for package in $packages; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    case "$status" in
        *"install ok installed"*) ;;
        *) missing="$missing $package" ;;
    esac
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
    run=""
elif command -v sudo >/dev/null 2>&1; then
    run="sudo"
else
    echo "These packages are missing and I am not root:$missing" >&2
    exit 1
fi
$run apt-get update
DEBIAN_FRONTEND=noninteractive $run apt-get install -y --no-install-recommends $missing
