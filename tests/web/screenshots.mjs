// Pictures of the browser edition as a seller sees it, with the sample listing open: the
// window at 1366x768, at 150 % zoom, at 1000x600 and on a phone (375x667), the preview
// window and the question before opening.
//   node tests/web/screenshots.mjs DIR
import path from 'node:path';
import { mkdirSync } from 'node:fs';
import { serve, launch, openWithInput, sample } from './harness.mjs';

const dir = process.argv[2] || 'screenshots';
mkdirSync(dir, { recursive: true });
const server = await serve();
const browser = await launch();
for (const [name, width, height, scale] of [['web-main', 1366, 768, 1], ['web-main-150', 910, 512, 1.5],
  ['web-main-1000', 1000, 600, 1], ['web-phone', 375, 667, 2]]) {
  const context = await browser.newContext({ viewport: { width, height }, deviceScaleFactor: scale,
    serviceWorkers: 'block' });
  await context.addInitScript(() => { delete window.showOpenFilePicker; delete window.showSaveFilePicker; });
  const page = await context.newPage();
  await page.goto(server.url);
  await page.waitForFunction(() => window.bidquillReady === true);
  await openWithInput(page, sample);
  await page.waitForTimeout(300);
  await page.screenshot({ path: path.join(dir, `${name}.png`) });
  if (name === 'web-main') {
    await page.click('#cmdPreview');
    await page.locator('#dlgMessage').waitFor();
    await page.waitForTimeout(300);
    await page.screenshot({ path: path.join(dir, 'web-copied.png') });
    await page.locator('#dlgMessage button').click();
    await page.waitForTimeout(300);
    await page.screenshot({ path: path.join(dir, 'web-preview.png') });
    await page.locator('#frmWeb .close').click();
    await page.fill('#txtTitle2', '変更した見出し');
    await page.click('#cmdOpen');
    await page.locator('#dlgQuestion').waitFor();
    await page.screenshot({ path: path.join(dir, 'web-question.png') });
    await page.locator('#dlgQuestion').getByText('キャンセル').click();
    await page.click('#cmdT2BC');
    await page.locator('#dlgColour').waitFor();
    await page.screenshot({ path: path.join(dir, 'web-colour.png') });
  }
  await context.close();
}
await browser.close();
server.close();
