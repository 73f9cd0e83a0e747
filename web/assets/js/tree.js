// The page tree: the tree document, its queued read-modify-write, the sidebar list and the trash.
import { api } from './api.js';
import { confirmDialog, element, showToast } from './dialogs.js';
import { TreeIndex, indexOf, isLive, orderOf } from './tree-model.js';

export const SCHEMA_VERSION = 1;
export const UNTITLED = '無題のページ';
export const TOUCH_INTERVAL_MS = 60000;
export const STORAGE_KEY = 'ferncard.view';
const DRAG_TYPE = 'application/x-ferncard-page';
const ORDER_STEP = 1000;
const MIN_ORDER_GAP = 1e-6;
const MAX_REREADS = 3;
const STALE_AT_ONCE = 100;

const UNREADABLE = 'このファイルのページ一覧を読み込めません。データを守るため編集を停止しました。';
const TOO_NEW = 'このデータは新しい版の Ferncard で作成されています。製品を更新してください。';
const PAGE_ID = /^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$/;

export function isPageId(value) {
  return typeof value === 'string' && PAGE_ID.test(value);
}

// ---- Tree document ----

export function parseTree(text) {
  let doc;
  try {
    doc = JSON.parse(text);
  } catch {
    throw new Error(UNREADABLE);
  }
  if (!doc || typeof doc !== 'object' || Array.isArray(doc) || !Array.isArray(doc.pages) ||
      typeof doc.schemaVersion !== 'number') {
    throw new Error(UNREADABLE);
  }
  if (doc.schemaVersion > SCHEMA_VERSION) throw new Error(TOO_NEW);
  for (const entry of doc.pages) {
    if (!entry || typeof entry !== 'object' || Array.isArray(entry) || !isPageId(entry.id)) {
      throw new Error(UNREADABLE);
    }
  }
  return doc;
}

export function displayTitle(entry) {
  return entry && typeof entry.title === 'string' && entry.title !== '' ? entry.title : UNTITLED;
}

export function orderBetween(prev, next) {
  const hasPrev = typeof prev === 'number';
  const hasNext = typeof next === 'number';
  if (!hasPrev && !hasNext) return ORDER_STEP;
  if (!hasPrev) return next - ORDER_STEP;
  if (!hasNext) return prev + ORDER_STEP;
  return (prev + next) / 2;
}

function renumberIfCrowded(doc, parentId) {
  const live = new TreeIndex(doc).children(parentId);
  for (let i = 1; i < live.length; i++) {
    if (orderOf(live[i]) - orderOf(live[i - 1]) < MIN_ORDER_GAP) {
      live.forEach((entry, index) => { entry.order = (index + 1) * ORDER_STEP; });
      return;
    }
  }
}

// Sets an element's text only when it differs, so that an unchanged row keeps its nodes.
function setText(node, text) {
  if (node.textContent !== text) node.textContent = text;
}

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

// ---- View state ----

function readView() {
  try {
    const value = JSON.parse(localStorage.getItem(STORAGE_KEY) || '{}');
    return value && typeof value === 'object' && !Array.isArray(value) ? value : {};
  } catch {
    return {};
  }
}

function writeView(changes) {
  try {
    localStorage.setItem(STORAGE_KEY, JSON.stringify({ ...readView(), ...changes }));
  } catch {
    // Without storage the view is simply not remembered.
  }
}

export function loadSidebarWidth() {
  const width = readView().sidebarWidth;
  return typeof width === 'number' ? width : undefined;
}

export function saveSidebarWidth(width) {
  writeView({ sidebarWidth: width });
}

// ---- PageTree ----

export class PageTree {
  constructor({ container, trashButton, trashList, contextMenu, onSelect, onError }) {
    this.container = container;
    this.trashButton = trashButton;
    this.trashList = trashList;
    this.menu = contextMenu;
    this.onSelect = onSelect;
    this.onError = onError;
    this.onCreated = null;
    this.onRenamed = null;

    this.data = { schemaVersion: SCHEMA_VERSION, pages: [] };
    this.etag = '0';
    this.selectedId = null;
    const view = readView();
    this.expanded = new Set(Array.isArray(view.expanded) ? view.expanded.filter(isPageId) : []);
    this.lastSelected = isPageId(view.selectedId) ? view.selectedId : null;
    this.filter = '';
    this.queue = Promise.resolve();
    this.lastTouch = new Map();
    this.renamingId = null;
    this.renameInput = null;
    this.dragId = null;
    this.trashShown = null;

    this.attachEvents();
  }

