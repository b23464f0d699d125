// The page's one diagnostic subscription, and the transport facts the drawer shows.
import test from 'node:test';
import assert from 'node:assert/strict';
import { pageModule } from '../page_modules.mjs';

const { Feeds } = await pageModule('feeds.js');
const { transportFacts } = await pageModule('transport.js');

test('one subscription: the union of what is wanted, renewed after each hello', () => {
  const sent = [];
  const feeds = new Feeds((m) => sent.push(m));
  feeds.want('meter', ['meters'], 30);
  assert.deepEqual(sent, [], 'nothing before the plug-in said hello');
  feeds.renew();
  feeds.want('drawer', ['lifecycle', 'transport'], 10);
  feeds.want('drawer', ['lifecycle', 'transport'], 10); // no change: nothing sent
  feeds.drop('meter'); // page hidden with the drawer open
  feeds.drop('drawer');
  feeds.drop('drawer');
  feeds.want('meter', ['meters'], 30); // visible again
  feeds.renew(); // a new hello: the plug-in forgot
  assert.deepEqual(sent, [
    { type: 'velmo.diag.subscribe', feeds: ['meters'], hz: 30 },
    { type: 'velmo.diag.subscribe', feeds: ['meters', 'lifecycle', 'transport'], hz: 30 },
    { type: 'velmo.diag.subscribe', feeds: ['lifecycle', 'transport'], hz: 10 },
    { type: 'velmo.diag.unsubscribe' },
    { type: 'velmo.diag.subscribe', feeds: ['meters'], hz: 30 },
    { type: 'velmo.diag.subscribe', feeds: ['meters'], hz: 30 },
  ]);
});

test('transport position as bar and beat, tempo without float noise', () => {
  const facts = (state) => Object.fromEntries(transportFacts(state));
  const sig = (numerator, denominator) => ({ numerator, denominator });
  let f = facts({ playing: true, tempo: 120.00000001, timeSignature: sig(4, 4), ppqPosition: 9.5 });
  assert.deepEqual(f, { State: 'playing', Tempo: '120 BPM', 'Time signature': '4/4',
    Position: 'bar 3, beat 2', Quarters: '9.50' });
  // 6/8: a bar is three quarters of six eighth-note beats; a position a hair short of a bar
  // line counts as on it, as its rounded quarters show.
  f = facts({ playing: false, tempo: 97.5, timeSignature: sig(6, 8), ppqPosition: 2.9999999 });
  assert.deepEqual([f.State, f.Tempo, f.Position, f.Quarters], ['stopped', '97.5 BPM', 'bar 2, beat 1', '3.00']);
  // The host's bar start is taken when it lies in the current bar.
  f = facts({ playing: true, tempo: 60, timeSignature: sig(7, 8), ppqPosition: 5.25, barPositionPpq: 3.5 });
  assert.equal(f.Position, 'bar 2, beat 4');
  f = facts({ playing: true, recording: true, timeSignature: {}, ppqPosition: -0.001 });
  assert.deepEqual([f.State, f.Tempo, f.Position, f.Quarters], ['playing, recording', '—', '—', '0.00']);
});
