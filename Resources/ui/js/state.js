// State export ("velmo.getState", then a download and the text to copy) and import
// ("velmo.setState" from a file or pasted text).
import { $, showMessage } from './dom.js';
import { readStateText } from './state_doc.js';

export class StatePanel {
  constructor(post) {
    this.post = post;
    this.text = $('state-text');
    this.message = $('state-message');
    this.download = false;
    $('state-export').addEventListener('click', () => {
      this.download = true;
      this.say('Asking the plug-in for its state…');
      this.post({ type: 'velmo.getState' });
    });
    $('state-copy').addEventListener('click', () => this.copy());
    $('state-import').addEventListener('click', () => this.importText(this.text.value));
    $('state-file').addEventListener('change', (e) => {
      const file = e.target.files && e.target.files[0];
      if (!file) return;
      file.text().then((text) => this.importText(text),
        () => this.say('The file could not be read.', true));
      e.target.value = '';
    });
  }

  received(doc) {
    if (!doc.state || typeof doc.state !== 'object') return;
    const json = JSON.stringify(doc.state, null, 1);
    this.text.value = json;
    if (this.download) {
      this.download = false;
      try {
        const url = URL.createObjectURL(new Blob([json], { type: 'application/json' }));
        const a = document.createElement('a');
        a.href = url;
        a.download = 'zuriz-state.json';
        document.body.append(a);
        a.click();
        a.remove();
        setTimeout(() => URL.revokeObjectURL(url), 1000);
      } catch (e) { /* some web views refuse downloads: the text is there to copy */ }
      this.say('State exported: saved as zuriz-state.json and shown below.');
    }
  }

  copy() {
    const text = this.text.value;
    if (!text) { this.say('Export first, then copy.', true); return; }
    this.text.select();
    const done = () => this.say('Copied.');
    if (navigator.clipboard && navigator.clipboard.writeText) {
      navigator.clipboard.writeText(text).then(done, () => this.say('Select the text and copy it.'));
    } else {
      this.say('Select the text and copy it.');
    }
  }

  importText(text) {
    const read = readStateText(text);
    if (read.error) { this.say(read.error, true); return; }
    this.post({ type: 'velmo.setState', state: read.state });
    this.say('State sent to the plug-in.');
  }

  say(text, error) { showMessage(this.message, text, error); }
}
