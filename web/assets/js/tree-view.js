// The sidebar's page list and its rename field, with the trash list below: DOM only.
import { ContextMenu } from './context-menu.js';
import { element, setText } from './element.js';
import { messages } from './messages.js';
import { TrashView } from './trash-view.js';
import { keyName } from './tree-keyboard.js';
import { displayTitle } from './tree-model.js';

const DRAG_TYPE = 'application/x-ferncard-page';
const STALE_AT_ONCE = 100;
const DROP_MARKS = ['drop-before', 'drop-after', 'drop-inside'];

// The facts each tree row was last drawn from.
const drawnFrom = new WeakMap();

// A new list item with its row, twisty and title: cloned, which costs far less than building.
let itemTemplate = null;
function blankItem() {
  if (!itemTemplate) {
    const row = element('div', { class: 'tree-row' },
      element('button', { type: 'button', class: 'twisty', tabIndex: -1 }), element('span', { class: 'tree-title' }));
    row.setAttribute('role', 'treeitem');
    itemTemplate = element('li', {}, row);
    itemTemplate.setAttribute('role', 'none');
  }
  return itemTemplate.cloneNode(true);
}

const rowAt = (event) => (event.target.closest ? event.target.closest('.tree-row') : null);

export class TreeView {
  constructor({ container, trashButton, trashList, contextMenu }) {
    this.container = container;
    this.trash = new TrashView({ button: trashButton, list: trashList });
    // On closing, the focus goes back to the selected row, or the first.
    this.menu = new ContextMenu(contextMenu, () => this.rowOf(this.facts && this.facts.selectedId) ||
      this.container.querySelector('.tree-row'));
    // What the list was last drawn from: { model, selectedId, expanded, filter }.
    this.facts = null;
    this.renamingId = null;
    this.renameInput = null;
    this.renamed = () => {};
    this.dragId = null;
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

  rows() {
    return [...this.container.querySelectorAll('.tree-row')];
  }

  rowOf(id) {
    return this.rows().find((row) => row.dataset.id === id) || null;
  }

  focusRow(row) {
    for (const other of this.container.querySelectorAll('.tree-row')) other.tabIndex = -1;
    row.tabIndex = 0;
    row.focus();
  }

  // Focuses the row `step` rows after (or before) the row of id, when there is one.
  focusNear(id, step) {
    const rows = this.rows();
    const index = rows.findIndex((row) => row.dataset.id === id);
    if (index >= 0 && rows[index + step]) this.focusRow(rows[index + step]);
  }

  focusPage(id) {
    const row = id ? this.rowOf(id) : null;
    if (row) this.focusRow(row);
  }

  // ---- Rendering ----

  // The list is updated in place: rows that stay keep their elements, so a click or double
  // click whose press and release straddle a re-render (a page switch finishing, a write from
  // the queue) still reaches its row, and a drag in progress keeps its source.
  render(facts) {
    this.facts = facts;
    this.trash.render(facts.model);
    // An open rename field is never rebuilt: its text and focus must survive.
    if (this.renamingId && this.renameInput && this.renameInput.isConnected) return;
    const focusedRow = document.activeElement && document.activeElement.closest
      ? document.activeElement.closest('.tree-row') : null;
    const focusedId = focusedRow && this.container.contains(focusedRow) ? focusedRow.dataset.id : null;

    const matches = facts.filter ? facts.model.matchingIds(facts.filter, displayTitle) : null;
    const current = this.container.firstElementChild;
    const reuse = current && current.matches('ul.tree-list') ? current : null;
    const list = this.renderLevel(null, 0, matches, reuse);
    if (list) {
      list.setAttribute('role', 'none');
      if (list !== current || this.container.childElementCount !== 1) this.container.replaceChildren(list);
    } else {
      // An item of its own, so that the list is still a tree and says why it is empty.
      const empty = element('div', {
        class: 'tree-empty',
        text: facts.filter ? messages.noMatch : messages.noPages,
      });
      empty.setAttribute('role', 'treeitem');
      empty.setAttribute('aria-disabled', 'true');
      this.container.replaceChildren(empty);
    }
    const rows = this.rows();
    if (rows.length && !rows.some((row) => row.tabIndex === 0)) rows[0].tabIndex = 0;
    if (focusedId) {
      const row = rows.find((candidate) => candidate.dataset.id === focusedId);
      if (row) this.focusRow(row);
    }
    // Focused and selected at once, so that the first key typed replaces the whole title.
    if (this.renamingId && this.renameInput && document.activeElement !== this.renameInput) {
      this.renameInput.focus();
      this.renameInput.select();
    }
  }

  // Brings `list` (or a new list when it is null) up to date with the children of parentId;
  // null when there are none to show.
  renderLevel(parentId, depth, matches, list) {
    const { model, expanded } = this.facts;
    const kids = model.children(parentId).filter((entry) => !matches || matches.has(entry.id));
    if (!kids.length) return null;
    list = list || element('ul', { class: 'tree-list' });
    list.setAttribute('role', 'group');
    const shown = new Set(kids.map((entry) => entry.id));
    const items = new Map();
    const stale = [];
    for (const item of list.children) {
      const id = item.firstElementChild ? item.firstElementChild.dataset.id : undefined;
      if (id && !items.has(id) && shown.has(id)) items.set(id, item);
      else stale.push(item);
    }
    // When most rows go (a filter typed into a long list), the list is emptied at once and the
    // few that stay are put back, instead of taking the others out one by one.
    if (stale.length > STALE_AT_ONCE && stale.length > items.size) list.replaceChildren(...items.values());
    else for (const item of stale) item.remove();
    // A cursor over the list's items: indexing the live children list after each insertion
    // would walk it from the front every time.
    let cursor = list.firstElementChild;
    for (const entry of kids) {
      const hasChildren = model.hasChildren(entry.id);
      const open = hasChildren && (Boolean(matches) || expanded.has(entry.id));
      const item = items.get(entry.id) || blankItem();
      const oldRow = item.firstElementChild && item.firstElementChild.matches('.tree-row') ? item.firstElementChild : null;
      const row = this.renderRow(entry, depth, hasChildren, open, matches, oldRow);
      if (row !== oldRow) item.replaceChildren(row);
      const oldSub = row.nextElementSibling;
      const sub = open ? this.renderLevel(entry.id, depth + 1, matches, oldSub) : null;
      if (oldSub && oldSub !== sub) oldSub.remove();
      if (sub && sub !== oldSub) item.append(sub);
      // Only an item out of place is moved: moving takes it out of the document for a moment.
      if (cursor === item) cursor = cursor.nextElementSibling;
      else list.insertBefore(item, cursor);
    }
    return list;
  }

  renderRow(entry, depth, hasChildren, open, matches, row) {
    const selected = entry.id === this.facts.selectedId;
    const renaming = entry.id === this.renamingId;
    const tabIndex = selected ? 0 : -1;
    // A row drawn from the same facts is left alone but for its place in the focus order.
    const facts = renaming ? null
      : JSON.stringify([entry.id, entry.title, selected, depth, hasChildren, open, Boolean(matches)]);
    if (row && facts !== null && drawnFrom.get(row) === facts) {
      if (row.tabIndex !== tabIndex) row.tabIndex = tabIndex;
      return row;
    }
    if (!row) {
      row = element('div', { class: 'tree-row' });
      row.setAttribute('role', 'treeitem');
    }
    if (facts === null) drawnFrom.delete(row);
    else drawnFrom.set(row, facts);
    row.tabIndex = tabIndex;
    row.dataset.id = entry.id;
    row.setAttribute('aria-selected', selected ? 'true' : 'false');
    row.setAttribute('aria-level', String(depth + 1));
    row.style.paddingLeft = 2 + 16 * depth + 'px';
    row.draggable = !matches && !renaming;
    if (hasChildren) row.setAttribute('aria-expanded', open ? 'true' : 'false');
    else row.removeAttribute('aria-expanded');

    let twisty = row.firstElementChild;
    if (!twisty || !twisty.matches('.twisty')) {
      twisty = element('button', { type: 'button', tabIndex: -1 });
      row.replaceChildren(twisty);
    }
    twisty.className = hasChildren ? 'twisty' : 'twisty leaf';
    setText(twisty, open ? '▼' : '▶');
    twisty.setAttribute('aria-label', open ? messages.collapse : messages.expand);

    const label = twisty.nextElementSibling;
    if (renaming) {
      if (!label || label !== this.renameInput) {
        const input = this.renameField(entry);
        if (label) label.replaceWith(input);
        else row.append(input);
      }
    } else {
      let title = label && label.matches('span.tree-title') ? label : null;
      if (!title) {
        title = element('span');
        if (label) label.replaceWith(title);
        else row.append(title);
      }
      title.className = entry.title ? 'tree-title' : 'tree-title untitled';
      setText(title, displayTitle(entry));
      title.title = displayTitle(entry);
    }
    while (row.children.length > 2) row.lastElementChild.remove();
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
