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

function inOrder(list) {
  for (let i = 1; i < list.length; i++) if (orderOf(list[i]) < orderOf(list[i - 1])) return false;
  return true;
}

// An index of one state of a document: build a new one after the document changes.
export class TreeIndex {
  constructor(doc) {
    this.doc = doc;
    const pages = doc.pages;
    // Set from the back, so that the first entry of an id wins, as a scan from the front would find it.
    this.byId = new Map();
    for (let i = pages.length - 1; i >= 0; i--) this.byId.set(pages[i].id, pages[i]);
    this.kids = new Map();
    this.trashed = []; // in document order; shared, like children
    for (const entry of pages) {
      if (!isLive(entry)) {
        this.trashed.push(entry);
        continue;
      }
      const parentId = this.shownParent(entry);
      const list = this.kids.get(parentId);
      if (list) list.push(entry);
      else this.kids.set(parentId, [entry]);
    }
    this.liveCount = pages.length - this.trashed.length;
    // A stable sort of each list in document order gives the order a filter-then-sort gives; most
    // lists are in order already, and a check costs far less than a sort.
    for (const list of this.kids.values()) if (!inOrder(list)) list.sort((a, b) => orderOf(a) - orderOf(b));
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

  // Every shown page in reading order (each before its children), worked out once per document:
  // entries, and per place the depth, the place after its subtree, its parent's place (-1 at the
  // top), its place among its siblings (from 1) and their number. Lists of numbers, so that the rows
  // of any set of open pages or filter come from a few passes over them.
  outline() {
    if (this.lines) return this.lines;
    const count = this.liveCount; // bounds the shown pages (a cycle of parents is not shown)
    const entries = [];
    const placeOf = new Map();
    const depth = new Int32Array(count);
    const parent = new Int32Array(count);
    const position = new Int32Array(count);
    const size = new Int32Array(count);
    const end = new Int32Array(count);
    // A stack of levels instead of recursion: a chain of thousands of pages is a valid tree.
    const stack = [{ kids: this.children(null), at: 0, place: -1 }];
    while (stack.length) {
      const level = stack[stack.length - 1];
      if (level.at === level.kids.length) {
        stack.pop();
        if (level.place >= 0) end[level.place] = entries.length;
        continue;
      }
      const entry = level.kids[level.at++];
      const place = entries.length;
      entries.push(entry);
      placeOf.set(entry.id, place);
      depth[place] = stack.length - 1;
      parent[place] = level.place;
      position[place] = level.at;
      size[place] = level.kids.length;
      end[place] = place + 1;
      const kids = this.kids.get(entry.id);
      if (kids) stack.push({ kids, at: 0, place });
    }
    const shown = entries.length;
    this.lines = {
      entries, placeOf, depth: depth.subarray(0, shown), parent: parent.subarray(0, shown),
      position: position.subarray(0, shown), size: size.subarray(0, shown), end: end.subarray(0, shown), lowered: null,
    };
    return this.lines;
  }

  // Trashed pages whose parent is not in the same trash group, newest first. Shared, like children.
  trashRoots() {
    this.trash ??= this.trashed
      .filter((entry) => {
        const parent = entry.parentId ? this.entry(entry.parentId) : null;
        return !(parent && parent.deletedAt === entry.deletedAt);
      })
      .sort((a, b) => b.deletedAt - a.deletedAt);
    return this.trash;
  }
}

// The page a window opens: the first of `wanted` (ids, or null) that is a live page, else the
// first page at the top, else null.
export function pageToOpen(model, wanted) {
  for (const id of wanted) {
    const entry = isPageId(id) ? model.entry(id) : null;
    if (entry && isLive(entry)) return id;
  }
  const first = model.children(null)[0];
  return first ? first.id : null;
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

// ---- The rows the list shows ----

// The rows of the list from top to bottom, worked out once per change of the document, the open
// rows or the filter: the pages under open parents or, with a filter (lowercased), the pages whose
// title contains it and their ancestors, all open. at(index) gives what the list draws and
// assistive technology is told: { entry, depth, size, position, hasChildren, open }, size and
// position counted among the siblings shown.
export class ShownRows {
  constructor(model, expanded, filter = '') {
    const lines = model.outline();
    this.lines = lines;
    this.filtered = Boolean(filter);
    this.rowOfPlace = null; // row index by place, made at the first look-up
    const count = lines.entries.length;
    const places = new Int32Array(count);
    let shown = 0;
    if (!filter) {
      for (let place = 0; place < count;) {
        places[shown++] = place;
        const closed = lines.end[place] === place + 1 || !expanded.has(lines.entries[place].id);
        place = closed ? lines.end[place] : place + 1;
      }
      this.places = places.subarray(0, shown);
      return;
    }
    // Titles lowercased once per document: a keystroke then only compares.
    lines.lowered ??= lines.entries.map((entry) => displayTitle(entry).toLowerCase());
    // Kept: a match or the ancestor of one. Children come after their parents, so walking
    // backwards settles every child first. The root counts at place count.
    const kept = new Uint8Array(count + 1);
    for (let place = count - 1; place >= 0; place--) {
      if (kept[place] || lines.lowered[place].includes(filter)) {
        kept[place] = 1;
        kept[lines.parent[place] < 0 ? count : lines.parent[place]] = 1;
      }
    }
    const shownKids = new Int32Array(count + 1);
    const position = new Int32Array(count);
    for (let place = 0; place < count; place++) {
      if (!kept[place]) continue;
      const parent = lines.parent[place] < 0 ? count : lines.parent[place];
      position[shown] = ++shownKids[parent];
      places[shown++] = place;
    }
    this.places = places.subarray(0, shown);
    this.position = position.subarray(0, shown);
    this.shownKids = shownKids;
  }

  get length() {
    return this.places.length;
  }

  entryAt(index) {
    return this.lines.entries[this.places[index]];
  }

  at(index) {
    const place = this.places[index];
    if (place === undefined) return undefined;
    const lines = this.lines;
    const entry = lines.entries[place];
    if (!this.filtered) {
      const hasChildren = lines.end[place] > place + 1;
      const open = hasChildren && index + 1 < this.places.length && this.places[index + 1] === place + 1;
      return { entry, depth: lines.depth[place], size: lines.size[place], position: lines.position[place], hasChildren, open };
    }
    const parent = lines.parent[place] < 0 ? lines.entries.length : lines.parent[place];
    const hasChildren = this.shownKids[place] > 0;
    return {
      entry, depth: lines.depth[place], size: this.shownKids[parent], position: this.position[index], hasChildren, open: hasChildren,
    };
  }

  // The place of a page's row, or -1 when it is not shown.
  indexOf(id) {
    const place = this.lines.placeOf.get(id);
    if (place === undefined) return -1;
    if (!this.rowOfPlace) {
      const rowOfPlace = new Int32Array(this.lines.entries.length).fill(-1);
      for (let index = 0; index < this.places.length; index++) rowOfPlace[this.places[index]] = index;
      this.rowOfPlace = rowOfPlace;
    }
    return this.rowOfPlace[place];
  }
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
