// The page's browser tests: headless Chromium on the served page, every answer compared with
// the native `motifgraft` on the same file and the same choices.
//
//   node tests/run.mjs [NAME...]     (names: sample, suite, malformed, large, render)
//
// Needs build/web (scripts/web-build) and build/native/tools/motifgraft/motifgraft. Ends with
// "N passed, N failed" and exits non-zero when a check failed.
import { execFileSync } from 'node:child_process';
import { mkdirSync, readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import { ROOT, downloaded, launchBrowser, openPage, runNative, serve, temporaryFolder } from './harness.mjs';
import { generatedScore } from './generated-score.mjs';
import { SAMPLE, workSample } from './sample-session.mjs';

const SUITE = path.join(ROOT, 'tests/data/musicxml-testsuite/xmlFiles');
const results = { passed: 0, failed: 0 };
const figures = [];

function expectEqual(actual, expected, what) {
  if (actual !== expected) throw new Error(`${what}: got ${JSON.stringify(actual)}, expected ${JSON.stringify(expected)}`);
}

// ---- inside the page -------------------------------------------------------------------------
function pageApply(base64, name, source, dest) {
  const decode = (text) => Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
  const encode = (bytes) => {
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
    return btoa(text);
  };
  const started = performance.now();
  return window.motifgraft.apply(decode(base64), { name, source, dest }).then((r) => {
    const seconds = (performance.now() - started) / 1000;
    return { status: 0, name: r.name, bytes: encode(r.bytes), report: r.reportJson, seconds };
  },
    (e) => ({ status: e.status, message: e.message }));
}

function pageShow(base64, name) {
  const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
  return window.motifgraft.show(bytes, { name }).then((json) => ({ status: 0, json }),
    (e) => ({ status: e.status, message: e.message }));
}

// ---- comparing with the native tool ---------------------------------------------------------
// Differences between the page's apply and the tool's for one file and choice (empty: none).
async function compareApply(page, name, bytes, source, dest) {
  const native = runNative(name, bytes, ['apply', name, '--source', source, '--dest', dest]);
  const web = await page.evaluate(pageApply, bytes.toString('base64'), name, source, dest);
  const differences = [];
  if (web.status !== native.status) differences.push(`status ${web.status} vs ${native.status}`);
  else if (web.status !== 0) {
    if (web.message !== native.stderr.trim()) differences.push(`message ${JSON.stringify(web.message)} vs ${JSON.stringify(native.stderr.trim())}`);
  } else {
    if (web.name !== native.output?.name) differences.push(`output name ${web.name} vs ${native.output?.name}`);
    if (!native.output || !Buffer.from(web.bytes, 'base64').equals(native.output.bytes)) differences.push('output bytes');
    if (web.report !== native.report) differences.push('report');
  }
  return { differences, native, web };
}

// `bytes` as the score of a compressed MusicXML archive, made by the `zip` program.
function archive(name, bytes) {
  const folder = temporaryFolder('mxl');
  try {
    mkdirSync(path.join(folder, 'META-INF'));
    writeFileSync(path.join(folder, 'mimetype'), 'application/vnd.recordare.musicxml');
    writeFileSync(path.join(folder, 'META-INF/container.xml'), '<?xml version="1.0" encoding="UTF-8"?>\n' +
      `<container><rootfiles><rootfile full-path="${name}"/></rootfiles></container>\n`);
    writeFileSync(path.join(folder, name), bytes);
    execFileSync('zip', ['-X', '-q', '-0', 'score.mxl', 'mimetype'], { cwd: folder });
    execFileSync('zip', ['-X', '-q', '-r', 'score.mxl', 'META-INF', name], { cwd: folder });
    return readFileSync(path.join(folder, 'score.mxl'));
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
}

// Deterministic choices from the score's shape (mulberry32), the command line's forms mixed.
function choicesFor(show, seed, count) {
  let state = seed >>> 0;
  const random = () => {
    state = (state + 0x6d2b79f5) >>> 0;
    let t = Math.imul(state ^ (state >>> 15), 1 | state);
    t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
  const between = (lo, hi) => (hi <= lo ? lo : lo + Math.floor(random() * (hi - lo + 1)));
  const staves = show.staves.length;
  const measures = Math.max(1, show.measures);
  const choices = [];
  for (let k = 0; k < count; ++k) {
    const slot = 1 + (k % Math.max(1, staves));
    const length = measures >= 2 && random() < 0.5 ? 2 : 1;
    const first = between(1, measures - length + 1);
    const staff = show.staves[slot - 1];
    const sourceStaff = k % 3 === 1 && staff ? (staff.staff === 1 ? staff.part : `${staff.part}/${staff.staff}`) : String(slot);
    const destFirst = between(1, measures - length + 1);
    const repeats = between(1, Math.max(1, Math.min(3, Math.floor((measures - destFirst + 1) / length))));
    const a = between(1, Math.max(1, staves));
    const destStaves = [`all`, String(a), `${a}-${between(a, Math.max(a, staves))}`][k % 3];
    choices.push({ source: `${sourceStaff}:${first}-${first + length - 1}`,
      dest: `${destStaves}:${destFirst}-${destFirst + repeats * length - 1}` });
  }
  return choices;
}

// ---- the checks -------------------------------------------------------------------------------
const checks = {
  // The sample through the page as a user works it: clicks on the engraving, Create, downloads.
  async sample({ browser, url }) {
    const downloads = temporaryFolder('downloads');
    const { page, problems } = await openPage(browser, url, downloads);
    try {
      const name = path.basename(SAMPLE);
      const bytes = readFileSync(SAMPLE);
      const chosen = await workSample(page);
      expectEqual(chosen.source, '1:1-1', 'source chosen by a click');
      expectEqual(chosen.dest, '2-3:1-8', 'destination chosen by a drag');

      const native = runNative(name, bytes, ['apply', name, '--source', '1:1-1', '--dest', '2-3:1-8']);
      expectEqual(native.status, 0, 'native exit status');
      const rows = await page.$$eval('#explain tbody tr', (trs) => trs.map((tr) => [...tr.cells].map((c) => c.textContent)));
      const expected = JSON.parse(native.report).repeats.map((r) => [`${r.slot} (${r.part} ${r.staff})`, String(r.layer),
        `${r.measures[0]}–${r.measures[1]}`, r.status + (r.reason ? `: ${r.reason}` : '')]);
      expectEqual(JSON.stringify(rows), JSON.stringify(expected), 'explain table');
      const counts = Object.entries(JSON.parse(native.report)).filter(([, v]) => typeof v === 'number');
      expectEqual(await page.$eval('#explain-summary', (e) => e.textContent),
        counts.map(([k, v]) => `${k.replaceAll('_', ' ')}: ${v}`).join(', '), 'the report\'s counts');
      expectEqual(await page.$$eval('rect.mark-rewritten', (r) => r.length > 0), true, 'rewritten measures marked');

      await page.click('#download-score');
      const score = await downloaded(downloads, native.output.name);
      expectEqual(score.equals(native.output.bytes), true, `downloaded ${native.output.name} equals the tool's`);
      await page.click('#download-report');
      const report = await downloaded(downloads, `${native.output.name}.json`);
      expectEqual(report.toString('utf8'), native.report, 'downloaded report equals the tool\'s --json');

      await page.click('#view-before');
      await page.waitForFunction(() => document.getElementById('view-before').getAttribute('aria-pressed') === 'true'
        && document.querySelectorAll('rect.mark-rewritten').length === 0);
      await page.click('#undo');
      expectEqual(await page.$$eval('#explain tbody tr', (trs) => trs.length), 0, 'explain rows after undo');
      expectEqual(await page.$eval('#download-score', (b) => b.disabled), true, 'download after undo');
      expectEqual(problems.join('\n'), '', 'console errors');
    } finally {
      await page.close();
      rmSync(downloads, { recursive: true, force: true });
    }
  },

  // Every file of the test suite: show, and generated choices through window.motifgraft.apply.
  async suite({ browser, url }) {
    const { page, problems } = await openPage(browser, url);
    let files = 0, choices = 0, rewritten = 0, refused = 0;
    const differences = [];
    try {
      for (const [index, name] of readdirSync(SUITE).sort().entries()) {
        const bytes = readFileSync(path.join(SUITE, name));
        ++files;
        const native = runNative(name, bytes, ['show', name, '--json']);
        const web = await page.evaluate(pageShow, bytes.toString('base64'), name);
        if (web.status !== native.status ||
            (web.status === 0 ? JSON.stringify(web.json) !== JSON.stringify(JSON.parse(native.stdout))
              : web.message !== native.stderr.trim())) {
          differences.push(`${name}: show differs`);
          continue;
        }
        if (native.status !== 0) continue;
        for (const choice of choicesFor(web.json, index + 1, 4)) {
          const result = await compareApply(page, name, bytes, choice.source, choice.dest);
          ++choices;
          if (result.native.status === 0) ++rewritten; else ++refused;
          for (const d of result.differences) differences.push(`${name} --source ${choice.source} --dest ${choice.dest}: ${d}`);
        }
      }
      // The same choices on the first files stored as .mxl archives and as UTF-16 text.
      let variants = 0;
      for (const [index, name] of readdirSync(SUITE).sort().slice(0, 12).entries()) {
        const bytes = readFileSync(path.join(SUITE, name));
        const show = runNative(name, bytes, ['show', name, '--json']);
        if (show.status !== 0) continue;
        for (const [variant, variantBytes] of [[name.replace(/\.\w+$/, '.mxl'), archive(name, bytes)],
          [name, Buffer.concat([Buffer.from([0xff, 0xfe]), Buffer.from(bytes.toString('utf8'), 'utf16le')])]]) {
          for (const choice of choicesFor(JSON.parse(show.stdout), index + 1, 2)) {
            const result = await compareApply(page, variant, variantBytes, choice.source, choice.dest);
            ++variants;
            for (const d of result.differences) differences.push(`${variant} (${variantBytes.length} bytes) --source ${choice.source} --dest ${choice.dest}: ${d}`);
          }
        }
      }
      figures.push(`test suite through window.motifgraft: ${files} files, ${choices} choices (${rewritten} ran, ${refused} refused or unusable); ${variants} more as .mxl and UTF-16; ${differences.length} differences`);
      expectEqual(differences.slice(0, 10).join('\n'), '', 'differences from the native tool');
      expectEqual(problems.join('\n'), '', 'console errors');
    } finally {
      await page.close();
    }
  },

  // A malformed file shows the command line's message, with file, line and column.
  async malformed({ browser, url }) {
    const folder = temporaryFolder('malformed');
    const { page } = await openPage(browser, url);
    try {
      const name = 'broken.musicxml';
      const bytes = Buffer.from('<?xml version="1.0"?>\n<score-partwise>\n  <part-list>\n  </part\n</score-partwise>\n');
      writeFileSync(path.join(folder, name), bytes);
      await (await page.$('#file')).uploadFile(path.join(folder, name));
      await page.waitForFunction(() => !document.getElementById('message').hidden, { timeout: 30000 });
      const native = runNative(name, bytes, ['show', name]);
      expectEqual(native.status, 2, 'native exit status');
      expectEqual(await page.$eval('#message', (e) => e.textContent), native.stderr.trim(), 'the message shown');
      expectEqual(/broken\.musicxml:\d+:\d+: /.test(native.stderr), true, 'message names file, line and column');
      expectEqual(await page.$eval('#create', (b) => b.disabled), true, 'create after a bad file');
    } finally {
      await page.close();
      rmSync(folder, { recursive: true, force: true });
    }
  },

  // The benchmark's 10 MB score: Create completes, the page keeps answering, progress is shown;
  // the same apply through the script interface, timed before the page engraves the score, gives
  // the tool's bytes.
  async large({ browser, url }) {
    const folder = temporaryFolder('large');
    const { page, problems } = await openPage(browser, url);
    try {
      const measures = 500;
      const name = `generated-${measures}.musicxml`;
      const bytes = Buffer.from(generatedScore(measures));
      writeFileSync(path.join(folder, name), bytes);
      // Timed alone first: the engraver below works on the same two cores.
      // The first run also grows the module's memory; the second is the steady state.
      for (const run of ['first', 'second']) {
        const result = await compareApply(page, name, bytes, '1:1-1', `all:1-${measures}`);
        expectEqual(result.differences.join(', '), '', 'the 10 MB score against the tool');
        figures.push(`apply of the ${(bytes.length / 1e6).toFixed(1)} MB score, ${run} run: page ${result.web.seconds.toFixed(2)} s, native ${result.native.seconds.toFixed(2)} s`);
      }
      await (await page.$('#file')).uploadFile(path.join(folder, name));
      await page.waitForFunction(() => !document.getElementById('create').disabled, { timeout: 120000 });
      await page.$eval('#source', (e) => { e.value = '1:1-1'; });
      await page.$eval('#dest', (e, m) => { e.value = `all:1-${m}`; }, measures);
      // The main thread's longest pause while Create runs, seen by a 50 ms timer.
      await page.evaluate(() => {
        window.longestPause = 0;
        let last = performance.now();
        window.pauseTimer = setInterval(() => {
          const now = performance.now();
          window.longestPause = Math.max(window.longestPause, now - last);
          last = now;
        }, 50);
      });
      await page.click('#create');
      const seen = new Set();
      const deadline = Date.now() + 300000;
      let status = '';
      while (Date.now() < deadline) {
        status = await page.$eval('#status-text', (e) => e.textContent);
        if (/^Create: \d+ of/.test(status)) break;
        seen.add(status.replace(/[\d.]+ s$/, 'T s'));
        if (!(await page.$eval('#message', (e) => e.hidden))) break;
        await new Promise((r) => setTimeout(r, 200));
      }
      const pause = await page.evaluate(() => { clearInterval(window.pauseTimer); return window.longestPause; });
      expectEqual(/^Create: \d+ of \d+ stretches rewritten/.test(status), true, `Create finished (status "${status}")`);
      expectEqual([...seen].some((s) => /^Create: running SET SOURCE and CREATE … T s$/.test(s)), true, `progress seen (${[...seen].join(' | ')})`);
      expectEqual(pause < 1000, true, `page responsive during Create (longest pause ${pause.toFixed(0)} ms)`);

      expectEqual(problems.join('\n'), '', 'console errors');
    } finally {
      await page.close();
      rmSync(folder, { recursive: true, force: true });
    }
  },

  // First engraving of a 100-measure score of ten staves (five two-staff parts).
  async render({ browser, url }) {
    const folder = temporaryFolder('render');
    const { page } = await openPage(browser, url);
    try {
      const name = 'generated-100x10.musicxml';
      writeFileSync(path.join(folder, name), generatedScore(100, 5));
      await page.waitForFunction(() => document.body.dataset.engraverReady, { timeout: 60000 });
      const started = Date.now();
      await (await page.$('#file')).uploadFile(path.join(folder, name));
      await page.waitForFunction(() => document.body.dataset.firstPage, { timeout: 120000, polling: 20 });
      const firstPage = (Date.now() - started) / 1000;
      await page.waitForFunction(() => document.body.dataset.engraved, { timeout: 120000, polling: 20 });
      const seconds = (Date.now() - started) / 1000;
      expectEqual(await page.$$eval('#score g.measure', (m) => m.length), 100, 'measures engraved');
      expectEqual(await page.$eval('#score g.measure', (m) => m.querySelectorAll(':scope > g.staff').length), 10, 'staves in a measure');
      figures.push(`100 measures x 10 staves, from opening the file: first page shown ${firstPage.toFixed(2)} s, all pages ${seconds.toFixed(2)} s`);
    } finally {
      await page.close();
      rmSync(folder, { recursive: true, force: true });
    }
  },
};

async function main() {
  const names = process.argv.slice(2).length ? process.argv.slice(2) : Object.keys(checks);
  const server = await serve();
  const { browser, close } = await launchBrowser();
  try {
    for (const name of names) {
      const started = Date.now();
      try {
        if (!checks[name]) throw new Error('no such check');
        await checks[name]({ browser, url: server.url });
        ++results.passed;
        console.log(`ok   ${name} (${((Date.now() - started) / 1000).toFixed(1)} s)`);
      } catch (error) {
        ++results.failed;
        console.log(`FAIL ${name}: ${error.message}`);
      }
    }
  } finally {
    await close();
    server.stop();
  }
  for (const figure of figures) console.log(`figure: ${figure}`);
  console.log(`web: ${results.passed} passed, ${results.failed} failed`);
  process.exitCode = results.failed ? 1 : 0;
}

main();
