// Automatic backups: made when a document opens, only when due, consistent
// while windows write, and never left half-written.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import {
  copyFileSync, mkdirSync, mkdtempSync, readdirSync, readFileSync, rmSync, statSync, symlinkSync, utimesSync, writeFileSync,
} from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, describe, test } from 'node:test';

import { patience, skipUnderWine } from '../support/ferncard.mjs';
import { request } from '../support/http.mjs';
import { portOf, waitFor, waitForLaunchAddress } from '../support/launch.mjs';
import { makePicker } from '../support/picker.mjs';
import { sql, startProgram } from '../support/session.mjs';

const failedMessage = 'バックアップを作成できませんでした。空き容量と権限をご確認ください。ファイルはそのままです。';
const readOnlyAnswer = {
  error: 'read_only',
  message: 'このファイルはバックアップのため読み取り専用です。編集するには「名前を付けて保存…」でコピーを作ってください。',
};
const day = 86400000;
const linuxOnly = (reason) => ({ skip: skipUnderWine(reason) });

const dirs = [];
after(() => dirs.forEach((dir) => rmSync(dir, { recursive: true, force: true })));
function freshDir() {
  const dir = mkdtempSync(path.join(os.tmpdir(), 'ferncard-backups-'));
  dirs.push(dir);
  return dir;
}

function localDate(ms = Date.now()) {
  const d = new Date(ms);
  return `${d.getFullYear()}-${String(d.getMonth() + 1).padStart(2, '0')}-${String(d.getDate()).padStart(2, '0')}`;
}

// What the program says of its backups and of its document, through a session's API.
const reports = (api) => ({
  report: async () => JSON.parse((await api('GET', '/api/backups')).text),
  status: async () => JSON.parse((await api('GET', '/api/status')).text),
});

// A session on another window of the program at a launch address, with the cookie the ticket gives.
async function sessionAt(address) {
  const port = portOf(address);
  const host = [['Host', `127.0.0.1:${port}`]];
  const answer = await request(port, 'GET', address.slice(`http://127.0.0.1:${port}`.length),
    [...host, ['Sec-Fetch-Site', 'none']]);
  const cookie = answer.header('Set-Cookie').split(';')[0];
  const api = (method, target, headers = {}, body) => request(port, method, target,
    [...host, ['Origin', `http://127.0.0.1:${port}`], ['Cookie', cookie], ...Object.entries(headers)], body);
  return { api, ...reports(api) };
}

// The program on a document (the data folder's default one when none is given), with a session.
async function open(dir, { document, data = path.join(dir, 'data'), env } = {}) {
  const program = await startProgram({ document, data, env });
  return Object.assign(program, reports(program.api), {
    backupsFolder: path.join(data, 'backups'),
    // The report once the check that the opening asked for has ended.
    async settled() {
      let report;
      const until = Date.now() + patience(30000);
      do {
        report = await program.report();
        if (report.state === 'done' || report.state === 'failed') return report;
        await new Promise((resolve) => setTimeout(resolve, 50));
      } while (Date.now() < until);
      assert.fail(`the backup did not end: ${JSON.stringify(report)}`);
    },
    backups: () => readdirSync(program.backupsFolder).sort(),
    recent: () => readFileSync(path.join(data, 'recent.txt'), 'utf8').split(/\r?\n/).filter(Boolean),
  });
}

