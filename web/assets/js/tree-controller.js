// The page tree's controller: binds the sidebar's events to the tree store, with its confirmations and toasts.
import { confirmDialog, showToast } from './dialogs.js';
import { messages } from './messages.js';
import { pageHash } from './page-route.js';
import { TreeKeys } from './tree-keyboard.js';
import { ShownRows, displayTitle } from './tree-model.js';

export class TreeController {
  // onSelect(id) switches the editor and resolves whether it did; onCreated() follows a page made
  // from the context menu; onRenamed(id) follows a rename in the list; onError(error) reports.
  constructor({ store, view, state, onSelect, onCreated, onRenamed, onError }) {
    this.store = store;
    this.view = view;
    this.state = state;
    this.onSelect = onSelect;
    this.onCreated = onCreated;
    this.onRenamed = onRenamed;
    this.onError = onError;
    this.selectedId = null;
    this.filter = '';
    this.shown = null; // { model, filter, rows } of the last render
    this.opening = null; // (model) → the page start-up is about to open, until the first render

    store.bindChanged(() => this.render());
    view.bindSelect((id) => this.run(this.select(id)));
    view.bindToggle((id) => this.toggle(id));
    view.bindStartRename((id) => this.startRename(id));
    view.bindRename((id, value) => this.rename(id, value));
    const keys = new TreeKeys(this);
    view.bindRowKey((id, key, expanded) => keys.handle(id, key, expanded));
    view.bindContextMenu((id, x, y) => this.openMenu(id, x, y));
    view.bindDragAndDrop({
      canDrag: () => !this.filter && !store.readOnly,
      canDrop: (id, targetId) => store.canDropOn(id, targetId),
      drop: (id, targetId, position) => this.run(this.move(id, targetId, position)),
    });
    view.bindRestore((id) => this.run(this.restore(id)));
    view.bindPurge((id) => this.run(this.purge(id)));
  }

  get lastSelected() {
    return this.state.lastSelected;
  }

  // The rows are worked out again only when the document, the open rows or the filter changed.
  render() {
    const model = this.store.model;
    // The page start-up opens has its branch open and its row in view from the list's first draw,
    // so that the top of the list is not drawn first and then left for the page's place.
    const openingId = this.opening ? this.opening(model) : null;
    this.opening = null;
    if (openingId) this.openAncestors(openingId);
    if (!this.shown || this.shown.model !== model || this.shown.filter !== this.filter) {
      this.shown = { model, filter: this.filter, rows: new ShownRows(model, this.state.expanded, this.filter) };
    }
    this.view.render({ model, rows: this.shown.rows, selectedId: this.selectedId, openingId, filter: this.filter });
  }

  // Opens every row above the page of id.
  openAncestors(id) {
    for (let entry = this.store.page(id), steps = 0; entry && steps < 10000; steps++) {
      const parentId = entry.parentId ?? null;
      if (parentId === null) break;
      this.setOpen(parentId, true);
      entry = this.store.page(parentId);
    }
  }

  // Opens or closes a row (open: true, false, or undefined to switch it); returns whether it changed.
  setOpen(id, open = !this.state.expanded.has(id)) {
    const expanded = this.state.expanded;
    if (expanded.has(id) === open) return false;
    if (open) expanded.add(id);
    else expanded.delete(id);
    this.shown = null;
    return true;
  }

  run(promise) {
    Promise.resolve(promise).catch((error) => this.onError(error));
  }

  saveView() {
    this.state.save(this.selectedId);
  }

  // Loads the tree; opening(model) names the page start-up will open once it is in, or null.
  load(opening = null) {
    this.opening = opening;
    return this.store.load();
  }

  // A rename in progress is left alone; the next read after it brings the news.
  reload() {
    if (this.view.renaming) return Promise.resolve();
    return this.store.reload();
  }

  async select(id) {
    if (id === this.selectedId) return true;
    if (!(await this.onSelect(id))) return false;
    this.selectedId = id;
    if (id) this.openAncestors(id);
    this.saveView();
    if (id !== null && location.hash !== pageHash(id)) history.replaceState(null, '', pageHash(id));
    this.render();
    return true;
  }

