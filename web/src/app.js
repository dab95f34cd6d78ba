// The page: opens a score, maps clicks on the engraving to the command line's selection
// strings, runs Create through window.motifgraft and shows what the core answered. No rule of
// the command lives here: the core decides everything and writes every byte.
import { show, apply } from './motifgraft-api.js';
import { engrave } from './engraver.js';
import { ScoreView } from './score-view.js';

const $ = (id) => document.getElementById(id);
const view = new ScoreView($('score'));

// states[0] is the score as opened; every Create pushes its result, Undo pops it.
const page = { name: '', states: [], staves: null, viewing: 'after', source: null, dest: null,
  drag: null, busy: false, renderToken: 0, explainToken: 0 };
const current = () => page.states[page.states.length - 1];

const isArchive = (bytes) => bytes[0] === 0x50 && bytes[1] === 0x4b && bytes[2] === 0x03 && bytes[3] === 0x04;

function setStatus(text, working = false) {
  $('status-text').textContent = text;
  $('progress').hidden = !working;
}

function showMessage(text) {
  $('message').textContent = text;
  $('message').hidden = !text;
}

// Runs `work` with the elapsed time ticking in the status line.
async function withProgress(label, work) {
  const start = performance.now();
  let stage = '';
  const tick = () => setStatus(`${label}${stage ? `: ${stage}` : ''} … ${((performance.now() - start) / 1000).toFixed(1)} s`, true);
  tick();
  const timer = setInterval(tick, 100);
  try {
    return await work((text) => { stage = text; tick(); });
  } finally {
    clearInterval(timer);
  }
}

function updateButtons() {
  const open = page.states.length > 0;
  const result = open ? current().result : null;
  $('create').disabled = !open || page.busy;
  $('undo').disabled = page.states.length < 2 || page.busy;
  $('view-before').disabled = !result;
  $('view-after').disabled = !result;
  $('view-before').setAttribute('aria-pressed', String(!!result && page.viewing === 'before'));
  $('view-after').setAttribute('aria-pressed', String(!!result && page.viewing === 'after'));
  $('download-score').disabled = !result;
  $('download-report').disabled = !result;
}

function fillStaves(staves) {
  const rows = staves.staves.map((s) => {
    const tr = document.createElement('tr');
    const voices = s.voices.map((v, i) => `${v}→${i + 1}`).join(' ') || 'none';
    const name = s.name ? ` “${s.name}”` : '';
    for (const text of [String(s.slot), `${s.part}${name} ${s.staff}`, voices]) {
      tr.append(Object.assign(document.createElement('td'), { textContent: text }));
    }
    return tr;
  });
  $('staves').tBodies[0].replaceChildren(...rows);
}

// The explain table, a few hundred rows per frame: a score of thousands of repeats must not
// freeze the page. A row's click selects its measures.
function fillExplain(report) {
  const body = $('explain').tBodies[0];
  const token = ++page.explainToken;
  body.replaceChildren();
  const rows = report?.repeats ?? [];
  // The report's counts besides the rows, as it names them ("lyrics_moved": 4 -> lyrics moved: 4).
  $('explain-summary').textContent = Object.entries(report ?? {})
    .filter(([, value]) => typeof value === 'number')
    .map(([key, value]) => `${key.replaceAll('_', ' ')}: ${value}`).join(', ');
  const addRows = (from) => {
    if (token !== page.explainToken) return;
    const fragment = document.createDocumentFragment();
    for (const row of rows.slice(from, from + 300)) {
      const tr = document.createElement('tr');
      const cells = [`${row.slot} (${row.part} ${row.staff})`, String(row.layer),
        `${row.measures[0]}–${row.measures[1]}`, row.status + (row.reason ? `: ${row.reason}` : '')];
      for (const text of cells) tr.append(Object.assign(document.createElement('td'), { textContent: text }));
      tr.lastChild.className = row.status;
      fragment.append(tr);
    }
    body.append(fragment);
    if (from + 300 < rows.length) requestAnimationFrame(() => addRows(from + 300));
  };
  addRows(0);
}

$('explain').tBodies[0].addEventListener('click', (event) => {
  const tr = event.target.closest('tr');
  const row = tr && current()?.result?.report.repeats[tr.sectionRowIndex];
  if (row) selectRow(tr, row);
});

