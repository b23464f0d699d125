// The partials a strike of the reference note produces, from the kernel's family tables and
// the current Bell, Position, Casting, Ring and Damping values. Pure: no DOM.
import { clamp01, paramByPath } from './params.js';

const Q = 100000;
const q = (x) => Math.floor(x * Q + 0.5) / Q;
const clamp = (x, lo, hi) => (x < lo ? lo : (x > hi ? hi : x));
const FALL_60_DB = Math.log(1000);

// families: the parsed families.json. values: plain values by path (a missing one reads as the
// parameter's default).
// Returns { family, partials: [{ mode, ratio, hz, amplitude, gain, level, rate, seconds }] }.
export function computePartials(families, values) {
  const list = families && Array.isArray(families.families) ? families.families : [];
  if (!list.length) return null;
  const value = (path) => values[path] ?? paramByPath(path).defaultPlain;
  const index = clamp(Math.floor(value('ir.family') + 0.5), 0, list.length - 1);
  const family = list.find((f) => f.index === index) || list[index];
  const modes = Array.isArray(family.modes) ? family.modes : [];
  const size = value('ir.size');
  const position = clamp01(value('strike.position'));
  const decayScale = value('ir.decayScale');
  const damping = value('ir.damping');
  const floor = families.positionFloor;
  const referenceHz = families.referenceHz;

  // A larger casting stretches the partials less (its exponent falls below 1).
  const stretch = (1 - size) * 0.06 + 1;
  const phi = position * Math.PI / 2;
  const low = Math.cos(0.88 * phi);
  const high = 0.65 * Math.sin(phi) + 0.35;
  const sizeFactor = Math.pow(1 / size, 0.2);
  const ringLimit = Math.min(9, family.ringSeconds);
  const count = modes.length;

  const partials = modes.map((m, i) => {
    const ratio = stretch === 1 ? m.ratio : clamp(q(Math.pow(m.ratio, stretch)), 0.001, 32);
    const t = count > 1 ? i / (count - 1) : 0;
    const g = clamp01((1 - t) * low + t * high);
    const gain = q(floor + (1 - floor) * g);
    const rate = decayScale * m.decay * damping * sizeFactor;
    const seconds = rate > 0 ? Math.min(FALL_60_DB / rate, ringLimit) : ringLimit;
    return { mode: i, ratio, hz: referenceHz * ratio, amplitude: m.amplitude, gain,
      level: gain * m.amplitude, rate, seconds };
  });
  return { family, ringLimit, referenceNote: families.referenceNote, referenceHz, partials };
}
