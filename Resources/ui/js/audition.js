// What the audition keys say to the plug-in, without the DOM: note names, the velocity of a
// press from where it lands, and which presses hold which notes.
import { clamp01 } from './params.js';

const NAMES = ['C', 'C♯', 'D', 'D♯', 'E', 'F', 'F♯', 'G', 'G♯', 'A', 'A♯', 'B'];

export const LOWEST = 0;
export const HIGHEST = 127;
export const SOFTEST = 0.25; // a press at the very top of a key
export const KEYBOARD_VELOCITY = 0.8;

// MIDI note 60 is C4.
export function noteName(note) {
  return NAMES[((note % 12) + 12) % 12] + String(Math.floor(note / 12) - 1);
}

export function isSharp(note) { return NAMES[((note % 12) + 12) % 12].length > 1; }

// The lower on the key, the louder, as a keyboard key responds. fraction: 0 at the top edge,
// 1 at the bottom; outside the key it is clamped. Three decimals are all a velocity needs.
export function velocityAt(fraction) {
  const f = Number.isFinite(fraction) ? clamp01(fraction) : 1;
  return Math.round((SOFTEST + (1 - SOFTEST) * f) * 1000) / 1000;
}

// The first note of the shown keys: a C from C-1 (0) to C9 (120); keys past 127 are not shown.
export function clampBase(base) {
  const c = Math.round(base / 12) * 12;
  return Math.min(Math.max(Number.isFinite(c) ? c : 60, LOWEST), HIGHEST - (HIGHEST % 12));
}

// Held notes by who holds them (a pointer id, the keyboard). A note is struck on every press
// and released when its last holder lets go: two fingers on one key release once.
export class Holds {
  constructor(post) {
    this.post = post;
    this.byNote = new Map(); // note -> Set of holders
  }

  isHeld(note) { return this.byNote.has(note); }

  press(note, holder, velocity) {
    if (!Number.isInteger(note) || note < LOWEST || note > HIGHEST) return false;
    if (!this.byNote.has(note)) this.byNote.set(note, new Set());
    this.byNote.get(note).add(holder);
    this.post({ type: 'velmo.auditionStrike', note, velocity });
    return true;
  }

  // Returns true when the note fell silent (its last holder let go).
  release(note, holder) {
    const holders = this.byNote.get(note);
    if (!holders || !holders.delete(holder)) return false;
    if (holders.size) return false;
    this.byNote.delete(note);
    this.post({ type: 'velmo.auditionRelease', note });
    return true;
  }

  // The note a holder holds, if any (a pointer holds one key at a time).
  noteOf(holder) {
    for (const [note, holders] of this.byNote) if (holders.has(holder)) return note;
    return null;
  }

  // Everything let go at once; said even when nothing is held, since the plug-in may still
  // hold notes from presses whose release never arrived.
  releaseAll() {
    this.byNote.clear();
    this.post({ type: 'velmo.auditionReleaseAll' });
  }
}