describe('backups', () => {
  test('opening makes one verified copy; opening again, or unchanged, makes none; changed and a day old, a new one',
    async () => {
      const dir = freshDir();
      const document = path.join(dir, 'docs', 'Notes.fcard');
      mkdirSync(path.dirname(document));
      copyFileSync(await defaultDocument(), document);

      let program = await open(dir, { document });
      const report = await program.settled();
      assert.deepEqual([report.state, report.attempt, report.message], ['done', 1, '']);
      assert.match(report.folder, /[\\/]data[\\/]backups$/);
      const [name] = program.backups();
      assert.match(name, new RegExp(`^Notes-[0-9a-f]{8}-${localDate()}\\.fcard$`));
      const backup = path.join(program.backupsFolder, name);
      assert.equal(sql(backup, 'PRAGMA integrity_check'), 'ok');
      assert.deepEqual(readFileSync(backup), readFileSync(document));
      // A backup is not a recent file; the document is.
      assert.equal(readFileSync(path.join(dir, 'data', 'recent.txt'), 'utf8').split(/\r?\n/).filter(Boolean).length, 1);
      await program.stop();

      const cases = [
        { name: 'the same day', age: 0, change: false, made: false },
        { name: 'a day old, unchanged', age: 2 * day, change: false, made: false },
        { name: 'a day old, changed', age: 2 * day, change: true, made: true },
      ];
      for (const c of cases) {
        const old = new Date(Date.now() - c.age);
        utimesSync(backup, old, old);
        if (c.change) sql(document, "INSERT INTO meta VALUES('backup-test', 'x')");
        program = await open(dir, { document });
        await program.settled();
        assert.deepEqual(program.backups(), [name], c.name);
        assert.equal(Math.abs(statSync(backup).mtimeMs - Date.now()) < day / 2, c.made || c.age === 0, c.name);
        assert.equal(readFileSync(backup).equals(readFileSync(document)), c.made || !c.change, c.name);
        await program.stop();
      }
    });

  test('a copy taken while a window writes holds every page old or new, in the order written',
    linuxOnly('the consistency of the copy does not depend on the system'), async () => {
      const dir = freshDir();
      const program = await open(dir);
      const ids = Array.from({ length: 30 }, (_, i) => `00000000-0000-4000-8000-${String(i).padStart(12, '0')}`);
      const tags = new Map(ids.map((id) => [id, '0']));
      let round = 0;
      for (; (await program.report()).state !== 'done'; round += 1) {
        for (const id of ids) {
          const written = await program.api('PUT', `/api/pages/${id}`, { 'If-Match': `"${tags.get(id)}"` }, `round ${round}`);
          assert.equal(written.status, 200);
          tags.set(id, written.header('ETag').replaceAll('"', ''));
        }
      }
      await program.stop();
      const [name] = program.backups();
      const backup = path.join(program.backupsFolder, name);
      assert.equal(sql(backup, 'PRAGMA integrity_check'), 'ok');
      const rows = new Map(sql(backup, 'SELECT id, CAST(body AS TEXT) FROM pages').split('\n').filter(Boolean)
        .map((line) => line.split('|')));
      const rounds = ids.map((id) => (rows.has(id) ? Number(rows.get(id).slice('round '.length)) : -1));
      // Some prefix of the pages at round r, the rest at r - 1: a moment between two writes.
      const newest = rounds[0];
      const cut = rounds.findIndex((r) => r !== newest);
      assert.ok(rounds.every((r, i) => r === (cut < 0 || i < cut ? newest : newest - 1)), rounds.join(' '));
    });

  test('a full disk leaves no partial copy, is reported, and the document keeps working',
    { skip: skipUnderWine('mounts a small file system') || (process.getuid?.() !== 0 && 'needs root to mount') },
    async (t) => {
      const dir = freshDir();
      const document = path.join(dir, 'Big.fcard');
      copyFileSync(await defaultDocument(), document);
      sql(document, 'INSERT INTO images VALUES(lower(hex(randomblob(16))), randomblob(400000), 0)');
      const data = path.join(dir, 'small');
      mkdirSync(data);
      const mounted = spawnSync('mount', ['-t', 'tmpfs', '-o', 'size=256k', 'tmpfs', data]);
      if (mounted.status !== 0) {
        t.skip('no small file system could be mounted');
        return;
      }
      try {
        const program = await open(dir, { document, data });
        const report = await program.settled();
        assert.deepEqual([report.state, report.message], ['failed', failedMessage]);
        assert.deepEqual(program.backups(), []);
        const page = '/api/pages/00000000-0000-4000-8000-000000000001';
        assert.equal((await program.api('PUT', page, { 'If-Match': '"0"' }, 'still here')).status, 200);
        assert.equal((await program.api('GET', page)).text, 'still here');
        await program.stop();
      } finally {
        spawnSync('umount', [data]);
      }
    });

  test('a copy cut short by a kill leaves no temporary file once the document opens again',
    linuxOnly('a kill under Wine ends the Windows process later'), async () => {
      const dir = freshDir();
      const document = path.join(dir, 'data', 'Ferncard.fcard');
      mkdirSync(path.dirname(document));
      copyFileSync(await defaultDocument(), document);
      sql(document, 'WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40) ' +
        'INSERT INTO images SELECT lower(hex(randomblob(16))), randomblob(1048576), 0 FROM n');
      let program = await open(dir);
      const temp = await waitFor(() => readdirSync(program.backupsFolder).find((n) => n.includes('.tmp-')),
        Boolean, patience(30000));
      program.run.child.kill('SIGKILL');
      await program.stop();
      assert.ok(temp, 'no temporary file seen during the copy');
      assert.ok(program.backups().includes(temp));

      program = await open(dir);
      assert.equal((await program.settled()).state, 'done');
      await program.stop();
      const names = program.backups();
      assert.equal(names.length, 1, names.join(' '));
      assert.equal(sql(path.join(program.backupsFolder, names[0]), 'PRAGMA quick_check'), 'ok');
    });

  // Every spelling reaches the one backups folder; the picker hands the path over as written.
  const spellings = [
    { name: 'data/./backups', folder: (data) => `${data}/./backups` },
    { name: 'data//backups', folder: (data) => `${data}//backups` },
    { name: 'backups/../backups', folder: (data) => `${data}/backups/../backups` },
    {
      name: 'a symbolic link to the folder',
      folder: (data, dir) => {
        symlinkSync(path.join(data, 'backups'), path.join(dir, 'link'));
        return path.join(dir, 'link');
      },
    },
  ];
  for (const spelling of spellings) {
    test(`a backup opened through ${spelling.name} is read-only, is not backed up and never becomes recent`,
      linuxOnly('the scripted picker replaces only the Linux file picker'), async () => {
        const dir = freshDir();
        const data = path.join(dir, 'data');
        const picker = makePicker(path.join(dir, 'picker'));
        let program = await open(dir, { env: picker.env });
        await program.settled();
        const [name] = program.backups();
        const bytes = readFileSync(path.join(program.backupsFolder, name));
        const recent = program.recent();

        picker.answer(path.join(spelling.folder(data, dir), name));
        rmSync(program.ticketFile);
        assert.deepEqual((await program.api('POST', '/api/file/open')).json(), { opened: true, name });
        const backup = await sessionAt(await waitForLaunchAddress(program.ticketFile));
        assert.equal((await backup.status()).readOnly, true);
        assert.equal((await program.status()).readOnly, false);
        const page = '/api/pages/00000000-0000-4000-8000-000000000001';
        const written = await backup.api('PUT', page, { 'If-Match': '"0"' }, 'an edit');
        assert.deepEqual([written.status, written.json()], [403, readOnlyAnswer]);
        assert.equal((await backup.report()).state, 'none');
        await program.stop();
        assert.deepEqual(program.recent(), recent);
        assert.deepEqual(program.backups(), [name]);
        assert.ok(readFileSync(path.join(program.backupsFolder, name)).equals(bytes));

        // The next start opens the user's document again.
        program = await open(dir);
        assert.equal((await program.status()).readOnly, false);
        await program.stop();
      });
  }

  test('every write to a backup is refused with its own answer and changes no byte', async () => {
    const dir = freshDir();
    let program = await open(dir);
    await program.settled();
    await program.stop();
    const [name] = program.backups();
    const backup = path.join(program.backupsFolder, name);
    const bytes = readFileSync(backup);
    program = await open(dir, { document: backup });
    const page = '/api/pages/00000000-0000-4000-8000-000000000001';
    const tree = await program.api('GET', '/api/tree');
    const png = Buffer.from('89504e470d0a1a0a0000000d4948445200000001000000010806000000', 'hex');
    const writes = [
      ['PUT', '/api/tree', { 'If-Match': tree.header('ETag') }, tree.text],
      ['PUT', page, { 'If-Match': '"0"' }, 'an edit'],
      ['DELETE', page, {}],
      ['POST', '/api/images', { 'Content-Type': 'image/png' }, png],
      ['DELETE', `/api/images/${'0'.repeat(32)}`, {}],
    ];
    for (const [method, target, headers, body] of writes) {
      const answer = await program.api(method, target, headers, body);
      assert.deepEqual([answer.status, answer.json()], [403, readOnlyAnswer], `${method} ${target}`);
    }
    assert.equal((await program.api('GET', '/api/tree')).text, tree.text);
    await program.stop();
    assert.ok(readFileSync(backup).equals(bytes));
    assert.deepEqual(program.backups(), [name]);
  });

  test('temporary files that interrupted copies of any document left are removed at start', async () => {
    const dir = freshDir();
    const folder = path.join(dir, 'data', 'backups');
    mkdirSync(folder, { recursive: true });
    const leftovers = ['Other-0123abcd-2026-01-05.fcard.tmp-0123456789ab',
      'Other-0123abcd-2026-01-05.fcard.tmp-0123456789ab-journal', 'Ferncard-89abcdef-2026-02-01.fcard.tmp-ba9876543210'];
    const kept = ['Other-0123abcd-2026-01-04.fcard', 'notes.txt', 'Other.fcard.tmp-mine'];
    for (const name of [...leftovers, ...kept]) writeFileSync(path.join(folder, name), 'x');
    const program = await open(dir);
    for (const name of leftovers) assert.ok(!program.backups().includes(name), name);
    await program.settled();
    await program.stop();
    for (const name of kept) assert.ok(program.backups().includes(name), name);
  });
});

// A new, empty document as the program makes it (made once, by a first start).
let emptyDocument;
async function defaultDocument() {
  if (emptyDocument) return emptyDocument;
  const dir = freshDir();
  const program = await open(dir);
  await program.settled();
  await program.stop();
  emptyDocument = path.join(dir, 'data', 'Ferncard.fcard');
  return emptyDocument;
}
