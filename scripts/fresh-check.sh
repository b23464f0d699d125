#!/usr/bin/env bash
# The README's two commands as a new user meets them: a fresh Debian 12 root made by
# debootstrap (with this machine's package sources, certificate authorities and npm settings,
# as a new machine has them), git installed, the project cloned into it, then scripts/demo.sh
# and scripts/test.sh run there, in that order, with Debian's own packages (Node.js 18).
# Prints each command's result and time. Needs root and the package mirrors; takes the best
# part of an hour, so it is not part of the test suite.
#
#   scripts/fresh-check.sh [REVISION]      default: HEAD (committed work only, as a clone sees it)
#
# ZURIZ_CHECK_ROOT=DIR reuses (or keeps) the root between runs; ZURIZ_DEBIAN_MIRROR picks the
# mirror. Each command's whole output is kept in the root's /root/<command>.log.
set -euo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
revision="$(git -C "$repo" rev-parse --verify "${1:-HEAD}^{commit}")"
root_name=fresh-check
say() { echo "fresh-check: $*"; }
[ "$(id -u)" -eq 0 ] || { say "run as root (debootstrap and chroot)"; exit 2; }
# shellcheck source=scripts/debian-root.sh
. "$repo/scripts/debian-root.sh"
root_open

say "git, as a user who clones the project has it"
in_root apt-get update -qq
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  git ca-certificates >/dev/null
in_root update-ca-certificates >/dev/null 2>&1 || true

say "clone $(git -C "$repo" log -1 --format='%h %s' "$revision")"
rm -rf "$root_dir/root/zuriz"
git clone -q --no-local --no-checkout "$repo" "$root_dir/root/zuriz"
git -C "$root_dir/root/zuriz" checkout -q "$revision"

failed=0
for command in demo test; do
  log="/root/$command.log"
  start=$(date +%s)
  if in_root bash -c "cd /root/zuriz && scripts/$command.sh" >"$root_dir$log" 2>&1; then
    result=PASS
  else
    result=FAIL
    failed=1
  fi
  say "scripts/$command.sh: $result in $(( $(date +%s) - start )) s (log: $log in the root)"
  [ "$result" = PASS ] || tail -n 40 "$root_dir$log" | sed 's/^/  /'
  grep -h -E '^[0-9]+% tests passed|, peak ' "$root_dir$log" | sed 's/^/  /' || true
done
say "node in the root: $(in_root node --version 2>/dev/null || echo none)"
[ "$failed" -eq 0 ] && say "PASS" || { say "FAIL"; exit 1; }
