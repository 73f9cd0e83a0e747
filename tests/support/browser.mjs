// Drives Debian's chromium through playwright-core: a fresh profile per browser, windows that
// enter through the program's launch address, and a record of console errors and CSP violations.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import assert from 'node:assert/strict';
import { after, afterEach, before } from 'node:test';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';
import { messages } from '../../web/assets/js/messages.js';
import { launchProgram } from './session.mjs';

const CHROMIUM_ARGS = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];

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
// `initScript` (one or a list: functions, or { path } of a file) runs in the window before the
// client does.
export async function openWindow(browser, server, { viaTicket = true, initScript = null } = {}) {
  const page = browser.context.pages().find((candidate) => candidate.url() === 'about:blank') ||
    await browser.context.newPage();
  for (const script of [initScript].flat().filter(Boolean)) await page.addInitScript(script);
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

// The init script of a save picker that keeps what is written (see save-picker.js).
export const savePicker = { path: fileURLToPath(new URL('./save-picker.js', import.meta.url)) };

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

// The set-up of a browser suite: before its tests a program (launchProgram's options in
// `program`), a browser with the given console errors allowed and, unless `open` is false, one
// window on it (openWindow's options; `clock` installs a controllable clock first), handed to
// `ready` ({ server, browser, page }) for the suite's own preparation; after each test, no console
// error or policy violation that was not allowed; after them all, both end.
export function useWindow(ready, { program, allow = [], clock = false, open = true, ...windowOptions } = {}) {
  let server;
  let browser;
  before(async () => {
    server = await launchProgram(program);
    browser = await launchBrowser();
    allow.forEach((pattern) => browser.allow(pattern));
    if (clock) await browser.context.clock.install();
    const page = open ? await openWindow(browser, server, windowOptions) : undefined;
    await ready({ server, browser, page });
  });
  afterEach(() => {
    assert.deepEqual(browser?.problems.splice(0) ?? [], [], 'console errors or CSP violations');
  });
  after(async () => {
    await browser?.close();
    await server?.stop();
  });
}

// Counts the window's writes as they are asked for, before any answer.
export function countWrites() {
  window.__writes = [];
  const original = window.fetch;
  window.fetch = function (url, options) {
    if (options && options.method && options.method !== 'GET') window.__writes.push(options.method + ' ' + url);
    return original.apply(this, arguments);
  };
}

// How many page bodies the window has sent (it runs countWrites).
export const writes = (page) => page.evaluate(() => window.__writes.filter((w) => w.startsWith('PUT /api/pages/')).length);

// The identifier of the page the window shows.
export const openPageId = (page) => page.evaluate(async () => (await import('/assets/js/page-route.js')).pageFromHash(location.hash));

// Shows the page with the given identifier through the window's address.
export const showPage = (page, id) => page.evaluate(async (pageId) => {
  location.hash = (await import('/assets/js/page-route.js')).pageHash(pageId);
}, id);

export function stored(page, id) {
  return page.evaluate(async (pageId) => {
    const { api } = await import('/assets/js/api.js');
    return (await api.getPage(pageId)).html;
  }, id);
}

// Polls `check` (an async function) until it gives a truthy value, which it returns; waitForFunction
// does not wait for a promise.
export async function until(check, { timeout = 30000, interval = 100 } = {}) {
  const deadline = Date.now() + timeout;
  for (;;) {
    const value = await check();
    if (value) return value;
    if (Date.now() > deadline) throw new Error('condition not met within ' + timeout + ' ms: ' + check);
    await new Promise((resolve) => { setTimeout(resolve, interval); });
  }
}

// Waits until the server holds exactly `html` as the page's body (a RegExp: matching it).
export async function storedAs(page, id, html) {
  let last;
  try {
    await until(async () => {
      last = await stored(page, id);
      return html instanceof RegExp ? html.test(last) : last === html;
    });
  } catch (error) {
    throw new Error(`page body ${JSON.stringify(last)} is not ${html}`);
  }
}

// Waits until the save indicator says that everything is saved.
export function waitSaved(page) {
  return page.waitForFunction((saved) => document.getElementById('status').textContent.startsWith(saved), messages.saved);
}

// Waits until the first element that `selector` matches holds exactly `text`.
export function waitText(page, selector, text) {
  return page.waitForFunction(([chosen, expected]) => document.querySelector(chosen)?.textContent === expected, [selector, text]);
}

// A new page made from the sidebar, titled and open, with the caret in its empty body.
export async function newPage(page, title) {
  await page.click('#newPageBtn');
  await page.waitForFunction(() => document.activeElement === document.getElementById('title'));
  await page.keyboard.type(title);
  await row(page, title).waitFor();
  await page.click('#editor');
  return openPageId(page);
}

// Holds every matching request until the returned function is called; `held` resolves when
// the first one arrives.
export async function hold(page, pattern, method = 'PUT') {
  let release;
  let arrived;
  const gate = new Promise((resolve) => { release = resolve; });
  const held = new Promise((resolve) => { arrived = resolve; });
  const handler = async (route) => {
    if (route.request().method() !== method) return route.fallback();
    arrived();
    await gate;
    return route.fallback();
  };
  await page.route(pattern, handler);
  return { held, release: async () => { release(); await page.unroute(pattern, handler); } };
}

// Stops the window's timers until `resume` is called: nothing happens on its own meanwhile.
export async function pause(page) {
  await page.clock.pauseAt(await page.evaluate(() => Date.now() + 500));
}

// A PNG of one pixel.
export const PNG_BASE64 = 'iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg==';

// Adds pages through the window's own API client after uploading the PNG above: `pages` maps a
// key to { title, parent (an earlier key), order, trashed, body }; in a body "{image}" stands for
// the picture's address and "#{key}" for a link to that page. Resolves with { ids, image }.
export function addPages(page, pages) {
  return page.evaluate(async ([specs, pngBase64]) => {
    const { api, NO_RECORD } = await import('/assets/js/api.js');
    const png = Uint8Array.from(atob(pngBase64), (c) => c.charCodeAt(0));
    const image = await api.uploadImage(new Blob([png], { type: 'image/png' }));
    const { text, etag } = await api.getTree();
    const doc = JSON.parse(text);
    const now = Date.now();
    const ids = Object.fromEntries(Object.keys(specs).map((key) => [key, crypto.randomUUID()]));
    for (const [key, { title, parent, order = 90000 + doc.pages.length, trashed }] of Object.entries(specs)) {
      doc.pages.push({ id: ids[key], parentId: parent ? ids[parent] : null, order, title,
        createdAt: now, updatedAt: now, deletedAt: trashed ? now : null });
    }
    await api.putTree(doc, etag);
    for (const [key, { body }] of Object.entries(specs)) {
      if (body === undefined) continue;
      const html = body.replaceAll('{image}', '/api/images/' + image).replace(/#\{(\w+)\}/g, (m, to) => '#' + ids[to]);
      await api.putPage(ids[key], html, NO_RECORD);
    }
    return { ids, image };
  }, [pages, PNG_BASE64]);
}

// Hands the editor a clipboard (paste) or a drag (drop) with the given HTML, text and files;
// a file is [name, type, size] (size 0: the PNG above).
export async function transfer(page, kind, { html = '', text = '', files = [] }) {
  await page.evaluate(async ([how, html, text, files, pngBase64]) => {
    const png = Uint8Array.from(atob(pngBase64), (c) => c.charCodeAt(0));
    const transfer = new DataTransfer();
    if (html) transfer.setData('text/html', html);
    if (text) transfer.setData('text/plain', text);
    for (const [name, type, size] of files) transfer.items.add(new File([size ? new Uint8Array(size) : png], name, { type }));
    const editor = document.getElementById('editor');
    const init = { bubbles: true, cancelable: true };
    editor.dispatchEvent(how === 'paste'
      ? new ClipboardEvent('paste', { ...init, clipboardData: transfer })
      : new DragEvent('drop', { ...init, dataTransfer: transfer, clientX: 0, clientY: 0 }));
  }, [kind, html, text, files, PNG_BASE64]);
}
