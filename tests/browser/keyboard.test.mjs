import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { messages } from '../../web/assets/js/messages.js';
import {
  addPages, openPageId, row, savePicker, storedAs, storedTree, useWindow, waitReady,
} from '../support/browser.mjs';

// Counts the pointer's own events (a key's click on a button is not one of them).
function countPointer() {
  window.__pointer = 0;
  for (const type of ['mousedown', 'mouseup', 'pointerdown', 'pointerup', 'dblclick', 'wheel']) {
    window.addEventListener(type, (event) => { if (event.isTrusted) window.__pointer++; }, true);
  }
}

const focused = (page) => page.evaluate(() => {
  const node = document.activeElement;
  return node.id || node.getAttribute('aria-label') || node.textContent;
});

// Presses `key` until the focused element matches the selector (at most `limit` times).
async function pressUntil(page, key, selector, limit = 60) {
  for (let i = 0; i < limit; i++) {
    if (await page.evaluate((s) => document.activeElement.matches(s), selector)) return;
    await page.keyboard.press(key);
  }
  throw new Error(`${key} never reached ${selector}; the focus is on ${await focused(page)}`);
}

const inDialog = (page) => page.evaluate(() => Boolean(document.activeElement.closest('dialog[open]')));

describe('the keyboard alone', () => {
  let page;
  useWindow((opened) => { ({ page } = opened); }, { initScript: [countPointer, savePicker] });

  const entry = async (title) => (await storedTree(page)).doc.pages.find((p) => p.title === title);
  const selectedRow = '#tree .tree-row[aria-selected="true"]';

  test('creates, renames, writes, formats, moves, finds, exports and trashes a page', async () => {
    // Create and title it, once start-up has selected the first page (keys count from then on).
    await page.locator(selectedRow).waitFor();
    await page.keyboard.press('Alt+N');
    await page.waitForFunction(() => document.activeElement.id === 'title' && document.getElementById('title').value === '');
    await page.keyboard.type('キー');
    await row(page, 'キー').waitFor();
    const id = await openPageId(page);

    // Rename it in the list.
    await pressUntil(page, 'Tab', selectedRow);
    await page.keyboard.press('F2');
    await page.locator('#tree .tree-rename').waitFor();
    await page.keyboard.type('キーボード');
    await page.keyboard.press('Enter');
    await row(page, 'キーボード').waitFor();
    await page.waitForFunction(() => document.getElementById('title').value === 'キーボード');

    // Text, a list from the toolbar, and a table from its dialog.
    await pressUntil(page, 'Tab', '#title');
    await page.keyboard.press('Enter');
    await page.keyboard.type('ひとつめ');
    await page.keyboard.press('Shift+Tab');
    await pressUntil(page, 'ArrowRight', `[title="${messages.bullets}"]`);
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.activeElement.id === 'editor' && document.querySelector('#editor ul li'));
    await page.keyboard.press('End');
    await page.keyboard.press('Enter');
    await page.keyboard.press('Enter'); // an empty item ends the list
    await page.keyboard.press('Shift+Tab');
    await pressUntil(page, 'ArrowRight', `[title="${messages.addTable}"]`);
    await page.keyboard.press('Enter');
    await page.locator('dialog input').first().waitFor();
    await page.keyboard.press('Enter');
    await storedAs(page, id, /^<ul><li>ひとつめ<\/li><\/ul>.*<table><tbody>(<tr>(<td><br><\/td>){3}<\/tr>){3}<\/tbody><\/table>/);

    // Into the page above it and back out, the focus staying on its row.
    const first = await entry(messages.welcomeTitle);
    await pressUntil(page, 'Tab', selectedRow);
    await page.keyboard.press('Alt+ArrowRight');
    await page.waitForFunction((pageId) => document.activeElement.dataset.id === pageId &&
      document.activeElement.getAttribute('aria-level') === '2', id);
    assert.equal((await entry('キーボード')).parentId, first.id);
    await page.keyboard.press('Alt+ArrowLeft');
    await page.waitForFunction(() => document.activeElement.getAttribute('aria-level') === '1');
    assert.equal((await entry('キーボード')).parentId, null);

    // Another page, then back through the quick switcher.
    await page.keyboard.press('Home');
    await page.keyboard.press('Enter');
    await page.waitForFunction((title) => document.getElementById('title').value === title, messages.welcomeTitle);
    await page.keyboard.press('Control+k');
    await page.keyboard.type('きぼ');
    await page.keyboard.press('Backspace');
    await page.keyboard.press('Backspace');
    await page.keyboard.type('キボ');
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.getElementById('title').value === 'キーボード' &&
      document.activeElement.id === 'editor');

    // Export it.
    await pressUntil(page, 'Tab', '#exportBtn');
    await page.keyboard.press('Enter');
    // The dialog puts the focus on キャンセル once it is drawn; from there to このページ.
    await page.waitForFunction((cancel) => document.activeElement.textContent === cancel, messages.cancel);
    await pressUntil(page, 'Tab', 'dialog button.primary');
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => window.__exported && window.__exported.includes('ひとつめ'));
    assert.equal(await focused(page), 'exportBtn');

    // And into the trash, the keyboard staying in the list.
    await pressUntil(page, 'Tab', selectedRow);
    await page.keyboard.press('Delete');
    await page.locator('#toast', { hasText: messages.movedToTrash('キーボード') }).waitFor();
    assert.ok((await entry('キーボード')).deletedAt);
    assert.equal(await page.evaluate(() => document.activeElement.matches('#tree .tree-row')), true);

    assert.equal(await page.evaluate(() => window.__pointer), 0, 'no pointer events');
  });

  test('the tree: Home, End, type-ahead, Alt+↑/↓ and the menu from the keyboard', async () => {
    for (const title of ['Apple', 'melon', 'apricot']) {
      await page.keyboard.press('Alt+N');
      await page.waitForFunction(() => document.activeElement.id === 'title' && document.getElementById('title').value === '');
      await page.keyboard.type(title);
      await row(page, title).waitFor();
    }
    const titles = async () => (await page.locator('#tree .tree-title').allTextContents()).filter((t) => t !== 'キーボード');
    const focusedTitle = () => page.evaluate(() => document.activeElement.querySelector('.tree-title')?.textContent);
    assert.deepEqual(await titles(), [messages.welcomeTitle, 'Apple', 'melon', 'apricot']);
    await pressUntil(page, 'Tab', selectedRow);
    await page.keyboard.press('Home');
    assert.equal(await focusedTitle(), messages.welcomeTitle);
    await page.keyboard.press('End');
    assert.equal(await focusedTitle(), 'apricot');
    await page.keyboard.type('a');
    assert.equal(await focusedTitle(), 'Apple', 'the next title that begins with the letter, from the top again');
    await page.keyboard.type('m');
    assert.equal(await focusedTitle(), 'melon');

    await page.keyboard.press('Alt+ArrowUp');
    await page.waitForFunction(() => document.querySelectorAll('#tree .tree-title')[1].textContent === 'melon');
    assert.equal(await focusedTitle(), 'melon');
    await page.keyboard.press('Alt+ArrowDown');
    await page.keyboard.press('Alt+ArrowDown');
    await page.waitForFunction(() => document.querySelectorAll('#tree .tree-title')[3].textContent === 'melon');
    assert.deepEqual(await titles(), [messages.welcomeTitle, 'Apple', 'apricot', 'melon']);

    await page.keyboard.press('Shift+F10');
    await page.waitForFunction(() => document.activeElement.getAttribute('role') === 'menuitem');
    await page.keyboard.press('End');
    assert.equal(await focused(page), messages.moveToTrash);
    await page.keyboard.press('Escape');
    assert.equal(await focusedTitle(), 'melon');
  });

  test('the first Tab shows the skip link, which leads to the open page', async () => {
    await page.reload();
    await waitReady(page);
    await page.keyboard.press('Tab');
    assert.equal(await focused(page), 'skipLink');
    assert.ok((await page.locator('#skipLink').boundingBox()).y >= 0, 'on screen while focused');
    await page.keyboard.press('Enter');
    assert.equal(await focused(page), 'editor');
    assert.deepEqual(await page.evaluate(() => [...document.querySelectorAll('nav#sidebar #tree, main #editor')].length), 2,
      'the list in the navigation landmark, the page in the main one');
  });

  test('the file menu: ↓ opens it, the arrows, Home and End move, Escape closes it onto its button, Enter runs an item', async () => {
    await pressUntil(page, 'Tab', '#fileBtn');
    await page.keyboard.press('ArrowDown');
    const menu = page.locator('#fileMenu');
    await menu.getByRole('menuitem').first().waitFor();
    // The file actions, and no recent file while the open one is the only one.
    assert.equal(await page.getAttribute('#fileBtn', 'aria-expanded'), 'true');
    assert.deepEqual(await menu.getByRole('menuitem').allTextContents(),
      [messages.newFile, messages.openFileAction, messages.saveAs, messages.openBackup, messages.importAction]);
    assert.equal(await menu.getByRole('group').count(), 0);
    const moves = [['ArrowDown', messages.openFileAction], ['End', messages.importAction], ['ArrowDown', messages.newFile], ['ArrowUp', messages.importAction],
      ['Home', messages.newFile], ['ArrowUp', messages.importAction]];
    assert.equal(await focused(page), messages.newFile);
    for (const [key, item] of moves) {
      await page.keyboard.press(key);
      assert.equal(await focused(page), item, key);
    }
    await page.keyboard.press('Escape');
    await menu.waitFor({ state: 'hidden' });
    assert.equal(await focused(page), 'fileBtn');
    assert.equal(await page.getAttribute('#fileBtn', 'aria-expanded'), 'false');
    // Enter opens it too; Enter on an item runs it (the import asks what to read).
    await page.keyboard.press('Enter');
    await menu.getByRole('menuitem').first().waitFor();
    await page.keyboard.press('End');
    await page.keyboard.press('Enter');
    await page.locator('dialog[open]').waitFor();
    await page.keyboard.press('Escape');
    await page.locator('dialog').waitFor({ state: 'detached' });
    assert.equal(await page.evaluate(() => window.__pointer), 0, 'no pointer event');
  });

  test('an image: Shift+→ selects it, Alt+F10 reaches its tool bar, an item applies, Escape goes back', async () => {
    const { ids: { image: id } } = await addPages(page, { image: { title: '画像', order: 99000, body: '<p>ab<img src="{image}" alt="" width="40">cd</p>' } });
    await page.evaluate((pageId) => { location.hash = '#/p/' + pageId; }, id);
    await page.reload();
    await page.waitForFunction(() => document.getElementById('title').value === '画像');
    await pressUntil(page, 'Tab', '#editor');
    await page.keyboard.press('Control+Home');
    for (const key of ['ArrowRight', 'ArrowRight', 'Shift+ArrowRight']) await page.keyboard.press(key);
    const tools = page.getByRole('toolbar', { name: messages.imageTools });
    await tools.waitFor();
    await page.keyboard.press('Alt+F10');
    assert.equal(await focused(page), messages.imageLeft);
    await page.keyboard.press('ArrowRight');
    assert.equal(await focused(page), messages.imageCenter);
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.querySelector('#editor img.img-center'));
    assert.equal(await focused(page), 'editor');
    assert.equal(await tools.getByRole('button', { name: messages.imageCenter }).getAttribute('aria-pressed'), 'true');
    // Tab too leads to the bar (at the last button used); Escape goes back to the image, still selected.
    await page.keyboard.press('Tab');
    assert.equal(await focused(page), messages.imageCenter);
    await page.keyboard.press('Escape');
    assert.equal(await focused(page), 'editor');
    assert.equal(await tools.isVisible(), true);
    await page.keyboard.press('Delete');
    await page.waitForFunction(() => !document.querySelector('#editor img'));
    assert.equal(await page.innerHTML('#editor'), '<p>abcd</p>');
    assert.equal(await page.evaluate(() => window.__pointer), 0, 'no pointer event');
  });

  // [dialog, how the keyboard gets to its opener, how it opens]: Tab stays inside, Escape closes,
  // and the focus is back where it was.
  const dialogs = [
    ['export', (p) => pressUntil(p, 'Tab', '#exportBtn'), (p) => p.keyboard.press('Enter')],
    ['about', (p) => pressUntil(p, 'Tab', '#aboutBtn'), async (p) => {
      await p.keyboard.press('Enter');
      await p.keyboard.press('ArrowDown');
      await p.keyboard.press('Enter');
    }],
    ['keyboard shortcuts', (p) => pressUntil(p, 'Tab', '#editor'), (p) => p.keyboard.press('Control+/')],
    ['quick switcher', (p) => pressUntil(p, 'Tab', '#tree .tree-row[tabindex="0"]'), (p) => p.keyboard.press('Control+k')],
    ['link', (p) => pressUntil(p, 'Tab', '#editor').then(() => p.keyboard.press('Shift+Tab'))
      .then(() => pressUntil(p, 'ArrowRight', `[title="${messages.link}"]`)), (p) => p.keyboard.press('Enter')],
    ['delete confirmation', async (p) => {
      await pressUntil(p, 'Tab', '#trashBtn');
      await p.keyboard.press('Enter');
      await pressUntil(p, 'Tab', '.trash-purge');
    }, (p) => p.keyboard.press('Enter')],
  ];
  for (const [name, reach, open] of dialogs) {
    test(`the ${name} dialog keeps Tab inside and gives the focus back`, async () => {
      await reach(page);
      const opener = await page.evaluateHandle(() => document.activeElement);
      await open(page);
      await page.locator('dialog[open]').waitFor();
      await page.waitForFunction(() => document.activeElement.closest('dialog[open]'));
      for (let i = 0; i < 12; i++) {
        await page.keyboard.press(i % 3 === 2 ? 'Shift+Tab' : 'Tab');
        assert.equal(await inDialog(page), true, `Tab ${i + 1} left the dialog for ${await focused(page)}`);
      }
      await page.keyboard.press('Escape');
      await page.locator('dialog').waitFor({ state: 'detached' });
      assert.equal(await page.evaluate((node) => document.activeElement === node, opener), true,
        `the focus is on ${await focused(page)}`);
    });
  }
});
