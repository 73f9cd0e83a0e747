// The window's start and tree drawing again in a browser driven over a bare DevTools pipe, without
// DevTools network recording: Playwright turns that on, and Chromium then decodes every answer a
// second time on the main thread, which real use never pays. Only target, page, runtime, emulation,
// storage and browser commands are used here; nothing that enables the network domain or intercepts
// requests.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { freePort, row, smoke, startProgram, TIMEOUT_MS, work } from './harness.mjs';
import { pageHtml, pageIdOf, treeDocument } from './inputs.mjs';
import { lastText, plainWindowPage, watchInteractive } from './pages.mjs';
import { drawTimes, readTime, watchFrames } from './tree.mjs';

const NO_RECORDING = ' (no DevTools network recording)';

// The switches Playwright starts the harness's browser with (its own defaults, then the harness's).
const SWITCHES = [
  '--disable-field-trial-config', '--disable-background-networking', '--disable-background-timer-throttling',
  '--disable-backgrounding-occluded-windows', '--disable-back-forward-cache', '--disable-breakpad',
  '--disable-client-side-phishing-detection', '--disable-component-extensions-with-background-pages',
  '--disable-component-update', '--no-default-browser-check', '--disable-default-apps', '--disable-dev-shm-usage',
  '--disable-extensions', '--disable-features=AvoidUnnecessaryBeforeUnloadCheckSync,DestroyProfileOnBrowserClose,' +
    'DialMediaRouteProvider,GlobalMediaControls,HttpsUpgrades,LensOverlay,MediaRouter,PaintHolding,' +
    'ThirdPartyStoragePartitioning,Translate,OptimizationHints,NetworkTimeServiceQuerying',
  '--allow-pre-commit-input', '--disable-hang-monitor', '--disable-ipc-flooding-protection', '--disable-popup-blocking',
  '--disable-prompt-on-repost', '--disable-renderer-backgrounding', '--force-color-profile=srgb',
  '--metrics-recording-only', '--no-first-run', '--password-store=basic', '--use-mock-keychain', '--no-service-autorun',
  '--disable-search-engine-choice-screen', '--disable-sync', '--enable-unsafe-swiftshader', '--headless',
  '--hide-scrollbars', '--mute-audio',
  '--blink-settings=primaryHoverType=2,availableHoverTypes=2,primaryPointerType=4,availablePointerTypes=4',
  '--no-sandbox', '--disable-gpu',
];

// DevTools messages over the pipe: JSON, each ended by a NUL byte. send() resolves with the result;
// on(listener) gets every event and gives back a function that removes it.
function pipeClient(child) {
  const [input, output] = [child.stdio[3], child.stdio[4]];
  const waiting = new Map();
  const listeners = new Set();
  let next = 1;
  let buffer = '';
  output.setEncoding('utf8');
  output.on('data', (chunk) => {
    buffer += chunk;
    for (let end = buffer.indexOf('\0'); end >= 0; end = buffer.indexOf('\0')) {
      const message = JSON.parse(buffer.slice(0, end));
      buffer = buffer.slice(end + 1);
      const call = waiting.get(message.id);
      waiting.delete(message.id);
      if (!call) for (const listener of listeners) listener(message);
      else if (message.error) call.reject(new Error(`${call.method}: ${message.error.message}`));
      else call.resolve(message.result);
    }
  });
  child.on('exit', () => { for (const call of waiting.values()) call.reject(new Error(`${call.method}: the browser is gone`)); });
  return {
    send(method, params = {}, sessionId = undefined) {
      const id = next++;
      input.write(JSON.stringify({ id, method, params, sessionId }) + '\0');
      return new Promise((resolve, reject) => { waiting.set(id, { method, resolve, reject }); });
    },
    on(listener) {
      listeners.add(listener);
      return () => listeners.delete(listener);
    },
  };
}

