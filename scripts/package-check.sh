#!/usr/bin/env bash
# Installs the Debian package in a fresh Debian 12 root as a user would (dpkg -i, then
# apt-get -f install for its dependencies), renders the demo with the installed zuriz-render
# and no --plugin (it must find /usr/lib/vst3/Zuriz.vst3), then removes the package and checks
# that none of its files or folders remain. Needs root and a Debian mirror, and takes a few
# minutes (debootstrap), so it is not part of the test suite.
#
#   scripts/package-check.sh [PACKAGE.deb]     default: build one with scripts/package.sh
#
# ZURIZ_CHECK_ROOT=DIR reuses (or keeps) a root folder between runs; ZURIZ_DEBIAN_MIRROR picks
# the mirror (default: the first in this machine's package sources).
set -euo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
say() { echo "package-check: $*"; }

deb="${1:-}"
if [ -z "$deb" ]; then
  build="${ZURIZ_BUILD_DIR:-$repo/build}"
  "$repo/scripts/package.sh" "$build" >/dev/null
  deb="$(ls -t "$build"/zuriz_*_amd64.deb | head -n1)"
fi
deb="$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")"
[ "$(id -u)" -eq 0 ] || { say "run as root (debootstrap and chroot)"; exit 2; }
root_name=package-check
# shellcheck source=scripts/debian-root.sh
. "$repo/scripts/debian-root.sh"
root_open
target=$root_dir
cp "$deb" "$target/tmp/zuriz.deb"

say "dpkg -i $(basename "$deb"), then apt-get -f install"
in_root apt-get update -qq
in_root dpkg -i /tmp/zuriz.deb >/dev/null 2>&1 || true
in_root env DEBIAN_FRONTEND=noninteractive apt-get -o Dpkg::Use-Pty=0 -f install -y -qq --no-install-recommends >/dev/null 2>&1
in_root dpkg-query -W -f='${Status} ${Version}\n' zuriz | grep -q "install ok installed" \
  || { say "FAIL: the package is not installed"; exit 1; }
in_root dpkg -L zuriz >"$target/tmp/zuriz.files"

say "render the demo with the installed zuriz-render, no --plugin"
rm -rf "$target/root/.vst3"
in_root sh -c 'cd /tmp && zuriz-render --out /tmp/demo.wav' | sed 's/^/  /'
[ -s "$target/tmp/demo.wav" ] || { say "FAIL: no demo.wav"; exit 1; }
in_root zuriz-render --list-presets | head -n 3 | sed 's/^/  /'

say "dpkg -r zuriz"
in_root dpkg -r zuriz >/dev/null
left=0
while IFS= read -r path; do
  case "$path" in
    /.|/usr|/usr/bin|/usr/lib|/usr/share|/usr/share/doc) continue ;;
  esac
  if [ -e "$target$path" ]; then
    say "left behind: $path"
    left=1
  fi
done <"$target/tmp/zuriz.files"
[ "$left" -eq 0 ] || { say "FAIL: dpkg -r left files behind"; exit 1; }
say "PASS: installed, rendered from /usr/lib/vst3/Zuriz.vst3, removed without a trace"
