// The seller's settings files. Where the browser lets us keep a file (the File System Access
// API), 保存 writes back into the file that was opened or chosen; elsewhere opening reads a
// picked file and saving downloads it. The engine reads and writes the bytes in its own memory
// under /files; this module moves them between there and the seller's disk.
import { FILES, newFilePath } from './engine.js';
import { inStore } from './idb.js';

const types = [{ description: '設定ファイル', accept: { 'text/plain': ['.ini'] } }];
// Where the handles of 最近のファイル are kept, beside the handles of open files (whose keys
// are the engine's paths, which all start with /).
const RECENT = 'recent';
export const canKeepFiles = () => typeof window.showOpenFilePicker === 'function' &&
  typeof window.showSaveFilePicker === 'function';

// The browser keeps file handles between visits only in IndexedDB.
const handleStore = (mode, use) => inStore('handles', mode, use);

export class Files {
  constructor(engine) {
    this.recentCount = null;  // how many are kept: the engine's window description says (start)
    this.engine = engine;
    this.handles = new Map();  // engine path -> the file on disk it belongs to
  }

  // The file last opened or saved in an earlier visit, so that 保存 still writes back to it.
  async recall(path) {
    if (!canKeepFiles() || !path) return;
    const handle = await handleStore('readonly', (s) => s.get(path)).catch(() => null);
    if (handle) this.handles.set(path, handle);
  }

  // A file that could not be written is not tried again; 保存 then downloads.
  forget(path) {
    this.handles.delete(path);
    if (canKeepFiles()) handleStore('readwrite', (s) => s.delete(path)).catch(() => {});
  }

  keep(path, handle) {
    this.handles.set(path, handle);
    if (!canKeepFiles()) return;
    // Stub handles (and browsers that cannot store them) just are not kept.
    handleStore('readwrite', (s) => s.put(handle, path)).catch(() => {});
    this.remember(handle).catch(() => {});
  }

  // 最近のファイル: the files opened or saved lately, newest first (none where the browser
  // cannot keep files).
  async recentFiles() {
    if (!canKeepFiles()) return [];
    const list = await handleStore('readonly', (s) => s.get(RECENT)).catch(() => null);
    return Array.isArray(list) ? list : [];
  }

  async remember(handle) {
    const others = [];
    for (const h of await this.recentFiles()) {
      if (!(await h.isSameEntry(handle).catch(() => false))) others.push(h);
    }
    const list = [handle, ...others].slice(0, this.recentCount);
    await handleStore('readwrite', (s) => s.put(list, RECENT));
  }

  // A recent file put where the engine opens it; its path. Throws with the seller's message
  // when the browser refuses it or it is gone.
  async openRecent(handle) {
    if (handle.requestPermission && (await handle.queryPermission({ mode: 'read' })) !== 'granted' &&
        (await handle.requestPermission({ mode: 'read' })) !== 'granted') {
      throw new Error(`「${handle.name}」を読むことが許可されませんでした。`);
    }
    let file;
    try {
      file = await handle.getFile();
    } catch {
      throw new Error(`「${handle.name}」が見つかりません。移動したか削除された可能性があります。` +
        '設定ファイルを開く から選び直してください。');
    }
    const path = await this.take(file);
    this.keep(path, handle);
    return path;
  }

  // Lets the seller pick a file and puts it where the engine opens it; the path, or null.
  async pickToOpen() {
    if (canKeepFiles()) {
      let handle;
      try {
        [handle] = await window.showOpenFilePicker({ types, multiple: false });
      } catch {
        return null;  // cancelled
      }
      const file = await handle.getFile();
      const path = await this.take(file);
      this.keep(path, handle);
      return path;
    }
    const file = await pickWithInput();
    return file ? this.take(file) : null;
  }

  // The one settings file a drop carries, put where the engine opens it; null otherwise.
  async takeDropped(transfer) {
    const items = [...transfer.items].filter((i) => i.kind === 'file');
    if (items.length !== 1) return null;
    // Read the handle while the drop lasts: where the browser gives one, 保存 writes back.
    const handle = items[0].getAsFileSystemHandle ? items[0].getAsFileSystemHandle() : null;
    const file = items[0].getAsFile();
    if (!file || !/\.ini$/i.test(file.name)) return null;
    const path = await this.take(file);
    const h = handle ? await handle.catch(() => null) : null;
    if (h && h.kind === 'file') this.keep(path, h);
    return path;
  }

  async take(file) {
    const bytes = new Uint8Array(await file.arrayBuffer());
    const path = newFilePath(this.engine, file.name);
    this.engine.writeFile(path, bytes);
    return path;
  }

  // The file to save into: its path for the engine, with what the file holds now put there
  // first, so that the lines other programs wrote into it are kept; null when cancelled.
  async pickToSave(offeredName) {
    let name = baseName(offeredName) || '無題.ini';
    if (!/\.ini$/i.test(name)) name += '.ini';
    if (!canKeepFiles()) {
      // Downloading again under the listing's own name is saving over it: its other lines stay.
      const same = String(offeredName || '').startsWith(`${FILES}/`) &&
        this.engine.FS.analyzePath(offeredName).exists;
      return same ? offeredName : newFilePath(this.engine, name);
    }
    let handle;
    try {
      handle = await window.showSaveFilePicker({ suggestedName: name, types });
    } catch {
      return null;
    }
    const existing = await handle.getFile().catch(() => null);
    const bytes = existing && existing.size > 0 ? new Uint8Array(await existing.arrayBuffer()) : null;
    const path = newFilePath(this.engine, handle.name);
    if (bytes) this.engine.writeFile(path, bytes);
    this.keep(path, handle);
    return path;
  }

  // Hands the bytes the engine saved to the seller: into the kept file, else as a download.
  // Throws when the file could not be written.
  async deliver(path) {
    const bytes = this.engine.readFile(path);
    const handle = this.handles.get(path);
    if (handle) {
      // A file kept from an earlier visit needs the seller's leave again.
      if (handle.requestPermission && (await handle.queryPermission({ mode: 'readwrite' })) !== 'granted' &&
          (await handle.requestPermission({ mode: 'readwrite' })) !== 'granted') {
        throw new Error('ファイルへの書き込みが許可されませんでした。');
      }
      const writable = await handle.createWritable();
      await writable.write(bytes);
      await writable.close();
      return 'written';
    }
    const url = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
    const a = document.createElement('a');
    a.href = url;
    a.download = baseName(path);
    document.body.append(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60000);
    return 'downloaded';
  }
}

export function baseName(path) {
  return String(path || '').split(/[/\\]/).pop();
}

function pickWithInput() {
  return new Promise((resolve) => {
    const input = document.createElement('input');
    input.type = 'file';
    input.accept = '.ini,text/plain';
    input.id = 'filOpen';
    input.hidden = true;
    const done = (file) => {
      input.remove();
      resolve(file);
    };
    input.addEventListener('change', () => done(input.files[0] || null));
    input.addEventListener('cancel', () => done(null));
    document.body.append(input);
    input.click();
  });
}