// The plain pages' own origin: another port of the same host, so the session cookie goes along.
// Paths given to set() are answered from here; every other request goes on to the program with
// its own Host, and the program's answer comes back byte for byte. The window's files (/assets/)
// are kept after their first answer and then given from memory, as the program gives them, so that
// a plain page's floor does not pay for the extra step.
async function plainServer(app) {
  const pages = new Map();
  const kept = new Map();
  const answer = (response, { status, headers, body }) => {
    response.writeHead(status, headers);
    response.end(body);
  };
  // A page of this origin is the window's own: a request that names its origin (a CORS-mode
  // preload does) names the program's instead, or the program would refuse it as another site's.
  const sameOrigin = ({ origin, referer }) => ({
    ...(origin && { origin: app.origin }),
    ...(referer && { referer: app.origin + new URL(referer).pathname }),
  });
  const server = http.createServer((request, response) => {
    if (pages.has(request.url)) {
      answer(response, { status: 200, headers: { 'Content-Type': 'text/html; charset=utf-8', Connection: 'close' },
        body: pages.get(request.url) });
      return;
    }
    if (kept.has(request.url)) {
      answer(response, kept.get(request.url));
      return;
    }
    const onward = http.request({ host: '127.0.0.1', port: app.port, method: request.method, path: request.url, agent: false,
      headers: { ...request.headers, host: `127.0.0.1:${app.port}`, ...sameOrigin(request.headers) } }, (reply) => {
      response.writeHead(reply.statusCode, reply.rawHeaders);
      const chunks = [];
      reply.on('data', (chunk) => { chunks.push(chunk); response.write(chunk); });
      reply.on('end', () => {
        response.end();
        if (request.method === 'GET' && reply.statusCode === 200 && request.url.startsWith('/assets/')) {
          kept.set(request.url, { status: 200, headers: reply.rawHeaders, body: Buffer.concat(chunks) });
        }
      });
    });
    onward.on('error', () => response.destroy());
    request.pipe(onward);
  });
  const port = await freePort();
  await new Promise((resolve) => { server.listen(port, '127.0.0.1', resolve); });
  return { origin: `http://127.0.0.1:${port}`, set: (at, html) => pages.set(at, html), close: () => server.close() };
}

// A tab in the shape of the Playwright page the measuring functions are written for, as far as they
// use it. route() serves its page from the plain server, and goto() to that address goes there.
async function tab(cdp, targetId, plain) {
  const { sessionId } = await cdp.send('Target.attachToTarget', { targetId, flatten: true });
  const send = (method, params) => cdp.send(method, params, sessionId);
  const event = (method, test = () => true, ms = TIMEOUT_MS) => new Promise((resolve, reject) => {
    const timer = setTimeout(() => { off(); reject(new Error('timed out waiting for ' + method)); }, ms);
    const off = cdp.on((message) => {
      if (message.sessionId !== sessionId || message.method !== method || !test(message.params)) return;
      clearTimeout(timer);
      off();
      resolve(message.params);
    });
  });
  const evaluate = async (fn, arg) => {
    const { result, exceptionDetails } = await send('Runtime.evaluate', {
      expression: `(${fn})(${JSON.stringify(arg) ?? 'undefined'})`, awaitPromise: true, returnByValue: true,
    });
    if (exceptionDetails) throw new Error(exceptionDetails.exception?.description ?? exceptionDetails.text);
    return result.value;
  };
  const routed = new Map();
  await send('Page.enable');
  await send('Runtime.enable');
  await send('Emulation.setDeviceMetricsOverride', { width: 1280, height: 800, deviceScaleFactor: 1, mobile: false });
  // As Playwright sets up its pages: the harness's locale (headless Chromium takes no --lang), and
  // the page believing it has the focus.
  await send('Emulation.setLocaleOverride', { locale: 'ja-JP' });
  await send('Emulation.setFocusEmulationEnabled', { enabled: true });
  await send('Emulation.setUserAgentOverride', { userAgent: (await cdp.send('Browser.getVersion')).userAgent, acceptLanguage: 'ja-JP' });
  return {
    addInitScript: (fn, arg) => send('Page.addScriptToEvaluateOnNewDocument', { source: `(${fn})(${JSON.stringify(arg) ?? 'undefined'})` }),
    async route(address, handler) {
      const at = new URL(address).pathname;
      routed.set(address, plain.origin + at);
      await handler({ fulfill: ({ body }) => plain.set(at, body) });
    },
    async goto(address, { waitUntil = 'load' } = {}) {
      const done = waitUntil === 'load' ? event('Page.loadEventFired') : event('Page.frameNavigated', (p) => !p.frame.parentId);
      const { errorText } = await send('Page.navigate', { url: routed.get(address) ?? address });
      if (errorText) throw new Error(`${address}: ${errorText}`);
      await done;
    },
    evaluate,
    // Polls in the page, each animation frame or every `polling` ms, as Playwright does.
    async waitForFunction(fn, arg, { polling = 'raf' } = {}) {
      const value = await evaluate(`(arg) => new Promise((resolve) => {
        const poll = () => { const value = (${fn})(arg); if (value) resolve(value);
          else if (${JSON.stringify(polling)} === 'raf') requestAnimationFrame(poll); else setTimeout(poll, ${Number(polling) || 0}); };
        poll(); })`, arg);
      return { jsonValue: async () => value };
    },
    waitForEvent: (name, { predicate, timeout }) => event('Runtime.consoleAPICalled',
      (p) => predicate({ text: () => p.args.map((a) => a.value ?? a.description).join(' ') }), timeout),
  };
}

