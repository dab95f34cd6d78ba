// window.motifgraft: the page's script interface, and the only way the page itself talks to
// the core. Every answer is what `motifgraft` answers for the same file and arguments:
//
//   show(bytes, {name})                 -> promise of the JSON of `motifgraft show --json`
//   apply(bytes, {source, dest, name})  -> promise of {bytes, name, report, reportJson}: the
//       rewritten file as `motifgraft apply` writes it, its name (NAME.motifgraft.EXT), the
//       `--json` report parsed and as written
//
// Refusals and errors reject with {status, message}: the exit status (1 refused, 2 unusable
// input) and the command's message. `bytes` is an ArrayBuffer, a typed array or a Blob;
// `name` (default "score.musicxml") is the file name the messages and the output name use.
// `onProgress(text)`, when given in the options, hears what the core is doing.

const worker = new Worker(new URL('./core-worker.js', import.meta.url), { type: 'module' });
const pending = new Map();
let nextId = 1;

worker.onmessage = (event) => {
  const answer = event.data;
  const job = pending.get(answer.id);
  if (!job) return;
  if (answer.progress !== undefined) {
    job.onProgress?.(answer.progress);
    return;
  }
  pending.delete(answer.id);
  job.resolve(answer);
};

async function asBuffer(bytes) {
  if (bytes instanceof Blob) return bytes.arrayBuffer();
  if (bytes instanceof ArrayBuffer) return bytes.slice(0);
  if (ArrayBuffer.isView(bytes)) {
    return bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength);
  }
  throw { status: 2, message: 'motifgraft: the score must be bytes (ArrayBuffer, typed array or Blob)' };
}

async function run(op, bytes, options = {}) {
  const buffer = await asBuffer(bytes);
  const id = nextId++;
  const answer = await new Promise((resolve) => {
    pending.set(id, { resolve, onProgress: options.onProgress });
    worker.postMessage({ id, op, name: options.name ?? 'score.musicxml', bytes: buffer,
      source: options.source, dest: options.dest }, [buffer]);
  });
  if (answer.status !== 0) {
    throw { status: answer.status, message: answer.stderr.trim() };
  }
  return answer;
}

export async function show(bytes, options = {}) {
  const answer = await run('show', bytes, options);
  return JSON.parse(answer.stdout);
}

export async function apply(bytes, options = {}) {
  const answer = await run('apply', bytes, options);
  if (!answer.output || answer.report === null) {
    throw { status: 2, message: 'motifgraft: the command wrote no result' };
  }
  return { bytes: answer.output.bytes, name: answer.output.name,
    report: JSON.parse(answer.report), reportJson: answer.report };
}

window.motifgraft = Object.freeze({ show, apply });
