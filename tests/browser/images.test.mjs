import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import {
  PNG_BASE64, hold, newPage, openPageId, row, stored, storedAs, storedTree, transfer, until, useWindow, waitSaved,
} from '../support/browser.mjs';
import { messages } from '../../web/assets/js/messages.js';
import { DAY_MS as DAY } from '../../web/assets/js/time.js';

const STORED = '/api/images/[0-9a-f]{32}';

const imageIds = (page) => page.evaluate(async () => {
  const { api } = await import('/assets/js/api.js');
  return (await api.listImages()).map((image) => image.id);
});
const uploads = async (page) => (await imageIds(page)).length;

describe('adding images', () => {
  let page;
  useWindow((opened) => { ({ page } = opened); }, { allow: [/status of 500/] });

  const pngData = 'data:image/png;base64,' + PNG_BASE64;
  // What is pasted or dropped, the body stored after it (a pattern), the toast, how many images
  // were uploaded, and whether the upload fails.
  for (const [name, kind, content, body, toast, added, uploadFails = false] of [
    ['office HTML with text and a picture keeps the text', 'paste',
      { html: '<table><tr><td>品名</td><td>値段</td></tr></table>', text: '品名\t値段', files: [['image.png', 'image/png']] },
      '^<table><tbody><tr><td>品名</td><td>値段</td></tr></tbody></table>', '', 0],
    ['a picture alone is uploaded', 'paste', { files: [['image.png', 'image/png']] }, `^<img src="${STORED}" alt="">$`, '', 1],
    ['a pasted data: PNG is stored', 'paste', { html: `<p>図<img src="${pngData}"></p>`, text: '図' }, `^<p>図<img src="${STORED}" alt=""></p>$`, '', 1],
    ['an unreadable data: image is left out aloud', 'paste', { html: '<p>図<img src="data:image/png;base64,a"></p>', text: '図' },
      '^<p>図</p>$', messages.pastedImageUnreadable, 0],
    ['dropped image files are uploaded', 'drop', { files: [['a.png', 'image/png'], ['b.png', 'image/png']] },
      `^<img src="${STORED}" alt=""><img src="${STORED}" alt="">$`, '', 2],
    ['a file over 20 MiB is refused', 'drop', { files: [['big.png', 'image/png', 21 * 1024 * 1024]] }, '^$', messages.imageTooLarge('big.png'), 0],
    ['a file that is no image is refused', 'drop', { files: [['notes.txt', 'text/plain']] }, '^$', messages.notAnImage('notes.txt'), 0],
    ['a pasted data: image whose upload fails is left out aloud', 'paste', { html: `<p>図<img src="${pngData}"></p>`, text: '図' },
      '^<p>図</p>$', messages.pastedImageNotSaved(messages.serverError(500)), 0, true],
  ]) {
    test(name, async () => {
      const id = await newPage(page, name);
      const before = await uploads(page);
      await page.evaluate(() => { document.getElementById('toast').textContent = ''; });
      const failing = (route) => (route.request().method() === 'POST' ? route.fulfill({ status: 500, body: '' }) : route.fallback());
      if (uploadFails) await page.route('**/api/images', failing);
      try {
        await transfer(page, kind, content);
        if (toast) await page.waitForFunction((text) => document.getElementById('toast').textContent === text, toast);
      } finally {
        if (uploadFails) await page.unroute('**/api/images', failing);
      }
      await storedAs(page, id, new RegExp(body));
      assert.equal(await uploads(page), before + added);
      for (const img of await page.locator('#editor img').all()) {
        assert.ok(await img.evaluate((el) => el.complete && el.naturalWidth === 1), 'the stored image is shown');
      }
    });
  }

  test('an image inserted during a slow upload stays in its page across a page switch', async () => {
    const id = await newPage(page, 'slow upload');
    await page.keyboard.type('here');
    const slow = await hold(page, '**/api/images', 'POST');
    await transfer(page, 'drop', { files: [['a.png', 'image/png']] });
    await slow.held;
    await row(page, messages.welcomeTitle).click();
    await slow.release();
    await page.waitForFunction((pageId) => !location.hash.endsWith(pageId), id);
    assert.match(await stored(page, id), new RegExp(`^<p>here<img src="${STORED}" alt=""></p>$`));
    assert.doesNotMatch(await stored(page, await openPageId(page)), /<img/);
  });

  test('clean-up removes an old image only once it was seen unreferenced a day earlier, and spares one an earlier version shows', async () => {
    // Five images: in a trashed page only, young, old and seen unreferenced two days ago, old and
    // never seen unreferenced before, and one that only an earlier version of a page shows (also
    // seen unreferenced two days ago).
    const ids = await page.evaluate(async ([pngBase64, day]) => {
      const { api, NO_RECORD } = await import('/assets/js/api.js');
      const bytes = Uint8Array.from(atob(pngBase64), (c) => c.charCodeAt(0));
      const upload = async (n) => api.uploadImage(new Blob([bytes, new Uint8Array(n)], { type: 'image/png' }));
      const images = [await upload(1), await upload(2), await upload(3), await upload(4), await upload(5)];
      const { text, etag } = await api.getTree();
      const doc = JSON.parse(text);
      const [trashedPage, earlierPage] = [crypto.randomUUID(), crypto.randomUUID()];
      const now = Date.now();
      doc.pages.push({ id: trashedPage, parentId: null, order: 99000, title: 'trashed', createdAt: now, updatedAt: now, deletedAt: now });
      doc.pages.push({ id: earlierPage, parentId: null, order: 99001, title: '写真', createdAt: now, updatedAt: now, deletedAt: null });
      await api.putTree(doc, etag);
      await api.putPage(trashedPage, `<img src="/api/images/${images[0]}" alt="">`, NO_RECORD);
      const first = await api.putPage(earlierPage, `<p><img src="/api/images/${images[4]}" alt=""></p>`, NO_RECORD);
      await api.putPage(earlierPage, '<p>写真は外しました</p>', first);
      localStorage.setItem('ferncard.unreferencedImages', JSON.stringify({ [images[2]]: now - 2 * day, [images[4]]: now - 2 * day }));
      return images;
    }, [PNG_BASE64, DAY]);
    const [trashed, young, seenBefore, neverSeen, inHistory] = ids;
    // The list makes every image but the young one two days old, with the one to go last.
    await page.route((url) => url.pathname === '/api/images', async (route) => {
      if (route.request().method() !== 'GET') return route.fallback();
      const response = await route.fetch();
      const { images } = await response.json();
      const order = [trashed, young, neverSeen, inHistory, seenBefore]
        .map((imageId) => images.find((image) => image.id === imageId)).filter(Boolean)
        .map((image) => (image.id === young ? image : { ...image, modified: Date.now() - 2 * DAY }));
      return route.fulfill({ response, json: { images: order } });
    });
    await page.reload();
    await until(async () => !(await imageIds(page)).includes(seenBefore), { interval: 250 });
    await page.unroute((url) => url.pathname === '/api/images');
    const left = await imageIds(page);
    assert.deepEqual([trashed, young, neverSeen, inHistory].filter((imageId) => left.includes(imageId)), [trashed, young, neverSeen, inHistory]);
    const seen = await page.evaluate(() => JSON.parse(localStorage.getItem('ferncard.unreferencedImages')));
    assert.deepEqual(Object.keys(seen).sort(), [young, neverSeen].sort());
    assert.ok(Date.now() - seen[neverSeen] < DAY, 'first seen unreferenced now');
    assert.equal((await storedTree(page)).doc.pages.filter((p) => p.title === 'trashed').length, 1);
  });
});

