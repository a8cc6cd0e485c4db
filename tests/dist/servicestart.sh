#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the sales server's systemd unit as its ExecStart line is written, the built program in
# place of /usr/bin/tallyvane-cli and a company whose name has a space as the instance (%I), in
# settings of its own: it must answer a till, then end with status 0 on SIGTERM as systemd stops it.
# Before that, systemd-analyze (when there is one) finds nothing to say about the unit, the built
# program in its ExecStart.
#   servicestart.sh UNIT-FILE BUILD-DIR
set -eu
unit=$1 bindir=$(realpath "$2")
work=$(mktemp -d)
server=
trap '[ -z "$server" ] || kill -KILL "$server" 2>/dev/null; rm -rf "$work"' EXIT

line=$(sed -n 's/^ExecStart=//p' "$unit")
read -r -a words <<<"$line"
if [ "${words[0]}" != /usr/bin/tallyvane-cli ]; then
    echo "ExecStart does not start the installed tallyvane-cli: $line"; exit 1
fi
words[0]=$bindir/tallyvane-cli
if command -v systemd-analyze >/dev/null; then
    sed "s#^ExecStart=/usr/bin/tallyvane-cli #ExecStart=$bindir/tallyvane-cli #" "$unit" \
        >"$work/$(basename "$unit")"
    report=$(systemd-analyze verify --man=no "$work/$(basename "$unit")" 2>&1) || true
    if [ -n "$report" ]; then
        echo "systemd-analyze verify: $report"; exit 1
    fi
fi
company="Test Shop"
for i in "${!words[@]}"; do [ "${words[$i]}" != %I ] || words[$i]=$company; done

mkdir -p "$work/config/Tallyvane" "$work/root/$company/Logs" "$work/root/$company/Reports"
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data

# A port below the range the system hands to outgoing connections (other tests' clients), and
# another one should it still be taken.
for _ in 1 2 3 4 5; do
    port=$((20000 + RANDOM % 12000))
    printf '[Path]\nCompany=%s/root/\n\n[Server]\nPort=%s\n' "$work" "$port" \
        >"$work/config/Tallyvane/Tallyvane.ini"
    "${words[@]}" >"$work/out" 2>&1 &
    server=$!
    for _ in $(seq 100); do
        grep -q 'Ready for transactions' "$work/out" && break
        kill -0 "$server" 2>/dev/null || break
        sleep 0.2
    done
    grep -q 'Cannot listen' "$work/out" || break
    wait "$server" 2>/dev/null || true
    server=
done
if ! grep -q 'Ready for transactions' "$work/out"; then
    echo "The server did not start:"; cat "$work/out"; exit 1
fi
# An unknown SKU is refused (2): the reply comes from the server reading the company.
set +e
reply=$("$bindir/tallyvane-cli" send --port "$port" NO-SUCH-SKU 2>&1)
status=$?
set -e
if [ "$status" != 2 ] || [ "$reply" != 2 ]; then
    echo "The server did not answer the till ($status): $reply"; cat "$work/out"; exit 1
fi
kill -TERM "$server"
set +e
wait "$server"
status=$?
set -e
server=
if [ "$status" != 0 ]; then
    echo "SIGTERM ended the server with status $status:"; cat "$work/out"; exit 1
fi
echo "The unit's command line served \"$company\" on port $port and stopped on SIGTERM"