function selectRow(tr, row) {
  for (const other of $('explain').tBodies[0].rows) other.classList.toggle('selected', other === tr);
  view.unmark('row');
  view.mark('row', { firstSlot: row.slot, lastSlot: row.slot, first: row.measures[0], last: row.measures[1] });
  view.scrollTo(row.measures[0]);
}

// The bytes the score view shows: the current state, or the one before it.
function viewedBytes() {
  const before = page.viewing === 'before' && page.states.length > 1;
  return before ? page.states[page.states.length - 2].bytes : current().bytes;
}

function drawMarks() {
  for (const kind of ['source', 'dest', 'rewritten', 'skipped', 'row']) view.unmark(kind);
  if (page.source) view.mark('source', { firstSlot: page.source.slot, lastSlot: page.source.slot, ...page.source });
  if (page.dest) view.mark('dest', page.dest);
  const result = current()?.result;
  if (result && page.viewing === 'after') {
    for (const row of result.report.repeats) {
      view.mark(row.status, { firstSlot: row.slot, lastSlot: row.slot, first: row.measures[0], last: row.measures[1] });
    }
  }
}

// Engraves the viewed state in the background: the page, Create included, stays usable.
async function render() {
  const token = ++page.renderToken;
  const bytes = viewedBytes();
  document.body.dataset.engraving = 'true';
  $('engraving').hidden = false;
  try {
    view.clear();
    await engrave(bytes, isArchive(bytes), (svg) => {
      view.addPage(svg);
      document.body.dataset.firstPage = String(token);
    });
    if (token !== page.renderToken) return;
    drawMarks();
    // Clicks map by position and staff number; where the engraver counted otherwise (a
    // multi-measure rest drawn as one, a part's staves merged), say so rather than mislead.
    const staves = view.staffCount;
    if (view.measureCount !== page.staves.measures || staves !== page.staves.staves.length) {
      showMessage(`The engraving shows ${view.measureCount} measures of ${staves} staves where the score has ` +
        `${page.staves.measures} of ${page.staves.staves.length}: clicks may pick the wrong measures here, type the selections instead.`);
    }
    document.body.dataset.engraved = String(token);
  } catch (error) {
    if (error.message !== 'superseded' && token === page.renderToken) {
      view.clear();
      showMessage(`The score could not be engraved (${error.message}); Create still works on typed selections.`);
    }
  } finally {
    if (token === page.renderToken) {
      delete document.body.dataset.engraving;
      $('engraving').hidden = true;
    }
  }
}

async function openScore(file) {
  const bytes = new Uint8Array(await file.arrayBuffer());
  showMessage('');
  page.busy = true;
  updateButtons();
  try {
    const staves = await withProgress(`Reading ${file.name}`, (progress) =>
      show(bytes, { name: file.name, onProgress: progress }));
    Object.assign(page, { name: file.name, staves, states: [{ bytes, result: null }], source: null, dest: null, viewing: 'after' });
    $('file-name').textContent = `${file.name}: ${staves.measures} measures, ${staves.staves.length} staves`;
    $('source').value = '';
    $('dest').value = '';
    fillStaves(staves);
    fillExplain(null);
    setStatus('Click a measure for the source rhythm, then drag over the measures to rewrite.');
    render();
  } catch (error) {
    Object.assign(page, { name: '', staves: null, states: [] });
    view.clear();
    fillStaves({ staves: [] });
    fillExplain(null);
    $('file-name').textContent = file.name;
    showMessage(error.message ?? String(error));
    setStatus('This file cannot be used.');
  } finally {
    page.busy = false;
    updateButtons();
  }
}

async function create() {
  if (page.busy || page.states.length === 0) return;
  showMessage('');
  page.busy = true;
  updateButtons();
  const started = performance.now();
  try {
    const result = await withProgress('Create', (progress) => apply(current().bytes, {
      name: page.name, source: $('source').value.trim(), dest: $('dest').value.trim(), onProgress: progress }));
    const seconds = ((performance.now() - started) / 1000).toFixed(2);
    page.states.push({ bytes: new Uint8Array(result.bytes), result });
    page.viewing = 'after';
    // The result's own shading (rewritten, skipped) takes the place of the chosen measures'.
    page.dest = null;
    const rewritten = result.report.repeats.filter((r) => r.status === 'rewritten').length;
    fillExplain(result.report);
    setStatus(`Create: ${rewritten} of ${result.report.repeats.length} stretches rewritten in ${seconds} s.`);
    render();
  } catch (error) {
    showMessage(error.message ?? String(error));
    setStatus(error.status === 1 ? 'Create refused.' : 'Create failed.');
  } finally {
    page.busy = false;
    updateButtons();
  }
}

