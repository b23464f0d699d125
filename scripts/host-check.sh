#!/usr/bin/env bash
# Zuriz in real hosts: installs Debian's Ardour (7.x) and jalv when missing, runs Ardour's VST3
# scanner on the built bundle, then a headless Ardour session (ardour7-lua, the "None (Dummy)"
# audio backend) that puts Zuriz on a MIDI track, plays a MIDI region through it, saves the
# session and exports the audio; the state Ardour saved is then played back through zuriz-render
# --preset-file. Last, a factory preset is chosen through Ardour's own preset path, which must
# return with the plug-in holding the preset's values. Then the same for Zuriz.lv2
# (scripts/host-check-lv2.sh): a headless session playing and exporting it, the state Ardour
# saved for it, a factory preset through Ardour's preset path, and its X11 UI embedded by
# jalv.gtk3 in a private Xvfb. Prints PASS or FAIL for each step, then for the whole. Not part
# of the test suite: the install is large.
#
#   scripts/host-check.sh [BUNDLE.vst3 [BUNDLE.lv2]]
#                          defaults: build/Zuriz.vst3 and build/Zuriz.lv2 (ZURIZ_BUILD_DIR)
#
# How the session is made, and why (Ardour 7.3): its Lua cannot create an empty MIDI region or
# import a .mid file, so a short take is recorded from the x-virtual-keyboard port and its notes
# replaced with a note-diff command; the track is added with strict I/O off (with it on, Ardour
# 7.3 aborts at random with "Port already exists", with its own synth too); process cycles pass
# after a parameter is set, before saving (Ardour asks for the plug-in's state before it flushes
# parameter changes; wait_for_process_callback's timeout is in milliseconds); the export
# sometimes crashes inside Ardour itself, so a failing session is run again and reported only
# when it fails every time.
set -uo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
build="${ZURIZ_BUILD_DIR:-$repo/build}"
bundle="${1:-$build/Zuriz.vst3}"
lv2_bundle="${2:-$build/Zuriz.lv2}"
lv2_uri="https://velmo.music/zuriz/lv2"  # lv2/lv2_names.h
say() { echo "host-check: $*"; }
failed=0
# A step's title; its end, with PASS or FAIL by whether $2 (the step's failures) is 0 and its time.
step() { say "$*"; step_started=$SECONDS; }
step_result() {
  local verdict=PASS
  [ "$2" -eq 0 ] || { verdict=FAIL; failed=1; }
  say "$1 $verdict ($((SECONDS - step_started)) s)"
}

[ -f "$bundle/Contents/x86_64-linux/Zuriz.so" ] || { say "no built bundle at $bundle (cmake --build build)"; exit 2; }
bundle="$(cd "$bundle" && pwd)"
# Debian's packages for each tool missing: Ardour, and what the LV2 editor's step runs.
missing=()
[ -x /usr/lib/ardour7/ardour-vst3-scanner ] && command -v ardour7-lua >/dev/null || missing+=(ardour)
for tool in jalv.gtk3:jalv jackd:jackd2 Xvfb:xvfb import:imagemagick; do
  command -v "${tool%%:*}" >/dev/null || missing+=("${tool#*:}")
