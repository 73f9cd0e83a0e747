import assert from 'node:assert/strict';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import { describe, test } from 'node:test';
import { messages } from '../../web/assets/js/messages.js';
import { addPages, row, useWindow } from '../support/browser.mjs';

const AXE_SOURCE = fs.readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');

// A nested tree with a trashed branch and a page with headings, a list, a table, an image and a link.
const PAGES = {
  rich: { title: '見本のページ', order: 5000, body: '<h1>見出し 1</h1><h2>見出し 2</h2><p>本文と<a href="https://example.com/">リンク</a></p>' +
    '<ul><li>一つ目</li><li>二つ目</li></ul><table><tbody><tr><th>品名</th><th>数</th></tr>' +
    '<tr><td>牛乳</td><td>2</td></tr></tbody></table><p><img src="{image}" alt="点"></p>' },
  child: { title: '子ページ', parent: 'rich', order: 1000, body: '<p>牛乳を買う</p>' },
  deep: { title: '孫ページ', parent: 'child', order: 1000 },
  gone: { title: '捨てたページ', parent: 'rich', order: 2000, trashed: true },
};

// Runs axe-core over the whole window; resolves to the violations as "rule: target" lines.
async function violations(page) {
  await page.evaluate(AXE_SOURCE);
  const found = await page.evaluate(async () => (await window.axe.run(document)).violations
    .map((v) => ({ id: v.id, impact: v.impact, targets: v.nodes.map((n) => n.target.join(' ') + ' ' + (n.failureSummary || '').split('\n').slice(1).join(' ')) })));
  return found.flatMap((v) => v.targets.map((t) => `${v.id} (${v.impact}): ${t}`));
}

describe('what assistive technology finds', () => {
  let browser;
  let page;
  let ids;
  useWindow(async (opened) => {
    ({ browser, page } = opened);
    ({ ids } = await addPages(page, PAGES));
    await page.reload();
    await row(page, '見本のページ').waitFor();
  });

  const dialog = () => page.locator('dialog[open]');
  async function closeDialog() {
    await page.keyboard.press('Escape');
    await dialog().waitFor({ state: 'detached' });
  }
  async function openPage(title) {
    await row(page, title).click();
    await page.waitForFunction((t) => document.getElementById('title').value === t, title);
  }

  // Each view of the window, brought about from the one before.
  const views = [
    ['the welcome page', () => openPage(messages.welcomeTitle)],
    ['a page with headings, a list, a table, an image and a link', async () => {
      await openPage('見本のページ');
      await page.locator('#editor img').evaluate((img) => img.complete || new Promise((resolve) => { img.onload = resolve; }));
    }],
    ['the nested tree with the trash open', async () => {
      await row(page, '見本のページ').locator('.twisty').click();
      await row(page, '子ページ').locator('.twisty').click();
      await row(page, '孫ページ').waitFor();
      await page.click('#trashBtn');
      await page.locator('.trash-item').waitFor();
    }],
    ['the search results', async () => {
      await page.fill('#filter', '牛乳');
      await page.locator('.search-hit').first().waitFor();
    }],
    ['the quick switcher', async () => {
      await page.fill('#filter', '');
      await page.keyboard.press('Control+k');
      await page.keyboard.type('ぺ');
      await page.keyboard.press('Shift+Enter');
      await page.locator('.switcher-heading').waitFor();
    }],
    ['the export dialog', async () => { await closeDialog(); await page.click('#exportBtn'); }],
    ['the link dialog', async () => {
      await closeDialog();
      await page.click('#editor h2');
      await page.getByRole('button', { name: messages.link, exact: true }).click();
    }],
    ['the table dialog', async () => { await closeDialog(); await page.getByRole('button', { name: messages.addTable }).click(); }],
    ['the image text dialog', async () => {
      await closeDialog();
      await page.click('#editor img');
      await page.locator('.img-tools').getByRole('button', { name: messages.altText }).click();
    }],
    ['the file menu', async () => {
      await closeDialog();
      await page.click('#fileBtn');
      await page.getByRole('menuitem', { name: messages.openFileAction, exact: true }).waitFor();
    }],
    ['the help menu', async () => { await closeDialog(); await page.click('#aboutBtn'); }],
    ['the keyboard shortcut list', () => page.keyboard.press('Enter')],
    ['the about dialog', async () => {
      await closeDialog();
      await page.click('#aboutBtn');
      await page.getByRole('menuitem', { name: messages.about }).click();
    }],
    ['the delete confirmation', async () => {
      await closeDialog();
      await page.locator('.trash-purge').click();
    }],
    ['the history dialog', async () => {
      await closeDialog();
      await page.evaluate(async (id) => {
        const { api } = await import('/assets/js/api.js');
        // Two kept writes leave a version with a paragraph the page no longer has.
        const { html, etag } = await api.getPage(id);
        const added = await api.putPage(id, html + '<p>書き足した段落</p>', etag, false, { keepRevision: true });
        await api.putPage(id, html, added, false, { keepRevision: true });
      }, ids.rich);
      await page.click('#historyBtn');
      await page.locator('.history-text del, .history-text ins').first().waitFor();
    }],
    ['the conflict banner', async () => {
      await closeDialog();
      await page.evaluate(async (id) => {
        const { api } = await import('/assets/js/api.js');
        const { etag } = await api.getPage(id);
        await api.putPage(id, '<p>別の窓から</p>', etag);
      }, ids.rich);
      await page.click('#editor h1');
      await page.keyboard.type('!');
      await page.keyboard.press('Control+s');
      await page.waitForFunction(() => document.getElementById('banner').dataset.kind === 'conflict');
    }],
  ];

  test('toasts are read out politely, errors at once; the save indicator politely', async () => {
    const roles = await page.evaluate(async () => {
      const { showToast } = await import('/assets/js/dialogs.js');
      const toast = document.getElementById('toast');
      const seen = [];
      for (const error of [true, false]) {
        showToast('x', { error });
        seen.push([toast.getAttribute('role'), toast.getAttribute('aria-live')]);
      }
      const status = document.getElementById('status');
      seen.push([status.getAttribute('role'), status.getAttribute('aria-live')]);
      return seen;
    });
    assert.deepEqual(roles, [['alert', 'assertive'], ['status', 'polite'], ['status', 'polite']]);
  });

  test('axe-core finds no violation in either theme, in any view or dialog', async () => {
    browser.allow(/status of 412/);
    const found = [];
    for (const [name, bringAbout] of views) {
      await bringAbout();
      if (/dialog|switcher|shortcut|confirmation/.test(name)) await dialog().waitFor().catch((e) => { throw new Error(name + ': ' + e.message); });
      for (const scheme of ['light', 'dark']) {
        await page.emulateMedia({ colorScheme: scheme });
        for (const line of await violations(page)) found.push(`${name}, ${scheme}: ${line}`);
      }
      await page.emulateMedia({ colorScheme: 'light' });
    }
    assert.equal(found.length, 0, 'axe-core violations:\n' + found.join('\n'));
  });
});
