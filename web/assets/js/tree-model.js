// Pure look-ups over the tree document, indexed once per document: no DOM, no storage.

export const isLive = (entry) => entry.deletedAt === null || entry.deletedAt === undefined;
export const orderOf = (entry) => (typeof entry.order === 'number' ? entry.order : 0);

const NO_CHILDREN = Object.freeze([]);

// An index of one state of a document: build a new one after the document changes.
export class TreeIndex {
  constructor(doc) {
    this.doc = doc;
    this.byId = new Map();
    // The first entry of an id wins, as a scan from the front would find it.
    for (const entry of doc.pages) if (!this.byId.has(entry.id)) this.byId.set(entry.id, entry);
    this.kids = new Map();
    for (const entry of doc.pages) {
      if (!isLive(entry)) continue;
      const parentId = this.shownParent(entry);
      const list = this.kids.get(parentId);
      if (list) list.push(entry);
      else this.kids.set(parentId, [entry]);
    }
    // A stable sort of each list in document order gives the order a filter-then-sort gives.
    for (const list of this.kids.values()) list.sort((a, b) => orderOf(a) - orderOf(b));
  }

  entry(id) {
    return this.byId.get(id) || null;
  }

  // The parent a page is shown under: a parent that no longer exists leaves the page at the top level.
  shownParent(entry) {
    const parentId = entry.parentId ?? null;
    return parentId !== null && this.byId.has(parentId) ? parentId : null;
  }

  // The live pages shown under parentId, in order. Shared: callers must not change the array.
  children(parentId) {
    return this.kids.get(parentId ?? null) || NO_CHILDREN;
  }

  hasChildren(id) {
    return this.kids.has(id);
  }

  // True when candidateId is rootId or lies below it (followed upwards, whatever the trash state).
  isWithin(rootId, candidateId) {
    const seen = new Set();
    let current = candidateId;
    while (current !== null && current !== undefined && !seen.has(current)) {
      if (current === rootId) return true;
      seen.add(current);
      const entry = this.entry(current);
      current = entry ? entry.parentId ?? null : null;
    }
    return false;
  }

  // The page and its live descendants, breadth first.
  liveSubtree(id) {
    const root = this.entry(id);
    if (!root || !isLive(root)) return [];
    const group = [root];
    for (let i = 0; i < group.length; i++) group.push(...this.children(group[i].id));
    return group;
  }

  // The pages shown from the top, each after its parent (breadth first).
  shownPages() {
    const order = [...this.children(null)];
    for (let i = 0; i < order.length; i++) order.push(...this.children(order[i].id));
    return order;
  }

  // The ids of shown pages whose title, or a descendant's, contains `filter` (already lowercased).
  matchingIds(filter, titleOf) {
    const result = new Set();
    const order = this.shownPages();
    // Children come after their parents, so walking backwards settles every child first.
    for (let i = order.length - 1; i >= 0; i--) {
      const entry = order[i];
      if (titleOf(entry).toLowerCase().includes(filter) ||
          this.children(entry.id).some((child) => result.has(child.id))) {
        result.add(entry.id);
      }
    }
    return result;
  }

  // Trashed pages whose parent is not in the same trash group, newest first. Shared, like children.
  trashRoots() {
    this.trash ??= this.doc.pages
      .filter((entry) => {
        if (isLive(entry)) return false;
        const parent = entry.parentId ? this.entry(entry.parentId) : null;
        return !(parent && parent.deletedAt === entry.deletedAt);
      })
      .sort((a, b) => b.deletedAt - a.deletedAt);
    return this.trash;
  }
}

// The index of doc, built once and kept while the document object is unchanged.
const cache = new WeakMap();
export function indexOf(doc) {
  let index = cache.get(doc);
  if (!index) {
    index = new TreeIndex(doc);
    cache.set(doc, index);
  }
  return index;
}
