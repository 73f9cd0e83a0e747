// The indexed tree look-ups give the answers of plain scans on a large, untidy tree.
import assert from 'node:assert/strict';
import test from 'node:test';
import { ShownRows, TreeIndex, isLive, orderOf, pageToOpen } from '../../web/assets/js/tree-model.js';

// A seeded generator, so that a failure repeats.
function random(seed) {
  return () => {
    seed = (seed * 1103515245 + 12345) % 2147483648;
    return seed / 2147483648;
  };
}

function pageId(n) {
  const hex = n.toString(16).padStart(12, '0');
  return `00000000-0000-4000-8000-${hex}`;
}

// 10,000 pages: nested at random depths, orphans, trashed branches with live pages under them,
// a parent cycle, equal and missing orders, and one id given twice.
function generatedTree() {
  const next = random(7);
  const pages = [];
  for (let n = 0; n < 10000; n++) {
    const roll = next();
    let parentId = null;
    if (roll < 0.05) parentId = pageId(900000 + n); // orphan: the parent never existed
    else if (roll < 0.85 && n > 0) parentId = pages[Math.floor(next() * n)].id;
    const order = next() < 0.1 ? undefined : Math.floor(next() * 50) * 1000;
    pages.push({ id: pageId(n), parentId, order, title: `Page ${n % 97}`, deletedAt: null });
  }
  for (let n = 0; n < 300; n++) {
    const root = pages[Math.floor(next() * pages.length)];
    const stamp = 1000 + n;
    for (const entry of pages) {
      if (entry === root || (entry.parentId === root.id && next() < 0.7)) entry.deletedAt = stamp;
    }
  }
  pages[10].parentId = pages[11].id;
  pages[11].parentId = pages[10].id;
  pages.push({ ...pages[20], title: 'second of an id', deletedAt: 5 });
  return { schemaVersion: 1, pages };
}

// Plain scans, as simple as the rules they state.
const reference = {
  entry: (doc, id) => doc.pages.find((entry) => entry.id === id) || null,
  shownParent(doc, entry) {
    const parentId = entry.parentId ?? null;
    return parentId !== null && reference.entry(doc, parentId) ? parentId : null;
  },
  children: (doc, parentId, ids) => doc.pages
    .filter((entry) => isLive(entry) && (entry.parentId !== null && ids.has(entry.parentId) ? entry.parentId : null) === parentId)
    .sort((a, b) => orderOf(a) - orderOf(b)),
  isWithin(doc, rootId, candidateId) {
    const seen = new Set();
    for (let current = candidateId; current != null && !seen.has(current);) {
      if (current === rootId) return true;
      seen.add(current);
      current = reference.entry(doc, current)?.parentId ?? null;
    }
    return false;
  },
};

const doc = generatedTree();
const index = new TreeIndex(doc);
const ids = new Set(doc.pages.map((entry) => entry.id));
const next = random(11);
const sample = (count) => Array.from({ length: count }, () => doc.pages[Math.floor(next() * doc.pages.length)]);

test('entries, shown parents and children match the scans', () => {
  for (const entry of sample(500)) {
    assert.equal(index.entry(entry.id), reference.entry(doc, entry.id));
    assert.equal(index.shownParent(entry), reference.shownParent(doc, entry));
  }
  assert.equal(index.entry(pageId(900001)), null);
  const childrenOf = (parentId) => index.children(parentId).map((entry) => entry.id);
  for (const parentId of [null, ...sample(1000).map((entry) => entry.id)]) {
    const kids = reference.children(doc, parentId, ids).map((entry) => entry.id);
    assert.deepEqual(childrenOf(parentId), kids, `children of ${parentId}`);
    assert.equal(index.hasChildren(parentId), kids.length > 0);
  }
  // Every live page is under exactly one parent.
  const listed = [null, ...ids].flatMap(childrenOf);
  assert.equal(listed.length, doc.pages.filter(isLive).length);
});

test('subtrees and ancestry match the scans', () => {
  for (const entry of sample(300)) {
    const group = [];
    if (isLive(entry)) {
      group.push(entry);
      for (let i = 0; i < group.length; i++) group.push(...reference.children(doc, group[i].id, ids));
    }
    assert.deepEqual(index.liveSubtree(entry.id), group);
  }
  const pairs = sample(2000);
  for (let i = 0; i + 1 < pairs.length; i += 2) {
    for (const [a, b] of [[pairs[i].id, pairs[i + 1].id], [pairs[i].parentId, pairs[i].id]]) {
      assert.equal(index.isWithin(a, b), reference.isWithin(doc, a, b), `${a} within ${b}`);
    }
  }
  assert.equal(index.isWithin(pageId(10), pageId(11)), true);

});

test('the rows shown for open pages and for a filter match a walk of the tree', () => {
  // The walk: under a filter, the pages matching it or above a match, all open.
  const walk = (expanded, filter) => {
    const rows = [];
    const keep = (entry) => !filter || entry.title.toLowerCase().includes(filter) || index.children(entry.id).some(keep);
    const visit = (parentId, depth) => {
      const kids = index.children(parentId).filter(keep);
      kids.forEach((entry, i) => {
        const hasChildren = index.children(entry.id).some(keep);
        const open = hasChildren && (Boolean(filter) || expanded.has(entry.id));
        rows.push([entry.id, depth, kids.length, i + 1, hasChildren, open]);
        if (open) visit(entry.id, depth + 1);
      });
    };
    visit(null, 0);
    return rows;
  };
  const opened = new Set(sample(3000).map((entry) => entry.id));
  for (const [expanded, filter] of [[new Set(), ''], [opened, ''], [ids, ''], [opened, 'page 4'], [new Set(), 'page 96'],
    [new Set(), 'nothing like it']]) {
    const shown = new ShownRows(index, expanded, filter);
    const rows = Array.from({ length: shown.length }, (_, i) => {
      const { entry, depth, size, position, hasChildren, open } = shown.at(i);
      return [entry.id, depth, size, position, hasChildren, open];
    });
    assert.deepEqual(rows, walk(expanded, filter), `${expanded.size} open, filter "${filter}"`);
    for (const entry of sample(200)) assert.equal(shown.indexOf(entry.id), rows.findIndex((row) => row[0] === entry.id));
  }
});

test('trash roots are the trashed pages outside their parent\'s group, newest first', () => {
  const expected = doc.pages
    .filter((entry) => !isLive(entry) && reference.entry(doc, entry.parentId)?.deletedAt !== entry.deletedAt)
    .sort((a, b) => b.deletedAt - a.deletedAt);
  assert.deepEqual(index.trashRoots(), expected);
});

test('the page a window opens: the first wanted live page, else the first at the top', () => {
  const pages = [
    { id: pageId(1), parentId: null, order: 2000, deletedAt: null },
    { id: pageId(2), parentId: null, order: 1000, deletedAt: null },
    { id: pageId(3), parentId: pageId(1), order: 1000, deletedAt: null },
    { id: pageId(4), parentId: null, order: 500, deletedAt: 1 },
  ];
  const model = new TreeIndex({ pages });
  for (const [wanted, expected] of [
    [[pageId(3), pageId(1)], pageId(3)],
    [[pageId(4), pageId(1)], pageId(1)], // trashed
    [[pageId(9), null], pageId(2)], // not in the tree
    [['not an id'], pageId(2)],
    [[], pageId(2)],
  ]) assert.equal(pageToOpen(model, wanted), expected, JSON.stringify(wanted));
  assert.equal(pageToOpen(new TreeIndex({ pages: [] }), [pageId(1)]), null);
});
