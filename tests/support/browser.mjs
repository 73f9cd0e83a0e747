// Drives Debian's chromium through playwright-core: a fresh profile per browser, windows that
// enter through the program's launch address, and a record of console errors and CSP violations.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before } from 'node:test';
import { chromium } from 'playwright-core';
import { launchProgram } from './session.mjs';

const CHROMIUM_ARGS = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];

// The program, started for windows to enter through its launch address.
export { launchProgram as startServer };

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

// The set-up of a browser suite: before its tests a program, a browser and one window on it
// (openWindow's options), handed to `ready` ({ server, browser, page }) for the suite's own
// preparation; after them the browser and the program end.
export function useWindow(ready, windowOptions = {}) {
  let server;
  let browser;
  before(async () => {
    server = await launchProgram();
    browser = await launchBrowser();
    const page = await openWindow(browser, server, windowOptions);
    await ready({ server, browser, page });
  });
  after(async () => {
    await browser?.close();
    await server?.stop();
  });
}
