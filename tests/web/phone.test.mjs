// Pages on a phone, measured by the real thing. Chromium lays each page out as a phone does
// (isMobile, width=device-width) at the phone widths in common use: a fitted page stacks each
// title above its body, uses the screen's width and scrolls nowhere sideways; on a computer it
// keeps its titles beside the bodies. At 320 px, the narrowest phone, the listing checks must
// say 「スマートフォンの画面…」 exactly when chromium scrolls sideways.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readdirSync, readFileSync } from 'node:fs';
import path from 'node:path';
import { launch, runCli, sample, cli, root } from './harness.mjs';

const phones = [320, 360, 375, 390, 414, 430];
const designs = readdirSync(path.join(path.dirname(cli), 'data/designs')).filter((f) => f.endsWith('.ini'));
// A 1200×900 photo, given a width, a height, both or neither.
const photo = 'data:image/svg+xml,' + encodeURIComponent(
  '<svg xmlns="http://www.w3.org/2000/svg" width="1200" height="900"><rect width="1200" height="900" fill="teal"/></svg>');
const pictures = ['', 'width=1200', 'height=600', 'width=600 height=450']
  .map((size) => `<img class=photo src='${photo}' ${size}>`).join('<br>');

const phoneLayout = readFileSync(new URL('phone_layout.js', import.meta.url), 'utf8');
const run = (script, what) => runCli(['run', '-'], `${script}\nprint ${what}\n`).toString('utf8');

let browser;
before(async () => { browser = await launch(); });
after(async () => browser?.close());

async function lay(html, width, { strip = false } = {}) {
  const context = await browser.newContext({ viewport: { width, height: 800 }, isMobile: width < 600,
    hasTouch: width < 600, deviceScaleFactor: 2 });
  const page = await context.newPage();
  await page.setContent('<!DOCTYPE html><html><head><meta charset="utf-8">' +
    `<meta name="viewport" content="width=device-width"></head><body>${html}</body></html>`);
  if (strip) await page.evaluate(() => document.querySelectorAll('[style]').forEach((e) => e.removeAttribute('style')));
  await page.evaluate(() => Promise.all([...document.images].map((i) => i.decode().catch(() => {}))));
  const laid = await page.evaluate(`(${phoneLayout})(document, ${width})`);
  await context.close();
  return laid;
}

const listings = { 'the sample listing': `open ${sample}` };
for (const d of designs) listings[`the sample in ${d}`] = `open ${sample}\nopen-design ${path.join(path.dirname(cli), "data/designs", d)}`;

for (const [name, script] of Object.entries(listings)) {
  test(`${name}: stacked on every phone, side by side on a computer`, async () => {
    const html = run(script, 'txtTag');
    for (const width of [...phones, 1366]) {
      const laid = await lay(html, width);
      assert.deepEqual(laid.faults, [], name);
      assert.ok(laid.rows.length >= 5, `${name} at ${width}: the sections' table`);
    }
    // A site that removes every style attribute still leaves a page a phone can show.
    assert.ok((await lay(html, 375, { strip: true })).scroll <= 375, `${name} without styles`);
  });
}

test('pictures take the screen\'s width at most and keep their shape, with a width, a height, both or neither', async () => {
  const html = run(`open ${sample}\ntype txtEdit2 "${pictures}"`, 'txtTag');
  for (const width of [...phones, 1366]) {
    const laid = await lay(html, width);
    assert.equal(laid.photos.length, 4);
    assert.deepEqual(laid.faults, []);
  }
});

