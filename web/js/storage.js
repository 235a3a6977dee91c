// The work kept in the browser, so that a closed tab or a crash loses nothing: the engine's
// recovery file while there are unsaved changes, and the settings file last opened or saved
// (whose other programs' lines a later save keeps). Written when the typing pauses (and at least
// every few seconds while it goes on) and when the page is hidden or closed. localStorage keeps
// them, except what it cannot hold (a body of megabytes), which goes to IndexedDB.
//
// Each tab keeps a draft of its own (its id lives in the tab's sessionStorage, so a reload finds
// it), and holds a lock on it while it is open: a second tab never takes the first one's work,
// and the drafts whose tab is gone are offered back (前回の作業).
import { STATE, restoreFile, fromBase64, toBase64 } from './engine.js';
import { inStore } from './idb.js';

const PREFIX = 'bidquill.draft.';
const TAB = 'bidquill.tab';
const PARTS = ['recovery', 'file', 'base', 'when', 'words'];
// Where a single tab kept its work before drafts had ids.
const LEGACY = { recovery: 'bidquill.recovery', file: 'bidquill.file', base: 'bidquill.base' };
// The two files: in localStorage in base64, or, when larger than IN_PLACE_BYTES, in IndexedDB
// with IN_DB in their place in localStorage (base64 never reads "*").
const BLOBS = ['recovery', 'base'];
const IN_DB = '*';
const IN_PLACE_BYTES = 512 * 1024;

const key = (id, part) => `${PREFIX}${id}.${part}`;
const newId = () => `${Date.now().toString(36)}-${Math.random().toString(36).slice(2, 8)}`;

function get(k) {
  try {
    return localStorage.getItem(k);
  } catch {
    return null;
  }
}

// Every draft kept: [{ id, file, modified, when }], newest first.
function drafts() {
  const ids = new Set();
  try {
    for (let i = 0; i < localStorage.length; i++) {
      const k = localStorage.key(i);
      if (k.startsWith(PREFIX)) ids.add(k.slice(PREFIX.length, k.lastIndexOf('.')));
    }
  } catch {
    return [];
  }
  return [...ids].map((id) => ({ id, file: get(key(id, 'file')) || '',
    modified: get(key(id, 'recovery')) !== null, when: Number(get(key(id, 'when')) || 0),
    words: get(key(id, 'words')) || '' }))
    .filter((d) => d.modified || d.file)
    .sort((a, b) => b.when - a.when);
}

// The drafts whose tabs are open now (their locks are held).
async function heldDrafts() {
  if (!navigator.locks) return new Set();
  const { held } = await navigator.locks.query();
  return new Set(held.map((l) => l.name).filter((n) => n.startsWith(PREFIX)).map((n) => n.slice(PREFIX.length)));
}

export class Storage {
  constructor(engine, tell, describe = () => '') {
    this.engine = engine;
    this.tell = tell;  // a note in the status bar
    this.describe = describe;  // the listing's first words, which tell drafts apart
    this.timer = null;
    this.failing = false;
    this.file = '';
    this.id = null;
    this.since = null;  // when the first change not yet kept was made
    this.kept = false;  // whether the draft holds the file's name and bytes
    this.turns = {};    // per part: how often it was written or removed
    // When work is kept: the engine's policy, the desktop's too (set from the window's
    // description at start).
    this.policy = null;
  }

  // Takes this tab's draft (its own after a reload, else a new one) and returns the drafts of
  // tabs that are gone, newest first.
  async claim() {
    this.adoptLegacy();
    let id = null;
    try {
      id = sessionStorage.getItem(TAB);
    } catch {
      // no session storage: a new draft each time
    }
    const held = await heldDrafts();
    // A duplicated tab carries its twin's id: the twin keeps that draft.
    if (!id || held.has(id)) id = newId();
    this.id = id;
    try {
      sessionStorage.setItem(TAB, id);
    } catch {
      // kept for this visit only
    }
    // Held until the tab goes; the browser lets go of it then.
    if (navigator.locks) navigator.locks.request(PREFIX + id, () => new Promise(() => {}));
    return drafts().filter((d) => d.id !== id && !held.has(d.id));
  }

  // The single slot of earlier versions becomes a draft like any other.
  adoptLegacy() {
    const recovery = get(LEGACY.recovery);
    const file = get(LEGACY.file);
    if (recovery === null && !file) return;
    const id = newId();
    if (recovery !== null) this.put(key(id, 'recovery'), recovery);
    if (file) this.put(key(id, 'file'), file);
    const base = get(LEGACY.base);
    if (base !== null) this.put(key(id, 'base'), base);
    this.put(key(id, 'when'), String(Date.now()));
    for (const k of Object.values(LEGACY)) this.remove(k);
  }

