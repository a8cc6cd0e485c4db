#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The packages dpkg-buildpackage builds from debian/ install the same files, and depend on the
# same packages, as the ones `make package` built with CPack. Debug files are named by build ID,
# which differs between two builds with different flags: only their number is compared. The
# listing's root folder, which only dpkg-deb's own packages show, is left out.
#   samefiles.sh SOURCE-DIR CPACK-DEB-DIR WORK-DIR
set -eu
source=$1 cpack=$(realpath "$2") work=$3
rm -rf "$work"
mkdir -p "$work/src"
work=$(realpath "$work")
# The source as committed or added, without build folders.
git -C "$source" ls-files -z -co --exclude-standard | (cd "$source" && tar --null -T - -cf -) |
    tar -xf - -C "$work/src"
(cd "$work/src" && dpkg-buildpackage -us -uc -b) >"$work/build.log" 2>&1 ||
    { tail -n 40 "$work/build.log"; echo "dpkg-buildpackage failed: $work/build.log"; exit 1; }

contents() {
    dpkg-deb -c "$1" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }' |
        sed -E -e 's#\.build-id/[0-9a-f]{2}/#.build-id/*/#' -e 's#/[0-9a-f]+\.debug$#/*.debug#' \
            -e '/^\.\/$/d' |
        sort
}
depends() {
    dpkg-deb -f "$1" Depends | tr ',' '\n' | sed -E 's/^ *([^ (]+).*/\1/' | grep . | sort -u
}
status=0
for deb in "$cpack"/*.deb; do
    name=$(basename "$deb")
    other=$work/$name
    if [ ! -f "$other" ]; then
        echo "dpkg-buildpackage made no $name"; status=1; continue
    fi
    if ! diff -u <(contents "$deb") <(contents "$other") >"$work/$name.files.diff"; then
        echo "$name: the files differ (CPack -, dpkg-buildpackage +):"; cat "$work/$name.files.diff"
        status=1
    fi
    if ! diff -u <(depends "$deb") <(depends "$other") >"$work/$name.depends.diff"; then
        echo "$name: the dependencies differ:"; cat "$work/$name.depends.diff"; status=1
    fi
done
for other in "$work"/*.deb; do
    [ -f "$cpack/$(basename "$other")" ] || { echo "CPack made no $(basename "$other")"; status=1; }
done
[ "$status" != 0 ] || echo "Both builds give the same packages with the same files"
exit $status
