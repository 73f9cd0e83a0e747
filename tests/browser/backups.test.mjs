// 「バックアップから開く…」 opens a backup, read-only, in a window of its own, whose 「名前を付けて保存…」
// makes an editable copy; a failed backup shows in the status line. A scripted picker stands in for
// the system's file dialog.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import { assertNoProblems, launchBrowser, openWindow, rowTitles, waitSaved } from '../support/browser.mjs';
import { messages } from '../../web/assets/js/messages.js';
import { waitFor } from '../support/launch.mjs';
import { makePicker } from '../support/picker.mjs';
import { launchProgram } from '../support/session.mjs';

const OPEN_TITLE = 'Ferncard ファイルを開く';
const SAVE_TITLE = 'Ferncard ファイルの保存';
const FAILED = 'バックアップを作成できませんでした。空き容量と権限をご確認ください。ファイルはそのままです。';

function localDate(ms) {
  const d = new Date(ms);
  return `${d.getFullYear()}-${String(d.getMonth() + 1).padStart(2, '0')}-${String(d.getDate()).padStart(2, '0')}`;
}

describe('backups in the window', () => {
  let server;
  let browser;
  let page;
  let picker;
  let scratch;
  let backups;
  before(async () => {
    scratch = fs.mkdtempSync(path.join(fs.realpathSync(process.env.TMPDIR || '/tmp'), 'ferncard-backups-'));
    picker = makePicker(path.join(scratch, 'picker'));
    server = await launchProgram({ env: picker.env });
    backups = path.join(server.dataDir, 'backups');
    browser = await launchBrowser();
    page = await openWindow(browser, server);
  });
  after(async () => {
    await browser?.close();
    await server?.stop();
    if (scratch) fs.rmSync(scratch, { recursive: true, force: true });
  });

  async function rename(target, title) {
    await target.fill('#title', title);
    await target.keyboard.press('Control+s');
    await waitSaved(target);
  }

  async function choose(label) {
    await page.click('#fileBtn');
    const answered = page.waitForResponse((response) => new URL(response.url()).pathname.startsWith('/api/file/'));
    await page.locator('#fileMenu').getByRole('menuitem', { name: label, exact: true }).click();
    await answered;
  }


  test('yesterday\'s copy opens read-only in a window of its own, stays off the recent list, and saves as an editable copy', async () => {
    const today = await waitFor(() => fs.readdirSync(backups).find((n) => !n.includes('.tmp-')), Boolean, 20000);
    assert.match(today ?? '', /^Ferncard-[0-9a-f]{8}-\d{4}-\d{2}-\d{2}\.fcard$/);
    // Yesterday's version of the document, as the backup of that day holds it.
    await rename(page, '昨日の版');
    const yesterday = today.replace(/\d{4}-\d{2}-\d{2}/, localDate(Date.now() - 86400000));
    fs.copyFileSync(path.join(server.dataDir, 'Ferncard.fcard'), path.join(backups, yesterday));
    await rename(page, '今日の版');

    picker.answer(path.join(backups, yesterday));
    await choose(messages.openBackup);
    assert.deepEqual(picker.calls(), [['open', OPEN_TITLE, '', backups]]);
    const copy = await openWindow(browser, server);
    assert.equal(await copy.title(), messages.readOnlyTitle(yesterday.replace(/\.fcard$/, '')));
    assert.deepEqual(await rowTitles(copy), ['昨日の版']);

    // It says that it is read-only, and takes no typing, in the body, the title or the list.
    assert.ok((await copy.textContent('#banner')).startsWith(messages.readOnlyNotice));
    const body = await copy.innerHTML('#editor');
    await copy.click('#editor');
    await copy.keyboard.type('書き込み');
    await copy.keyboard.press('Enter');
    await copy.click('#title');
    await copy.keyboard.type('改名');
    await copy.keyboard.press('Alt+N');
    assert.deepEqual([await copy.innerHTML('#editor'), await copy.inputValue('#title')], [body, '昨日の版']);
    assert.deepEqual(await rowTitles(copy), ['昨日の版']);
    assert.equal(await copy.isVisible('#newPageBtn'), false);

    // 「名前を付けて保存…」 makes an ordinary copy that takes edits.
    await copy.evaluate(() => { window.close = () => {}; });
    const target = path.join(scratch, '戻したメモ.fcard');
    picker.answer(target);
    await copy.getByRole('button', { name: messages.saveCopy, exact: true }).click();
    await copy.waitForFunction(() => document.getElementById('banner').dataset.kind === 'file');
    assert.deepEqual(picker.calls().at(-1), ['save', SAVE_TITLE, yesterday]);
    const restored = await openWindow(browser, server);
    assert.equal(await restored.title(), messages.windowTitle('戻したメモ'));
    assert.equal(await restored.isVisible('#banner'), false);
    await restored.fill('#title', '戻した版');
    await restored.keyboard.press('Control+s');
    await waitSaved(restored);
    assert.deepEqual(await rowTitles(restored), ['戻した版']);
    await restored.close();
    await copy.close();
    assert.deepEqual(await rowTitles(page), ['今日の版']);

    // The menu opens once it has the recent list.
    await page.click('#fileBtn');
    const menu = page.locator('#fileMenu');
    await menu.getByRole('menuitem').first().waitFor();
    // The backup is not offered, nor the file open here.
    assert.deepEqual(await menu.getByRole('group').getByRole('menuitem').allTextContents(), ['戻したメモ.fcard']);
    await page.keyboard.press('Escape');
    assertNoProblems(assert, browser);
  });

  test('a backup that fails shows its message in the status line; the document opens as ever', async () => {
    fs.rmSync(backups, { recursive: true });
    fs.writeFileSync(backups, 'a file where the folder belongs');
    picker.answer(path.join(scratch, 'new'));
    await choose(messages.newFile);
    const other = await openWindow(browser, server);
    await other.waitForFunction((text) => document.getElementById('status').textContent === text, FAILED);
    assert.equal(await other.getAttribute('#status', 'class'), 'status error');
    assert.deepEqual(await rowTitles(other), [messages.firstPageTitle]);
    await other.close();
  });
});
