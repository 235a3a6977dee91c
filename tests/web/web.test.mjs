// The browser edition in a real browser: the same engine must give the same page, the same
// settings bytes and the same zone prices as the command-line driver, and the preview must run
// nothing the listing carries.
import { test as nodeTest, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFile, writeFile } from 'node:fs/promises';
import path from 'node:path';
import { serve, launch, openApp, runCli, scratchCopy, removeScratch, waitForPreview, byId, openWithInput,
  dataFile, sample, root, site, desktopPlaces } from './harness.mjs';

// Each test's own limit (Debian 12's node has no --test-timeout).
const test = (name, fn) => nodeTest(name, { timeout: 120_000 }, fn);

let server;
let browser;
before(async () => {
  server = await serve();
  browser = await launch();
});
after(async () => {
  await browser?.close();
  server?.close();
  await removeScratch();
});

// Rows and places from rectangles: within each section, group, tab page and the tool strip,
// controls whose heights overlap share a row (rows counted from the top) and stand in it in
// order from the left. Computed the same way for both front ends from what each one drew.
function rowsAndPlaces(rects, containers) {
  const byContainer = new Map();
  for (const [name, r] of Object.entries(rects)) {
    const c = r.within.find((w) => containers.has(w)) ?? 'the window';
    if (!byContainer.has(c)) byContainer.set(c, []);
    byContainer.get(c).push({ name, ...r });
  }
  const places = {};
  for (const [c, items] of byContainer) {
    items.sort((a, b) => a.y - b.y || a.x - b.x);
    const rows = [];
    for (const item of items) {
      const last = rows.at(-1);
      if (last && item.y < last.bottom - 2) {
        last.items.push(item);
        last.bottom = Math.max(last.bottom, item.y + item.height);
      } else {
        rows.push({ bottom: item.y + item.height, items: [item] });
      }
    }
    rows.forEach((row, i) => row.items.sort((a, b) => a.x - b.x).forEach((item, k) => {
      places[item.name] = `${c}, row ${i + 1}, place ${k + 1}`;
    }));
  }
  return places;
}

test('every control stands where the desktop window puts it, and the window is the engine\'s', async () => {
  const { page, context, errors } = await openApp(browser, server, { size: { width: 1600, height: 1000 } });
  const description = await page.evaluate(() => window.bidquill.windowDescription);
  const named = [];
  const containers = new Set();
  const walk = (p) => {
    if (['control', 'command'].includes(p.kind)) named.push(p.name);
    if (['card', 'group', 'page', 'strip'].includes(p.kind)) containers.add(p.name);
    (p.parts || []).forEach(walk);
  };
  walk(description.toolStrip);
  walk(description.editingArea);
  // Every control the engine shows is in the description, and each once in the page.
  const shown = await page.evaluate(() => [...window.bidquill.binder.controls.values()]
    .filter((s) => s.visible && s.kind !== 'holder' && s.kind !== 'updown').map((s) => s.name));
  assert.deepEqual(shown.filter((n) => !named.includes(n)), []);
  const counts = await page.evaluate((names) => names.filter((n) =>
    document.querySelectorAll(`[id="${n}"]`).length !== 1), named);
  assert.deepEqual(counts, []);

  const web = {};
  for (const tab of await page.locator('#SSTab1 [role=tab]').all()) {
    await tab.click();
    Object.assign(web, await page.evaluate(([names]) => {
      const out = {};
      for (const name of names) {
        const e = document.getElementById(name);
        if (!e || !e.getClientRects().length) continue;
        const r = e.getBoundingClientRect();
        const within = [];
        for (let p = e.parentElement; p; p = p.parentElement) if (p.id) within.push(p.id);
        out[name] = { x: r.left, y: r.top, width: r.width, height: r.height, within };
      }
      return out;
    }, [named]));
  }
  const desktop = await desktopPlaces(1600, 1000);
  assert.deepEqual(Object.keys(desktop).sort(), Object.keys(web).sort());
  const there = rowsAndPlaces(desktop, containers);
  const here = rowsAndPlaces(web, containers);
  const differ = named.filter((n) => there[n] !== here[n]).map((n) => `${n}: ${there[n]} / ${here[n]}`);
  assert.deepEqual(differ, []);

  // The Yu-Pack row's hint stands where the engine prices the row by zone, and nowhere else.
  const hinted = await page.locator('[placeholder="（地域別料金）"]').evaluateAll((es) => es.map((e) => e.id));
  const priced = await page.locator('[id^="txtMoney"]').evaluateAll((es) =>
    es.filter((e) => e.readOnly).map((e) => e.id));  // the engine makes that box read-only
  assert.deepEqual(hinted, priced);
  assert.equal(priced.length, 1);
  assert.equal(await page.title(), '無題 — Bidquill');
  assert.deepEqual(errors, []);
  await context.close();
});

test('typing in a body updates the preview, and Enter adds the line-break tag', async () => {
  const { page, context } = await openApp(browser, server);
  await page.click('#txtEdit1');
  await page.keyboard.type('桐の小物入れ');
  await waitForPreview(page, '桐の小物入れ');
  await page.keyboard.press('Enter');
  await page.keyboard.type('三段');
  assert.equal(await page.inputValue('#txtEdit1'), '桐の小物入れ<BR>\n三段');
  await waitForPreview(page, '桐の小物入れ<br>\n三段');
  // The seller sees it in the frame itself.
  await page.frameLocator('#WBrowser').getByText('三段').waitFor();
  assert.equal(await page.title(), '無題* — Bidquill');
  await context.close();
});

