#!/bin/sh
# Debian's jalv hosting Zuriz.lv2 headless on a JACK server of its own (the dummy backend, no
# sound card): jalv's console applies a preset and sets a control from standard input, while
# jack_midiseq plays a note into the plug-in and jack_rec records its output.
#   jalv_session.sh OUTDIR PLUGIN_URI       writes OUTDIR/jalv.txt and OUTDIR/out.wav
# Exits 77 when jalv or a JACK server is not there to run.
set -u
out=$1
uri=$2
for tool in jalv jackd jack_wait jack_midiseq jack_connect jack_rec; do
  command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed" >&2; exit 77; }
done
export JACK_DEFAULT_SERVER="zuriz-lv2-$$"
export JACK_NO_AUDIO_RESERVATION=1
pids=""
cleanup() { for p in $pids; do kill "$p" 2>/dev/null; done; wait 2>/dev/null; }
trap cleanup EXIT

jackd --no-realtime -d dummy -r 48000 -p 256 >"$out/jackd.txt" 2>&1 &
pids="$!"
if ! timeout 10 jack_wait -w >/dev/null 2>&1; then
  echo "skipped: the JACK dummy server did not start" >&2
  exit 77
fi

# jalv stays up while its standard input is open: the commands (its presets are read by
# "presets"), then a pause for the recording.
( printf 'presets\npreset %s/preset/factory-3\nir_family = 3\ncontrols\n' "$uri"; sleep 6 ) |
  jalv -n zuriz-jalv "$uri" >"$out/jalv.txt" 2>&1 &
pids="$pids $!"
for _ in 1 2 3 4 5 6 7 8 9 10; do
  jack_lsp 2>/dev/null | grep -q '^zuriz-jalv:midi_in$' && break
  sleep 0.5
done
jack_midiseq zuriz-seq 24000 0 60 12000 >/dev/null 2>&1 &
pids="$pids $!"
sleep 0.5
jack_connect zuriz-seq:out zuriz-jalv:midi_in || exit 1
jack_rec -f "$out/out.wav" -d 2 zuriz-jalv:out_left zuriz-jalv:out_right >/dev/null 2>&1 || exit 1
