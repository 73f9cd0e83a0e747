// Pure functions of the tree document: parsing, look-ups indexed once per document, and changes.
import { messages } from './messages.js';
import { isPageId } from './page-route.js';

export { isPageId };

export const SCHEMA_VERSION = 1;
const ORDER_STEP = 1000;
const MIN_ORDER_GAP = 1e-6;

export function parseTree(text) {
  let doc;
  try {
    doc = JSON.parse(text);
  } catch {
    throw new Error(messages.unreadableTree);
  }
  if (!doc || typeof doc !== 'object' || Array.isArray(doc) || !Array.isArray(doc.pages) ||
      typeof doc.schemaVersion !== 'number') {
    throw new Error(messages.unreadableTree);
  }
  if (doc.schemaVersion > SCHEMA_VERSION) throw new Error(messages.tooNew);
  for (const entry of doc.pages) {
    if (!entry || typeof entry !== 'object' || Array.isArray(entry) || !isPageId(entry.id)) {
      throw new Error(messages.unreadableTree);
    }
  }
  return doc;
}

export function displayTitle(entry) {
  return entry && typeof entry.title === 'string' && entry.title !== '' ? entry.title : messages.untitled;
}

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

// ---- Changes: each edits doc in place and returns false when it finds nothing to do ----

function orderBetween(prev, next) {
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

// Adds a page after afterId (or last) under parentId; returns the parent it was placed under,
// or false. A parent trashed or deleted meanwhile in another window would hide the new page.
export function addPage(doc, { id, parentId, afterId, title, now }) {
  const model = new TreeIndex(doc);
  if (model.entry(id)) return false;
  const parent = parentId === null ? null : model.entry(parentId);
  const placedUnder = parent && isLive(parent) ? parentId : null;
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
  return { placedUnder };
}

export function setFields(doc, id, fields) {
  const entry = new TreeIndex(doc).entry(id);
  if (!entry) return false;
  Object.assign(entry, fields);
  return true;
}

// Moves id before, after or inside (as the last child of) targetId; never below itself.
export function movePage(doc, id, targetId, position) {
  const model = new TreeIndex(doc);
  const page = model.entry(id);
  const target = model.entry(targetId);
  if (!page || !target || !isLive(page) || !isLive(target)) return false;
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
}

// Puts a page and its live descendants into the trash as one group, marked by stamp.
export function trashSubtree(doc, id, stamp) {
  const members = new TreeIndex(doc).liveSubtree(id);
  if (!members.length) return false;
  for (const member of members) member.deletedAt = stamp;
  return true;
}

// Takes the trash group marked by stamp out; a member whose parent stays gone goes to the top.
export function restoreGroup(doc, stamp) {
  const group = doc.pages.filter((member) => member.deletedAt === stamp);
  if (!group.length) return false;
  for (const member of group) member.deletedAt = null;
  const model = new TreeIndex(doc);
  for (const member of group) {
    const parent = member.parentId ? model.entry(member.parentId) : null;
    if (!parent || !isLive(parent)) member.parentId = null;
  }
  return true;
}

// Removes the entries of ids still in the trash group marked by stamp (another window may have
// restored some); returns the removed ids, or false.
export function removeGroup(doc, ids, stamp) {
  const removed = [];
  doc.pages = doc.pages.filter((member) => {
    const gone = ids.has(member.id) && member.deletedAt === stamp;
    if (gone) removed.push(member.id);
    return !gone;
  });
  return removed.length > 0 ? removed : false;
}

// The live pages in reading order, each with its depth: those below rootId, or all of them.
export function exportList(model, rootId = null) {
  const list = [];
  const walk = (entry, depth) => {
    list.push({ id: entry.id, title: displayTitle(entry), depth });
    for (const child of model.children(entry.id)) walk(child, depth + 1);
  };
  if (rootId) {
    const root = model.entry(rootId);
    if (root && isLive(root)) walk(root, 0);
  } else {
    for (const top of model.children(null)) walk(top, 0);
  }
  return list;
}