test('the copied HTML equals the command line\'s page, byte for byte', async () => {
  for (const file of [sample, dataFile('windows.ini')]) {
    const { page, context } = await openApp(browser, server, { keepFiles: false });
    await openWithInput(page, file);
    await page.click('#cmdPreview');
    await page.locator('#dlgMessage').getByText('HTMLタグをクリップボードにコピーしました。').waitFor();
    const copied = await page.evaluate(() => navigator.clipboard.readText());
    assert.ok(Buffer.from(copied, 'utf8').equals(runCli(['render', file])), path.basename(file));
    // The preview window shows the same page in the mock-up and in its HTML tab.
    assert.equal(await page.inputValue('#rtxtTag'), copied);
    await context.close();
  }
});

test('open then save gives the bytes the command line writes (download and kept file)', async () => {
  const windows = dataFile('windows.ini');
  const expected = await scratchCopy(windows);
  runCli(['run', '-'], `dialog file ${expected}\nclick cmdOpen\nsave\n`);
  const want = await readFile(expected);

  // Without the File System Access API: the file is downloaded.
  {
    const { page, context } = await openApp(browser, server, { keepFiles: false });
    await openWithInput(page, windows);
    const download = page.waitForEvent('download');
    await page.keyboard.press('Control+s');
    const d = await download;
    assert.equal(d.suggestedFilename(), 'windows.ini');
    assert.ok((await readFile(await d.path())).equals(want));
    assert.equal(await page.title(), 'windows.ini — Bidquill');
    await context.close();
  }
  // With it: 保存 writes into the file that was opened.
  {
    const original = await readFile(windows);
    const { page, context } = await openApp(browser, server, {
      // An in-memory file behind the File System Access API's pickers.
      init: () => {
        const file = { name: 'windows.ini', data: new Uint8Array(), writes: 0 };
        window.testFile = file;
        const handle = {
          name: file.name, kind: 'file',
          getFile: async () => new File([file.data], file.name),
          createWritable: async () => ({
            chunks: [],
            async write(b) { this.chunks.push(new Uint8Array(b)); },
            async close() {
              file.data = new Uint8Array(await new Blob(this.chunks).arrayBuffer());
              file.writes++;
            },
          }),
        };
        window.showOpenFilePicker = async () => [handle];
        window.showSaveFilePicker = async () => handle;
      },
    });
    await page.evaluate((b) => { window.testFile.data = new Uint8Array(b); }, [...original]);
    await page.click('#cmdOpen');
    await page.waitForFunction(() => document.title === 'windows.ini — Bidquill');
    await page.keyboard.press('Control+s');
    await page.waitForFunction(() => window.testFile.writes === 1);
    const written = await page.evaluate(() => [...window.testFile.data]);
    assert.ok(Buffer.from(written).equals(want));
    await context.close();
  }
});

test('a text outside code page 932 is saved as UTF-16, as the command line saves it', async () => {
  const out = path.join(path.dirname(await scratchCopy(sample)), '無題.ini');
  runCli(['run', '-'], `type txtEdit3 "傷なし 😀"\ndialog file ${out}\nclick cmdSave\n`);
  const { page, context } = await openApp(browser, server, { keepFiles: false });
  await page.click('#txtEdit3');
  await page.keyboard.insertText('傷なし 😀');
  const download = page.waitForEvent('download');
  await page.click('#cmdSave');
  const bytes = await readFile(await (await download).path());
  assert.deepEqual([...bytes.subarray(0, 2)], [0xff, 0xfe]);
  assert.ok(bytes.equals(await readFile(out)));
  await context.close();
});

test('a listing\'s script does not run in the preview or anywhere else', async () => {
  const { page, context } = await openApp(browser, server);
  const elsewhere = await serve();
  const dialogs = [];
  page.on('dialog', (d) => { dialogs.push(d.message()); d.dismiss(); });
  const before = server.requests.length;
  await page.click('#txtEdit2');
  await page.keyboard.insertText('<script>fetch("/ran?script");alert(1)</script>' +
    '<img src="/missing.png" onerror="fetch(\'/ran?onerror\')"><a id="go" href="javascript:fetch(\'/ran?link\')">x</a>' +
    '<form action="/ran?form"><button id="send">送る</button></form><meta http-equiv="refresh" content="0;url=/ran?refresh">' +
    '<a id="here" href="/ran?self" target="_self">ここ</a><iframe src="/ran?frame"></iframe>' +
    `<a id="away" href="${elsewhere.url}listing.html">外のページ</a>`);
  await page.frameLocator('#WBrowser').locator('#away').waitFor();
  for (const id of ['#send', '#go', '#here']) {
    // A link that would take the frame elsewhere leaves the page where it was.
    await page.frameLocator('#WBrowser').locator(id).click({ timeout: 5000 });
  }
  // A link the seller clicks opens in a tab of its own, as the desktop opens it in the browser.
  await page.frameLocator('#WBrowser').locator('#away').click();
  for (let i = 0; i < 100 && !elsewhere.requests.includes('/listing.html'); i++) {
    await page.waitForTimeout(50);
  }
  assert.deepEqual(elsewhere.requests, ['/listing.html'], context.pages().map((p) => p.url()).join(' '));
  assert.equal(page.url(), server.url);
  elsewhere.close();
  await page.click('#cmdPreview');
  await page.locator('#dlgMessage button').click();
  // Both frames read to their end: an inline script would have run by then, a refresh of 0
  // seconds left within the next turn.
  for (const id of ['#WBrowser', '#frmWebBrowser']) {
    const frame = await (await page.locator(id).elementHandle()).contentFrame();
    await frame.waitForFunction(() => document.readyState === 'complete');
  }
  await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => setTimeout(r, 0))));
  const ran = server.requests.slice(before).filter((r) => r.startsWith('/ran'));
  assert.deepEqual(ran, []);
  assert.deepEqual(dialogs, []);
  for (const id of ['#WBrowser', '#frmWebBrowser']) {
    const tokens = (await page.locator(id).getAttribute('sandbox')).split(/\s+/);
    // The frame shares our origin so that pages are put into it in place; with no script of
    // the listing running there, that gives the listing nothing.
    for (const allowed of ['allow-scripts', 'allow-forms', 'allow-top-navigation', 'allow-modals']) {
      assert.ok(!tokens.includes(allowed), `${id} ${allowed}`);
    }
  }
  // The listing checks name the script, as on the desktop.
  assert.match(await page.locator('#lstChecks').innerText(), /script/i);
  await context.close();
});

