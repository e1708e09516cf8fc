#!/usr/bin/env bash
# Installs the Debian packages the workstation needs; does nothing when all are present.
#   setup.sh        what building and running need (packages-run.txt)
#   setup.sh test   that, and what the tests add (packages-test.txt)
#   setup.sh bench  that, and the benchmarks' optional references (packages-bench.txt; VTK for
#                   ResliceBench, built with -DBV_BENCH_VTK=ON)
# The tests start their own Orthanc on loopback ports: installing the orthanc package here
# never leaves its system service running or enabled.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

mode=${1:-run}
case "$mode" in
run) lists=(packages-run.txt) ;;
test) lists=(packages-run.txt packages-test.txt) ;;
bench) lists=(packages-run.txt packages-test.txt packages-bench.txt) ;;
*)
    echo "usage: $0 [run|test|bench]" >&2
    exit 2
    ;;
esac

wanted=()
for list in "${lists[@]}"; do
    mapfile -t -O "${#wanted[@]}" wanted < <(grep -v -e '^#' -e '^[[:space:]]*$' "$here/$list")
done
missing=()
for pkg in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    echo "These Debian packages are missing: ${missing[*]}" >&2
    echo "Installing them needs root, and sudo is not available. As root, run:" >&2
    echo "  su -c '$here/setup.sh $mode'" >&2
    echo "(it runs apt-get install --no-install-recommends with exactly these packages)" >&2
    exit 1
fi

installing_orthanc=false
for pkg in "${missing[@]}"; do
    [[ $pkg == orthanc ]] && installing_orthanc=true
done

# Debian's maintainer scripts ask policy-rc.d before starting a service. While Orthanc is
# installed, one that refuses only Orthanc is put in place, unless the machine has its own.
policy=/usr/sbin/policy-rc.d
policy_mark="# brimvale setup: keeps the Orthanc service from starting during the install"
remove_policy() {
    if grep -qxF "$policy_mark" "$policy" 2>/dev/null; then
        "${as_root[@]}" rm -f "$policy"
    fi
}
if $installing_orthanc && [[ ! -e $policy ]]; then
    trap remove_policy EXIT
    # Asked as: policy-rc.d [options] <service> <action>; 101 refuses, 0 allows.
    "${as_root[@]}" tee "$policy" >/dev/null <<EOF
#!/bin/sh
$policy_mark
for arg; do
    case "\$arg" in
    -*) ;;
    orthanc | orthanc.service) exit 101 ;;
    *) exit 0 ;;
    esac
done
exit 0
EOF
    "${as_root[@]}" chmod 755 "$policy"
fi

echo "== installing: ${missing[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
    "${missing[@]}"

if $installing_orthanc; then
    # Also off after a reboot, and stopped should a policy of the machine have let it start.
    if [[ -d /run/systemd/system ]]; then
        "${as_root[@]}" systemctl disable --now orthanc.service
    else
        "${as_root[@]}" update-rc.d orthanc disable >/dev/null
        "${as_root[@]}" /etc/init.d/orthanc stop >/dev/null 2>&1 || true
    fi
    echo "== the orthanc package's system service is disabled (the tests start their own Orthanc)"
fi
