// What the plug-in's CC map accepts, checked before a map is sent so that nothing is
// silently clamped or dropped on the way. Pure: no DOM.
import { paramByPath } from './params.js';

const MAX_BINDINGS = 64;
export const CURVES = Object.freeze(['linear', 'exp', 'log', 's-curve']);

// The reason the bindings cannot be sent, or '' when they can.
export function ccMapProblem(bindings) {
  if (bindings.length > MAX_BINDINGS) return `At most ${MAX_BINDINGS} bindings fit in the map.`;
  const seen = new Map();
  for (let i = 0; i < bindings.length; i += 1) {
    const b = bindings[i];
    const where = `Row ${i + 1}: `;
    if (!Number.isInteger(b.cc) || b.cc < 0 || b.cc > 127) {
      return where + 'the CC number must be a whole number from 0 to 127.';
    }
    const p = paramByPath(b.path);
    if (!p) return where + 'choose a parameter.';
    if (b.channel !== undefined && (!Number.isInteger(b.channel) || b.channel < 1 || b.channel > 16)) {
      return where + 'the MIDI channel must be from 1 to 16.';
    }
    for (const key of ['min', 'max']) {
      if (b[key] === undefined) continue;
      if (!Number.isFinite(b[key]) || b[key] < p.min || b[key] > p.max) {
        return where + `${key === 'min' ? 'Min' : 'Max'} must be a number from ${p.min} to ${p.max}.`;
      }
    }
    if (b.min !== undefined && b.max !== undefined && b.min > b.max) {
      return where + 'Min must not be above Max.';
    }
    const key = `${b.cc}/${b.channel ?? 0}`;
    if (b.enabled !== false) {
      if (seen.has(key)) {
        return where + `CC ${b.cc} already drives ${paramByPath(seen.get(key)).name} on ` +
          `${b.channel ? 'channel ' + b.channel : 'every channel'}.`;
      }
      seen.set(key, b.path);
    }
  }
  return '';
}

// The first CC number no binding uses (0 when all are taken).
export function freeCc(bindings) {
  const used = new Set(bindings.map((b) => b.cc));
  for (let cc = 1; cc < 128; cc += 1) if (!used.has(cc)) return cc;
  return 0;
}

// The bindings of a CC map document as plain objects, keeping members the page does not edit.
export function bindingsOf(map) {
  const list = map && Array.isArray(map.bindings) ? map.bindings : (Array.isArray(map) ? map : []);
  return list.filter((b) => b && typeof b === 'object').map((b) => ({ ...b }));
}

// The map document for "velmo.setCcMap", members as the plug-in writes them.
export function ccMapDocument(bindings) {
  return {
    version: 1,
    bindings: bindings.map((b) => {
      const out = { cc: b.cc, path: b.path };
      for (const key of ['channel', 'min', 'max']) if (b[key] !== undefined) out[key] = b[key];
      if (b.curve && b.curve !== 'linear') out.curve = b.curve;
      if (b.valueMode) out.valueMode = b.valueMode;
      if (b.takeover) out.takeover = b.takeover;
      if (b.enabled === false) out.enabled = false;
      return out;
    }),
  };
}
