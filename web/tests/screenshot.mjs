// The demo's picture of the page: the sample worked through it in headless Chromium (clicks,
// Create), saved as a PNG.   node tests/screenshot.mjs OUT.png
import { launchBrowser, openPage, serve } from './harness.mjs';
import { workSample } from './sample-session.mjs';

const out = process.argv[2];
const server = await serve();
const { browser, close } = await launchBrowser();
try {
  const { page, problems } = await openPage(browser, server.url);
  const chosen = await workSample(page);
  await page.evaluate(() => document.querySelector('#explain tbody tr:nth-child(3)')?.click());
  await page.screenshot({ path: out, fullPage: true });
  console.log(`page: --source ${chosen.source} --dest ${chosen.dest}; ` +
    `${await page.$eval('#status-text', (e) => e.textContent)}`);
  if (problems.length) throw new Error(problems.join('\n'));
} finally {
  await close();
  server.stop();
}
