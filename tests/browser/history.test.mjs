// The page history in the window: earlier versions listed with their changes marked, brought
// back through the normal save, and kept when another window's version is overwritten (their
// images spared by the clean-up: images.test.mjs).
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import {
  ignoreFocus, newPage, openWindow, row, showPage, storedAs, until, useWindow,
} from '../support/browser.mjs';
import { messages } from '../../web/assets/js/messages.js';

const failedMessage = '履歴を保存できませんでした。空き容量と権限をご確認ください。ページは保存されています。';

// The page's kept bodies, newest first.
const keptBodies = (page, id) => page.evaluate(async (pageId) => {
  const { historyApi } = await import('/assets/js/history-api.js');
  const bodies = [];
  for (const revision of await historyApi.revisions(pageId)) bodies.push(await historyApi.revision(pageId, revision.id));
  return bodies;
}, id);

async function replaceText(page, text) {
  await page.click('#editor');
  await page.keyboard.press('Control+a');
  await page.keyboard.type(text);
  await page.keyboard.press('Control+s');
}

const marked = (page, selector) => page.locator(`.history-text ${selector}`).allTextContents();

describe('page history', () => {
  let server;
  let browser;
  let page;
  // The overwrite's own window meets the other's version first (412).
  useWindow((opened) => { ({ server, browser, page } = opened); }, { allow: [/status of 412/] });

  test('an earlier version is listed with its changes marked and brought back by 「この版に戻す」', async () => {
    const id = await newPage(page, '買い物');
    await replaceText(page, 'apples and pears for lunch');
    await storedAs(page, id, '<p>apples and pears for lunch</p>');
    await replaceText(page, 'apples and plums for lunch');
    await storedAs(page, id, '<p>apples and plums for lunch</p>');

    await page.click('#historyBtn');
    const dialog = page.locator('dialog.history-dialog');
    await dialog.locator('.history-option').first().waitFor();
    assert.equal(await dialog.locator('.history-option').count(), 1);
    assert.ok([messages.justNow, messages.minutesAgo(1)].includes(await dialog.locator('.history-option .history-when').first().textContent()));
    await page.locator('.history-text del').first().waitFor();
    assert.deepEqual(await marked(page, 'del.diff-removed'), ['pears']);
    assert.deepEqual(await marked(page, 'ins.diff-added'), ['plums']);
    assert.equal(await page.locator('.history-counts').textContent(), messages.difference(1, 1));

    await dialog.getByRole('button', { name: messages.restoreVersion }).click();
    await dialog.waitFor({ state: 'detached' });
    assert.equal(await page.locator('#editor').innerHTML(), '<p>apples and pears for lunch</p>');
    await storedAs(page, id, '<p>apples and pears for lunch</p>');
    assert.deepEqual(await keptBodies(page, id), ['<p>apples and plums for lunch</p>', '<p>apples and pears for lunch</p>']);

    // In the trash the history is still there to read, but nothing is written back from it.
    await row(page, '買い物').click({ button: 'right' });
    await page.getByRole('menuitem', { name: messages.moveToTrash }).click();
    await page.click('#trashBtn');
    await page.locator('.trash-item', { hasText: '買い物' }).getByRole('button', { name: messages.history }).click();
    await dialog.locator('.history-option').nth(1).waitFor();
    assert.equal(await dialog.getByRole('button', { name: messages.restoreVersion }).isHidden(), true);
    assert.equal(await dialog.locator('.history-note').textContent(), messages.trashedHistoryNote);
    await dialog.getByRole('button', { name: messages.close }).click();
    await page.click('#trashBtn');
  });

  test('overwriting from the conflict banner keeps the other window\'s text in the history', async () => {
    const id = await newPage(page, '予定');
    // A version was kept a moment ago: only the overwrite's own request keeps the next one.
    await replaceText(page, 'base');
    await storedAs(page, id, '<p>base</p>');
    await replaceText(page, 'second base');
    await storedAs(page, id, '<p>second base</p>');
    const two = await openWindow(browser, server, { viaTicket: false, initScript: ignoreFocus });
    await showPage(two, id);
    await two.waitForFunction(() => document.getElementById('title').value === '予定');

    await replaceText(page, 'from the first window');
    await storedAs(page, id, '<p>from the first window</p>');
    await replaceText(two, 'from the second window');
    await two.waitForFunction(() => document.getElementById('banner').dataset.kind === 'conflict');
    await two.getByRole('button', { name: messages.overwrite }).click();
    await storedAs(page, id, '<p>from the second window</p>');
    assert.deepEqual(await keptBodies(page, id), ['<p>from the first window</p>', '<p>base</p>']);
    await two.close();
  });

  test('a history that cannot be written is said once in the status line', async () => {
    await page.route((url) => /^\/api\/pages\/[0-9a-f-]{36}$/.test(url.pathname), async (route) => {
      if (route.request().method() !== 'PUT') return route.fallback();
      const response = await route.fetch();
      return route.fulfill({ response, json: { history: 'failed', message: failedMessage } });
    });
    await newPage(page, '失敗');
    const status = page.locator('#status');
    for (const [text, note] of [['one', true], ['two', false]]) {
      await replaceText(page, text);
      await until(async () => (await status.textContent()).startsWith(messages.saved));
      assert.equal((await status.textContent()).endsWith(messages.historyNotSaved), note, text);
      assert.equal(await status.getAttribute('title'), note ? failedMessage : '', text);
    }
    await page.unroute((url) => /^\/api\/pages\/[0-9a-f-]{36}$/.test(url.pathname));
  });
});
