// Gesture bookkeeping: balanced begin/end and at most one setParam per animation frame,
// however the events arrive.
import test from 'node:test';
import assert from 'node:assert/strict';
import { pageModule } from '../page_modules.mjs';

const { GestureTracker } = await pageModule('gesture.js');

function rig() {
  const sent = [];
  let queued = null;
  const frames = []; // setParam count per frame
  const tracker = new GestureTracker((m) => {
    sent.push(m);
    if (m.type === 'velmo.setParam') frames[frames.length - 1] += 1;
  }, (cb) => { queued = cb; return () => { queued = null; }; });
  frames.push(0);
  const frame = () => { frames.push(0); const cb = queued; queued = null; if (cb) cb(); };
  return { tracker, sent, frames, frame };
}

const types = (sent) => sent.map((m) => m.type.replace('velmo.', ''));

test('a drag sends one value per frame, its last value, then one end', () => {
  const { tracker, sent, frames, frame } = rig();
  tracker.begin('ir.size');
  for (let f = 0; f < 5; f += 1) {
    for (let k = 0; k < 4; k += 1) tracker.set('ir.size', f * 10 + k);
    frame();
  }
  tracker.set('ir.size', 99);
  frame();
  tracker.set('ir.size', 100); // after this frame's value: waits for the next frame
  tracker.end('ir.size');
  assert.equal(sent.at(-1).type, 'velmo.setParam');
  frame();
  assert.deepEqual(types(sent), ['beginEdit', ...Array(7).fill('setParam'), 'endEdit']);
  assert.deepEqual(sent.filter((m) => m.value !== undefined).map((m) => m.value),
    [3, 13, 23, 33, 43, 99, 100]);
  assert.ok(frames.every((n) => n <= 1), `per-frame counts ${frames}`);
});

test('gestures stay balanced when the page goes away and on single steps', () => {
  const { tracker, sent } = rig();
  tracker.begin('ir.damping');
  tracker.begin('ir.damping'); // a second begin on the same path is not sent again
  tracker.set('ir.damping', 1.5);
  tracker.begin('master.level');
  tracker.abortAll();
  tracker.abortAll();
  tracker.end('ir.damping');
  tracker.single('ir.family', 3);
  const count = (t, path) => sent.filter((m) => m.type === t && m.path === path).length;
  for (const path of ['ir.damping', 'master.level', 'ir.family']) {
    assert.equal(count('velmo.beginEdit', path), 1, path);
    assert.equal(count('velmo.endEdit', path), 1, path);
  }
  const damping = sent.filter((m) => m.path === 'ir.damping').map((m) => m.type);
  assert.deepEqual(damping, ['velmo.beginEdit', 'velmo.setParam', 'velmo.endEdit']);
  assert.deepEqual(types(sent.filter((m) => m.path === 'ir.family')),
    ['beginEdit', 'setParam', 'endEdit']);
});
