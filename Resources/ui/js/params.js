// The ten parameters as the plug-in describes them, with its value conversions and display
// texts. The hello carries only paths and values; ranges, units and names come from the
// plug-in's own table, which the build writes into the bundle as param_table.js.
import { KIND_CONTINUOUS, KIND_LIST, KIND_TOGGLE, PARAM_ROWS } from './param_table.js';

export { KIND_CONTINUOUS, KIND_LIST, KIND_TOGGLE };

export const PARAMS = Object.freeze(PARAM_ROWS.map((row) => Object.freeze(row)));

const BY_PATH = new Map(PARAMS.map((p) => [p.path, p]));

export function paramByPath(path) { return BY_PATH.get(path) || null; }

// Into [0, 1]; NaN passes through.
export function clamp01(x) { return x < 0 ? 0 : (x > 1 ? 1 : x); }

function optionCount(p) { return p.options ? p.options.length : p.max + 1; }

export function toPlain(p, normalized) {
  if (p.kind === KIND_LIST) {
    const n = optionCount(p);
    const v = Math.floor((n - 1) * normalized + 0.5);
    return Math.min(v < 0 ? 0 : v, n - 1);
  }
  if (p.kind === KIND_TOGGLE) return normalized >= 0.5 ? 1 : 0;
  let plain = p.min + clamp01(normalized) * (p.max - p.min);
  if (p.step !== 0) plain = p.step * Math.floor(plain / p.step + 0.5);
  return plain;
}

export function normalize(p, plain) {
  if (p.kind === KIND_LIST) {
    const n = optionCount(p);
    return n > 1 ? Math.min(Math.max(plain, 0), n - 1) / (n - 1) : 0;
  }
  if (p.kind === KIND_TOGGLE) return plain === 0 ? 0 : 1;
  if (p.max === p.min) return 0;
  return clamp01((plain - p.min) / (p.max - p.min));
}

// x (> 0) to p significant digits, as C's printf and to_chars round: to the nearest, and a tie
// (x exactly halfway) to the even digit where toExponential rounds up. An odd n never comes
// from a carry (that gives 1 or 10…0), so the exact digits line up with the rounded ones.
function roundDigits(x, p) {
  const [mant, exp] = x.toExponential(p - 1).split('e');
  let n = Number(mant.replace('.', ''));
  if (n % 2 === 1 && n !== 1 &&
      /^50*$/.test(x.toExponential(80).split('e')[0].replace('.', '').slice(p))) n -= 1;
  return { n, scale: Number(exp) - (p - 1) };
}

// The digits and decimal exponent of the shortest decimal that reads back to the float f
// (f > 0), as C++'s to_chars of a float finds them: the fewest digits, nearest to f.
function floatDigits(f) {
  for (let p = 1; p < 10; p += 1) {
    const { n: near, scale } = roundDigits(f, p);
    // Beside a power of two f's two gaps differ: the nearest p digits may miss where the
    // next ones on the wider side still read back.
    for (const n of [near, near - 1, near + 1]) {
      if (Math.fround(Number(n + 'e' + scale)) === f) {
        const text = String(n);
        return { digits: text.replace(/0+$/, ''), e: scale + text.length - 1 };
      }
    }
  }
  return { digits: '0', e: 0 }; // not reached: nine digits always read back
}

// A number's digits (no trailing zeros) at decimal exponent e, laid out as C's to_chars does
// without a format: fixed or exponent form, whichever is shorter (fixed on a tie), exponent
// with at least two digits ("1e-05").
function layoutNumber(negative, digits, e) {
  let fixed;
  if (e >= digits.length - 1) fixed = digits + '0'.repeat(e - digits.length + 1);
  else if (e >= 0) fixed = digits.slice(0, e + 1) + '.' + digits.slice(e + 1);
  else fixed = '0.' + '0'.repeat(-e - 1) + digits;
  const mant = digits.length > 1 ? digits[0] + '.' + digits.slice(1) : digits;
  const absE = Math.abs(e);
  const sci = mant + 'e' + (e < 0 ? '-' : '+') + (absE < 10 ? '0' : '') + absE;
  return (negative ? '-' : '') + (sci.length < fixed.length ? sci : fixed);
}

// Shortest text that reads back to the same float, and its count of significant digits.
// Hosts carry values as floats: more digits would be noise.
function shortestFloat(x) {
  const f = Math.fround(x);
  if (Number.isNaN(f)) return { text: 'nan', digits: 1 };
  if (!Number.isFinite(f)) return { text: f < 0 ? '-inf' : 'inf', digits: 1 };
  if (f === 0) return { text: Object.is(f, -0) ? '-0' : '0', digits: 1 };
  const { digits, e } = floatDigits(Math.abs(f));
  return { text: layoutNumber(f < 0, digits, e), digits: digits.length };
}

// A continuous value the host holds as a float may read shorter still: the shortest decimal
// whose normalised value is that same float ("2.607" s for the float nearest 0.65 on Release).
function continuousText(p, normalized) {
  const plain = toPlain(p, normalized);
  const fallback = shortestFloat(plain);
  if (p.step !== 0) return fallback.text;
  const held = Math.fround(normalized >= 0 ? (normalized <= 1 ? normalized : 1) : 0);
  for (let precision = 1; precision < fallback.digits && plain > 0; precision += 1) {
    const { n, scale } = roundDigits(plain, precision);
    const shorter = Number(n + 'e' + scale);
    // Outside the range the normalised value clamps to an end and would match it falsely.
    if (shorter < p.min || shorter > p.max) continue;
    if (Math.fround(normalize(p, shorter)) === held) {
      const text = String(n);
      return layoutNumber(false, text.replace(/0+$/, ''), scale + text.length - 1);
    }
  }
  return fallback.text;
}

// The plug-in's display text of a normalised value (no unit: the unit is shown beside it).
export function displayText(p, normalized) {
  if (p.kind === KIND_LIST) {
    const i = toPlain(p, normalized);
    if (!p.options) return shortestFloat(i).text;
    return p.options[i] || '';
  }
  if (p.kind === KIND_TOGGLE) return normalized >= 0.5 ? 'on' : 'off';
  return continuousText(p, normalized);
}

// The text a control shows: the display text with the unit, if any.
export function labelText(p, normalized) {
  const text = displayText(p, normalized);
  return p.unit ? text + ' ' + p.unit : text;
}

// The arrow keys move a hundredth of the range.
export const KEY_STEP = 0.01;

// Decimals a readout shows: enough that one arrow-key step always changes it (two for every
// range here), or the step's own decimals for a quantised parameter.
export function readoutDecimals(p) {
  const quantum = p.step > 0 ? p.step : (p.max - p.min) * KEY_STEP;
  return quantum > 0 ? Math.min(6, Math.max(0, Math.ceil(-Math.log10(quantum) - 1e-9))) : 0;
}

// The readout a person reads: a fixed number of decimals (the width stays put while the
// value moves) and the unit. Names and toggles read as the plug-in writes them.
export function readoutText(p, normalized) {
  if (p.kind !== KIND_CONTINUOUS) return labelText(p, normalized);
  const text = toPlain(p, normalized).toFixed(readoutDecimals(p));
  return p.unit ? text + ' ' + p.unit : text;
}

export function defaultNormalized(p) { return normalize(p, p.defaultPlain); }

// A plain value rounded to `decimals` places, for drags and key steps that should land on
// readable values.
export function roundPlain(p, plain, decimals) {
  const f = 10 ** decimals;
  const r = Math.round(plain * f) / f;
  return Math.min(Math.max(r, p.min), p.max);
}
