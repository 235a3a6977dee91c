// The browser edition's speed in Debian's chromium, from a local server: first paint and the
// start-up to a usable window (fresh browser profile each time), the size of the engine, and one
// edit of a typical listing to the updated preview. Prints figures; asserts nothing.
//   node bench/web_figures.mjs        (after scripts/web.sh --no-serve and npm ci in tests/web)
import { readFileSync } from 'node:fs';
import { gzipSync } from 'node:zlib';
import path from 'node:path';
import { serve, launch, openApp, openWithInput, sample, site } from '../tests/web/harness.mjs';

const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const p95 = (xs) => [...xs].sort((a, b) => a - b)[Math.min(xs.length - 1, Math.floor(xs.length * 0.95))];
const ms = (x) => `${x.toFixed(1)} ms`;

const wasm = readFileSync(path.join(site, 'bidquill.wasm'));
const js = readFileSync(path.join(site, 'bidquill.mjs'));
console.log(`bidquill.wasm: ${wasm.length} bytes, ${gzipSync(wasm, { level: 9 }).length} gzip-compressed`);
console.log(`bidquill.mjs:  ${js.length} bytes, ${gzipSync(js, { level: 9 }).length} gzip-compressed`);

const server = await serve();
const browser = await launch();

const paints = [];
const ready = [];
for (let i = 0; i < 5; i++) {
  const { page, context } = await openApp(browser, server);
  const t = await page.evaluate(() => ({
    fcp: performance.getEntriesByName('first-contentful-paint')[0]?.startTime ?? NaN,
    ready: performance.now(),
  }));
  const r = await page.evaluate(() => window.bidquillStarted);
  paints.push(t.fcp);
  ready.push(r);
  await context.close();
}
console.log(`first contentful paint: median ${ms(median(paints))} (${paints.map((x) => x.toFixed(0)).join(', ')})`);
console.log(`window usable with its first preview: median ${ms(median(ready))} (${ready.map((x) => x.toFixed(0)).join(', ')})`);

const { page, context } = await openApp(browser, server, { keepFiles: false });
await openWithInput(page, sample);
const edits = await page.evaluate(async () => {
  const box = document.getElementById('txtEdit3');
  const frame = document.getElementById('WBrowser');
  const root = Object.getOwnPropertyDescriptor(Document.prototype, 'documentElement').get;
  const inFrame = (mark) => root.call(frame.contentDocument).innerHTML.includes(mark);
  const nextFrame = () => new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0)));
  const engine = [];
  const loaded = [];
  const painted = [];
  for (let i = 0; i < 60; i++) {
    const mark = `印${i}号`;
    const t0 = performance.now();
    box.value += mark;
    box.dispatchEvent(new InputEvent('input', { inputType: 'insertText' }));
    const t1 = performance.now();
    while (!inFrame(mark)) await new Promise((resolve) => requestAnimationFrame(resolve));
    const t2 = performance.now();
    await nextFrame();
    const t3 = performance.now();
    engine.push(t1 - t0);
    loaded.push(t2 - t0);
    painted.push(t3 - t0);
    await new Promise((resolve) => setTimeout(resolve, 30));
  }
  return { engine, loaded, painted };
});
for (const [name, xs] of [['engine (the action, its page, the page put into the frame)', edits.engine],
  ['edit to page in the frame', edits.loaded], ['edit to preview painted', edits.painted]]) {
  const warm = xs.slice(5);
  console.log(`${name}: median ${ms(median(warm))}, p95 ${ms(p95(warm))}`);
}
// What the browser itself takes to show any page in such a frame: an empty one, no engine.
const floor = await page.evaluate(async () => {
  const f = document.createElement('iframe');
  f.setAttribute('sandbox', '');
  f.style.cssText = 'position:fixed;left:0;top:0;width:800px;height:400px';
  document.body.append(f);
  const xs = [];
  for (let i = 0; i < 40; i++) {
    const shown = new Promise((resolve) => f.addEventListener('load', resolve, { once: true }));
    const t0 = performance.now();
    f.srcdoc = `<p>${i}</p>`;
    await shown;
    xs.push(performance.now() - t0);
  }
  f.remove();
  return xs.slice(5);
});
console.log(`the browser alone, an empty page into a sandboxed frame: median ${ms(median(floor))}, p95 ${ms(p95(floor))}`);
await context.close();
await browser.close();
server.close();
