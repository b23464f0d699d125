// The audition keys: two octaves of bell keys laid out as a glockenspiel (sharps in the row
// behind), each sounding the instrument itself through the plug-in. A pointer strikes at a
// velocity from how low on the key it lands and holds until it lifts; Space or Enter on the
// focused key strikes and holds until the key comes up.
import { $, el } from './dom.js';
import { HIGHEST, Holds, KEYBOARD_VELOCITY, clampBase, isSharp, noteName, velocityAt } from './audition.js';

const OCTAVES = 2;
const COUNT = 12 * OCTAVES;
const DEFAULT_BASE = 60; // C4-B5: where most bells ring

export class Keys {
  constructor(post) {
    this.holds = new Holds(post);
    this.box = $('keys');
    this.range = $('keys-range');
    this.base = DEFAULT_BASE;
    this.focusIndex = 0;
    this.keyboard = new Map(); // key code -> holder, for Space and Enter held down
    this.keys = [];
    this.build();
    $('octave-down').addEventListener('click', () => this.shift(-12));
    $('octave-up').addEventListener('click', () => this.shift(12));
    // A key's keyup may arrive anywhere once focus has moved on, and so may a pointer's lift
    // where capture was refused.
    document.addEventListener('keyup', (event) => this.keyUp(event));
    for (const type of ['pointerup', 'pointercancel']) {
      document.addEventListener(type, (event) => this.releaseHolder('pointer ' + event.pointerId));
    }
    this.box.addEventListener('contextmenu', (event) => event.preventDefault()); // a long touch
    this.relabel();
  }

  build() {
    let natural = 0;
    for (let i = 0; i < COUNT; i += 1) {
      const sharp = isSharp(i);
      const key = el('div', { class: 'key ' + (sharp ? 'sharp' : 'natural'), role: 'button',
        tabindex: '-1', 'aria-pressed': 'false' }, el('span', { class: 'name' }));
      // Two grid columns per natural key; a sharp sits across the boundary of its neighbours.
      key.style.gridColumn = `${sharp ? 2 * natural : 2 * natural + 1} / span 2`;
      key.style.gridRow = sharp ? '1' : '2';
      if (!sharp) natural += 1;
      this.wire(key, i);
      this.keys.push(key);
      this.box.append(key);
    }
    this.box.style.gridTemplateColumns = `repeat(${2 * natural}, minmax(0, 1fr))`;
  }

  noteAt(i) { return this.base + i; }

  wire(key, i) {
    key.addEventListener('pointerdown', (event) => {
      if (event.pointerType === 'mouse' && event.button !== 0) return;
      event.preventDefault(); // no text selection, no focus ring from a press
      const holder = 'pointer ' + event.pointerId;
      if (this.holds.noteOf(holder) !== null) return;
      try { key.setPointerCapture(event.pointerId); } catch (e) { /* still released on pointerup */ }
      const r = key.getBoundingClientRect();
      this.setFocusIndex(i);
      this.press(this.noteAt(i), holder, velocityAt(r.height > 0 ? (event.clientY - r.top) / r.height : 1));
    });
    // Capture keeps a pointer on its key until it lifts, is cancelled or loses capture.
    for (const type of ['pointerup', 'pointercancel', 'lostpointercapture']) {
      key.addEventListener(type, (event) => this.releaseHolder('pointer ' + event.pointerId));
    }
    key.addEventListener('keydown', (event) => this.keyDown(event, i));
  }

  press(note, holder, velocity) {
    if (note > HIGHEST) return;
    if (this.holds.press(note, holder, velocity)) this.show(note);
  }

  releaseHolder(holder) {
    const note = this.holds.noteOf(holder);
    if (note === null) return;
    this.holds.release(note, holder);
    this.show(note);
  }

  keyDown(event, i) {
    const note = this.noteAt(i);
    if (event.key === ' ' || event.key === 'Enter') {
      event.preventDefault(); // Space would scroll the page
      if (event.repeat || this.keyboard.has(event.code)) return;
      const holder = 'key ' + event.code;
      this.keyboard.set(event.code, holder);
      this.press(note, holder, KEYBOARD_VELOCITY);
      return;
    }
    const last = this.lastPlayable();
    let next = null;
    switch (event.key) {
      case 'ArrowLeft': next = i - 1; break;
      case 'ArrowRight': next = i + 1; break;
      case 'Home': next = 0; break;
      case 'End': next = last; break;
      case 'PageDown': event.preventDefault(); this.shift(-12); return;
      case 'PageUp': event.preventDefault(); this.shift(12); return;
      default: return;
    }
    event.preventDefault();
    this.setFocusIndex(Math.min(Math.max(next, 0), last));
    this.keys[this.focusIndex].focus();
  }

  keyUp(event) {
    const holder = this.keyboard.get(event.code);
    if (!holder) return;
    this.keyboard.delete(event.code);
    this.releaseHolder(holder);
  }

  lastPlayable() { return Math.min(COUNT - 1, HIGHEST - this.base); }

  setFocusIndex(i) {
    this.keys[this.focusIndex].tabIndex = -1;
    this.focusIndex = i;
    this.keys[i].tabIndex = 0;
  }

  shift(delta) {
    const base = clampBase(this.base + delta);
    if (base === this.base) return;
    // Held notes belong to keys that are about to change names: let them all go.
    if (this.anyHeld()) this.releaseAll();
    const focused = this.box.contains(document.activeElement);
    this.base = base;
    this.relabel();
    this.setFocusIndex(Math.min(this.focusIndex, this.lastPlayable()));
    if (focused) this.keys[this.focusIndex].focus();
  }

  relabel() {
    this.keys.forEach((key, i) => {
      const note = this.noteAt(i);
      const name = note <= HIGHEST ? noteName(note) : '';
      key.dataset.note = String(note);
      key.classList.toggle('off', note > HIGHEST);
      key.setAttribute('aria-label', name);
      key.setAttribute('aria-hidden', note > HIGHEST ? 'true' : 'false');
      key.firstChild.textContent = name;
      key.classList.toggle('c', note % 12 === 0);
      this.show(note);
    });
    const top = Math.min(this.base + COUNT - 1, HIGHEST);
    this.range.textContent = `${noteName(this.base)}–${noteName(top)}`;
    $('octave-down').disabled = clampBase(this.base - 12) === this.base;
    $('octave-up').disabled = clampBase(this.base + 12) === this.base;
  }

  show(note) {
    const i = note - this.base;
    if (i < 0 || i >= COUNT) return;
    const held = this.holds.isHeld(note);
    this.keys[i].classList.toggle('down', held);
    this.keys[i].setAttribute('aria-pressed', held ? 'true' : 'false');
  }

  anyHeld() { return this.holds.byNote.size > 0; }

  // Every key up at once: the page is going away or hidden, focus left the window.
  releaseAll() {
    this.keyboard.clear();
    this.holds.releaseAll();
    for (const key of this.keys) {
      key.classList.remove('down');
      key.setAttribute('aria-pressed', 'false');
    }
  }
}