  // ---- Look-ups ----

  // The index of the current document; this.data is replaced, never changed in place.
  get model() {
    return indexOf(this.data);
  }

  page(id) {
    return this.model.entry(id);
  }

  children(parentId) {
    return this.model.children(parentId ?? null);
  }

  livePages() {
    return this.data.pages.filter(isLive);
  }

  allPageIds() {
    return this.data.pages.map((entry) => entry.id);
  }

  firstPageId() {
    const first = this.children(null)[0];
    return first ? first.id : null;
  }

  isLivePage(id) {
    const entry = this.page(id);
    return Boolean(entry && isLive(entry));
  }

  exportList(rootId = null) {
    const list = [];
    const walk = (entry, depth) => {
      list.push({ id: entry.id, title: displayTitle(entry), depth });
      for (const child of this.children(entry.id)) walk(child, depth + 1);
    };
    if (rootId) {
      const root = this.page(rootId);
      if (root && isLive(root)) walk(root, 0);
    } else {
      for (const top of this.children(null)) walk(top, 0);
    }
    return list;
  }

  // ---- Reading and writing ----

  enqueue(task) {
    const run = this.queue.then(task);
    this.queue = run.catch(() => {});
    return run;
  }

  load() {
    return this.enqueue(async () => {
      const { text, etag } = await api.getTree();
      this.data = parseTree(text);
      this.etag = etag;
      this.render();
      return etag;
    });
  }

  reload() {
    if (this.renamingId) return Promise.resolve();
    return this.enqueue(async () => {
      const { text, etag } = await api.getTree();
      if (etag === this.etag) return;
      this.data = parseTree(text);
      this.etag = etag;
      this.render();
    });
  }

  // Applies `change` to a copy of the document and writes it; after a version conflict the
  // document is read again and the change re-applied, checks included. A change that returns
  // false finds nothing to do in the document it was given, and nothing is written.
  mutate(change) {
    return this.enqueue(async () => {
      let reread = false;
      for (let attempt = 0; ; attempt++) {
        const copy = JSON.parse(JSON.stringify(this.data));
        if (change(copy) === false) {
          if (reread) this.render();
          return false;
        }
        try {
          this.etag = await api.putTree(copy, this.etag);
          this.data = copy;
          this.render();
          return true;
        } catch (error) {
          if (error && error.status === 412 && attempt < MAX_REREADS) {
            let fresh;
            try {
              fresh = await api.getTree();
            } catch (readError) {
              this.onError(readError);
              return false;
            }
            this.data = parseTree(fresh.text);
            this.etag = fresh.etag;
            reread = true;
            continue;
          }
          if (reread) this.render();
          this.onError(error);
          return false;
        }
      }
    });
  }

  // ---- Operations ----

  async select(id) {
    if (id === this.selectedId) return true;
    if (!(await this.onSelect(id))) return false;
    this.selectedId = id;
    for (let entry = id ? this.page(id) : null, steps = 0; entry && steps < 10000; steps++) {
      const parentId = entry.parentId ?? null;
      if (parentId === null) break;
      this.expanded.add(parentId);
      entry = this.page(parentId);
    }
    this.saveView();
    if (id !== null && location.hash !== '#/p/' + id) history.replaceState(null, '', '#/p/' + id);
    this.render();
    return true;
  }

  async createPage({ parentId = null, afterId, title = '', select = true, id = crypto.randomUUID() } = {}) {
    const now = Date.now();
    let placedUnder = null;
    const ok = await this.mutate((doc) => {
      const model = new TreeIndex(doc);
      if (model.entry(id)) return false;
      // A parent trashed or deleted meanwhile in another window would hide the new page.
      const parent = parentId === null ? null : model.entry(parentId);
      placedUnder = parent && isLive(parent) ? parentId : null;
      const siblings = model.children(placedUnder);
      const index = afterId === undefined || afterId === null
        ? siblings.length - 1
        : siblings.findIndex((entry) => entry.id === afterId);
      const prev = index >= 0 ? siblings[index].order : undefined;
      const next = index + 1 < siblings.length ? siblings[index + 1].order : undefined;
      doc.pages.push({
        id, parentId: placedUnder, order: orderBetween(prev, next), title,
        createdAt: now, updatedAt: now, deletedAt: null,
      });
      renumberIfCrowded(doc, placedUnder);
      return true;
    });
    if (!ok) return null;
    if (placedUnder) {
      this.expanded.add(placedUnder);
      this.saveView();
      this.render();
    }
    if (select) await this.select(id);
    return id;
  }

