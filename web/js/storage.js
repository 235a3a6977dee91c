// The work kept in the browser, so that a closed tab or a crash loses nothing: the engine's
// recovery file while there are unsaved changes, and the settings file last opened or saved
// (whose other programs' lines a later save keeps). Written shortly after each change and when
// the page is hidden or closed.
import { STATE, restoreFile } from './engine.js';

const KEYS = { recovery: 'bidquill.recovery', file: 'bidquill.file', base: 'bidquill.base' };
const DELAY_MS = 400;

function toBase64(bytes) {
  let s = '';
  for (let i = 0; i < bytes.length; i += 0x8000) {
    s += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
  }
  return btoa(s);
}

function fromBase64(text) {
  const s = atob(text);
  const bytes = new Uint8Array(s.length);
  for (let i = 0; i < s.length; i++) bytes[i] = s.charCodeAt(i);
  return bytes;
}

export class Storage {
  constructor(engine, tell) {
    this.engine = engine;
    this.tell = tell;  // a note in the status bar
    this.timer = null;
    this.failing = false;
    this.file = '';
  }

  // Puts what was kept back into the engine's memory; what to open or resume, if anything.
  restore() {
    try {
      const file = localStorage.getItem(KEYS.file) || '';
      const base = localStorage.getItem(KEYS.base);
      if (file && base !== null) restoreFile(this.engine, file, fromBase64(base));
      const recovery = localStorage.getItem(KEYS.recovery);
      if (recovery !== null) {
        this.engine.writeFile(STATE, fromBase64(recovery));
        return { resume: STATE, file };
      }
      this.file = file;
      return file && base !== null ? { open: file, file } : {};
    } catch {
      return {};
    }
  }

  // After each action: what the document is now.
  noteDocument(doc, saved) {
    if (this.stopped) return;
    if (doc.file !== this.file || saved.length) {
      this.file = doc.file;
      this.put(KEYS.file, doc.file);
      const bytes = doc.file ? this.engine.readFile(doc.file) : null;
      if (bytes) this.put(KEYS.base, toBase64(bytes));
      else this.remove(KEYS.base);
    }
    if (!doc.modified) {
      clearTimeout(this.timer);
      this.timer = null;
      this.remove(KEYS.recovery);
    } else if (!this.timer) {
      this.timer = setTimeout(() => this.flush(), DELAY_MS);
    }
  }

  // After the engine failed: what is kept stays as it is.
  stop() {
    clearTimeout(this.timer);
    this.timer = null;
    this.stopped = true;
  }

  flush() {
    clearTimeout(this.timer);
    this.timer = null;
    if (this.stopped || !this.engine.keepState()) return;
    const bytes = this.engine.readFile(STATE);
    if (bytes) this.put(KEYS.recovery, toBase64(bytes));
  }

  put(key, value) {
    try {
      localStorage.setItem(key, value);
      if (this.failing) this.tell('ブラウザーにまた保存できるようになりました。');
      this.failing = false;
    } catch {
      if (!this.failing) {
        this.tell('作業の内容をブラウザーに保存できません（容量が足りないか、保存が禁止されています）。' +
          '設定ファイルを保存してください。');
      }
      this.failing = true;
    }
  }

  remove(key) {
    try {
      localStorage.removeItem(key);
    } catch {
      // storage unavailable: nothing kept, nothing to remove
    }
  }
}
