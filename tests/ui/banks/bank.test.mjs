// The sample-bank panel against the real controller and processor: a bank folder the test
// writes is loaded, checked in full and refused by the engine; the refusal shows in the panel
// and in the health drawer. The picker, a failing download and pad overrides answer too.
import test, { after } from 'node:test';
import assert from 'node:assert/strict';
import { createHash } from 'node:crypto';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { openPage, shutdown } from '../browser/harness.mjs';

after(shutdown);

const REFUSAL = 'the engine refused the staged bank (arena capacity)';

// bank.json, one instrument document, one 16-bit mono WAV of 4800 frames.
function writeBankFolder() {
  const dir = mkdtempSync(path.join(tmpdir(), 'zuriz-ui-bank-'));
  const frames = 4800;
  const wav = Buffer.alloc(44 + frames * 2);
  wav.write('RIFF', 0); wav.writeUInt32LE(36 + frames * 2, 4); wav.write('WAVE', 8);
  wav.write('fmt ', 12); wav.writeUInt32LE(16, 16); wav.writeUInt16LE(1, 20); wav.writeUInt16LE(1, 22);
  wav.writeUInt32LE(48000, 24); wav.writeUInt32LE(96000, 28); wav.writeUInt16LE(2, 32); wav.writeUInt16LE(16, 34);
  wav.write('data', 36); wav.writeUInt32LE(frames * 2, 40);
  for (let i = 0; i < frames; i += 1) wav.writeInt16LE(Math.round(8000 * Math.sin(i / 10)), 44 + i * 2);
  writeFileSync(path.join(dir, 'bell.wav'), wav);
  writeFileSync(path.join(dir, 'bell.json'), JSON.stringify({
    format: 'velmo-sampler-instrument/v1', zones: [{ id: 'z1', assetId: 'bell', rootKey: 60 }] }));
  writeFileSync(path.join(dir, 'bank.json'), JSON.stringify({
    format: 'velmo-sound-pack/v1', id: 'ui-bank', version: '1', name: 'UI Bank',
    assetTable: [{ id: 'bell', path: 'bell.wav', bytes: wav.length, sha256: createHash('sha256').update(wav).digest('hex') }],
    instruments: [{ id: 'bell', name: 'Bell', document: 'bell.json' }] }));
  return dir;
}

test('a real bank folder loaded from the page ends in the engine\u2019s refusal, shown beside the request and in the health drawer', async () => {
  const bank = writeBankFolder();
  const s = await openPage();
  const { page } = s;
  try {
    await s.waitDocs((d) => d.type === 'velmo.bankState' && d.reason === 'query', 1, 0);
    assert.equal(await page.locator('#bank-panel').isVisible(), true);
    assert.match(await page.locator('#bank-runtime').textContent(), /No sample bank/);

    let from = s.docs.length;
    await page.fill('#bank-folder', bank);
    await page.click('#bank-load');
    const [health, state] = await s.waitDocs((d) => d.type === 'velmo.runtimeDiagnostics' || d.type === 'velmo.bankState', 2, from);
    assert.equal(health.type, 'velmo.runtimeDiagnostics', 'the health document comes first');
    assert.deepEqual(state.error, { code: 'bank-too-large', requestedId: bank });
    assert.equal(state.runtime, undefined);
    const said = await page.locator('#bank-folder-message').textContent();
    assert.match(said, /sound engine refused it/);
    assert.ok(said.includes(`(bank-too-large: ${bank})`), said);
    assert.ok(said.includes(REFUSAL), said);
    assert.equal(await page.locator('#bank-folder-message.error').count(), 1);

    await page.click('#drawer-toggle');
    const entries = await page.locator('#health-entries').textContent();
    assert.ok(entries.includes(`runtime bank load refused (bank-too-large): ${REFUSAL}`), entries);
    assert.ok(entries.includes('bank.missing'), entries);
    await page.click('#drawer-close');

    // A folder that is not a bank says so in its own words.
    from = s.docs.length;
    await page.fill('#bank-folder', path.join(bank, 'nothing-here'));
    await page.click('#bank-load');
    await s.waitDocs((d) => d.type === 'velmo.bankState' && d.error, 1, from);
    assert.match(await page.locator('#bank-folder-message').textContent(), /could not be found or read.*bank-missing/);
  } finally {
    await s.close();
    rmSync(bank, { recursive: true, force: true });
  }
  assert.deepEqual(s.problems, []);
});

test('picker, download and pad overrides each answer beside their own request', async () => {
  const s = await openPage();
  const { page } = s;
  try {
    await s.waitDocs((d) => d.type === 'velmo.bankState', 1, 0);
    let from = s.docs.length;
    await page.click('#bank-pick');
    await s.waitDocs((d) => d.type === 'velmo.folderPicked', 1, from);
    assert.match(await page.locator('#bank-folder-message').textContent(), /this build has no folder picker/);

    // Checked on the page first: nothing is sent for an http address or a short pin.
    await page.fill('#bank-url', 'http://127.0.0.1:9/bank.zip');
    await page.fill('#bank-sha256', 'a'.repeat(64));
    await page.click('#bank-fetch');
    assert.match(await page.locator('#bank-hosted-message').textContent(), /https:\/\//);
    assert.equal(s.count('velmo.loadBank'), 0);

    // Port 9 refuses at once: the download fails off the UI thread and is answered later.
    from = s.docs.length;
    await page.fill('#bank-url', 'https://127.0.0.1:9/bank.zip');
    await page.click('#bank-fetch');
    await page.waitForSelector('#bank-progress:not([hidden])', { timeout: 2000 }).catch(() => {});
    const [failed] = await s.waitDocs((d) => d.type === 'velmo.bankState', 1, from, 40000);
    assert.deepEqual(failed.error, { code: 'bank-fetch-failed', requestedId: 'https://127.0.0.1:9/bank.zip' });
    await s.delivered();
    assert.match(await page.locator('#bank-hosted-message').textContent(), /download failed/);
    assert.equal(await page.locator('#bank-progress').isHidden(), true);

    from = s.docs.length;
    await page.click('#bank-pad-add');
    await page.locator('#bank-pads .pad').fill('kick');
    await page.locator('#bank-pads .value').fill('2');
    await page.click('#bank-pads-send');
    const [pads] = await s.waitDocs((d) => d.type === 'velmo.bankState', 1, from);
    assert.equal(pads.reason, 'setPadOverrides');
    assert.deepEqual(pads.pads, { kick: { gain: 2 } });
    await s.delivered();
    assert.equal(await page.locator('#bank-pads-message').textContent(), 'Pad overrides sent.');
    assert.equal(await page.locator('#bank-pads tbody tr').count(), 1);
  } finally {
    await s.close();
  }
  assert.deepEqual(s.problems, []);
});
