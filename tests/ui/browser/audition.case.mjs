// The audition keys and the output meter against the real controller and processor: a press
// sounds the instrument and the meter shows it; every way of letting go silences it.
import test from 'node:test';
import assert from 'node:assert/strict';
import { openPage } from './harness.mjs';

const FLOOR = 0.001; // -60 dBFS, where the page's meter ends
const peakOf = (d) => Math.max(...d.peaks.map((p) => (p === null ? Infinity : Math.abs(p))));
const sounding = (d) => d.type === 'velmo.meters' && peakOf(d) > FLOOR;
const silent = (d) => d.type === 'velmo.meters' && peakOf(d) <= FLOOR;
const SILENCE_MS = 8000; // the release, then the tail of the bell under the floor
const METERS = '{"type":"velmo.diag.subscribe","feeds":["meters"],"hz":30}\n'; // as the page asks

// The first page message since index `from` for which test(m) holds.
async function sentAfter(s, test, from, ms = 3000) {
  const end = Date.now() + ms;
  for (;;) {
    const m = s.sent.slice(from).find(test);
    if (m) return m;
    if (Date.now() > end) throw new Error('no such page message: ' + JSON.stringify(s.sent.slice(from)));
    await new Promise((r) => setTimeout(r, 10));
  }
}
const strikeOf = (note) => (m) => m.type === 'velmo.auditionStrike' && m.note === note;
const releaseOf = (note) => (m) => m.type === 'velmo.auditionRelease' && m.note === note;
const isReleaseAll = (m) => m.type === 'velmo.auditionReleaseAll';

// A point on a key, `down` of the way from its top edge to its bottom.
async function onKey(page, note, down) {
  const r = await page.locator(`.key[data-note="${note}"]`).boundingBox();
  return { x: r.x + r.width / 2, y: r.y + r.height * down };
}
// Presses (and holds) a key at `down` of its height; resolves with the strike the page sent.
async function holdKey(s, note, down) {
  const sent = s.sent.length;
  const p = await onKey(s.page, note, down);
  await s.page.mouse.move(p.x, p.y);
  await s.page.mouse.down();
  return sentAfter(s, strikeOf(note), sent);
}
const pressed = (page) => page.$$eval('.key[aria-pressed="true"]', (l) => l.map((k) => Number(k.dataset.note)));

// Hidden or shown as a browser does when the window is minimised or another tab comes forward.
function setHidden(page, hidden) {
  return page.evaluate((h) => {
    Object.defineProperty(document, 'visibilityState', { value: h ? 'hidden' : 'visible', configurable: true });
    Object.defineProperty(document, 'hidden', { value: h, configurable: true });
    document.dispatchEvent(new Event('visibilitychange'));
  }, hidden);
}

test('keys sound the instrument: by press height, together, and silent when let go, hidden or closed', async () => {
  const s = await openPage({ width: 760, height: 620 });
  const { page } = s;
  try {
    assert.ok(s.sent.some((m) => m.type === 'velmo.diag.subscribe' && m.feeds.includes('meters') && m.hz === 30),
      'the meter listens from the hello on');
    await page.evaluate(() => window.addEventListener('pointerdown', () => { window.__downAt = Date.now(); }, true));

    // Low on C4: a loud strike, heard on the meters, shown on the page.
    let sent = s.sent.length;
    let docs = s.docs.length;
    let p = await onKey(page, 60, 0.9);
    await page.mouse.move(p.x, p.y);
    await page.mouse.down();
    const loud = await sentAfter(s, strikeOf(60), sent);
    const downAt = await page.evaluate(() => window.__downAt);
    const [heard] = await s.waitDocs(sounding, 1, docs);
    console.log(`audition latency: pointerdown to strike at the harness ${loud.at - downAt} ms; ` +
      `strike to the first meters document with sound ${heard.at - loud.at} ms`);
    assert.deepEqual(await pressed(page), [60]);
    await page.waitForFunction(() => /^[−+]?\d+\.\d dB$/.test(document.getElementById('meter-peak').textContent));
    sent = s.sent.length;
    await page.mouse.up();
    await sentAfter(s, releaseOf(60), sent);
    docs = s.docs.length;
    await s.waitDocs(silent, 1, docs, SILENCE_MS);
    assert.deepEqual(await pressed(page), []);

    // Near the top of D4: softer.
    sent = s.sent.length;
    p = await onKey(page, 62, 0.1);
    await page.mouse.move(p.x, p.y);
    await page.mouse.down();
    const soft = await sentAfter(s, strikeOf(62), sent);
    await page.mouse.up();
    await sentAfter(s, releaseOf(62), sent);
    assert.ok(soft.velocity > 0 && soft.velocity < loud.velocity && loud.velocity <= 1,
      `lower is louder: ${loud.velocity} (low) > ${soft.velocity} (high)`);

    // Two at once: a pointer on E4 and the keyboard on G4, each let go on its own.
    sent = s.sent.length;
    p = await onKey(page, 64, 0.8);
    await page.mouse.move(p.x, p.y);
    await page.mouse.down();
    await page.focus('.key[data-note="67"]');
    await page.keyboard.down('Space');
    await page.keyboard.down('Space'); // auto-repeat: no second strike
    await sentAfter(s, strikeOf(67), sent);
    assert.deepEqual(await pressed(page), [64, 67]);
    docs = s.docs.length;
    await s.waitDocs(sounding, 1, docs);
    await page.keyboard.up('Space');
    await sentAfter(s, releaseOf(67), sent);
    assert.deepEqual(await pressed(page), [64], 'the pointer still holds E4');
    await page.mouse.up();
    await sentAfter(s, releaseOf(64), sent);
    assert.deepEqual(s.sent.slice(sent).filter((m) => m.type.startsWith('velmo.audition')).map((m) => m.type + ' ' + m.note),
      ['velmo.auditionStrike 64', 'velmo.auditionStrike 67', 'velmo.auditionRelease 67', 'velmo.auditionRelease 64']);

    // Hidden with a key held: every key is let go and the page stops listening until shown
    // again; the harness listens meanwhile, as the page would, and hears the bell fall silent.
    sent = s.sent.length;
    await holdKey(s, 60, 0.9);
    docs = s.docs.length;
    await s.waitDocs(sounding, 1, docs);
    await setHidden(page, true);
    await sentAfter(s, isReleaseAll, sent);
    const dropped = await sentAfter(s, (m) => /^velmo\.diag\.(un)?subscribe$/.test(m.type), sent);
    assert.equal(dropped.type, 'velmo.diag.unsubscribe', 'nothing is wanted while hidden');
    assert.deepEqual(await pressed(page), []);
    docs = s.docs.length;
    s.bridge.stdin.write(METERS);
    await s.waitDocs(silent, 1, docs, SILENCE_MS);
    await page.mouse.up();
    await setHidden(page, false);
    const renewed = await sentAfter(s, (m) => m.type === 'velmo.diag.subscribe', s.sent.indexOf(dropped) + 1);
    assert.deepEqual([renewed.feeds, renewed.hz], [['meters'], 30]);
    assert.equal(s.sent.slice(sent).filter(releaseOf(60)).length, 0, 'the lift after release-all says nothing');

    // Closed with a key held: the page lets go as it goes; the plug-in falls silent.
    sent = s.sent.length;
    await holdKey(s, 72, 0.9);
    docs = s.docs.length;
    await s.waitDocs(sounding, 1, docs);
    await page.close();
    await sentAfter(s, isReleaseAll, sent);
    assert.deepEqual(s.problems, []);
    // No page listens now: ask the controller for the meters as the next page would.
    docs = s.docs.length;
    s.bridge.stdin.write(METERS);
    await s.waitDocs(silent, 1, docs, SILENCE_MS);
  } finally {
    await s.close();
  }
});

