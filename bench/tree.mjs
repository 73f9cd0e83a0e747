// The tree and the quick switcher in the window: drawing, filtering and expanding trees of several
// shapes, and the switcher's slowest keystroke.
import { inBrowser, openWindow, row, smoke, TIMEOUT_MS } from './harness.mjs';
import { treeDocument } from './inputs.mjs';

// Every client row is timed through the window's own path, from the user's action (or the tree
// answer's arrival) to the first frame drawn after the layout it causes: the second animation
// frame after the content is in, since the first one's callback runs before that frame's layout.

// Watches from the first script on: the time of the first frame drawn with a row in the list, and
// after each filter keystroke or key on a row, the time of the frame that shows its result.
export function watchFrames() {
  window.__frames = { drawn: null, keys: [] };
  const afterNextFrame = (done) => requestAnimationFrame(() => requestAnimationFrame(() => done(performance.now())));
  // Says on the console when the list is drawn and the page open: a question from the benchmark
  // would put its own script into the window while it starts.
  const ready = () => {
    if (document.getElementById('page') && !document.getElementById('page').hidden) console.debug('ferncard:drawn');
    else setTimeout(ready, 20);
  };
  const poll = () => {
    if (!document.querySelector('#tree .tree-row')) return requestAnimationFrame(poll);
    afterNextFrame((at) => {
      window.__frames.drawn = at;
      ready();
    });
  };
  requestAnimationFrame(poll);
  // Capturing listeners run before the window's own: each event's time stamp is when it was made.
  const timeKey = (event) => {
    const began = event.timeStamp;
    afterNextFrame((at) => window.__frames.keys.push(at - began));
  };
  window.addEventListener('input', (event) => { if (event.target.id === 'filter') timeKey(event); }, true);
  window.addEventListener('keydown', (event) => { if (event.target.closest && event.target.closest('#tree')) timeKey(event); }, true);
}

// From the tree answer's last byte to the first frame drawn with the list in it; and (code) from
// the later of that byte and the last byte of the window's start-up scripts (those index.html
// names; the ones loaded later on demand are not waited for), which leaves out the wait for code
// still arriving (but not its compiling and running).
export async function drawTimes(page, app) {
  const drawn = page.waitForEvent('console', { predicate: (message) => message.text() === 'ferncard:drawn', timeout: TIMEOUT_MS });
  await page.goto(app.origin + '/', { waitUntil: 'commit' });
  await drawn;
  return page.evaluate(() => {
    const entries = performance.getEntriesByType('resource');
    const answer = entries.find((entry) => new URL(entry.name).pathname === '/api/tree');
    const startScripts = new Set([...document.querySelectorAll('script[src], link[rel="modulepreload"]')]
      .map((element) => new URL(element.src || element.href, location.href).pathname));
    const code = entries.filter((entry) => startScripts.has(new URL(entry.name).pathname))
      .map((entry) => entry.responseEnd);
    return { draw: window.__frames.drawn - answer.responseEnd, code: window.__frames.drawn - Math.max(answer.responseEnd, ...code) };
  });
}

const drawTime = async (page, app) => (await drawTimes(page, app)).draw;

// The floor under any window: a plain page of the same origin reading the same answer (fetch,
// text, JSON.parse), from the answer's last byte to the second frame after it is parsed.
export async function readTime(page, app) {
  const address = app.origin + '/bench-plain-tree';
  await page.route(address, (route) => route.fulfill({
    status: 200, contentType: 'text/html; charset=utf-8',
    body: '<!doctype html><meta charset="utf-8"><script>fetch("/api/tree").then((answer) => answer.text()).then((text) => {' +
      'JSON.parse(text); requestAnimationFrame(() => requestAnimationFrame(() => {' +
      'const answer = performance.getEntriesByType("resource").find((entry) => entry.name.endsWith("/api/tree"));' +
      'window.__read = performance.now() - answer.responseEnd; })); });</script>',
  }));
  let best = Infinity;
  for (let i = 0; i < 3; i++) {
    await page.goto(address, { waitUntil: 'commit' });
    best = Math.min(best, await (await page.waitForFunction(() => window.__read, null, { polling: 50, timeout: TIMEOUT_MS })).jsonValue());
  }
  return best;
}

// Presses a key (or types a character) and waits for its frame; gives its time.
async function keyTime(page, press) {
  const count = await page.evaluate(() => window.__frames.keys.length);
  await press();
  await page.waitForFunction((n) => window.__frames.keys.length > n, count, { polling: 50, timeout: TIMEOUT_MS });
  return page.evaluate(() => window.__frames.keys.at(-1));
}

// A filter typed into the window and taken back; the slowest keystroke, each keystroke's best of
// two rounds counting.
async function filterTime(page) {
  await page.focus('#filter');
  const typed = ['ペ', 'ー', 'ジ', ' ', '1', '2'];
  const best = [];
  for (let round = 0; round < 2; round++) {
    const times = [];
    for (const ch of typed) times.push(await keyTime(page, () => page.keyboard.type(ch)));
    for (let i = 0; i < typed.length; i++) times.push(await keyTime(page, () => page.keyboard.press('Backspace')));
    times.forEach((time, i) => { best[i] = Math.min(best[i] ?? Infinity, time); });
  }
  return Math.max(...best);
}

