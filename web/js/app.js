// The browser edition's window: builds the page from the engine's controls, forwards the
// seller's actions, and shows what the engine reports back. Every rule runs in the engine.
import { Engine, singleFile, carriedGuide } from './engine.js';
import { Binder, el } from './binder.js';
import { buildWindow } from './layout.js';
import { LivePreview } from './preview.js';
import { PreviewWindow } from './preview_window.js';
import { showMessage, ask, chooseColour, chooseDraft, showMenu } from './dialogs.js';
import { Files, canKeepFiles } from './files.js';
import { Storage } from './storage.js';
import { startBatch, chooseDesign } from './batch.js';

const $ = (id) => document.getElementById(id);

class App {
  constructor(engine) {
    this.engine = engine;
    this.files = new Files(engine);
    this.storage = new Storage(engine, (text) => this.status(text), () => this.firstWords());
    this.modified = false;
    this.previewWindow = null;
  }

  async start() {
    const first = this.engine.start();
    if (first.missing.length) {
      // Without the templates there is no page to compose.
      $('splashText').textContent = 'テンプレートファイルを読み込めません。';
      await showMessage({ title: 'Bidquill', icon: 'critical', text: first.missingMessage });
      return;
    }
    const controls = new Map(first.state.changed.map((c) => [c.name, c]));
    this.newListing = new Map(first.state.changed.map((c) => [c.name, c.text]));
    this.binder = new Binder(controls, (args) => this.run(args),
      (box, text) => this.engine.pastedText(box, text));
    this.windowDescription = first.window;
    this.files.recentCount = first.window.recentFiles;
    this.storage.policy = { pauseMs: first.window.recoveryPauseMs, mostMs: first.window.recoveryMostMs };
    const built = buildWindow(this.binder, first.window, (p) => this.command(p));
    $('frmToolBar').append(...built.toolStrip);
    $('editing').append(...built.editing);
    this.preview = new LivePreview($('previewScroll'), $('WBrowser'));
    this.apply(first.state);
    this.wireWindow();

    // This tab's own work after a reload; else what closed tabs left: one comes back by itself,
    // several are offered in 前回の作業.
    const left = await this.storage.claim();
    let kept = await this.storage.restore();
    if (!kept.resume && !kept.open && left.length) {
      const chosen = left.length === 1 ? left[0].id : await chooseDraft(left);
      if (chosen) {
        await this.storage.adopt(chosen);
        kept = await this.storage.restore();
      }
    }
    await this.files.recall(kept.file);
    if (kept.resume) await this.finish(this.apply(this.engine.resume(kept.resume)), []);
    else if (kept.open) await this.run(['open', kept.open]);

    $('frmFirst').remove();
    $('frmMain').setAttribute('aria-busy', 'false');
    $('txtTitle1').focus();
    window.bidquillStarted = performance.now();
    window.bidquillReady = true;
  }

  // Runs an action through the engine; dialogs it needs are shown and the action is run again
  // with their answers. The first run happens before this returns its promise. A run that ends
  // at a dialog may already have saved (保存 in the question before opening): the file is
  // handed over at once, before a file picked next could take its name in the engine's memory.
  async run(args) {
    const answers = [];
    const saved = [];
    for (;;) {
      let result;
      try {
        result = this.engine.act(args, answers);
      } catch (e) {
        return this.stopped(e);
      }
      const r = this.apply(result);
      for (const path of r.saved) await this.deliver(path);
      saved.push(...r.saved);
      if (!r.pending) return this.finish(r, saved);
      const answer = await this.answer(r.pending);
      if (answer === null) return this.finish(r, saved);
      answers.push(`${r.pending.signature} ${answer}`);
    }
  }

  // The engine cannot go on (it ran out of memory, say). What was kept in the browser stays.
  async stopped(e) {
    console.error('bidquill:', e);
    if (this.dead) return null;
    this.dead = true;
    this.storage.stop();
    await showMessage({ title: 'Bidquill', icon: 'critical', text: 'Bidquill を続けられなくなりました。\r\n' +
      `${e && e.message ? e.message : e}\r\n\r\nページを読み込み直してください。` +
      '最後の変更の少し前までの内容は、ブラウザーに保存されていて戻ります。' });
    return null;
  }

