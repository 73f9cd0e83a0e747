import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { messages } from '../../web/assets/js/messages.js';
import { row, rowTitles, rows, storedTree, useWindow, waitReady, waitText } from '../support/browser.mjs';

const WELCOME = messages.welcomeTitle;

// One window on one new default document; the cases build on each other.
describe('the page list', () => {
  let page;
  useWindow((opened) => { ({ page } = opened); });

  const entry = async (title) => (await storedTree(page)).doc.pages.find((p) => p.title === title);

  // Clicks a row and waits until its page is open in the editor.
  async function selectRow(title) {
    await row(page, title).click();
    await page.waitForFunction((t) => document.getElementById('title').value === t, title);
  }

  async function newPage(title, how = 'button') {
    // The title field may have the focus already: wait for the new, empty page to be shown.
    const count = await rows(page).count();
    if (how === 'button') await page.click('#newPageBtn');
    else await page.keyboard.press('Alt+N');
    await page.waitForFunction((n) => document.querySelectorAll('#tree .tree-row').length === n + 1 &&
      document.activeElement === document.getElementById('title') && document.getElementById('title').value === '', count);
    await page.keyboard.type(title);
    await page.waitForFunction((t) => [...document.querySelectorAll('#tree .tree-title')].some((e) => e.textContent === t), title);
  }

  test('new pages go right after the selected one and take their typed titles', async () => {
    await newPage('A');
    await newPage('B', 'alt');
    await selectRow(WELCOME);
    await newPage('C');
    assert.deepEqual(await rowTitles(page), [WELCOME, 'C', 'A', 'B']);
    const { doc } = await storedTree(page);
    const order = Object.fromEntries(doc.pages.map((p) => [p.title, p.order]));
    assert.deepEqual(order, { [WELCOME]: 1000, A: 2000, B: 3000, C: 1500 });
  });

  test('inline rename with F2 and double click; Escape keeps the old title', async () => {
    await selectRow('C');
    await row(page, 'C').focus();
    await page.keyboard.press('F2');
    const field = page.locator('#tree .tree-rename');
    await field.waitFor();
    assert.equal(await field.inputValue(), 'C');
    await page.keyboard.type('Cで始まる');
    await page.keyboard.press('Enter');
    await row(page, 'Cで始まる').waitFor();
    assert.equal(await page.inputValue('#title'), 'Cで始まる', 'the open page shows the new title');
    assert.ok(await entry('Cで始まる'));

    await row(page, 'A').dblclick();
    await field.waitFor();
    await page.keyboard.type('zzz');
    await page.keyboard.press('Escape');
    await field.waitFor({ state: 'detached' });
    assert.deepEqual(await rowTitles(page), [WELCOME, 'Cで始まる', 'A', 'B']);
  });

  for (const [name, event] of [['F2', 'keydown'], ['a double click', 'dblclick']]) {
    test(`after ${name} the whole title is selected before the next key`, async () => {
      await row(page, 'B').click();
      const selected = await page.evaluate((type) => {
        const target = document.querySelector('#tree .tree-row[aria-selected="true"]');
        target.dispatchEvent(type === 'keydown'
          ? new KeyboardEvent('keydown', { key: 'F2', bubbles: true })
          : new MouseEvent('dblclick', { bubbles: true }));
        const field = document.activeElement;
        return field.className === 'tree-rename' && field.selectionStart === 0 && field.selectionEnd === field.value.length;
      }, event);
      assert.equal(selected, true);
      await page.keyboard.press('Escape');
    });
  }

  // Holds every page body the window asks for until the returned function is called.
  async function holdPageBodies() {
    let release;
    const held = new Promise((resolve) => { release = resolve; });
    const passing = [];
    await page.route('**/api/pages/*', (route) => {
      const passed = held.then(() => route.continue());
      passing.push(passed);
      return passed;
    });
    return async () => {
      release();
      await Promise.all(passing);
      await page.unroute('**/api/pages/*');
    };
  }

  test('rename still opens when the page switch of the same click ends in the middle', async () => {
    const field = page.locator('#tree .tree-rename');
    const selectedTitle = () => page.evaluate(() =>
      document.querySelector('#tree .tree-row[aria-selected="true"] .tree-title')?.textContent);

    // A double click on another page: its page is shown between the second press and release.
    await selectRow(WELCOME);
    let release = await holdPageBodies();
    const box = await row(page, 'B').boundingBox();
    await page.mouse.move(box.x + 40, box.y + box.height / 2);
    await page.mouse.down();
    await page.mouse.up();
    await page.mouse.down({ clickCount: 2 });
    await release();
    await page.waitForFunction(() =>
      document.querySelector('#tree .tree-row[aria-selected="true"] .tree-title')?.textContent === 'B');
    await page.mouse.up({ clickCount: 2 });
    await field.waitFor();
    assert.equal(await field.inputValue(), 'B');
    await page.keyboard.press('Escape');
    await field.waitFor({ state: 'detached' });

    // F2 right after a click, before the page has been shown: the field opens and survives it.
    release = await holdPageBodies();
    await row(page, 'A').click();
    await page.keyboard.press('F2');
    await page.waitForFunction(() => document.activeElement?.classList.contains('tree-rename'));
    await release();
    await page.waitForFunction(() => document.getElementById('title').value === 'A');
    assert.equal(await page.evaluate(() => document.activeElement.className), 'tree-rename');
    await page.keyboard.type('Aa');
    await page.keyboard.press('Enter');
    await row(page, 'Aa').waitFor();
    assert.equal(await selectedTitle(), 'Aa');
    await page.keyboard.press('F2');
    await field.waitFor();
    await page.keyboard.type('A');  // at once: the first key replaces the whole name
    await page.keyboard.press('Enter');
    await row(page, 'A').waitFor();
    assert.deepEqual(await rowTitles(page), [WELCOME, 'Cで始まる', 'A', 'B']);
  });

  test('drag and drop reorders before and after, and nests inside', async () => {
    const box = async (title) => row(page, title).boundingBox();
    // B before はじめに (top quarter of the target row).
    let target = await box(WELCOME);
    await row(page, 'B').dragTo(row(page, WELCOME), { targetPosition: { x: 40, y: 2 } });
    await page.waitForFunction(() => document.querySelector('#tree .tree-title').textContent === 'B');
    assert.deepEqual(await rowTitles(page), ['B', WELCOME, 'Cで始まる', 'A']);
    // はじめに after A (bottom quarter).
    target = await box('A');
    await row(page, WELCOME).dragTo(row(page, 'A'), { targetPosition: { x: 40, y: target.height - 2 } });
    await page.waitForFunction((title) => [...document.querySelectorAll('#tree .tree-title')].pop().textContent === title, WELCOME);
    assert.deepEqual(await rowTitles(page), ['B', 'Cで始まる', 'A', WELCOME]);
    // A inside B (middle).
    target = await box('B');
    await row(page, 'A').dragTo(row(page, 'B'), { targetPosition: { x: 40, y: target.height / 2 } });
    await page.waitForFunction(() => document.querySelector('#tree .tree-row[aria-expanded="true"]'));
    const a = await entry('A');
    const b = await entry('B');
    assert.equal(a.parentId, b.id);
    assert.deepEqual(await rowTitles(page), ['B', 'A', 'Cで始まる', WELCOME]);
    assert.equal(await row(page, 'A').getAttribute('aria-level'), '2');
    // B onto its own child A: refused, nothing written.
    const before = (await storedTree(page)).etag;
    await row(page, 'B').dragTo(row(page, 'A'), { targetPosition: { x: 40, y: 15 } });
    await page.waitForTimeout(200);
    assert.equal((await storedTree(page)).etag, before);
    assert.equal(await page.locator('.drop-before, .drop-after, .drop-inside').count(), 0);
  });

  test('keyboard: arrows move the focus, Left and Right fold, Enter selects', async () => {
    await selectRow('B');
    await row(page, 'B').focus();
    await page.keyboard.press('ArrowLeft'); // collapse B
    assert.deepEqual(await rowTitles(page), ['B', 'Cで始まる', WELCOME]);
    await page.keyboard.press('ArrowRight'); // expand B
    assert.deepEqual(await rowTitles(page), ['B', 'A', 'Cで始まる', WELCOME]);
    await page.keyboard.press('ArrowRight'); // to its first child
    assert.equal(await page.evaluate(() => document.activeElement.textContent), '▶A');
    await page.keyboard.press('ArrowLeft'); // to the parent
    assert.equal(await page.evaluate(() => document.activeElement.dataset.id), (await entry('B')).id);
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.getElementById('title').value === 'Cで始まる');
    assert.equal(await row(page, 'Cで始まる').getAttribute('aria-selected'), 'true');
    assert.equal(await row(page, 'Cで始まる').getAttribute('tabindex'), '0');
    assert.equal(await row(page, 'B').getAttribute('tabindex'), '-1');
    await page.keyboard.press('ArrowUp');
    assert.equal(await page.evaluate(() => document.activeElement.dataset.id), (await entry('A')).id);
  });

  test('the filter shows matches with their ancestors expanded', async () => {
    await row(page, 'B').locator('.twisty').click(); // collapse B
    assert.deepEqual(await rowTitles(page), ['B', 'Cで始まる', WELCOME]);
    await page.fill('#filter', ' a ');
    assert.deepEqual(await rowTitles(page), ['B', 'A']);
    assert.equal(await row(page, 'B').getAttribute('draggable'), 'false');
    await page.fill('#filter', 'xyz');
    assert.equal(await page.textContent('#tree'), messages.noMatch);
    await page.fill('#filter', '');
    assert.deepEqual(await rowTitles(page), ['B', 'Cで始まる', WELCOME]);
  });

  test('trash with undo, restore and delete for good', async () => {
    await row(page, 'B').locator('.twisty').click(); // expand again
    // Trash B with its child A via the context menu.
    await row(page, 'B').click({ button: 'right' });
    await page.click(`#contextMenu >> text=${messages.moveToTrash}`);
    await page.locator('#toast', { hasText: messages.movedToTrash('B') }).waitFor();
    assert.deepEqual(await rowTitles(page), ['Cで始まる', WELCOME]);
    assert.equal(await page.textContent('#trashBtn'), messages.trashButton(2));
    await page.click(`#toast >> text=${messages.undo}`);
    await row(page, 'A').waitFor();
    assert.deepEqual(await rowTitles(page), ['B', 'A', 'Cで始まる', WELCOME]);

    // Trash A alone, then its parent B: two rows in the trash, three... two pages counted.
    await selectRow('A');
    await page.keyboard.press('Delete');
    await waitText(page, '#trashBtn', messages.trashButton(1));
    assert.equal(await page.inputValue('#title'), 'B', 'the parent is selected when no sibling is left');
    await row(page, 'B').focus();
    await page.keyboard.press('Delete');
    await waitText(page, '#trashBtn', messages.trashButton(2));
    if (await page.getAttribute('#trashBtn', 'aria-expanded') !== 'true') await page.click('#trashBtn');
    assert.deepEqual(await page.locator('.trash-item .trash-title').allTextContents(), ['B', 'A']);

    // Restoring A alone makes it a top-level page.
    await page.click(`.trash-item:has-text("A") >> text=${messages.restore}`);
    await row(page, 'A').waitFor();
    assert.equal((await entry('A')).parentId, null);
    assert.equal(await page.inputValue('#title'), 'A');

    // Delete B for good: cancel first, then confirm.
    await page.click(`.trash-item:has-text("B") >> text=${messages.purge}`);
    const dialog = page.locator('dialog');
    assert.equal(await dialog.locator('p').textContent(), messages.purgeQuestion('B', 1));
    await page.keyboard.press('Escape');
    await dialog.waitFor({ state: 'detached' });
    assert.ok(await entry('B'), 'Escape deletes nothing');
    await page.click(`.trash-item:has-text("B") >> text=${messages.purge}`);
    await dialog.locator('button.danger').click();
    await waitText(page, '#trashBtn', messages.trashButton(0));
    assert.equal(await entry('B'), undefined);
    assert.equal(await page.textContent('#trashList'), messages.trashEmpty);
  });

  test('the splitter keeps the list between 160 pixels and 60 % of the window', async () => {
    const width = () => page.locator('#sidebar').evaluate((el) => el.getBoundingClientRect().width);
    const handle = await page.locator('#splitter').boundingBox();
    await page.mouse.move(handle.x + 2, handle.y + 200);
    await page.mouse.down();
    await page.mouse.move(1200, 300, { steps: 4 });
    assert.equal(await page.getAttribute('#splitter', 'class'), 'splitter dragging');
    await page.mouse.up();
    assert.equal(await width(), 768);
    await page.mouse.move(770, 300);
    await page.mouse.down();
    await page.mouse.move(20, 300, { steps: 4 });
    await page.mouse.up();
    assert.equal(await width(), 160);
    await page.focus('#splitter');
    await page.keyboard.press('ArrowRight');
    assert.equal(await width(), 180);
    await page.keyboard.press('ArrowLeft');
    await page.keyboard.press('ArrowLeft');
    assert.equal(await width(), 160);
    await page.keyboard.press('ArrowRight');
    await page.reload();
    await waitReady(page);
    assert.equal(await width(), 180, 'the width is remembered');
  });
});

