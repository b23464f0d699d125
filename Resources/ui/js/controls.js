// The family choice and the nine sliders. Values the plug-in reports move the controls
// without sending anything back; the user's edits go out as gestures.
import { $, clear, el } from './dom.js';
import { KEY_STEP, KIND_LIST, PARAMS, clamp01, defaultNormalized, labelText, normalize, paramByPath,
  readoutText, roundPlain, toPlain } from './params.js';

const FINE_STEP = 0.001; // with Shift
const PAGE_STEP = 0.1;

export class Controls {
  constructor(gestures, onValue) {
    this.gestures = gestures;
    this.onValue = onValue; // (path, normalized) after any change, for the picture and presets
    this.values = new Map();
    this.sliders = new Map();
    this.radios = [];
    this.finishers = [];
  }

  build(helloParams) {
    this.gestures.abortAll();
    this.values.clear();
    for (const p of helloParams || []) {
      if (paramByPath(p.path) && Number.isFinite(p.normalized)) {
        this.values.set(p.path, p.normalized);
      }
    }
    this.buildFamily();
    this.buildSliders();
    for (const p of PARAMS) this.show(p.path);
  }

  value(path) {
    const p = paramByPath(path);
    return this.values.has(path) ? this.values.get(path) : defaultNormalized(p);
  }

  // A value from the plug-in (hello, paramChanged): shown, never sent back.
  setFromPlugin(path, normalized) {
    if (!Number.isFinite(normalized) || !paramByPath(path)) return;
    this.values.set(path, normalized);
    this.show(path);
  }

  buildFamily() {
    const family = PARAMS[0];
    const group = clear($('family'));
    this.radios = family.options.map((name, i) => {
      const input = el('input', { type: 'radio', name: 'family', value: String(i),
        id: 'family-' + i });
      input.addEventListener('change', () => {
        if (!input.checked) return;
        const n = normalize(family, i);
        this.values.set(family.path, n);
        this.gestures.single(family.path, i);
        this.show(family.path);
      });
      input.addEventListener('keydown', (event) => {
        if (event.key !== 'Delete' && event.key !== 'Backspace') return;
        event.preventDefault();
        const def = family.defaultPlain;
        this.values.set(family.path, normalize(family, def));
        this.gestures.single(family.path, def);
        this.show(family.path);
        this.radios[def].focus();
      });
      group.append(el('label', { class: 'choice', for: 'family-' + i }, input,
        el('span', { text: name })));
      return input;
    });
  }

  buildSliders() {
    const box = clear($('controls'));
    this.sliders.clear();
    this.finishers = [];
    let groupName = '';
    for (const p of PARAMS) {
      if (p.kind === KIND_LIST) continue;
      if (p.group !== groupName) {
        groupName = p.group;
        box.append(el('h3', { class: 'group', text: groupName }));
      }
      const labelId = 'label-' + p.id;
      const fill = el('div', { class: 'fill' });
      const thumb = el('div', { class: 'thumb' });
      const track = el('div', { class: 'track' }, fill, thumb);
      const slider = el('div', {
        class: 'slider', role: 'slider', tabindex: '0', id: 'slider-' + p.id,
        'data-path': p.path, 'aria-labelledby': labelId,
        'aria-valuemin': String(p.min), 'aria-valuemax': String(p.max),
        title: `${p.name}: ${p.min} to ${p.max}${p.unit ? ' ' + p.unit : ''}. Drag or use the ` +
          'arrow keys (Shift: finer); double-click or Delete for the default',
      }, track);
      const readout = el('output', { class: 'readout', for: slider.id });
      box.append(el('div', { class: 'param' },
        el('span', { class: 'name', id: labelId, text: p.name }), slider, readout));
      this.sliders.set(p.path, { slider, fill, thumb, readout, track });
      this.wire(p, slider, track);
    }
  }

  wire(p, slider, track) {
    const fromPointer = (event) => {
      const box = track.getBoundingClientRect();
      const x = box.width > 0 ? (event.clientX - box.left) / box.width : 0;
      const plain = roundPlain(p, p.min + clamp01(x) * (p.max - p.min), 3);
      return plain;
    };
    const apply = (plain) => {
      this.values.set(p.path, normalize(p, plain));
      this.show(p.path);
      return plain;
    };
    let pointerId = null;
    const finish = () => {
      if (pointerId === null) return;
      pointerId = null;
      slider.classList.remove('dragging');
      this.gestures.end(p.path);
    };
    slider.addEventListener('pointerdown', (event) => {
      if (event.button !== 0 || pointerId !== null) return;
      event.preventDefault();
      slider.focus();
      pointerId = event.pointerId;
      try { slider.setPointerCapture(pointerId); } catch (e) { /* not capturable: still fine */ }
      slider.classList.add('dragging');
      this.gestures.begin(p.path);
      this.gestures.set(p.path, apply(fromPointer(event)));
    });
    slider.addEventListener('pointermove', (event) => {
      if (event.pointerId !== pointerId) return;
      this.gestures.set(p.path, apply(fromPointer(event)));
    });
    for (const type of ['pointerup', 'pointercancel', 'lostpointercapture']) {
      slider.addEventListener(type, (event) => { if (event.pointerId === pointerId) finish(); });
    }
    this.finishers.push(finish);
    slider.addEventListener('dblclick', () => this.gestures.single(p.path,
      apply(p.defaultPlain)));
    slider.addEventListener('keydown', (event) => {
      const plain = toPlain(p, this.value(p.path));
      const range = p.max - p.min;
      const step = (event.shiftKey ? FINE_STEP : KEY_STEP) * range;
      const decimals = event.shiftKey ? 4 : 3;
      let next;
      switch (event.key) {
        case 'ArrowRight': case 'ArrowUp': next = roundPlain(p, plain + step, decimals); break;
        case 'ArrowLeft': case 'ArrowDown': next = roundPlain(p, plain - step, decimals); break;
        case 'PageUp': next = roundPlain(p, plain + PAGE_STEP * range, 3); break;
        case 'PageDown': next = roundPlain(p, plain - PAGE_STEP * range, 3); break;
        case 'Home': next = p.min; break;
        case 'End': next = p.max; break;
        case 'Delete': case 'Backspace': next = p.defaultPlain; break;
        default: return;
      }
      event.preventDefault();
      this.gestures.single(p.path, apply(next));
    });
  }

  // Ends any drag: the pointer left the window or the page lost focus.
  cancelDrags() { for (const finish of this.finishers) finish(); }

  show(path) {
    const p = paramByPath(path);
    const n = this.value(path);
    if (p.kind === KIND_LIST) {
      const i = toPlain(p, n);
      this.radios.forEach((r, k) => { r.checked = k === i; });
    } else {
      const s = this.sliders.get(path);
      if (s) {
        // Screen readers get the plug-in's own text; the readout is rounded for the eye.
        const text = labelText(p, n);
        const pct = (clamp01(n) * 100).toFixed(3) + '%';
        s.fill.style.width = pct;
        s.thumb.style.left = pct;
        s.slider.setAttribute('aria-valuenow', String(toPlain(p, n)));
        s.slider.setAttribute('aria-valuetext', text);
        s.readout.textContent = readoutText(p, n);
      }
    }
    this.onValue(path, n);
  }
}