test('the zone price list for a prefecture and weight class equals the command line\'s', async () => {
  const { page, context } = await openApp(browser, server);
  await page.selectOption('#cmbSend', { index: 46 });
  await page.click(byId('optYPack(7)'));
  await page.click('#chkSend3');
  const web = await page.evaluate(() => window.bidquill.engine.mainPage());
  const cliPage = runCli(['run', '-'], 'choose cmbSend 46\nclick optYPack(7)\nclick chkSend3\nprint ZoneRateText\nprint txtTag\n')
    .toString('utf8');
  const zone = cliPage.slice(0, cliPage.indexOf('\n'));
  assert.ok(zone.length > 20);
  assert.ok(web.includes(zone), 'the zone list is on the page');
  assert.ok(cliPage.slice(cliPage.indexOf('\n') + 1).startsWith(web), 'the whole page is the same');
  await context.close();
});

test('nothing typed is lost: the work comes back after the tab is closed, and closing asks', async () => {
  const { page, context } = await openApp(browser, server);
  await page.fill('#txtTitle2', 'まだ保存していない見出し');
  // Closing the tab with unsaved changes asks first (the browser shows its own question).
  assert.equal(await page.evaluate(() => {
    const e = new Event('beforeunload', { cancelable: true });
    window.dispatchEvent(e);
    return e.defaultPrevented;
  }), true);
  await page.close();
  const again = await context.newPage();
  await again.goto(server.url);
  await again.waitForFunction(() => window.bidquillReady === true);
  assert.equal(await again.inputValue('#txtTitle2'), 'まだ保存していない見出し');
  assert.equal(await again.title(), '無題* — Bidquill');
  await waitForPreview(again, 'まだ保存していない見出し');
  await context.close();
});

test('a colour is chosen in the colour dialog; cancelling changes nothing', async () => {
  const { page, context } = await openApp(browser, server);
  await page.click('#cmdT1BC');
  await page.locator('#dlgColour').getByText('キャンセル').click();
  assert.equal(await page.title(), '無題 — Bidquill');
  await page.click('#cmdT1BC');
  await page.fill('#dlgColourValue', '#ff0000');
  await page.locator('#dlgColour').getByText('OK').click();
  const swatch = await page.evaluate(() => window.bidquill.binder.controls.get('cmdT1BC').swatch);
  assert.equal(swatch, 0x0000ff);
  await waitForPreview(page, '#FF0000');
  // Opening another file now asks about the change first.
  await page.click('#cmdOpen');
  await page.locator('#dlgQuestion').getByText('キャンセル').click();
  assert.equal(await page.title(), '無題* — Bidquill');
  await context.close();
});

test('the preview keeps its place while the seller types', async () => {
  const { page, context } = await openApp(browser, server);
  await page.fill('#txtEdit1', Array.from({ length: 80 }, (_, i) => `${i + 1} 行目<BR>`).join('\n'));
  await page.waitForFunction(() => {
    const box = document.getElementById('previewScroll');
    return document.getElementById('WBrowser').clientHeight > box.clientHeight * 2;
  });
  await page.evaluate(() => { document.getElementById('previewScroll').scrollTop = 600; });
  await page.click('#txtEdit2');
  await page.keyboard.type('追記');
  await waitForPreview(page, '追記');
  await page.waitForTimeout(200);
  assert.equal(await page.evaluate(() => document.getElementById('previewScroll').scrollTop), 600);
  await context.close();
});

test('Enter is one undo step, and the engine follows the undo', async () => {
  const { page, context } = await openApp(browser, server);
  await page.click('#txtEdit4');
  await page.keyboard.type('一行目');
  await page.keyboard.press('Enter');
  assert.equal(await page.inputValue('#txtEdit4'), '一行目<BR>\n');
  await page.keyboard.press('Control+z');
  assert.equal(await page.inputValue('#txtEdit4'), '一行目');
  const engineText = await page.evaluate(() => window.bidquill.binder.controls.get('txtEdit4').text);
  assert.equal(engineText, '一行目');
  await context.close();
});

