import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { newPage, transfer, useWindow, waitReady } from '../support/browser.mjs';

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

// Waits until the server holds exactly `html` as the page's body, comparing in the window: a
// megabyte crosses to it once, not at every look.
async function storedAs(page, id, html) {
  const last = await page.evaluate(async ([pageId, expected]) => {
    const { api } = await import('/assets/js/api.js');
    const deadline = Date.now() + 120000;
    for (;;) {
      const body = (await api.getPage(pageId)).html;
      if (body === expected) return null;
      if (Date.now() > deadline) return body.length > 200 ? body.slice(0, 100) + '…' + body.slice(-100) : body;
      await new Promise((resolve) => { setTimeout(resolve, 200); });
    }
  }, [id, html]);
  assert.equal(last, null, 'the stored body is not the expected one');
}

const undo = (page) => page.keyboard.press('Control+Z');

describe('editing across the whole of a 1 MB page', () => {
  let page;
  let id;
  useWindow(async (opened) => {
    ({ page } = opened);
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

  test('a paste over a selection from the first paragraph to the last, and undoing it', async () => {
    await selectAcrossThePage(page, '段落 '.length);
    await transfer(page, 'paste', { text: '貼り付け' });
    await storedAs(page, id, `<p>段落 貼り付け${TAIL}</p>`);
    await undo(page);
    await storedAs(page, id, BODY);
  });

  test('select all, delete, typing into the empty page, and undoing it', async () => {
    await page.click('#editor');
    await page.keyboard.press('Control+A');
    await page.waitForFunction(() => document.getSelection().toString().length > 500000);
    await page.keyboard.press('Backspace');
    await page.keyboard.type('新しい本文');
    await storedAs(page, id, '<p>新しい本文</p>');
    await undo(page);
    await storedAs(page, id, BODY);
    assert.equal(await page.evaluate(() => document.getElementById('editor').childElementCount), paragraphs.length);
  });
});
