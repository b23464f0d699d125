// The audition keys' logic: names, velocity from the press position, the octave window and
// which presses hold which notes.
import test from 'node:test';
import assert from 'node:assert/strict';
import { pageModule } from '../page_modules.mjs';

const { Holds, clampBase, noteName, velocityAt } = await pageModule('audition.js');

test('note names, velocity by press height and the octave window', () => {
  assert.deepEqual([0, 59, 60, 61, 69, 127].map(noteName), ['C-1', 'B3', 'C4', 'C♯4', 'A4', 'G9']);

  assert.equal(velocityAt(0), 0.25);
  assert.equal(velocityAt(1), 1);
  assert.equal(velocityAt(0.5), 0.625);
  assert.equal(velocityAt(-3), 0.25, 'above the key: the softest');
  assert.equal(velocityAt(7), 1, 'below the key: the loudest');
  assert.equal(velocityAt(0.3333333), 0.5, 'three decimals, no float noise');
  const steps = Array.from({ length: 101 }, (_, i) => velocityAt(i / 100));
  assert.ok(steps.every((v, i) => v > 0 && v <= 1 && (i === 0 || v >= steps[i - 1])), 'rises to the bottom');

  assert.equal(clampBase(60 + 12), 72);
  assert.equal(clampBase(0 - 12), 0);
  assert.equal(clampBase(120 + 12), 120, 'C9 is the last window: 127 is in it');
  assert.equal(clampBase(NaN), 60);
});

test('a note sounds while anyone holds it and is released once', () => {
  const sent = [];
  const holds = new Holds((m) => sent.push(m));
  holds.press(60, 'pointer 1', 0.4);
  holds.press(60, 'pointer 2', 0.9); // a second finger strikes again
  holds.press(64, 'key Space', 0.8);
  assert.equal(holds.press(128, 'pointer 3', 1), false, 'no note past 127');
  assert.equal(holds.noteOf('pointer 2'), 60);

  assert.equal(holds.release(60, 'pointer 1'), false, 'still held by the other finger');
  assert.equal(holds.release(60, 'pointer 1'), false, 'a second lift of the same pointer says nothing');
  assert.equal(holds.release(60, 'pointer 2'), true);
  assert.equal(holds.isHeld(60), false);
  assert.equal(holds.isHeld(64), true);
  holds.releaseAll();
  assert.equal(holds.isHeld(64), false);
  assert.equal(holds.release(64, 'key Space'), false, 'a keyup after release-all says nothing');

  assert.deepEqual(sent, [
    { type: 'velmo.auditionStrike', note: 60, velocity: 0.4 },
    { type: 'velmo.auditionStrike', note: 60, velocity: 0.9 },
    { type: 'velmo.auditionStrike', note: 64, velocity: 0.8 },
    { type: 'velmo.auditionRelease', note: 60 },
    { type: 'velmo.auditionReleaseAll' },
  ]);
});