// Runs fn(browser) in a fresh browser holding the session cookie; browser.page is its first tab,
// browser.newPage() opens another. A run still busy after the time-out gives null.
async function inBareBrowser(app, plain, fn, limitMs = TIMEOUT_MS) {
  const profile = fs.mkdtempSync(path.join(work, 'profile-'));
  const child = spawn(process.env.CHROMIUM || '/usr/bin/chromium',
    [...SWITCHES, `--user-data-dir=${profile}`, '--remote-debugging-pipe', 'about:blank'],
    { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });
  const cdp = pipeClient(child);
  let timer;
  try {
    const [name, value] = app.cookie.split('=');
    await cdp.send('Storage.setCookies', { cookies: [{ name, value, url: app.origin, httpOnly: true, sameSite: 'Strict' }] });
    const { targetInfos } = await cdp.send('Target.getTargets');
    const browser = {
      page: await tab(cdp, targetInfos.find((info) => info.type === 'page').targetId, plain),
      newPage: async () => tab(cdp, (await cdp.send('Target.createTarget', { url: 'about:blank' })).targetId, plain),
    };
    return await Promise.race([fn(browser), new Promise((resolve) => { timer = setTimeout(() => resolve(null), limitMs); })]);
  } finally {
    clearTimeout(timer);
    const gone = new Promise((resolve) => { child.once('exit', resolve); });
    cdp.send('Browser.close').catch(() => {});
    await Promise.race([gone, new Promise((resolve) => { setTimeout(resolve, 3000); })]);
    child.kill('SIGKILL');
  }
}

// The plain page's drawing from its navigation, in a fresh browser of its own.
async function plainTime(app, server, at) {
  return inBareBrowser(app, server, async ({ page }) => {
    await page.goto(server.origin + at);
    await page.waitForFunction(() => window.__interactive !== undefined);
    return page.evaluate(() => window.__interactive);
  });
}

