// The diagnostics drawer: health, host facts, transport and the lifecycle list. While open
// it wants the lifecycle and transport feeds; closing gives them up.
import { $, clear, el, fillFacts } from './dom.js';
import { healthOf } from './health.js';
import { transportFacts } from './transport.js';

const FEED_HZ = 10;
const MAX_EVENTS = 300;

function detailText(detail) {
  if (!detail || typeof detail !== 'object') return '';
  return Object.entries(detail).map(([k, v]) => `${k}=${v}`).join(', ');
}

function bool(v) { return v === undefined ? undefined : (v ? 'yes' : 'no'); }

export class Drawer {
  constructor(feeds) {
    this.feeds = feeds;
    this.drawer = $('drawer');
    this.toggle = $('drawer-toggle');
    this.host = {};
    this.lastSeq = 0;
    this.toggle.addEventListener('click', () => (this.isOpen() ? this.close() : this.open()));
    $('drawer-close').addEventListener('click', () => this.close());
    document.addEventListener('keydown', (e) => { if (e.key === 'Escape') this.close(); });
  }

  isOpen() { return !this.drawer.hidden; }

  open() {
    if (this.isOpen()) return;
    this.drawer.hidden = false;
    document.body.classList.add('drawer-open');
    this.toggle.setAttribute('aria-expanded', 'true');
    this.clearLog();
    this.feeds.want('drawer', ['lifecycle', 'transport'], FEED_HZ);
    $('drawer-close').focus();
  }

  close() {
    if (!this.isOpen()) return;
    this.drawer.hidden = true;
    document.body.classList.remove('drawer-open');
    this.toggle.setAttribute('aria-expanded', 'false');
    this.feeds.drop('drawer');
    this.toggle.focus();
  }

  // A new hello: the subscription is renewed, and its lifecycle replay starts the list afresh.
  hello(doc) {
    this.identity(doc.identity, doc.plugin);
    this.host = doc.host && typeof doc.host === 'object' ? { ...doc.host } : {};
    this.showHost();
    if (!$('transport').dataset.terms) fillFacts($('transport'), [['Transport', 'none reported by the host yet']]);
    this.health(doc.runtimeHealth);
    if (this.isOpen()) this.clearLog();
  }

  // Each subscription replays the log; events already listed are skipped by their seq.
  clearLog() {
    clear($('lifecycle'));
    this.lastSeq = 0;
  }

  health(report) {
    const h = healthOf(report);
    for (const id of ['health-badge', 'drawer-health']) {
      const badge = $(id);
      badge.textContent = h.level;
      badge.dataset.level = h.level;
    }
    const list = clear($('health-entries'));
    for (const e of h.entries) list.append(el('li', { class: 'sev-' + e.severity, text: e.text }));
    if (h.note) list.append(el('li', { class: 'muted', text: h.note }));
  }

  hostChanged(doc) {
    if (doc.host && typeof doc.host === 'object') Object.assign(this.host, doc.host);
    this.showHost();
  }

  showHost() {
    const h = this.host;
    const buses = Array.isArray(h.buses) ? h.buses.map((b) =>
      `${b.id} ${b.direction} ${b.channels} ch${b.layout ? ' ' + b.layout : ''}${b.active ? '' : ' (inactive)'}`)
      .join('; ') : undefined;
    fillFacts($('host-facts'), [
      ['Host', h.hostName || (Object.keys(h).length ? 'unnamed' : 'not configured yet')],
      ['Validator', h.validatorHost],
      ['Sample rate', h.sampleRate === undefined ? undefined : `${h.sampleRate} Hz`],
      ['Block size', h.maxBlockFrames],
      ['Last block', h.lastBlockFrames],
      ['Mode', h.processMode],
      ['Latency', h.latencySamples],
      ['Tail', h.tailSamples],
      ['Buses', buses],
      ['Bypassed', bool(h.bypassed)],
    ]);
  }

  transport(doc) {
    fillFacts($('transport'), transportFacts((doc.frame || {}).state));
  }

  lifecycle(doc) {
    if (!this.isOpen() || !Array.isArray(doc.events)) return;
    const list = $('lifecycle');
    for (const e of doc.events) {
      if (!e || typeof e.seq !== 'number' || e.seq <= this.lastSeq) continue;
      this.lastSeq = e.seq;
      const time = typeof e.timeMs === 'number' ? (e.timeMs / 1000).toFixed(2) + ' s' : '';
      list.append(el('li', { 'data-seq': String(e.seq) },
        el('span', { class: 'seq', text: '#' + e.seq }), ' ',
        el('strong', { text: e.kind || '?' }), ' ',
        el('span', { class: 'muted', text: [time, detailText(e.detail)].filter(Boolean).join(' · ') })));
    }
    while (list.childElementCount > MAX_EVENTS) list.firstElementChild.remove();
    if (doc.dropped) list.dataset.dropped = String(doc.dropped);
    list.scrollTop = list.scrollHeight;
  }

  identity(identity, plugin) {
    const id = identity || {};
    const ui = id.ui || {};
    fillFacts($('identity'), [
      ['Module', id.moduleId || (plugin && plugin.id)],
      ['Version', id.version || (plugin && plugin.version)],
      ['Target', id.target],
      ['Build', id.build ? `${id.build.mode} ${id.build.configuration}` : undefined],
      ['Page built', ui.buildTime],
      ['Page revision', ui.sourceRevision],
      ['Page hash', ui.sha256],
    ]);
  }
}
