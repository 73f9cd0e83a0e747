// The window with pages: time to interactive, opening a large page, and pasting plain text.
// Every client time runs from the user's action to the first frame drawn after the content is in
// (a second animation frame after it), never to a callback that runs before layout.
import { inBrowser, openWindow, row, smoke, startProgram, TIMEOUT_MS } from './harness.mjs';
import { pageHtml, pageIdOf, treeDocument } from './inputs.mjs';

// Installed before the window's own scripts: each animation frame asks whether the tree, the open
// page's body (holding `marker`) and an editor taking keys are all there; the next frame after
// they are, drawn since, gives window.__interactive (from the address's navigation).
export function watchInteractive(marker) {
  const check = () => {
    const editor = document.getElementById('editor');
    const page = document.getElementById('page');
    return Boolean(document.querySelector('#tree .tree-row') && page && !page.hidden && editor &&
      editor.isContentEditable && !editor.hasAttribute('aria-busy') && editor.textContent.includes(marker));
  };
  const poll = () => {
    if (!check()) {
      requestAnimationFrame(poll);
      return;
    }
    requestAnimationFrame(() => { window.__interactive = performance.now(); });
  };
  requestAnimationFrame(poll);
}

// The text at the end of a body, to know it is in the window.
export const lastText = (html) => html.slice(-300).replace(/<[^>]*>/g, '').slice(-20);

// The browser's floor for a start: the window's own markup and style sheets (fonts included) as
// a plain page with no script of ours, its list holding the rows a window draws (`titles`) and its
// page the body, from the navigation to the second frame after it is in.
export async function plainWindowPage(app, titles, body) {
  const html = await (await app.api('GET', '/')).text();
  const rows = titles.map((title, index) => `<div class="tree-row" role="treeitem" style="top:${index * 30}px;` +
    `padding-left:2px"><button type="button" class="twisty leaf">▶</button><span class="tree-title">${title}</span></div>`);
  return html
    .replace(/<script[^>]*><\/script>\n?|<link rel="(?:modulepreload|preload)"[^>]*>\n?/g, '')
    .replace('<div id="tree" class="tree" role="tree" aria-label="ページ">',
      `$&<div class="tree-rows" role="none" style="height:${titles.length * 30}px">${rows.join('')}</div>`)
    .replace('<div id="page" class="page" hidden>', '<div id="page" class="page">')
    .replace(/(<div id="editor"[^>]*>)/, `$1${body}`)
    .replace('</body>', '<script>requestAnimationFrame(() => requestAnimationFrame(() => { window.__interactive = performance.now(); }));' +
      '</script></body>');
}

// Loads `address` in fresh browsers, and after the first run (which warms the program) the plain
// page that `plain()` gives (plainWindowPage) at the same origin in each browser after it; the
// best of the later runs counts.
async function interactiveRuns(app, address, marker, plain) {
  const runs = [];
  const floors = [];
  const plainAddress = app.origin + '/bench-plain-window';
  let plainHtml = null;
  for (let i = 0; i < (smoke ? 2 : 5); i++) {
    if (i === 1) plainHtml = await plain();
    runs.push(await inBrowser(app, async (page) => {
      await page.addInitScript(watchInteractive, marker);
      await page.goto(address);
      await page.waitForFunction(() => window.__interactive !== undefined, null, { timeout: TIMEOUT_MS });
      const time = await page.evaluate(() => window.__interactive);
      // After the window, in a page of its own: the browser is then as warm as it gets.
      if (plainHtml) {
        const other = await page.context().newPage();
        await other.route(plainAddress, (route) => route.fulfill({ status: 200, contentType: 'text/html; charset=utf-8', body: plainHtml }));
        await other.goto(plainAddress);
        await other.waitForFunction(() => window.__interactive !== undefined, null, { timeout: TIMEOUT_MS });
        floors.push(await other.evaluate(() => window.__interactive));
      }
      return time;
    }));
  }
  return { time: Math.min(...runs.slice(1).map((value) => value ?? Infinity)), floor: Math.min(...floors) };
}