test('a loud chord lights the clip mark until it is pressed; the readout stays readable', async () => {
  const s = await openPage({ width: 760, height: 620 });
  const { page, context } = s;
  try {
    assert.equal(await page.getAttribute('#clip', 'aria-label'), 'No clipping');
    // Level all the way up, then six keys struck at their bottoms by six fingers at once.
    await page.focus('[data-path="master.level"]');
    await page.keyboard.press('End');
    // Every text the readout shows from here on.
    await page.evaluate(() => {
      window.__readouts = new Set();
      const out = document.getElementById('meter-peak');
      new MutationObserver(() => window.__readouts.add(out.textContent))
        .observe(out, { childList: true, characterData: true, subtree: true });
    });
    const notes = [60, 64, 67, 72, 76, 79];
    const points = [];
    for (const [i, n] of notes.entries()) {
      const p = await onKey(page, n, 0.99);
      points.push({ x: p.x, y: p.y, id: i + 1 });
    }
    const cdp = await context.newCDPSession(page);
    const sent = s.sent.length;
    const docs = s.docs.length;
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: points });
    await sentAfter(s, strikeOf(79), sent);
    const strikes = s.sent.slice(sent).filter((m) => m.type === 'velmo.auditionStrike');
    assert.deepEqual(strikes.map((m) => m.note), notes);
    assert.ok(strikes.every((m) => m.velocity >= 0.99), JSON.stringify(strikes));
    assert.deepEqual(await pressed(page), notes);
    const [over] = await s.waitDocs((d) => d.type === 'velmo.meters' && peakOf(d) > 1, 1, docs);
    await page.waitForFunction(() => document.getElementById('clip').classList.contains('lit'));
    const leds = await page.$$eval('#clip .led', (l) => l.map((e) => e.classList.contains('lit')));
    assert.ok(over.peaks.some((p, i) => (p === null || Math.abs(p) > 1) && leds[i]), `${over.peaks} lit ${leds}`);
    assert.match(await page.getAttribute('#clip', 'aria-label'), /^Clipped \((left|right|left and right)\): press to clear$/);
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
    await sentAfter(s, releaseOf(79), sent);

    // Stays lit after the sound is gone; a press clears it.
    await s.waitDocs(silent, 1, s.docs.length, SILENCE_MS);
    assert.equal(await page.locator('#clip').evaluate((b) => b.classList.contains('lit')), true);
    await page.click('#clip');
    assert.equal(await page.locator('#clip').evaluate((b) => b.classList.contains('lit')), false);
    assert.equal(await page.getAttribute('#clip', 'aria-label'), 'No clipping');
    // Once silent, the readout falls to the floor: no float noise on the way.
    await page.waitForFunction(() => document.getElementById('meter-peak').textContent === '−∞ dB',
      null, { timeout: 10000 });
    const readouts = await page.evaluate(() => [...window.__readouts]);
    assert.ok(readouts.length > 10, `the readout moved: ${readouts}`);
    assert.deepEqual(readouts.filter((t) => !/^(−∞ dB|over|0\.0 dB|[−+][1-9]?\d\.\d dB)$/.test(t)), []);
    assert.deepEqual(s.problems, []);
  } finally {
    await s.close();
  }
});
