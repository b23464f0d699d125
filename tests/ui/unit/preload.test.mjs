// The page announces every module it imports, so that the web view fetches them all at once
// instead of one import level after another; and nothing it does not import.
import test from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { pathToFileURL } from 'node:url';
import { UI_ROOT } from '../page_modules.mjs';

const ui = pathToFileURL(UI_ROOT + '/');

function imported(file, seen = new Set()) {
  const text = readFileSync(new URL(file, ui), 'utf8');
  for (const [, name] of text.matchAll(/^(?:import|export)\b[^;]*?from\s+'\.\/([^']+)'/gms)) {
    const path = 'js/' + name;
    if (!seen.has(path)) {
      seen.add(path);
      imported(path, seen);
    }
  }
  return seen;
}

test('every module the page imports is announced for preloading, and only those', () => {
  const html = readFileSync(new URL('index.html', ui), 'utf8');
  const announced = [...html.matchAll(/<link rel="modulepreload" href="([^"]+)">/g)].map((m) => m[1]);
  assert.equal(new Set(announced).size, announced.length, 'announced twice');
  assert.deepEqual(announced.sort(), [...imported('js/main.js')].sort());
});
