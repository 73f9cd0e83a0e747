// What every benchmark module shares: the options, child processes, the program's sessions, load
// runs against it and direct SQLite, a browser to run the window in, and the table of rows.
import { spawn } from 'node:child_process';
import crypto from 'node:crypto';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

export const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, '..');
const args = process.argv.slice(2);
export const option = (name, fallback) => {
  const at = args.indexOf(name);
  return at >= 0 ? args[at + 1] : fallback;
};
export const smoke = args.includes('--smoke');
export const seconds = Number(option('--seconds', smoke ? 0.3 : 3));
export const program = process.env.FERNCARD_BIN || path.join(root, 'build', 'ferncard');
export const tool = process.env.FERNCARD_BENCH_TOOL || path.join(root, 'build-bench', 'ferncard_bench');
export const work = fs.mkdtempSync(path.join(os.tmpdir(), 'ferncard-bench-'));
const children = new Set();
const rows = [];
export const TIMEOUT_MS = 20000; // a client run still busy then is stopped
const DOCUMENTS_AT_MOST = 21; // the program's own document and the 20 handed to it

// ---- processes ----

export function start(command, argv, env = {}) {
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


export function run(command, argv, env = {}) {
  return new Promise((resolve, reject) => {
    const child = start(command, argv, env);
    child.on('close', (code) => (code === 0 ? resolve(child.output) : reject(new Error(`${command} ${argv.join(' ')}: ${child.output}`))));
  });
}


export async function waitFor(check, ms, what) {
  const end = Date.now() + ms;
  for (;;) {
    const value = await check();
    if (value) return value;
    if (Date.now() > end) throw new Error('timed out waiting for ' + what);
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}


export function freePort() {
  return new Promise((resolve) => {
    const server = net.createServer().listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

function portIsFree(port) {
  return new Promise((resolve) => {
    const server = net.createServer();
    server.once('error', () => resolve(false));
    server.listen(port, '127.0.0.1', () => server.close(() => resolve(true)));
  });
}

// A port with the `count` ports after it free as well, below the system's range of outgoing ports
// (where a neighbour of a port the system hands out is often taken): the program gives each
// document it opens later the next free port after its first.
export async function freePortRun(count) {
  for (;;) {
    const base = 20000 + Math.floor(Math.random() * 10000);
    let free = true;
    for (let port = base; free && port <= base + count; port++) free = await portIsFree(port);
    if (free) return base;
  }
}

export const memoryOf = (pid, field) => {
  const match = fs.readFileSync(`/proc/${pid}/status`, 'utf8').match(new RegExp(field + ':\\s+(\\d+) kB'));
  return match ? Number(match[1]) / 1024 : NaN;
};

// ---- the program ----

// A session on a launch address: the ticket traded for the cookie.
export async function session(launch) {
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


export async function startProgram(name = 'data') {
  const port = await freePortRun(DOCUMENTS_AT_MOST);
  const data = path.join(work, name);
  const ticketFile = path.join(work, `${name}.ticket`);
  const child = start(program, ['--no-browser', '--data', data, '--port', String(port), '--ticket-file', ticketFile]);
  const launch = await waitFor(() => fs.existsSync(ticketFile) && fs.readFileSync(ticketFile, 'utf8'), 15000,
    'the launch address');
  return { child, data, ticketFile, ...(await session(launch)) };
}


// ---- measuring ----

export function rawRequest(port, method, target, headers, body = '') {
  const lines = [`${method} ${target} HTTP/1.1`, `Host: 127.0.0.1:${port}`, 'Connection: close'];
  for (const [name, value] of Object.entries(headers)) if (name !== 'Host') lines.push(`${name}: ${value}`);
  if (method !== 'GET') lines.push(`Content-Length: ${Buffer.byteLength(body)}`);
  const file = path.join(work, `request-${crypto.randomUUID()}`);
  fs.writeFileSync(file, Buffer.concat([Buffer.from(lines.join('\r\n') + '\r\n\r\n'), Buffer.from(body)]));
  return file;
}

export async function load(port, clients, requestFile) {
  const result = JSON.parse(await run(tool, ['load', String(port), String(clients), String(seconds), requestFile]));
  if (result.count === 0) throw new Error(`no answers from port ${port}: ${JSON.stringify(result)}`);
  return { perSecond: result.count / result.seconds, meanMs: result.meanMs, errors: result.errors };
}

// The store work of one request straight through SQLite: a connection opened per operation, or
// (kept) one opened once.
export async function direct(file, op, id, bodyFile, kept = false) {
  const argv = [kept ? 'kept' : 'direct', file, op, id, String(seconds)];
  if (bodyFile) argv.push(bodyFile);
  const result = JSON.parse(await run(tool, argv));
  return { perSecond: result.count / result.seconds, meanMs: result.meanMs };
}


// Infinity stands for a run stopped at the time-out.
const fmt = (value, digits = 2) => (value === Infinity ? `> ${TIMEOUT_MS}` : Number.isFinite(value) ? value.toFixed(digits) : '—');

export function row(section, measure, value, unit, baselineName, baseline, ratio, target, met) {
  rows.push({ section, measure, value, unit, baselineName, baseline, ratio, target, met });
}

// ---- the window ----

// Runs fn(page) in a fresh browser; a page that is still busy after the time-out loses its browser.
export async function inBrowser(app, fn, limitMs = TIMEOUT_MS) {
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

export async function openWindow(page, app) {
  await page.goto(app.origin + '/');
  await page.waitForFunction(() => document.querySelector('#tree .tree-row, #tree .tree-empty') &&
    !document.getElementById('page').hidden, null, { polling: 'raf', timeout: TIMEOUT_MS });
  return page.evaluate(() => performance.now());
}

// ---- the table ----

export function table() {
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

