// The page's conversions and display texts, on the parameter table the build writes into the
// bundle (js/param_table.js; its rows against params/: tests/uidata), against the plug-in's own
// (printed by zuriz-param-texts).
import test from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { pageModule } from '../page_modules.mjs';

const { PARAMS, displayText, normalize, paramByPath, readoutText, toPlain } = await pageModule('params.js');

const helper = process.env.ZURIZ_PARAM_TEXTS;

test('every parameter reads and displays as the plug-in does', () => {
  assert.ok(helper, 'ZURIZ_PARAM_TEXTS names the helper');
  const plugin = JSON.parse(execFileSync(helper, { encoding: 'utf8' }));
  assert.equal(PARAMS.length, plugin.length);
  plugin.forEach((row, id) => {
    const p = PARAMS[id];
    assert.equal(p.path, row.path);
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

// What a person reads beside a slider: two decimals (one arrow-key step of any range here)
// and the unit; the family by name. Values arrive as a float host hands them back.
test('readouts round for the eye and carry the unit', () => {
  const cases = [
    ['strike.position', 0.15, '0.15'], ['strike.position', 0, '0.00'], ['master.level', 0.78, '0.78'],
    ['ir.decayScale', 1.35, '1.35 x'], ['ir.decayScale', 2.5, '2.50 x'], ['ir.size', 1.3, '1.30 x'],
    ['ir.damping', 1, '1.00'], ['amp.release', 2.607, '2.61 s'], ['amp.release', 0.02, '0.02 s'],
    ['amp.release', 4, '4.00 s'], ['ir.family', 3, 'Glass'], ['ir.family', 4, 'Singing Bowl'],
  ];
  for (const [path, plain, text] of cases) {
    const p = paramByPath(path);
    assert.equal(readoutText(p, Math.fround(normalize(p, plain))), text, `${path} at ${plain}`);
  }
});