test('a dropped settings file opens; the browser never leaves the page for a dropped file', async () => {
  const { page, context } = await openApp(browser, server, { keepFiles: false });
  const bytes = [...await readFile(dataFile('windows.ini'))];
  const drop = async (name) => {
    const transfer = await page.evaluateHandle(([b, n]) => {
      const t = new DataTransfer();
      t.items.add(new File([new Uint8Array(b)], n));
      return t;
    }, [bytes, name]);
    await page.dispatchEvent('#previewScroll', 'drop', { dataTransfer: transfer });
  };
  await drop('photo.jpg');
  await page.locator('#dlgMessage').getByText('設定ファイル（.ini）を一つだけドロップしてください。').waitFor();
  await page.locator('#dlgMessage button').click();
  await drop('windows.ini');
  await page.waitForFunction(() => document.title === 'windows.ini — Bidquill');
  assert.equal(await page.inputValue('#txtEdit1'), '昭和初期のものと思われる、桐の小物入れです。<BR>\n引き出しは三段です。');
  assert.equal(page.url(), server.url);
  await context.close();
});

test('once loaded, Bidquill opens without the network', async () => {
  const own = await serve();
  const context = await browser.newContext({ serviceWorkers: 'allow' });
  const page = await context.newPage();
  await page.goto(own.url);
  await page.waitForFunction(() => window.bidquillReady === true);
  await page.evaluate(() => navigator.serviceWorker.ready);
  await page.waitForFunction(async () => {
    const keys = await caches.keys();
    return keys.length === 1 && (await (await caches.open(keys[0])).keys()).length > 10;
  });
  own.close();
  await context.setOffline(true);
  await page.reload();
  await page.waitForFunction(() => window.bidquillReady === true);
  await page.fill('#txtEdit1', 'オフラインで書いた本文');
  await waitForPreview(page, 'オフラインで書いた本文');
  await context.close();
});

test('text being composed with an input method reaches the engine once it is committed', async () => {
  const { page, context } = await openApp(browser, server);
  const engineText = () => page.evaluate(() => window.bidquill.binder.controls.get('txtEdit8').text);
  await page.evaluate(() => {
    const box = document.getElementById('txtEdit8');
    box.focus();
    box.dispatchEvent(new CompositionEvent('compositionstart'));
    box.value = 'きり';
    box.dispatchEvent(new InputEvent('input', { isComposing: true, inputType: 'insertCompositionText' }));
  });
  assert.equal(await engineText(), '');
  await page.evaluate(() => {
    const box = document.getElementById('txtEdit8');
    box.value = '桐';
    box.dispatchEvent(new CompositionEvent('compositionend', { data: '桐' }));
  });
  assert.equal(await engineText(), '桐');
  await context.close();
});

test('保存 before opening another file saves the changes, then opens the file picked', async () => {
  const { page, context } = await openApp(browser, server, { keepFiles: false });
  await openWithInput(page, dataFile('windows.ini'));
  await page.fill('#txtTitle3', '保存してから開く');
  const download = page.waitForEvent('download');
  const chooser = page.waitForEvent('filechooser');
  await page.click('#cmdOpen');
  await page.locator('#dlgQuestion').getByText('保存', { exact: true }).click();
  const saved = await readFile(await (await download).path());
  assert.ok(saved.includes(Buffer.from('Title3=', 'latin1')));
  assert.match(new TextDecoder('shift_jis').decode(saved), /Title3=保存してから開く\r\n/);
  await (await chooser).setFiles(sample);
  await page.waitForFunction(() => document.title === 'listing.ini — Bidquill');
  assert.equal(await page.inputValue('#txtTitle3'), '商品状態');
  // Saved work leaves no draft in the browser's storage (which local pages share).
  await page.waitForTimeout(1000);
  assert.deepEqual(await page.evaluate(() => Object.keys(localStorage).filter((k) => k.startsWith('bidquill.draft.'))), []);
  await context.close();
});

test('a dropped file of the same name does not take the place of the one being saved', async () => {
  const { page, context } = await openApp(browser, server, { keepFiles: false });
  await openWithInput(page, dataFile('windows.ini'));
  await page.fill('#txtTitle3', '落とす前の変更');
  // Another listing that happens to have the same name.
  const transfer = await page.evaluateHandle((b) => {
    const t = new DataTransfer();
    t.items.add(new File([new Uint8Array(b)], 'windows.ini'));
    return t;
  }, [...await readFile(sample)]);
  const download = page.waitForEvent('download');
  await page.dispatchEvent('#previewScroll', 'drop', { dataTransfer: transfer });
  await page.locator('#dlgQuestion').getByText('保存', { exact: true }).click();
  const saved = new TextDecoder('shift_jis').decode(await readFile(await (await download).path()));
  assert.match(saved, /Title3=落とす前の変更\r\n/);
  assert.match(saved, /\[Memo\]\r\nNote=仕入れ先 髙島屋/);  // the lines of the file it was opened from
  await page.waitForFunction(() => document.getElementById('txtTitle3').value === '商品状態');
  assert.equal(await page.title(), 'windows.ini — Bidquill');
  await context.close();
});