// Time to interactive as the window's start rows take it: fresh browsers, the first run only warming
// the program, the best of the later runs; each later browser then loads the plain window page
// that plain() gives, as warm as it gets, for the floor. A window's browser is itself still starting
// up, so two more floors come from fresh browsers of their own: the plain page (`cold`), and the
// plain page that also asks for everything the window's index.html asks for at start, fetched but
// never run (`requests`), and that page doing as well the work no window can skip (`minimal`).
async function interactiveTimes(app, address, marker, plain) {
  const server = await plainServer(app);
  const runs = [];
  const floors = [];
  const cold = [];
  const requests = [];
  const minimal = [];
  try {
    for (let i = 0; i < (smoke ? 2 : 5); i++) {
      if (i === 1) {
        const html = await plain();
        const index = await (await app.api('GET', '/')).text();
        const asked = index.match(/<link rel="(?:modulepreload|preload)"[^>]*>/g).join('\n');
        server.set('/bench-plain-window', html);
        server.set('/bench-plain-window-requests', html.replace('</head>', asked + '\n</head>'));
        server.set('/bench-minimal-window', await minimalWindowPage(app, asked, pageFromAddress(address)));
      }
      runs.push(await inBareBrowser(app, server, async ({ page, newPage }) => {
        await page.addInitScript(watchInteractive, marker);
        await page.goto(address);
        await page.waitForFunction(() => window.__interactive !== undefined);
        const time = await page.evaluate(() => window.__interactive);
        if (i > 0) {
          const other = await newPage();
          await other.goto(server.origin + '/bench-plain-window');
          await other.waitForFunction(() => window.__interactive !== undefined);
          floors.push(await other.evaluate(() => window.__interactive));
        }
        return time;
      }));
      if (i > 0) {
        cold.push(await plainTime(app, server, '/bench-plain-window'));
        requests.push(await plainTime(app, server, '/bench-plain-window-requests'));
        minimal.push(await plainTime(app, server, '/bench-minimal-window'));
      }
    }
  } finally {
    server.close();
  }
  const best = (values) => Math.min(...values.map((value) => value ?? Infinity));
  return { time: best(runs.slice(1)), floor: best(floors), cold: best(cold), requests: best(requests),
    minimal: best(minimal) };
}

