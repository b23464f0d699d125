# A fresh Debian 12 root for the checks that play a new machine (package-check.sh,
# fresh-check.sh). Sourced, not run. Needs root.
#
#   root_open DIR        debootstrap DIR when it holds no system yet, give it this machine's
#                        package sources, certificate authorities and name service, mount what
#                        a running system has (/proc, /sys, /dev, /dev/pts, /dev/shm)
#   in_root CMD...       runs CMD inside with a clean login-like environment
#   root_close           unmounts (and removes DIR unless it was kept)
#
# ZURIZ_CHECK_ROOT=DIR reuses (or keeps) a root between runs; ZURIZ_DEBIAN_MIRROR picks the
# mirror debootstrap uses (default: the first one in this machine's package sources).

root_dir=""
root_keep=0

root_say() { echo "${root_name:-root}: $*"; }

# The first Debian mirror this machine's own package sources name.
root_mirror() {
  local uri
  uri=$(grep -h -s -E '^(URIs:|deb )' /etc/apt/sources.list /etc/apt/sources.list.d/*.sources \
          /etc/apt/sources.list.d/*.list |
        grep -o -E 'https?://[^ ]+/debian/?( |$)' | head -n 1 | tr -d ' ')
  echo "${uri:-http://deb.debian.org/debian}"
}

# What a new machine of this kind comes with besides the base system: where its packages come
# from (sources, their keys, the Acquire:: settings such as proxies), the certificate authorities
# it trusts, npm's settings and the name service.
root_copy_machine_settings() {
  local t=$1 f key
  mkdir -p "$t/etc/apt/sources.list.d" "$t/etc/apt/apt.conf.d" "$t/usr/local/share/ca-certificates" \
           "$t/etc/ssl/certs" "$t/usr/share/keyrings"
  # The machine's sources replace the one debootstrap wrote (the same mirror named twice warns).
  rm -f "$t/etc/apt/sources.list"
  [ -f /etc/apt/sources.list ] && cp /etc/apt/sources.list "$t/etc/apt/sources.list"
  for f in /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    cp "$f" "$t/etc/apt/sources.list.d/"
    for key in $(grep -h -o -E 'Signed-By: *[^ ]+|signed-by=[^] ]+' "$f" | sed -E 's/^Signed-By: *|^signed-by=//'); do
      [ -f "$key" ] && [ ! -e "$t$key" ] && mkdir -p "$t$(dirname "$key")" && cp "$key" "$t$key"
    done
  done
  for f in /etc/apt/apt.conf.d/*; do
    grep -q -E '^[[:space:]]*Acquire::' "$f" 2>/dev/null && cp "$f" "$t/etc/apt/apt.conf.d/"
  done
  cp -r /etc/apt/trusted.gpg.d/. "$t/etc/apt/trusted.gpg.d/" 2>/dev/null || true
  cp -r /usr/local/share/ca-certificates/. "$t/usr/local/share/ca-certificates/" 2>/dev/null || true
  cp /etc/ssl/certs/ca-certificates.crt "$t/etc/ssl/certs/" 2>/dev/null || true
  for f in /root/.npmrc /etc/npmrc /usr/etc/npmrc; do
    [ -f "$f" ] || continue
    case "$f" in
      /usr/etc/npmrc) cp "$f" "$t/etc/npmrc" ;;   # npm's global settings file under Debian's prefix
      *) mkdir -p "$t$(dirname "$f")" && cp "$f" "$t$f" ;;
    esac
  done
  cp /etc/resolv.conf "$t/etc/resolv.conf"
  cp /etc/hosts "$t/etc/hosts" 2>/dev/null || true
}

root_mounts() {
  echo "$root_dir/proc proc -t proc"
  echo "$root_dir/sys sys -t sysfs"
  echo "$root_dir/dev /dev --bind"
  echo "$root_dir/dev/pts /dev/pts --bind"
  echo "$root_dir/dev/shm shm -t tmpfs"
}

root_open() {
  root_dir=${ZURIZ_CHECK_ROOT:-}
  if [ -n "$root_dir" ]; then
    root_keep=1
    mkdir -p "$root_dir"
  else
    root_dir="$(mktemp -d "/tmp/zuriz-${root_name:-root}.XXXXXX")"
  fi
  trap root_close EXIT
  command -v debootstrap >/dev/null ||
    { apt-get update -qq && apt-get install -y -qq --no-install-recommends debootstrap >/dev/null; }
  if [ ! -x "$root_dir/usr/bin/apt-get" ]; then
    local mirror=${ZURIZ_DEBIAN_MIRROR:-$(root_mirror)}
    root_say "debootstrap bookworm into $root_dir ($mirror)"
    debootstrap --variant=minbase bookworm "$root_dir" "$mirror" >"$root_dir.debootstrap.log" 2>&1 ||
      { tail -n 20 "$root_dir.debootstrap.log"; return 1; }
  fi
  root_copy_machine_settings "$root_dir"
  local where what how
  while read -r where what how; do
    mountpoint -q "$where" || mount $how "$what" "$where"
  done < <(root_mounts)
}

root_close() {
  [ -n "$root_dir" ] || return 0
  local where what how
  while read -r where what how; do
    umount -l "$where" 2>/dev/null || true
  done < <(root_mounts | tac)
  [ "$root_keep" -eq 1 ] || rm -rf --one-file-system "$root_dir" "$root_dir.debootstrap.log"
  root_dir=""
}

# The environment of a login on a new machine: nothing of this shell's own, but the variables
# that point programs at this machine's certificate authorities.
in_root() {
  local pass=()
  local v
  for v in NODE_EXTRA_CA_CERTS SSL_CERT_FILE http_proxy https_proxy no_proxy HTTP_PROXY HTTPS_PROXY NO_PROXY; do
    [ -n "${!v:-}" ] && pass+=("$v=${!v}")
  done
  chroot "$root_dir" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 TERM=dumb "${pass[@]}" "$@"
}
