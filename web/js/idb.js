// The page's one IndexedDB database: file handles (files.js) and the large parts of drafts
// (storage.js), which localStorage could not hold.
const NAME = 'bidquill';
const VERSION = 2;
const STORES = ['handles', 'drafts'];

function open() {
  return new Promise((resolve, reject) => {
    const request = indexedDB.open(NAME, VERSION);
    request.onupgradeneeded = () => {
      for (const s of STORES) {
        if (!request.result.objectStoreNames.contains(s)) request.result.createObjectStore(s);
      }
    };
    request.onerror = () => reject(request.error);
    request.onsuccess = () => resolve(request.result);
  });
}

// Runs `use(objectStore)` in a transaction of its own; the request's result once committed.
export async function inStore(store, mode, use) {
  const db = await open();
  return new Promise((resolve, reject) => {
    const tx = db.transaction(store, mode);
    const request = use(tx.objectStore(store));
    tx.oncomplete = () => { db.close(); resolve(request.result); };
    tx.onerror = () => { db.close(); reject(tx.error); };
    tx.onabort = () => { db.close(); reject(tx.error); };
    // Written now, not when the page gets round to it: a closing tab may not.
    if (mode === 'readwrite' && tx.commit) tx.commit();
  });
}
