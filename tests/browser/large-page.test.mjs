import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { assertNoProblems, newPage, stored, storedAs, transfer, useWindow, waitReady } from '../support/browser.mjs';

// A body of 1 MB in 9,000 paragraphs or more, far beyond what one screen shows.
const PARAGRAPH = (n) => `<p>段落 ${n}: 本文の<b>太字</b>と続きの文です。The quick brown fox jumps over the lazy dog.</p>`;
const paragraphs = [];
for (let n = 0, bytes = 0; bytes < 1024 * 1024 || n < 9000; n++) {
  paragraphs.push(PARAGRAPH(n));
  bytes += Buffer.byteLength(paragraphs[n]);
}
const BODY = paragraphs.join('');
const TAIL = 'と続きの文です。The quick brown fox jumps over the lazy dog.'; // the last paragraph's last text

// Selects from `startOffset` in the first paragraph's first text to the start of the last
// paragraph's last text (TAIL), and waits until the editor has taken the selection in.
async function selectAcrossThePage(page, startOffset) {
  await page.evaluate((offset) => {
    const editor = document.getElementById('editor');
    editor.focus();
    const range = document.createRange();
    range.setStart(editor.firstElementChild.firstChild, offset);
    range.setEnd(editor.lastElementChild.lastChild, 0);
    document.getSelection().removeAllRanges();
    document.getSelection().addRange(range);
  }, startOffset);
  await page.waitForFunction(() => document.getSelection().toString().length > 500000);
}

const undo = async (page) => {
  await page.keyboard.press('Control+Z');
};

describe('editing across the whole of a 1 MB page', () => {
  let browser;
  let page;
  let id;
  useWindow(async (opened) => {
    ({ browser, page } = opened);
    id = await newPage(page, '大きなページ');
    await page.evaluate(async ([pageId, body]) => {
      const { api } = await import('/assets/js/api.js');
      await api.putPage(pageId, body, (await api.getPage(pageId)).etag);
    }, [id, BODY]);
    await page.reload();
    await waitReady(page);
    await page.waitForFunction((n) => document.getElementById('editor').childElementCount === n, paragraphs.length);
  });

  // Each step starts from the whole page as stored and leaves it so (its undo checked too).
  test('typing at the end of the page, and undoing it', async () => {
    await page.click('#editor');
    await page.keyboard.press('Control+End');
    await page.keyboard.type('END');
    await storedAs(page, id, BODY.slice(0, -'</p>'.length) + 'END</p>');
    await undo(page);
    await storedAs(page, id, BODY);
  });

  test('a paste over a selection from the first paragraph to the last', async () => {
    await selectAcrossThePage(page, '段落 '.length);
    await transfer(page, 'paste', { text: '貼り付け' });
    await storedAs(page, id, `<p>段落 貼り付け${TAIL}</p>`);
    await undo(page);
    await storedAs(page, id, BODY);
  });

  test('deleting a selection from the first paragraph to the last, then typing', async () => {
    await selectAcrossThePage(page, '段落 '.length);
    await page.keyboard.press('Delete');
    await page.keyboard.type('X');
    await storedAs(page, id, `<p>段落 X${TAIL}</p>`);
    await undo(page);
    await storedAs(page, id, BODY);
  });

  test('select all, delete, and typing into the empty page', async () => {
    await page.click('#editor');
    await page.keyboard.press('Control+A');
    await page.waitForFunction(() => document.getSelection().toString().length > 500000);
    await page.keyboard.press('Backspace');
    await page.keyboard.type('新しい本文');
    await storedAs(page, id, '<p>新しい本文</p>');
    await undo(page);
    await storedAs(page, id, BODY);
    // What the window shows is what is stored.
    assert.equal(await page.evaluate(() => document.getElementById('editor').childElementCount), paragraphs.length);
    assert.equal(await stored(page, id), BODY);
    assertNoProblems(assert, browser);
  });
});
