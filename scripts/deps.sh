#!/usr/bin/env bash
# Installs the Debian 12 packages the project builds with, when missing.
set -euo pipefail
# shellcheck source=scripts/packages.sh
. "$(dirname "$0")/packages.sh"

# Aravis (real GigE Vision / USB3 Vision cameras, and the fake cameras the tests
# and the demo use); its pkg-config file needs libusb's; iproute2 and util-linux
# bring up loopback inside the private network namespace of those runs, and
# nftables impairs it on purpose (packet loss, outages); lintian checks the
# Debian package; help2man writes vxcam's manual page from its --help;
# libtiff-dev lets replay cameras read TIFF files.
packages=(build-essential cmake pkg-config qtbase5-dev libgtest-dev libgmock-dev libbenchmark-dev binutils
    libaravis-dev aravis-tools aravis-tools-cli libaravis-doc libusb-1.0-0-dev iproute2 util-linux nftables
    lintian help2man libtiff-dev)
if [ "${VXCAM_WITH_CLANG:-0}" = 1 ]; then
    packages+=(clang libclang-rt-14-dev)
fi

install_missing_packages "${packages[@]}"
