// Editing against the controller: the hello's values on screen, drag and key gestures, and a
// preset load moving every control.
import test from 'node:test';
import assert from 'node:assert/strict';
import { openPage } from './harness.mjs';
import { pageModule } from '../page_modules.mjs';

const { PARAMS, labelText, normalize, readoutText, toPlain } = await pageModule('params.js');

const near = (a, b) => Math.abs(a - b) < 1e-9;

async function shown(page) {
  return page.evaluate(() => ({
    family: document.querySelector('input[name="family"]:checked')?.value,
    familyNames: [...document.querySelectorAll('#family label')].map((l) => l.textContent),
    sliders: Object.fromEntries([...document.querySelectorAll('[role="slider"]')].map((e) =>
      [e.dataset.path, { now: Number(e.getAttribute('aria-valuenow')),
        text: e.getAttribute('aria-valuetext'),
        readout: e.parentElement.querySelector('output').textContent }])),
    presets: [...document.querySelectorAll('#preset-select option')].filter((o) => o.value)
      .map((o) => [o.value, o.textContent]),
  }));
}

function assertShows(view, plainOf, normalizedOf) {
  assert.equal(Number(view.family), plainOf('ir.family'));
  for (const p of PARAMS.slice(1)) {
    const s = view.sliders[p.path];
    assert.ok(s, p.path);
    assert.ok(near(s.now, plainOf(p.path)), `${p.path}: ${s.now} vs ${plainOf(p.path)}`);
    assert.equal(s.text, labelText(p, normalizedOf(p.path)), p.path);
    assert.equal(s.readout, readoutText(p, normalizedOf(p.path)), `${p.path} readout`);
  }
}

