# Zuriz.lv2 in real hosts, sourced by scripts/host-check.sh (whose session Lua, runners and
# variables it uses): Ardour's headless session and preset path with LV2_PATH holding only the
# built bundle, then the X11 UI embedded by jalv.gtk3 on a private Xvfb and JACK dummy server.
# shellcheck shell=bash disable=SC2034,SC2154  # work, build, lv2_*, failed: host-check.sh's

lv2_state_key="$lv2_uri#stateDocument"
# The helper process that shows the page (editor/linux/webview).
webview_helper="zuriz-webview"
ui_pids=()  # jalv.gtk3, the JACK server and Xvfb, in the order they are to be stopped

# The "params" of the state document Ardour saved for the LV2 plug-in in session $1, keyed by
# port symbol; {} when the state the session names does not hold our state key.
lv2_saved_params() {
  local file
  # The plug-in's state folder: plugins/ID/stateN, as the session file names it.
  file="$(python3 - "$1" "$lv2_uri" <<'PY'
import sys, xml.etree.ElementTree as ET
for p in ET.parse(sys.argv[1] + "/zuriz.ardour").iter("Processor"):
    lv2 = p.find("lv2")
    if p.get("unique-id") == sys.argv[2] and lv2 is not None and lv2.get("state-dir"):
        print(f'{sys.argv[1]}/plugins/{p.get("id")}/{lv2.get("state-dir")}/state.ttl')
        break
PY
)"
  if [ -z "$file" ] || ! grep -qF "<$lv2_state_key>" "$file" 2>/dev/null; then echo "{}"; return; fi
  state_params "$file" | python3 -c 'import json, sys
print(json.dumps({k.replace(".", "_"): v for k, v in json.load(sys.stdin).items()}, sort_keys=True))'
}

# The port values of the factory preset labelled $1 in the bundle's presets.ttl, by symbol.
lv2_preset_values() {
  python3 - "$work/lv2/Zuriz.lv2/presets.ttl" "$1" <<'PY'
import json, re, sys
text = open(sys.argv[1]).read()
for block in text.split(" .\n\n"):
    if re.search(r'rdfs:label "%s"' % re.escape(sys.argv[2]), block):
        ports = re.findall(r'lv2:symbol "([^"]+)" ; pset:value ([-0-9.eE+]+)', block)
        print(json.dumps({s: float(v) for s, v in ports}, sort_keys=True))
        break
else:
    print("{}")
PY
}

lv2_ardour_steps() {
  local bad got want
  step "4. a headless Ardour session playing a MIDI region through Zuriz.lv2 (LV2_PATH=$work/lv2)"
  session_script "$work/lv2-session" lv2 session_play_and_export zuriz-ardour-lv2 >"$work/lv2-session.lua"
  bad=0
  if LV2_PATH="$work/lv2" run_export_session "$work/lv2-session" zuriz-ardour-lv2; then
    # Ardour keeps an LV2 plug-in's state as the plug-in stored it, in a state.ttl of its own.
    got="$(lv2_saved_params "$work/lv2-session")"
    if [ "$got" = "{}" ]; then
      say "FAIL: no state Ardour saved holds $lv2_state_key"
      bad=1
    elif python3 -c 'import json, sys; sys.exit(0 if json.loads(sys.argv[1]).get("ir_family") == 3 else 1)' "$got"; then
      say "the state Ardour saved holds our state document, the family at Glass: $got"
    else
      say "FAIL: the state Ardour saved holds $got, not the family set (3)"
      bad=1
    fi
  else
    bad=1
  fi
  step_result 4 $bad

  step "5. a factory LV2 preset chosen through Ardour's own preset path"
  session_script "$work/lv2-preset-session" lv2 session_load_preset "Angelus Toll" >"$work/lv2-preset-session.lua"
  bad=0
  if LV2_PATH="$work/lv2" run_preset_session "$work/lv2-preset-session"; then
    expect_preset_values "$(lv2_saved_params "$work/lv2-preset-session")" "$(lv2_preset_values "Angelus Toll")"
  else
    bad=1
  fi
  step_result 5 $bad
}

# Stops what the UI step started, newest first: each client leaves the JACK server before it
# stops (so the server removes the client's semaphore), and the X server goes last.
ui_stop() {
  local p
  for p in "${ui_pids[@]}"; do
    kill "$p" 2>/dev/null
    wait "$p" 2>/dev/null
  done
  ui_pids=()
}

# Every process below $1, one a line.
descendants() {
  local child
  for child in $(ps -o pid= --ppid "$1"); do
    echo "$child"
    descendants "$child"
  done
}

gone() { ! kill -0 "$1" 2>/dev/null; }

# Waits up to $1 tenths of a second for the command $2... to succeed.
wait_for() {
  local tenths=$1
  shift
  while ! "$@"; do
    [ "$tenths" -gt 0 ] || return 1
    sleep 0.1
    tenths=$((tenths - 1))
  done
}