  // The seller's answer to a dialog the engine waits for; null when cancelled.
  async answer(p) {
    if (p.kind === 'colour') return chooseColour(p.initial, p.remembered);
    if (p.kind === 'file') {
      return p.mode === 'open' ? this.files.pickToOpen() : this.files.pickToSave(p.fileName);
    }
    return ask(p);
  }

  // The first title or body the seller wrote (not a new listing's own), shortened: what tells
  // one draft from another.
  firstWords() {
    for (const kind of ['txtTitle', 'txtEdit']) {
      for (let i = 1; i <= 8; i++) {
        const text = this.binder?.controls.get(`${kind}${i}`)?.text ?? '';
        if (text === this.newListing?.get(`${kind}${i}`)) continue;
        const words = text.replace(/<[^>]*>/g, ' ')
          .replace(/\s+/g, ' ').trim();
        if (words) return words.length > 24 ? `${words.slice(0, 24)}…` : words;
      }
    }
    return '';
  }

  // What the engine changed, shown at once.
  apply(r) {
    if (r.error) console.error('bidquill:', r.error);
    for (const control of r.changed) this.binder?.update(control);
    if (this.preview && (r.mainPage || r.mainEdits)) {
      const whole = () => this.engine.mainPage();
      if (r.mainPage) this.preview.show(whole());
      else this.preview.edit(r.mainEdits, whole);
    }
    if (r.preview.page || r.preview.shown) {
      const w = this.previewWindow ??= new PreviewWindow(() => this.run(['fix']), this.windowDescription);
      if (r.preview.page) w.showPage(this.engine.framedPage());
      if (r.preview.shown) {
        w.setSourceText(this.engine.sourceText());
        w.showReport(r.preview.report);
        w.showAndFocus();
      }
    }
    for (const s of r.statuses) this.status(s);
    document.title = r.document.title;
    this.previewWindow?.showListingTitle(r.document.title);
    this.modified = r.document.modified;
    return r;
  }

  // What takes its time: the clipboard, pages to open, messages.
  async finish(r, saved = r.saved) {
    let messages = r.messages;
    if (r.clipboard !== undefined) {
      try {
        await navigator.clipboard.writeText(r.clipboard);
      } catch {
        // The confirmation would be untrue; the HTML tab holds the page to copy by hand.
        messages = messages.filter((m) => m.icon !== 'information').concat([{ title: 'Bidquill',
          icon: 'warning', text: 'HTMLタグをクリップボードにコピーできませんでした。\r\n' +
            'ブラウザーがクリップボードへの書き込みを許していません。\r\n\r\n' +
            'プレビューの「HTMLタグ」のタブで全部を選んでコピーしてください。' }]);
      }
    }
    for (const url of r.opened) this.openUrl(url);
    this.storage.noteDocument(r.document, saved);
    for (const m of messages) await showMessage(m);
    return r;
  }

  async deliver(path) {
    try {
      const how = await this.files.deliver(path);
      this.status(how === 'written' ? `保存しました: ${path.split('/').pop()}`
        : `ダウンロードしました: ${path.split('/').pop()}（ブラウザーのダウンロード先にあります）`);
    } catch (e) {
      // The bytes are not lost: they come as a download instead.
      this.files.forget(path);
      await this.files.deliver(path).catch(() => {});
      await showMessage({ title: 'Bidquill', icon: 'warning', text:
        `設定ファイルに書き込めませんでした。\r\n${path.split('/').pop()}\r\n${e && e.message ? e.message : ''}` +
        '\r\n\r\n同じ内容をダウンロードしました。ダウンロード先から使ってください。' });
    }
  }

  // The window's own buttons, as the description names them.
  command(p) {
    const button = el('button', { type: 'button', id: p.name, text: p.text, title: p.tip });
    const actions = {
      cmdRecent: () => this.showRecent(button),
      cmdGallery: () => chooseDesign(this.engine, (args) => this.run(args)),
      cmdBatch: () => startBatch(this.engine),
    };
    button.addEventListener('click', actions[p.name]);
    return button;
  }

