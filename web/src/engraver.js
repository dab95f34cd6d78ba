// The engraver's client: one render at a time; a newer request stops an older one (the worker
// is replaced), so that opening another score never waits for the last engraving.
let worker = null;
let busy = null;
let nextId = 1;

export function engrave(bytes, compressed) {
  if (busy) {
    worker.terminate();
    worker = null;
    busy.reject(new Error('superseded'));
  }
  worker ??= new Worker(new URL('./engrave-worker.js', import.meta.url), { type: 'module' });
  const id = nextId++;
  return new Promise((resolve, reject) => {
    busy = { resolve, reject };
    worker.onmessage = (event) => {
      if (event.data.id !== id) return;
      busy = null;
      if (event.data.error) reject(new Error(event.data.error));
      else resolve(event.data.pages);
    };
    const copy = bytes.slice().buffer;
    worker.postMessage({ id, bytes: copy, compressed }, [copy]);
  });
}
