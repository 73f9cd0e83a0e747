import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { messages } from '../../web/assets/js/messages.js';
import {
  hold, newPage, openPageId, openWindow, rowTitles, storedTree, transfer, until, useWindow, waitReady, waitSaved,
} from '../support/browser.mjs';

describe('first start of a new default document', () => {
  let server;
  let browser;
  useWindow((opened) => { ({ server, browser } = opened); }, { open: false });

  test('shows one page "はじめに" with the welcome text, and keeps it over a reload', async () => {
    const page = await openWindow(browser, server);
    assert.equal(await page.title(), 'Ferncard');
    assert.deepEqual(await rowTitles(page), [messages.welcomeTitle]);
    assert.equal(await page.inputValue('#title'), messages.welcomeTitle);
    assert.equal(await page.locator('#editor h2').textContent(), messages.welcomeHeading);
    assert.equal(await page.locator('#editor li').count(), 3);
    assert.ok(await openPageId(page), page.url());
    assert.equal(await page.textContent('#status'), '');
    assert.equal(await page.textContent('#trashBtn'), messages.trashButton(0));

    const { doc } = await storedTree(page);
    assert.equal(doc.schemaVersion, 1);
    assert.equal(doc.pages.length, 1);
    assert.deepEqual(Object.keys(doc.pages[0]), ['id', 'parentId', 'order', 'title', 'createdAt', 'updatedAt', 'deletedAt']);
    assert.equal(doc.pages[0].order, 1000);

    await page.reload();
    await waitReady(page);
    assert.deepEqual(await rowTitles(page), [messages.welcomeTitle]);
    assert.equal((await storedTree(page)).doc.pages.length, 1, 'a reload creates no second page');
  });
});

describe('a tree this version cannot read stops start-up and writes nothing', () => {
  let page;
  useWindow((opened) => { ({ page } = opened); });

  for (const [name, treeText, message] of [
    ['unreadable JSON', '{"schemaVersion":1,"pages":[', messages.unreadableTree],
    ['schemaVersion as text', '{"schemaVersion":"1","pages":[]}', messages.unreadableTree],
    ['an upper-case identifier', '{"schemaVersion":1,"pages":[{"id":"ABCDEF00-0000-0000-0000-000000000000","title":"x"}]}', messages.unreadableTree],
    ['a newer schema', '{"schemaVersion":2,"pages":[]}', messages.tooNew],
  ]) {
    test(name, async () => {
      // Store the exact bytes of the tree, then start the client on it.
      await page.evaluate(async (text) => {
        const current = await fetch('/api/tree');
        const response = await fetch('/api/tree', {
          method: 'PUT', body: text,
          headers: { 'If-Match': current.headers.get('ETag'), 'Content-Type': 'application/json' },
        });
        if (!response.ok) throw new Error('could not store the tree: ' + response.status);
      }, treeText);
      const writes = [];
      const listener = (request) => { if (request.method() !== 'GET') writes.push(request.method() + ' ' + request.url()); };
      page.on('request', listener);
      try {
        await page.reload();
        await waitReady(page);
        assert.equal(await page.textContent('#banner'), message);
        assert.equal(await page.getAttribute('#banner', 'data-kind'), 'fatal');
        assert.equal(await page.isVisible('main.layout'), false);
        await page.keyboard.press('Alt+N');
        await page.evaluate(() => window.dispatchEvent(new Event('focus')));
        await page.waitForTimeout(300);
        assert.deepEqual(writes, [], 'nothing was written');
        assert.equal(await page.evaluate(async () => (await fetch('/api/tree')).text()), treeText);
      } finally {
        page.off('request', listener);
      }
    });
  }
});

describe('a feature used before its module is in waits for it, and loses nothing', () => {
  let page;
  useWindow((opened) => { ({ page } = opened); });
  const editorText = () => page.textContent('#editor');

  // The module held back after a reload, what is done meanwhile, and what shows once it is in.
  for (const [name, module, act, check] of [
    ['a paste, then a key', 'editor-transfer', async () => {
      await transfer(page, 'paste', { text: '貼り付け' });
      await page.keyboard.type('!');
    }, () => until(async () => (await editorText()) === '本文貼り付け!')],
    ['Ctrl+K and the keys typed after it, an input method\'s text too', 'quick-switcher', async () => {
      await page.keyboard.press('Control+k');
      await page.keyboard.type('ab');
      await page.keyboard.insertText('ほん');
    }, async () => {
      await until(async () => (await page.locator('.switcher-input').count()) === 1);
      assert.equal(await page.inputValue('.switcher-input'), 'abほん');
      assert.equal(await page.evaluate(() => document.activeElement.className), 'switcher-input');
      assert.equal(await editorText(), '本文');
    }],
    ['a click on the help button', 'help-menu', () => page.click('#aboutBtn'), async () => {
      await page.locator('#helpMenu').waitFor();
      assert.deepEqual(await page.locator('#helpMenu [role="menuitem"]').allTextContents(), [messages.shortcuts, messages.about]);
      assert.equal(await page.getAttribute('#aboutBtn', 'aria-expanded'), 'true');
    }],
  ]) {
    test(name, async () => {
      await newPage(page, name.slice(0, 20));
      await page.keyboard.type('本文');
      await waitSaved(page);
      const held = await hold(page, `**/assets/js/${module}.js`, 'GET');
      await page.reload();
      await waitReady(page);
      await page.click('#editor');
      await page.keyboard.press('Control+End');
      await act();
      await held.held;
      await held.release();
      await check();
      await page.keyboard.press('Escape');
    });
  }
});
