// The sample as a user works it in the page: open samples/comping.musicxml by the file input,
// click measure 1 of staff 1 (the rhythm), drag from staff 2 measure 1 to staff 3 measure 8
// (both piano staves), press Create and wait for its answer. Shared by the browser test and
// the demo's screenshot.
import path from 'node:path';
import { ROOT } from './harness.mjs';

export const SAMPLE = path.join(ROOT, 'samples', 'comping.musicxml');

// The middle of a staff's clickable area in a measure (by position), in page pixels.
async function staffCenter(page, slot, measure) {
  await page.waitForFunction((s, m) => document.querySelectorAll('#score g.measure')[m - 1]
    ?.querySelector(`:scope > g.staff[data-n="${s}"] > rect.hit`), {}, slot, measure);
  return page.evaluate((s, m) => {
    const staff = document.querySelectorAll('#score g.measure')[m - 1].querySelector(`:scope > g.staff[data-n="${s}"]`);
    const box = staff.querySelector(':scope > rect.hit').getBoundingClientRect();
    return { x: box.x + box.width / 2, y: box.y + box.height / 2 };
  }, slot, measure);
}

export async function workSample(page) {
  await (await page.$('#file')).uploadFile(SAMPLE);
  await page.waitForFunction(() => document.body.dataset.engraved, { timeout: 60000 });
  const source = await staffCenter(page, 1, 1);
  await page.mouse.click(source.x, source.y);
  const from = await staffCenter(page, 2, 1);
  const to = await staffCenter(page, 3, 8);
  await page.mouse.move(from.x, from.y);
  await page.mouse.down();
  await page.mouse.move((from.x + to.x) / 2, (from.y + to.y) / 2, { steps: 5 });
  await page.mouse.move(to.x, to.y, { steps: 5 });
  await page.mouse.up();
  const chosen = {
    source: await page.$eval('#source', (e) => e.value),
    dest: await page.$eval('#dest', (e) => e.value),
  };
  await page.click('#create');
  await page.waitForFunction(() => /^Create: \d+ of \d+ stretches rewritten in [\d.]+ s\.$/
    .test(document.getElementById('status-text').textContent) || !document.getElementById('message').hidden,
  { timeout: 60000 });
  const message = await page.$eval('#message', (e) => (e.hidden ? '' : e.textContent));
  if (message) throw new Error(`Create with ${JSON.stringify(chosen)} answered: ${message}`);
  await page.waitForFunction(() => !document.body.dataset.engraving, { timeout: 60000 });
  return chosen;
}
