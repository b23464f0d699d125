// The sample-bank panel: a bank folder or a hosted bank to load, the instrument or kit, bank
// presets and pad overrides. Every answer is the plug-in's "velmo.bankState" (or
// "velmo.folderPicked"); its error is shown in plain words beside the request it answers.
import { clear, el, showMessage } from './dom.js';

// Plain words for each error code a bank state may carry.
const BANK_ERRORS = Object.freeze({
  'bank-missing': 'The bank could not be found or read.',
  'bank-hash-mismatch': 'A file of the bank does not match the size or SHA-256 its bank.json records.',
  'bank-malformed': 'The bank\u2019s description (bank.json or an instrument document) is not valid.',
  'bank-unsupported-codec': 'The bank uses an audio format this instrument cannot read (WAV only).',
  'bank-too-large': 'The bank was checked, but this instrument has no room for its samples: the sound engine refused it.',
  'bank-instrument-unknown': 'The bank has no instrument or kit of that name.',
  'bank-fetch-failed': 'The download failed: check the address (https only), the network and the SHA-256.',
  'bank-fetch-busy': 'Another download is still running; try again when it has finished.',
  missing: 'The instrument\u2019s audio part did not answer (it is not connected).',
});

function bankErrorText(code) {
  return BANK_ERRORS[code] || `The bank could not be loaded (${code}).`;
}

// Pad settings the page offers, with the ranges the plug-in keeps.
const PAD_FIELDS = ['gain', 'pan', 'transpose', 'fineTune', 'start', 'end', 'attack', 'release',
  'filterHz', 'resonance', 'reverse', 'muted', 'chokeGroup', 'roundRobinGroup', 'velocitySensitivity'];

// The refusal text of the last bank diagnostic: "runtime bank load refused (code): reason".
function refusalOf(report) {
  const list = report && Array.isArray(report.diagnostics) ? report.diagnostics : [];
  for (let i = list.length - 1; i >= 0; i -= 1) {
    const m = /^runtime bank load refused \(([^)]*)\): (.*)$/s.exec(String(list[i].message || ''));
    if (m) return { code: m[1], reason: m[2], sequence: list[i].sequence };
  }
  return null;
}

class BankPanel {
  constructor(router, section) {
    this.post = (m) => router.post(m);
    this.section = section;
    this.pending = null;      // which request the next "loadBank" answer belongs to
    this.fetchStarted = 0;    // time the running download was asked for, 0 when none
    this.refusal = null;
    this.build();
    // Asked once; afterwards every change arrives by itself.
    let asked = false;
    router.on('velmo.hello', () => {
      if (!asked) this.post({ type: 'velmo.getBankState' });
      asked = true;
    });
    router.on('velmo.bankState', (doc) => this.state(doc));
    router.on('velmo.folderPicked', (doc) => this.picked(doc));
    router.on('velmo.runtimeDiagnostics', (doc) => { this.refusal = refusalOf(doc.report) || this.refusal; });
    router.on('velmo.bankFetchProgress', (doc) => this.fetchProgress(doc));
  }

