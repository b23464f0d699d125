// Stand-in for zuriz-bridge while the tool is not in this tree: the same line protocol (one
// page message per stdin line, one document per stdout line) with the controller's answers
// for what the page uses. The real bridge replaces it as soon as it is built.
import readline from 'node:readline';
import { PARAMS, normalize, toPlain } from '../../../Resources/ui/js/params.js';

const out = (doc) => process.stdout.write(JSON.stringify(doc) + '\n');
const values = PARAMS.map((p) => normalize(p, p.defaultPlain));
const presets = Array.from({ length: 10 }, (_, i) => ({
  id: `factory-${i + 1}`, name: `Preset ${i + 1}`,
  values: Object.fromEntries(PARAMS.map((p, k) => [p.path,
    k === 0 ? i % 5 : toPlain(p, ((i + 1) * (k + 3) % 11) / 10)])),
}));
let ccMap = null;
let seq = 0;
const started = Date.now();
const events = [];
let subscribed = 0;
let transportTimer = null;
function record(kind, detail) {
  const e = { seq: ++seq, timeMs: Date.now() - started, kind, ...(detail ? { detail } : {}) };
  events.push(e);
  if (subscribed & 64) out({ type: 'velmo.lifecycle', events: [e] });
}
record('created');
const param = (path) => PARAMS.find((p) => p.path === path);
const changed = (id) => out({ type: 'velmo.paramChanged', path: PARAMS[id].path,
  value: toPlain(PARAMS[id], values[id]), normalized: values[id] });
const stateDoc = () => ({ params: Object.fromEntries(PARAMS.map((p, i) => [p.path, toPlain(p, values[i])])),
  ...(ccMap ? { ccMap } : {}) });
let frame = 0;
const transport = () => out({ type: 'velmo.transport', frame: { atFrame: (frame += 4800), source: 'host',
  state: { playing: true, recording: false, looping: false, tempo: 120,
    timeSignature: { numerator: 4, denominator: 4 }, ppqPosition: frame / 24000, barPositionPpq: 0,
    loopStartPpq: null, loopEndPpq: null, sampleRate: 48000, projectTimeSamples: frame },
  capabilities: { tempo: true, timeSignature: true, position: true, loop: false, canSetTempo: false } } });

readline.createInterface({ input: process.stdin }).on('line', (line) => {
  let m;
  try { m = JSON.parse(line); } catch (e) { return; }
  switch (m.type) {
    case 'velmo.ready':
      out({ type: 'velmo.hello', plugin: { id: 'music.velmo.bells', name: 'Zuriz', vendor: 'Velmo Music', version: '0.1.0' },
        params: PARAMS.map((p, i) => ({ path: p.path, value: toPlain(p, values[i]), normalized: values[i] })),
        factoryPresets: presets, ...(ccMap ? { ccMap } : {}),
        identity: { moduleId: 'music.velmo.bells', version: '0.1.0', target: 'vst3' },
        host: { hostName: 'zuriz-bridge', sampleRate: 48000, maxBlockFrames: 512, processMode: 'realtime',
          sampleSize: 32, latencySamples: 0, tailSamples: 'unreported',
          buses: [{ id: 'out', direction: 'output', channels: 2, active: true, layout: 'stereo' }] },
        diagnostics: { feeds: [], commands: [], maxFeedHz: 0 },
        presetState: { factoryCount: 10, dirty: false, userPresetsSupported: false } });
      break;
    case 'velmo.setParam': { const p = param(m.path); if (p) values[p.id] = normalize(p, m.value); break; }
    case 'velmo.loadFactoryPreset': {
      const preset = presets.find((x) => x.id === m.id);
      if (!preset) break;
      record('presetLoaded', { id: preset.id, name: preset.name, origin: 'factory' });
      PARAMS.forEach((p, i) => { values[i] = normalize(p, preset.values[p.path]); changed(i); });
      break;
    }
    case 'velmo.getState': out({ type: 'velmo.state', state: stateDoc() }); record('stateSaved'); break;
    case 'velmo.setState':
      PARAMS.forEach((p, i) => {
        if (m.state && m.state.params && typeof m.state.params[p.path] === 'number') {
          values[i] = normalize(p, m.state.params[p.path]); changed(i);
        }
      });
      if (m.state && m.state.ccMap) { ccMap = m.state.ccMap; out({ type: 'velmo.ccMapChanged', map: ccMap }); }
      record('stateRestored');
      break;
    case 'velmo.setCcMap':
      ccMap = { version: 1, bindings: (m.map.bindings || []).filter((b) => param(b.path)) };
      out({ type: 'velmo.ccMapChanged', map: ccMap });
      record('ccMapChanged', { bindings: ccMap.bindings.length });
      break;
    case 'velmo.diag.subscribe':
      subscribed = 0;
      for (const f of m.feeds || []) subscribed |= f === 'lifecycle' ? 64 : (f === 'transport' ? 2 : 0);
      if (subscribed & 64) out({ type: 'velmo.lifecycle', events });
      clearInterval(transportTimer);
      if (subscribed & 2) transportTimer = setInterval(transport, 1000 / Math.min(m.hz || 30, 30));
      break;
    case 'velmo.diag.unsubscribe': subscribed = 0; clearInterval(transportTimer); break;
    default: break;
  }
});
process.stdin.on('end', () => { clearInterval(transportTimer); process.exit(0); });