test('a batch in the browser gives the command line\'s bytes; キャンセル hands nothing over', async () => {
  const sheet = path.join(root, 'tests/data/spreadsheets/excel-cp932.csv');
  const out = path.join(path.dirname(await scratchCopy(sample)), 'cli-out.csv');
  try {
    runCli(['batch', sheet, '-o', out, '--map', '欄2 本文=説明', '--map', '欄3 本文=状態']);
  } catch (e) {
    if (e.status !== 1) throw e;  // 1: the checks found something (a new listing's fixed width)
  }
  const expected = await readFile(out);

  const { page, context, errors } = await openApp(browser, server);
  const chooser = page.waitForEvent('filechooser');
  await page.click('#cmdBatch');
  await (await chooser).setFiles(sheet);
  // 商品名 is mapped by the design's own title; the other two are chosen here.
  assert.equal(await page.locator('select[data-column="1"]').inputValue(), '欄1 本文');
  await page.selectOption('select[data-column="3"]', '欄2 本文');
  await page.selectOption('select[data-column="2"]', '欄3 本文');
  const downloaded = page.waitForEvent('download');
  await page.click('#cmdBatchMake');
  const download = await downloaded;
  assert.equal(download.suggestedFilename(), 'excel-cp932_説明HTML.csv');
  assert.deepEqual(await readFile(await download.path()), expected);
  assert.match(await page.locator('#lblBatchSummary').innerText(), /3 行の説明を作りました。空の行 1 行は飛ばしました。/);
  await page.locator('#dlgBatchSummary button').click();

  // A long sheet stopped halfway: no download, and the seller is told.
  const rows = ['番号,説明'];
  for (let i = 0; i < 20000; i++) rows.push(`${i},説明 ${i} ${'あ'.repeat(400)}`);
  const long = path.join(path.dirname(out), 'long.csv');
  await writeFile(long, rows.join('\r\n'));
  let downloads = 0;
  page.on('download', () => downloads++);
  const chooser2 = page.waitForEvent('filechooser');
  await page.click('#cmdBatch');
  await (await chooser2).setFiles(long);
  await page.selectOption('select[data-column="1"]', '欄2 本文');
  await page.click('#cmdBatchMake');
  await page.waitForFunction(() => Number(document.getElementById('prgBatch')?.value) > 0);
  await page.click('#cmdBatchCancel');
  await page.locator('#dlgMessage').waitFor();
  assert.match(await page.locator('#dlgMessage').innerText(), /キャンセルしました。何も書き込んでいません。/);
  assert.equal(downloads, 0);
  assert.deepEqual(errors, []);
  await context.close();
});

test('a batch\'s .html files are handed over one by one, each the page of its row', async () => {
  const sheet = path.join(root, 'tests/data/spreadsheets/excel-cp932.csv');
  // Without a folder to pick, each page is a download of its own.
  const { page, context, errors } = await openApp(browser, server,
    { keepFiles: false, init: () => { delete window.showDirectoryPicker; } });
  const chooser = page.waitForEvent('filechooser');
  await page.click('#cmdBatch');
  await (await chooser).setFiles(sheet);
  await page.check('#chkBatchHtml');
  const names = [];
  const bodies = [];
  page.on('download', async (d) => { names.push(d.suggestedFilename()); bodies.push(readFile(await d.path())); });
  await page.click('#cmdBatchMake');
  await page.locator('#lblBatchSummary').waitFor();
  await new Promise((r) => setTimeout(r, 500));
  assert.equal(names.length, 4, names.join(' '));  // the sheet and one page a row
  const pages = names.map((n, i) => [n, i]).filter(([n]) => n.endsWith('.html'));
  assert.equal(pages.length, 3);
  for (const [, i] of pages) {
    const bytes = await bodies[i];
    assert.equal(bytes.subarray(0, 3).toString('hex'), 'efbbbf');
  }
  assert.deepEqual(errors, []);
  await context.close();
});

test('the gallery shows each design on a computer and a phone, fits the window, goes by keyboard and keeps the texts', async () => {
  for (const size of [{ width: 1000, height: 600 }, { width: 375, height: 667 }]) {
    const { page, context, errors } = await openApp(browser, server, { size });
    await page.fill('#txtEdit1', '私の古い茶碗');
    await page.click('#cmdGallery');
    const frames = page.locator('#dlgGallery iframe.design-sample');
    const cards = page.locator('#dlgGallery .design-card');
    assert.ok((await cards.count()) >= 8);
    assert.equal(await frames.count(), 2 * await cards.count());
    for (const sandbox of await frames.evaluateAll((fs) => fs.map((f) => f.getAttribute('sandbox')))) {
      assert.equal(sandbox, '');
    }
    assert.match(await frames.first().evaluate((f) => f.srcdoc), /私の古い茶碗/);
    // The phone's sample is laid out at a phone's 375 CSS px; nothing scrolls sideways.
    assert.equal(await page.locator('#dlgGallery iframe.phone').first().evaluate((f) => f.offsetWidth), 375);
    const grid = page.locator('#dlgGallery .design-grid');
    assert.ok(await grid.evaluate((g) => g.scrollWidth <= g.clientWidth));
    assert.ok(await page.locator('#dlgGallery').evaluate((d) => d.getBoundingClientRect().right <= innerWidth));
    // Tab goes from card to card in reading order; Enter takes the focused one.
    const names = await cards.evaluateAll((cs) => cs.map((c) => c.getAttribute('aria-label')));
    assert.equal(await page.evaluate(() => document.activeElement.dataset.design), names[0]);
    await page.keyboard.press('Tab');
    await page.keyboard.press('Tab');
    assert.equal(await page.evaluate(() => document.activeElement.dataset.design), names[2]);
    const before = await page.evaluate(() => window.bidquill.engine.mainPage());
    await page.keyboard.press('Enter');
    await page.waitForFunction((b) => window.bidquill.engine.mainPage() !== b, before);
    assert.equal(await page.locator('#dlgGallery').count(), 0);
    assert.equal(await page.inputValue('#txtEdit1'), '私の古い茶碗');
    assert.deepEqual(errors, []);
    await context.close();
  }
});

