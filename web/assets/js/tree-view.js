// The sidebar's page list and its rename field, with the trash list below: DOM only.
import { ContextMenu } from './context-menu.js';
import { element, setText } from './element.js';
import { messages } from './messages.js';
import { TrashView } from './trash-view.js';
import { keyName } from './tree-keyboard.js';
import { displayTitle } from './tree-model.js';
import { ROW_HEIGHT, RowWindow } from './tree-window.js';

const DRAG_TYPE = 'application/x-ferncard-page';
const DROP_MARKS = ['drop-before', 'drop-after', 'drop-inside'];

// The facts each tree row was last drawn from.
const drawnFrom = new WeakMap();

// A new row with its twisty and title: cloned, which costs far less than building.
let rowTemplate = null;
function blankRow() {
  if (!rowTemplate) {
    rowTemplate = element('div', { class: 'tree-row' },
      element('button', { type: 'button', class: 'twisty', tabIndex: -1 }), element('span', { class: 'tree-title' }));
    rowTemplate.setAttribute('role', 'treeitem');
  }
  return rowTemplate.cloneNode(true);
}

const rowAt = (event) => (event.target.closest ? event.target.closest('.tree-row') : null);

export class TreeView {
  constructor({ container, trashButton, trashList, contextMenu }) {
    this.container = container;
    this.trash = new TrashView({ button: trashButton, list: trashList });
    // On closing, the focus goes back to the selected row, or the first.
    this.menu = new ContextMenu(contextMenu, () => this.revealRow(this.facts && this.facts.selectedId) ||
      this.container.querySelector('.tree-row'));
    // What the list was last drawn from: { model, rows, selectedId, filter }.
    this.facts = null;
    this.shown = null;
    // The row that is the list's one tab stop, and the selected page last brought into view.
    this.activeId = null;
    this.revealedId = null;
    this.renamingId = null;
    this.renameInput = null;
    this.renamed = () => {};
    this.dragId = null;
    this.window = new RowWindow(container, (row, shownRow, index, reused) => this.drawRow(row, shownRow, index, reused),
      () => [this.activeId, this.renamingId, this.dragId]);
    // A row focused by a click becomes the tab stop, and so stays drawn.
    container.addEventListener('focusin', (event) => {
      const row = rowAt(event);
      if (!row || event.target !== row || row.dataset.id === this.activeId) return;
      const before = this.rowOf(this.activeId);
      if (before) before.tabIndex = -1;
      this.activeId = row.dataset.id;
      row.tabIndex = 0;
    });
  }

  // ---- Events ----

  // handler(id): a click on a row's title.
  bindSelect(handler) {
    this.container.addEventListener('click', (event) => {
      const row = rowAt(event);
      if (row && !event.target.closest('.twisty')) handler(row.dataset.id);
    });
  }

  // handler(id): a click on a row's twisty.
  bindToggle(handler) {
    this.container.addEventListener('click', (event) => {
      const row = rowAt(event);
      if (!row || !event.target.closest('.twisty')) return;
      event.stopPropagation();
      handler(row.dataset.id);
    });
  }

  // handler(id): a double click on a row.
  bindStartRename(handler) {
    this.container.addEventListener('dblclick', (event) => {
      const row = rowAt(event);
      if (row && !event.target.closest('.twisty')) handler(row.dataset.id);
    });
  }

  // handler(id, value): a rename committed with Enter or by leaving the field.
  bindRename(handler) {
    this.renamed = handler;
  }

  // handler(id, key, expanded) returns whether it handled a key pressed on a focused row; key is
  // its name with modifiers (keyName), expanded the row's aria-expanded ('true', 'false' or null).
  bindRowKey(handler) {
    this.container.addEventListener('keydown', (event) => {
      const row = rowAt(event);
      if (!row || event.target !== row || event.isComposing) return;
      if (handler(row.dataset.id, keyName(event), row.getAttribute('aria-expanded'))) event.preventDefault();
    });
  }

  // handler(id, x, y): a context menu asked for on a row.
  bindContextMenu(handler) {
    this.container.addEventListener('contextmenu', (event) => {
      const row = rowAt(event);
      if (!row) return;
      event.preventDefault();
      handler(row.dataset.id, event.clientX, event.clientY);
    });
  }

