// Takes light and dark screenshots of the main window, a nested tree, the editor with a list and
// a table, the conflict banner, search results, a backup's read-only window, the export dialog,
// the import's progress and summary, the quick switcher, the keyboard shortcut list, the focus ring,
// the file menu and an image's tool bar reached from the keyboard,
// the window at 200 % zoom, the history dialog and a list of 10,000 pages, for a person to look at: a review tool.
// Usage: FERNCARD_BIN=build/ferncard node scripts/screenshots.mjs [OUTPUT_FOLDER]
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { ignoreFocus, launchBrowser, openWindow, transfer } from '../tests/support/browser.mjs';
import { launchProgram } from '../tests/support/session.mjs';
import { messages } from '../web/assets/js/messages.js';

const out = path.resolve(process.argv[2] || 'screenshots');
fs.mkdirSync(out, { recursive: true });
const uuid = (n) => `00000000-0000-4000-8000-${String(n).padStart(12, '0')}`;
const table = '<table><tbody><tr><td>品名</td><td>数</td></tr><tr><td>牛乳</td><td>2</td></tr></tbody></table>';
const pages = [
  [1, null, 'プロジェクト', '<p>計画</p>'],
  [2, 1, '議事録', '<p>決まったこと</p><ul><li>牛乳を買う</li><li>卵を買う</li></ul>' + table],
  [3, 2, '第一回', '<p>牛乳の話</p>'],
  [4, null, '買い物リスト', '<p>牛乳、卵、パン</p>'],
];

async function shoot(page, name) {
  for (const scheme of ['light', 'dark']) {
    await page.emulateMedia({ colorScheme: scheme });
    await page.screenshot({ path: path.join(out, `${name}-${scheme}.png`) });
  }
  await page.emulateMedia({ colorScheme: 'light' });
}

// Opens the page in the window afresh.
async function show(window, id, title) {
  await window.evaluate((pageId) => { location.hash = '#/p/' + pageId; }, id);
  await window.reload();
  await window.waitForFunction((text) => document.getElementById('title').value === text, title);
}