// The id in a page address ("#/p/<id>"), or null.
const pageFromAddress = (address) => new URL(address).hash.match(/^#\/p\/(.+)$/)?.[1] ?? null;

// The least a window must do at start, as a plain page: the start's requests (`asked`), then the tree
// and the page's body read by one plain script, the tree parsed, its first rows drawn and the body
// put in the editor as it comes. The page is the one in the address, else the tree's first: no model,
// no module, no cleaning of the body, no editor. The plain window page (plainWindowPage) with no
// rows and no body, and this script in place of its own.
async function minimalWindowPage(app, asked, pageId) {
  const script = `<script>(async () => {
  const read = (path) => fetch(path, { credentials: 'same-origin' }).then((answer) => answer.text());
  const body = ${JSON.stringify(pageId)} && read('/api/pages/' + ${JSON.stringify(pageId)});
  const doc = JSON.parse(await read('/api/tree'));
  const rows = document.createElement('div');
  rows.className = 'tree-rows';
  for (const [index, entry] of doc.pages.slice(0, 57).entries()) {
    const row = rows.appendChild(document.createElement('div'));
    row.className = 'tree-row';
    row.style.cssText = 'top:' + index * 30 + 'px;padding-left:2px';
    row.innerHTML = '<button type="button" class="twisty leaf">▶</button><span class="tree-title"></span>';
    row.lastChild.textContent = entry.title;
  }
  rows.style.height = rows.children.length * 30 + 'px';
  document.getElementById('tree').append(rows);
  document.getElementById('editor').innerHTML = await (body || read('/api/pages/' + doc.pages[0].id));
  document.getElementById('page').hidden = false;
  requestAnimationFrame(() => requestAnimationFrame(() => { window.__interactive = performance.now(); }));
})();</script>`;
  return (await plainWindowPage(app, [], ''))
    .replace(/<div class="tree-rows"[^>]*><\/div>/, '')
    .replace('<div id="page" class="page">', '<div id="page" class="page" hidden>')
    .replace(/<script>requestAnimationFrame[\s\S]*?<\/script>/, script)
    .replace('</head>', asked + '\n</head>');
}

function startRows(label, { time, floor, cold, requests, minimal }) {
  const measure = `time to interactive, ${label} (best of runs)${NO_RECORDING}`;
  row('client', measure, time, 'ms', 'the same window as a plain page', floor, time / floor, '< 300 ms', time < 300);
  row('client', measure, time, 'ms', 'the plain page, in a fresh browser of its own', cold, time / cold, '—', true);
  row('client', measure, time, 'ms', "the plain page with the start's requests (fetched, not run), fresh browser",
    requests, time / requests, '—', true);
  row('client', measure, time, 'ms', "the least a window must do: the start's requests, the tree and body read, " +
    'rows drawn, body set (a plain script), fresh browser', minimal, time / minimal, '—', true);
}

// The window's two start rows: a small document entered at "/", and a 10,000-page tree (100 × 99)
// entered at the address of a page deep in it, under a closed parent, with a 10 KB body.
export async function bareStartupRuns(app) {
  const welcome = async () => {
    const { pages } = JSON.parse(await (await app.api('GET', '/api/tree')).text());
    return plainWindowPage(app, [pages[0].title], await (await app.api('GET', '/api/pages/' + pages[0].id)).text());
  };
  startRows('small document', await interactiveTimes(app, app.origin + '/', 'Ferncard へようこそ', welcome));

  const big = await startProgram('startup-bare');
  const count = smoke ? 1000 : 10000;
  const current = await big.api('GET', '/api/tree');
  await big.api('PUT', '/api/tree', treeDocument(count / 100, 99),
    { 'If-Match': current.headers.get('etag'), 'Content-Type': 'application/json' });
  const id = pageIdOf(count / 2 + 1);
  const body = pageHtml(10 * 1024);
  await big.api('PUT', `/api/pages/${id}`, body, { 'If-Match': '"0"', 'Content-Type': 'text/plain; charset=utf-8' });
  const titles = Array.from({ length: 57 }, (_, index) => `ページ ${index * 100 + 1}`);
  const times = await interactiveTimes(big, `${big.origin}/#/p/${id}`, lastText(body), () => plainWindowPage(big, titles, body));
  big.child.kill('SIGKILL');
  startRows(`${count.toLocaleString('en')}-page tree, page address`, times);
}

// The tree drawn from its answer (best of three), against the same with 10 pages and against a
// plain page reading the same answer, as the tree rows take them.
export async function bareTreeRuns(app) {
  const before = await app.api('GET', '/api/tree');
  const kept = await before.text();
  const put = async (text) => {
    const etag = (await app.api('GET', '/api/tree')).headers.get('etag');
    await app.api('PUT', '/api/tree', text, { 'If-Match': etag, 'Content-Type': 'application/json' });
  };
  const server = await plainServer(app);
  const timings = async (groups, each) => {
    await put(treeDocument(groups, each));
    return inBareBrowser(app, server, async ({ page }) => {
      await page.addInitScript(watchFrames);
      let draw = Infinity;
      for (let i = 0; i < 3; i++) draw = Math.min(draw, (await drawTimes(page, app)).draw);
      return { draw, read: await readTime(page, app) };
    }, 6 * TIMEOUT_MS).catch(() => null);
  };
  try {
    const floor = await timings(10, 0);
    const shapes = smoke ? [['flat 100', 100, 0, 150]] : [['flat 10,000', 10000, 0, 150],
      ['nested 100 × 99', 100, 99, 150], ['flat 100,000', 100000, 0, 1000]];
    for (const [name, groups, each, goal] of shapes) {
      const result = await timings(groups, each);
      const draw = result?.draw ?? Infinity;
      row('client', `tree ${name}: drawn from the tree answer${NO_RECORDING}`, draw, 'ms', 'the same, 10 pages',
        floor?.draw ?? NaN, draw / (floor?.draw ?? NaN), `< ${goal} ms`, draw < goal);
      row('client', `tree ${name}: drawn from the tree answer, against reading it alone${NO_RECORDING}`, draw, 'ms',
        'a plain page: fetch and JSON.parse of the answer', result?.read ?? NaN, draw / (result?.read ?? NaN),
        `< ${goal} ms`, draw < goal);
    }
  } finally {
    server.close();
    await put(kept);
  }
}
