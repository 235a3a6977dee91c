// The engine in WebAssembly: its files in memory, and the one way the page runs an action.
import createBidquill from '../bidquill.mjs';

export const APP = '/app';
export const FILES = '/files';
export const STATE = '/state/recovery.ini';

// The single-file edition carries the engine and its files inside the page: opened from disk
// (file://), a page may fetch nothing.
const carried = (() => {
  const e = document.getElementById('bidquillFiles');
  return e ? JSON.parse(e.textContent) : null;
})();

// True in the single-file edition.
export const singleFile = carried !== null;

// The guide the single file carries (its text, without pictures); null elsewhere.
export function carriedGuide() {
  return carried && carried['docs/guide.html'] ? fromBase64(carried['docs/guide.html']) : null;
}

// Bytes as text and back, for localStorage and the files the single file carries.
export function toBase64(bytes) {
  let s = '';
  for (let i = 0; i < bytes.length; i += 0x8000) {
    s += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
  }
  return btoa(s);
}

export function fromBase64(text) {
  const s = atob(text);
  const bytes = new Uint8Array(s.length);
  for (let i = 0; i < s.length; i++) bytes[i] = s.charCodeAt(i);
  return bytes;
}

// A file of the site (its path inside it); null when there is none.
async function siteFile(path) {
  if (carried) return path in carried ? fromBase64(carried[path]) : null;
  const response = await fetch(path.split('/').map(encodeURIComponent).join('/'));
  return response.ok ? new Uint8Array(await response.arrayBuffer()) : null;
}

export class Engine {
  static async load() {
    const module = await createBidquill(carried ? { wasmBinary: await siteFile('bidquill.wasm') } : {});
    const names = module.templateFiles();
    const texts = await Promise.all(names.map((name) => siteFile(`data/tag/${name}`)));
    // The gallery's designs, listed by the build beside them.
    const list = await siteFile('data/designs/index.json').catch(() => null);
    let designNames = [];
    try {
      designNames = list ? JSON.parse(new TextDecoder().decode(list)) : [];
    } catch {
      // no list: no designs
    }
    const designs = await Promise.all(designNames.map((name) => siteFile(`data/designs/${name}`)
      .catch(() => null)));
    const FS = module.FS;
    for (const dir of [APP, `${APP}/data`, `${APP}/data/tag`, `${APP}/data/designs`, `${APP}/docs`,
      FILES, '/state']) {
      FS.mkdir(dir);
    }
    designNames.forEach((name, i) => {
      if (designs[i] && !/[/\\]/.test(name)) FS.writeFile(`${APP}/data/designs/${name}`, designs[i]);
    });
    names.forEach((name, i) => {
      // A template the server did not give is missing; the engine says so by name.
      if (texts[i]) FS.writeFile(`${APP}/data/tag/${name}`, texts[i]);
    });
    // The guide is a page of this site; the engine finds it here and asks to open it.
    FS.writeFile(`${APP}/docs/guide.html`, '');
    return new Engine(module);
  }

  constructor(module) {
    this.module = module;
    this.FS = module.FS;
    this.session = new module.Session(APP, STATE);
  }

  start() {
    return JSON.parse(this.session.start());
  }

  // One action with the dialogs' answers so far; the result as the engine reports it.
  act(args, answers = []) {
    return JSON.parse(this.session.act(args, answers));
  }

  resume(file) {
    return JSON.parse(this.session.resume(file));
  }

  mainPage() { return this.session.mainPage(); }
  framedPage() { return this.session.framedPage(); }
  sourceText() { return this.session.sourceText(); }
  pastedText(box, text) { return this.session.pastedText(box, text); }
  keepState() { return this.session.keepState(); }

  readFile(path) {
    try {
      return this.FS.readFile(path);
    } catch {
      return null;
    }
  }

  writeFile(path, bytes) {
    this.FS.writeFile(path, bytes);
  }
}

// A new place for a file the seller picked or dropped: a folder of its own under /files, so that
// two files of the same name never meet (the title and the save offer show the name alone).
export function newFilePath(engine, name) {
  const clean = String(name).replace(/[/\\\0]/g, '_').slice(-200) || '無題.ini';
  for (let n = 1; ; n++) {
    const folder = `${FILES}/${n}`;
    if (!engine.FS.analyzePath(folder).exists) {
      engine.FS.mkdir(folder);
      return `${folder}/${clean}`;
    }
  }
}

// Puts bytes at a path under /files, making its folder (a kept file from an earlier visit).
export function restoreFile(engine, path, bytes) {
  const folder = path.slice(0, path.lastIndexOf('/'));
  if (!engine.FS.analyzePath(folder).exists) engine.FS.mkdirTree(folder);
  engine.writeFile(path, bytes);
}
