// The diagnostics drawer: subscription while open, lifecycle replay then live events,
// transport at the subscribed rate, health badge; and the page's main-thread cost meanwhile.
import test from 'node:test';
import assert from 'node:assert/strict';
import { openPage } from './harness.mjs';


const MEASURE_MS = Number(process.env.ZURIZ_UI_MEASURE_MS || 5000);

// A transport document as the controller writes it.
function transportDoc(atFrame) {
  return { type: 'velmo.transport', frame: { atFrame, source: 'host', state: { playing: true,
    recording: false, looping: false, tempo: 120, timeSignature: { numerator: 7, denominator: 8 },
    ppqPosition: atFrame / 24000, barPositionPpq: 0, loopStartPpq: null, loopEndPpq: null,
    sampleRate: 48000, projectTimeSamples: atFrame },
  capabilities: { tempo: true, timeSignature: true, position: true, loop: false, canSetTempo: false } } };
}

test('drawer subscribes while open, shows replay, live events and transport', async () => {
  const s = await openPage();
  const { page, context } = s;
  try {
    assert.equal(await page.locator('#health-badge').textContent(), s.hello.runtimeHealth &&
      s.hello.runtimeHealth.status !== 'healthy' ? s.hello.runtimeHealth.status : 'ok');

    let from = s.docs.length;
    await page.click('#drawer-toggle');
    await page.waitForFunction(() => window.__zurizPosts.at(-1).text.includes('subscribe'));
    const subscribe = s.sent.at(-1);
    assert.deepEqual([subscribe.type, subscribe.feeds, subscribe.hz],
      ['velmo.diag.subscribe', ['lifecycle', 'transport'], 10]);
    const [replay] = await s.waitDocs((d) => d.type === 'velmo.lifecycle', 1, from);
    assert.ok(replay.events.some((e) => e.kind === 'created'), 'replay starts with the log');
    await page.waitForFunction((n) => document.querySelectorAll('#lifecycle li').length >= n,
      replay.events.length);

    // A live event follows the replay.
    from = s.docs.length;
    await page.click('#preset-next');
    await s.waitDocs((d) => d.type === 'velmo.lifecycle' &&
      d.events.some((e) => e.kind === 'presetLoaded'), 1, from);
    await page.waitForFunction(() => [...document.querySelectorAll('#lifecycle li strong')]
      .some((e) => e.textContent === 'presetLoaded'));
    const seqs = await page.$$eval('#lifecycle li', (l) => l.map((e) => Number(e.dataset.seq)));
    assert.deepEqual(seqs, [...seqs].sort((a, b) => a - b), 'events in order, none twice');
    assert.equal(new Set(seqs).size, seqs.length);

    // Transport: whatever the controller sends must keep to the subscribed 10 Hz. This
    // processor reports no transport of its own, so a 10 Hz feed of the controller's transport
    // documents is delivered beside it, the way the web view delivers them, while the page's
    // main-thread time is measured.
    await page.evaluate(() => { window.__zurizQuiet = true; }); // the harness's frame counter
    const cdp = await context.newCDPSession(page);
    await cdp.send('Performance.enable');
    const task = async () => (await cdp.send('Performance.getMetrics')).metrics
      .find((m) => m.name === 'TaskDuration').value;
    let frame = 0;
    const feed = setInterval(() => {
      frame += 4800;
      page.evaluate(`window.velmoHost && window.velmoHost._deliver(${JSON.stringify(transportDoc(frame))});`)
        .catch(() => {});
    }, 1000 / 10);
    const t0 = await task();
    const start = Date.now();
    from = s.docs.length;
    await page.waitForTimeout(MEASURE_MS);
    clearInterval(feed);
    const busy = (await task()) - t0;
    const wall = (Date.now() - start) / 1000;
    const transport = s.docs.slice(from).filter((d) => d.type === 'velmo.transport');
    const gaps = transport.slice(1).map((d, i) => d.at - transport[i].at);
    console.log(`drawer open ${wall.toFixed(1)} s with a 10 Hz transport feed: page main thread ` +
      `${(100 * busy / wall).toFixed(2)} % of one core; the controller sent ${transport.length} ` +
      `transport documents`);
    assert.ok(gaps.every((g) => g >= 80), `controller transport not above 10 Hz: ${gaps}`);
    await s.delivered();
    const shown = await page.locator('#transport').textContent();
    assert.match(shown, /playing/);
    assert.match(shown, /120 BPM/);
    assert.match(shown, /7\/8/);

    // A health report with a warning turns the badge and lists its entries.
    await page.evaluate(() => window.velmoHost._deliver({ type: 'velmo.runtimeDiagnostics',
      report: { status: 'degraded', counters: { diagnostics: 1, 'diagnostics.dropped': 0 },
        diagnostics: [{ severity: 'warning', code: 'runtime.diagnostics-overflow',
          phase: 'process', message: 'audio diagnostic queue overflowed' }] } }));
    assert.equal(await page.locator('#health-badge').textContent(), 'degraded');
    assert.match(await page.locator('#health-entries').textContent(), /queue overflowed/);

    // Closing unsubscribes; no transport comes after it.
    await page.keyboard.press('Escape');
    await page.waitForFunction(() => window.__zurizPosts.at(-1).text.includes('unsubscribe'));
    assert.equal(await page.locator('#drawer').isHidden(), true);
    await page.waitForTimeout(300);
    from = s.docs.length;
    await page.waitForTimeout(700);
    assert.equal(s.docs.slice(from).filter((d) => d.type === 'velmo.transport').length, 0);
    assert.deepEqual(s.problems, []);
  } finally {
    await s.close();
  }
});