  rename(id, title) {
    return this.mutate((doc) => {
      const entry = new TreeIndex(doc).entry(id);
      if (!entry) return false;
      entry.title = title;
      entry.updatedAt = Date.now();
      return true;
    });
  }

  touch(id) {
    const now = Date.now();
    const last = this.lastTouch.get(id);
    if (last !== undefined && now - last < TOUCH_INTERVAL_MS) return;
    this.lastTouch.set(id, now);
    this.mutate((doc) => {
      const entry = new TreeIndex(doc).entry(id);
      if (!entry) return false;
      entry.updatedAt = now;
      return true;
    }).catch(() => {});
  }

  async move(id, targetId, position) {
    if (!this.canDropOn(id, targetId)) return false;
    const ok = await this.mutate((doc) => {
      const model = new TreeIndex(doc);
      const page = model.entry(id);
      const target = model.entry(targetId);
      if (!page || !target || !isLive(page) || !isLive(target)) return false;
      // Checked again on every attempt: another window may have moved the target under the page.
      if (model.isWithin(id, targetId)) return false;
      let parentId;
      if (position === 'inside') {
        parentId = targetId;
        const kids = model.children(targetId).filter((entry) => entry.id !== id);
        page.order = orderBetween(kids.length ? kids[kids.length - 1].order : undefined, undefined);
      } else {
        parentId = model.shownParent(target);
        const siblings = model.children(parentId).filter((entry) => entry.id !== id);
        const index = siblings.findIndex((entry) => entry.id === targetId);
        if (position === 'before') {
          page.order = orderBetween(index > 0 ? siblings[index - 1].order : undefined, target.order);
        } else {
          page.order = orderBetween(target.order,
            index + 1 < siblings.length ? siblings[index + 1].order : undefined);
        }
      }
      page.parentId = parentId;
      renumberIfCrowded(doc, parentId);
      return true;
    });
    if (ok && position === 'inside') {
      this.expanded.add(targetId);
      this.saveView();
    }
    this.render();
    return ok;
  }

  canDropOn(id, targetId) {
    if (!id || !targetId || id === targetId) return false;
    return !this.model.isWithin(id, targetId);
  }

  async deletePage(id) {
    const entry = this.page(id);
    if (!entry || !isLive(entry)) return false;
    const group = this.model.liveSubtree(id);
    const stamp = Date.now();
    if (group.some((member) => member.id === this.selectedId)) {
      const parentId = this.model.shownParent(entry);
      const siblings = this.children(parentId);
      const index = siblings.findIndex((sibling) => sibling.id === id);
      const next = siblings[index + 1] || siblings[index - 1] || (parentId ? this.page(parentId) : null);
      if (!(await this.select(next ? next.id : null))) return false;
    }
    const ok = await this.mutate((doc) => {
      const members = new TreeIndex(doc).liveSubtree(id);
      if (!members.length) return false;
      for (const member of members) member.deletedAt = stamp;
      return true;
    });
    if (!ok) return false;
    showToast('「' + displayTitle(entry) + '」をごみ箱へ移しました', {
      actionLabel: '元に戻す',
      onAction: () => this.restore(id).catch((error) => this.onError(error)),
      ms: 10000,
    });
    return true;
  }

  async restore(id) {
    const entry = this.page(id);
    if (!entry || isLive(entry)) return false;
    const stamp = entry.deletedAt;
    const ok = await this.mutate((doc) => {
      const group = doc.pages.filter((member) => member.deletedAt === stamp);
      if (!group.length) return false;
      for (const member of group) member.deletedAt = null;
      const model = new TreeIndex(doc);
      for (const member of group) {
        const parent = member.parentId ? model.entry(member.parentId) : null;
        if (!parent || !isLive(parent)) member.parentId = null;
      }
      return true;
    });
    if (ok) await this.select(id);
    return ok;
  }

