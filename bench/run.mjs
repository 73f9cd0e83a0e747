// Runs the benchmark and prints a Markdown table (also written to bench/results.md): every figure
// beside a baseline measured in the same run. Options: --smoke (a few seconds, small inputs),
// --seconds N (per load run), --only server|client, --out FILE. FERNCARD_BIN names the program (default build/ferncard).
// The search rows need the sqlite3 shell.
import { spawn } from 'node:child_process';
import crypto from 'node:crypto';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { importRows, importTimings } from './import.mjs';
import { historyRuns } from './history.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, '..');
const args = process.argv.slice(2);
const option = (name, fallback) => {
  const at = args.indexOf(name);
  return at >= 0 ? args[at + 1] : fallback;
};
const smoke = args.includes('--smoke');
const seconds = Number(option('--seconds', smoke ? 0.3 : 3));
const out = path.resolve(option('--out', path.join(here, 'results.md')));
const program = process.env.FERNCARD_BIN || path.join(root, 'build', 'ferncard');
const tool = process.env.FERNCARD_BENCH_TOOL || path.join(root, 'build-bench', 'ferncard_bench');
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'ferncard-bench-'));
const children = new Set();
const rows = [];
const TIMEOUT_MS = 20000; // a client run still busy then is stopped

// ---- processes ----

function start(command, argv, env = {}) {
  const child = spawn(command, argv, { env: { ...process.env, ...env }, stdio: ['ignore', 'pipe', 'pipe'] });
  children.add(child);
  child.on('close', () => children.delete(child));
  child.output = '';
  child.stdout.on('data', (chunk) => { child.output += chunk; });
  child.stderr.on('data', (chunk) => { child.output += chunk; });
  return child;
}

function stopAll() {
  for (const child of children) child.kill('SIGKILL');
}
process.on('exit', () => {
  stopAll();
  fs.rmSync(work, { recursive: true, force: true });
});

function run(command, argv, env = {}) {
  return new Promise((resolve, reject) => {
    const child = start(command, argv, env);
    child.on('close', (code) => (code === 0 ? resolve(child.output) : reject(new Error(`${command} ${argv.join(' ')}: ${child.output}`))));
  });
}