test('Ctrl+Z in a box and the buttons go through the listing\'s one history, ticks and typing in order', async () => {
  const { page, context, errors } = await openApp(browser, server);
  await page.click('#txtEdit1');
  await page.keyboard.type('古い箱 ');
  await page.click('#chkSend3');
  await page.click('#txtEdit1');
  await page.keyboard.type('です');
  assert.equal(await page.inputValue('#txtEdit1'), '古い箱 です');
  await page.keyboard.press('Control+z');
  assert.equal(await page.inputValue('#txtEdit1'), '古い箱 ');
  assert.ok(await page.isChecked('#chkSend3'));
  await page.keyboard.press('Control+z');
  assert.ok(!(await page.isChecked('#chkSend3')));
  await page.keyboard.press('Control+z');
  assert.equal(await page.inputValue('#txtEdit1'), '');
  await page.click('#cmdRedo');
  assert.equal(await page.inputValue('#txtEdit1'), '古い箱 ');
  await page.click('#txtEdit1');
  await page.keyboard.press('Control+y');
  assert.ok(await page.isChecked('#chkSend3'));
  assert.deepEqual(errors, []);
  await context.close();
});

test('named elements of a listing cannot change how the page is measured or checked', async () => {
  const { page, context, errors } = await openApp(browser, server);
  await page.click('#txtEdit2');
  const lines = Array.from({ length: 150 }, (_, i) => `${i + 1}行目`).join('<br>');
  const elsewhere = await serve();
  await page.keyboard.insertText('<img name="documentElement"><img name="body"><img name="images">' +
    '<img name="querySelectorAll"><img name="adoptNode"><meta name="referrer" content="unsafe-url">' +
    `<link rel="stylesheet" href="${elsewhere.url}style.css">` +
    `<noscript>スクリプトのない人だけに</noscript><a id="back" rel="opener" href="${elsewhere.url}">リンク</a>` +
    `${lines}<img src="/missing-picture.png"><img referrerpolicy="unsafe-url" src="${elsewhere.url}icon.svg">最後の行`);
  await waitForPreview(page, '最後の行');
  // A picture or style sheet from another site (served without cache headers) is asked for
  // once, however often the page changes, and without saying where the listing is made
  // (whatever the listing says of referrers); the style sheet stays applied in between.
  for (let i = 0; i < 100 && elsewhere.requests.length < 2; i++) await page.waitForTimeout(50);
  const sheet = 'Array.from(Object.getOwnPropertyDescriptor(Document.prototype, "styleSheets").get' +
    '.call(document.getElementById("WBrowser").contentDocument)).find((s) => /style\\.css/.test(s.href))';
  await page.evaluate(`${sheet}.ownerNode.bidquillMark = 1`);
  await page.keyboard.type('追記');
  await waitForPreview(page, '最後の行追記');
  await page.waitForTimeout(300);
  assert.equal(await page.evaluate(`${sheet}.ownerNode.bidquillMark`), 1);
  assert.deepEqual(elsewhere.requests.sort(), ['/icon.svg', '/style.css']);
  // As buyers' browsers show it (no <noscript>), and no link opens with a way back.
  const shown = await page.evaluate(() => {
    const doc = document.getElementById('WBrowser').contentDocument;
    return [doc.body.textContent, doc.getElementById('back').rel];
  });
  assert.ok(!shown[0].includes('スクリプトのない人だけに'));
  assert.match(shown[1], /noopener/);
  assert.doesNotMatch(shown[1], /(^|\s)opener/);
  assert.equal(elsewhere.referers.get('/icon.svg'), undefined);
  elsewhere.close();
  // The frame grows to the whole page, so the last line can be scrolled to.
  await page.waitForFunction(() => document.getElementById('WBrowser').offsetHeight > 2500);
  await page.click('#cmdPreview');
  await page.locator('#dlgMessage button').click();
  await page.waitForFunction(() => /missing-picture\.png/.test(document.getElementById('lstChecks').innerText));
  assert.doesNotMatch(await page.locator('#lstChecks').innerText(), /問題は見つかりませんでした/);
  assert.deepEqual(errors, []);
  await context.close();
});

