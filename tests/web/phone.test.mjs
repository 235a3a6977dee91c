// Pages on a phone, measured by the real thing: chromium lays each page out as a phone does
// (375 × 667, width=device-width), and the listing checks must say 「スマートフォンの画面…」
// exactly when the page is wider than the screen and the buyer would scroll sideways.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readdirSync } from 'node:fs';
import path from 'node:path';
import { launch, runCli, sample, cli } from './harness.mjs';

const address = 'https://example.com/' + 'a'.repeat(100);
const longTitle = 'とても長い見出しの例です、折り返しません、本当に長い見出しです';
const picture = '写真<img src=item.png width=600 height=400>';
const designs = readdirSync(path.join(path.dirname(cli), 'data/designs')).filter((f) => f.endsWith('.ini'));

// name → the script that makes the page, and whether the phone must scroll.
const cases = {
  'fixed 750 (a new listing)': ['', true],
  'fixed 360': ['type txtWidth 360', false],
  'fixed 368': ['type txtWidth 368', true],
  fitted: ['click chkFit', false],
  'fitted, a 600-px picture': [`click chkFit\ntype txtEdit2 "${picture}"`, false],
  'fixed 300, a 600-px picture': [`type txtWidth 300\ntype txtEdit2 "${picture}"`, true],
  'fitted, a 120-character address': [`click chkFit\ntype txtEdit3 "${address}"`, false],
  'fixed 300, a 120-character address': [`type txtWidth 300\ntype txtEdit3 "${address}"`, true],
  'fitted, a long title that may not wrap': [`click chkFit\ntype txtTitle1 "${longTitle}"`, false],
  'fixed 300, a long title that may not wrap': [`type txtWidth 300\ntype txtTitle1 "${longTitle}"`, true],
  'fitted, a table 600 wide in a body': [`click chkFit\ntype txtEdit2 "<table width=600><tr><td>表</td></tr></table>"`, true],
  'the sample listing': [`open ${sample}`, false],
  'the sample, fixed again': [`open ${sample}\nclick chkFit`, true],
  'fitted, every shipping row ticked': ['click chkFit\n' +
    Array.from({ length: 12 }, (_, i) => `click chkSend${i + 1}` + (i === 2 ? '' : `\ntype txtMoney${i + 1} "全国一律 1,000円"`)).join('\n'), false],
};
for (const d of designs) cases[`the sample in ${d}`] = [`open ${sample}\nopen-design data/designs/${d}`, false];

let browser;
let page;
before(async () => {
  browser = await launch();
  const context = await browser.newContext({ viewport: { width: 375, height: 667 }, isMobile: true,
    hasTouch: true, deviceScaleFactor: 2 });
  page = await context.newPage();
});
after(async () => browser?.close());

for (const [name, [script, wide]] of Object.entries(cases)) {
  test(name, async () => {
    const run = (what) => runCli(['run', '-'], `${script}\nprint ${what}\n`).toString('utf8');
    const html = run('txtTag');
    const checks = run('checks');
    await page.setContent('<!DOCTYPE html><html><head><meta charset="utf-8">' +
      `<meta name="viewport" content="width=device-width"></head><body>${html}</body></html>`);
    const width = await page.evaluate(() => document.documentElement.scrollWidth);
    assert.equal(width > 375, wide, `chromium lays the page out ${width} px wide`);
    assert.equal(checks.includes('スマートフォンの画面（幅375）より広くなります'), wide, checks);
  });
}
