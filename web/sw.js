// The service worker: keeps the build's files in a cache of their own, named after the build, so that after one visit
// the page opens and calculates offline. A new build's worker replaces the old one and deletes its cache.

const prefix = `tevrolin ${self.registration.scope} `;
const cache = `${prefix}@VERSION@`;
const files = [@FILES@];

self.addEventListener('install', (event) => {
    // Revalidated with the server, so that no file from an earlier build can stand in for this build's.
    const requests = files.map((file) => new Request(file, { cache: 'no-cache' }));
    event.waitUntil(caches.open(cache).then((opened) => opened.addAll(requests)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
    const old = (name) => name.startsWith(prefix) && name !== cache;
    event.waitUntil(
        caches.keys()
            .then((names) => Promise.all(names.filter(old).map((name) => caches.delete(name))))
            .then(() => self.clients.claim()),
    );
});

self.addEventListener('fetch', (event) => {
    if (event.request.method !== 'GET') return;
    event.respondWith(
        caches.open(cache)
            .then((opened) => opened.match(event.request, { ignoreSearch: true }))
            .then((cached) => cached ?? fetch(event.request)),
    );
});