  build() {
    const s = this.section;
    clear(s);
    const msg = (id) => el('p', { id, class: 'message', role: 'status', 'aria-live': 'polite' });
    this.folder = el('input', { id: 'bank-folder', type: 'text', placeholder: '/path/to/bank folder', spellcheck: 'false' });
    this.url = el('input', { id: 'bank-url', type: 'url', placeholder: 'https://…/bank.zip', spellcheck: 'false' });
    this.sha = el('input', { id: 'bank-sha256', type: 'text', placeholder: 'SHA-256 of the archive (64 hex)', spellcheck: 'false', maxlength: '64' });
    this.progress = el('span', { id: 'bank-progress', class: 'muted', hidden: true }, el('progress', {}), el('span', {}));
    this.instrument = el('select', { id: 'bank-instrument', 'aria-label': 'Instrument or kit', disabled: true });
    this.preset = el('select', { id: 'bank-preset', 'aria-label': 'Bank preset' });
    this.pads = el('tbody', {});
    this.runtime = el('p', { id: 'bank-runtime', class: 'muted small' });
    this.messages = { folder: msg('bank-folder-message'), hosted: msg('bank-hosted-message'),
      instrument: msg('bank-instrument-message'), preset: msg('bank-preset-message'), pads: msg('bank-pads-message') };

    s.append(
      el('h2', { id: 'bank-heading', text: 'Sample bank' }),
      this.runtime,
      el('div', { class: 'row' }, el('label', { for: 'bank-folder', class: 'sr-only', text: 'Bank folder' }), this.folder,
        el('button', { type: 'button', id: 'bank-load', text: 'Load', onclick: () => this.loadFolder() }),
        el('button', { type: 'button', id: 'bank-pick', text: 'Pick folder', onclick: () => this.pick() })),
      this.messages.folder,
      el('div', { class: 'row' }, el('label', { for: 'bank-url', class: 'sr-only', text: 'Hosted bank address' }), this.url),
      el('div', { class: 'row' }, el('label', { for: 'bank-sha256', class: 'sr-only', text: 'Archive SHA-256' }), this.sha,
        el('button', { type: 'button', id: 'bank-fetch', text: 'Fetch', onclick: () => this.fetch() }), this.progress),
      this.messages.hosted,
      el('div', { class: 'row' }, el('label', { for: 'bank-instrument', text: 'Instrument / kit' }), this.instrument,
        el('button', { type: 'button', id: 'bank-instrument-load', text: 'Use', onclick: () => this.useInstrument() })),
      this.messages.instrument,
      el('div', { class: 'row' }, el('label', { for: 'bank-preset', text: 'Preset' }), this.preset,
        el('button', { type: 'button', id: 'bank-preset-apply', text: 'Apply', onclick: () => this.applyPreset() })),
      this.messages.preset,
      el('h3', { text: 'Pad overrides' }),
      el('div', { class: 'scroll-x' }, el('table', { id: 'bank-pads', class: 'ccmap' },
        el('thead', {}, el('tr', {}, ...['Pad', 'Setting', 'Value', ''].map((t) => el('th', { scope: 'col', text: t })))),
        this.pads)),
      el('div', { class: 'row' },
        el('button', { type: 'button', id: 'bank-pad-add', text: 'Add override', onclick: () => this.addPadRow('', 'gain', '1') }),
        el('button', { type: 'button', id: 'bank-pads-send', text: 'Send overrides', onclick: () => this.sendPads() })),
      this.messages.pads);
    s.hidden = false;
  }

  say(where, text, error) { showMessage(this.messages[where], text, error); }

  request(where, message, waiting) {
    this.pending = where;
    this.say(where, waiting);
    this.post(message);
  }

  loadFolder() {
    const bankPath = this.folder.value.trim();
    if (!bankPath) { this.say('folder', 'Enter the path of a bank folder first.', true); return; }
    this.request('folder', { type: 'velmo.loadBank', source: 'user-folder', bankPath, instrument: '' }, 'Loading and checking the bank…');
  }

  pick() { this.request('folder', { type: 'velmo.pickFolder' }, 'Asking for a folder…'); }