// Time to interactive of a small document entered at "/" (the first page chosen once the tree is
// in), and of a 10,000-page tree (100 × 99) entered at a page's address, its 10 KB body asked for
// together with the tree.
export async function startupRuns(app) {
  // The welcome page, made by the first run.
  const welcome = async () => {
    const { pages } = JSON.parse(await (await app.api('GET', '/api/tree')).text());
    return plainWindowPage(app, [pages[0].title], await (await app.api('GET', '/api/pages/' + pages[0].id)).text());
  };
  const small = await interactiveRuns(app, app.origin + '/', 'Ferncard へようこそ', welcome);
  row('client', 'time to interactive, small document (best of runs)', small.time, 'ms', 'the same window as a plain page',
    small.floor, small.time / small.floor, '< 300 ms', small.time < 300);

  const big = await startProgram('startup');
  const count = smoke ? 1000 : 10000;
  const tree = treeDocument(count / 100, 99);
  const current = await big.api('GET', '/api/tree');
  await big.api('PUT', '/api/tree', tree, { 'If-Match': current.headers.get('etag'), 'Content-Type': 'application/json' });
  const id = pageIdOf(count / 2 + 1); // a page deep in the tree, under a closed parent
  const body = pageHtml(10 * 1024);
  await big.api('PUT', `/api/pages/${id}`, body, { 'If-Match': '"0"', 'Content-Type': 'text/plain; charset=utf-8' });
  // The rows a window draws at the top of this tree: the top pages, closed.
  const titles = Array.from({ length: 57 }, (_, index) => `ページ ${index * 100 + 1}`);
  const tti = await interactiveRuns(big, `${big.origin}/#/p/${id}`, lastText(body), () => plainWindowPage(big, titles, body));
  big.child.kill('SIGKILL');
  row('client', `time to interactive, ${count.toLocaleString('en')}-page tree, page address (best of runs)`, tti.time, 'ms',
    'the same window as a plain page', tti.floor, tti.time / tti.floor, '< 300 ms', tti.time < 300);
}

// The same HTML as a plain page with the content's own style sheets, at the editor's width, in the
// same browser (`editable`: as a plain editable block, no script of ours).
function plainPageHtml(html, width, editable) {
  return '<!doctype html><html lang="ja"><head><meta charset="utf-8">' +
    '<link rel="stylesheet" href="/assets/css/app.css"><link rel="stylesheet" href="/assets/css/content.css"></head>' +
    `<body style="overflow:auto;display:block"><div id="editor" class="page-body"${editable ? ' contenteditable="true" spellcheck="false"' : ''}` +
    ` style="width:${width}px;padding:16px 24px 80px;font-size:15px;line-height:1.75;overflow-wrap:anywhere;word-break:break-word">${html}</div>` +
    '<script>requestAnimationFrame(() => requestAnimationFrame(() => { window.__drawn = performance.now(); }));</script>' +
    '</body></html>';
}

// The plain page from its navigation to the second frame after its body is in (best of runs),
// then, editable, the same typing at its end as in the window (typeAtEnd).
async function plainPageTimes(page, app, html, width) {
  const address = app.origin + '/bench-plain-page';
  let editable = false;
  await page.route(address, (route) => route.fulfill({
    status: 200, contentType: 'text/html; charset=utf-8', body: plainPageHtml(html, width, editable),
  }));
  let best = Infinity;
  for (let i = 0; i < 3; i++) {
    await page.goto(address);
    await page.waitForFunction(() => window.__drawn !== undefined, null, { timeout: TIMEOUT_MS });
    best = Math.min(best, await page.evaluate(() => window.__drawn));
  }
  editable = true;
  await page.goto(address);
  await page.waitForFunction(() => window.__drawn !== undefined, null, { timeout: TIMEOUT_MS });
  const typed = await typeAtEnd(page);
  await page.close();
  return { best, typed };
}

// Types a line at the end of #editor: the slowest key from the key to the second frame after it,
// and the renderer's main-thread CPU per key from a trace.
async function typeAtEnd(page) {
  const text = 'typing at the end';
  await page.evaluate(() => {
    window.__keys = [];
    document.getElementById('editor').addEventListener('keydown', (event) => {
      const at = event.timeStamp;
      requestAnimationFrame(() => requestAnimationFrame(() => window.__keys.push(performance.now() - at)));
    });
  });
  await page.locator('#editor').click();
  await page.keyboard.press('Control+End');
  const trace = await startTrace(page);
  await page.keyboard.type(text, { delay: 100 });
  await page.waitForFunction((count) => window.__keys.length >= count, text.length + 2);
  const cpu = mainThreadPerKey(await trace.stop());
  const keys = await page.evaluate(() => window.__keys.slice(2));
  return { key: Math.max(...keys), cpu };
}

