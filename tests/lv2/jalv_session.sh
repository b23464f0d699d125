#!/bin/sh
# Debian's jalv hosting Zuriz.lv2 headless on a JACK server of its own (the dummy backend, no
# sound card): jalv's console applies a preset and sets a control from standard input, while
# jack_midiseq plays a note into the plug-in and jack_rec records its output.
#   jalv_session.sh OUTDIR PLUGIN_URI       writes OUTDIR/jalv.txt and OUTDIR/out.wav
# Exits 77 when jalv or a JACK server is not there to run.
#
# The server removes a client's semaphore in /dev/shm only when the client closes while the
# server still runs: the clients are ended first (jalv at the end of its input, the sequencer
# by its signal handler), each waited for, and the server last.
set -u
out=$1
uri=$2
for tool in jalv jackd jack_wait jack_midiseq jack_connect jack_rec; do
  command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed" >&2; exit 77; }
done
export JACK_DEFAULT_SERVER="zuriz-lv2-$$"
export JACK_NO_AUDIO_RESERVATION=1
jackd_pid="" jalv_pid="" seq_pid=""
stop() {
  [ -n "$1" ] || return 0
  kill "$1" 2>/dev/null
  wait "$1" 2>/dev/null
}
cleanup() {
  exec 3>&-  # the end of jalv's input: it closes its client and exits
  stop "$seq_pid"
  if [ -n "$jalv_pid" ]; then
    for _ in 1 2 3 4 5 6 7 8 9 10; do
      kill -0 "$jalv_pid" 2>/dev/null || break
      sleep 0.2
    done
  fi
  stop "$jalv_pid"
  stop "$jackd_pid"
  rm -f "$out/jalv.in"
}
trap cleanup EXIT
trap '' PIPE  # a jalv that died early must not take the script with it

jackd --no-realtime -d dummy -r 48000 -p 256 >"$out/jackd.txt" 2>&1 &
jackd_pid=$!
if ! timeout 10 jack_wait -w >/dev/null 2>&1; then
  echo "skipped: the JACK dummy server did not start" >&2
  exit 77
fi

# jalv stays up while its standard input is open: the commands (its presets are read by
# "presets"), then, until the recording is done, nothing more.
rm -f "$out/jalv.in"
mkfifo "$out/jalv.in" || exit 1
jalv -n zuriz-jalv "$uri" <"$out/jalv.in" >"$out/jalv.txt" 2>&1 &
jalv_pid=$!
exec 3>"$out/jalv.in"
printf 'presets\npreset %s/preset/factory-3\nir_family = 3\ncontrols\n' "$uri" >&3
for _ in 1 2 3 4 5 6 7 8 9 10; do
  jack_lsp 2>/dev/null | grep -q '^zuriz-jalv:midi_in$' && break
  sleep 0.5
done
jack_midiseq zuriz-seq 24000 0 60 12000 >/dev/null 2>&1 &
seq_pid=$!
sleep 0.5
jack_connect zuriz-seq:out zuriz-jalv:midi_in || exit 1
jack_rec -f "$out/out.wav" -d 2 zuriz-jalv:out_left zuriz-jalv:out_right >/dev/null 2>&1 || exit 1
