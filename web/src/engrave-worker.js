// The engraver's worker: Verovio (its own module, apart from the core's) turns a score into
// one SVG per page. The SVG keeps the score's tree: every <g class="measure"> holds one
// <g class="staff" data-n="N"> per staff, N counting the staves of all parts in score order.
//
// Request {id, bytes, compressed}
// Answers {id, page: svg text} for each page as soon as it is drawn, then {id, done: true}, or
// {id, error}.
import createVerovioModule from './verovio/verovio-module.mjs';
import { VerovioToolkit } from './verovio/verovio.mjs';

const toolkitPromise = createVerovioModule().then((module) => {
  const toolkit = new VerovioToolkit(module);
  toolkit.setOptions({
    svgAdditionalAttribute: ['measure@n', 'staff@n'],
    pageWidth: 2100,
    pageHeight: 2970,
    scale: 40,
    adjustPageHeight: true,
    breaks: 'auto',
    header: 'none',
    footer: 'none',
  });
  postMessage({ ready: true });
  return toolkit;
});

// The score's text for the engraver; the bytes themselves only ever go to the core.
function scoreText(bytes) {
  const b = new Uint8Array(bytes);
  if (b[0] === 0xff && b[1] === 0xfe) return new TextDecoder('utf-16le').decode(b);
  if (b[0] === 0xfe && b[1] === 0xff) return new TextDecoder('utf-16be').decode(b);
  return new TextDecoder('utf-8').decode(b);
}

onmessage = async (event) => {
  const { id, bytes, compressed } = event.data;
  try {
    const toolkit = await toolkitPromise;
    const loaded = compressed ? toolkit.loadZipDataBuffer(bytes) : toolkit.loadData(scoreText(bytes));
    if (!loaded) throw new Error('the engraver could not read this score');
    for (let page = 1; page <= toolkit.getPageCount(); ++page) postMessage({ id, page: toolkit.renderToSVG(page) });
    postMessage({ id, done: true });
  } catch (error) {
    postMessage({ id, error: String(error.message ?? error) });
  }
};