  // Makes another draft this tab's own (its parts move over).
  async adopt(id) {
    for (const part of PARTS) {
      const blob = BLOBS.includes(part);
      const value = blob ? await this.readBlob(id, part) : get(key(id, part));
      this.removePart(id, part);
      if (value === null) this.removePart(this.id, part);
      else if (blob) await this.writeBlob(part, value);
      else this.put(key(this.id, part), value);
    }
  }

  // Forgets a draft the seller let go.
  discard(id) {
    for (const part of PARTS) this.removePart(id, part);
  }

  // Puts this tab's draft back into the engine's memory; what to open or resume, if anything.
  async restore() {
    try {
      const file = get(key(this.id, 'file')) || '';
      const base = await this.readBlob(this.id, 'base');
      if (file && base !== null) restoreFile(this.engine, file, base);
      const recovery = await this.readBlob(this.id, 'recovery');
      if (recovery !== null) {
        this.engine.writeFile(STATE, recovery);
        return { resume: STATE, file };
      }
      this.file = file;
      return file && base !== null ? { open: file, file } : {};
    } catch {
      return {};
    }
  }

  async readBlob(id, part) {
    const value = get(key(id, part));
    if (value === null) return null;
    if (value !== IN_DB) return fromBase64(value);
    const bytes = await inStore('drafts', 'readonly', (s) => s.get(key(id, part))).catch(() => null);
    return bytes instanceof Uint8Array ? bytes : null;
  }

  // This tab's part. localStorage is written at once, so that a tab closed this moment keeps
  // it; what it cannot hold (a body of megabytes) goes to IndexedDB, whose writes take a while
  // (and where that fails, to localStorage after all). A part removed or written again meanwhile
  // is not brought back by a write finishing late.
  async writeBlob(part, bytes) {
    const id = this.id;
    const turn = (this.turns[part] = (this.turns[part] || 0) + 1);
    const wasInDb = get(key(id, part)) === IN_DB;
    if (bytes.length <= IN_PLACE_BYTES) {
      this.put(key(id, part), toBase64(bytes));
      if (wasInDb) inStore('drafts', 'readwrite', (s) => s.delete(key(id, part))).catch(() => {});
      return;
    }
    const stored = await inStore('drafts', 'readwrite', (s) => s.put(bytes, key(id, part)))
      .then(() => true, () => false);
    if (this.turns[part] !== turn || this.id !== id) return;
    this.put(key(id, part), stored ? IN_DB : toBase64(bytes));
  }

  removePart(id, part) {
    if (id === this.id) this.turns[part] = (this.turns[part] || 0) + 1;
    const wasInDb = get(key(id, part)) === IN_DB;
    this.remove(key(id, part));
    if (wasInDb) inStore('drafts', 'readwrite', (s) => s.delete(key(id, part))).catch(() => {});
  }

  // After each action: what the document is now.
  noteDocument(doc, saved) {
    if (this.stopped || !this.id) return;
    if (doc.file !== this.file || saved.length) {
      this.file = doc.file;
      this.kept = false;
    }
    clearTimeout(this.timer);
    this.timer = null;
    // Work that is saved (or was never changed) leaves no draft behind: the browser keeps only
    // what a change not yet saved needs, and a page opened from disk shares its storage with
    // every other local page.
    if (!doc.modified) {
      this.since = null;
      this.discard(this.id);
      this.kept = false;
      return;
    }
    // After a pause in the typing, and at least every few seconds while it goes on.
    this.since ??= Date.now();
    const { pauseMs, mostMs } = this.policy;
    const wait = Math.min(pauseMs, Math.max(0, this.since + mostMs - Date.now()));
    this.timer = setTimeout(() => this.flush(), wait);
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
    this.since = null;
    if (this.stopped || !this.id || !this.engine.keepState()) return;
    const bytes = this.engine.readFile(STATE);
    if (bytes && !this.kept) {
      // The file the changes are to (its other programs' lines a later save keeps).
      this.put(key(this.id, 'file'), this.file);
      const base = this.file ? this.engine.readFile(this.file) : null;
      if (base) this.writeBlob('base', base);
      else this.removePart(this.id, 'base');
      this.kept = true;
    }
    if (bytes) {
      this.writeBlob('recovery', bytes);
      this.put(key(this.id, 'when'), String(Date.now()));
      this.put(key(this.id, 'words'), this.describe());
    }
  }

  put(k, value) {
    try {
      localStorage.setItem(k, value);
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

  remove(k) {
    try {
      localStorage.removeItem(k);
    } catch {
      // storage unavailable: nothing kept, nothing to remove
    }
  }
}
