// The diagnostics drawer: subscription while open, lifecycle replay then live events,
// transport at the subscribed rate, health badge; and the page's main-thread cost meanwhile.
import test, { after } from 'node:test';
import assert from 'node:assert/strict';
import { openPage, shutdown } from './harness.mjs';

after(shutdown);

const MEASURE_MS = Number(process.env.ZURIZ_UI_MEASURE_MS || 10000);

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

    // Transport arrives live, never faster than the subscribed 10 Hz; measure the page's
    // main-thread time meanwhile.
    // The frame counter of the harness would keep frames coming: stop it while measuring.
    await page.evaluate(() => { window.__zurizQuiet = true; });
    const cdp = await context.newCDPSession(page);
    await cdp.send('Performance.enable');
    const task = async () => (await cdp.send('Performance.getMetrics')).metrics
      .find((m) => m.name === 'TaskDuration').value;
    const t0 = await task();
    const start = Date.now();
    from = s.docs.length;
    await page.waitForTimeout(MEASURE_MS);
    const busy = (await task()) - t0;
    const wall = (Date.now() - start) / 1000;
    const transport = s.docs.slice(from).filter((d) => d.type === 'velmo.transport');
    const gaps = transport.slice(1).map((d, i) => d.at - transport[i].at);
    console.log(`drawer open ${wall.toFixed(1)} s: ${transport.length} transport documents ` +
      `(${(transport.length / wall).toFixed(1)} per s, shortest gap ${Math.min(...gaps)} ms); ` +
      `page main thread ${(100 * busy / wall).toFixed(2)} % of one core`);
    assert.ok(transport.length >= 3 * wall, `transport is live: ${transport.length} in ${wall} s`);
    const shown = await page.locator('#transport').textContent();
    assert.match(shown, /playing/);
    assert.match(shown, /BPM/);

    // A health report with a warning turns the badge and lists its entries.
    await page.evaluate(() => window.velmoHost._deliver({ type: 'velmo.runtimeDiagnostics',
      report: { status: 'degraded', counters: { diagnostics: 1, 'diagnostics.dropped': 0 },
        diagnostics: [{ severity: 'warning', code: 'runtime.diagnostics-overflow',
          phase: 'process', message: 'audio diagnostic queue overflowed' }] } }));
    assert.equal(await page.locator('#health-badge').textContent(), 'degraded');
    assert.match(await page.locator('#health-entries').textContent(), /queue overflowed/);

    // Closing unsubscribes; transport stops coming.
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