lv2_ui_step() {
  local bad=0 display jalv helper="" helpers=() colours status p left=()
  local shots="$build/host-check" trace="$work/webview.trace"
  step "6. jalv.gtk3 embedding Zuriz.lv2's X11 UI (Xvfb, JACK dummy server)"
  for tool in jalv.gtk3 jackd jack_wait Xvfb import convert; do
    command -v "$tool" >/dev/null || { say "FAIL: $tool is not installed (jalv, jackd2, xvfb, imagemagick)"; step_result 6 1; return; }
  done

  Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$work/xvfb.display" 2>"$work/xvfb.log" &
  ui_pids=("$!")
  wait_for 100 test -s "$work/xvfb.display" || { say "FAIL: Xvfb did not start"; ui_stop; step_result 6 1; return; }
  display=":$(head -n 1 "$work/xvfb.display")"
  export JACK_DEFAULT_SERVER="zuriz-host-check-$$" JACK_NO_AUDIO_RESERVATION=1
  jackd --no-realtime -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 &
  ui_pids=("$!" "${ui_pids[@]}")
  timeout 10 jack_wait -w >/dev/null 2>&1 || { say "FAIL: the JACK dummy server did not start"; ui_stop; step_result 6 1; return; }

  DISPLAY="$display" LV2_PATH="$work/lv2" VELMO_WEBVIEW_TRACE="$trace" \
    jalv.gtk3 --jack-name zuriz-jalv-ui "$lv2_uri" >"$work/jalv-ui.log" 2>&1 &
  jalv=$!
  ui_pids=("$jalv" "${ui_pids[@]}")
  local started=$SECONDS
  # The helper is jalv's own child; the page says it is ready once it has its first documents.
  if wait_for 600 grep -q "^phase ready" "$trace" 2>/dev/null; then
    helper="$(ps -o pid=,comm= --ppid "$jalv" | awk -v name="$webview_helper" '$2 == name { print $1; exit }')"
    say "the page is ready after $((SECONDS - started)) s; jalv.gtk3 ($jalv) runs $webview_helper ($helper)"
  else
    say "FAIL: the page did not get ready in 60 s: $(tail -n 3 "$work/jalv-ui.log" | tr '\n' ' ')"
    bad=1
  fi
  # The editor's messages through jalv: its poll reaches the plug-in's run and the answers come
  # back on the notify port as the meter's and the drawer's documents.
  for doc in velmo.meters velmo.hostChanged; do
    if wait_for 100 grep -qF "delivered {\"type\":\"$doc\"" "$trace" 2>/dev/null; then
      say "the page got \"$doc\" from the plug-in through jalv"
    else
      say "FAIL: no \"$doc\" reached the page (the UI's atoms did not make the round trip)"
      bad=1
    fi
  done
  if [ -n "$helper" ]; then
    mapfile -t helpers < <(echo "$helper"; descendants "$helper")
    sleep 2  # the page's first paint after its documents
    mkdir -p "$shots"
    if DISPLAY="$display" import -window root "$shots/jalv-ui.png" 2>/dev/null; then
      # Colours in the page's part of jalv's window, below its menu bar.
      colours="$(convert "$shots/jalv-ui.png" -crop 760x580+0+40 +repage -format '%k' info:)"
      say "screenshot $shots/jalv-ui.png: $colours colours in the page"
      [ "$colours" -gt 64 ] || { say "FAIL: the screenshot is blank"; bad=1; }
    else
      say "FAIL: no screenshot"
      bad=1
    fi
  elif [ $bad -eq 0 ]; then
    say "FAIL: jalv.gtk3 runs no $webview_helper: $(ps -o pid=,comm= --ppid "$jalv" | tr '\n' ' ')"
    bad=1
  fi

  # jalv ends on SIGTERM as on closing its window: the UI's cleanup, then its JACK client.
  kill "$jalv" 2>/dev/null
  if wait_for 100 gone "$jalv"; then
    wait "$jalv"
    status=$?
    say "jalv.gtk3 closed (exit $status)"
    [ $status -eq 0 ] || { say "FAIL: jalv.gtk3 did not end cleanly: $(tail -n 3 "$work/jalv-ui.log" | tr '\n' ' ')"; bad=1; }
  else
    say "FAIL: jalv.gtk3 did not close in 10 s"
    bad=1
  fi
  ui_pids=("${ui_pids[@]:1}")
  for p in "${helpers[@]}"; do
    wait_for 50 gone "$p" || left+=("$p")
  done
  if [ ${#left[@]} -gt 0 ]; then
    say "FAIL: still running after jalv.gtk3 closed: $(for p in "${left[@]}"; do ps -o pid=,comm= -p "$p"; done | tr '\n' ' ')"
    bad=1
  elif [ -n "$helper" ]; then
    say "no helper process left (${#helpers[@]} gone)"
  fi
  ui_stop
  step_result 6 $bad
}

lv2_steps() {
  if [ ! -f "$lv2_bundle/zuriz_lv2.so" ]; then
    say "no built LV2 bundle at $lv2_bundle: steps 4-6 not run"
    failed=1
    return
  fi
  # LV2_PATH names folders of bundles: one that holds only Zuriz.lv2.
  mkdir -p "$work/lv2"
  cp -a "$lv2_bundle" "$work/lv2/Zuriz.lv2"
  trap 'ui_stop; remove_work' EXIT
  lv2_ardour_steps
  lv2_ui_step
}
