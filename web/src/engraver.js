// The engraver's client. Its worker starts with the page, so that the engraver is ready when
// the first score comes. One render at a time; a newer request stops an older one (the worker
// is replaced), so that opening another score never waits for the last engraving.
// The page's body carries data-engraver-ready once the engraver has loaded (tests wait for it).
function start() {
  const created = new Worker(new URL('./engrave-worker.js', import.meta.url), { type: 'module' });
  created.onmessage = (event) => { if (event.data.ready) document.body.dataset.engraverReady = 'true'; };
  return created;
}
let worker = start();
let busy = null;
let nextId = 1;

// Calls onPage(svg) for every page as it comes; resolves when the last one came.
export function engrave(bytes, compressed, onPage) {
  if (busy) {
    worker.terminate();
    worker = start();
    busy.reject(new Error('superseded'));
  }
  const id = nextId++;
  return new Promise((resolve, reject) => {
    busy = { resolve, reject };
    worker.onmessage = (event) => {
      const answer = event.data;
      if (answer.ready) document.body.dataset.engraverReady = 'true';
      if (answer.id !== id) return;
      if (answer.page !== undefined) {
        onPage(answer.page);
        return;
      }
      busy = null;
      if (answer.error) reject(new Error(answer.error));
      else resolve();
    };
    const copy = bytes.slice().buffer;
    worker.postMessage({ id, bytes: copy, compressed }, [copy]);
  });
}
