// The factory presets menu, previous/next, and the preset state the plug-in reports.
import { $, clear, el } from './dom.js';

export class Presets {
  constructor(post) {
    this.post = post;
    this.list = [];
    this.state = {};
    this.select = $('preset-select');
    this.select.addEventListener('change', () => this.load(this.select.value));
    $('preset-prev').addEventListener('click', () => this.step(-1));
    $('preset-next').addEventListener('click', () => this.step(1));
  }

  build(presets, presetState) {
    this.list = Array.isArray(presets) ? presets.filter((p) => p && typeof p.id === 'string') : [];
    this.state = presetState && typeof presetState === 'object' ? { ...presetState } : {};
    clear(this.select);
    this.select.append(el('option', { value: '', text: '(no preset)', disabled: true }));
    for (const p of this.list) {
      this.select.append(el('option', { value: p.id, text: p.name || p.id }));
    }
    this.render();
  }

  load(id) {
    const preset = this.list.find((p) => p.id === id);
    if (!preset) return;
    this.state.currentId = preset.id;
    this.state.currentName = preset.name;
    this.state.dirty = false;
    this.post({ type: 'velmo.loadFactoryPreset', id: preset.id });
    this.render();
  }

  step(delta) {
    if (!this.list.length) return;
    const at = this.list.findIndex((p) => p.id === this.state.currentId);
    const next = at < 0 ? (delta > 0 ? 0 : this.list.length - 1)
      : (at + delta + this.list.length) % this.list.length;
    this.load(this.list[next].id);
  }

  // The plug-in's word on the current preset ("velmo.presetState"): it compares the values
  // as the host keeps them, which the page cannot see.
  adopt(presetState) {
    if (!presetState || typeof presetState !== 'object') return;
    this.state = { ...presetState };
    this.render();
  }

  render() {
    const current = this.list.find((p) => p.id === this.state.currentId);
    this.select.value = current ? current.id : '';
    let text = this.state.dirty ? 'edited' : '';
    if (!current) text = this.state.currentName || 'no preset loaded';
    $('preset-state').textContent = text;
  }
}
