// Draws the partials: a spectrum of stems (height = level at the strike, position = pitch)
// and beneath it their decay envelopes over the bell's ring time.
import { computePartials } from './partials.js';

const NS = 'http://www.w3.org/2000/svg';
const W = 600;
const H = 260;
const SPLIT = 150; // spectrum above, decay below

function svg(tag, attrs, text) {
  const node = document.createElementNS(NS, tag);
  for (const [k, v] of Object.entries(attrs || {})) node.setAttribute(k, String(v));
  if (text !== undefined) node.textContent = text;
  return node;
}

export class Picture {
  constructor(box, caption) {
    this.box = box;
    this.caption = caption;
    this.families = null;
    this.pending = false;
    this.values = {};
  }

  setFamilies(families) {
    this.families = families;
    this.requestDraw();
  }

  update(values) {
    this.values = values;
    this.requestDraw();
  }

  // At most one redraw per frame, however many values move.
  requestDraw() {
    if (this.pending) return;
    this.pending = true;
    requestAnimationFrame(() => { this.pending = false; this.draw(); });
  }

  draw() {
    const model = computePartials(this.families, this.values);
    this.box.textContent = '';
    if (!model) {
      this.caption.textContent = 'The partials picture needs families.json from the plug-in bundle.';
      return;
    }
    const root = svg('svg', { viewBox: `0 0 ${W} ${H}`, role: 'img',
      preserveAspectRatio: 'none', 'aria-labelledby': 'picture-title' });
    root.append(svg('title', { id: 'picture-title' },
      `${model.family.name}: ${model.partials.length} partials of ${model.referenceHz} Hz`));
    const lo = Math.log2(model.referenceHz * 0.125);
    const hi = Math.log2(model.referenceHz * 32);
    const x = (hz) => 20 + (Math.log2(hz) - lo) / (hi - lo) * (W - 40);
    const maxLevel = Math.max(...model.partials.map((p) => p.level), 1e-9);

    // Octave grid, labelled in Hz.
    for (let hz = model.referenceHz / 8; hz <= model.referenceHz * 32; hz *= 2) {
      root.append(svg('line', { x1: x(hz), x2: x(hz), y1: 10, y2: SPLIT, class: 'grid' }));
      root.append(svg('text', { x: x(hz), y: SPLIT + 14, class: 'axis' },
        hz >= 1000 ? `${hz / 1000}k` : `${hz}`));
    }
    const timeTop = SPLIT + 24;
    const timeH = H - timeTop - 6;
    const tx = (s) => 20 + s / model.ringLimit * (W - 40);
    root.append(svg('text', { x: W - 20, y: H - 8, class: 'axis end' },
      `${model.ringLimit} s`));

    model.partials.forEach((p, i) => {
      const cls = 'partial p' + (i % 10);
      const y = 10 + (1 - p.level / maxLevel) * (SPLIT - 12);
      const stem = svg('g', { class: cls });
      stem.append(svg('title', {},
        `${p.hz.toFixed(1)} Hz (x${p.ratio}), level ${p.level.toFixed(3)}, ` +
        `rings ${p.seconds.toFixed(2)} s`));
      stem.append(svg('line', { x1: x(p.hz), x2: x(p.hz), y1: SPLIT, y2: y }));
      stem.append(svg('circle', { cx: x(p.hz), cy: y, r: 4 }));
      root.append(stem);

      // Envelope: level * exp(-rate t), drawn until it falls 60 dB or the ring time ends.
      const pts = [];
      for (let k = 0; k <= 24; k += 1) {
        const t = p.seconds * k / 24;
        const a = (p.level / maxLevel) * Math.exp(-p.rate * t);
        pts.push(`${tx(t).toFixed(1)},${(timeTop + (1 - a) * timeH).toFixed(1)}`);
      }
      root.append(svg('polyline', { points: pts.join(' '), class: cls + ' env' }));
    });
    this.box.append(root);
    const longest = Math.max(...model.partials.map((p) => p.seconds));
    this.caption.textContent = `${model.family.name}: ${model.partials.length} partials ` +
      `for note ${model.referenceNote} (${model.referenceHz} Hz); the longest rings ` +
      `${longest.toFixed(1)} s.`;
  }
}
