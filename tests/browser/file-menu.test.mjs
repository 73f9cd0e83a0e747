import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, describe, test } from 'node:test';
import { messages } from '../../web/assets/js/messages.js';
import { openWindow, rowTitles, useWindow } from '../support/browser.mjs';
import { makePicker } from '../support/picker.mjs';

const OPEN_TITLE = 'Ferncard ファイルを開く';

// The file menu drives the program's file endpoints; a scripted picker stands in for the
// system's file dialog and answers with the path the test gives.
describe('the file menu', () => {
  let server;
  let browser;
  let page;
  let callsBefore = 0;
  const scratch = fs.mkdtempSync(path.join(fs.realpathSync(process.env.TMPDIR || '/tmp'), 'ferncard-files-'));
  const files = path.join(scratch, 'files');
  fs.mkdirSync(files);
  const picker = makePicker(path.join(scratch, 'picker'));
  // A recent-files list of this test's own; 409 answers the refused file actions.
  useWindow((opened) => { ({ server, browser, page } = opened); },
    { program: { env: { ...picker.env, XDG_STATE_HOME: path.join(scratch, 'state') } }, allow: [/status of 409/] });
  after(() => fs.rmSync(scratch, { recursive: true, force: true }));

  // The path the next dialog chooses; an empty one cancels it.
  function queue(chosen) {
    callsBefore = picker.calls().length;
    picker.answer(chosen || null);
  }
  const dialogCalls = () => picker.calls().slice(callsBefore);

  async function openMenu(target = page) {
    await target.click('#fileBtn');
    const menu = target.locator('#fileMenu');
    await menu.getByRole('menuitem').first().waitFor();
    return menu;
  }

  async function choose(label, target = page) {
    const menu = await openMenu(target);
    await target.evaluate(() => { document.getElementById('toast').hidden = true; });
    const address = server.launchAddress();
    const answered = target.waitForResponse((response) => new URL(response.url()).pathname.startsWith('/api/file/'));
    await menu.getByRole('menuitem', { name: label, exact: true }).click();
    await menu.waitFor({ state: 'hidden' });
    await answered;
    return address;
  }

  async function toast(target = page) {
    await target.locator('#toast').waitFor();
    return target.textContent('#toast');
  }

  // The dialogs' titles and suggested names, the extension added and the refusal of the open file
  // are the file endpoints' process tests; here what the window makes of their answers.
  test('new: a typed name gets the extension and opens in a new window; cancel does nothing', async () => {
    queue(path.join(files, 'メモ'));
    const before = await choose(messages.newFile);
    assert.equal(await toast(), messages.opened('メモ.fcard'));
    assert.notEqual(server.launchAddress(), before, 'a window was opened for the new file');
    const other = await openWindow(browser, server);
    assert.equal(await other.title(), messages.windowTitle('メモ'));
    assert.deepEqual(await rowTitles(other), [messages.firstPageTitle]);
    await other.close();
    assert.equal(await page.title(), 'Ferncard', 'this window stays on its file');

    queue('');
    const unchanged = await choose(messages.openFileAction);
    assert.equal(await page.locator('#toast').isHidden(), true);
    assert.deepEqual(dialogCalls(), [['open', OPEN_TITLE, '']]);
    assert.equal(server.launchAddress(), unchanged);
  });

  test('recent files: newest first, missing ones disabled, the open one left out, an entry opens its file', async () => {
    queue(path.join(files, 'gone'));
    await choose(messages.newFile);
    assert.equal(await toast(), messages.opened('gone.fcard'));
    fs.rmSync(path.join(files, 'gone.fcard'));

    const menu = await openMenu();
    const entries = menu.getByRole('group', { name: messages.recentFiles }).getByRole('menuitem');
    assert.deepEqual(await entries.allTextContents(), ['gone.fcard', 'メモ.fcard']);
    assert.deepEqual(await entries.evaluateAll((items) => items.map((item) => item.getAttribute('aria-disabled'))), ['true', null]);
    assert.equal(await entries.last().getAttribute('title'), path.join(files, 'メモ.fcard'));
    // A missing file is heard but does nothing.
    await entries.first().focus();
    await page.keyboard.press('Enter');
    assert.equal(await menu.isVisible(), true);
    await page.keyboard.press('Escape');
    await choose('メモ.fcard');
    assert.equal(await toast(), messages.opened('メモ.fcard'));
  });

  test('save as: saves the edits first, copies the document and leaves this window on its file', async () => {
    // The browser may refuse to close the window; this one refuses.
    await page.evaluate(() => { window.close = () => {}; });
    await page.click('#editor');
    await page.keyboard.press('Control+End');
    await page.keyboard.type('コピー前の編集');
    queue(path.join(files, 'コピー.FCARD'));
    await choose(messages.saveAs);
    assert.equal(await toast(), messages.opened('コピー.FCARD'));
    await page.waitForFunction(() => document.getElementById('banner').dataset.kind === 'file');
    assert.equal(await page.textContent('#banner'), messages.stillOriginal('Ferncard.fcard'));

    const copy = await openWindow(browser, server);
    assert.equal(await copy.title(), messages.windowTitle('コピー'));
    assert.match(await copy.textContent('#editor'), /コピー前の編集/);
    await copy.close();

    // The file this window has open cannot be the target.
    queue(path.join(server.dataDir, 'Ferncard.fcard'));
    await choose(messages.saveAs);
    assert.equal(await toast(), 'そのファイルは開いています。別の名前を指定してください。');
  });
});
