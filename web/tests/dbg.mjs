import { launchBrowser, openPage, serve, runNative } from './harness.mjs';
import { generatedScore } from './generated-score.mjs';
const server = await serve();
const { browser, close } = await launchBrowser();
const { page } = await openPage(browser, server.url);
const bytes = Buffer.from(generatedScore(500));
for (let i = 0; i < 2; ++i) {
const t = await page.evaluate(async (b64) => {
  const bytes = Uint8Array.from(atob(b64), (c) => c.charCodeAt(0));
  const t0 = performance.now();
  const r = await window.motifgraft.apply(bytes, { name: 'g.musicxml', source: '1:1-1', dest: 'all:1-500' });
  return performance.now() - t0;
}, bytes.toString('base64'));
console.log('page apply ms', t, 'native s', runNative('g.musicxml', bytes, ['apply', 'g.musicxml', '--source', '1:1-1', '--dest', 'all:1-500']).seconds);
}
await close(); server.stop();