  async showRecent(button) {
    const files = await this.files.recentFiles();
    const items = files.map((handle) => [handle.name, '', () => this.openRecent(handle)]);
    if (!canKeepFiles()) items.push('（このブラウザーでは、開いたファイルを覚えておけません）');
    else if (!items.length) items.push('（まだありません）');
    showMenu(button, items);
  }

  async openRecent(handle) {
    let path;
    try {
      path = await this.files.openRecent(handle);
    } catch (e) {
      await showMessage({ title: 'Bidquill', icon: 'warning', text: e.message });
      return;
    }
    await this.run(['open', path]);
  }

  openUrl(url) {
    // The guide is this site's own page; the single file carries its text.
    const guide = url.startsWith('file://') && url.endsWith('/docs/guide.html');
    const carried = guide && singleFile ? carriedGuide() : null;
    if (carried) {
      const page = URL.createObjectURL(new Blob([carried], { type: 'text/html;charset=utf-8' }));
      window.open(page, '_blank', 'noopener');
      setTimeout(() => URL.revokeObjectURL(page), 60000);  // once the tab has read it
      return;
    }
    const target = guide ? 'docs/guide.html' : url;
    if (/^(https?:|docs\/)/.test(target)) window.open(target, '_blank', 'noopener');
  }

  status(text) {
    $('status').textContent = text;
  }

  wireWindow() {
    document.addEventListener('keydown', (e) => {
      if (!(e.ctrlKey || e.metaKey) || e.altKey || document.querySelector('dialog[open]')) return;
      const key = e.key.toLowerCase();
      // Ctrl+Z and Ctrl+Y are the listing's history, in a text box too (not the box's own).
      const action = key === 'o' ? ['click', 'cmdOpen'] : key === 's' ? [e.shiftKey ? 'save-as' : 'save']
        : key === 'z' ? [e.shiftKey ? 'redo' : 'undo'] : key === 'y' ? ['redo'] : null;
      if (!action) return;
      e.preventDefault();
      this.run(action);
    });
    window.addEventListener('beforeunload', (e) => {
      this.storage.flush();
      if (!this.modified) return;
      e.preventDefault();
      e.returnValue = '';
    });
    window.addEventListener('pagehide', () => this.storage.flush());
    document.addEventListener('visibilitychange', () => {
      if (document.visibilityState === 'hidden') this.storage.flush();
    });
    // A settings file dropped anywhere on the page opens (after the question about changes);
    // no dropped file ever makes the browser leave the page.
    const carriesFiles = (e) => e.dataTransfer && [...e.dataTransfer.types].includes('Files');
    window.addEventListener('dragover', (e) => {
      if (!carriesFiles(e)) return;
      e.preventDefault();
      e.dataTransfer.dropEffect = 'copy';
    });
    window.addEventListener('drop', async (e) => {
      if (!carriesFiles(e)) return;
      e.preventDefault();
      const path = await this.files.takeDropped(e.dataTransfer);
      if (path) await this.run(['open', path]);
      else {
        await showMessage({ title: 'Bidquill', icon: 'information',
          text: '設定ファイル（.ini）を一つだけドロップしてください。' });
      }
    });
    const splitter = $('imgMove');
    splitter.addEventListener('pointerdown', (e) => {
      splitter.setPointerCapture(e.pointerId);
      const top = $('editing').getBoundingClientRect().top;
      const move = (m) => { $('editing').style.height = `${Math.max(60, m.clientY - top)}px`; };
      splitter.addEventListener('pointermove', move);
      splitter.addEventListener('pointerup', () => splitter.removeEventListener('pointermove', move), { once: true });
    });
  }
}

async function main() {
  if ('serviceWorker' in navigator && location.protocol !== 'file:') {
    // Offline once loaded: the worker keeps this site's files.
    navigator.serviceWorker.register('sw.js').catch(() => {});
  }
  try {
    const engine = await Engine.load();
    window.bidquill = new App(engine);
    await window.bidquill.start();
  } catch (e) {
    $('splashText').textContent = `Bidquill を起動できませんでした（${e && e.message ? e.message : e}）。` +
      'ページを読み込み直してください。';
    throw e;
  }
}

main();
