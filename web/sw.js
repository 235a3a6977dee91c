// Keeps this site's files, so that Bidquill opens without a network once it has been loaded.
// The build writes the version and the list of files in (scripts/web.sh).
const VERSION = '__VERSION__';
const FILES = __FILES__;
const CACHE = `bidquill-${VERSION}`;

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CACHE).then((c) => c.addAll(FILES)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((keys) => Promise.all(keys.filter((k) => k !== CACHE).map((k) => caches.delete(k))))
    .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
  const url = new URL(event.request.url);
  if (event.request.method !== 'GET' || url.origin !== self.location.origin) return;
  event.respondWith(caches.match(event.request, { ignoreSearch: true })
    .then((hit) => hit || fetch(event.request)));
});