// Opening a large page: from the click on its row to the second frame after its last paragraph is
// in, against the same HTML opened as a plain page in the same browser; then the slowest key typed
// at its end, from the key to the second frame after it.
export async function openPageRuns(app, large) {
  const marker = lastText(large);
  const result = await inBrowser(app, async (page) => {
    await openWindow(page, app);
    const rowOf = (n) => page.locator(`#tree .tree-row[data-id="${pageIdOf(n)}"]`);
    await rowOf(2).waitFor();
    let opened = Infinity;
    for (let i = 0; i < (smoke ? 1 : 3); i++) {
      await rowOf(1).click();
      await page.waitForFunction((id) => location.hash === '#/p/' + id &&
        document.getElementById('editor').isContentEditable, pageIdOf(1));
      await page.evaluate((text) => {
        const editor = document.getElementById('editor');
        window.__opened = new Promise((resolve) => {
          document.addEventListener('click', (event) => {
            const began = event.timeStamp;
            const poll = () => {
              const last = editor.lastElementChild;
              if (!editor.isContentEditable || !last || !last.textContent.includes(text)) requestAnimationFrame(poll);
              else requestAnimationFrame(() => resolve(performance.now() - began));
            };
            requestAnimationFrame(poll);
          }, { capture: true, once: true });
        });
      }, marker);
      await rowOf(2).click();
      opened = Math.min(opened, await page.evaluate(() => window.__opened));
    }
    const width = await page.evaluate(() => document.getElementById('editor').clientWidth);
    const { key, cpu } = await typeAtEnd(page);
    // The window closed first: its saving would otherwise run in the plain page's trace.
    const other = await page.context().newPage();
    await page.close();
    const { best: plain, typed } = await plainPageTimes(other, app, large, width);
    return { opened, key, cpu, plain, plainKey: typed.key, plainCpu: typed.cpu };
  }, 6 * TIMEOUT_MS);
  const label = smoke ? 'small' : '1 MB';
  const ratio = result ? result.opened / result.plain : NaN;
  row('client', `open a ${label} page`, result?.opened ?? Infinity, 'ms', 'same HTML as a plain page',
    result?.plain ?? NaN, ratio, '≤ 1.5 × plain page', ratio <= 1.5);
  row('client', `typing at the end of a ${label} page: slowest key`, result?.key ?? Infinity, 'ms',
    'same HTML as a plain editable block', result?.plainKey ?? NaN, result ? result.key / result.plainKey : NaN,
    '< 50 ms', (result?.key ?? Infinity) < 50);
  const cpuRatio = result ? result.cpu / result.plainCpu : NaN;
  row('client', `typing at the end of a ${label} page: the window's main-thread CPU per key`, result?.cpu ?? NaN, 'ms',
    'same HTML as a plain editable block', result?.plainCpu ?? NaN, cpuRatio, '< 50 ms', (result?.cpu ?? Infinity) < 50);
}

// The window's trace from now until stop(), which resolves with its events.
async function startTrace(page) {
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Tracing.start', {
    transferMode: 'ReturnAsStream', traceConfig: { includedCategories: ['toplevel', 'devtools.timeline'] },
  });
  return {
    async stop() {
      const complete = new Promise((resolve) => { cdp.once('Tracing.tracingComplete', resolve); });
      await cdp.send('Tracing.end');
      const { stream } = await complete;
      let text = '';
      for (let chunk = { eof: false }; !chunk.eof;) {
        chunk = await cdp.send('IO.read', { handle: stream });
        text += chunk.base64Encoded ? Buffer.from(chunk.data, 'base64').toString() : chunk.data;
      }
      await cdp.detach();
      const parsed = JSON.parse(text);
      return parsed.traceEvents || parsed;
    },
  };
}

