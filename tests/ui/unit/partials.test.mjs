// The partials picture against the synthesiser: the frequencies, levels and decay rates the
// page draws are those a struck reference note's resonators hold (printed by
// zuriz-partials-facts), computed from the bundle's families.json.
import test from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import path from 'node:path';
import { UI_ROOT, pageModule } from '../page_modules.mjs';

const { computePartials } = await pageModule('partials.js');

test('partials follow Bell, Position, Casting, Ring and Damping as the kernel does', () => {
  assert.ok(process.env.ZURIZ_PARTIALS_FACTS);
  const families = JSON.parse(readFileSync(path.join(UI_ROOT, 'families.json'), 'utf8'));
  const cases = JSON.parse(execFileSync(process.env.ZURIZ_PARTIALS_FACTS, { encoding: 'utf8' }));
  const close = (a, b, rel, what) =>
    assert.ok(Math.abs(a - b) <= rel * Math.max(Math.abs(b), 1e-3), `${what}: page ${a}, kernel ${b}`);
  // Before the page hears a value it draws the parameter's default (the first case's values).
  assert.deepEqual(computePartials(families, {}), computePartials(families, cases[0].values));
  for (const c of cases) {
    const model = computePartials(families, c.values);
    const label = JSON.stringify(c.values);
    assert.equal(model.partials.length, c.partials.length, label);
    model.partials.forEach((p, i) => {
      const k = c.partials[i];
      close(p.hz, k.hz, 1e-5, `${label} mode ${i} Hz`);
      close(p.level, k.level, 1e-5, `${label} mode ${i} level`);
      // The kernel holds the decay as a single-precision radius just below 1: its rate is
      // known to about one float step times the sample rate.
      const slack = 2 ** -24 * 48000;
      assert.ok(Math.abs(p.rate - k.rate) <= slack + 1e-3 * k.rate,
        `${label} mode ${i} decay rate: page ${p.rate}, kernel ${k.rate}`);
    });
  }
});