// A window on 10,000 pages (100 with 99 children each, one of them "zebra"): only the rows in view
// are drawn, and the keyboard, type-ahead, the selection and drag and drop reach the others.
describe('a page list of 10,000 pages', () => {
  let page;
  const id = (n) => `00000000-0000-4000-8000-${n.toString(16).padStart(12, '0')}`;
  const pages = [];
  for (let top = 0; top < 100; top++) {
    const parentId = id(top * 100 + 1);
    pages.push({ id: parentId, parentId: null, order: top + 1, title: `ページ ${top * 100 + 1}`, deletedAt: null });
    for (let child = 1; child <= 99; child++) {
      const n = top * 100 + 1 + child;
      pages.push({ id: id(n), parentId, order: child, title: n === 9051 ? 'zebra' : `ページ ${n}`, deletedAt: null });
    }
  }
  useWindow(async (opened) => {
    ({ page } = opened);
    await page.evaluate(async (doc) => {
      const { api } = await import('/assets/js/api.js');
      await api.putTree(doc, (await api.getTree()).etag);
    }, { schemaVersion: 1, pages });
    await page.reload();
    await waitReady(page);
  });

  const focusedRow = () => page.evaluate(() => {
    const node = document.activeElement;
    const box = node.getBoundingClientRect();
    const view = document.getElementById('tree').getBoundingClientRect();
    return {
      title: node.querySelector('.tree-title')?.textContent,
      inView: box.top >= view.top && box.bottom <= view.bottom,
      aria: ['aria-level', 'aria-posinset', 'aria-setsize', 'aria-expanded'].map((name) => node.getAttribute(name)).join(' '),
    };
  });
  const drawnRows = () => rows(page).count();

  test('the keyboard goes from the top to the bottom of all of them, each row drawn as it comes', async () => {
    await page.locator('#tree .tree-row[aria-selected="true"]').focus();
    await page.keyboard.press('*');
    await row(page, 'ページ 2').waitFor();
    await page.keyboard.press('Home');
    for (let i = 0; i < 60; i++) await page.keyboard.press('ArrowDown');
    assert.deepEqual(await focusedRow(), { title: 'ページ 61', inView: true, aria: '2 60 99 ' });
    await page.keyboard.press('End');
    assert.deepEqual(await focusedRow(), { title: 'ページ 10000', inView: true, aria: '2 99 99 ' });
    await page.keyboard.press('ArrowUp');
    assert.equal((await focusedRow()).title, 'ページ 9999');
    await page.keyboard.press('Home');
    assert.deepEqual(await focusedRow(), { title: 'ページ 1', inView: true, aria: '1 1 100 true' });
    assert.ok(await drawnRows() < 100, `${await drawnRows()} rows drawn`);
  });

  test('type-ahead reaches a row that is not drawn, which tells its place in the tree', async () => {
    assert.equal(await row(page, 'zebra').count(), 0);
    await page.keyboard.type('z');
    assert.deepEqual(await focusedRow(), { title: 'zebra', inView: true, aria: '2 50 99 ' });
    assert.equal(await row(page, 'ページ 9001').count(), 0, 'its parent is far above, out of view');
    await page.keyboard.press('ArrowLeft');
    assert.deepEqual(await focusedRow(), { title: 'ページ 9001', inView: true, aria: '1 91 100 true' });
    assert.ok(await drawnRows() < 100);
  });

  test('the selected row is brought into view after a reload', async () => {
    await page.keyboard.type('z');
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.getElementById('title').value === 'zebra');
    // Every row drawn from the start: the list is drawn at the page's place, not first at its top.
    await page.addInitScript(() => {
      window.drawnTitles = [];
      new MutationObserver((changes) => {
        for (const change of changes) {
          for (const node of change.addedNodes) {
            if (node.classList?.contains('tree-row')) window.drawnTitles.push(node.querySelector('.tree-title').textContent);
          }
        }
      }).observe(document, { childList: true, subtree: true });
    });
    await page.reload();
    await waitReady(page);
    await page.locator('#tree .tree-row[aria-selected="true"]').waitFor();
    const shown = await row(page, 'zebra').evaluate((node) => {
      const box = node.getBoundingClientRect();
      const view = document.getElementById('tree').getBoundingClientRect();
      return [node.getAttribute('aria-selected'), box.top >= view.top && box.bottom <= view.bottom];
    });
    assert.deepEqual(shown, ['true', true]);
    assert.ok(await drawnRows() < 100);
    const drawn = await page.evaluate(() => window.drawnTitles);
    assert.ok(drawn.includes('zebra') && !drawn.includes('ページ 1'), drawn.join(' '));
  });

  test('a row dragged onto one scrolled into view lands inside it', async () => {
    await page.locator('#tree').evaluate((tree) => { tree.scrollTop = 0; });
    await row(page, 'ページ 2').waitFor();
    const from = await row(page, 'ページ 2').boundingBox();
    await page.mouse.move(from.x + 40, from.y + from.height / 2);
    await page.mouse.down();
    await page.mouse.move(from.x + 40, from.y + from.height / 2 + 8, { steps: 2 });
    // The list scrolls far down while the row is held, as it does under the pointer at its edge.
    await page.locator('#tree').evaluate((tree) => { tree.scrollTop = 30 * 9040; });
    await row(page, 'zebra').waitFor();
    const to = await row(page, 'zebra').boundingBox();
    await page.mouse.move(to.x + 40, to.y + to.height / 2, { steps: 4 });
    await page.mouse.up();
    await page.waitForFunction(() => [...document.querySelectorAll('#tree .tree-row[aria-expanded="true"] .tree-title')]
      .some((title) => title.textContent === 'zebra'));
    const stored = (await storedTree(page)).doc.pages;
    assert.equal(stored.find((p) => p.title === 'ページ 2').parentId, id(9051));
    assert.equal(await page.locator('.drop-before, .drop-after, .drop-inside, .dragging').count(), 0);
  });
});