function undo() {
  if (page.states.length < 2 || page.busy) return;
  page.states.pop();
  page.viewing = 'after';
  fillExplain(current().result?.report);
  updateButtons();
  setStatus('Undone.');
  render();
}

function switchView(which) {
  page.viewing = which;
  updateButtons();
  render();
}

function download(bytes, name, type) {
  const url = URL.createObjectURL(new Blob([bytes], { type }));
  const link = Object.assign(document.createElement('a'), { href: url, download: name });
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10000);
}

// ---- clicks and drags on the engraving -----------------------------------------------------
const mode = () => document.querySelector('input[name=mode]:checked').value;

function setSource(slot, first, last) {
  page.source = { slot, first: Math.min(first, last), last: Math.max(first, last) };
  $('source').value = `${slot}:${page.source.first}-${page.source.last}`;
  drawMarks();
}

function setDest(a, b) {
  page.dest = { firstSlot: Math.min(a.slot, b.slot), lastSlot: Math.max(a.slot, b.slot),
    first: Math.min(a.measure, b.measure), last: Math.max(a.measure, b.measure) };
  const staves = page.dest.firstSlot === page.dest.lastSlot ? `${page.dest.firstSlot}` : `${page.dest.firstSlot}-${page.dest.lastSlot}`;
  $('dest').value = `${staves}:${page.dest.first}-${page.dest.last}`;
  drawMarks();
}

$('score').addEventListener('pointerdown', (event) => {
  const cell = view.cellAt(event.target);
  if (!cell || event.button !== 0) return;
  event.preventDefault();
  page.drag = { start: cell, moved: false, shift: event.shiftKey };
});

$('score').addEventListener('pointermove', (event) => {
  if (!page.drag) return;
  const cell = view.cellAt(event.target);
  if (!cell || (cell.slot === page.drag.start.slot && cell.measure === page.drag.start.measure && !page.drag.moved)) return;
  page.drag.moved = true;
  setDest(page.drag.start, cell);
});

window.addEventListener('pointerup', (event) => {
  const drag = page.drag;
  page.drag = null;
  if (!drag || drag.moved) return;
  const cell = view.cellAt(event.target) ?? drag.start;
  if (mode() === 'source') {
    const extend = drag.shift && page.source && page.source.slot === cell.slot;
    setSource(cell.slot, extend ? page.source.first : cell.measure, cell.measure);
  } else {
    const anchor = drag.shift && page.dest ? { slot: page.dest.firstSlot, measure: page.dest.first } : cell;
    setDest(anchor, cell);
  }
});

// Typed selections go to the core as typed; the shading of clicks no longer applies.
$('source').addEventListener('input', () => { page.source = null; drawMarks(); });
$('dest').addEventListener('input', () => { page.dest = null; drawMarks(); });

// ---- the rest of the wiring --------------------------------------------------------------------
$('file').addEventListener('change', (event) => {
  const file = event.target.files[0];
  if (file) openScore(file);
  event.target.value = '';
});
document.addEventListener('dragover', (event) => { event.preventDefault(); document.body.classList.add('dragging-file'); });
document.addEventListener('dragleave', () => document.body.classList.remove('dragging-file'));
document.addEventListener('drop', (event) => {
  event.preventDefault();
  document.body.classList.remove('dragging-file');
  const file = event.dataTransfer.files[0];
  if (file) openScore(file);
});
$('create').addEventListener('click', create);
$('undo').addEventListener('click', undo);
$('view-before').addEventListener('click', () => switchView('before'));
$('view-after').addEventListener('click', () => switchView('after'));
$('download-score').addEventListener('click', () => {
  const { result } = current();
  download(result.bytes, result.name, 'application/octet-stream');
});
$('download-report').addEventListener('click', () => {
  const { result } = current();
  download(result.reportJson, `${result.name}.json`, 'application/json');
});
updateButtons();