async function waitFor(check, ms, what) {
  const end = Date.now() + ms;
  for (;;) {
    const value = await check();
    if (value) return value;
    if (Date.now() > end) throw new Error('timed out waiting for ' + what);
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}

function freePort() {
  return new Promise((resolve) => {
    const server = net.createServer().listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

const memoryOf = (pid, field) => {
  const match = fs.readFileSync(`/proc/${pid}/status`, 'utf8').match(new RegExp(field + ':\\s+(\\d+) kB'));
  return match ? Number(match[1]) / 1024 : NaN;
};

// ---- the program ----

// A session on a launch address: the ticket traded for the cookie.
async function session(launch) {
  const { origin, port } = new URL(launch);
  const entry = await fetch(launch, { redirect: 'manual' });
  const cookie = entry.headers.get('set-cookie').split(';')[0];
  const headers = { Host: `127.0.0.1:${port}`, Origin: origin, Cookie: cookie };
  const api = async (method, target, body, extra = {}) => {
    const answer = await fetch(origin + target, { method, body, headers: { ...headers, ...extra } });
    if (!answer.ok) throw new Error(`${method} ${target}: ${answer.status} ${await answer.text()}`);
    return answer;
  };
  return { port: Number(port), origin, headers, api, cookie };
}

async function startProgram(name = 'data') {
  const port = await freePort();
  const data = path.join(work, name);
  const ticketFile = path.join(work, `${name}.ticket`);
  const child = start(program, ['--no-browser', '--data', data, '--port', String(port), '--ticket-file', ticketFile]);
  const launch = await waitFor(() => fs.existsSync(ticketFile) && fs.readFileSync(ticketFile, 'utf8'), 15000,
    'the launch address');
  return { child, data, ticketFile, ...(await session(launch)) };
}

// ---- inputs ----

const tagOf = (body) => '"' + crypto.createHash('sha256').update(body).digest('hex').slice(0, 32) + '"';
const pageIdOf = (n) => `00000000-0000-4000-8000-${n.toString(16).padStart(12, '0')}`;

function pageHtml(bytes) {
  const parts = [];
  let size = 0;
  for (let n = 0; size < bytes; n++) {
    const piece = `<p>段落 ${n}: 文字の<b>並び</b>と <i>書式</i> を含む本文です。The quick brown fox jumps over the lazy dog.</p>`;
    parts.push(piece);
    size += Buffer.byteLength(piece);
  }
  return parts.join('');
}

function officeHtml(bytes) {
  const parts = ['<html xmlns:o="urn:schemas-microsoft-com:office:office"><head><style>p.MsoNormal{margin:0}</style></head><body lang=JA>'];
  let size = 0;
  for (let n = 0; size < bytes; n++) {
    const piece = `<p class=MsoNormal style='margin:0mm;font-size:10.5pt;font-family:"MS Mincho",serif'>` +
      `<span lang=EN-US style='font-family:"Century",serif'>Item ${n}</span><b><span style='color:#C00000'>重要</span></b>` +
      `<span style='mso-spacerun:yes'>  </span>本文の文字列です。<o:p></o:p></p>`;
    parts.push(piece);
    size += piece.length;
  }
  parts.push('</body></html>');
  return parts.join('');
}

// count pages as `groups` top pages with `each` children (flat when each is 0).
function treeDocument(groups, each) {
  const pages = [];
  let n = 0;
  const add = (parentId, order) => {
    const id = pageIdOf(++n);
    pages.push({ id, parentId, order, title: `ページ ${n}`, createdAt: 1700000000000 + n, updatedAt: 1700000000000 + n, deletedAt: null });
    return id;
  };
  for (let g = 0; g < groups; g++) {
    const top = add(null, (g + 1) * 1000);
    for (let c = 0; c < each; c++) add(top, (c + 1) * 1000);
  }
  return JSON.stringify({ schemaVersion: 1, pages });
}

// ---- measuring ----

function rawRequest(port, method, target, headers, body = '') {
  const lines = [`${method} ${target} HTTP/1.1`, `Host: 127.0.0.1:${port}`, 'Connection: close'];
  for (const [name, value] of Object.entries(headers)) if (name !== 'Host') lines.push(`${name}: ${value}`);
  if (method !== 'GET') lines.push(`Content-Length: ${Buffer.byteLength(body)}`);
  const file = path.join(work, `request-${crypto.randomUUID()}`);
  fs.writeFileSync(file, Buffer.concat([Buffer.from(lines.join('\r\n') + '\r\n\r\n'), Buffer.from(body)]));
  return file;
}

async function load(port, clients, requestFile) {
  const result = JSON.parse(await run(tool, ['load', String(port), String(clients), String(seconds), requestFile]));
  if (result.count === 0) throw new Error(`no answers from port ${port}: ${JSON.stringify(result)}`);
  return { perSecond: result.count / result.seconds, meanMs: result.meanMs, errors: result.errors };
}

async function direct(file, op, id, bodyFile) {
  const argv = ['direct', file, op, id, String(seconds)];
  if (bodyFile) argv.push(bodyFile);
  const result = JSON.parse(await run(tool, argv));
  return { perSecond: result.count / result.seconds, meanMs: result.meanMs };
}

// Infinity stands for a run stopped at the time-out.
const fmt = (value, digits = 2) => (value === Infinity ? `> ${TIMEOUT_MS}` : Number.isFinite(value) ? value.toFixed(digits) : '—');

function row(section, measure, value, unit, baselineName, baseline, ratio, target, met) {
  rows.push({ section, measure, value, unit, baselineName, baseline, ratio, target, met });
}

// ---- transport and store ----

async function serverRuns(app) {
  const floorPort = await freePort();
  const floor = start(tool, ['floor', String(floorPort)]);
  await waitFor(() => floor.output.includes('listening'), 5000, 'the floor server');

  let node = null;
  let nodePort = 0;
  const nodeDocument = path.join(work, 'node.fcard');
  const haveNode = fs.existsSync(path.join(here, 'node_modules', 'better-sqlite3'));

  const statusFile = rawRequest(app.port, 'GET', '/api/status', app.headers);
  const floorFile = rawRequest(floorPort, 'GET', '/api/status', {});
  for (const clients of smoke ? [1] : [1, 8, 32]) {
    const ours = await load(app.port, clients, statusFile);
    const base = await load(floorPort, clients, floorFile);
    const ratio = ours.perSecond / base.perSecond;
    row('transport', `GET /api/status, ${clients} client${clients > 1 ? 's' : ''}`, ours.perSecond, 'req/s',
      'floor server', base.perSecond, ratio, '≥ 0.8 of floor', ratio >= 0.8);
  }
  floor.kill('SIGKILL');

  // Store inputs, written through the program.
  const small = pageHtml(smoke ? 2000 : 10 * 1024);
  const large = pageHtml(smoke ? 20000 : 1024 * 1024);
  const tree = treeDocument(smoke ? 100 : 10000, 0);
  await app.api('PUT', `/api/pages/${pageIdOf(1)}`, small, { 'If-Match': '"0"', 'Content-Type': 'text/plain; charset=utf-8' });
  await app.api('PUT', `/api/pages/${pageIdOf(2)}`, large, { 'If-Match': '"0"', 'Content-Type': 'text/plain; charset=utf-8' });
  const oldTree = await app.api('GET', '/api/tree');
  await app.api('PUT', '/api/tree', tree, { 'If-Match': oldTree.headers.get('etag'), 'Content-Type': 'application/json' });
  const document = JSON.parse(await (await app.api('GET', '/api/status')).text()).file;
  fs.copyFileSync(document, nodeDocument);

  if (haveNode) {
    nodePort = await freePort();
    node = start(process.execPath, [path.join(here, 'node-server.mjs'), String(nodePort), nodeDocument]);
    await waitFor(() => node.output.includes('listening'), 10000, 'the Node server');
  }

  const operations = [
    ['GET 10 KB page', 'GET', `/api/pages/${pageIdOf(1)}`, pageIdOf(1), null],
    ['GET 1 MB page', 'GET', `/api/pages/${pageIdOf(2)}`, pageIdOf(2), null],
    ['PUT 10 KB page', 'PUT', `/api/pages/${pageIdOf(1)}`, pageIdOf(1), small],
    ['PUT 1 MB page', 'PUT', `/api/pages/${pageIdOf(2)}`, pageIdOf(2), large],
    [`GET tree of ${smoke ? 100 : 10000} pages`, 'GET', '/api/tree', 'tree', null],
  ];
  for (const [name, method, target, id, body] of operations) {
    const extra = body === null ? {} : { 'If-Match': tagOf(body), 'Content-Type': 'text/plain; charset=utf-8' };
    const ours = await load(app.port, 1, rawRequest(app.port, method, target, { ...app.headers, ...extra }, body ?? ''));
    const bodyFile = body === null ? null : path.join(work, `body-${id}`);
    if (bodyFile) fs.writeFileSync(bodyFile, body);
    const floorRun = await direct(document, method === 'GET' ? 'get' : 'put', id, bodyFile);
    const ratio = ours.meanMs / floorRun.meanMs;
    row('store', `${name}: time per request`, ours.meanMs, 'ms', 'direct SQLite', floorRun.meanMs, ratio,
      '≤ 1.5× direct', ratio <= 1.5);
    if (node) {
      const theirs = await load(nodePort, 1, rawRequest(nodePort, method, target, extra, body ?? ''));
      const share = ours.perSecond / theirs.perSecond;
      row('store', `${name}: throughput`, ours.perSecond, 'req/s', 'Node + better-sqlite3', theirs.perSecond, share,
        '≥ 1× Node', share >= 1);
    }
  }
  const peak = memoryOf(app.child.pid, 'VmHWM');
  if (node) {
    row('memory', 'peak through the store runs', peak, 'MiB', 'Node server peak', memoryOf(node.pid, 'VmHWM'),
      peak / memoryOf(node.pid, 'VmHWM'), '—', true);
    node.kill('SIGKILL');
  } else {
    row('memory', 'peak through the store runs', peak, 'MiB', '—', NaN, NaN, '—', true);
  }
  return { large, tree };
}

// ---- client ----


// Runs fn(page) in a fresh browser; a page that is still busy after the time-out loses its browser.
async function inBrowser(app, fn, limitMs = TIMEOUT_MS) {
  const { chromium } = await import('playwright-core');
  const profile = fs.mkdtempSync(path.join(work, 'profile-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium', headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking'],
    viewport: { width: 1280, height: 800 }, locale: 'ja-JP',
  });
  // The session cookie that the launch address would have set.
  const [name, value] = app.cookie.split('=');
  await context.addCookies([{ name, value, url: app.origin, httpOnly: true, sameSite: 'Strict' }]);
  let timer;
  try {
    return await Promise.race([
      fn(context.pages()[0] || await context.newPage()),
      new Promise((resolve) => { timer = setTimeout(() => resolve(null), limitMs); }),
    ]);
  } finally {
    clearTimeout(timer);
    await Promise.race([context.close(), new Promise((resolve) => setTimeout(resolve, 3000))]);
  }
}

async function openWindow(page, app) {
  await page.goto(app.origin + '/');
  await page.waitForFunction(() => document.querySelector('#tree .tree-row, #tree .tree-empty') &&
    !document.getElementById('page').hidden, null, { polling: 'raf', timeout: TIMEOUT_MS });
  return page.evaluate(() => performance.now());
}

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

// The first window also writes the starting page; the best of the later ones counts.
async function startupRuns(app) {
  const ttiRuns = [];
  for (let i = 0; i < (smoke ? 2 : 4); i++) {
    ttiRuns.push(await inBrowser(app, (page) => openWindow(page, app)));
  }
  const tti = Math.min(...ttiRuns.slice(1).map((value) => value ?? Infinity));
  row('client', 'time to interactive, small document (best of runs)', tti, 'ms', '—', NaN, NaN, '< 300 ms', tti < 300);
}

async function clientRuns(app, large) {
  // A small tree, so that the window opens quickly for the page and sanitizer runs.
  const current = await app.api('GET', '/api/tree');
  const pages = [1, 2].map((n) => ({ id: pageIdOf(n), parentId: null, order: n * 1000, title: `ページ ${n}`,
    createdAt: 1700000000000, updatedAt: 1700000000000, deletedAt: null }));
  await app.api('PUT', '/api/tree', JSON.stringify({ schemaVersion: 1, pages }),
    { 'If-Match': current.headers.get('etag'), 'Content-Type': 'application/json' });

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

  // Opening a large page: from the click on its row to its last paragraph laid out.
  const opened = await inBrowser(app, async (page) => {
    await openWindow(page, app);
    await page.evaluate(() => { window.scrollTo(0, 0); });
    const row = page.locator(`#tree .tree-row[data-id="${pageIdOf(2)}"]`);
    await row.waitFor();
    const began = await page.evaluate(() => performance.now());
    await row.click();
    await page.waitForFunction((marker) => document.getElementById('editor').textContent.includes(marker),
      large.slice(-200).replace(/<[^>]*>/g, '').slice(-20), { polling: 'raf', timeout: TIMEOUT_MS });
    return (await page.evaluate(() => performance.now())) - began;
  });
  row('client', `open a ${smoke ? 'small' : '1 MB'} page`, opened ?? Infinity, 'ms', '—', NaN, NaN, '< 150 ms', (opened ?? Infinity) < 150);

  await pasteRuns(app);

  const office = officeHtml(smoke ? 20000 : 1024 * 1024);
  const inputs = await exportInputs(app);
  // The sanitizer and the export share one browser: a launch costs seconds.
  const { rates, exported } = await inBrowser(app, async (page) => {
    await openWindow(page, app);
    const rates = await page.evaluate(async (html) => {
      const { sanitizeHtml } = await import('/assets/js/sanitize.js');
      const rate = (fn) => {
        let runs = 0;
        const began = performance.now();
        while (runs < 3 || performance.now() - began < 1000) { fn(); runs++; }
        return (html.length * runs) / ((performance.now() - began) / 1000) / 1e6;
      };
      return {
        sanitize: rate(() => sanitizeHtml(html)),
        parse: rate(() => new DOMParser().parseFromString(html, 'text/html')),
      };
    }, office);
    return { rates, exported: await exportTimings(page, inputs) };
  }, 3 * TIMEOUT_MS) ?? {};
  const share = rates ? rates.sanitize / rates.parse : NaN;
  row('client', 'sanitizeHtml on office HTML', rates?.sanitize ?? NaN, 'MB/s', 'bare DOMParser', rates?.parse ?? NaN,
    share, '≥ 0.5 of DOMParser', share >= 0.5);
  exportRows(inputs, exported);

  const folder = smoke ? { notes: 50, pictures: 10 } : { notes: 1000, pictures: 200 };
  const imported = await inBrowser(app, async (page) => {
    await openWindow(page, app);
    return importTimings(page, folder);
  }, 6 * TIMEOUT_MS);
  importRows(row, folder, imported);
}

// Plain text pasted into the open page, against the same paragraphs inserted directly by the
// browser's command in the same window; then how long until the server holds it, and the time
// from a key to the next frame when typing after it.
async function pasteRuns(app) {
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

// A branch of pages sharing images: one top page with the rest below it, three images on each.
async function exportInputs(app) {
  const [count, imageCount] = smoke ? [20, 5] : [1000, 100];
  const images = [];
  for (let i = 0; i < imageCount; i++) {
    const bytes = Buffer.concat([Buffer.from('\x89PNG\r\n\x1a\n', 'latin1'), crypto.randomBytes(16 * 1024)]);
    const answer = await app.api('POST', '/api/images', bytes, { 'Content-Type': 'application/octet-stream' });
    images.push((await answer.json()).id);
  }
  const ids = Array.from({ length: count }, (_, n) => pageIdOf(0x100000 + n));
  const body = (n) => pageHtml(1024) +
    [0, 1, 2].map((k) => `<p><img src="/api/images/${images[(n * 3 + k) % imageCount]}"></p>`).join('');
  for (let n = 0; n < count; n += 8) {
    await Promise.all(ids.slice(n, n + 8).map((id, i) => app.api('PUT', `/api/pages/${id}`, body(n + i),
      { 'If-Match': '"0"', 'Content-Type': 'text/plain; charset=utf-8' })));
  }
  const current = await app.api('GET', '/api/tree');
  const tree = JSON.parse(await current.text());
  tree.pages.push(...ids.map((id, n) => ({ id, parentId: n === 0 ? null : ids[0], order: (n + 3) * 1000,
    title: `出力 ${n}`, createdAt: 1700000000000, updatedAt: 1700000000000, deletedAt: null })));
  await app.api('PUT', '/api/tree', JSON.stringify(tree),
    { 'If-Match': current.headers.get('etag'), 'Content-Type': 'application/json' });
  return { ids, images };
}

// The export as the window makes it (the tree's list of the branch, then the export module),
// counting image requests; then the same bodies and images fetched one after another.
async function exportTimings(page, { ids, images }) {
  let imageFetches = 0;
  page.on('request', (request) => { if (/\/api\/images\/[0-9a-f]{32}$/.test(request.url())) imageFetches++; });
  const exported = await page.evaluate(async (rootId) => {
    const { createExport } = await import('/assets/js/export.js');
    const { exportList, indexOf, parseTree } = await import('/assets/js/tree-model.js');
    const doc = parseTree(await (await fetch('/api/tree', { cache: 'no-store' })).text());
    const list = exportList(indexOf(doc), rootId);
    const began = performance.now();
    const { missing } = await createExport('bench', list);
    return { ms: performance.now() - began, pages: list.length, missing };
  }, ids[0]);
  const fetches = imageFetches;
  const direct = await page.evaluate(async (inputs) => {
    const began = performance.now();
    for (const id of inputs.ids) await (await fetch('/api/pages/' + id, { cache: 'no-store' })).text();
    for (const id of inputs.images) await (await fetch('/api/images/' + id, { cache: 'no-store' })).arrayBuffer();
    return performance.now() - began;
  }, { ids, images });
  return { ...exported, fetches, direct };
}

function exportRows({ ids, images }, result) {
  if (result && (result.pages !== ids.length || result.missing)) {
    throw new Error(`export: ${result.pages} of ${ids.length} pages, ${result.missing} images missing`);
  }
  const ms = result?.ms ?? Infinity;
  row('client', `export of ${ids.length} pages sharing ${images.length} images`, ms, 'ms',
    'same bodies and images fetched', result?.direct ?? NaN, ms / result?.direct, '< 5000 ms', ms < 5000);
  row('client', 'export: image fetches', result?.fetches ?? NaN, 'fetches', 'images used', images.length,
    (result?.fetches ?? NaN) / images.length, 'each image once', result?.fetches === images.length);
}

// A second instance, with documents handed to it the way a later start does; each is opened
// by a session that reads its status and tree, as a window would.
async function documentRuns() {
  const count = smoke ? 5 : 20;
  const app = await startProgram('documents');
  await new Promise((resolve) => setTimeout(resolve, 500));
  const idle = memoryOf(app.child.pid, 'VmRSS');
  const source = JSON.parse(await (await app.api('GET', '/api/status')).text()).file;
  let previous = fs.readFileSync(app.ticketFile, 'utf8');
  for (let i = 1; i <= count; i++) {
    const file = path.join(work, `document-${i}.fcard`);
    fs.copyFileSync(source, file);
    await run(program, ['--no-browser', '--data', app.data, file]);
    const launch = await waitFor(() => {
      const text = fs.readFileSync(app.ticketFile, 'utf8');
      return text !== previous && /\?ticket=[0-9a-f]{64}$/.test(text) && text;
    }, 10000, `document ${i} to open`);
    previous = launch;
    const window = await session(launch);
    await window.api('GET', '/api/status');
    await window.api('GET', '/api/tree');
  }
  const open = memoryOf(app.child.pid, 'VmRSS');
  app.child.kill('SIGKILL');
  row('memory', `${count} documents open`, open, 'MiB', 'idle, same process', idle, open / idle, '< 30 MiB', open < 30);
}

// bench/search.mjs in a program of its own: a tiny document in a smoke run.
async function searchRuns() {
  const [pages, bytes] = smoke ? [200, 1024] : [10000, 10240];
  const output = await run(process.execPath, [path.join(here, 'search.mjs'), String(pages), String(bytes)],
    { FERNCARD_BIN: program });
  const result = JSON.parse(output.trim().split('\n').filter((line) => line.startsWith('{')).pop());
  const name = `GET /api/search, ${pages.toLocaleString('en')} pages of ${bytes / 1024} KB`;
  row('search', `${name}: time per request`, result.searchMs, 'ms', 'sqlite3 shell scan', result.scanMs, result.ratio,
    '< 200 ms', result.met);
  row('search', `${name}: first request, which builds the index`, result.firstMs, 'ms', 'sqlite3 shell scan',
    result.scanMs, result.firstMs / result.scanMs, '—', true);
  // What the program keeps between searches: its resident memory after them less before them.
  const indexMiB = result.rssAfterMiB - result.rssBeforeMiB;
  const bodyMiB = result.bodyBytes / 1048576;
  row('memory', `search index of ${pages.toLocaleString('en')} pages of ${bytes / 1024} KB`, indexMiB, 'MiB',
    'page bodies stored', bodyMiB, indexMiB / bodyMiB, '—', true);
  // CPU time is counted in 10 ms ticks: too coarse for the smoke run.
  if (!smoke) {
    row('search', `${name}: CPU per request`, result.searchCpuMs, 'ms', 'sqlite3 shell scan', result.scanCpuMs,
      result.cpuRatio, '—', true);
  }
}

// bench/denial.mjs in a program of its own: the window's requests while others hold the server.
async function denialRuns() {
  const output = await run(process.execPath, [path.join(here, 'denial.mjs'), ...(smoke ? ['--smoke'] : [])],
    { FERNCARD_BIN: program });
  const r = JSON.parse(output.trim().split('\n').filter((line) => line.startsWith('{')).pop());
  const rows3 = (what, measured, target, limit) => {
    for (const [name, key] of [['GET /api/status', 'statusMs'], ['GET a page', 'readMs'], ['PUT a page', 'writeMs']]) {
      row('denial', `${name} with ${what}`, measured[key], 'ms', 'idle server', r.idle[key], measured[key] / r.idle[key],
        target, measured[key] < limit(r.idle[key]));
    }
  };
  rows3(`${r.slow.toLocaleString('en')} slow heads open`, r.withSlow, '< 100 ms', () => 100);
  rows3(`${r.unread} peers not reading ${r.unreadBytes / 1e6} MB`, r.withUnread, '< 100 ms', () => 100);
  rows3(`${r.searches} searches running (${r.searchPages.toLocaleString('en')} pages of ${r.searchBytes / 1000} KB)`,
    r.withSearches, '≤ idle + 50 ms', (idle) => idle + 50);
  row('memory', `${r.unread} peers not reading ${r.unreadBytes / 1e6} MB: resident`, r.unreadRssMiB, 'MiB', '—', NaN, NaN,
    '< 200 MiB', r.unreadRssMiB < 200);
  row('memory', `${r.unread} peers not reading ${r.unreadBytes / 1e6} MB: peak so far, with the page's write`, r.peakRssMiB, 'MiB', '—',
    NaN, NaN, '< 200 MiB', r.peakRssMiB < 200);
}

// ---- main ----

function table() {
  const lines = [
    `Ferncard benchmark, ${new Date().toISOString()}, ${os.cpus().length} cores${smoke ? ', smoke run' : ''}, ${seconds} s per load run`,
    '',
    '| area | measure | Ferncard | baseline | baseline figure | ratio | target | met |',
    '| --- | --- | ---: | --- | ---: | ---: | --- | --- |',
  ];
  // Rows of one area together, in the order the areas first appear.
  const areas = [...new Set(rows.map((r) => r.section))];
  for (const r of areas.flatMap((area) => rows.filter((r) => r.section === area))) {
    const digits = (value) => (value >= 100 || r.unit === 'fetches' ? 0 : 2);
    lines.push(`| ${r.section} | ${r.measure} | ${fmt(r.value, digits(r.value))} ${r.unit} | ${r.baselineName} | ` +
      `${Number.isFinite(r.baseline) ? fmt(r.baseline, digits(r.baseline)) + ' ' + r.unit : '—'} | ` +
      `${fmt(r.ratio)} | ${r.target} | ${r.met ? 'yes' : 'no'} |`);
  }
  return lines.join('\n') + '\n';
}

try {
  for (const needed of [program, tool]) if (!fs.existsSync(needed)) throw new Error(`missing ${needed}: build it first (bench/run.sh does)`);
  const app = await startProgram();
  await new Promise((resolve) => setTimeout(resolve, 500));
  row('memory', 'idle after start', memoryOf(app.child.pid, 'VmRSS'), 'MiB', '—', NaN, NaN, '< 10 MiB',
    memoryOf(app.child.pid, 'VmRSS') < 10);
  // --only server|client runs one half (the client half still writes its page through the program).
  const only = option('--only', '');
  if (only !== 'server') await startupRuns(app);
  let large = pageHtml(smoke ? 20000 : 1024 * 1024);
  if (only !== 'client') ({ large } = await serverRuns(app));
  else await app.api('PUT', `/api/pages/${pageIdOf(2)}`, large, { 'If-Match': '"0"', 'Content-Type': 'text/plain; charset=utf-8' });
  if (only !== 'server') await clientRuns(app, large);
  if (only !== 'client') await searchRuns();
  if (only !== 'client') await historyRuns({ startProgram, smoke, row, run, pageHtml, pageIdOf });
  if (only !== 'client') await denialRuns();
  await documentRuns();
  const text = table();
  fs.writeFileSync(out, text);
  process.stdout.write(text);
  process.exit(0);
} catch (error) {
  console.error('bench: ' + (error && error.stack ? error.stack : error));
  process.exit(1);
}
