// The stereo output meter in the header. Peaks arrive up to 30 times a second; between them
// the bars fall on animation frames, which stop once nothing moves or the page is hidden.
// The clip mark stays lit until pressed.
import { $ } from './dom.js';
import { Channel, barFraction, dbOf, dbText, isClip } from './levels.js';

const SIDES = ['left', 'right'];

export class Meter {
  constructor() {
    this.channels = SIDES.map(() => new Channel());
    this.bars = [...$('meter').querySelectorAll('.bar')].map((bar) => ({
      cover: bar.querySelector('.cover'), hold: bar.querySelector('.hold') }));
    this.readout = $('meter-peak');
    this.clipButton = $('clip');
    this.leds = [...this.clipButton.querySelectorAll('.led')];
    this.clipped = SIDES.map(() => false);
    this.visible = true;
    this.raf = 0;
    this.frame = this.frame.bind(this);
    this.clipButton.addEventListener('click', () => this.clearClip());
    this.showClip();
    this.render();
  }

  // peaks: [left, right], linear; null for a non-finite sample.
  take(peaks) {
    if (!Array.isArray(peaks)) return;
    const now = performance.now();
    let clip = false;
    this.channels.forEach((c, i) => {
      if (i >= peaks.length) return;
      c.take(dbOf(peaks[i]), now);
      if (isClip(peaks[i]) && !this.clipped[i]) clip = this.clipped[i] = true;
    });
    if (clip) this.showClip();
    this.render();
    this.run();
  }

  setVisible(visible) {
    this.visible = visible;
    if (visible) this.run();
    else if (this.raf) { cancelAnimationFrame(this.raf); this.raf = 0; }
  }

  run() {
    if (!this.raf && this.visible && this.channels.some((c) => c.moving)) this.raf = requestAnimationFrame(this.frame);
  }

  frame() {
    this.raf = 0;
    const now = performance.now();
    for (const c of this.channels) c.advance(now);
    this.render();
    this.run();
  }

  render() {
    this.channels.forEach((c, i) => {
      const b = this.bars[i];
      // The coloured scale stays put; a cover over its unlit end shrinks from the right.
      b.cover.style.transform = `scaleX(${(1 - barFraction(c.level)).toFixed(4)})`;
      b.hold.hidden = c.hold === -Infinity;
      b.hold.style.transform = `translateX(${(barFraction(c.hold) * 100).toFixed(2)}%)`;
    });
    const text = dbText(Math.max(...this.channels.map((c) => c.hold)));
    if (this.readout.textContent !== text) this.readout.textContent = text;
  }

  clearClip() {
    this.clipped = this.clipped.map(() => false);
    this.showClip();
  }

  showClip() {
    const lit = SIDES.filter((_, i) => this.clipped[i]);
    this.leds.forEach((led, i) => led.classList.toggle('lit', this.clipped[i]));
    this.clipButton.classList.toggle('lit', lit.length > 0);
    this.clipButton.setAttribute('aria-label', lit.length
      ? `Clipped (${lit.join(' and ')}): press to clear` : 'No clipping');
    this.clipButton.title = lit.length ? 'The output went over 0 dBFS. Press to clear.' : 'Lights when the output goes over 0 dBFS';
  }
}
