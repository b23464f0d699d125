// The page's parameter table and display texts against the plug-in's own (printed by the
// zuriz-param-texts helper built from the C++ table).
import test from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { PARAMS, displayText, normalize, toPlain } from '../../../Resources/ui/js/params.js';

const helper = process.env.ZURIZ_PARAM_TEXTS;

test('every parameter reads and displays as the plug-in does', () => {
  assert.ok(helper, 'ZURIZ_PARAM_TEXTS names the helper');
  const plugin = JSON.parse(execFileSync(helper, { encoding: 'utf8' }));
  assert.equal(PARAMS.length, plugin.length);
  plugin.forEach((row, id) => {
    const p = PARAMS[id];
    assert.deepEqual(
      { path: p.path, name: p.name, group: p.group, kind: p.kind, min: p.min, max: p.max,
        defaultPlain: p.defaultPlain, unit: p.unit, options: p.options || [] },
      { path: row.path, name: row.name, group: row.group, kind: row.kind, min: row.min,
        max: row.max, defaultPlain: row.defaultPlain, unit: row.unit, options: row.options });
    assert.equal(normalize(p, p.defaultPlain), row.defaultNormalized, `${p.path} default`);
    for (const [n, text] of row.texts) {
      assert.equal(displayText(p, n), text, `${p.path} at ${n}`);
    }
    // What the page sends (a plain value) reads back as the same normalised value.
    if (p.kind === 0) {
      for (const [n] of row.texts) {
        const back = normalize(p, toPlain(p, n));
        assert.ok(Math.abs(back - Math.min(Math.max(n, 0), 1)) < 1e-12, `${p.path} round trip at ${n}`);
      }
    }
  });
});
