#!/usr/bin/env bash
# Installs the Debian packages the build needs, when they are missing; with --tests also what
# the tests need (sanitizer and fuzzing runtimes, a browser, a private X server, Node.js and the
# page tests' npm packages). Safe to run again: it only installs what is not there.
#   scripts/setup.sh            the plug-in, its tools and the demo
#   scripts/setup.sh --tests    and everything the test suite runs
set -euo pipefail
tests=0
[ "${1:-}" = "--tests" ] && tests=1

packages=(
  cmake g++ make pkg-config
  juce-modules-source            # the VST3 SDK (pluginterfaces, base, public.sdk)
  libgtest-dev libgmock-dev googletest libbenchmark-dev   # the build configures its tests
  libsndfile1-dev
  libssl-dev libcurl4-openssl-dev libarchive-dev openssl   # sample banks: SHA-256, HTTPS, unzip
  libgtk-3-dev libwebkit2gtk-4.1-dev                       # the editor's web-view helper
  dpkg-dev file                                            # the Debian package (scripts/package.sh)
  lv2-dev liblilv-dev lilv-utils                           # Zuriz.lv2 and our lilv host
)
if [ "$tests" -eq 1 ]; then
  packages+=(
    clang-14 libclang-rt-14-dev    # libFuzzer and sanitizer runtimes
    locales                        # a comma-decimal locale for the number-format tests
    chromium xvfb xauth x11-utils imagemagick              # page and editor tests, screenshots
    libx11-dev libxtst-dev                                 # the editor tests' host window and input
    jalv jackd2                    # jalv hosting Zuriz.lv2 on a JACK dummy server
  )
  # Node.js runs the page tests; a machine that already has node and npm keeps its own.
  if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
    packages+=(nodejs npm)
  fi
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

[ "$tests" -eq 1 ] || exit 0

# Hosts may run plug-ins under a comma-decimal locale; the tests check numbers survive that.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "setup: generating de_DE.UTF-8"
  if [ -f /etc/locale.gen ]; then
    $sudo sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  fi
  $sudo locale-gen >/dev/null
fi

# The page tests' npm packages (playwright-core, pinned by tests/ui/package-lock.json): installed
# when missing or older than the lock file; the npm cache serves them offline once fetched.
ui_tests="$(cd "$(dirname "$0")/.." && pwd)/tests/ui"
if [ -f "$ui_tests/package-lock.json" ] && command -v npm >/dev/null 2>&1; then
  if [ ! -f "$ui_tests/node_modules/.package-lock.json" ] ||
     [ "$ui_tests/package-lock.json" -nt "$ui_tests/node_modules/.package-lock.json" ]; then
    echo "setup: installing the page tests' npm packages"
    (cd "$ui_tests" && npm ci --prefer-offline --no-audit --no-fund --loglevel=error)
  fi
fi
