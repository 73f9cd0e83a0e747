// The page list's rows in view, with a margin, are the only ones in the document: a block as tall
// as the whole list holds them at their places, and rows are drawn as they scroll in. DOM only.
import { element } from './element.js';

export const ROW_HEIGHT = 30; // the height of .tree-row in sidebar.css
const MARGIN_ROWS = 15; // drawn beyond each edge, so that a quick scroll seldom shows a gap
const SPARE_ROWS = 60; // elements kept for reuse after their rows scroll out

export class RowWindow {
  // container: the scrolling element. drawRow(element, row, index, reused) brings an element up to
  // date with a row of ShownRows; `element` is null for a new one, and `reused` is true when it
  // last showed another row. pinned() gives the ids of rows that must stay drawn wherever they are
  // (the one with the focus, the one being renamed, the one being dragged).
  constructor(container, drawRow, pinned) {
    this.container = container;
    this.drawRow = drawRow;
    this.pinned = pinned;
    this.block = element('div', { class: 'tree-rows' });
    this.block.setAttribute('role', 'none');
    this.rows = null;
    this.drawn = new Map(); // id → element, in the document
    this.spare = [];
    container.addEventListener('scroll', () => this.update(), { passive: true });
    // A taller list shows more rows.
    new ResizeObserver(() => this.update()).observe(container);
  }

  // Shows `rows` (a ShownRows with at least one row), keeping the scroll position, or with the row
  // at index `centered` brought into the middle of the view when it is out of it.
  show(rows, centered = -1) {
    this.rows = rows;
    if (this.block.parentNode !== this.container || this.container.childElementCount !== 1) {
      this.container.replaceChildren(this.block);
    }
    const height = rows.length * ROW_HEIGHT + 'px';
    if (this.block.style.height !== height) this.block.style.height = height;
    if (centered >= 0) this.reveal(centered, true);
    else this.update();
  }

  // Takes every row out (the list shows something else in their place).
  clear() {
    this.rows = null;
    this.block.replaceChildren();
    this.drawn.clear();
  }

  // The element of a drawn row, or null.
  rowOf(id) {
    return this.drawn.get(id) || null;
  }

  // The drawn elements, top to bottom.
  drawnRows() {
    return [...this.block.children];
  }

  // Scrolls as little as needed to bring the row at index into view (into the middle when
  // `center` and none of it is in view), and draws it.
  reveal(index, center = false) {
    const view = this.container;
    const top = this.block.offsetTop + index * ROW_HEIGHT;
    const height = view.clientHeight;
    const scrolled = view.scrollTop;
    if (top >= scrolled && top + ROW_HEIGHT <= scrolled + height) return this.update();
    if (center && (top + ROW_HEIGHT <= scrolled || top >= scrolled + height)) {
      view.scrollTop = top - (height - ROW_HEIGHT) / 2;
    } else {
      view.scrollTop = top < scrolled ? top : top + ROW_HEIGHT - height;
    }
    this.update();
  }

  // Draws the rows in view and the pinned ones, and takes out the rest.
  update() {
    const rows = this.rows;
    if (!rows || !this.block.isConnected) return;
    const view = this.container;
    const top = view.scrollTop - this.block.offsetTop;
    const first = Math.max(0, Math.floor(top / ROW_HEIGHT) - MARGIN_ROWS);
    const last = Math.min(rows.length - 1, Math.ceil((top + view.clientHeight) / ROW_HEIGHT) + MARGIN_ROWS);
    const wanted = [];
    for (const id of this.pinned()) {
      const index = id ? rows.indexOf(id) : -1;
      if (index >= 0 && (index < first || index > last) && !wanted.includes(index)) wanted.push(index);
    }
    for (let index = first; index <= last; index++) wanted.push(index);
    wanted.sort((a, b) => a - b);

    const ids = new Set(wanted.map((index) => rows.at(index).entry.id));
    for (const [id, node] of this.drawn) {
      if (ids.has(id)) continue;
      node.remove();
      this.drawn.delete(id);
      if (this.spare.length < SPARE_ROWS) this.spare.push(node);
    }
    // A cursor over the drawn elements: only a new row or one out of place is inserted, so that
    // the rows that stay (the focused one above all) are not taken out of the document.
    let cursor = this.block.firstElementChild;
    for (const index of wanted) {
      const row = rows.at(index);
      const kept = this.drawn.get(row.entry.id);
      const node = this.drawRow(kept || this.spare.pop() || null, row, index, !kept);
      this.drawn.set(row.entry.id, node);
      if (cursor === node) cursor = cursor.nextElementSibling;
      else this.block.insertBefore(node, cursor);
    }
  }
}
