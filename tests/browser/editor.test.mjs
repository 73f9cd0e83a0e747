import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import {
  countWrites, hold, ignoreFocus, newPage, openPageId, openWindow, pause, row, showPage, stored, storedAs,
  useWindow, waitReady, waitSaved, writes,
} from '../support/browser.mjs';
import { messages } from '../../web/assets/js/messages.js';

const PAGE_WRITES = '**/api/pages/*';
const status = (page) => page.textContent('#status');

describe('editing a page', () => {
  let page;
  useWindow((opened) => {
    ({ page } = opened);
    page.on('dialog', (dialog) => dialog.accept());
  }, { clock: true, initScript: countWrites });

  test('typing is stored after a pause and survives a reload; undoing back to it sends nothing', async () => {
    const id = await newPage(page, '入力');
    await page.keyboard.type('こんにちは');
    await storedAs(page, id, '<p>こんにちは</p>');
    await waitSaved(page);
    await page.reload();
    await waitReady(page);
    assert.equal(await page.innerHTML('#editor'), '<p>こんにちは</p>');

    const before = await writes(page);
    await page.click('#editor p');
    await page.keyboard.press('End');
    await pause(page);
    await page.keyboard.type('!');
    await page.keyboard.press('Control+z');
    await page.evaluate(() => { document.getElementById('status').textContent = ''; });
    await page.clock.runFor(1000);
    await waitSaved(page);
    assert.equal(await writes(page), before, 'nothing was sent');

    await page.keyboard.type('?');
    await page.keyboard.press('Control+s');
    assert.equal(await writes(page), before + 1, 'Ctrl+S saved at once');
    await page.clock.resume();
    await storedAs(page, id, '<p>こんにちは?</p>');
  });

  test('typing during a slow save ends with the last text stored', async () => {
    const id = await newPage(page, '遅い保存');
    const slow = await hold(page, PAGE_WRITES);
    await page.keyboard.type('first');
    await slow.held;
    await page.keyboard.type(' second');
    await slow.release();
    await storedAs(page, id, '<p>first second</p>');
    await waitSaved(page);
  });

  test('a list, then a table typed after it, survive a reload cell for cell', async () => {
    const id = await newPage(page, '買い物');
    await page.keyboard.type('メモ');
    await page.keyboard.press('Enter');
    await page.click(`button[title="${messages.bullets}"]`);
    await page.keyboard.type('牛乳と卵');
    await page.keyboard.press('Enter');
    await page.keyboard.press('Enter');
    await page.click(`button[title="${messages.addTable}"]`);
    await page.locator('dialog input').first().waitFor();
    await page.locator('dialog button.primary').click();
    const cells = [['品名', '数', '値段'], ['牛乳', '2', '200円'], ['卵', '1', '250円']];
    for (const [r, line] of cells.entries()) {
      for (const [c, text] of line.entries()) {
        await page.locator('#editor td').nth(r * 3 + c).click();
        await page.keyboard.type(text);
      }
    }
    const expected = '<p>メモ</p><ul><li>牛乳と卵</li></ul><table><tbody>' +
      cells.map((line) => '<tr>' + line.map((text) => '<td>' + text + '</td>').join('') + '</tr>').join('') +
      '</tbody></table><p><br></p>';
    await storedAs(page, id, expected);
    await page.reload();
    await waitReady(page);
    assert.equal(await page.innerHTML('#editor'), expected);
  });

  test('Enter on an empty last line leaves a code block; toggling code off puts a paragraph after it', async () => {
    const id = await newPage(page, 'コード');
    await page.click(`button[title="${messages.code}"]`);
    await page.keyboard.type('a = 1');
    await page.keyboard.press('Enter');
    await page.keyboard.type('b = 2');
    await page.keyboard.press('Enter');
    await page.keyboard.press('Enter');
    await page.keyboard.type('after');
    await page.keyboard.press('Enter');
    await page.click(`button[title="${messages.code}"]`);
    await page.keyboard.type('x');
    await page.keyboard.press('Enter');
    await page.keyboard.type('y');
    await page.click(`button[title="${messages.code}"]`);
    await storedAs(page, id, '<pre>a = 1<br>b = 2</pre><p>after</p><pre>x<br></pre><p>y</p>');
  });

  test('the toolbar shows the bold state and block type at the caret as it types, moves and takes Ctrl+B', async () => {
    await newPage(page, '書式');
    const steps = [
      // [what is done, bold button pressed, block type shown]
      [() => page.keyboard.type('見出し'), 'false', 'p'],
      [() => page.selectOption('#toolbar .tb-select', 'h1'), 'true', 'h1'],
      [() => page.keyboard.press('Enter'), 'false', 'p'],
      [() => page.keyboard.type('本文 '), 'false', 'p'],
      [() => page.click(`button[title="${messages.bold}"]`), 'true', 'p'],
      [() => page.keyboard.type('太字'), 'true', 'p'],
      [() => page.keyboard.press('Home'), 'false', 'p'],
      [() => page.keyboard.type('x'), 'false', 'p'],
      [async () => { await page.keyboard.type('y'); await page.keyboard.press('ArrowUp'); }, 'true', 'h1'],
      [() => page.keyboard.press('ArrowDown'), 'false', 'p'],
      [() => page.keyboard.press('Control+b'), 'true', 'p'],
      [() => page.keyboard.type('z'), 'true', 'p'],
      [() => page.keyboard.press('Control+b'), 'false', 'p'],
    ];
    for (const [act, bold, block] of steps) {
      await act();
      await page.waitForFunction(([pressed, type]) => document.querySelector('#toolbar .tb-select').value === type &&
        document.querySelector('#toolbar .tb-bold').getAttribute('aria-pressed') === pressed, [bold, block]);
    }
  });

  test('a title typed just before a reload is kept', async () => {
    const id = await newPage(page, '題');
    await page.click('#title');
    await page.keyboard.press('End');
    await page.keyboard.type('名');
    await page.reload();
    await waitReady(page);
    assert.equal(await page.inputValue('#title'), '題名');
    assert.equal(await openPageId(page), id);
  });

  for (const [address, accepted] of [
    ['javascript:alert(1)', false], ['/api/tree', false], ['example.com', false], [' https://example.com/a?b=1 ', true],
  ]) {
    test(`the link dialog ${accepted ? 'takes' : 'refuses'} ${address.trim()}`, async () => {
      await page.click('#editor');
      await page.click(`button[title="${messages.link}"]`);
      await page.getByRole('textbox', { name: 'URL（http、https、mailto）' }).fill(address);
      await page.locator('dialog button.primary').click();
      if (accepted) {
        await page.locator('#editor a[href="https://example.com/a?b=1"]').waitFor();
      } else {
        await page.waitForFunction((text) => document.getElementById('toast').textContent === text, messages.badUrl);
        assert.equal(await page.locator('#editor a').count(), 0);
      }
    });
  }
});

