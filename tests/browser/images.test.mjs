import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { assertNoProblems, useWindow } from '../support/browser.mjs';

const PNG_BASE64 = 'iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg==';

describe('the image tool', () => {
  let server;
  let browser;
  let page;
  let pageId;
  let src;
  useWindow(async (opened) => {
    ({ server, browser, page } = opened);
    ({ pageId, src } = await page.evaluate(async (pngBase64) => {
      const { api } = await import('/assets/js/api.js');
      const bytes = Uint8Array.from(atob(pngBase64), (c) => c.charCodeAt(0));
      const image = '/api/images/' + await api.uploadImage(new Blob([bytes], { type: 'image/png' }));
      const id = location.hash.slice(4);
      const { etag } = await api.getPage(id);
      await api.putPage(id, `<p>before</p><img src="${image}" alt="" width="200"><p>after</p>`, etag);
      return { pageId: id, src: image };
    }, PNG_BASE64));
    await page.reload();
    await page.locator('#editor img').waitFor();
  });

  const stored = () => page.evaluate(async (id) => {
    const { api } = await import('/assets/js/api.js');
    return (await api.getPage(id)).html;
  }, pageId);

  async function savedBody() {
    await page.waitForFunction(() => document.getElementById('status').textContent.startsWith('保存済み'));
    return stored();
  }

  async function dragHandle(corner, dx, dy = 0) {
    await page.evaluate(() => { document.getElementById('status').textContent = ''; });
    const box = await page.locator('.img-handle.' + corner).boundingBox();
    const x = box.x + box.width / 2;
    const y = box.y + box.height / 2;
    await page.mouse.move(x, y);
    await page.mouse.down();
    await page.mouse.move(x + dx / 2, y + dy / 2);
    await page.mouse.move(x + dx, y + dy);
    await page.mouse.up();
    return savedBody();
  }

  test('a click on an image shows the frame with four handles and the button bar over it', async () => {
    const overlay = page.locator('.img-overlay');
    assert.equal(await overlay.isHidden(), true);
    await page.click('#editor img');
    await overlay.waitFor();
    assert.deepEqual(await page.locator('.img-overlay .img-handle').evaluateAll((els) => els.map((e) => e.className)),
      ['img-handle nw', 'img-handle ne', 'img-handle sw', 'img-handle se']);
    assert.deepEqual(await page.locator('.img-tools button').allTextContents(), ['左', '中央', '右', '元の大きさ', '削除']);
    const [image, frame] = await Promise.all([page.locator('#editor img').boundingBox(), overlay.boundingBox()]);
    assert.deepEqual([frame.x, frame.y, frame.width, frame.height], [image.x, image.y, image.width, image.height]);
    assert.equal(await page.evaluate(() => document.getSelection().getRangeAt(0).cloneContents().firstChild.localName), 'img');
    await page.click('#editor p');
    assert.equal(await overlay.isHidden(), true);
  });

  test('handles resize by the horizontal movement, between 24 pixels and the editor width', async () => {
    await page.click('#editor img');
    assert.match(await dragHandle('se', 50, 40), /<img src="[^"]+" alt="" width="250">/);
    assert.match(await dragHandle('nw', 30, -20), /width="220"/, 'a left-hand handle moved right makes it narrower');
    assert.match(await dragHandle('sw', 1000), /width="24"/);
    const inner = await page.evaluate(() => {
      const editor = document.getElementById('editor');
      const style = getComputedStyle(editor);
      return Math.round(editor.clientWidth - parseFloat(style.paddingLeft) - parseFloat(style.paddingRight));
    });
    assert.match(await dragHandle('ne', 3000), new RegExp(`width="${inner}"`));
    const [image, frame] = await Promise.all([page.locator('#editor img').boundingBox(), page.locator('.img-overlay').boundingBox()]);
    assert.equal(frame.width, image.width, 'the frame follows the image');
    assertNoProblems(assert, browser);
  });

  test('the buttons place the image, restore its size and delete it, and each change is saved', async () => {
    const press = async (label) => {
      await page.evaluate(() => { document.getElementById('status').textContent = ''; });
      await page.locator('.img-tools button', { hasText: new RegExp('^' + label + '$') }).click();
      return savedBody();
    };
    assert.match(await press('中央'), /<img [^>]*class="img-center">/);
    assert.match(await press('右'), /<img [^>]*class="img-right">/);
    assert.match(await press('左'), /<img [^>]*class="img-left">/);
    assert.equal(await press('元の大きさ'), `<p>before</p><img src="${src}" alt="" class="img-left"><p>after</p>`);
    assert.equal(await page.evaluate(() => document.activeElement.id), 'editor', 'the buttons keep the focus in the editor');
    const afterDelete = await press('削除');
    assert.doesNotMatch(afterDelete, /<img/);
    assert.match(afterDelete, /before/);
    assert.match(afterDelete, /after/);
    assert.equal(await page.locator('.img-overlay').isHidden(), true);

    // The deletion is undoable; the key deletes too.
    await page.keyboard.press('Control+z');
    await page.locator('#editor img').waitFor();
    await page.click('#editor img');
    await page.evaluate(() => { document.getElementById('status').textContent = ''; });
    await page.keyboard.press('Delete');
    assert.doesNotMatch(await savedBody(), /<img/);
    assert.equal(await page.locator('#editor img').count(), 0);
    assertNoProblems(assert, browser);
  });
});