test('opened from disk, the site says what to do, and the single file bidquill.html works alone', async () => {
  {
    const context = await browser.newContext();
    const page = await context.newPage();
    await page.goto(`file://${path.join(site, 'index.html')}`);
    await page.waitForFunction(() => /bidquill\.html/.test(document.getElementById('splashText').textContent));
    await context.close();
  }
  // The single file, copied alone into an empty folder, opened from there.
  const single = await scratchCopy(path.join(site, 'bidquill.html'));
  const context = await browser.newContext({ viewport: { width: 1366, height: 768 } });
  const page = await context.newPage();
  const errors = [];
  const failed = [];
  page.on('pageerror', (e) => errors.push(e.message));
  page.on('requestfailed', (r) => failed.push(r.url()));
  await page.goto(`file://${single}`);
  await page.waitForFunction(() => window.bidquillReady === true);
  await page.click('#txtEdit2');
  await page.keyboard.type('ひとつのファイルで');
  await page.keyboard.press('Enter');
  await page.keyboard.type('動きます');
  await page.click('#chkSend3');
  await page.frameLocator('#WBrowser').getByText('動きます').waitFor();
  const web = await page.evaluate(() => window.bidquill.engine.mainPage());
  const cliPage = runCli(['run', '-'],
    'type txtEdit2 "ひとつのファイルで<BR>\\n動きます"\nclick chkSend3\nprint txtTag\n').toString('utf8');
  assert.ok(cliPage.startsWith(web), 'the same page as the command line');
  // The guide is inside too, its text without the pictures.
  const opened = context.waitForEvent('page');
  await page.click('#cmdHome');
  const guide = await opened;
  await guide.waitForLoadState();
  assert.match(await guide.locator('h2#start').innerText(), /手に入れて始める/);
  assert.equal(await guide.locator('img').count(), 0);
  await guide.close();
  // The gallery's designs are inside too.
  await page.click('#cmdGallery');
  await page.locator('#dlgGallery button[data-design="和風"]').waitFor();
  assert.deepEqual(failed, []);
  assert.deepEqual(errors, []);
  await context.close();
});

test('each tab keeps its own work; the work of closed tabs is offered in 前回の作業', async () => {
  const context = await browser.newContext({ viewport: { width: 1366, height: 768 }, serviceWorkers: 'block' });
  const open = async () => {
    const p = await context.newPage();
    await p.goto(server.url);
    return p;
  };
  const ready = (p) => p.waitForFunction(() => window.bidquillReady === true);
  const a = await open();
  await ready(a);
  await a.fill('#txtTitle2', 'タブAの見出し');
  await a.waitForTimeout(800);  // kept shortly after the change
  // A second tab starts a listing of its own while the first is open.
  const b = await open();
  await ready(b);
  assert.equal(await b.inputValue('#txtTitle2'), '商品説明');
  await b.fill('#txtTitle2', 'タブBの見出し');
  await b.waitForTimeout(800);
  await a.close();
  await b.close();
  // Both closed: both are offered, the newest first; the older one is chosen.
  const c = await open();
  await c.locator('#dlgDrafts').waitFor();
  const offered = c.locator('#dlgDrafts button.draft');
  assert.equal(await offered.count(), 2);
  // Each says what it holds, so two drafts of the same second are told apart.
  assert.match(await offered.nth(0).innerText(), /タブBの見出し/);
  assert.match(await offered.nth(1).innerText(), /タブAの見出し/);
  await offered.nth(1).click();
  await ready(c);
  assert.equal(await c.inputValue('#txtTitle2'), 'タブAの見出し');
  // The one left comes back by itself in the next tab.
  const d = await open();
  await ready(d);
  assert.equal(await d.inputValue('#txtTitle2'), 'タブBの見出し');
  await context.close();
});

test('on a phone (375 px) every control is within reach and the preview window has the width', async () => {
  const context = await browser.newContext({ viewport: { width: 375, height: 667 }, serviceWorkers: 'block' });
  const page = await context.newPage();
  await page.goto(server.url);
  await page.waitForFunction(() => window.bidquillReady === true);
  const layout = await page.evaluate(() => {
    const w = document.documentElement.clientWidth;
    const shown = (sel) => [...document.querySelectorAll(sel)].filter((e) => e.offsetParent !== null);
    return {
      beyond: shown('#frmMain button, #frmMain input, #frmMain select, #frmMain textarea')
        .filter((e) => e.getBoundingClientRect().right > w + 0.5).map((e) => e.id || e.textContent),
      small: shown('#frmMain button, #frmMain select, #frmMain .check')
        .filter((e) => e.getBoundingClientRect().height < 24).map((e) => e.id || e.textContent),
    };
  });
  assert.deepEqual(layout, { beyond: [], small: [] });
  await page.click('#cmdPreview');
  await page.locator('#dlgMessage button').click();
  const frame = await page.locator('#frmWebBrowser').evaluate((f) => f.getBoundingClientRect().width);
  assert.ok(frame >= 300, `the preview window's page is ${frame} px wide`);
  // The phone check is whole on the screen, and the checks are on it, not under the page.
  const placed = await page.evaluate(() => {
    const box = (s) => document.querySelector(s).getBoundingClientRect();
    return { phoneRight: Math.max(box('#frmWeb .tab-bar label').right, box('#cmbPhoneWidth').right),
      checksTop: box('#pnlChecks').top };
  });
  assert.ok(placed.phoneRight <= 375.5 && placed.checksTop < 667, JSON.stringify(placed));
  // The phone widths on offer, the narrowest chosen: the page is laid out at it.
  assert.deepEqual(await page.locator('#cmbPhoneWidth option').allTextContents(), ['320px', '375px', '430px']);
  await page.check('#chkPhone');
  await page.selectOption('#cmbPhoneWidth', '320');
  assert.equal(await page.locator('#frmWebBrowser').evaluate((f) => f.getBoundingClientRect().width), 320);
  await context.close();
});

