// What a screen reader meets, checked by axe-core in chromium: the main page and every dialog
// (the preview window, the gallery, the batch mapping and its summary), on a computer's screen
// and on a phone's, with no critical or serious violation.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { serve, launch, openApp, openWithInput, sample, root } from './harness.mjs';

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
    const result = await window.axe.run({
      exclude: [['#WBrowser'], ['.preview-window iframe'], ['iframe.design-sample']],
    });
    return result.violations.filter((v) => v.impact === 'serious' || v.impact === 'critical')
      .map((v) => `${v.id}: ${v.nodes.slice(0, 5).map((n) => n.target.join(' ')).join(', ')}` +
        (v.nodes.length > 5 ? ` (+${v.nodes.length - 5})` : ''));
  });
  return found;
}

for (const size of [{ width: 1366, height: 768 }, { width: 375, height: 667 }]) {
  test(`no serious accessibility fault at ${size.width} px: the window and every dialog`, async () => {
    const { page, context } = await openApp(browser, server, { size, keepFiles: false });
    await openWithInput(page, sample);
    assert.deepEqual(await violations(page), [], 'the main page');
    await page.click('#cmdPreview');
    await page.locator('#dlgMessage button').click();
    await page.locator('#frmWeb').waitFor();
    assert.deepEqual(await violations(page), [], 'the preview window');
    await page.keyboard.press('Escape');
    await page.locator('#frmWeb').waitFor({ state: 'hidden' });

    await page.click('#cmdGallery');
    await page.locator('#dlgGallery .design-card').first().waitFor();
    assert.deepEqual(await violations(page), [], 'the gallery');
    await page.keyboard.press('Escape');
    await page.locator('#dlgGallery').waitFor({ state: 'hidden' });

    const chooser = page.waitForEvent('filechooser');
    await page.click('#cmdBatch');
    await (await chooser).setFiles(path.join(root, 'tests/data/spreadsheets/excel-cp932.csv'));
    await page.locator('select[data-column="1"]').waitFor();
    assert.deepEqual(await violations(page), [], 'the batch mapping');
    await page.selectOption('select[data-column="3"]', '欄2 本文');
    await page.click('#cmdBatchMake');
    await page.locator('#lblBatchSummary').waitFor();
    assert.deepEqual(await violations(page), [], 'the batch summary');
    await context.close();
  });
}

test('tabs go by the arrow keys with one Tab stop, and a focused preview shows its ring', async () => {
  const { page, context, errors } = await openApp(browser, server, { keepFiles: false });
  const selected = (list) => page.locator(`${list} [role=tab][aria-selected=true]`).innerText();
  const first = page.locator('#SSTab1 [role=tab]').first();
  await first.focus();
  await page.keyboard.press('ArrowRight');
  const second = await selected('#SSTab1');
  assert.notEqual(second, await first.innerText());
  assert.equal(await page.evaluate(() => document.activeElement.innerText), second);
  await page.keyboard.press('Home');
  assert.equal(await selected('#SSTab1'), await first.innerText());
  assert.equal(await page.locator('#SSTab1 [role=tab][tabindex="0"]').count(), 1);

  await page.click('#cmdPreview');
  await page.locator('#dlgMessage button').click();
  await page.locator('#frmWeb').waitFor();
  await page.locator('#frmWeb [role=tab]').first().focus();
  await page.keyboard.press('ArrowLeft');  // round to the last
  assert.equal(await selected('#frmWeb'), 'HTMLタグ');
  assert.ok(await page.locator('#rtxtTag').isVisible());
  await page.keyboard.press('ArrowRight');
  assert.equal(await selected('#frmWeb'), 'プレビュー');
  await page.locator('#frmWebBrowser').focus();
  assert.equal(await page.locator('#frmWeb .preview-scroll').evaluate((e) => getComputedStyle(e).outlineStyle), 'solid');
  assert.deepEqual(errors, []);
  await context.close();
});
