// The CC map table. Edits are checked, sent whole as "velmo.setCcMap", and the table is
// redrawn only from the plug-in's "velmo.ccMapChanged".
import { $, clear, el, showMessage } from './dom.js';
import { PARAMS } from './params.js';
import { CURVES, bindingsOf, ccMapDocument, ccMapProblem, freeCc } from './ccmap_rules.js';

export class CcMapTable {
  constructor(post) {
    this.post = post;
    this.bindings = [];
    this.body = $('ccmap-table').tBodies[0];
    this.message = $('ccmap-message');
    $('ccmap-add').addEventListener('click', () => {
      const next = this.bindings.map((b) => ({ ...b }));
      next.push({ cc: freeCc(next), path: PARAMS[1].path });
      this.send(next);
    });
  }

  show(map) {
    this.bindings = bindingsOf(map);
    showMessage(this.message, '', false);
    this.render();
  }

  send(next) {
    const problem = ccMapProblem(next);
    if (problem) {
      showMessage(this.message, 'Not sent. ' + problem, true);
      return false;
    }
    showMessage(this.message, 'Sent; waiting for the plug-in.', false);
    this.post({ type: 'velmo.setCcMap', map: ccMapDocument(next) });
    return true;
  }

  edit(index, change) {
    const next = this.bindings.map((b) => ({ ...b }));
    change(next[index]);
    this.send(next);
  }

  render() {
    // Keep the keyboard where it was: the rows are rebuilt from the plug-in's map.
    const focused = this.body.contains(document.activeElement)
      ? document.activeElement.getAttribute('aria-label') : null;
    this.fill();
    if (focused) {
      const again = [...this.body.querySelectorAll('[aria-label]')]
        .find((e) => e.getAttribute('aria-label') === focused);
      (again || $('ccmap-add')).focus();
    }
  }

  fill() {
    clear(this.body);
    if (!this.bindings.length) {
      this.body.append(el('tr', {}, el('td', { colspan: '7', class: 'muted',
        text: 'No bindings. Add one to drive a parameter from a MIDI controller.' })));
    }
    this.bindings.forEach((b, i) => {
      const n = i + 1;
      const number = (key, label, integer) => el('input', {
        type: 'number', class: key, 'aria-label': `${label}, row ${n}`,
        step: integer ? '1' : 'any', value: b[key] === undefined ? '' : String(b[key]),
        onchange: (e) => this.edit(i, (row) => {
          const text = e.target.value.trim();
          if (text === '' && !integer) delete row[key];
          else row[key] = integer ? Number(text === '' ? NaN : text) : Number(text);
        }),
      });
      const cc = number('cc', 'CC number', true);
      cc.min = '0'; cc.max = '127';
      const param = el('select', { 'aria-label': `Parameter, row ${n}`,
        onchange: (e) => this.edit(i, (row) => { row.path = e.target.value; }) },
      ...PARAMS.map((c) => el('option', { value: c.path, text: c.name,
        selected: c.path === b.path })));
      const curve = el('select', { 'aria-label': `Curve, row ${n}`,
        onchange: (e) => this.edit(i, (row) => { row.curve = e.target.value; }) },
      ...CURVES.map((c) => el('option', { value: c, text: c,
        selected: (b.curve || 'linear') === c })));
      const on = el('input', { type: 'checkbox', 'aria-label': `Enabled, row ${n}`,
        checked: b.enabled !== false,
        onchange: (e) => this.edit(i, (row) => {
          if (e.target.checked) delete row.enabled; else row.enabled = false;
        }) });
      const remove = el('button', { type: 'button', 'aria-label': `Remove row ${n}`, text: '\u2715',
        title: 'Remove this binding',
        onclick: () => this.send(this.bindings.filter((_, k) => k !== i)) });
      this.body.append(el('tr', {}, el('td', {}, cc), el('td', {}, param),
        el('td', {}, number('min', 'Min', false)), el('td', {}, number('max', 'Max', false)),
        el('td', {}, curve), el('td', {}, on), el('td', {}, remove)));
    });
  }
}