  // canDrag(id) says whether a row may be dragged; canDrop(id, targetId) whether it may land on
  // another; drop(id, targetId, position) with 'before', 'after' or 'inside'.
  bindDragAndDrop({ canDrag, canDrop, drop }) {
    const c = this.container;
    c.addEventListener('dragstart', (event) => {
      const row = rowAt(event);
      if (!row || !canDrag(row.dataset.id)) return;
      this.dragId = row.dataset.id;
      event.dataTransfer.setData(DRAG_TYPE, row.dataset.id);
      event.dataTransfer.effectAllowed = 'move';
      row.classList.add('dragging');
    });
    c.addEventListener('dragover', (event) => {
      const row = rowAt(event);
      if (!row || !this.dragId || !event.dataTransfer.types.includes(DRAG_TYPE)) return;
      this.clearDropMarks(row);
      if (!canDrop(this.dragId, row.dataset.id)) return;
      event.preventDefault();
      event.dataTransfer.dropEffect = 'move';
      const box = row.getBoundingClientRect();
      const ratio = (event.clientY - box.top) / box.height;
      row.classList.remove(...DROP_MARKS);
      row.classList.add(ratio < 0.25 ? 'drop-before' : ratio > 0.75 ? 'drop-after' : 'drop-inside');
    });
    c.addEventListener('dragleave', (event) => {
      const row = rowAt(event);
      if (row && !row.contains(event.relatedTarget)) row.classList.remove(...DROP_MARKS);
    });
    c.addEventListener('drop', (event) => {
      const row = rowAt(event);
      const dragId = this.dragId;
      if (!dragId || !event.dataTransfer.types.includes(DRAG_TYPE)) return;
      event.preventDefault();
      const position = !row ? null
        : row.classList.contains('drop-before') ? 'before'
          : row.classList.contains('drop-after') ? 'after'
            : row.classList.contains('drop-inside') ? 'inside' : null;
      this.clearDropMarks(null);
      if (row && position) drop(dragId, row.dataset.id, position);
    });
    c.addEventListener('dragend', () => {
      this.dragId = null;
      this.clearDropMarks(null);
      for (const row of c.querySelectorAll('.tree-row.dragging')) row.classList.remove('dragging');
    });
  }

  // handler(id): the restore button of a trash entry.
  bindRestore(handler) {
    this.trash.bindRestore(handler);
  }

  // handler(id): the delete-for-good button of a trash entry.
  bindPurge(handler) {
    this.trash.bindPurge(handler);
  }

  clearDropMarks(except) {
    for (const row of this.container.querySelectorAll('.drop-before, .drop-after, .drop-inside')) {
      if (row !== except) row.classList.remove(...DROP_MARKS);
    }
  }

  // ---- Focus ----

  // The element of a drawn row, or null; the focused row is always drawn.
  rowOf(id) {
    return this.window.rowOf(id);
  }

  // The row of id scrolled into view and drawn, or null when it is not shown.
  revealRow(id, center = false) {
    const index = this.shown ? this.shown.indexOf(id) : -1;
    if (index < 0) return null;
    this.window.reveal(index, center);
    return this.rowOf(id);
  }

  // Makes the row of id the list's tab stop, brings it into view and focuses it.
  focusPage(id) {
    const index = id && this.shown ? this.shown.indexOf(id) : -1;
    if (index < 0) return;
    this.activeId = id;
    this.window.reveal(index);
    this.rowOf(id).focus({ preventScroll: true });
  }

  // Focuses the row at index (counted from the end when negative), when there is one.
  focusIndex(index) {
    const rows = this.shown;
    const row = rows && rows.at(index < 0 ? rows.length + index : index);
    if (row) this.focusPage(row.entry.id);
  }

  // Focuses the row `step` rows after (or before) the row of id, when there is one.
  focusNear(id, step) {
    const index = this.shown ? this.shown.indexOf(id) : -1;
    if (index >= 0 && index + step >= 0) this.focusIndex(index + step);
  }

  // ---- Rendering ----

  // Rows that stay in view keep their elements, so that a click or double click whose press and
  // release straddle a re-render (a page switch finishing, a write from the queue) still reaches
  // its row, and a drag in progress keeps its source. facts: { model, rows (ShownRows),
  // selectedId, filter }.
  render(facts) {
    this.facts = facts;
    this.trash.render(facts.model);
    // An open rename field is never rebuilt: its text and focus must survive.
    if (this.renamingId && this.renameInput && this.renameInput.isConnected) return;
    const focused = document.activeElement;
    const focusedRow = focused && focused.closest && this.container.contains(focused) ? focused.closest('.tree-row') : null;
    const focusedId = focusedRow ? focusedRow.dataset.id : null;
    const rows = facts.rows;
    this.shown = rows;
    if (!rows.length) {
      this.window.clear();
      // An item of its own, so that the list is still a tree and says why it is empty.
      const empty = element('div', {
        class: 'tree-empty',
        text: facts.filter ? messages.noMatch : messages.noPages,
      });
      empty.setAttribute('role', 'treeitem');
      empty.setAttribute('aria-disabled', 'true');
      this.container.replaceChildren(empty);
      return;
    }
    // The tab stop: the focused row, else the selected one (or the one about to be), else the first.
    const selectedId = facts.selectedId;
    this.activeId = [focusedId, selectedId, facts.openingId].find((id) => id && rows.indexOf(id) >= 0) || rows.at(0).entry.id;
    // A page newly selected (from the switcher, a search), or about to open at start-up, is
    // brought into view before the rows are drawn, so that only the rows around it are.
    const target = selectedId || facts.openingId;
    let centered = -1;
    if (target && target !== this.revealedId && rows.indexOf(target) >= 0) {
      this.revealedId = target;
      if (!focusedId || focusedId === target) centered = rows.indexOf(target);
    }
    this.window.show(rows, centered);
    if (focusedId && document.activeElement !== this.rowOf(focusedId)) this.focusPage(focusedId);
    // Focused and selected at once, so that the first key typed replaces the whole title.
    if (this.renamingId && this.renameInput && document.activeElement !== this.renameInput) {
      this.renameInput.focus();
      this.renameInput.select();
    }
  }

