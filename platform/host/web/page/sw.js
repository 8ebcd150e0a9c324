// The service worker: keeps every file of the page so that it starts without a
// network once it has been loaded. Written into dist/ with its cache name and file
// list filled in.
'use strict';
const CACHE = '@CACHE_NAME@';
const FILES = [
@PAGE_FILES@];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(FILES))
                    .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
                    .then((names) => Promise.all(names.filter((n) => n !== CACHE)
                                                   .map((n) => caches.delete(n))))
                    .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET') return;
  // The page itself is asked for under its folder's address, with or without options.
  const lookup = request.mode === 'navigate' ? './index.html' : request;
  event.respondWith(caches.open(CACHE)
                      .then((cache) => cache.match(lookup, {ignoreSearch: true}))
                      .then((hit) => hit || fetch(request)));
});
