import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { messages } from '../../web/assets/js/messages.js';
import { newPage, storedAs, transfer, until, useWindow, waitReady } from '../support/browser.mjs';

// Every policy report the window sees, from before the client starts.
function recordViolations() {
  window.__violations = [];
  document.addEventListener('securitypolicyviolation', (event) => {
    window.__violations.push(event.violatedDirective + ' ' + event.blockedURI);
  });
}

const MARKER = (glyph) => `<![if !supportLists]><span style="font-family:Wingdings"><span style="mso-list:Ignore">${glyph}` +
  '<span style="font:7.0pt &quot;Times New Roman&quot;">&nbsp;&nbsp;&nbsp; </span></span></span><![endif]>';
const OFFICE_ITEM = (list, level, glyph, text, className = 'MsoListParagraphCxSpMiddle') =>
  `<p class="${className}" style="margin-left:${18 * level}pt;text-indent:-18pt;mso-list:l${list} level${level} lfo1">` +
  MARKER(glyph) + `<span lang="JA">${text}</span></p>`;

describe('pasting and dropping', () => {
  let page;
  useWindow((opened) => { ({ page } = opened); }, { initScript: recordViolations });

  // What is pasted or dropped, and the body stored after it.
  for (const [name, kind, content, expected] of [
    ['office lists become nested lists without their markers; a script leaves no paragraph', 'paste', {
      html: '<p class="MsoNormal">前文</p>' +
        OFFICE_ITEM(0, 1, '・', '箇条の一', 'MsoListParagraphCxSpFirst') + OFFICE_ITEM(0, 2, 'o', '下の一') +
        OFFICE_ITEM(0, 2, '§', '下の二') + OFFICE_ITEM(0, 1, '・', '箇条の二', 'MsoListParagraphCxSpLast') +
        '<p class="MsoNormal"> <script>window.__hit = 1</script>\n</p>' +
        OFFICE_ITEM(1, 1, '1.', '番号の一') + OFFICE_ITEM(1, 1, '2.', '番号の二') +
        '<p class="MsoListParagraph">・&nbsp;&nbsp;クラスだけの項目</p>',
      text: '前文',
    }, '<p>前文</p><ul><li>箇条の一<ul><li>下の一</li><li>下の二</li></ul></li><li>箇条の二</li></ul>' +
      '<ol><li>番号の一</li><li>番号の二</li></ol><ul><li>クラスだけの項目</li></ul>'],
    ['an image with a handler is cleaned before anything reads it', 'paste',
      { html: '<p>画像<img src=x onerror="window.__hit = 1"></p><div onclick="window.__hit = 2">d</div>', text: '画像' },
      '<p>画像</p><div>d</div>'],
    ['dropped HTML with handlers is cleaned the same way', 'drop',
      { html: '<p onmouseover="window.__hit = 3">落とす<img src=x onerror="window.__hit = 4"></p>' }, '<p>落とす</p>'],
    ['plain lines become paragraphs of plain text, spaces kept', 'paste', { text: '<b>太字</b>\n  two  spaces\n\nlast' },
      '<p>&lt;b&gt;太字&lt;/b&gt;</p><p>&nbsp; two&nbsp; spaces</p><p><br></p><p>last</p>'],
  ]) {
    test(name, async () => {
      const id = await newPage(page, name.slice(0, 20));
      await transfer(page, kind, content);
      await storedAs(page, id, expected);
      assert.deepEqual(await page.evaluate(() => [window.__violations, window.__hit]), [[], undefined]);
    });
  }

  // Lines pasted into a block with text split it as Enter would, whatever the block.
  for (const [name, prepare, expected] of [
    ['into a list item', async () => {
      await page.click(`button[title="${messages.bullets}"]`);
      await page.keyboard.type('ab');
      await page.keyboard.press('ArrowLeft');
    }, '<ul><li>a1</li><li>2</li><li>3b</li></ul>'],
    ['at the end of a heading', async () => {
      await page.selectOption('#toolbar select', 'h2');
      await page.keyboard.type('見出し');
    }, '<h2>見出し1</h2><p>2</p><p>3</p>'],
  ]) {
    test('plain lines pasted ' + name, async () => {
      const id = await newPage(page, name);
      await prepare();
      await transfer(page, 'paste', { text: '1\n2\n3' });
      await storedAs(page, id, expected);
      await page.keyboard.type('!');
      await storedAs(page, id, expected.replace(/3/, '3!'));
    });
  }

  test('a megabyte of plain text is stored as paragraphs, one undo step, the same after a reload', async () => {
    const id = await newPage(page, '大きな貼り付け');
    const lines = Array.from({ length: 15000 }, (_, i) => `${i} 行目のテキスト、ふつうの長さの一行 ${'x'.repeat(40)}`);
    const text = lines.join('\n');
    assert.ok(text.length > 1000000 / 2, 'over a megabyte of UTF-8');
    const expected = lines.map((line) => '<p>' + line + '</p>').join('');
    await transfer(page, 'paste', { text });
    await storedAs(page, id, expected);
    await page.keyboard.press('Control+z');
    assert.equal(await page.innerHTML('#editor'), '');
    await page.keyboard.press('Control+y');
    await until(async () => (await page.evaluate(() => document.getElementById('editor').childElementCount)) === 15000);
    await page.keyboard.press('Control+End');
    await page.keyboard.type('!');
    await storedAs(page, id, expected.slice(0, -4) + '!</p>');
    await page.reload();
    await waitReady(page);
    assert.equal(await page.innerHTML('#editor') === expected.slice(0, -4) + '!</p>', true);
    assert.deepEqual(await page.evaluate(() => window.__violations), []);
  });
});
