// Drives Debian's chromium through playwright-core: a fresh profile per browser, windows that
// enter through the program's launch address, and a record of console errors and CSP violations.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';
import { exitWithin, killFerncard, startFerncard } from './ferncard.mjs';
import { freePort, waitForLaunchAddress } from './launch.mjs';

const CHROMIUM_ARGS = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];

// Starts the program quietly on a free port with a fresh data folder, for windows to enter
// through its launch address. Options: document (a document path argument), env (added to the
// program's environment).
export async function startServer({ document, env = {} } = {}) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'ferncard-browser-'));
  const dataDir = path.join(dir, 'data');
  const ticketFile = path.join(dir, 'ticket.txt');
  const port = await freePort();
  const args = ['--no-browser', '--data', dataDir, '--port', String(port), '--ticket-file', ticketFile];
  if (document) args.push(document);
  const run = startFerncard(args, { env });
  const address = await waitForLaunchAddress(ticketFile, 15000);
  if (!/\?ticket=[0-9a-f]{64}$/.test(address ?? '')) {
    await killFerncard(run);
    throw new Error('no launch address; stderr: ' + run.stderr());
  }
  return {
    port,
    dir,
    dataDir,
    ticketFile,
    origin: 'http://127.0.0.1:' + port,
    // The address most recently written: the program rewrites the file for every window it opens.
    launchAddress: () => fs.readFileSync(ticketFile, 'utf8'),
    async stop() {
      if (run.child.exitCode === null && run.child.signalCode === null) {
        run.child.kill('SIGTERM');
        if ((await exitWithin(run, 8000)) === null) await killFerncard(run);
      }
      fs.rmSync(dir, { recursive: true, force: true });
    },
  };
}

export async function launchBrowser({ colorScheme = 'light' } = {}) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'ferncard-profile-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: CHROMIUM_ARGS,
    viewport: { width: 1280, height: 800 },
    colorScheme,
    locale: 'ja-JP',
  });
  const problems = [];
  const allowed = [];
  const watch = (page) => {
    page.on('console', (message) => {
      if (message.type() !== 'error') return;
      const text = message.text();
      if (!allowed.some((pattern) => pattern.test(text))) problems.push(text);
    });
    page.on('pageerror', (error) => problems.push('page error: ' + error.message));
  };
  await context.addInitScript(() => {
    document.addEventListener('securitypolicyviolation', (event) => {
      console.error('CSP violation: ' + event.violatedDirective + ' ' + event.blockedURI);
    });
  });
  for (const page of context.pages()) watch(page);
  context.on('page', watch);

  return {
    context,
    problems,
    // Console errors that a test provokes on purpose (a refused request, for instance).
    allow(pattern) {
      allowed.push(pattern);
    },
    async close() {
      await context.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

// Waits until start-up has finished: a page or the empty state is shown, or a fatal banner.
export async function waitReady(page) {
  await page.waitForFunction(() => {
    const banner = document.getElementById('banner');
    return !document.getElementById('page').hidden || !document.getElementById('emptyState').hidden ||
      (banner && banner.dataset.kind === 'fatal');
  });
}

// Opens a window the way the program does: through the launch address with its one-time ticket.
// Later windows of the same browser share its session cookie and may enter at "/".
// `initScript` runs in the window before the client does.
export async function openWindow(browser, server, { viaTicket = true, initScript = null } = {}) {
  const page = browser.context.pages().find((candidate) => candidate.url() === 'about:blank') ||
    await browser.context.newPage();
  if (initScript) await page.addInitScript(initScript);
  await page.goto(viaTicket ? server.launchAddress() : server.origin + '/');
  await waitReady(page);
  return page;
}

export function rows(page) {
  return page.locator('#tree .tree-row');
}

export async function rowTitles(page) {
  return page.locator('#tree .tree-row .tree-title').allTextContents();
}

export function row(page, title) {
  return page.locator('#tree .tree-row').filter({
    has: page.locator('.tree-title', { hasText: new RegExp('^' + title.replace(/[.*+?^${}()|[\]\\]/g, '\\$&') + '$') }),
  });
}

// Reads the stored tree document through the page's own API client.
export async function storedTree(page) {
  return page.evaluate(async () => {
    const { api } = await import('/assets/js/api.js');
    const { text, etag } = await api.getTree();
    return { doc: JSON.parse(text), etag, text };
  });
}

export function assertNoProblems(assert, browser) {
  assert.deepEqual(browser.problems, [], 'console errors or CSP violations');
}

// Keeps a window from re-reading the tree when it gets the focus, so that it acts on what it
// read earlier, as a window does that the user switches to and uses at once.
export function ignoreFocus() {
  window.addEventListener('focus', (event) => event.stopImmediatePropagation(), true);
}

// Collects the statuses of the window's tree writes.
export function treeWrites(page) {
  const statuses = [];
  page.on('response', (response) => {
    if (response.request().method() === 'PUT' && new URL(response.url()).pathname === '/api/tree') {
      statuses.push(response.status());
    }
  });
  return statuses;
}
