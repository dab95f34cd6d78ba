// What the browser tests stand on: the page served locally, Debian's Chromium driven by
// puppeteer-core, and the native `motifgraft` run the way a user runs it.
import { spawn, spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, readdirSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

export const ROOT = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
export const NATIVE_TOOL = path.join(ROOT, 'build/native/tools/motifgraft/motifgraft');

export function temporaryFolder(label) {
  return mkdtempSync(path.join(tmpdir(), `motifgraft-web-${label}-`));
}

// scripts/serve-web on a free port; resolves to {url, stop}.
export function serve() {
  const server = spawn(path.join(ROOT, 'scripts/serve-web'), ['0'], { stdio: ['ignore', 'pipe', 'inherit'] });
  return new Promise((resolve, reject) => {
    server.on('exit', (code) => reject(new Error(`serve-web exited with ${code}`)));
    server.stdout.on('data', (chunk) => {
      const url = /http:\/\/\S+/.exec(String(chunk))?.[0];
      if (url) resolve({ url, stop: () => server.kill() });
    });
  });
}

export async function launchBrowser() {
  const profile = temporaryFolder('profile');
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      `--user-data-dir=${profile}`],
  });
  return { browser, close: async () => { await browser.close(); rmSync(profile, { recursive: true, force: true }); } };
}

// A fresh tab on the page with its downloads going to `downloads`; resolves once the core's
// script interface is there. Console errors and failed requests are collected in `problems`.
export async function openPage(browser, url, downloads) {
  const page = await browser.newPage();
  const problems = [];
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.on('console', (message) => { if (message.type() === 'error') problems.push(`console: ${message.text()}`); });
  page.on('requestfailed', (request) => problems.push(`request failed: ${request.url()}`));
  if (downloads) {
    const session = await page.createCDPSession();
    await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
  }
  await page.setViewport({ width: 1400, height: 1000 });
  await page.goto(url, { waitUntil: 'load' });
  await page.waitForFunction(() => window.motifgraft !== undefined);
  return { page, problems };
}

// Waits until `folder` holds a finished file named `name`; returns its bytes.
// Chromium can list a download under its final name before its last byte is written: the file
// counts once its size holds still from one look to the next.
export async function downloaded(folder, name, timeoutMs = 20000) {
  const deadline = Date.now() + timeoutMs;
  let lastSize = -1;
  while (Date.now() < deadline) {
    if (readdirSync(folder).includes(name)) {
      const size = statSync(path.join(folder, name)).size;
      if (size > 0 && size === lastSize) return readFileSync(path.join(folder, name));
      lastSize = size;
    }
    await new Promise((r) => setTimeout(r, 100));
  }
  throw new Error(`no download named ${name} in ${folder}`);
}

// `motifgraft ARGS` in a folder holding the score under `name`, as a user runs it there.
// Returns {status, stdout, stderr, output: {name, bytes} | null, report: text | null, seconds}.
export function runNative(name, bytes, args) {
  const folder = temporaryFolder('native');
  try {
    writeFileSync(path.join(folder, name), bytes);
    const report = path.join(folder, '..', `${path.basename(folder)}.report.json`);
    const full = args[0] === 'apply' ? [...args, '--json', report] : args;
    const started = process.hrtime.bigint();
    const run = spawnSync(NATIVE_TOOL, full, { cwd: folder, encoding: 'buffer', maxBuffer: 1 << 28 });
    const seconds = Number(process.hrtime.bigint() - started) / 1e9;
    const written = readdirSync(folder).filter((entry) => entry !== name);
    let reportText = null;
    try { reportText = readFileSync(report, 'utf8'); rmSync(report); } catch { /* none written */ }
    return {
      status: run.status,
      stdout: String(run.stdout),
      stderr: String(run.stderr),
      output: written.length === 1 ? { name: written[0], bytes: readFileSync(path.join(folder, written[0])) } : null,
      report: reportText,
      seconds,
    };
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
}
