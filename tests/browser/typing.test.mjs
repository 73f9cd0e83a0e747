import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import {
  countWrites, hold, newPage, pause, row, stored, storedAs, transfer, useWindow, waitSaved, writes,
} from '../support/browser.mjs';
import { messages } from '../../web/assets/js/messages.js';

const body = (page) => page.innerHTML('#editor');
const saved = waitSaved;

describe('typing while the next page is still loading', () => {
  let page;
  useWindow((opened) => { ({ page } = opened); });

  test('the body takes no keys until the page is shown; both pages keep their text', async () => {
    const second = await newPage(page, '後');
    await page.keyboard.type('後のページ');
    await storedAs(page, second, '<p>後のページ</p>');
    const first = await newPage(page, '前');
    await page.keyboard.type('前のページ');
    const slow = await hold(page, '**/api/pages/' + second, 'GET');
    await row(page, '後').click();
    await slow.held;
    await storedAs(page, first, '<p>前のページ</p>');
    await page.click('#editor');
    await page.keyboard.type('迷子');
    assert.equal(await page.getAttribute('#editor', 'contenteditable'), 'false');
    assert.equal(await body(page), '<p>前のページ</p>', 'the page being left takes no keys');
    await slow.release();
    await page.waitForFunction(() => document.getElementById('title').value === '後');
    await saved(page);
    assert.equal(await body(page), '<p>後のページ</p>');
    assert.equal(await page.evaluate(() => document.activeElement.id), 'editor', 'the click put the caret in the body');
    assert.deepEqual([await stored(page, first), await stored(page, second)], ['<p>前のページ</p>', '<p>後のページ</p>']);
    await page.keyboard.type('続き');
    await storedAs(page, second, /^<p>(続き後のページ|後のページ続き)<\/p>$/);
  });
});

describe('undo and redo by steps', () => {
  let page;
  let cdp;
  useWindow(async (opened) => {
    ({ page } = opened);
    cdp = await page.context().newCDPSession(page);
  }, { clock: true, initScript: countWrites });

  test('a typed sentence is one step; a pause, a caret move and a paste end a step', async () => {
    const id = await newPage(page, '取り消し');
    await pause(page);
    try {
      await page.keyboard.type('hello world');
      await page.keyboard.press('Control+z');
      assert.equal(await body(page), '');
      await page.keyboard.press('Control+y');
      assert.equal(await body(page), '<p>hello world</p>');
      await page.clock.runFor(1000);
      await page.keyboard.type(' again');
      await page.keyboard.press('Home');
      await page.keyboard.type('>');
      await transfer(page, 'paste', { text: 'P' });
      await page.waitForFunction(() => document.getElementById('editor').textContent.startsWith('>P'));
      const steps = [];
      for (let i = 0; i < 4; i++) {
        await page.keyboard.press('Control+z');
        steps.push(await body(page));
      }
      assert.deepEqual(steps, ['<p>&gt;hello world again</p>', '<p>hello world again</p>', '<p>hello world</p>', '']);
      await page.click(`button[title="${messages.redoLabel}"]`);
      assert.equal(await body(page), '<p>hello world</p>');
      await page.clock.runFor(800);
    } finally {
      await page.clock.resume();
    }
    await storedAs(page, id, '<p>hello world</p>');
  });

  test('no autosave while an input method composition is open; its end is saved', async () => {
    const id = await newPage(page, '変換');
    await pause(page);
    try {
      await page.keyboard.type('前半');
      await page.clock.runFor(800);
      await storedAs(page, id, '<p>前半</p>');
      const before = await writes(page);
      await cdp.send('Input.imeSetComposition', { text: 'にほん', selectionStart: 3, selectionEnd: 3 });
      await page.waitForFunction(() => document.getElementById('editor').textContent === '前半にほん');
      await page.clock.runFor(1300);
      assert.equal(await writes(page), before, 'nothing was sent during the composition');
      await cdp.send('Input.insertText', { text: '日本' });
      await page.clock.runFor(800);
    } finally {
      await page.clock.resume();
    }
    await storedAs(page, id, '<p>前半日本</p>');
  });
});

describe('blocks put at the end of a list item', () => {
  let page;
  useWindow((opened) => { ({ page } = opened); });

  const list = async (items) => {
    await page.click(`button[title="${messages.bullets}"]`);
    for (const [i, item] of items.entries()) {
      if (i) await page.keyboard.press('Enter');
      await page.keyboard.type(item);
    }
  };

  for (const [name, items, insert, expected] of [
    ['a table after the last item with text goes after the list', ['一', '二'], async () => {
      await page.click(`button[title="${messages.addTable}"]`);
      await page.getByRole('spinbutton', { name: messages.rows }).fill('1');
      await page.getByRole('spinbutton', { name: messages.columns }).fill('2');
      await page.locator('dialog button.primary').click();
    }, '<ul><li>一</li><li>二</li></ul><table><tbody><tr><td><br></td><td><br></td></tr></tbody></table><p><br></p>'],
    ['a rule in an empty last item replaces the item', ['一', ''], () => page.click(`button[title="${messages.rule}"]`),
      /^<ul><li>一<\/li><\/ul><hr>(<p><br><\/p>)?$/],
    ['a code block after an item with text goes after the list', ['一'], async () => {
      await page.click(`button[title="${messages.code}"]`);
      await page.keyboard.type('code');
    }, '<ul><li>一</li></ul><pre>code</pre>'],
  ]) {
    test(name, async () => {
      const id = await newPage(page, name.slice(0, 20));
      await list(items);
      await insert();
      await storedAs(page, id, expected);
    });
  }
});
