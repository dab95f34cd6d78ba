// The engraved score as something to point at: a click maps to (staff, measure) where the
// staff is the tool's staff number (Verovio numbers the staves of all parts in score order,
// exactly as `motifgraft show` does) and the measure is the measure's POSITION in the document,
// counted from 1, never its printed number (numbers repeat and restart in real scores).
//
// A page gets its click areas and shading only once it scrolls into view, so that a score of
// thousands of measures costs no more than the pages someone looks at.
const SVG_NS = 'http://www.w3.org/2000/svg';

function svgRect(className, box) {
  const rect = document.createElementNS(SVG_NS, 'rect');
  rect.setAttribute('class', className);
  for (const [k, v] of Object.entries({ x: box.x, y: box.y, width: box.width, height: box.height })) {
    rect.setAttribute(k, v);
  }
  return rect;
}

// The staff lines' box (a staff group's own paths) widened by a staff space above and below:
// the whole of it takes clicks, not only the painted lines and notes.
function addHitArea(staff) {
  const lines = [...staff.children].filter((child) => child.tagName === 'path').map((p) => p.getBBox());
  if (lines.length === 0) return;
  const top = Math.min(...lines.map((b) => b.y));
  const bottom = Math.max(...lines.map((b) => b.y + b.height));
  const left = Math.min(...lines.map((b) => b.x));
  const right = Math.max(...lines.map((b) => b.x + b.width));
  const space = (bottom - top) / 4;
  staff.insertBefore(svgRect('hit', { x: left, y: top - space, width: right - left, height: bottom - top + 2 * space }),
    staff.firstChild);
}

export class ScoreView {
  constructor(element) {
    this.element = element;
    this.measures = [];
    this.pages = [];  // {holder, first, last (measure positions), active}
    this.marks = [];  // {kind, firstSlot, lastSlot, first, last}
    this.observer = new IntersectionObserver((entries) => {
      for (const entry of entries) {
        if (entry.isIntersecting) this.activate(this.pages.find((p) => p.holder === entry.target));
      }
    }, { rootMargin: '400px' });
  }

  // Pages come in order, so measures stay in document order.
  addPage(svg) {
    const holder = document.createElement('div');
    holder.className = 'page';
    holder.innerHTML = svg;
    this.element.append(holder);
    const first = this.measures.length + 1;
    this.measures.push(...holder.querySelectorAll('g.measure'));
    const page = { holder, first, last: this.measures.length, active: false };
    this.pages.push(page);
    this.observer.observe(holder);
  }

  clear() {
    this.observer.disconnect();
    this.element.replaceChildren();
    this.measures = [];
    this.pages = [];
  }

  get measureCount() { return this.measures.length; }

  // The highest staff number engraved.
  get staffCount() {
    let most = 0;
    for (const staff of this.element.querySelectorAll('g.measure > g.staff')) {
      most = Math.max(most, Number(staff.getAttribute('data-n')) || 0);
    }
    return most;
  }

  // {slot, measure} under a DOM node, or null.
  cellAt(node) {
    const staff = node instanceof Element ? node.closest('g.staff') : null;
    const measure = staff?.closest('g.measure');
    if (!staff || !measure) return null;
    const slot = Number(staff.getAttribute('data-n'));
    const position = this.measures.indexOf(measure) + 1;
    return Number.isInteger(slot) && slot > 0 && position > 0 ? { slot, measure: position } : null;
  }

  // Shades staves firstSlot..lastSlot of measures first..last with class `kind`.
  mark(kind, { firstSlot, lastSlot, first, last }) {
    const mark = { kind, firstSlot, lastSlot, first, last };
    this.marks.push(mark);
    for (const page of this.pages) if (page.active) this.draw(page, mark);
  }

  unmark(kind) {
    this.marks = this.marks.filter((mark) => mark.kind !== kind);
    for (const rect of this.element.querySelectorAll(`rect.mark-${kind}`)) rect.remove();
  }

  scrollTo(measure) {
    this.measures[measure - 1]?.scrollIntoView({ block: 'center', behavior: 'smooth' });
  }

  activate(page) {
    if (!page || page.active) return;
    page.active = true;
    for (const staff of page.holder.querySelectorAll('g.measure > g.staff')) addHitArea(staff);
    for (const mark of this.marks) this.draw(page, mark);
  }

  draw(page, { kind, firstSlot, lastSlot, first, last }) {
    for (let m = Math.max(first, page.first); m <= Math.min(last, page.last); ++m) {
      for (const staff of this.measures[m - 1].querySelectorAll(':scope > g.staff')) {
        const slot = Number(staff.getAttribute('data-n'));
        const hit = staff.querySelector(':scope > rect.hit');
        if (slot < firstSlot || slot > lastSlot || !hit) continue;
        staff.insertBefore(svgRect(`mark mark-${kind}`, hit.getBBox()), hit.nextSibling);
      }
    }
  }
}
