// The tree and the quick switcher in the window: drawing, filtering and expanding trees of several
// shapes, and the switcher's slowest keystroke.
import { inBrowser, openWindow, row, smoke } from './harness.mjs';
import { treeDocument } from './inputs.mjs';

// Draws a tree with the program's own module in a fresh sidebar; times draw, a filter keystroke
// and expand-all, each with the layout it causes.
function treeTimings(page, treeText) {
  return page.evaluate(async (text) => {
    const { TreeView } = await import('/assets/js/tree-view.js');
    const { indexOf, parseTree } = await import('/assets/js/tree-model.js');
    const make = (tag) => document.body.appendChild(document.createElement(tag));
    const container = make('div');
    container.className = 'tree';
    container.style.cssText = 'position:fixed;left:0;top:0;width:260px;height:600px;z-index:10;background:#fff';
    const view = new TreeView({ container, trashButton: make('button'), trashList: make('div'), contextMenu: make('div') });
    const doc = parseTree(text);
    const facts = (filter, expanded) => ({ model: indexOf(doc), selectedId: null, expanded, filter });
    const timed = (action) => {
      const began = performance.now();
      action();
      void container.getBoundingClientRect().height; // the layout it causes
      return performance.now() - began;
    };
    const draw = timed(() => view.render(facts('', new Set())));
    const filter = timed(() => view.render(facts('ページ 12', new Set())));
    timed(() => view.render(facts('', new Set())));
    const expand = timed(() => view.render(facts('', new Set(doc.pages.map((entry) => entry.id)))));
    return { draw, filter, expand };
  }, treeText);
}

// The quick switcher over a tree: each keystroke ranks every title and redraws the list, with the

// layout it causes; gives the slowest keystroke of a typed title.
function switcherTimings(page, treeText) {
  return page.evaluate(async (text) => {
    const { prepare, rankPages } = await import('/assets/js/switcher-rank.js');
    const { SwitcherList } = await import('/assets/js/quick-switcher.js');
    const doc = JSON.parse(text);
    const byId = new Map(doc.pages.map((entry) => [entry.id, entry]));
    const list = new SwitcherList({ page: (id) => byId.get(id) || null });
    document.body.appendChild(list.node).style.cssText = 'position:fixed;left:0;top:0;width:500px;height:400px;overflow:auto;z-index:10';
    const prepared = prepare(doc.pages);
    // The title typed three times; each keystroke's best time counts, then the slowest keystroke.
    const typing = ['ペ', 'ペー', 'ページ', 'ページ 1', 'ページ 12', 'ページ 123', 'ペ9', 'ペ99', ''];
    const best = typing.map(() => Infinity);
    for (let round = 0; round < 3; round++) {
      typing.forEach((typed, i) => {
        const began = performance.now();
        list.showTitles(rankPages(prepared, typed, []), typed !== '');
        void list.node.getBoundingClientRect().height;
        best[i] = Math.min(best[i], performance.now() - began);
      });
    }
    return Math.max(...best);
  }, treeText);
}


export async function treeRuns(app) {
  const shapes = smoke ? [['flat 100', 100, 0]]
    : [['flat 10,000', 10000, 0], ['nested 100 × 99', 100, 99], ['nested 10 × 999', 10, 999]];
  for (const [name, groups, each] of shapes) {
    const text = treeDocument(groups, each);
    const result = await inBrowser(app, async (page) => {
      await openWindow(page, app);
      return treeTimings(page, text);
    });
    const shown = (value) => (result ? value : Infinity);
    row('client', `tree ${name}: draw`, shown(result?.draw), 'ms', '—', NaN, NaN, '< 150 ms', shown(result?.draw) < 150);
    row('client', `tree ${name}: filter keystroke`, shown(result?.filter), 'ms', '—', NaN, NaN, '< 50 ms', shown(result?.filter) < 50);
    row('client', `tree ${name}: expand all`, shown(result?.expand), 'ms', '—', NaN, NaN, '< 200 ms', shown(result?.expand) < 200);
  }

  const switcherPages = smoke ? 100 : 10000;
  const switcher = await inBrowser(app, async (page) => {
    await openWindow(page, app);
    return switcherTimings(page, smoke ? treeDocument(10, 9) : treeDocument(100, 99));
  });
  row('client', `quick switcher keystroke, ${switcherPages.toLocaleString('en')} pages (slowest)`, switcher ?? Infinity, 'ms',
    '—', NaN, NaN, '< 50 ms', (switcher ?? Infinity) < 50);
}
