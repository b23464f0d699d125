// The page at the editor's smallest, default and largest sizes: nothing overlaps, nothing is
// out of reach (by pointer or keyboard), the instrument fits the default size's first screen,
// a large window is used; screenshots kept as artifacts.
import test from 'node:test';
import assert from 'node:assert/strict';
import path from 'node:path';
import { artifactsDir, openPage } from './harness.mjs';


const INTERACTIVE = 'button, select, input, textarea, [role="slider"], [role="button"]';

// Every interactive element, scrolled into view, is the element found at its own centre
// (nothing covers it) and lies inside the window; no two of them overlap.
async function layoutProblems(page, scope) {
  return page.evaluate(({ selector, scope }) => {
    const problems = [];
    const visible = [...document.querySelectorAll(selector.split(',').map((x) => scope + ' ' + x.trim()).join(','))].filter((e) => {
      const target = e.closest('label.file-button') || e;
      return target.getClientRects().length > 0;
    });
    if (document.documentElement.scrollWidth > window.innerWidth + 1) {
      problems.push(`page scrolls sideways: ${document.documentElement.scrollWidth} > ${window.innerWidth}`);
    }
    const boxes = [];
    for (const e of visible) {
      const target = e.closest('label.file-button') || e;
      target.scrollIntoView({ block: 'center', inline: 'center' });
      const r = target.getBoundingClientRect();
      const name = e.id || e.getAttribute('aria-label') || e.dataset.path || e.textContent.trim() || e.tagName;
      if (r.left < 0 || r.right > window.innerWidth + 0.5 || r.top < 0 || r.bottom > window.innerHeight + 0.5) {
        problems.push(`${name} outside the window`);
      }
      const hit = document.elementFromPoint(r.left + r.width / 2, r.top + r.height / 2);
      if (!hit || !(target === hit || target.contains(hit) || hit.contains(target))) {
        problems.push(`${name} covered by ${hit ? hit.outerHTML.slice(0, 60) : 'nothing'}`);
      }
      boxes.push([name, target, target.getBoundingClientRect()]);
    }
    window.scrollTo(0, 0);
    for (let i = 0; i < visible.length; i += 1) {
      const a = visible[i].getBoundingClientRect();
      for (let k = i + 1; k < visible.length; k += 1) {
        if (visible[i].contains(visible[k]) || visible[k].contains(visible[i])) continue;
        const b = visible[k].getBoundingClientRect();
        const w = Math.min(a.right, b.right) - Math.max(a.left, b.left);
        const h = Math.min(a.bottom, b.bottom) - Math.max(a.top, b.top);
        if (w > 1 && h > 1) problems.push(`${boxes[i][0]} overlaps ${boxes[k][0]}`);
      }
    }
    return problems;
  }, { selector: INTERACTIVE, scope });
}

// What a musician needs at once, outside the window without scrolling: the family choice, the
// nine sliders, the partials picture, every audition key.
async function belowTheFold(page) {
  return page.evaluate(() => {
    window.scrollTo(0, 0);
    const wanted = ['#family', '[role="slider"]', '#picture svg', '.key:not(.off)', '#octave-up'];
    return wanted.flatMap((sel) => [...document.querySelectorAll(sel)].flatMap((e) => {
      const r = e.getBoundingClientRect();
      return r.width > 0 && r.top >= 0 && r.left >= 0 && r.bottom <= window.innerHeight &&
        r.right <= window.innerWidth ? [] : [`${sel} ${e.id || e.getAttribute('aria-label') || ''}`.trim()];
    }));
  });
}

// The share of the first screen under the header that panels fill (sampled every 10px).
async function panelShare(page) {
  return page.evaluate(() => {
    window.scrollTo(0, 0);
    const panels = [...document.querySelectorAll('.panel')].map((p) => p.getBoundingClientRect())
      .filter((r) => r.width > 0);
    const top = document.querySelector('header').getBoundingClientRect().bottom;
    let inside = 0;
    let all = 0;
    for (let y = top + 5; y < window.innerHeight; y += 10) {
      for (let x = 5; x < window.innerWidth; x += 10) {
        all += 1;
        if (panels.some((r) => x >= r.left && x <= r.right && y >= r.top && y <= r.bottom)) inside += 1;
      }
    }
    return inside / all;
  });
}

// Each readout shows its whole text inside its row, unit included.
async function cutReadouts(page) {
  return page.evaluate(() => [...document.querySelectorAll('.param')].flatMap((row) => {
    const out = row.querySelector('output');
    const r = out.getBoundingClientRect();
    const box = row.getBoundingClientRect();
    return out.scrollWidth > out.clientWidth || r.left < box.left || r.right > box.right + 0.5
      ? [`${row.querySelector('[role="slider"]').dataset.path}: "${out.textContent}"`] : [];
  }));
}