  fetch() {
    const url = this.url.value.trim();
    const sha256 = this.sha.value.trim();
    if (!/^https:\/\//i.test(url)) { this.say('hosted', 'The address must start with https://.', true); return; }
    if (!/^[0-9a-fA-F]{64}$/.test(sha256)) { this.say('hosted', 'The SHA-256 must be 64 hexadecimal characters.', true); return; }
    this.request('hosted', { type: 'velmo.loadBank', source: 'hosted', url, sha256: sha256.toLowerCase(), instrument: '' }, 'Downloading…');
    if (!this.fetchStarted) this.showProgress(Date.now());
  }

  // Elapsed time while waiting; bytes too once the plug-in reports them.
  showProgress(started) {
    this.fetchStarted = started;
    this.fetchBytes = '';
    clearInterval(this.timer);
    this.progress.hidden = !started;
    const bar = this.progress.firstChild;
    bar.removeAttribute('value');
    if (!started) return;
    const tick = () => {
      this.progress.lastChild.textContent = ` ${Math.round((Date.now() - started) / 1000)} s${this.fetchBytes}`;
    };
    tick();
    this.timer = setInterval(tick, 500);
  }

  fetchProgress(doc) {
    if (!this.fetchStarted) return;
    const mb = (n) => (Number(n) / 1048576).toFixed(1);
    const bar = this.progress.firstChild;
    if (doc.expected > 0) {
      bar.max = 1;
      bar.value = Math.min(1, doc.received / doc.expected);
      this.fetchBytes = `, ${mb(doc.received)} of ${mb(doc.expected)} MB`;
    } else {
      this.fetchBytes = `, ${mb(doc.received)} MB`;
    }
  }

  useInstrument() {
    const id = this.instrument.value;
    if (!id || !this.current) { this.say('instrument', 'Load a bank first.', true); return; }
    const r = this.current;
    const message = r.source === 'hosted'
      ? { type: 'velmo.loadBank', source: 'hosted', url: r.locator, sha256: this.sha.value.trim().toLowerCase(), instrument: id }
      : { type: 'velmo.loadBank', source: r.source, bankPath: r.locator, instrument: id };
    this.request('instrument', message, 'Loading the instrument…');
  }

  applyPreset() {
    const option = this.preset.selectedOptions[0];
    if (!option) return;
    if (option.dataset.factory) {
      this.post({ type: 'velmo.loadFactoryPreset', id: option.value });
      this.say('preset', `Factory preset \u201c${option.textContent}\u201d applied.`);
      return;
    }
    this.request('preset', { type: 'velmo.loadBankPreset', id: option.value }, 'Applying the preset…');
  }

  addPadRow(pad, field, value) {
    const remove = el('button', { type: 'button', class: 'remove', text: '\u00d7', 'aria-label': 'Remove override' });
    const row = el('tr', {},
      el('td', {}, el('input', { class: 'pad', type: 'text', value: pad, 'aria-label': 'Pad id', maxlength: '160' })),
      el('td', {}, el('select', { class: 'field', 'aria-label': 'Setting' },
        ...PAD_FIELDS.map((f) => el('option', { value: f, text: f, selected: f === field })))),
      el('td', {}, el('input', { class: 'value', type: 'number', step: 'any', value: String(value), 'aria-label': 'Value' })),
      el('td', {}, remove));
    remove.addEventListener('click', () => row.remove());
    this.pads.append(row);
  }

  sendPads() {
    const pads = {};
    for (const row of this.pads.rows) {
      const pad = row.querySelector('.pad').value.trim();
      const value = Number(row.querySelector('.value').value);
      if (!pad) { this.say('pads', 'Every override needs a pad id.', true); return; }
      if (!Number.isFinite(value)) { this.say('pads', `The value for pad \u201c${pad}\u201d is not a number.`, true); return; }
      (pads[pad] = pads[pad] || {})[row.querySelector('.field').value] = value;
    }
    this.request('pads', { type: 'velmo.setPadOverrides', pads }, 'Sending the overrides…');
  }

  picked(doc) {
    if (doc.ok) { this.folder.value = doc.path || ''; this.say('folder', 'Folder chosen; press Load.'); }
    else if (doc.cancelled) this.say('folder', 'No folder chosen.');
    else this.say('folder', `No folder picker: ${doc.error || 'unavailable'}. Type the folder\u2019s path instead.`, true);
  }

  state(doc) {
    this.showRuntime(doc.runtime);
    this.showPresets(doc.presets);
    // Rows being edited stay until the plug-in's overrides change.
    if (doc.reason !== 'loadBank') this.showPads(doc.pads);
    const where = doc.reason === 'setPadOverrides' ? 'pads' : this.pending;
    if (doc.reason === 'restore' || doc.reason === 'query') return;
    if (!doc.error || doc.error.code !== 'bank-fetch-busy') {
      if (this.fetchStarted) this.showProgress(0);
    }
    if (!where) return;
    this.pending = null;
    if (doc.error) {
      const { code, requestedId } = doc.error;
      const about = requestedId ? ` (${code}: ${requestedId})` : ` (${code})`;
      const refusal = this.refusal && this.refusal.code === code ? ` Reason: ${this.refusal.reason}` : '';
      this.say(where, bankErrorText(code) + about + refusal, true);
      return;
    }
    this.say(where, where === 'pads' ? 'Pad overrides sent.' : 'Bank loaded.');
  }

  showRuntime(runtime) {
    this.current = runtime || null;
    clear(this.instrument);
    if (!runtime) {
      this.runtime.textContent = 'No sample bank is loaded.';
      this.instrument.disabled = true;
      return;
    }
    const name = runtime.instrument ? `${runtime.instrument.name || runtime.instrument.id}` : '';
    this.runtime.textContent = `Loaded from ${runtime.locator}${name ? ' \u2014 ' + name : ''}`;
    for (const p of runtime.positionings || []) {
      this.instrument.append(el('option', { value: p.id, text: `${p.name || p.id} (${p.list === 'kits' ? 'kit' : 'instrument'})`,
        selected: runtime.instrument && runtime.instrument.id === p.id }));
    }
    this.instrument.disabled = this.instrument.options.length === 0;
  }

  showPresets(presets) {
    const scoped = Boolean(presets && presets.bankScoped);
    clear(this.preset);
    for (const item of (presets && presets.items) || []) {
      const option = el('option', { value: item.id, text: item.name || item.id });
      if (!scoped) option.dataset.factory = '1';
      this.preset.append(option);
    }
  }

  showPads(pads) {
    clear(this.pads);
    for (const [pad, fields] of Object.entries(pads || {})) {
      for (const [field, value] of Object.entries(fields || {})) this.addPadRow(pad, field, value);
    }
  }
}

export function installBankPanel(router, section) {
  new BankPanel(router, section);
}