test('最近のファイル opens a file kept from an earlier visit, as the desktop\'s menu does', async () => {
  const original = [...await readFile(dataFile('windows.ini'))];
  const { page, context, errors } = await openApp(browser, server, {
    // A real file handle (the origin's private file system) behind the open picker.
    init: () => {
      window.showOpenFilePicker = async () => {
        const folder = await navigator.storage.getDirectory();
        return [await folder.getFileHandle('windows.ini')];
      };
    },
  });
  await page.evaluate(async (bytes) => {
    const folder = await navigator.storage.getDirectory();
    const writable = await (await folder.getFileHandle('windows.ini', { create: true })).createWritable();
    await writable.write(new Uint8Array(bytes));
    await writable.close();
  }, original);
  await page.click('#cmdRecent');
  await page.locator('#mnuPopup').waitFor();
  assert.deepEqual(await page.locator('#mnuPopup [role=menuitem]').allInnerTexts(), ['（まだありません）']);
  await page.keyboard.press('Escape');
  await page.click('#cmdOpen');
  await page.waitForFunction(() => document.title === 'windows.ini — Bidquill');
  const title = await page.inputValue('#txtTitle1');

  // Another visit.
  await page.waitForTimeout(300);  // the handle is kept in IndexedDB in the background
  await page.goto('about:blank');
  const again = await context.newPage();
  await again.goto(server.url);
  await again.waitForFunction(() => window.bidquillReady === true);
  // The tab's work came back with it; a change, then the file itself from the menu.
  await again.fill('#txtTitle1', '変えた見出し');
  await again.click('#cmdRecent');
  await again.locator('#mnuPopup').getByText('windows.ini').click();
  await again.locator('#dlgQuestion button[data-key=discard]').click();
  await again.waitForFunction(() => document.title === 'windows.ini — Bidquill');
  assert.equal(await again.inputValue('#txtTitle1'), title);
  assert.deepEqual(errors, []);
  await context.close();
});

// Chromium alone takes seconds to focus and lay out such a textarea: a longer limit of its own.
nodeTest('a body of 3 MB can be typed in, is shown, and comes back after the tab is closed', { timeout: 300_000 }, async () => {
  const { page, context, errors } = await openApp(browser, server);
  const crashed = [];
  page.on('crash', () => crashed.push('crash'));
  await page.evaluate(() => {
    const box = document.getElementById('txtEdit3');
    const line = '状態は良好です。目立つ傷はありません。abcdefghijklmnopqrstuvwxyz0123456789<BR>\n';
    box.value = line.repeat(Math.ceil(3e6 / line.length));
    box.dispatchEvent(new InputEvent('input', { inputType: 'insertFromPaste' }));
  });
  await page.focus('#txtEdit3');
  await page.evaluate(() => {
    const box = document.getElementById('txtEdit3');
    box.setSelectionRange(box.value.length, box.value.length);
  });
  // Keys, not text put in as an input method would (chromium takes a minute for that here).
  await page.keyboard.type('The end.');
  // The engine holds the whole body, and the preview shows it once the typing pauses.
  assert.ok((await page.evaluate(() => window.bidquill.engine.mainPage())).includes('The end.'));
  await page.frameLocator('#WBrowser').getByText('The end.', { exact: false }).waitFor({ timeout: 60_000 });
  // Kept after a pause (in IndexedDB: localStorage cannot hold it).
  await page.waitForFunction(() => Object.keys(localStorage).some((k) => k.endsWith('.recovery') &&
    localStorage.getItem(k) === '*'), null, { timeout: 30_000 });
  const length = await page.inputValue('#txtEdit3').then((v) => v.length);
  await page.close();
  const again = await context.newPage();
  await again.goto(server.url);
  await again.waitForFunction(() => window.bidquillReady === true, null, { timeout: 60_000 });
  const back = await again.inputValue('#txtEdit3');
  assert.equal(back.length, length);
  assert.ok(back.endsWith('The end.'));
  assert.deepEqual(crashed, []);
  assert.deepEqual(errors, []);
  await context.close();
});

test('a long body tells the engine only what changed, and the preview gets only what changed in the page', async () => {
  const { page, context, errors } = await openApp(browser, server);
  const body = Array.from({ length: 2000 }, (_, i) => `行${i}。`).join('');
  await page.fill('#txtEdit2', body);
  await page.evaluate(() => {
    window.sent = [];
    const { engine } = window.bidquill;
    const act = engine.act.bind(engine);
    engine.act = (args, answers) => {
      window.sent.push(args[0]);
      return act(args, answers);
    };
    const whole = engine.mainPage.bind(engine);
    engine.mainPage = () => {
      window.sent.push('whole page');
      return whole();
    };
    document.getElementById('txtEdit2').setSelectionRange(5000, 5000);
  });
  await page.focus('#txtEdit2');
  await page.keyboard.type('abc');
  await page.keyboard.press('Backspace');
  await page.keyboard.insertText('😀');
  await page.keyboard.press('Backspace');  // the whole emoji, both of its halves
  await page.keyboard.insertText('🎉x');
  await page.keyboard.press('Home');
  await page.keyboard.press('Delete');
  const value = await page.inputValue('#txtEdit2');
  assert.notEqual(value, body);
  // The page is code page 932: the emoji stands there as a character reference.
  assert.deepEqual([...new Set(await page.evaluate(() => window.sent))], ['edit']);
  const [shown, kept] = await page.evaluate(() => [window.bidquill.engine.mainPage(), window.bidquill.preview.html]);
  assert.ok(shown.includes(value.replace('🎉', '&#127881;')));
  assert.equal(kept, shown);
  assert.deepEqual(errors, []);
  await context.close();
});
