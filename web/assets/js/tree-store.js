// The tree document on the server: its queued read-modify-write and the page operations, no UI.
import { NO_RECORD, api, isConflict } from './api.js';
import {
  SCHEMA_VERSION, addPage, exportList, indexOf, isLive, movePage, parseTree, removeGroup, restoreGroup,
  setFields, trashSubtree,
} from './tree-model.js';

const TOUCH_INTERVAL_MS = 60000;
const MAX_REREADS = 3;

export class TreeStore {
  constructor() {
    this.data = { schemaVersion: SCHEMA_VERSION, pages: [] };
    this.etag = NO_RECORD;
    this.queue = Promise.resolve();
    this.lastTouch = new Map();
    this.changed = () => {};
    this.failed = () => {};
    this.readOnly = false; // a backup's tree: every change finds nothing to do
  }

  // Called after the document has been read or written anew.
  bindChanged(handler) {
    this.changed = handler;
  }

  // Called with each failed write; the operation itself then resolves false.
  bindError(handler) {
    this.failed = handler;
  }

  // ---- Look-ups ----

  // The index of the current document; this.data is replaced, never changed in place.
  get model() {
    return indexOf(this.data);
  }

  page(id) {
    return this.model.entry(id);
  }

  livePages() {
    return this.data.pages.filter(isLive);
  }

  allPageIds() {
    return this.data.pages.map((entry) => entry.id);
  }

  firstPageId() {
    const first = this.model.children(null)[0];
    return first ? first.id : null;
  }

  isLivePage(id) {
    const entry = this.page(id);
    return Boolean(entry && isLive(entry));
  }

  exportList(rootId = null) {
    return exportList(this.model, rootId);
  }

  canDropOn(id, targetId) {
    if (!id || !targetId || id === targetId) return false;
    return !this.model.isWithin(id, targetId);
  }

  // The trash group of a trashed page: its stamp and the ids in it.
  trashGroup(id) {
    const entry = this.page(id);
    if (!entry || isLive(entry)) return null;
    const stamp = entry.deletedAt;
    return { entry, stamp, ids: new Set(this.data.pages.filter((m) => m.deletedAt === stamp).map((m) => m.id)) };
  }

  // ---- Reading and writing ----

  enqueue(task) {
    const run = this.queue.then(task);
    this.queue = run.catch(() => {});
    return run;
  }

  load() {
    return this.enqueue(async () => {
      const { text, etag, doc } = await api.getTree();
      this.data = doc || parseTree(text);
      this.etag = etag;
      this.changed();
      return etag;
    });
  }

  reload() {
    return this.enqueue(async () => {
      const { text, etag } = await api.getTree();
      if (etag === this.etag) return;
      this.data = parseTree(text);
      this.etag = etag;
      this.changed();
    });
  }

  // Applies `change` to a copy of the document and writes it; after a version conflict the
  // document is read again and the change re-applied, checks included. A change that returns
  // false finds nothing to do in the document it was given, and nothing is written. Resolves
  // what the change returned, or false.
  mutate(change) {
    if (this.readOnly) return Promise.resolve(false);
    return this.enqueue(async () => {
      let reread = false;
      for (let attempt = 0; ; attempt++) {
        const copy = JSON.parse(JSON.stringify(this.data));
        const result = change(copy);
        if (result === false) {
          if (reread) this.changed();
          return false;
        }
        try {
          this.etag = await api.putTree(copy, this.etag);
          this.data = copy;
          this.changed();
          return result;
        } catch (error) {
          if (isConflict(error) && attempt < MAX_REREADS) {
            let fresh;
            try {
              fresh = await api.getTree();
            } catch (readError) {
              this.failed(readError);
              return false;
            }
            this.data = parseTree(fresh.text);
            this.etag = fresh.etag;
            reread = true;
            continue;
          }
          if (reread) this.changed();
          this.failed(error);
          return false;
        }
      }
    });
  }

  // ---- Operations ----

  // Resolves the parent the new page went under ({ placedUnder }), or false.
  createPage({ id, parentId = null, afterId, title = '' }) {
    const now = Date.now();
    return this.mutate((doc) => addPage(doc, { id, parentId, afterId, title, now }));
  }

  async rename(id, title) {
    return (await this.mutate((doc) => setFields(doc, id, { title, updatedAt: Date.now() }))) !== false;
  }

  // Marks a page as just used, at most once a minute.
  touch(id) {
    const now = Date.now();
    const last = this.lastTouch.get(id);
    if (last !== undefined && now - last < TOUCH_INTERVAL_MS) return;
    this.lastTouch.set(id, now);
    this.mutate((doc) => setFields(doc, id, { updatedAt: now })).catch(() => {});
  }

  async move(id, targetId, position) {
    if (!this.canDropOn(id, targetId)) return false;
    // Checked again on every attempt: another window may have moved the target under the page.
    return (await this.mutate((doc) => movePage(doc, id, targetId, position))) !== false;
  }

  async trash(id, stamp) {
    return (await this.mutate((doc) => trashSubtree(doc, id, stamp))) !== false;
  }

  async restore(id) {
    const entry = this.page(id);
    if (!entry || isLive(entry)) return false;
    const stamp = entry.deletedAt;
    return (await this.mutate((doc) => restoreGroup(doc, stamp))) !== false;
  }

  // Deletes what is still in a trash group (see trashGroup) and the bodies of its pages.
  async purge({ ids, stamp }) {
    const removed = await this.mutate((doc) => removeGroup(doc, ids, stamp));
    if (!removed) return false;
    for (const pageId of removed) {
      try {
        await api.deletePage(pageId);
      } catch (error) {
        this.failed(error);
      }
    }
    return true;
  }
}