const server = await launchProgram();
const browser = await launchBrowser();
try {
  const page = await openWindow(browser, server);
  await shoot(page, 'main');
  // Pages and a nested tree, written the way the client writes them.
  await page.evaluate(async (records) => {
    const now = Date.now();
    const send = async (url, body, tag) => {
      const answer = await fetch(url, { method: 'PUT', body, headers: { 'If-Match': tag, 'Content-Type': 'application/json' } });
      if (!answer.ok) throw new Error(`${url}: ${answer.status}`);
    };
    const current = await fetch('/api/tree');
    const doc = await current.json();
    for (const [id, parentId, title, body] of records) {
      await send(`/api/pages/${id}`, body, '"0"');
      doc.pages.push({ id, parentId, order: 2000 + doc.pages.length * 1000, title, createdAt: now, updatedAt: now, deletedAt: null });
    }
    await send('/api/tree', JSON.stringify(doc), current.headers.get('ETag'));
  }, pages.map(([n, parent, title, body]) => [uuid(n), parent && uuid(parent), title, body]));
  await show(page, uuid(2), '議事録');
  await shoot(page, 'tree-and-editor');

  await page.fill('#filter', '牛乳');
  await page.locator('.search-hit-title').first().waitFor();
  await shoot(page, 'search');
  // A hit opens its page with the match highlighted.
  await page.locator('.search-hit', { hasText: '買い物リスト' }).click();
  await page.waitForFunction(() => CSS.highlights.size > 0);
  await shoot(page, 'search-opened');
  await page.fill('#filter', '');

  await page.click('#exportBtn');
  await page.locator('dialog').getByLabel('Markdown（ZIP）').check();
  await shoot(page, 'export-dialog');
  await page.keyboard.press('Escape');

  // An import held at its first page write, then its summary.
  const folder = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'ferncard-shots-')), '旅行メモ');
  fs.mkdirSync(path.join(folder, '京都'), { recursive: true });
  for (let n = 1; n <= 12; n++) fs.writeFileSync(path.join(folder, '京都', `${n} 日目.md`), `# ${n} 日目\n\n寺を回った。![](写真${n}.jpg)\n`);
  fs.writeFileSync(path.join(folder, 'README.md'), '# 旅行メモ\n\n[[1 日目]] から読む。\n');
  fs.writeFileSync(path.join(folder, 'memo.docx'), 'x');
  let release;
  const held = new Promise((resolve) => { release = resolve; });
  await page.route(/\/api\/pages\//, async (route) => {
    if (route.request().method() === 'PUT') await held;
    await route.continue();
  });
  await page.click('#fileBtn');
  await page.locator('#fileMenu').getByRole('menuitem', { name: messages.importAction }).click();
  const chooser = page.waitForEvent('filechooser');
  await page.locator('dialog').getByRole('button', { name: 'フォルダを選択…' }).click();
  await (await chooser).setFiles(folder);
  await page.waitForFunction(() => /ページを書き込んでいます/.test(document.querySelector('.import-progress-text')?.textContent));
  await shoot(page, 'import-progress');
  release();
  await page.locator('dialog.import-summary').waitFor();
  await shoot(page, 'import-summary');
  await page.keyboard.press('Escape');
  await page.unroute(/\/api\/pages\//);

  // The keyboard's views: the quick switcher with a typed query, the shortcut list, the focus ring
  // on a tree row and on a toolbar button.
  await page.keyboard.press('Control+k');
  await page.keyboard.type('ぎろく');
  await page.keyboard.press('Backspace');
  await page.keyboard.press('Backspace');
  await page.keyboard.press('Backspace');
  await page.keyboard.type('第回');
  await page.locator('.switcher-option').first().waitFor();
  await shoot(page, 'quick-switcher');
  await page.keyboard.press('Control+a');
  await page.keyboard.type('牛乳');
  await page.keyboard.press('Shift+Enter');
  await page.locator('#switcherBodies .switcher-option').first().waitFor();
  await shoot(page, 'quick-switcher-text');
  await page.keyboard.press('Escape');
  await page.keyboard.press('Control+/');
  await page.locator('dialog.shortcuts').waitFor();
  await shoot(page, 'shortcuts');
  await page.keyboard.press('Escape');
  await page.locator('#tree .tree-row[aria-selected="true"]').focus();
  await page.keyboard.press('ArrowDown');
  await shoot(page, 'focus-tree');
  await page.locator('#toolbar .tb-btn').nth(1).focus();
  await page.keyboard.press('ArrowRight');
  await shoot(page, 'focus-toolbar');
  // The file menu opened from the keyboard, its first item focused.
  await page.locator('#fileBtn').focus();
  await page.keyboard.press('ArrowDown');
  await page.locator('#fileMenu [role="menuitem"]:focus').waitFor();
  await shoot(page, 'file-menu');
  await page.keyboard.press('Escape');
  // An image selected with Shift+→ and its tool bar reached with Alt+F10.
  await page.evaluate(async (pageId) => {
    const { api } = await import('/assets/js/api.js');
    const png = Uint8Array.from(atob('iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg=='), (c) => c.charCodeAt(0));
    const image = await api.uploadImage(new Blob([png], { type: 'image/png' }));
    const { etag } = await api.getPage(pageId);
    await api.putPage(pageId, `<p>計画<img src="/api/images/${image}" alt="計画の図" width="160">です</p>`, etag);
  }, uuid(1));
  await show(page, uuid(1), 'プロジェクト');
  await page.locator('#editor').focus();
  await page.keyboard.press('Control+Home');
  for (const key of ['ArrowRight', 'ArrowRight', 'Shift+ArrowRight']) await page.keyboard.press(key);
  // The image is selected when the selection's change is handled: a key pressed sooner finds none.
  await page.locator('.img-tools').waitFor();
  for (const key of ['Alt+F10', 'ArrowRight']) await page.keyboard.press(key);
  await page.locator('.img-tools button:focus').waitFor({ timeout: 10000 });
  await shoot(page, 'image-tools');
  await page.keyboard.press('Escape');
  // 200 % zoom: half the width and height in CSS pixels, drawn at twice the density.
  await page.setViewportSize({ width: 640, height: 400 });
  await shoot(page, 'zoom-200');
  await page.setViewportSize({ width: 1280, height: 800 });

  // A list pasted from an office program, two levels deep, then a table after its last item.
  await show(page, uuid(3), '第一回');
  await page.click('#editor');
  await page.keyboard.press('Control+End');
  const item = (level, glyph, text) => `<p class="MsoListParagraph" style="mso-list:l0 level${level} lfo1">` +
    `<span style="mso-list:Ignore">${glyph}<span>&nbsp;&nbsp;</span></span>${text}</p>`;
  await transfer(page, 'paste', { html: item(1, '・', '箇条の一') + item(2, 'o', '下の項目') + item(1, '・', '箇条の二'), text: '箇条' });
  await page.locator('#editor ul ul').waitFor();
  await page.click('button[title="表を追加"]');
  await page.locator('dialog button.primary').click();
  await page.locator('#editor table').waitFor();
  await shoot(page, 'pasted-list');

  // A second window writes the same page after the first: it shows the conflict banner.
  const two = await openWindow(browser, server, { viaTicket: false, initScript: ignoreFocus });
  await show(two, uuid(4), '買い物リスト');
  await show(page, uuid(4), '買い物リスト');
  for (const [window, text] of [[page, '一つ目の窓'], [two, '二つ目の窓']]) {
    await window.click('#editor');
    await window.keyboard.press('Control+a');
    await window.keyboard.type(text);
    await window.keyboard.press('Control+s');
    if (window === page) await page.waitForFunction(() => document.getElementById('status').textContent.startsWith('保存済み'));
  }
  await two.waitForFunction(() => document.getElementById('banner').dataset.kind === 'conflict');
  await shoot(two, 'conflict');
  await two.close();

  // Earlier versions of a page, the newest one chosen in the history dialog.
  await page.evaluate(async (pageId) => {
    const versions = ['<p>牛乳、卵、パン</p>', '<p>牛乳、卵、パン、バター</p><p>明日は朝市に行く</p>',
      '<h3>週末</h3><p>牛乳を 2 本、卵、パン、バター</p><p>明日は朝市に行く</p>'];
    let tag = (await fetch(`/api/pages/${pageId}`)).headers.get('ETag');
    for (const body of versions) {
      const answer = await fetch(`/api/pages/${pageId}?revision=keep`, { method: 'PUT', body, headers: { 'If-Match': tag } });
      tag = answer.headers.get('ETag');
    }
  }, uuid(4));
  await show(page, uuid(4), '買い物リスト');
  await page.click('#historyBtn');
  await page.locator('.history-text del, .history-text ins').first().waitFor();
  await shoot(page, 'history');

  // A backup of this document, opened by a program of its own data folder: read-only.
  const data = fs.mkdtempSync(path.join(server.dir, 'backup-data-'));
  fs.mkdirSync(path.join(data, 'backups'));
  const copy = path.join(data, 'backups', 'Ferncard-1a2b3c4d-2026-12-06.fcard');
  fs.copyFileSync(server.document, copy);
  const backupServer = await launchProgram({ data, document: copy });
  try {
    const backup = await openWindow(browser, backupServer);
    await show(backup, uuid(2), '議事録');
    await backup.waitForFunction(() => document.getElementById('banner').dataset.kind === 'read-only');
    await shoot(backup, 'backup-read-only');
  } finally {
    await backupServer.stop();
  }
  // A list of 10,000 pages, all open, its rows drawn as they come into view: the end of it, reached
  // from the keyboard.
  await page.evaluate(async () => {
    const current = await fetch('/api/tree');
    const doc = await current.json();
    const id = (n) => `00000000-0000-4000-8001-${n.toString(16).padStart(12, '0')}`;
    for (let top = 0; top < 100; top++) {
      doc.pages.push({ id: id(top * 100), parentId: null, order: 10000 + top, title: `章 ${top + 1}`, deletedAt: null });
      for (let n = 1; n < 100; n++) {
        doc.pages.push({ id: id(top * 100 + n), parentId: id(top * 100), order: n, title: `節 ${top + 1}.${n}`, deletedAt: null });
      }
    }
    await fetch('/api/tree', { method: 'PUT', body: JSON.stringify(doc), headers: { 'If-Match': current.headers.get('ETag'), 'Content-Type': 'application/json' } });
  });
  await show(page, uuid(4), '買い物リスト');
  await page.locator('#tree .tree-row[aria-selected="true"]').focus();
  await page.keyboard.press('*');
  for (const key of ['End', 'ArrowUp', 'ArrowUp']) await page.keyboard.press(key);
  await shoot(page, 'tree-large');

  console.log(`screenshots in ${out}`);
} finally {
  await browser.close();
  await server.stop();
}