  // Resolves the new page's id, or null when it was not made.
  async createPage({ parentId = null, afterId, title = '', select = true, id = crypto.randomUUID() } = {}) {
    const made = await this.store.createPage({ id, parentId, afterId, title });
    if (!made) return null;
    if (made.placedUnder) {
      this.setOpen(made.placedUnder, true);
      this.saveView();
      this.render();
    }
    if (select) await this.select(id);
    return id;
  }

  async move(id, targetId, position) {
    if (!this.store.canDropOn(id, targetId)) return false;
    const ok = await this.store.move(id, targetId, position);
    if (ok && position === 'inside') {
      this.setOpen(targetId, true);
      this.saveView();
    }
    this.render();
    return ok;
  }

  // Moves a page and its children to the trash, selecting a neighbour first when one of them is open.
  async deletePage(id) {
    const store = this.store;
    const entry = store.page(id);
    if (!entry || !store.isLivePage(id) || store.readOnly) return false;
    const inList = this.view.container.contains(document.activeElement);
    const model = store.model;
    const group = model.liveSubtree(id);
    const stamp = Date.now();
    if (group.some((member) => member.id === this.selectedId)) {
      const parentId = model.shownParent(entry);
      const siblings = model.children(parentId);
      const index = siblings.findIndex((sibling) => sibling.id === id);
      const next = siblings[index + 1] || siblings[index - 1] || (parentId ? store.page(parentId) : null);
      if (!(await this.select(next ? next.id : null))) return false;
    }
    if (!(await store.trash(id, stamp))) return false;
    // The focused row went with the page: the keyboard stays in the list, on the page now open.
    if (inList && !this.view.container.contains(document.activeElement)) this.view.focusPage(this.selectedId);
    showToast(messages.movedToTrash(displayTitle(entry)), {
      actionLabel: messages.undo,
      onAction: () => this.run(this.restore(id)),
      ms: 10000,
    });
    return true;
  }

  async restore(id) {
    const ok = await this.store.restore(id);
    if (ok) await this.select(id);
    return ok;
  }

  async purge(id) {
    const group = this.store.trashGroup(id);
    if (!group || this.store.readOnly) return false;
    const count = group.ids.size;
    const confirmed = await confirmDialog({
      title: messages.purge,
      message: messages.purgeQuestion(displayTitle(group.entry), count),
      okLabel: messages.purge,
      danger: true,
    });
    if (!confirmed) return false;
    return this.store.purge(group);
  }

  setFilter(text) {
    this.filter = String(text ?? '').trim().toLowerCase();
    this.render();
  }

  toggle(id) {
    this.setOpen(id);
    this.saveView();
    this.render();
  }

  // Opens every row among the siblings of id that has children.
  expandSiblings(id) {
    const entry = this.store.page(id);
    if (!entry || this.filter) return;
    let changed = false;
    for (const sibling of this.store.model.children(this.store.model.shownParent(entry))) {
      if (this.store.model.hasChildren(sibling.id) && this.setOpen(sibling.id, true)) changed = true;
    }
    if (!changed) return;
    this.saveView();
    this.render();
  }

  startRename(id) {
    if (this.store.isLivePage(id) && !this.store.readOnly) this.view.startRename(id);
  }

  async rename(id, value) {
    const entry = this.store.page(id);
    if (!entry || value === (entry.title || '')) return;
    try {
      if (await this.store.rename(id, value)) this.onRenamed(id);
    } catch (error) {
      this.onError(error);
    }
  }

  openMenu(id, x, y) {
    const entry = this.store.page(id);
    // The context-menu key may also send the browser's own event for a menu already open.
    if (!entry || this.store.readOnly || this.view.menuOpen) return;
    const created = async (promise) => {
      if (await promise) this.onCreated();
    };
    const item = (label, action, danger = false) => ({ label, danger, action: () => this.run(action()) });
    this.view.openMenu([
      item(messages.newPageBelow, () => created(this.createPage({ parentId: this.store.model.shownParent(entry), afterId: id }))),
      item(messages.addChild, () => created(this.createPage({ parentId: id }))),
      item(messages.rename, () => this.startRename(id)),
      item(messages.moveToTrash, () => this.deletePage(id), true),
    ], x, y);
  }
}