describe('the image tool', () => {
  let page;
  let pageId;
  let src;
  useWindow(async (opened) => {
    ({ page } = opened);
    ({ pageId, src } = await page.evaluate(async (pngBase64) => {
      const { api } = await import('/assets/js/api.js');
      const { pageFromHash } = await import('/assets/js/page-route.js');
      const bytes = Uint8Array.from(atob(pngBase64), (c) => c.charCodeAt(0));
      const image = '/api/images/' + await api.uploadImage(new Blob([bytes], { type: 'image/png' }));
      const id = pageFromHash(location.hash);
      const { etag } = await api.getPage(id);
      await api.putPage(id, `<p>before</p><img src="${image}" alt="" width="200"><p>after</p>`, etag);
      return { pageId: id, src: image };
    }, PNG_BASE64));
    await page.reload();
    await page.locator('#editor img').waitFor();
  });

  async function savedBody() {
    await waitSaved(page);
    return stored(page, pageId);
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
    assert.deepEqual(await page.locator('.img-tools button').allTextContents(), [messages.imageLeft, messages.imageCenter, messages.imageRight, messages.imageActualSize, messages.altText, messages.imageDelete]);
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
  });

  test('undo after a resize or a placement brings the image back as it was', async () => {
    await page.click('#editor img');
    const before = await dragHandle('nw', 20);
    await dragHandle('nw', 40);
    await page.locator('.img-tools button', { hasText: new RegExp('^' + messages.imageCenter + '$') }).click();
    for (let step = 0; step < 2; step++) {
      await page.evaluate(() => { document.getElementById('status').textContent = ''; });
      await page.keyboard.press('Control+z');
      await savedBody();
    }
    assert.equal(await stored(page, pageId), before);
    await page.click('#editor img');
  });

  test('the buttons place the image, restore its size and delete it, and each change is saved', async () => {
    const press = async (label) => {
      await page.evaluate(() => { document.getElementById('status').textContent = ''; });
      await page.locator('.img-tools button', { hasText: new RegExp('^' + label + '$') }).click();
      return savedBody();
    };
    assert.match(await press(messages.imageCenter), /<img [^>]*class="img-center">/);
    assert.match(await press(messages.imageRight), /<img [^>]*class="img-right">/);
    assert.match(await press(messages.imageLeft), /<img [^>]*class="img-left">/);
    assert.equal(await press(messages.imageActualSize), `<p>before</p><p><img src="${src}" alt="" class="img-left"></p><p>after</p>`);
    assert.equal(await page.evaluate(() => document.activeElement.id), 'editor', 'the buttons keep the focus in the editor');
    // The text a screen reader says: set in a dialog, trimmed, kept; the focus is back in the editor.
    await page.locator('.img-tools button', { hasText: messages.altText }).click();
    await page.locator('dialog input').waitFor();
    await page.evaluate(() => { document.getElementById('status').textContent = ''; });
    await page.keyboard.type(' 青い点 ');
    await page.keyboard.press('Enter');
    assert.equal(await savedBody(), `<p>before</p><p><img src="${src}" alt="青い点" class="img-left"></p><p>after</p>`);
    assert.equal(await page.evaluate(() => document.activeElement.id), 'editor');
    const afterDelete = await press(messages.imageDelete);
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
  });
});
