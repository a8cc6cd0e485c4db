#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The packages on a clean Debian 12: a root made by debootstrap (unless ROOT holds one already),
# tallyvane-cli alone (without the web engine), then tallyvane; the programs start, the manual
# page opens, systemd finds the service sound; purged, nothing of the packages is left and the
# company data is. Needs root and the network to Debian's archive.
#   cleanroot.sh DEB-DIR ROOT
set -eu
debs=$(realpath "$1") root=$2
in_root() { chroot "$root" env LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen "$@"; }
step() { echo; echo "# $*"; }
if [ ! -x "$root/usr/bin/apt-get" ]; then
    debootstrap --variant=minbase --include=man-db,systemd bookworm "$root" \
        http://deb.debian.org/debian
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"
in_root apt-get update -q >/dev/null
rm -rf "$root/tmp/debs" && mkdir -p "$root/tmp/debs"
cp "$debs"/tallyvane_*.deb "$debs"/tallyvane-cli_*.deb "$root/tmp/debs/"
cli=/tmp/debs/$(basename "$debs"/tallyvane-cli_*.deb)
desktop=/tmp/debs/$(basename "$debs"/tallyvane_*.deb)
install_debs() { in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$@" >/dev/null; }

step "apt-get install ./tallyvane-cli_*.deb"
install_debs "$cli"
if in_root dpkg -l | grep -q 'libqt6webengine\|libqt6widgets'; then
    echo "tallyvane-cli brought the web engine or widgets"; exit 1
fi
for command in "tallyvane-cli --help" "tallyvane-cli stats --help" "tallyvane-cli --version"; do
    step "$command"; in_root $command || echo "(exit status $?)"
done
step "man tallyvane-cli"
in_root env MANPAGER=cat MANWIDTH=80 man tallyvane-cli | head -n 12
step "systemd-analyze verify tallyvane-serve@.service"
report=$(in_root systemd-analyze verify /usr/lib/systemd/user/tallyvane-serve@.service 2>&1) || true
[ -z "$report" ] || { echo "$report"; exit 1; }
echo "(no complaint)"
in_root systemctl --user --global cat 'tallyvane-serve@Corner\x20Shop.service' 2>/dev/null ||
    in_root cat /usr/lib/systemd/user/tallyvane-serve@.service

step "apt-get install ./tallyvane_*.deb"
install_debs "$desktop"
in_root tallyvane --version
in_root tallyvane-help --list | head -n 3

step "apt-get purge tallyvane tallyvane-cli (a company folder exists)"
mkdir -p "$root/root/.local/share/Tallyvane/Companies/Corner Shop/Logs"
in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q --autoremove tallyvane tallyvane-cli \
    >/dev/null
for package in tallyvane tallyvane-cli; do
    if in_root dpkg -L "$package" 2>/dev/null; then echo "dpkg -L $package lists files"; exit 1; fi
done
left=$(in_root sh -c 'ls -d /usr/bin/tallyvane* /usr/share/doc/tallyvane* /usr/share/tallyvane \
    /usr/lib/systemd/user/tallyvane* /usr/share/man/man1/tallyvane* 2>/dev/null' || true)
if [ -n "$left" ]; then echo "Left behind: $left"; exit 1; fi
[ -d "$root/root/.local/share/Tallyvane/Companies/Corner Shop/Logs" ] ||
    { echo "The company data went with the package"; exit 1; }
echo "Installed, ran and purged cleanly; the company data is kept"
