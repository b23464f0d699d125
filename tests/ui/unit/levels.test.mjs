// The meter's arithmetic: dB text a person reads, clipping, and each channel's fall and hold.
import test from 'node:test';
import assert from 'node:assert/strict';
import { pageModule } from '../page_modules.mjs';

const { Channel, FLOOR_DB, HOLD_MS, barFraction, dbOf, dbText, isClip } = await pageModule('levels.js');

test('peaks read as dBFS without float noise; over 1.0 or non-finite is a clip', () => {
  assert.deepEqual([0.5, 1, 0.99999, 1.2, 0.1, 0, 0.0009, null].map((p) => dbText(dbOf(p))),
    ['−6.0 dB', '0.0 dB', '0.0 dB', '+1.6 dB', '−20.0 dB', '−∞ dB', '−∞ dB', 'over']);
  assert.equal(dbText(dbOf(-0.5)), '−6.0 dB', 'a negative sample by its size');
  assert.deepEqual([1, 1.0001, -1.5, null, 0.2].map(isClip), [false, true, true, true, false]);
  assert.deepEqual([FLOOR_DB, -30, 0, 3, Infinity].map(barFraction), [0, 0.5, 1, 1, 1]);
});

test('a channel jumps to each peak, falls between them, and holds its highest for a while', () => {
  const c = new Channel();
  c.take(-6, 0);
  c.advance(1000);
  assert.ok(c.level < -20 && c.level > -40, `the bar fell: ${c.level}`);
  assert.equal(c.hold, -6, 'the tick holds');
  c.take(-12, 1200); // lower: the bar rises to it, the tick keeps its peak
  assert.equal(c.level, -12);
  assert.equal(c.hold, -6);
  c.advance(HOLD_MS + 500);
  assert.ok(c.hold < -6, 'after the hold time the tick falls');
  c.take(-3, HOLD_MS + 600); // higher: a new hold
  assert.equal(c.hold, -3);
  c.advance(HOLD_MS + 1000);
  assert.equal(c.hold, -3);
  c.advance(60000);
  assert.equal(c.moving, false, 'both at rest below the floor');

  const bad = new Channel();
  bad.take(dbOf(null), 0);
  bad.advance(HOLD_MS + 100);
  assert.ok(Number.isFinite(bad.hold) && Number.isFinite(bad.level), 'a non-finite peak falls too');
  bad.advance(60000);
  assert.equal(bad.moving, false);
});