test('layout at 1400x1100, 760x620 and 480x360, by pointer and keyboard', async () => {
  const s = await openPage({ width: 1400, height: 1100 });
  const { page } = s;
  try {
    await page.click('#ccmap-add');
    await page.waitForSelector('#ccmap-table tbody input.cc');
    await page.waitForSelector('#picture svg');
    // The widest readouts, as a float host would set them.
    const from = s.docs.length;
    for (const [path, n] of [['ir.decayScale', 0.9999999], ['ir.size', 1], ['amp.release', Math.fround(0.77)]]) {
      s.bridge.stdin.write(JSON.stringify({ type: 'bridge.hostSetParam', path, normalized: n }) + '\n');
    }
    await s.waitDocs((d) => d.type === 'velmo.paramChanged', 3, from);
    const readouts = await page.$$eval('.param output', (all) => all.map((o) => o.textContent));
    assert.deepEqual(readouts, ['0.15', '0.62', '0.12', '2.50 x', '1.00', '2.00 x', '0.50', '3.08 s', '0.78']);
    for (const [width, height] of [[1400, 1100], [760, 620], [480, 360]]) {
      await page.setViewportSize({ width, height });
      await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => r())));
      await page.screenshot({ path: path.join(artifactsDir(), `page-${width}x${height}.png`), fullPage: true });
      await page.screenshot({ path: path.join(artifactsDir(), `screen-${width}x${height}.png`) });
      assert.deepEqual(await layoutProblems(page, 'body'), [], `page at ${width}x${height}`);
      assert.deepEqual(await cutReadouts(page), [], `readouts at ${width}x${height}`);
      if (width === 760) assert.deepEqual(await belowTheFold(page), [], 'the instrument in the first screen');
      if (width === 1400) {
        const share = await panelShare(page);
        console.log(`panels fill ${(100 * share).toFixed(0)} % of the first screen at ${width}x${height}`);
        assert.ok(share > 0.8, `a large window left mostly empty: panels fill ${share}`);
      }
    }
    // The smallest window scrolls to the rest.
    assert.ok(await page.evaluate(() => document.documentElement.scrollHeight > window.innerHeight));

    // The keyboard reaches every slider, the family choice and the other panels' controls.
    await page.evaluate(() => document.activeElement && document.activeElement.blur());
    const reached = new Set();
    for (let i = 0; i < 45; i += 1) {
      await page.keyboard.press('Tab');
      reached.add(await page.evaluate(() => document.activeElement.id));
    }
    for (let id = 1; id < 10; id += 1) assert.ok(reached.has(`slider-${id}`), `slider-${id} by keyboard`);
    assert.ok([...reached].some((id) => /^family-/.test(id)), 'family by keyboard');
    for (const id of ['preset-select', 'drawer-toggle', 'ccmap-add', 'state-export', 'state-file']) {
      assert.ok(reached.has(id), `${id} by keyboard`);
    }

    // The drawer, open, at both sizes.
    await page.click('#drawer-toggle');
    await page.waitForSelector('#lifecycle li');
    for (const [width, height] of [[480, 360], [1400, 1100]]) {
      await page.setViewportSize({ width, height });
      await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => r())));
      await page.screenshot({ path: path.join(artifactsDir(), `drawer-${width}x${height}.png`) });
      assert.deepEqual(await layoutProblems(page, '#drawer'), [], `drawer at ${width}x${height}`);
    }
    assert.deepEqual(await layoutProblems(page, 'header'), [], 'header beside the open drawer');
    assert.deepEqual(s.problems, []);
  } finally {
    await s.close();
  }
});

test('a hello naming its features hides the panels it does not offer; the VST3 hello shows them all', async () => {
  const s = await openPage();
  const { page } = s;
  const OPTIONAL = ['.keys-panel', '.ccmap-panel', '.state-panel', '#meter', '#drawer-toggle', '#bank-panel'];
  const shown = () => page.evaluate((selectors) => selectors.filter((q) => {
    const e = document.querySelector(q);
    return e && !e.hidden && e.getClientRects().length > 0;
  }), OPTIONAL);
  try {
    assert.deepEqual(await shown(), OPTIONAL);
    // The LV2 UI's hello: the same document with the features it carries.
    const lv2Hello = { ...s.hello, features: ['params', 'presets'] };
    await page.evaluate((doc) => window.velmoHost._deliver(doc), lv2Hello);
    assert.deepEqual(await shown(), []);
    assert.equal(await page.locator('[data-path="master.level"]').count(), 1);
    assert.equal(await page.locator('#preset-select option').count(), 11);
    assert.deepEqual(await layoutProblems(page, 'body'), []);
  } finally {
    await s.close();
  }
});
