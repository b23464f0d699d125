// The diagnostics drawer: subscription while open, lifecycle replay then live events, the
// host's moving transport at the subscribed rate, health badge; and the page's main-thread
// cost meanwhile.
import test from 'node:test';
import assert from 'node:assert/strict';
import { openPage } from './harness.mjs';


const MEASURE_MS = Number(process.env.ZURIZ_UI_MEASURE_MS || 5000);

const facts = (page) => page.$$eval('#transport dt', (dts) =>
  Object.fromEntries(dts.map((dt) => [dt.textContent, dt.nextElementSibling.textContent])));

test('drawer subscribes while open, shows replay, live events and transport', async () => {
  const s = await openPage();
  const { page, context } = s;
  try {
    assert.equal(await page.locator('#health-badge').textContent(), s.hello.runtimeHealth &&
      s.hello.runtimeHealth.status !== 'healthy' ? s.hello.runtimeHealth.status : 'ok');

    let from = s.docs.length;
    await page.click('#drawer-toggle');
    await page.waitForFunction(() => window.__zurizPosts.at(-1).text.includes('lifecycle'));
    const subscribe = s.sent.at(-1);
    // The meter's feed stays in the one subscription, at its rate.
    assert.deepEqual([subscribe.type, subscribe.feeds, subscribe.hz],
      ['velmo.diag.subscribe', ['meters', 'lifecycle', 'transport'], 30]);
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

    // Transport: the bridge's host plays at 120 BPM in 4/4, and the processor reports it.
    // The controller keeps to the subscribed rate (counted over the whole window: the pipe may
    // bunch documents) while the page's main-thread time is measured with the live feeds.
    await page.evaluate(() => { window.__zurizQuiet = true; }); // the harness's frame counter
    const cdp = await context.newCDPSession(page);
    await cdp.send('Performance.enable');
    const task = async () => (await cdp.send('Performance.getMetrics')).metrics
      .find((m) => m.name === 'TaskDuration').value;
    const t0 = await task();
    const start = Date.now();
    from = s.docs.length;
    await page.waitForTimeout(MEASURE_MS / 2);
    await s.delivered();
    const early = await facts(page);
    await page.waitForTimeout(MEASURE_MS / 2);
    const busy = (await task()) - t0;
    const wall = (Date.now() - start) / 1000;
    const transport = s.docs.slice(from).filter((d) => d.type === 'velmo.transport');
    const meters = s.docs.slice(from).filter((d) => d.type === 'velmo.meters');
    console.log(`drawer open ${wall.toFixed(1)} s with the live feeds: page main thread ` +
      `${(100 * busy / wall).toFixed(2)} % of one core; the controller sent ${transport.length} ` +
      `transport and ${meters.length} meters documents`);
    assert.ok(transport.length > 0, 'the host\'s transport is reported');
    assert.ok(transport.length <= Math.ceil(wall * subscribe.hz) + 2,
      `controller transport above ${subscribe.hz} Hz: ${transport.length} in ${wall} s`);
    await s.delivered();
    const late = await facts(page);
    for (const shown of [early, late]) {
      assert.deepEqual([shown.State, shown.Tempo, shown['Time signature']], ['playing', '120 BPM', '4/4']);
      assert.match(shown.Position, /^bar \d+, beat [1-4]$/);
      assert.match(shown.Quarters, /^\d+\.\d\d$/);
    }
    assert.ok(Number(late.Quarters) > Number(early.Quarters), `the position moves: ${early.Quarters} then ${late.Quarters}`);

    // A health report with a warning turns the badge and lists its entries.
    await page.evaluate(() => window.velmoHost._deliver({ type: 'velmo.runtimeDiagnostics',
      report: { status: 'degraded', counters: { diagnostics: 1, 'diagnostics.dropped': 0 },
        diagnostics: [{ severity: 'warning', code: 'runtime.diagnostics-overflow',
          phase: 'process', message: 'audio diagnostic queue overflowed' }] } }));
    assert.equal(await page.locator('#health-badge').textContent(), 'degraded');
    assert.match(await page.locator('#health-entries').textContent(), /queue overflowed/);

    // Closing gives the drawer's feeds up, the meter's stay; no transport comes after it.
    const closing = s.sent.length;
    await page.keyboard.press('Escape');
    let after = [];
    for (let i = 0; i < 100 && !after.length; i += 1) {
      await page.waitForTimeout(20);
      after = s.sent.slice(closing).filter((m) => m.type.startsWith('velmo.diag.'));
    }
    assert.deepEqual(after.map((m) => [m.type, m.feeds]), [['velmo.diag.subscribe', ['meters']]]);
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