test('hello, drag, key step and preset load against the controller', async () => {
  const s = await openPage();
  const { page, hello } = s;
  try {
    // The hello's ten values and ten presets, as the controller holds them.
    assert.equal(hello.params.length, 10);
    assert.equal(hello.factoryPresets.length, 10);
    let view = await shown(page);
    assert.deepEqual(view.familyNames, PARAMS[0].options);
    assert.deepEqual(view.presets, hello.factoryPresets.map((p) => [p.id, p.name]));
    const byPath = Object.fromEntries(hello.params.map((p) => [p.path, p]));
    assertShows(view, (path) => byPath[path].value, (path) => byPath[path].normalized);

    // A drag: one begin, values at most one per frame, one end; the controller follows.
    const box = await page.locator('[data-path="ir.size"]').boundingBox();
    const y = box.y + box.height / 2;
    await page.mouse.move(box.x + box.width * 0.2, y);
    await page.mouse.down();
    for (const f of [0.3, 0.45, 0.6, 0.75, 0.9]) {
      await page.mouse.move(box.x + box.width * f, y, { steps: 8 });
    }
    await page.mouse.up();
    await page.waitForFunction(() => window.__zurizPosts.some((p) => p.text.includes('endEdit')));
    assert.equal(s.count('velmo.beginEdit', 'ir.size'), 1);
    assert.equal(s.count('velmo.endEdit', 'ir.size'), 1);
    assert.ok(s.count('velmo.setParam', 'ir.size') >= 1);
    const drag = s.sent.filter((m) => m.path === 'ir.size').map((m) => m.type);
    assert.equal(drag[0], 'velmo.beginEdit');
    assert.equal(drag.at(-1), 'velmo.endEdit');
    const perFrame = await s.setParamsPerFrame();
    assert.ok(Math.max(...perFrame) <= 1, `setParam per frame: ${perFrame}`);
    console.log(`drag: ${perFrame.length} setParam in ${perFrame.length} frames, at most ` +
      `${Math.max(...perFrame)} per frame`);
    const last = s.sent.filter((m) => m.type === 'velmo.setParam' && m.path === 'ir.size').at(-1);
    let state = await s.controllerState();
    assert.ok(near(state.params['ir.size'], last.value), `controller ${state.params['ir.size']} vs ${last.value}`);

    // A key step is a whole gesture of its own.
    const before = s.sent.length;
    await page.locator('[data-path="ir.damping"]').focus();
    await page.keyboard.press('ArrowRight');
    await page.waitForFunction(() => window.__zurizPosts.at(-1).text.includes('endEdit'));
    const step = s.sent.slice(before).map((m) => [m.type, m.path]);
    assert.deepEqual(step, [['velmo.beginEdit', 'ir.damping'], ['velmo.setParam', 'ir.damping'],
      ['velmo.endEdit', 'ir.damping']]);
    state = await s.controllerState();
    const damping = PARAMS[5];
    assert.ok(near(state.params['ir.damping'], byPath['ir.damping'].value + 0.01 * (damping.max - damping.min)));
    // The controller does not echo the page's own edits.
    assert.equal(s.docs.filter((d) => d.type === 'velmo.paramChanged').length, 0);

    // A preset moves every control to its values, without the page sending any edit back.
    const preset = hello.factoryPresets[4];
    const sentBefore = s.sent.length;
    let from = s.docs.length;
    await page.selectOption('#preset-select', preset.id);
    const changes = await s.waitDocs((d) => d.type === 'velmo.paramChanged', 10, from);
    await s.delivered();
    assert.deepEqual(s.sent.slice(sentBefore).map((m) => m.type), ['velmo.loadFactoryPreset']);
    const changed = Object.fromEntries(changes.map((d) => [d.path, d]));
    view = await shown(page);
    assertShows(view, (path) => preset.values[path], (path) => changed[path].normalized);
    for (const p of PARAMS) {
      assert.ok(Math.abs(toPlain(p, normalize(p, preset.values[p.path])) - preset.values[p.path]) < 1e-9);
    }
    assert.equal(await page.locator('#preset-state').textContent(), '');

    // Host automation moves a control; the page sends nothing back.
    let quiet = s.sent.length;
    from = s.docs.length;
    s.bridge.stdin.write('{"type":"bridge.hostSetParam","path":"ir.stereoWidth","normalized":0.25}\n');
    await s.waitDocs((d) => d.type === 'velmo.paramChanged' && d.path === 'ir.stereoWidth', 1, from);
    await s.waitDocs((d) => d.type === 'velmo.presetState' && d.presetState.dirty, 1, from);
    assert.equal(await page.locator('[data-path="ir.stereoWidth"]').getAttribute('aria-valuetext'), '0.25');
    assert.equal(await page.locator('#preset-state').textContent(), 'edited');
    assert.equal(s.sent.length, quiet);

    // Focus lost in the middle of a drag still ends the gesture, once.
    const level = await page.locator('[data-path="master.level"]').boundingBox();
    await page.mouse.move(level.x + 10, level.y + level.height / 2);
    await page.mouse.down();
    await page.mouse.move(level.x + level.width / 2, level.y + level.height / 2, { steps: 4 });
    await page.evaluate(() => window.dispatchEvent(new Event('blur')));
    await page.mouse.move(level.x + level.width * 0.8, level.y + level.height / 2, { steps: 4 });
    await page.mouse.up();
    await page.waitForTimeout(200);
    assert.equal(s.count('velmo.beginEdit', 'master.level'), 1);
    assert.equal(s.count('velmo.endEdit', 'master.level'), 1);
    assert.equal(s.sent.filter((m) => m.path === 'master.level').at(-1).type, 'velmo.endEdit');

    // A second hello (the editor reopened) rebuilds the page from the controller's values;
    // the page sends back only its renewed subscription (the plug-in forgot the old one).
    state = await s.controllerState();
    quiet = s.sent.length;
    from = s.docs.length;
    s.bridge.stdin.write('{"type":"velmo.ready"}\n');
    await s.waitDocs((d) => d.type === 'velmo.hello', 1, from);
    assert.equal(await page.locator('[role="slider"]').count(), 9);
    assert.equal(await page.locator('input[name="family"]').count(), 5);
    view = await shown(page);
    assertShows(view, (path) => state.params[path],
      (path) => normalize(PARAMS.find((p) => p.path === path), state.params[path]));
    for (let i = 0; i < 50 && s.sent.length === quiet; i += 1) await page.waitForTimeout(20);
    await page.waitForTimeout(100);
    assert.deepEqual(s.sent.slice(quiet).map((m) => [m.type, m.feeds]), [['velmo.diag.subscribe', ['meters']]]);
    assert.deepEqual(s.problems, []);
  } finally {
    await s.close();
  }
});