done
if [ ${#missing[@]} -gt 0 ]; then
  say "installing Debian's ${missing[*]} (Ardour is large)"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null || {
    say "FAIL: cannot install ${missing[*]}"; exit 1; }
fi

work="$(mktemp -d /tmp/zuriz-host-check.XXXXXX)"
# ZURIZ_HOST_CHECK_KEEP=1 keeps it: the sessions, their Lua and Ardour's logs.
remove_work() {
  if [ -n "${ZURIZ_HOST_CHECK_KEEP:-}" ]; then say "kept $work"; else rm -rf "$work"; fi
}
trap remove_work EXIT
# Ardour scans whole folders: give it one that holds only Zuriz.
mkdir -p "$work/vst3"
cp -a "$bundle" "$work/vst3/Zuriz.vst3"

step "1. Ardour's VST3 scanner on $bundle"
LD_LIBRARY_PATH=/usr/lib/ardour7 /usr/lib/ardour7/ardour-vst3-scanner -f -v "$work/vst3/Zuriz.vst3" \
  >"$work/scan.log" 2>&1
scan=$?
grep -E "FactoryInfo|Class: |Found Plugin|VST3Info|ERROR|Error|error" "$work/scan.log" | sed 's/^[[:space:]]*/  /'
bad=0
if [ $scan -ne 0 ] || ! grep -q "Found Plugin: Zuriz" "$work/scan.log"; then
  say "FAIL: the scanner did not find Zuriz (exit $scan)"
  bad=1
fi
step_result 1 $bad

# The Lua of a new session ($1) with one MIDI track playing through Zuriz, the VST3 or ($2 = lv2)
# the LV2 one, then what the command after them writes (using the track tr and the plug-in proc)
# and the session closed. The session's objects the script holds are locals of a function, let
# go before the session closes: held until Lua itself closes, after the session and with it the
# port manager, Ardour frees them into freed memory (a crash at exit, whatever the plug-in).
session_script() {
  local plugin='"Zuriz", ARDOUR.PluginType.VST3'
  [ "$2" = lv2 ] && plugin="\"$lv2_uri\", ARDOUR.PluginType.LV2"
  cat <<LUA
AudioEngine:set_backend("None (Dummy)", "", "")
ARDOUR.config():set_plugin_path_vst3("$work/vst3")
local s = create_session("$1", "zuriz", 48000)
if not s then print("RESULT no-session") return end
local function play()
local info = ARDOUR.LuaAPI.new_plugin_info($plugin)
if info:isnil() then print("RESULT plugin-not-listed") return end
local tracks = s:new_midi_track(ARDOUR.ChanCount(ARDOUR.DataType("midi"), 1),
  ARDOUR.ChanCount(ARDOUR.DataType("audio"), 2), false --[[ strict I/O ]], info, nil, nil, 1, "Bells",
  ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, false, false)
local tr = tracks:front()
local proc = tr:nth_plugin(0)
if proc:isnil() then print("RESULT no-instance") return end
print("INFO track " .. tr:name() .. " plays through " .. proc:display_name())
LUA
  shift 2
  "$@"
  cat <<LUA
end
local ok, failure = pcall(play)
if not ok then print("RESULT lua-error " .. tostring(failure)) end
collectgarbage()
close_session()
LUA
}

# A MIDI region played through the track with the family set to Glass, the session saved, and
# the first five seconds exported to $work/$1.wav.
session_play_and_export() {
  cat <<LUA

-- A take recorded from the virtual keyboard, long enough for the melody.
tr:input():nth(0):connect("x-virtual-keyboard")
local keyboard = AudioEngine:get_port_by_name("x-virtual-keyboard"):to_asyncmidiport()
local function send(bytes)
  local parser = ARDOUR.RawMidiParser()
  for _, b in ipairs(bytes) do
    if parser:process_byte(b) then keyboard:write(parser:midi_buffer(), parser:buffer_size(), 0) end
  end
end
tr:rec_enable_control():set_value(1, PBD.GroupControlDisposition.NoGroup)
s:maybe_enable_record(false)
s:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
ARDOUR.LuaAPI.usleep(200000)
send({0x90, 60, 100})
ARDOUR.LuaAPI.usleep(200000)
send({0x80, 60, 0})
ARDOUR.LuaAPI.usleep(3000000)
s:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
for i = 1, 50 do
  ARDOUR.LuaAPI.usleep(100000)
  if not s:transport_rolling() and tr:playlist():region_list():size() > 0 then break end
end
tr:rec_enable_control():set_value(0, PBD.GroupControlDisposition.NoGroup)
local region
for r in tr:playlist():region_list():iter() do region = r end
if not region then print("RESULT no-take") return end

-- The take's notes replaced by a rising arpeggio, one beat each.
local model = region:to_midiregion():midi_source(0):model()
local cmd = model:new_note_diff_command("zuriz host check")
for n in ARDOUR.LuaAPI.note_list(model):iter() do cmd:remove(n) end
for i, note in ipairs({60, 64, 67, 72}) do
  cmd:add(ARDOUR.LuaAPI.new_noteptr(0, Temporal.Beats(i - 1, 0), Temporal.Beats(1, 0), note, 100))
end
model:apply_command(s, cmd)
local notes = 0
for n in ARDOUR.LuaAPI.note_list(model):iter() do notes = notes + 1 end
print(string.format("INFO region %s, %.2f s, %d notes", region:name(), region:length():samples() / 48000, notes))

-- Zuriz's own parameter: the bell family, to Glass (index 3), taken in a process cycle.
ARDOUR.LuaAPI.set_processor_param(proc, 0, 3)
if not ARDOUR.LuaAPI.wait_for_process_callback(2, 2000) then print("RESULT no-process-cycle") return end
print("INFO parameter " .. proc:to_insert():plugin(0):parameter_label(0) .. " = " ..
      tostring(ARDOUR.LuaAPI.get_processor_param(proc, 0)))
s:save_state("", false, false, false, false, false)

local export = s:simple_export()
export:set_name("$1")
export:set_folder("$work")
export:set_range(0, 48000 * 5)
export:set_preset("75969a1c-3133-4694-864b-a1fa50e43348") -- "WAV @ session-rate"
if not export:check_outputs() then print("RESULT export-has-no-outputs") return end
print("RESULT " .. (export:run_export() and "exported" or "export-failed"))
LUA
}

# The factory preset $1 chosen through Ardour's preset path, then the session saved once the
# processor has taken it.
session_load_preset() {
  cat <<LUA
local plug = proc:to_insert():plugin(0)
local preset = plug:preset_by_label("$1")
if not preset then print("RESULT no-preset") return end
print("RESULT load_preset " .. tostring(plug:load_preset(preset)))
-- The processor takes the values in the next process cycles; only then is its state saved.
ARDOUR.LuaAPI.usleep(300000)
if not ARDOUR.LuaAPI.wait_for_process_callback(2, 2000) then print("RESULT no-process-cycle") return end
s:save_state("", false, false, false, false, false)
LUA
}

# Runs the session $1 (a folder; its script is $1.lua) that exports $work/$2.wav, again when it
# fails (Ardour's own export crashes); prints what it said and the export's length and peak.
# Fails when no attempt exports, or the export is silent.
run_export_session() {
  local attempt status wav="$work/$2.wav"
  for attempt in 1 2 3; do
    rm -rf "$1" "$wav"
    timeout 300 ardour7-lua "$1.lua" >"$1.log" 2>&1
    status=$?
    grep -E "^(INFO|RESULT)" "$1.log" | sed 's/^/  /'
    if [ $status -eq 0 ] && grep -q "^RESULT exported" "$1.log" && [ -s "$wav" ]; then
      say "exported $(stat -c %s "$wav") bytes of WAV"
      python3 - "$wav" <<'PY' | sed 's/^/  /'
import array, sys, wave
w = wave.open(sys.argv[1])
frames = w.getnframes()
data = array.array("h" if w.getsampwidth() == 2 else "i", w.readframes(frames))
peak = max((abs(x) for x in data), default=0) / float(1 << (8 * w.getsampwidth() - 1))
print(f"{w.getnchannels()} channels, {w.getframerate()} Hz, {frames / w.getframerate():.2f} s, peak {peak:.3f}")
sys.exit(0 if peak > 0.001 else 1)
PY
      [ "${PIPESTATUS[0]}" -eq 0 ] && return 0
      say "FAIL: the export is silent"
      return 1
    fi
    say "attempt $attempt failed (exit $status): $(grep -vE '^(INFO|RESULT)|Ignored format' "$1.log" | tail -n 3 | tr '\n' ' ')"
  done
  say "FAIL: the session did not export"
  return 1
}

# Runs the session $1 (script $1.lua) that loads a preset; fails when Ardour hangs in
# load_preset or it does not succeed.
run_preset_session() {
  timeout 120 ardour7-lua "$1.lua" >"$1.log" 2>&1
  local status=$?
  grep -E "^(INFO|RESULT)" "$1.log" | sed 's/^/  /'
  if [ $status -eq 124 ]; then
    say "FAIL: Ardour hung in load_preset"
    return 1
  elif ! grep -q "^RESULT load_preset true" "$1.log"; then
    say "FAIL: load_preset did not succeed (exit $status)"
    return 1
  fi
}

# The "params" member of the state document in file $1 (a .vstpreset, an Ardour session's
# chunk, an LV2 state.ttl), as sorted JSON; {} when there is none.
state_params() {
  python3 - "$1" <<'PY'
import json, re, sys
data = open(sys.argv[1], "rb").read().replace(b'\\"', b'"')  # Turtle escapes the quotes
m = re.search(rb'\{"params":\{[^{}]*\}', data)
print(json.dumps(json.loads(m.group(0) + b"}")["params"], sort_keys=True) if m else "{}")
PY
}

# Whether the parameter sets $1 and $2 (JSON objects) hold the same names and values, to a
# float port's precision.
same_params() {
  python3 -c 'import json, sys
a, b = json.loads(sys.argv[1]), json.loads(sys.argv[2])
sys.exit(0 if a.keys() == b.keys() and all(abs(a[k] - b[k]) <= 1e-6 * max(1, abs(b[k])) for k in a) else 1)' "$1" "$2"
}

# The values the plug-in holds after load_preset ($1) against the preset's ($2); sets bad.
expect_preset_values() {
  if [ "$2" != "{}" ] && same_params "$1" "$2"; then
    say "the plug-in's values are the preset's: $1"
  else
    say "FAIL: after load_preset the plug-in holds $1, the preset is $2"
    bad=1
  fi
}

step "2. a headless Ardour session playing a MIDI region through Zuriz"
session_script "$work/session" vst3 session_play_and_export zuriz-ardour >"$work/session.lua"
bad=0
if run_export_session "$work/session" zuriz-ardour; then
  # Ardour keeps the plug-in's state as a .vstpreset chunk in the session file: play it back.
  chunk="$(sed -n 's:.*<chunk>\([^<]*\)</chunk>.*:\1:p' "$work/session/zuriz.ardour" | head -n 1)"
  render="$build/bin/zuriz-render"
  if [ -n "$chunk" ] && [ -x "$render" ]; then
    echo "$chunk" | base64 -d >"$work/ardour-state.vstpreset"
    if "$render" --plugin "$bundle" --tail 0 --preset-file "$work/ardour-state.vstpreset" \
         --out "$work/replay.wav" >/dev/null 2>"$work/replay.log"; then
      say "the state Ardour saved loads back through zuriz-render --preset-file"
    else
      say "FAIL: the state Ardour saved does not load: $(cat "$work/replay.log")"
      bad=1
    fi
  fi
else
  bad=1
fi
step_result 2 $bad

# Ardour 7.3 holds a lock of its own while it calls the controller to change the program, and
# takes it again if the plug-in calls back from inside: a plug-in that does hangs Ardour here.
step "3. a factory preset chosen through Ardour's own preset path"
session_script "$work/preset-session" vst3 session_load_preset "Angelus Toll" >"$work/preset-session.lua"
bad=0
if run_preset_session "$work/preset-session"; then
  sed -n 's:.*<chunk>\([^<]*\)</chunk>.*:\1:p' "$work/preset-session/zuriz.ardour" | head -n 1 | base64 -d >"$work/after-preset.vstpreset"
  expect_preset_values "$(state_params "$work/after-preset.vstpreset")" \
    "$(state_params "$bundle/Contents/Resources/Presets/Angelus Toll.vstpreset")"
else
  bad=1
fi
step_result 3 $bad

# shellcheck source=scripts/host-check-lv2.sh
source "$repo/scripts/host-check-lv2.sh"
lv2_steps

[ $failed -eq 0 ] && say "PASS" || say "FAIL"
exit $failed
