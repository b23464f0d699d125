// Opens the built page in Debian's chromium, wired to a spawned zuriz-bridge exactly as the
// plug-in's web view wires it: the injected script, a "velmo" message handler that forwards
// each posted text to the bridge, and every document the bridge prints delivered with
// window.velmoHost._deliver.
import { spawn } from 'node:child_process';
import { existsSync, mkdirSync, readFileSync } from 'node:fs';
import path from 'node:path';
import readline from 'node:readline';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';
import { BUNDLE, UI_ROOT } from '../page_modules.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const ORIGIN = 'https://zuriz-ui.invalid';
const BRIDGE = process.env.ZURIZ_BRIDGE || path.resolve(here, '../../../build/bin/zuriz-bridge');
const CHROMIUM = process.env.ZURIZ_CHROMIUM || '/usr/bin/chromium';
const ARTIFACTS = process.env.ZURIZ_UI_ARTIFACTS || path.resolve(here, '../../../build/ui-artifacts');

// The script the plug-in injects at document start, read from its C++ source so the two
// cannot drift: the string literals of the BRIDGE_SCRIPT initializer, joined and unescaped.
const C_ESCAPES = { n: '\n', t: '\t', r: '\r', a: '\x07', b: '\b', f: '\f', v: '\v' };
function injectedScript() {
  const source = readFileSync(path.resolve(here, '../../../editor/page_script.cpp'), 'utf8');
  const init = /\bBRIDGE_SCRIPT\s*=\s*((?:"(?:[^"\\\n]|\\.)*"\s*)+);/.exec(source);
  const script = init ? [...init[1].matchAll(/"((?:[^"\\\n]|\\.)*)"/g)].map((m) => m[1]).join('')
    .replace(/\\(x[0-9a-fA-F]+|[0-7]{1,3}|.)/g, (_, e) => {
      if (e[0] === 'x') return String.fromCharCode(parseInt(e.slice(1), 16));
      if (/^[0-7]/.test(e)) return String.fromCharCode(parseInt(e, 8));
      return C_ESCAPES[e] ?? e;
    }) : '';
  if (!script) throw new Error('no BRIDGE_SCRIPT string literals found in editor/page_script.cpp');
  return script;
}
const INJECTED = injectedScript();

const MIME = { css: 'text/css', html: 'text/html', js: 'text/javascript', json: 'application/json',
  svg: 'image/svg+xml', png: 'image/png', woff2: 'font/woff2', txt: 'text/plain' };

const ARGS = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];

let browser = null;
async function launch() {
  if (!existsSync(CHROMIUM)) throw new Error(`chromium not found at ${CHROMIUM}`);
  if (!browser) browser = await chromium.launch({ executablePath: CHROMIUM, args: ARGS });
  return browser;
}
export async function shutdown() { if (browser) await browser.close(); browser = null; }

function bridgeCommand() {
  if (!existsSync(BRIDGE)) throw new Error(`zuriz-bridge not found at ${BRIDGE}`);
  return [BRIDGE, ['--bundle', BUNDLE]];
}

