// The browser edition's speed in Debian's chromium, from a local server: first paint and the
// start-up to a usable window (fresh browser profile each time), the size of the engine, and one
// key at three body lengths against the platform's floors. Prints figures; fails when it did not
// measure what it names.
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

// A key into 欄1's body of the sample listing at three lengths, beside the floors of the same
// run: a plain textarea holding the same text (the key's own cost), and a same-origin frame
// showing the same body whose last text node gets the key (what any preview costs). Each is timed
// from the key's event to the next painted frame after its change is in place. The goal:
// Bidquill within the textarea's floor plus 1.5 times the frame's floor. It checks that it
// measured what it names: the boxes hold the text and every key, and the preview shows them.
const { page, context } = await openApp(browser, server, { keepFiles: false });
await openWithInput(page, sample);
await page.evaluate(() => {
  // Resolves with the time from the next key's input event to the frame painted after `doc`
  // (or, without one, the box itself) has changed. The change is watched from before the key,
  // since the app's own listener may make it before any other.
  window.timeNextKey = (box, doc) => new Promise((resolve, reject) => {
    setTimeout(() => reject(new Error(`nothing changed after a key into ${box.id || box.tagName}`)), 5000);
    let t0 = null;
    let changed = !doc;
    const painted = () => requestAnimationFrame(() => setTimeout(() => resolve(performance.now() - t0), 0));
    const seen = doc && new MutationObserver(() => {
      seen.disconnect();
      changed = true;
      if (t0 !== null) painted();
    });
    seen?.observe(doc, { subtree: true, childList: true, characterData: true });
    window.addEventListener('input', (e) => {
      t0 = e.timeStamp;
      if (changed) painted();
    }, { capture: true, once: true });
  });
  // The text node holding the body's end, where the keys land.
  window.endOf = (doc) => {
    const walk = doc.createTreeWalker(doc.body, NodeFilter.SHOW_TEXT);
    let last = null;
    for (let n = walk.nextNode(); n; n = walk.nextNode()) if (n.data.includes('最後の行')) last = n;
    return last;
  };
  window.floors = (text, html, width) => {
    const area = document.createElement('textarea');
    area.style.cssText = 'position:fixed;left:0;top:0;width:600px;height:300px;z-index:99';
    area.value = text;
    const frame = document.createElement('iframe');
    frame.style.cssText = `position:fixed;left:0;top:0;width:${width}px;height:600px;z-index:99`;
    const key = document.createElement('input');  // takes the keys that change the frame
    key.style.cssText = 'position:fixed;left:0;top:320px;width:100px;z-index:99';
    document.body.append(area, frame, key);
    // The same page, its body's end in view.
    const doc = frame.contentDocument;
    doc.open();
    doc.write(html);
    doc.close();
    window.endOf(doc).parentNode.scrollIntoView({ block: 'center' });
    return { area, frame, key };
  };
});
const bodyOf = (bytes) => {
  let s = '';
  while (Buffer.byteLength(s) < bytes) s += '長い説明文です。状態は良好です。<BR>\n';
  return `${s}最後の行`;
};
const KEYS = 30;
const cell = (xs) => `${median(xs).toFixed(1).padStart(6)} ms (p95 ${p95(xs).toFixed(1).padStart(6)})`;
console.log(`${'body'.padEnd(8)} ${'textarea'.padEnd(22)} ${'frame, same page'.padEnd(22)} ${'Bidquill'.padEnd(22)} Bidquill - textarea`);
let shortExtra = 0;
for (const bytes of [60, 20 * 1024, 100 * 1024]) {
  const text = bodyOf(bytes);
  const times = async (focus, after) => {
    const xs = [];
    for (let k = 0; k < KEYS; k++) {
      const measured = page.evaluate(after);
      await page.evaluate(focus);
      await page.keyboard.insertText('あ');
      const t = await measured;
      if (k >= 5) xs.push(t);
      await page.waitForTimeout(100);
    }
    return xs;
  };
  await page.fill('#txtEdit1', text);
  await page.waitForTimeout(1500);
  await page.evaluate((t) => {
    const shown = document.getElementById('WBrowser');
    window.floor = window.floors(t, `<!DOCTYPE html>${shown.contentDocument.documentElement.outerHTML}`, shown.clientWidth);
  }, text);
  await page.waitForTimeout(500);
  const area = await times(() => { const a = window.floor.area; a.focus(); a.setSelectionRange(a.value.length, a.value.length); },
    () => window.timeNextKey(window.floor.area, null));
  if (await page.evaluate(() => window.floor.area.value.length) !== text.length + KEYS) throw new Error('the textarea did not take every key');
  const frame = await times(() => window.floor.key.focus(), () => {
    const doc = window.floor.frame.contentDocument;
    const measured = window.timeNextKey(window.floor.key, doc);
    window.floor.key.addEventListener('input', () => window.endOf(doc).appendData('あ'), { once: true });
    return measured;
  });
  if (!(await page.evaluate(() => window.endOf(window.floor.frame.contentDocument).data)).endsWith('あ'.repeat(KEYS))) {
    throw new Error('the frame did not take every change');
  }
  await page.evaluate(() => {
    Object.values(window.floor).forEach((e) => e.remove());
    window.endOf(document.getElementById('WBrowser').contentDocument).parentNode.scrollIntoView({ block: 'center' });
  });
  await page.waitForTimeout(300);
  const ours = await times(() => { const b = document.getElementById('txtEdit1'); b.focus(); b.setSelectionRange(b.value.length, b.value.length); },
    () => window.timeNextKey(document.getElementById('txtEdit1'), document.getElementById('WBrowser').contentDocument));
  await page.waitForTimeout(500);
  const shown = await page.evaluate(() => document.getElementById('WBrowser').contentDocument.body.textContent);
  if (!shown.includes('あ'.repeat(KEYS))) throw new Error('the preview does not show every key');
  const extra = median(ours) - median(area);
  if (bytes < 1024) shortExtra = extra;
  const goal = median(area) + 1.5 * median(frame);
  console.log(`${(bytes < 1024 ? 'short' : `${bytes / 1024} KB`).padEnd(8)} ${cell(area)} ${cell(frame)} ${cell(ours)} ` +
    `${extra.toFixed(1)} ms = ${(extra / shortExtra).toFixed(2)} x short (${median(ours) <= goal ? 'met' : 'NOT met'}: ${goal.toFixed(1)} ms; ` +
    `beyond both floors ${(extra - median(frame)).toFixed(1)} ms)`);
}
await context.close();
await browser.close();
server.close();
