// The core's worker: runs motifgraft's command line (compiled to WebAssembly) over an in-memory
// file system, one request at a time, so that the page stays responsive during long runs.
//
// Request  {id, op: 'show' | 'apply', name, bytes, source, dest}
// Progress {id, progress: text}
// Answer   {id, status, stdout, stderr, output: {name, bytes} | null, report: text | null}
import createMotifgraftCore from './motifgraft-core.js';

const corePromise = createMotifgraftCore();
const JOB = '/job';
const REPORT = '/report.json';

// argv for the C side: every argument a NUL-terminated UTF-8 string in the module's heap.
function runCommandLine(core, args) {
  const strings = args.map((arg) => {
    const size = core.lengthBytesUTF8(arg) + 1;
    const pointer = core._malloc(size);
    core.stringToUTF8(arg, pointer, size);
    return pointer;
  });
  const argv = core._malloc(4 * strings.length);
  strings.forEach((pointer, i) => core.setValue(argv + 4 * i, pointer, 'i32'));
  try {
    const status = core._motifgraft_run(args.length, argv);
    return {
      status,
      stdout: core.UTF8ToString(core._motifgraft_stdout()),
      stderr: core.UTF8ToString(core._motifgraft_stderr()),
    };
  } finally {
    strings.forEach((pointer) => core._free(pointer));
    core._free(argv);
  }
}

function removeTree(FS, path) {
  if (!FS.analyzePath(path).exists) return;
  if (FS.isDir(FS.stat(path).mode)) {
    for (const entry of FS.readdir(path)) {
      if (entry !== '.' && entry !== '..') removeTree(FS, `${path}/${entry}`);
    }
    FS.rmdir(path);
  } else {
    FS.unlink(path);
  }
}

// The score is written under the user's file name, so that the core's messages and the
// output's name are the ones the tool gives for that file.
function runJob(core, request) {
  const { FS } = core;
  removeTree(FS, JOB);
  removeTree(FS, REPORT);
  FS.mkdir(JOB);
  FS.chdir(JOB);
  try {
    FS.writeFile(request.name, request.bytes);
    const args = request.op === 'show'
      ? ['show', request.name, '--json']
      : ['apply', request.name, '--source', request.source, '--dest', request.dest,
        '--json', REPORT];
    postMessage({ id: request.id, progress: request.op === 'show'
      ? 'reading the score' : 'running SET SOURCE and CREATE' });
    const answer = runCommandLine(core, args);
    // The command's output is the one file in the folder that was not there before.
    const written = FS.readdir(JOB).filter((e) => e !== '.' && e !== '..' && e !== request.name);
    answer.output = written.length === 1
      ? { name: written[0], bytes: FS.readFile(`${JOB}/${written[0]}`) } : null;
    answer.report = FS.analyzePath(REPORT).exists ? FS.readFile(REPORT, { encoding: 'utf8' }) : null;
    return answer;
  } finally {
    FS.chdir('/');
    removeTree(FS, JOB);
    removeTree(FS, REPORT);
  }
}

// A file name as a single path component: browsers give plain names, scripts may give anything.
function safeName(name) {
  const base = String(name ?? '').split(/[\\/]/).pop().replace(/[\u0000-\u001f]/g, '');
  return base === '' || base === '.' || base === '..' ? 'score.musicxml' : base;
}

onmessage = async (event) => {
  const request = event.data ?? {};
  const id = request.id;
  try {
    postMessage({ id, progress: 'loading the core' });
    const core = await corePromise;
    if (request.op !== 'show' && request.op !== 'apply') throw new Error(`unknown request ${request.op}`);
    const answer = runJob(core, {
      id,
      op: request.op,
      name: safeName(request.name),
      bytes: new Uint8Array(request.bytes),
      source: String(request.source ?? ''),
      dest: String(request.dest ?? ''),
    });
    const transfer = answer.output ? [answer.output.bytes.buffer] : [];
    postMessage({ id, ...answer }, transfer);
  } catch (error) {
    postMessage({ id, status: 2, stdout: '', stderr: `motifgraft: ${error.message ?? error}\n`,
      output: null, report: null });
  }
};