  async purge(id) {
    const entry = this.page(id);
    if (!entry || isLive(entry)) return false;
    const stamp = entry.deletedAt;
    const groupIds = new Set(this.data.pages.filter((m) => m.deletedAt === stamp).map((m) => m.id));
    const count = groupIds.size;
    const confirmed = await confirmDialog({
      title: '完全に削除',
      message: '「' + displayTitle(entry) + '」' + (count > 1 ? 'と子ページ（計 ' + count + ' ページ）' : '') +
        'を完全に削除します。元に戻せません。',
      okLabel: '完全に削除',
      danger: true,
    });
    if (!confirmed) return false;
    let removed = [];
    const ok = await this.mutate((doc) => {
      // Only entries that are still in this trash group: another window may have restored some.
      removed = [];
      doc.pages = doc.pages.filter((member) => {
        const gone = groupIds.has(member.id) && member.deletedAt === stamp;
        if (gone) removed.push(member.id);
        return !gone;
      });
      return removed.length > 0;
    });
    if (!ok) return false;
    for (const pageId of removed) {
      try {
        await api.deletePage(pageId);
      } catch (error) {
        this.onError(error);
      }
    }
    return true;
  }

  setFilter(text) {
    this.filter = String(text ?? '').trim().toLowerCase();
    this.render();
  }

  saveView() {
    writeView({ expanded: [...this.expanded], selectedId: this.selectedId });
  }

  toggle(id) {
    if (this.expanded.has(id)) this.expanded.delete(id);
    else this.expanded.add(id);
    this.saveView();
    this.render();
  }

  // ---- Rendering ----