// "*" on the first row opens it and every row beside it: in these trees, all of them.
async function expandTime(page, app) {
  await page.evaluate(() => localStorage.clear());
  await drawTime(page, app);
  await page.focus('#tree .tree-row');
  return keyTime(page, () => page.keyboard.press('*'));
}

// The draws (best of three) and the plain page's read; with `keys`, the filter and expand-all too.
async function treeTimings(page, app, keys) {
  await page.addInitScript(watchFrames);
  let draw = Infinity;
  let code = Infinity;
  let expand = Infinity;
  for (let i = 0; i < 3; i++) {
    const times = await drawTimes(page, app);
    draw = Math.min(draw, times.draw);
    code = Math.min(code, times.code);
  }
  if (!keys) return { draw, code, read: await readTime(page, app) };
  const filter = await filterTime(page);
  for (let i = 0; i < 2; i++) expand = Math.min(expand, await expandTime(page, app));
  const read = await readTime(page, app);
  return { draw, code, filter, expand, read };
}

// Runs with the same shape in fresh browsers swing more than runs in one, so the draws take the
// best of three browsers; the keys are timed in the first.
const SESSIONS = smoke ? 1 : 3;


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


// names: only the shapes whose names are given, and no switcher row (for a run of a few rows alone).
export async function treeRuns(app, names = null) {
  // The window's own tree in the program, put back afterwards for the other runs.
  const before = await app.api('GET', '/api/tree');
  const kept = await before.text();
  let etag = before.headers.get('etag');
  const put = async (text) => {
    const answer = await app.api('PUT', '/api/tree', text, { 'If-Match': etag, 'Content-Type': 'application/json' });
    etag = answer.headers.get('etag');
  };
  const shapes = smoke ? [['flat 100', 100, 0, 150, 50, 200]] : [
    ['flat 10,000', 10000, 0, 150, 50, 200], ['nested 100 × 99', 100, 99, 150, 50, 200],
    ['nested 10 × 999', 10, 999, 150, 50, 200],
    ['flat 100,000', 100000, 0, 1000, 100, 1000], ['nested 100 × 999', 100, 999, 1000, 100, 1000],
  ];
  const timings = async (groups, each) => {
    await put(treeDocument(groups, each));
    // A window that does not draw in time shows as the time-out, as a stopped run does.
    let result = null;
    for (let session = 0; session < SESSIONS; session++) {
      const times = await inBrowser(app, (page) => treeTimings(page, app, session === 0).catch(() => null), 6 * TIMEOUT_MS);
      if (!times) return null;
      result ??= times;
      for (const key of ['draw', 'code', 'read']) result[key] = Math.min(result[key], times[key]);
      // The window's own writes (a page marked as used) moved the tag on.
      etag = (await app.api('GET', '/api/tree')).headers.get('etag');
    }
    return result;
  };
  // The baseline: the same window and the same steps with a tree of ten pages, which is what
  // start-up, a keystroke and a frame cost on this machine whatever the tree.
  const floor = await timings(10, 0);
  for (const [name, groups, each, drawGoal, keyGoal, expandGoal] of shapes.filter(([name]) => !names || names.includes(name))) {
    const result = await timings(groups, each);
    const shown = (value) => (result ? value : Infinity);
    const add = (measure, key, goal) => row('client', `tree ${name}: ${measure}`, shown(result?.[key]), 'ms',
      'the same, 10 pages', floor?.[key] ?? NaN, shown(result?.[key]) / (floor?.[key] ?? NaN), `< ${goal} ms`, shown(result?.[key]) < goal);
    add('drawn from the tree answer', 'draw', drawGoal);
    add('drawn from the later of the tree answer and the window\'s code', 'code', drawGoal);
    row('client', `tree ${name}: drawn from the tree answer, against reading it alone`, shown(result?.draw), 'ms',
      'a plain page: fetch and JSON.parse of the answer', result?.read ?? NaN, shown(result?.draw) / (result?.read ?? NaN),
      `< ${drawGoal} ms`, shown(result?.draw) < drawGoal);
    add('filter keystroke (slowest)', 'filter', keyGoal);
    add('expand all (* on a top row)', 'expand', expandGoal);
  }
  await put(kept);
  if (names) return;

  const switcherPages = smoke ? 100 : 10000;
  const switcher = await inBrowser(app, async (page) => {
    await openWindow(page, app);
    return switcherTimings(page, smoke ? treeDocument(10, 9) : treeDocument(100, 99));
  });
  row('client', `quick switcher keystroke, ${switcherPages.toLocaleString('en')} pages (slowest)`, switcher ?? Infinity, 'ms',
    '—', NaN, NaN, '< 50 ms', (switcher ?? Infinity) < 50);
}
