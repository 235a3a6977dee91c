// What the browser tests share: the built site served from a local server that records every
// request, Debian's chromium driven by playwright-core, and the command-line driver to compare
// against.
import { createServer } from 'node:http';
import { readFile, writeFile, mkdtemp, copyFile, rm } from 'node:fs/promises';
import { execFileSync } from 'node:child_process';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const here = path.dirname(fileURLToPath(import.meta.url));
export const root = path.resolve(here, '../..');
export const site = process.env.BIDQUILL_SITE || path.join(root, 'build-web/site');
export const cli = process.env.BIDQUILL_CLI || path.join(root, 'build-cli/bin/bidquill-cli');
// The desktop window's places of its controls (built with the desktop program's tests).
export const windowPlaces = process.env.BIDQUILL_WINDOW_PLACES || path.join(root, 'build/bin/bidquill_window_places');
export const dataFile = (name) => path.join(here, 'data', name);
export const sample = path.join(root, 'data/sample/listing.ini');

const types = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.mjs': 'text/javascript',
  '.css': 'text/css', '.wasm': 'application/wasm', '.svg': 'image/svg+xml', '.png': 'image/png',
  '.webmanifest': 'application/manifest+json', '.tpf': 'application/octet-stream' };

// Serves the site; `requests` lists every path asked for.
export async function serve() {
  const requests = [];
  const referers = new Map();  // path -> the Referer it was asked with
  const server = createServer(async (req, res) => {
    const url = new URL(req.url, 'http://localhost');
    requests.push(url.pathname + url.search);
    if (req.headers.referer) referers.set(url.pathname, req.headers.referer);
    let file = path.normalize(path.join(site, decodeURIComponent(url.pathname)));
    if (!file.startsWith(site)) return res.writeHead(403).end();
    if (url.pathname.endsWith('/')) file = path.join(file, 'index.html');
    try {
      const body = await readFile(file);
      res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
      res.end(body);
    } catch {
      res.writeHead(404).end();
    }
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { url: `http://127.0.0.1:${server.address().port}/`, requests, referers,
    close: () => server.close() };
}

export async function launch() {
  return chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage'],
  });
}

// A fresh page with Bidquill started. `keepFiles: false` takes the File System Access API
// away, as in browsers without it.
export async function openApp(browser, server, { keepFiles = true, init, size } = {}) {
  const context = await browser.newContext({ viewport: size || { width: 1366, height: 768 }, acceptDownloads: true,
    serviceWorkers: 'block' });
  await context.grantPermissions(['clipboard-read', 'clipboard-write'], { origin: server.url });
  if (!keepFiles) {
    await context.addInitScript(() => { delete window.showOpenFilePicker; delete window.showSaveFilePicker; });
  }
  if (init) await context.addInitScript(init);
  const page = await context.newPage();
  const errors = [];
  // playwright's own service-worker blocker reads navigator.serviceWorker in every frame, and
  // the listing's sandboxed frames refuse it: that error is the tool's, not the page's.
  page.on('pageerror', (e) => {
    if (!/serviceWorker.*sandboxed/.test(e.message)) errors.push(e.message);
  });
  await page.goto(server.url);
  await page.waitForFunction(() => window.bidquillReady === true);
  return { context, page, errors };
}

// Runs the command-line driver; its standard output as bytes.
export function runCli(args, input) {
  const [command, ...rest] = args;
  return execFileSync(cli, [command, '--app-folder', path.dirname(cli), ...rest],
    { input, maxBuffer: 64 << 20, stdio: ['pipe', 'pipe', 'pipe'] });
}

// The folders the tests made, removed when they end (removeScratch).
const scratch = [];
export async function removeScratch() {
  await Promise.all(scratch.map((dir) => rm(dir, { recursive: true, force: true })));
}

// Where the desktop window, on a screen of `width` × `height` at scale 1, puts every control:
// name -> { x, y, width, height, within: [names of the widgets around it, innermost first] }.
export async function desktopPlaces(width, height) {
  const dir = await mkdtemp(path.join(tmpdir(), 'bidquill-web-'));
  scratch.push(dir);
  const screen = path.join(dir, 'screen.json');
  await writeFile(screen, JSON.stringify({ screens: [{ name: 'screen', x: 0, y: 0, width, height,
    logicalDpi: 96, logicalBaseDpi: 96, dpr: 1 }] }));
  const out = execFileSync(windowPlaces, [`${width}x${height}`], {
    // A runtime folder of its own: Qt would otherwise leave /tmp/runtime-USER behind.
    env: { ...process.env, XDG_RUNTIME_DIR: dir, QT_QPA_PLATFORM: `offscreen:configfile=${screen}`, QT_SCALE_FACTOR: '1',
      QTWEBENGINE_DISABLE_SANDBOX: '1', QTWEBENGINE_CHROMIUM_FLAGS: '--disable-gpu' },
    maxBuffer: 16 << 20, stdio: ['ignore', 'pipe', 'ignore'] });
  return JSON.parse(out.toString('utf8'));
}

export async function scratchCopy(file) {
  const dir = await mkdtemp(path.join(tmpdir(), 'bidquill-web-'));
  scratch.push(dir);
  const copy = path.join(dir, path.basename(file));
  await copyFile(file, copy);
  return copy;
}

// The page the main preview shows once it has caught up with the text (it loads only the
// newest page after the one loading); the preview adds a <base> of its own before it.
export async function waitForPreview(page, text) {
  const shown = await page.waitForFunction((t) => {
    // Through the prototype: a listing's <img name="documentElement"> shadows the property.
    const doc = document.getElementById('WBrowser').contentDocument;
    const root = doc && Object.getOwnPropertyDescriptor(Document.prototype, 'documentElement').get.call(doc);
    const html = root?.outerHTML ?? '';
    return html.includes(t) && html;
  }, text);
  return shown.jsonValue();
}

// A control's element by its name ("optYPack(5)" is no plain CSS id).
export const byId = (name) => `[id="${name}"]`;

// Opens a settings file as the seller does without the File System Access API.
export async function openWithInput(page, file) {
  const chooser = page.waitForEvent('filechooser');
  await page.click(byId('cmdOpen'));
  await (await chooser).setFiles(file);
  await page.waitForFunction((name) => document.title.startsWith(name), path.basename(file));
}
