// What a screen reader meets, checked by axe-core in chromium: the main page and the preview
// window, on a computer's screen and on a phone's, with no critical or serious violation.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { serve, launch, openApp, openWithInput, sample } from './harness.mjs';

const axe = readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');

let browser;
let server;
before(async () => {
  server = await serve();
  browser = await launch();
});
after(async () => {
  await browser.close();
  server.close();
});

// The serious and critical violations on the page as it stands, one line each.
async function violations(page) {
  if (!(await page.evaluate(() => 'axe' in window))) await page.evaluate(axe);
  const found = await page.evaluate(async () => {
    // The listing's own page is the seller's, not ours: its frame is left out.
    const result = await window.axe.run({ exclude: [['#WBrowser'], ['.preview-window iframe']] });
    return result.violations.filter((v) => v.impact === 'serious' || v.impact === 'critical')
      .map((v) => `${v.id}: ${v.nodes.slice(0, 5).map((n) => n.target.join(' ')).join(', ')}` +
        (v.nodes.length > 5 ? ` (+${v.nodes.length - 5})` : ''));
  });
  return found;
}

for (const size of [{ width: 1366, height: 768 }, { width: 375, height: 667 }]) {
  test(`no serious accessibility fault at ${size.width} px: the window and the preview window`, async () => {
    const { page, context } = await openApp(browser, server, { size, keepFiles: false });
    await openWithInput(page, sample);
    assert.deepEqual(await violations(page), [], 'the main page');
    await page.click('#cmdPreview');
    await page.locator('#dlgMessage button').click();
    await page.locator('#frmWeb').waitFor();
    assert.deepEqual(await violations(page), [], 'the preview window');
    await context.close();
  });
}