// The thread time of the renderer's main-thread tasks from the first key on, per key: what the
// browser does for each key whatever else the machine runs (about its time to the frame on an idle one).
function mainThreadPerKey(events) {
  const main = new Set(events.filter((e) => e.ph === 'M' && e.name === 'thread_name' && e.args.name === 'CrRendererMain')
    .map((e) => `${e.pid}:${e.tid}`));
  const onMain = events.filter((e) => e.ph === 'X' && main.has(`${e.pid}:${e.tid}`));
  const keys = onMain.filter((e) => e.name === 'EventDispatch' && e.args?.data?.type === 'keydown');
  if (!keys.length) return NaN;
  const first = Math.min(...keys.map((e) => e.ts));
  const tasks = onMain.filter((e) => e.name === 'ThreadControllerImpl::RunTask' && e.ts + e.dur >= first);
  return tasks.reduce((sum, e) => sum + (e.tdur ?? 0), 0) / 1000 / keys.length;
}

// Plain text pasted into the open page, against the same paragraphs inserted directly by the
// browser's command in the same window; then how long until the server holds it, and the time
// from a key to the next frame when typing after it.
export async function pasteRuns(app) {
  for (const size of smoke ? [20 * 1024] : [100 * 1024, 1024 * 1024]) {
    const label = size >= 1024 * 1024 ? `${size / 1024 / 1024} MB` : `${size / 1024} KB`;
    const result = await inBrowser(app, async (page) => {
      await openWindow(page, app);
      const timings = await page.evaluate(async (bytes) => {
        const lines = [];
        for (let n = 0, length = 0; length < bytes; n++) {
          const line = `${n} 行目: plain text pasted from another program, ${'x'.repeat(40)}`;
          lines.push(line);
          length += new TextEncoder().encode(line).length + 1;
        }
        const editor = document.getElementById('editor');
        // The same start for both: an empty paragraph with the caret in it.
        const clear = () => {
          editor.innerHTML = '<p><br></p>';
          editor.focus();
          document.getSelection().collapse(editor.firstChild, 0);
        };
        const html = lines.map((line) => '<p>' + line + '</p>').join('');
        window.__direct = () => {
          clear();
          const start = performance.now();
          document.execCommand('insertHTML', false, html);
          return performance.now() - start;
        };
        clear();
        const clipboard = new DataTransfer();
        clipboard.setData('text/plain', lines.join('\n'));
        const began = performance.now();
        editor.dispatchEvent(new ClipboardEvent('paste', { clipboardData: clipboard, bubbles: true, cancelable: true }));
        const pasted = performance.now() - began;
        const id = location.hash.slice(4);
        while ((await (await fetch('/api/pages/' + id, { cache: 'no-store' })).text()) !== html) {
          await new Promise((resolve) => { setTimeout(resolve, 50); });
        }
        const stored = performance.now() - began;
        window.__keys = [];
        editor.addEventListener('keydown', (event) => {
          const at = event.timeStamp;
          requestAnimationFrame(() => window.__keys.push(performance.now() - at));
        });
        return { pasted, stored };
      }, size);
      await page.keyboard.press('Control+End');
      await page.keyboard.type('typing after the paste');
      const keys = await page.evaluate(() => window.__keys.slice(1));
      // The browser's own command last: for a megabyte it may not finish in time.
      const direct = await Promise.race([page.evaluate(() => window.__direct()),
        new Promise((resolve) => { setTimeout(() => resolve(Infinity), 2 * TIMEOUT_MS); })]);
      return { ...timings, key: Math.max(...keys), direct };
    }, 6 * TIMEOUT_MS);
    const ratio = result ? result.pasted / result.direct : NaN;
    row('client', `paste ${label} of plain text`, result?.pasted ?? Infinity, 'ms', 'same paragraphs inserted directly',
      result?.direct ?? NaN, ratio, '≤ 1.5 × direct', ratio <= 1.5);
    row('client', `paste ${label}: stored`, result?.stored ?? Infinity, 'ms', '—', NaN, NaN, '< 5000 ms', (result?.stored ?? Infinity) < 5000);
    row('client', `paste ${label}: slowest key after it`, result?.key ?? Infinity, 'ms', '—', NaN, NaN, '< 50 ms', (result?.key ?? Infinity) < 50);
  }
}