  // Brings a row element (null: a new one) up to date with a row of the list.
  drawRow(row, { entry, depth, size, position, hasChildren, open }, index, reused) {
    const filtered = this.shown.filtered;
    const selected = entry.id === this.facts.selectedId;
    const renaming = entry.id === this.renamingId;
    const tabIndex = entry.id === this.activeId ? 0 : -1;
    if (!row) row = blankRow();
    else if (reused) row.className = 'tree-row';
    // A row drawn from the same facts is left alone but for its place in the focus order.
    const facts = renaming ? null
      : [entry.id, entry.title, selected, depth, size, position, hasChildren, open, filtered, index].join('\n');
    if (row.tabIndex !== tabIndex) row.tabIndex = tabIndex;
    if (facts !== null && drawnFrom.get(row) === facts) return row;
    if (facts === null) drawnFrom.delete(row);
    else drawnFrom.set(row, facts);
    row.dataset.id = entry.id;
    row.style.top = index * ROW_HEIGHT + 'px';
    row.setAttribute('aria-selected', selected ? 'true' : 'false');
    row.setAttribute('aria-level', String(depth + 1));
    row.setAttribute('aria-setsize', String(size));
    row.setAttribute('aria-posinset', String(position));
    row.style.paddingLeft = 2 + 16 * depth + 'px';
    row.draggable = !filtered && !renaming;
    if (hasChildren) row.setAttribute('aria-expanded', open ? 'true' : 'false');
    else row.removeAttribute('aria-expanded');

    const twisty = row.firstElementChild;
    twisty.className = hasChildren ? 'twisty' : 'twisty leaf';
    setText(twisty, open ? '▼' : '▶');
    twisty.setAttribute('aria-label', open ? messages.collapse : messages.expand);

    const label = twisty.nextElementSibling;
    if (renaming) {
      if (label !== this.renameInput) label.replaceWith(this.renameField(entry));
    } else {
      let title = label;
      if (!title.matches('span.tree-title')) {
        title = element('span');
        label.replaceWith(title);
      }
      title.className = entry.title ? 'tree-title' : 'tree-title untitled';
      setText(title, displayTitle(entry));
      title.title = displayTitle(entry);
    }
    return row;
  }

  get menuOpen() {
    return !this.menu.menu.hidden;
  }

  // Shows the context menu at (x, y) with items [{ label, action, danger }].
  openMenu(items, x, y) {
    this.menu.open(items, x, y);
  }

  // ---- Inline rename ----

  get renaming() {
    return this.renamingId !== null;
  }

  startRename(id) {
    this.finishRename(false);
    this.renamingId = id;
    this.renameInput = null;
    this.render(this.facts);
  }

  renameField(entry) {
    const input = element('input', {
      type: 'text', class: 'tree-rename', maxLength: 200, value: entry.title || '',
    });
    input.setAttribute('aria-label', messages.renameTitle);
    input.addEventListener('keydown', (event) => {
      event.stopPropagation();
      if (event.isComposing) return;
      if (event.key === 'Enter') {
        event.preventDefault();
        this.finishRename(true);
      } else if (event.key === 'Escape') {
        event.preventDefault();
        this.finishRename(false);
      }
    });
    input.addEventListener('blur', () => this.finishRename(true));
    for (const type of ['click', 'dblclick', 'mousedown', 'contextmenu']) {
      input.addEventListener(type, (event) => event.stopPropagation());
    }
    this.renameInput = input;
    return input;
  }

  // Only the first of Enter, Escape and losing the focus counts.
  finishRename(commit) {
    const id = this.renamingId;
    const input = this.renameInput;
    if (!id || !input) return;
    this.renamingId = null;
    this.renameInput = null;
    const value = input.value;
    const hadFocus = document.activeElement === input;
    this.render(this.facts);
    if (hadFocus) this.focusPage(id);
    if (commit) this.renamed(id, value);
  }
}