describe('two windows on one page', () => {
  let server;
  let browser;
  let one;
  let two;
  let id;
  useWindow(async (opened) => {
    ({ server, browser, page: one } = opened);
    id = await newPage(one, '共有');
    two = await openWindow(browser, server, { viaTicket: false, initScript: ignoreFocus });
    await showPage(two, id);
    await two.reload();
    await two.waitForFunction(() => document.getElementById('title').value === '共有');
  }, { allow: [/status of 412/, /net::ERR_CONNECTION_REFUSED/], initScript: ignoreFocus });

  // Replaces the body in `page` with `text` and waits until it is stored, or refused.
  async function write(page, text) {
    await page.click('#editor');
    await page.keyboard.press('Control+a');
    await page.keyboard.type(text);
  }
  const conflictShown = (page) => page.waitForFunction((text) =>
    document.getElementById('banner').dataset.kind === 'conflict' &&
    document.querySelector('#banner .banner-text').textContent === text, messages.conflict);
  async function choose(page, label) {
    await page.click(`#banner button:has-text("${label}")`);
    if (label === messages.loadLatest) await page.locator('dialog button.danger').click();
  }

  test('the conflict banner stays until resolved; overwrite and discard store the right text', async () => {
    await write(one, 'from one');
    await storedAs(one, id, '<p>from one</p>');
    await write(two, 'from two');
    await conflictShown(two);
    assert.equal(await status(two), messages.saveFailed);
    await two.keyboard.type(' more');
    assert.equal(await status(two), messages.saveFailed, 'typing in conflict is not shown as saving');
    await conflictShown(two);

    await choose(two, messages.overwrite);
    await storedAs(two, id, '<p>from two more</p>');
    assert.equal(await two.isHidden('#banner'), true);

    await write(one, 'one again');
    await conflictShown(one);
    await choose(one, messages.loadLatest);
    await one.waitForFunction(() => document.getElementById('editor').innerHTML === '<p>from two more</p>');
    assert.equal(await stored(one, id), '<p>from two more</p>');
    assert.equal(await one.isHidden('#banner'), true);
  });

  test('discard while the server is down keeps the page attached and its edits', async () => {
    await write(one, 'newer');
    await storedAs(one, id, '<p>newer</p>');
    await write(two, 'mine');
    await conflictShown(two);
    await two.route(PAGE_WRITES, (route) => route.abort('connectionrefused'));
    await choose(two, messages.loadLatest);
    await two.waitForFunction((text) => document.getElementById('toast').textContent === text,
      messages.latestUnreadable(messages.unreachable));
    await conflictShown(two);
    assert.equal(await openPageId(two), id);
    await two.click('#editor p');
    await two.keyboard.press('End');
    await two.keyboard.type(' kept');
    await two.unroute(PAGE_WRITES);
    await choose(two, messages.overwrite);
    await storedAs(two, id, '<p>mine kept</p>');
  });
});

