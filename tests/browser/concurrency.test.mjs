import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import {
  ignoreFocus, openWindow, row, rowTitles, storedTree, treeWrites, useWindow, waitReady, waitText,
} from '../support/browser.mjs';
import { messages } from '../../web/assets/js/messages.js';

// Two windows on one document; each acts on the tree it read before the other one wrote.
describe('two windows on one document', () => {
  let browser;
  let one;
  let two;
  let writesOne;
  let writesTwo;
  useWindow(async ({ server, browser: opened, page }) => {
    browser = opened;
    one = page;
    two = await openWindow(browser, server, { viaTicket: false, initScript: ignoreFocus });
    writesOne = treeWrites(one);
    writesTwo = treeWrites(two);
  }, { allow: [/status of 412/], initScript: ignoreFocus });

  const refresh = async (page) => {
    await page.reload();
    await waitReady(page);
  };
  const stored = async () => (await storedTree(one)).doc;
  const byTitle = (doc, title) => doc.pages.find((p) => p.title === title);
  async function titledPage(page, title, how = () => page.click('#newPageBtn')) {
    await how();
    await page.waitForFunction(() => document.activeElement === document.getElementById('title'));
    await page.keyboard.type(title);
    await page.waitForFunction((t) => [...document.querySelectorAll('#tree .tree-title')].some((e) => e.textContent === t), title);
  }

  test('pages created at the same moment are both kept', async () => {
    writesOne.length = 0;
    writesTwo.length = 0;
    await Promise.all([one.click('#newPageBtn'), two.click('#newPageBtn')]);
    await Promise.all([one, two].map((page) => page.waitForFunction(() => document.querySelectorAll('#tree .tree-row').length >= 2)));
    await one.waitForFunction(() => true);
    const doc = await stored();
    assert.equal(doc.pages.length, 3);
    assert.ok([...writesOne, ...writesTwo].includes(412), 'one window met a conflict and re-applied its change');
    assert.equal(writesOne.filter((s) => s === 200).length, 1);
    assert.equal(writesTwo.filter((s) => s === 200).length, 1);
    await refresh(one);
    await refresh(two);
    assert.equal((await rowTitles(one)).length, 3);
    assert.deepEqual(await rowTitles(one), await rowTitles(two));
  });

  test('moving X into Y in one window and Y into X in the other makes no cycle', async () => {
    await titledPage(one, 'X');
    await titledPage(one, 'Y');
    await refresh(two);
    const middle = async (page, title) => ({ x: 40, y: (await row(page, title).boundingBox()).height / 2 });

    await row(one, 'X').dragTo(row(one, 'Y'), { targetPosition: await middle(one, 'Y') });
    await one.waitForFunction(() => document.querySelector('#tree .tree-row[aria-expanded="true"]'));
    const afterFirst = await storedTree(one);
    writesTwo.length = 0;
    await row(two, 'Y').dragTo(row(two, 'X'), { targetPosition: await middle(two, 'X') });
    await two.waitForFunction(() => document.querySelector('#tree .tree-row[aria-expanded]'));

    assert.deepEqual(writesTwo, [412], 'the second window re-read and then wrote nothing');
    const afterSecond = await storedTree(one);
    assert.equal(afterSecond.etag, afterFirst.etag);
    const x = byTitle(afterSecond.doc, 'X');
    const y = byTitle(afterSecond.doc, 'Y');
    assert.equal(x.parentId, y.id);
    assert.equal(y.parentId, null);
    if (await row(two, 'Y').getAttribute('aria-expanded') === 'false') await row(two, 'Y').locator('.twisty').click();
    assert.equal(await row(two, 'X').getAttribute('aria-level'), '2', 'the second window shows the tree as stored');
  });

  test('delete for good in a stale window spares pages restored meanwhile and their bodies', async () => {
    await row(one, 'Y').click();
    await titledPage(one, 'P');
    await titledPage(one, 'C', async () => {
      await row(one, 'P').click({ button: 'right' });
      await one.click(`#contextMenu >> text=${messages.addChild}`);
    });
    const ids = await one.evaluate(async () => {
      const { api } = await import('/assets/js/api.js');
      const doc = JSON.parse((await api.getTree()).text);
      const id = (title) => doc.pages.find((p) => p.title === title).id;
      for (const title of ['P', 'C']) {
        const { etag } = await api.getPage(id(title));
        await api.putPage(id(title), '<p>body of ' + title + '</p>', etag);
      }
      return { P: id('P'), C: id('C') };
    });

    // Both trashed together; the other window sees that group.
    await row(one, 'P').click();
    await one.keyboard.press('Delete');
    await waitText(one, '#trashBtn', messages.trashButton(2));
    await refresh(two);
    await two.click('#trashBtn');
    assert.deepEqual(await two.locator('.trash-item .trash-title').allTextContents(), ['P']);

    // The first window restores the group and trashes C alone.
    await one.click('#trashBtn');
    await one.click(`.trash-item:has-text("P") >> text=${messages.restore}`);
    await row(one, 'C').waitFor();
    await row(one, 'C').click();
    await one.keyboard.press('Delete');
    await waitText(one, '#trashBtn', messages.trashButton(1));

    // The second window still shows the old group of two and deletes it for good.
    writesTwo.length = 0;
    await two.click(`.trash-item:has-text("P") >> text=${messages.purge}`);
    assert.equal(await two.locator('dialog p').textContent(), messages.purgeQuestion('P', 2));
    await two.locator('dialog button.danger').click();
    await two.locator('dialog').waitFor({ state: 'detached' });
    await waitText(two, '#trashBtn', messages.trashButton(1));

    // P was live again, so it no longer carried the stamp: nothing at all was removed.
    assert.deepEqual(writesTwo, [412]);
    const doc = await stored();
    assert.ok(byTitle(doc, 'P') && byTitle(doc, 'P').deletedAt === null);
    assert.ok(byTitle(doc, 'C') && byTitle(doc, 'C').deletedAt !== null);
    const bodies = await one.evaluate(async (pageIds) => {
      const { api } = await import('/assets/js/api.js');
      return [(await api.getPage(pageIds.P)).html, (await api.getPage(pageIds.C)).html];
    }, ids);
    assert.deepEqual(bodies, ['<p>body of P</p>', '<p>body of C</p>']);
  });
});
