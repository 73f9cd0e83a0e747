// The file endpoints: open, new, save-as and recent, with a scripted picker in place of the
// system's file dialog.
import assert from 'node:assert/strict';
import { existsSync, mkdtempSync, readFileSync, rmSync, symlinkSync, writeFileSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';

import { skipUnderWine } from '../support/ferncard.mjs';
import { makePicker } from '../support/picker.mjs';
import { connect, portOf, waitFor } from '../support/launch.mjs';
import { digest, envelope, startProgram } from '../support/session.mjs';

const alreadyOpen = 'そのファイルは開いています。別の名前を指定してください。';
const cannotCreate = 'ファイルを作成できません。場所の権限と空き容量をご確認ください。';
const cannotSave = 'ファイルを保存できません。場所の権限と空き容量をご確認ください。';
const notADocument = 'Ferncard のファイルではないか、ファイルが壊れています。';
const openTitle = 'Ferncard ファイルを開く';
const saveTitle = 'Ferncard ファイルの保存';

const opened = (name) => JSON.stringify({ opened: true, name });
const notOpened = '{"opened":false}';
// The scripted picker stands in for the Linux picker only; Windows shows its own dialog.
const needsPicker = { skip: skipUnderWine('the scripted picker replaces only the Linux file picker') };

describe('file endpoints', () => {
  let program;
  let picker;
  let ticketFile;
  let pickerDir;
  const fileCall = (action, method = 'POST') => program.api(method, `/api/file/${action}`);
  const recentList = () => readFileSync(path.join(program.data, 'recent.txt'), 'utf8').split('\n').filter(Boolean);
  const ticketPort = () => portOf(readFileSync(ticketFile, 'utf8'));
  const ticketText = () => readFileSync(ticketFile, 'utf8');

  before(async () => {
    pickerDir = mkdtempSync(path.join(os.tmpdir(), 'ferncard-picker-'));
    picker = makePicker(pickerDir);
    program = await startProgram({ env: picker.env });
    ticketFile = path.join(program.dir, 'ticket');
  });
  after(async () => {
    await program?.stop();
    rmSync(pickerDir, { recursive: true, force: true });
  });

  test('a cancelled dialog opens nothing', needsPicker, async () => {
    picker.answer(null);
    for (const action of ['open', 'new', 'save-as']) {
      const answer = await fileCall(action);
      assert.equal(answer.status, 200);
      assert.equal(answer.header('Content-Type'), 'application/json; charset=utf-8');
      assert.equal(answer.text, notOpened);
    }
    assert.deepEqual(picker.calls(), [
      ['open', openTitle, ''],
      ['save', saveTitle, '新しいメモ.fcard'],
      ['save', saveTitle, 'Ferncard.fcard'],
    ]);
  });

  test('new appends the extension, creates the document and opens it on the next port', needsPicker, async () => {
    const target = path.join(program.dir, 'second');
    picker.answer(target);
    const answer = await fileCall('new');
    assert.equal(answer.status, 200, answer.text);
    assert.equal(answer.text, opened('second.fcard'));
    assert.ok(existsSync(`${target}.fcard`));
    assert.equal(ticketPort(), program.port + 1);
    assert.equal(recentList()[0], `${target}.fcard`);
    const socket = await connect(program.port + 1);
    assert.ok(socket, 'the new document has a listener of its own');
    socket.destroy();
  });

  test('a name typed without the extension never replaces the file the extension names', needsPicker, async () => {
    const precious = path.join(program.dir, 'precious.fcard');
    writeFileSync(precious, 'not to be replaced');
    picker.answer(path.join(program.dir, 'precious'));
    for (const [action, message] of [['new', cannotCreate], ['save-as', cannotSave]]) {
      const answer = await fileCall(action);
      assert.equal(answer.status, 409);
      assert.equal(answer.text, envelope('file_failed', message));
      assert.equal(readFileSync(precious, 'utf8'), 'not to be replaced');
    }
  });

  test('new or save-as onto an open document is refused and writes nothing', needsPicker, async () => {
    const before = digest(program.document);
    picker.answer(program.document);
    for (const action of ['new', 'save-as']) {
      const answer = await fileCall(action);
      assert.equal(answer.status, 409);
      assert.equal(answer.text, envelope('file_failed', alreadyOpen));
    }
    // Typed without the extension, it still names the open document.
    picker.answer(program.document.replace(/\.fcard$/, ''));
    const typed = await fileCall('save-as');
    assert.equal(typed.text, envelope('file_failed', alreadyOpen));
    assert.equal(digest(program.document), before);
  });

  test('save-as elsewhere makes a copy that opens in its own session while the source stays', needsPicker, async () => {
    const target = path.join(program.dir, 'コピー.fcard');
    picker.answer(target);
    const answer = await fileCall('save-as');
    assert.equal(answer.status, 200, answer.text);
    assert.equal(answer.text, opened('コピー.fcard'));
    assert.equal(ticketPort(), program.port + 2);
    assert.equal(recentList()[0], target);
    // The source keeps its own session and document.
    const status = await program.api('GET', '/api/status');
    assert.equal(status.status, 200);
    assert.equal(status.json().file, program.document);
    // The copy is a document of its own: opening it again finds its session, in a new window
    // with a new ticket.
    const ticket = ticketText();
    picker.answer(target);
    assert.equal((await fileCall('open')).text, opened('コピー.fcard'));
    assert.equal(ticketPort(), program.port + 2);
    assert.notEqual(ticketText(), ticket);
  });

  test('a file that is not a document is refused with the store\'s message', needsPicker, async () => {
    const text = path.join(program.dir, 'notes.txt');
    writeFileSync(text, 'hello');
    picker.answer(text);
    const answer = await fileCall('open');
    assert.equal(answer.status, 409);
    assert.equal(answer.text, envelope('file_failed', notADocument));
    assert.notEqual(recentList()[0], text);
  });

  test('the open picker gives only files that exist', needsPicker, async () => {
    picker.answer(path.join(program.dir, 'missing.fcard'));
    assert.equal((await fileCall('open')).text, notOpened);
  });

  test('recent opens the listed entry by an index of one or two digits', needsPicker, async () => {
    const list = recentList();
    assert.ok(list.length >= 3, list.join('\n'));
    const zero = await fileCall('recent/00');
    assert.equal(zero.text, opened(path.basename(list[0])));
    const second = await fileCall('recent/2');
    assert.equal(second.status, 200);
    assert.equal(second.text, opened(path.basename(list[2])));
    assert.equal(recentList()[0], list[2]);
    for (const index of ['007', '-1', String(list.length), '99', '', '1x', '%30']) {
      const answer = await fileCall(`recent/${index}`);
      assert.equal(answer.status, 404, `recent/${index}`);
      assert.equal(answer.text, envelope('not_found'));
    }
  });

  test('while a dialog is open a second request gets no dialog and opens nothing', needsPicker, async () => {
    const callsBefore = picker.calls().length;
    picker.answer(path.join(program.dir, 'second.fcard'));
    picker.hold(true);
    const first = fileCall('open');
    await waitFor(() => picker.calls().length, (count) => count > callsBefore, 5000);
    const second = await fileCall('open');
    assert.equal(second.status, 200);
    assert.equal(second.text, notOpened);
    picker.hold(false);
    assert.equal((await first).text, opened('second.fcard'));
    assert.equal(picker.calls().length, callsBefore + 1);
  });

  test('new with the extension chosen replaces the file the dialog offered, but never an open one', needsPicker,
    async () => {
    const older = path.join(program.dir, 'older.fcard');
    writeFileSync(older, 'an old file that the user agreed to replace');
    picker.answer(older);
    const answer = await fileCall('new');
    assert.equal(answer.status, 200, answer.text);
    assert.equal(answer.text, opened('older.fcard'));
    assert.equal(readFileSync(older).subarray(0, 16).toString('latin1'), 'SQLite format 3\0');

    // It is open now: no other path that reaches it may replace it under its session.
    const before = digest(older);
    const linkedFolder = path.join(program.dir, 'linked-folder');
    symlinkSync(program.dir, linkedFolder);
    const linkedFile = path.join(program.dir, 'linked.fcard');
    symlinkSync(older, linkedFile);
    for (const chosen of [older, `${program.dir}/./older.fcard`, path.join(linkedFolder, 'older.fcard'), linkedFile]) {
      picker.answer(chosen);
      for (const action of ['new', 'save-as']) {
        const refused = await fileCall(action);
        assert.equal(refused.text, envelope('file_failed', alreadyOpen), `${action} ${chosen}`);
      }
    }
    assert.equal(digest(older), before);
  });
});
