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
  // Indexed loops here and in TreeIndex: at start-up this code is still cold, and a cold for…of or
  // callback costs several times as much per entry over 10,000 of them.
  const pages = doc.pages;
  for (let i = 0; i < pages.length; i++) {
    const entry = pages[i];
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

// The shown pages in reading order (each before its children), going below a page only when
// descend(entry) says so: entries, and per row the depth, the parent's row (-1 at the top), the
// place among its siblings (from 1) and their number. A stack of levels instead of recursion: a
// chain of thousands of pages is a valid tree. Never more rows than live pages, whatever the ids.
function readingOrder(model, descend) {
  const bound = model.liveCount;
  const entries = [];
  const [depth, parent, position, size] = [0, 0, 0, 0].map(() => new Int32Array(bound));
  const stack = [{ list: model.children(null), at: 0, row: -1 }];
  while (stack.length && entries.length < bound) {
    const level = stack[stack.length - 1];
    if (level.at === level.list.length) {
      stack.pop();
      continue;
    }
    const entry = level.list[level.at++];
    const row = entries.length;
    entries.push(entry);
    depth[row] = stack.length - 1;
    parent[row] = level.row;
    position[row] = level.at;
    size[row] = level.list.length;
    const kids = descend(entry) && model.kids.get(entry.id);
    if (kids) stack.push({ list: kids, at: 0, row });
  }
  const cut = (numbers) => numbers.subarray(0, entries.length);
  return { entries, depth: cut(depth), parent: cut(parent), position: cut(position), size: cut(size) };
}

// An index of one state of a document: build a new one after the document changes.
export class TreeIndex {
  constructor(doc) {
    this.doc = doc;
    const pages = doc.pages;
    // A map of every id is made only after a few look-ups: at start-up it would cost more than the
    // rest of the index, and a few scans far less.
    this.byId = null;
    this.lookups = 0;
    // Live pages by their parent's id, in document order, then the parents that are no page: their
    // children show at the top, in document order too.
    const kids = new Map();
    const trashed = []; // in document order; shared, like children
    let list = null; // siblings mostly come together: the last list is tried before the map
    let listParent = null;
    for (let i = 0; i < pages.length; i++) {
      const entry = pages[i];
      if (!isLive(entry)) {
        trashed.push(entry);
        continue;
      }
      const parentId = entry.parentId ?? null;
      if (list === null || parentId !== listParent) {
        listParent = parentId;
        list = kids.get(parentId);
        if (!list) kids.set(parentId, (list = []));
      }
      list.push(entry);
    }
    if (kids.size > (kids.has(null) ? 1 : 0)) {
      const parents = new Set();
      for (let i = 0; i < pages.length; i++) if (kids.has(pages[i].id)) parents.add(pages[i].id);
      if (parents.size + (kids.has(null) ? 1 : 0) < kids.size) {
        for (const parentId of kids.keys()) if (parentId !== null && !parents.has(parentId)) kids.delete(parentId);
        kids.set(null, pages.filter((entry) => isLive(entry) && !parents.has(entry.parentId)));
      }
    }
    Object.assign(this, { kids, trashed, liveCount: pages.length - trashed.length });
    // A stable sort of each list in document order gives the order a filter-then-sort gives; most
    // lists are in order already, and a check costs far less than a sort.
    for (const list of kids.values()) if (!inOrder(list)) list.sort((a, b) => orderOf(a) - orderOf(b));
  }

  // The first entry of an id, as a scan from the front finds it.
  entry(id) {
    if (!this.byId && ++this.lookups > 8) {
      const pages = this.doc.pages;
      this.byId = new Map();
      for (let i = pages.length - 1; i >= 0; i--) this.byId.set(pages[i].id, pages[i]);
    }
    if (this.byId) return this.byId.get(id) || null;
    const pages = this.doc.pages;
    for (let i = 0; i < pages.length; i++) if (pages[i].id === id) return pages[i];
    return null;
  }

  // The parent a page is shown under: a parent that no longer exists leaves the page at the top level.
  shownParent(entry) {
    const parentId = entry.parentId ?? null;
    return parentId !== null && this.entry(parentId) ? parentId : null;
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
    for (let current = candidateId; current !== null && current !== undefined && !seen.has(current);) {
      if (current === rootId) return true;
      seen.add(current);
      current = this.entry(current)?.parentId ?? null;
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

  // Every shown page in reading order, worked out once per document for the filter (see
  // readingOrder), with each title lowercased at the first filter.
  outline() {
    this.lines ??= { ...readingOrder(this, () => true), lowered: null };
    return this.lines;
  }

  // Trashed pages whose parent is not in the same trash group, newest first. Shared, like children.
  trashRoots() {
    this.trash ??= this.trashed.filter((entry) => !entry.parentId || this.entry(entry.parentId)?.deletedAt !== entry.deletedAt)
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
  if (!cache.has(doc)) cache.set(doc, new TreeIndex(doc));
  return cache.get(doc);
}

// ---- The rows the list shows ----

// The rows of the list from top to bottom, worked out once per change of the document, the open
// rows or the filter: the pages under open parents or, with a filter (lowercased), the pages whose
// title contains it and their ancestors, all open. at(index) gives what the list draws and
// assistive technology is told: { entry, depth, size, position, hasChildren, open }, size and
// position counted among the siblings shown.
export class ShownRows {
  constructor(model, expanded, filter = '') {
    this.model = model;
    this.filtered = Boolean(filter);
    this.found = new Map(); // row by id, for the first few ids looked up
    this.rowOfId = null; // row by id for every row, made when many are looked up
    if (filter) this.keep(model.outline(), filter);
    else this.walkOpen(model, expanded);
  }

  // Only the open pages are gone into, so that closed ones cost nothing however much is below them;
  // with no top row open (a start with everything closed) the rows are the top list itself.
  walkOpen(model, expanded) {
    const top = model.children(null);
    if (expanded.size && top.some((entry) => expanded.has(entry.id) && model.hasChildren(entry.id))) {
      Object.assign(this, readingOrder(model, (entry) => expanded.has(entry.id)));
    } else {
      Object.assign(this, { entries: top, depth: null });
    }
  }

  // Kept: a match or the ancestor of one. Children come after their parents, so walking backwards
  // settles every child first. The root counts at place count.
  keep(lines, filter) {
    lines.lowered ??= lines.entries.map((entry) => displayTitle(entry).toLowerCase());
    const count = lines.entries.length;
    const parentOf = (place) => (lines.parent[place] < 0 ? count : lines.parent[place]);
    const kept = new Uint8Array(count + 1);
    const shownKids = new Int32Array(count + 1);
    for (let place = count - 1; place >= 0; place--) {
      if (!kept[place] && !lines.lowered[place].includes(filter)) continue;
      kept[place] = 1;
      kept[parentOf(place)] = 1;
      shownKids[parentOf(place)]++;
    }
    const counted = new Int32Array(count + 1);
    this.entries = [];
    [this.depth, this.position, this.size] = [0, 0, 0].map(() => new Int32Array(count));
    for (let place = 0; place < count; place++) {
      if (!kept[place]) continue;
      const row = this.entries.push(lines.entries[place]) - 1;
      this.depth[row] = lines.depth[place];
      this.position[row] = ++counted[parentOf(place)];
      this.size[row] = shownKids[parentOf(place)];
    }
  }

  get length() {
    return this.entries.length;
  }

  entryAt(index) {
    return this.entries[index];
  }

  at(index) {
    const entry = this.entries[index];
    if (entry === undefined) return undefined;
    const hasKids = this.model.hasChildren(entry.id);
    if (!this.depth) return { entry, depth: 0, size: this.entries.length, position: index + 1, hasChildren: hasKids, open: false };
    const depth = this.depth[index];
    // An open row is followed by its first child; under a filter every row with a row below it is open.
    const open = index + 1 < this.entries.length && this.depth[index + 1] > depth;
    return { entry, depth, size: this.size[index], position: this.position[index], hasChildren: this.filtered ? open : hasKids, open };
  }

  // The row of a page, or -1 when it is not shown: a scan for the first few ids, then (a walk
  // through the list with the keyboard, say) a map of every row.
  indexOf(id) {
    if (!this.rowOfId && this.found.size >= 8) {
      this.rowOfId = new Map();
      for (let row = this.entries.length - 1; row >= 0; row--) this.rowOfId.set(this.entries[row].id, row);
    }
    const known = (this.rowOfId || this.found).get(id);
    if (known !== undefined) return known;
    const row = this.rowOfId ? -1 : this.entries.findIndex((entry) => entry.id === id);
    (this.rowOfId || this.found).set(id, row);
    return row;
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
