// The CC map table and the state export/import, round trips through the controller.
import test from 'node:test';
import assert from 'node:assert/strict';
import { openPage } from './harness.mjs';


test('CC map edits round-trip and state export, change, import restores', async () => {
  const s = await openPage();
  const { page } = s;
  try {
    // Add a binding, then edit its CC number: each edit is redrawn from the controller's map.
    let from = s.docs.length;
    await page.click('#ccmap-add');
    let [changed] = await s.waitDocs((d) => d.type === 'velmo.ccMapChanged', 1, from);
    assert.equal(changed.map.bindings.length, 1);
    const row = page.locator('#ccmap-table tbody tr').first();
    assert.equal(await row.locator('input.cc').inputValue(), String(changed.map.bindings[0].cc));

    from = s.docs.length;
    await row.locator('input.cc').fill('20');
    await row.locator('input.cc').press('Enter');
    await row.locator('select').first().selectOption('ir.damping');
    const maps = await s.waitDocs((d) => d.type === 'velmo.ccMapChanged', 2, from);
    changed = maps.at(-1);
    assert.deepEqual(changed.map.bindings.map((b) => [b.cc, b.path]), [[20, 'ir.damping']]);
    assert.equal(await row.locator('input.cc').inputValue(), '20');
    assert.equal(await row.locator('select').first().inputValue(), 'ir.damping');

    // Out of the map's limits: not sent, the reason shown, the table unchanged.
    const sent = s.count('velmo.setCcMap');
    await row.locator('input.cc').fill('200');
    await row.locator('input.cc').press('Enter');
    await page.waitForFunction(() => /Not sent/.test(document.getElementById('ccmap-message').textContent));
    assert.match(await page.locator('#ccmap-message').textContent(), /0 to 127/);
    assert.equal(s.count('velmo.setCcMap'), sent);

    // Export the state, change values, import the exported text: every value comes back.
    from = s.docs.length;
    await page.click('#state-export');
    const [exported] = await s.waitDocs((d) => d.type === 'velmo.state', 1, from);
    await page.waitForFunction(() => document.getElementById('state-text').value.length > 0);
    const text = await page.locator('#state-text').inputValue();
    assert.deepEqual(JSON.parse(text), exported.state);

    for (const path of ['ir.size', 'master.level', 'strike.position']) {
      await page.locator(`[data-path="${path}"]`).focus();
      await page.keyboard.press('End');
    }
    await page.locator('#family-3').check();
    from = s.docs.length;
    await page.click('#ccmap-add');
    await s.waitDocs((d) => d.type === 'velmo.ccMapChanged', 1, from);
    const edited = await s.controllerState();
    assert.notDeepEqual(edited.params, exported.state.params);

    await page.locator('#state-text').fill('{"not":"a state"}');
    await page.click('#state-import');
    assert.match(await page.locator('#state-message').textContent(), /not a Zuriz state document/);
    assert.equal(s.count('velmo.setState'), 0);

    await page.locator('#state-text').fill(text);
    from = s.docs.length;
    await page.click('#state-import');
    await s.waitDocs((d) => d.type === 'velmo.ccMapChanged', 1, from);
    const restored = await s.controllerState();
    assert.deepEqual(restored.params, exported.state.params);
    assert.deepEqual(restored.ccMap, exported.state.ccMap);
    // The page shows the restored values.
    await s.delivered();
    const size = await page.locator('[data-path="ir.size"]').getAttribute('aria-valuenow');
    assert.equal(Number(size), exported.state.params['ir.size']);
    assert.equal(await page.locator('#ccmap-table tbody tr').count(), 1);
    assert.deepEqual(s.problems, []);
  } finally {
    await s.close();
  }
});