// One page against one bridge. sent: the page's messages (parsed) in order; docs: every
// document the bridge printed; problems: console errors and unhandled exceptions.
export async function openPage(viewport = { width: 1100, height: 800 }) {
  if (!existsSync(path.join(UI_ROOT, 'index.html'))) throw new Error(`no page at ${UI_ROOT}`);
  const b = await launch();
  const context = await b.newContext({ viewport });
  const page = await context.newPage();
  const [cmd, args] = bridgeCommand();
  const bridge = spawn(cmd, args, { stdio: ['pipe', 'pipe', 'pipe'] });
  const s = { page, context, bridge, sent: [], docs: [], problems: [], stderr: '' };
  bridge.stderr.on('data', (d) => { s.stderr += d; });
  const waiters = [];

  page.on('console', (m) => { if (m.type() === 'error') s.problems.push('console: ' + m.text()); });
  page.on('pageerror', (e) => s.problems.push('pageerror: ' + e.message));
  await page.route('**/*', async (route) => {
    const url = new URL(route.request().url());
    if (url.origin !== ORIGIN) return route.abort();
    const rel = decodeURIComponent(url.pathname === '/' ? '/index.html' : url.pathname);
    const file = path.resolve(UI_ROOT, '.' + rel);
    if (!file.startsWith(UI_ROOT + path.sep) || !existsSync(file)) return route.fulfill({ status: 404, body: '' });
    const ext = path.extname(file).slice(1).toLowerCase();
    return route.fulfill({ status: 200, contentType: MIME[ext] || 'application/octet-stream',
      body: readFileSync(file) });
  });
  await page.exposeFunction('__zurizPost', (text) => {
    s.sent.push({ at: Date.now(), ...JSON.parse(text) });
    bridge.stdin.write(text + '\n');
  });
  // Each posted text is stamped with the animation frame it left in: a frame counter that
  // runs first in every frame (registered before anything of the page's).
  await page.addInitScript(`window.__zurizFrame = 0; window.__zurizPosts = [];
(function count() { window.__zurizFrame += 1; if (!window.__zurizQuiet) requestAnimationFrame(count); })();
window.webkit = { messageHandlers: { velmo: { postMessage: function (t) {
  window.__zurizPosts.push({ frame: window.__zurizFrame, text: t }); window.__zurizPost(t); } } } };
${INJECTED}`);
  // Unhandled rejections surface as page errors in chromium; record them explicitly too.
  await page.addInitScript(() => window.addEventListener('unhandledrejection', (e) => {
    console.error('unhandled rejection: ' + (e.reason && e.reason.message || e.reason));
  }));

  let chain = Promise.resolve();
  readline.createInterface({ input: bridge.stdout }).on('line', (line) => {
    let doc;
    try { doc = JSON.parse(line); } catch (e) { s.problems.push('bridge printed non-JSON: ' + line); return; }
    s.docs.push({ at: Date.now(), ...doc });
    for (const w of [...waiters]) if (w.test(doc)) { waiters.splice(waiters.indexOf(w), 1); w.resolve(doc); }
    chain = chain.then(() => page.evaluate(`window.velmoHost && window.velmoHost._deliver(${line});`))
      .catch(() => {});
  });

  // The next document (after now) for which test(doc) holds.
  s.next = (test, ms = 5000) => new Promise((resolve, reject) => {
    const w = { test, resolve };
    waiters.push(w);
    setTimeout(() => { const i = waiters.indexOf(w); if (i >= 0) { waiters.splice(i, 1); reject(new Error('timed out waiting for a document')); } }, ms);
  });
  s.delivered = () => chain;
  // Waits until n documents matching test arrived since docs index `from`; returns them.
  s.waitDocs = async (test, n, from, ms = 5000) => {
    const end = Date.now() + ms;
    for (;;) {
      const got = s.docs.slice(from).filter(test);
      if (got.length >= n) { await chain; return got; }
      if (Date.now() > end) throw new Error(`only ${got.length} of ${n} documents arrived`);
      await new Promise((r) => setTimeout(r, 20));
    }
  };
  // setParam messages per animation frame, from the page's own stamps.
  s.setParamsPerFrame = async () => {
    const posts = await page.evaluate(() => window.__zurizPosts);
    const perFrame = new Map();
    for (const p of posts) {
      if (JSON.parse(p.text).type === 'velmo.setParam') perFrame.set(p.frame, (perFrame.get(p.frame) || 0) + 1);
    }
    return [...perFrame.values()];
  };
  s.count = (type, p) => s.sent.filter((m) => m.type === type && (!p || m.path === p)).length;
  // The controller's plain values, asked with "velmo.getState".
  s.controllerState = async () => {
    const got = s.next((d) => d.type === 'velmo.state');
    bridge.stdin.write('{"type":"velmo.getState"}\n');
    return (await got).state;
  };
  s.close = async () => {
    await context.close();
    bridge.stdin.end();
    await new Promise((r) => { if (bridge.exitCode !== null) r(); else bridge.on('exit', r); });
  };

  const hello = s.next((d) => d.type === 'velmo.hello');
  await page.goto(ORIGIN + '/index.html');
  s.hello = await hello;
  await s.delivered();
  await page.waitForSelector('body[data-ready="true"]');
  return s;
}

export function artifactsDir() { mkdirSync(ARTIFACTS, { recursive: true }); return ARTIFACTS; }