  // The list is updated in place: rows that stay keep their elements, so a click or double
  // click whose press and release straddle a re-render (a page switch finishing, a write from
  // the queue) still reaches its row, and a drag in progress keeps its source.
  render() {
    this.renderTrash();
    // An open rename field is never rebuilt: its text and focus must survive.
    if (this.renamingId && this.renameInput && this.renameInput.isConnected) return;
    const focusedRow = document.activeElement && document.activeElement.closest
      ? document.activeElement.closest('.tree-row') : null;
    const focusedId = focusedRow && this.container.contains(focusedRow) ? focusedRow.dataset.id : null;

    const matches = this.filter ? this.matchingIds() : null;
    const current = this.container.firstElementChild;
    const reuse = current && current.matches('ul.tree-list') ? current : null;
    const list = this.renderLevel(null, 0, matches, reuse);
    if (list) {
      list.setAttribute('role', 'none');
      if (list !== current || this.container.childElementCount !== 1) this.container.replaceChildren(list);
    } else {
      this.container.replaceChildren(element('div', {
        class: 'tree-empty',
        text: this.filter ? '一致するページはありません' : 'ページがありません',
      }));
    }
    const rows = [...this.container.querySelectorAll('.tree-row')];
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

  matchingIds() {
    return this.model.matchingIds(this.filter, displayTitle);
  }

  // Brings `list` (or a new list when it is null) up to date with the children of parentId;
  // null when there are none to show.
  renderLevel(parentId, depth, matches, list) {
    const kids = this.children(parentId).filter((entry) => !matches || matches.has(entry.id));
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
      const hasChildren = this.model.hasChildren(entry.id);
      const open = hasChildren && (Boolean(matches) || this.expanded.has(entry.id));
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
    const selected = entry.id === this.selectedId;
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
    twisty.setAttribute('aria-label', open ? '閉じる' : '開く');

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

  renderTrash() {
    const trashed = this.data.pages.filter((entry) => !isLive(entry));
    setText(this.trashButton, '🗑 ごみ箱（' + trashed.length + '）');
    const roots = this.model.trashRoots();
    // An unchanged trash keeps its buttons, so that a click on one is never lost to a re-render.
    const shown = JSON.stringify(roots.map((entry) => [entry.id, displayTitle(entry)]));
    if (shown === this.trashShown && this.trashList.firstElementChild) return;
    this.trashShown = shown;
    if (!roots.length) {
      this.trashList.replaceChildren(element('div', { class: 'trash-empty', text: '空です' }));
      return;
    }
    this.trashList.replaceChildren(...roots.map((entry) => {
      const item = element('div', { class: 'trash-item' },
        element('span', { class: 'trash-title', text: displayTitle(entry), title: displayTitle(entry) }),
        element('button', {
          type: 'button', class: 'trash-restore', text: '復元',
          onclick: () => this.restore(entry.id).catch((error) => this.onError(error)),
        }),
        element('button', {
          type: 'button', class: 'trash-purge', text: '完全に削除',
          onclick: () => this.purge(entry.id).catch((error) => this.onError(error)),
        }));
      item.dataset.id = entry.id;
      return item;
    }));
  }

  // ---- Inline rename ----

  startRename(id) {
    if (!this.isLivePage(id)) return;
    this.finishRename(false);
    this.renamingId = id;
    this.renameInput = null;
    this.render();
  }

  renameField(entry) {
    const input = element('input', {
      type: 'text', class: 'tree-rename', maxLength: 200, value: entry.title || '',
    });
    input.setAttribute('aria-label', 'タイトルを変更');
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
  async finishRename(commit) {
    const id = this.renamingId;
    const input = this.renameInput;
    if (!id || !input) return;
    this.renamingId = null;
    this.renameInput = null;
    const entry = this.page(id);
    const value = input.value;
    const hadFocus = document.activeElement === input;
    this.render();
    if (hadFocus) {
      const row = this.rowOf(id);
      if (row) this.focusRow(row);
    }
    if (!commit || !entry || value === (entry.title || '')) return;
    try {
      if ((await this.rename(id, value)) && this.onRenamed) this.onRenamed(id);
    } catch (error) {
      this.onError(error);
    }
  }

  // ---- Events ----

  rowOf(id) {
    return [...this.container.querySelectorAll('.tree-row')].find((row) => row.dataset.id === id) || null;
  }

  focusRow(row) {
    for (const other of this.container.querySelectorAll('.tree-row')) other.tabIndex = -1;
    row.tabIndex = 0;
    row.focus();
  }

  run(promise) {
    Promise.resolve(promise).catch((error) => this.onError(error));
  }

  attachEvents() {
    const c = this.container;
    c.addEventListener('click', (event) => {
      const row = event.target.closest('.tree-row');
      if (!row) return;
      if (event.target.closest('.twisty')) {
        event.stopPropagation();
        this.toggle(row.dataset.id);
        return;
      }
      this.run(this.select(row.dataset.id));
    });
    c.addEventListener('dblclick', (event) => {
      const row = event.target.closest('.tree-row');
      if (!row || event.target.closest('.twisty')) return;
      this.startRename(row.dataset.id);
    });
    c.addEventListener('keydown', (event) => this.onKey(event));
    c.addEventListener('contextmenu', (event) => {
      const row = event.target.closest('.tree-row');
      if (!row) return;
      event.preventDefault();
      this.openMenu(row.dataset.id, event.clientX, event.clientY);
    });

    c.addEventListener('dragstart', (event) => {
      const row = event.target.closest && event.target.closest('.tree-row');
      if (!row || this.filter) return;
      this.dragId = row.dataset.id;
      event.dataTransfer.setData(DRAG_TYPE, row.dataset.id);
      event.dataTransfer.effectAllowed = 'move';
      row.classList.add('dragging');
    });
    c.addEventListener('dragover', (event) => {
      const row = event.target.closest && event.target.closest('.tree-row');
      if (!row || !this.dragId || !event.dataTransfer.types.includes(DRAG_TYPE)) return;
      this.clearDropMarks(row);
      if (!this.canDropOn(this.dragId, row.dataset.id)) return;
      event.preventDefault();
      event.dataTransfer.dropEffect = 'move';
      const box = row.getBoundingClientRect();
      const ratio = (event.clientY - box.top) / box.height;
      row.classList.remove('drop-before', 'drop-after', 'drop-inside');
      row.classList.add(ratio < 0.25 ? 'drop-before' : ratio > 0.75 ? 'drop-after' : 'drop-inside');
    });
    c.addEventListener('dragleave', (event) => {
      const row = event.target.closest && event.target.closest('.tree-row');
      if (row && !row.contains(event.relatedTarget)) row.classList.remove('drop-before', 'drop-after', 'drop-inside');
    });
    c.addEventListener('drop', (event) => {
      const row = event.target.closest && event.target.closest('.tree-row');
      const dragId = this.dragId;
      if (!dragId || !event.dataTransfer.types.includes(DRAG_TYPE)) return;
      event.preventDefault();
      const position = !row ? null
        : row.classList.contains('drop-before') ? 'before'
          : row.classList.contains('drop-after') ? 'after'
            : row.classList.contains('drop-inside') ? 'inside' : null;
      this.clearDropMarks(null);
      if (row && position) this.run(this.move(dragId, row.dataset.id, position));
    });
    c.addEventListener('dragend', () => {
      this.dragId = null;
      this.clearDropMarks(null);
      for (const row of c.querySelectorAll('.tree-row.dragging')) row.classList.remove('dragging');
    });

    this.trashButton.addEventListener('click', () => {
      const show = this.trashList.hidden;
      this.trashList.hidden = !show;
      this.trashButton.setAttribute('aria-expanded', show ? 'true' : 'false');
    });

    document.addEventListener('click', (event) => {
      if (!this.menu.hidden && !this.menu.contains(event.target)) this.closeMenu();
    });
    document.addEventListener('keydown', (event) => {
      if (event.key === 'Escape' && !this.menu.hidden) this.closeMenu();
    });
    this.menu.addEventListener('keydown', (event) => {
      const items = [...this.menu.querySelectorAll('[role="menuitem"]')];
      const index = items.indexOf(document.activeElement);
      if (event.key === 'ArrowDown' || event.key === 'ArrowUp') {
        event.preventDefault();
        const step = event.key === 'ArrowDown' ? 1 : -1;
        items[(index + step + items.length) % items.length].focus();
      }
    });
    window.addEventListener('blur', () => this.closeMenu());
  }

  clearDropMarks(except) {
    for (const row of this.container.querySelectorAll('.drop-before, .drop-after, .drop-inside')) {
      if (row !== except) row.classList.remove('drop-before', 'drop-after', 'drop-inside');
    }
  }

  onKey(event) {
    const row = event.target.closest && event.target.closest('.tree-row');
    if (!row || event.target !== row) return;
    const id = row.dataset.id;
    const rows = [...this.container.querySelectorAll('.tree-row')];
    const index = rows.indexOf(row);
    const expanded = row.getAttribute('aria-expanded');
    let handled = true;
    switch (event.key) {
      case 'ArrowDown':
        if (rows[index + 1]) this.focusRow(rows[index + 1]);
        break;
      case 'ArrowUp':
        if (rows[index - 1]) this.focusRow(rows[index - 1]);
        break;
      case 'ArrowRight':
        if (expanded === 'false') this.toggle(id);
        else if (expanded === 'true' && rows[index + 1]) this.focusRow(rows[index + 1]);
        break;
      case 'ArrowLeft': {
        if (expanded === 'true' && !this.filter) {
          this.toggle(id);
        } else {
          const entry = this.page(id);
          const parentRow = entry && entry.parentId ? this.rowOf(entry.parentId) : null;
          if (parentRow) this.focusRow(parentRow);
        }
        break;
      }
      case 'Enter':
        this.run(this.select(id));
        break;
      case 'F2':
        this.startRename(id);
        break;
      case 'Delete':
        this.run(this.deletePage(id));
        break;
      default:
        handled = false;
    }
    if (handled) event.preventDefault();
  }

  // ---- Context menu ----

  openMenu(id, x, y) {
    const entry = this.page(id);
    if (!entry) return;
    const item = (label, action, danger = false) => {
      const button = element('button', {
        type: 'button', class: danger ? 'menu-item danger' : 'menu-item', text: label,
        onclick: (event) => {
          event.stopPropagation();
          this.closeMenu();
          this.run(action());
        },
      });
      button.setAttribute('role', 'menuitem');
      return button;
    };
    const created = async (promise) => {
      if ((await promise) && this.onCreated) this.onCreated();
    };
    this.menu.replaceChildren(
      item('下に新規ページ', () => created(this.createPage({ parentId: this.model.shownParent(entry), afterId: id }))),
      item('子ページを追加', () => created(this.createPage({ parentId: id }))),
      item('名前を変更', () => this.startRename(id)),
      item('ごみ箱へ移動', () => this.deletePage(id), true),
    );
    this.menu.hidden = false;
    this.menu.style.left = '0px';
    this.menu.style.top = '0px';
    const box = this.menu.getBoundingClientRect();
    const left = Math.max(8, Math.min(x, window.innerWidth - box.width - 8));
    const top = Math.max(8, Math.min(y, window.innerHeight - box.height - 8));
    this.menu.style.left = left + 'px';
    this.menu.style.top = top + 'px';
    this.menu.querySelector('[role="menuitem"]').focus();
  }

  closeMenu() {
    if (this.menu.hidden) return;
    const hadFocus = this.menu.contains(document.activeElement);
    this.menu.hidden = true;
    this.menu.replaceChildren();
    if (hadFocus) {
      const row = this.rowOf(this.selectedId) || this.container.querySelector('.tree-row');
      if (row) row.focus();
    }
  }
}