// name → the script that makes the page, and whether a 320-px phone must scroll sideways.
const long = 'とても長い見出しの例です、折り返しません、本当に長い見出しです';
const ascii = 'abcdefghij'.repeat(6);
const cases = {
  'fixed 750 (a new listing)': ['', true],
  'fixed 300': ['type txtWidth 300', false],
  'fixed 330': ['type txtWidth 330', true],
  'fixed 300, a long title that may not wrap': [`type txtWidth 300\ntype txtTitle1 "${long}"`, true],
  'fixed 300, a title column 290 wide': ['type txtWidth 300\ntype txtTW 290', false],
  'fitted, title and shipping name columns 400 wide': ['click chkFit\ntype txtTW 400\nclick chkSend1\ntype txtSendW 400', false],
  'fixed 300, a 120-character address': [`type txtWidth 300\ntype txtEdit3 "https://example.com/${'a'.repeat(100)}"`, true],
  fitted: ['click chkFit', false],
  'fitted, a long title': [`click chkFit\ntype txtTitle1 "${long}"`, false],
  'fitted, a 120-character address': [`click chkFit\ntype txtEdit3 "https://example.com/${'a'.repeat(100)}"`, false],
  'fitted, a 1200-px picture': [`click chkFit\ntype txtEdit2 "<img src=a.png width=1200 height=900>"`, false],
  'fitted, a picture with a minimum width': [`click chkFit\ntype txtEdit2 "<img src=a.png style=\\"min-width:500px\\">"`, true],
  'fitted, a table 600 wide': ['click chkFit\ntype txtEdit2 "<table width=600><tr><td>表</td></tr></table>"', true],
  'fitted, a table 280 wide': ['click chkFit\ntype txtEdit2 "<table width=280><tr><td>表</td></tr></table>"', false],
  'fitted, a table 700 wide whose style says 100%': ['click chkFit\ntype txtEdit2 "<table width=700 style=\\"width:100%\\"><tr><td>表</td></tr></table>"', false],
  'fitted, a table 100 wide whose style says 600px': ['click chkFit\ntype txtEdit2 "<table width=100 style=\\"width:600px\\"><tr><td>表</td></tr></table>"', true],
  'fitted, a long <pre> line': [`click chkFit\ntype txtEdit2 "<pre>${ascii}</pre>"`, true],
  'fitted, short <pre> lines': ['click chkFit\ntype txtEdit2 "<pre>一行目\\n二行目</pre>"', false],
  'fitted, <nobr>': [`click chkFit\ntype txtEdit2 "<nobr>${long}</nobr>"`, true],
  'fitted, white-space:nowrap': [`click chkFit\ntype txtEdit2 "<span style=\\"white-space:nowrap\\">${long}</span>"`, true],
  'fitted, a width of 40em': ['click chkFit\ntype txtEdit2 "<div style=\\"width:40em\\">枠</div>"', true],
  'fitted, a width of 15em': ['click chkFit\ntype txtEdit2 "<div style=\\"width:15em\\">枠</div>"', false],
  'fitted, a width of 30rem': ['click chkFit\ntype txtEdit2 "<div style=\\"width:30rem\\">枠</div>"', true],
  'fitted, a width of 150%': ['click chkFit\ntype txtEdit2 "<div style=\\"width:150%\\">枠</div>"', true],
  'fitted, a width of 100%': ['click chkFit\ntype txtEdit2 "<div style=\\"width:100%\\">枠</div>"', false],
  'fitted, a pasted table of nowrap cells': ['click chkFit\ntype txtEdit2 "<table border=1><tr><td nowrap>サイズ（縦×横×高さ）</td><td nowrap>24cm × 15cm × 18cm（箱を含む）</td></tr></table>"', true],
  'fitted, a pasted table that wraps': ['click chkFit\ntype txtEdit2 "<table border=1><tr><td>サイズ（縦×横×高さ）</td><td>24cm × 15cm × 18cm（箱を含む）</td></tr></table>"', false],
  'fitted, a pasted table of three short nowrap columns': ['click chkFit\ntype txtEdit2 "<table><tr><td nowrap>色</td><td nowrap>赤</td><td nowrap>在庫あり</td></tr></table>"', false],
  'the sample listing': [`open ${sample}`, false],
  'the sample, fixed again': [`open ${sample}\nclick chkFit`, true],
  'fitted, every shipping row ticked': ['click chkFit\n' +
    Array.from({ length: 12 }, (_, i) => `click chkSend${i + 1}` + (i === 2 ? '' : `\ntype txtMoney${i + 1} "全国一律 1,000円"`)).join('\n'), false],
};
for (const d of designs) cases[`the sample in ${d}`] = [`open ${sample}\nopen-design ${path.join(path.dirname(cli), "data/designs", d)}`, false];

test('the phone check speaks exactly when a 320-px phone scrolls sideways', async () => {
  const wrong = [];
  for (const [name, [script, wide]] of Object.entries(cases)) {
    const laid = await lay(run(script, 'txtTag'), 320);
    const checks = run(script, 'checks');
    const said = checks.includes('スマートフォンの画面（幅320）より広くなります');
    if (laid.scroll > 320 !== wide || said !== wide) wrong.push(`${name}: ${laid.scroll} px wide; ${checks}`);
  }
  assert.deepEqual(wrong, []);
});

test('the guide reads on a phone: nothing in it scrolls sideways', async () => {
  for (const width of [320, 375]) {
    const context = await browser.newContext({ viewport: { width, height: 800 }, isMobile: true, hasTouch: true });
    const page = await context.newPage();
    await page.goto('file://' + path.join(root, 'docs/guide.html'));
    const wide = await page.evaluate(() => document.documentElement.scrollWidth);
    await context.close();
    assert.ok(wide <= width, `the guide is ${wide} px wide at ${width}`);
  }
});
