// Output level arithmetic for the meter, without the DOM: peaks to dBFS, the text a person
// reads, and each channel's falling bar and peak-hold tick over time.
export const FLOOR_DB = -60;
export const FALL_DB_PER_S = 24;
export const HOLD_MS = 1500;
const CEIL_DB = 6; // where a non-finite level starts its fall

// A linear peak (1 = 0 dBFS) in dB; anything not a finite number is treated as clipped.
export function dbOf(peak) {
  if (typeof peak !== 'number' || !Number.isFinite(peak)) return Infinity;
  const a = Math.abs(peak);
  return a > 0 ? 20 * Math.log10(a) : -Infinity;
}

export function isClip(peak) {
  return typeof peak !== 'number' || !Number.isFinite(peak) || Math.abs(peak) > 1;
}

// Bar length in [0, 1] between the floor and 0 dBFS.
export function barFraction(db) {
  if (!(db > FLOOR_DB)) return 0;
  return db >= 0 ? 1 : (db - FLOOR_DB) / -FLOOR_DB;
}

// "−6.0 dB", "+1.2 dB", "0.0 dB"; below the floor "−∞ dB"; a non-finite sample "over".
export function dbText(db) {
  if (db === Infinity) return 'over';
  if (!(db > FLOOR_DB)) return '−∞ dB';
  const text = Math.abs(db).toFixed(1);
  if (text === '0.0') return '0.0 dB';
  return (db < 0 ? '−' : '+') + text + ' dB';
}

// One channel: the bar jumps up to each peak and falls between them; the tick holds the
// highest peak for HOLD_MS, then falls as the bar does. Times in milliseconds.
export class Channel {
  constructor() {
    this.level = -Infinity;
    this.hold = -Infinity;
    this.holdUntil = 0;
    this.at = null;
  }

  take(db, now) {
    this.advance(now);
    if (db > this.level) this.level = db;
    if (db >= this.hold) {
      this.hold = db;
      this.holdUntil = now + HOLD_MS;
    }
  }

  advance(now) {
    const dt = this.at === null ? 0 : Math.max(0, now - this.at) / 1000;
    this.at = now;
    this.level = fall(this.level, FALL_DB_PER_S * dt);
    if (now > this.holdUntil) {
      const since = Math.min(dt, (now - this.holdUntil) / 1000);
      this.hold = fall(this.hold, FALL_DB_PER_S * since);
    }
  }

  get moving() { return this.level > -Infinity || this.hold > -Infinity; }
}

function fall(db, by) {
  if (by <= 0 || db === -Infinity) return db;
  const next = (db === Infinity ? CEIL_DB : db) - by;
  return next > FLOOR_DB ? next : -Infinity;
}