describe('saves that fail', () => {
  let page;
  useWindow((opened) => { ({ page } = opened); },
    { allow: [/status of (500|403)/, /net::ERR_CONNECTION_REFUSED/], clock: true, initScript: countWrites });

  test('a failing follow-up save refuses the page switch with the exact toast', async () => {
    const first = await openPageId(page);
    const id = await newPage(page, '続きの保存');
    const slow = await hold(page, PAGE_WRITES);
    await page.keyboard.type('a');
    await slow.held;
    await page.keyboard.type('b');
    // The switch waits for the save in flight, then for the follow-up save, which fails.
    await row(page, messages.welcomeTitle).click();
    const failing = (route) => (route.request().method() === 'PUT' ? route.fulfill({ status: 500, body: '' }) : route.fallback());
    await page.route(PAGE_WRITES, failing);
    await slow.release();
    await page.waitForFunction((text) => document.getElementById('toast').textContent === text, messages.switchRefused);
    assert.equal(await openPageId(page), id);
    assert.notEqual(first, id);
    assert.equal(await stored(page, id), '<p>a</p>');
    await page.unroute(PAGE_WRITES, failing);
    await page.clock.fastForward(5000);
    await storedAs(page, id, '<p>ab</p>');
  });

  for (const [name, answer, retried, message] of [
    ['an unreachable server is retried every 5 s', (route) => route.abort('connectionrefused'), true, messages.unreachable],
    ['a refusal (403) is not retried', (route) => route.fulfill({
      status: 403, contentType: 'application/json', body: '{"error":"read_only","message":"書き込みは許可されていません。"}',
    }), false, '書き込みは許可されていません。'],
  ]) {
    test(name, async () => {
      const id = await newPage(page, name);
      await page.route(PAGE_WRITES, (route) => (route.request().method() === 'PUT' ? answer(route) : route.fallback()));
      await pause(page);
      try {
        await page.keyboard.type('text');
        await page.clock.runFor(800);
        await page.waitForFunction((text) => document.getElementById('status').textContent === text, messages.saveFailed);
        assert.equal(await page.textContent('#banner'), message);
        await row(page, messages.welcomeTitle).click();
        await page.waitForFunction((text) => document.getElementById('toast').textContent === text, messages.switchRefused);
        assert.equal(await openPageId(page), id, 'the page stays open');
        const tries = await writes(page);
        await page.unroute(PAGE_WRITES);
        await page.clock.runFor(4900);
        assert.equal(await writes(page), tries, 'no retry before 5 s');
        await page.clock.runFor(200);
        assert.equal(await writes(page), retried ? tries + 1 : tries);
        if (retried) {
          await storedAs(page, id, '<p>text</p>');
          await waitSaved(page);
          assert.equal(await page.isHidden('#banner'), true);
        } else {
          assert.equal(await stored(page, id), '');
        }
      } finally {
        await page.unroute(PAGE_WRITES);
        await page.clock.resume();
      }
    });
  }
});

describe('start-up of a new document whose first write fails', () => {
  let server;
  let browser;
  useWindow((opened) => { ({ server, browser } = opened); }, { allow: [/status of 500/], open: false });

  test('the failed write of the welcome page stays reported', async () => {
    await browser.context.route('**/api/pages/*', (route) =>
      (route.request().method() === 'PUT' ? route.fulfill({ status: 500, body: '' }) : route.fallback()));
    const page = await openWindow(browser, server);
    assert.equal(await status(page), messages.saveFailed);
    assert.equal(await page.textContent('#banner'), messages.serverError(500));
  });
});