// A host that keeps values as floats: its program menu, its automation played back with the
// transport stopped, and what the page shows and sends for them.
test('a preset picked in a float host reads clean, as typed, and travels once', async () => {
  const s = await openPage();
  const { page, hello } = s;
  try {
    const preset = hello.factoryPresets[7];
    let from = s.docs.length;
    s.bridge.stdin.write('{"type":"bridge.hostProgram","index":7}\n');
    await s.waitDocs((d) => d.type === 'velmo.presetState' && d.presetState.currentId === preset.id, 1, from);
    const applied = s.docs.slice(from).filter((d) => d.type === 'velmo.paramChanged');
    assert.equal(applied.length, 10);
    assert.equal(await page.locator('#preset-select').inputValue(), preset.id);
    assert.equal(await page.locator('#preset-state').textContent(), '');

    // The host hands every value back as the float it kept, again and again: each float that
    // differs from the value sent reaches the page once.
    from = s.docs.length;
    const floats = applied.map((d) => [d.path, Math.fround(d.normalized)]);
    const moved = applied.filter((d) => Math.fround(d.normalized) !== d.normalized).length;
    for (let round = 0; round < 3; round += 1) {
      for (const [path, n] of floats) {
        s.bridge.stdin.write(JSON.stringify({ type: 'bridge.hostSetParam', path, normalized: n }) + '\n');
      }
    }
    s.bridge.stdin.write('{"type":"bridge.hostSetParam","path":"ir.damping","normalized":0.9}\n');
    await s.waitDocs((d) => d.type === 'velmo.paramChanged' && d.path === 'ir.damping' && d.normalized === 0.9, 1, from);
    await s.waitDocs((d) => d.type === 'velmo.presetState' && d.presetState.dirty, 1, from);
    const changes = s.docs.slice(from).filter((d) => d.type === 'velmo.paramChanged');
    assert.ok(moved > 5, `${moved} of the preset's values are not floats`);
    assert.equal(changes.length, moved + 1, 'each float once, then the edit');
    assert.equal(s.docs.slice(from).filter((d) => d.type === 'velmo.presetState').length, 1);
    assert.equal(await page.locator('#preset-state').textContent(), 'edited');
    assert.equal(await page.locator('#preset-select').inputValue(), preset.id);

    // Back to the preset's value: clean again.
    from = s.docs.length;
    const damping = floats.find(([path]) => path === 'ir.damping')[1];
    s.bridge.stdin.write(JSON.stringify({ type: 'bridge.hostSetParam', path: 'ir.damping', normalized: damping }) + '\n');
    await s.waitDocs((d) => d.type === 'velmo.presetState' && !d.presetState.dirty, 1, from);
    assert.equal(await page.locator('#preset-state').textContent(), '');

    // Readouts: two decimals and the unit; screen readers get the plug-in's shortest text.
    const view = await shown(page);
    const expected = {
      'strike.position': ['0.25', '0.25'], 'strike.hardness': ['0.70', '0.7'],
      'ir.decayScale': ['1.60 x', '1.6 x'], 'ir.damping': ['0.65', '0.65'],
      'ir.size': ['1.20 x', '1.2 x'], 'amp.release': ['0.45 s', '0.45 s'], 'master.level': ['0.76', '0.76'],
    };
    for (const [path, [readout, text]] of Object.entries(expected)) {
      assert.equal(view.sliders[path].readout, readout, path);
      assert.equal(view.sliders[path].text, text, path);
    }
    assert.equal(view.family, '3');
    assert.deepEqual(s.problems, []);
  } finally {
    await s.close();
  }
});
