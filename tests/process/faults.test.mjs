// Faults around a running program: killed while writing, a full disk, a read-only document, the
// document replaced or removed behind its back. Nothing acknowledged is ever lost.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import {
  chmodSync, chownSync, copyFileSync, existsSync, mkdirSync, mkdtempSync, readdirSync, renameSync,
  rmSync, writeFileSync,
} from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { describe, test } from 'node:test';

import { killFerncard, runFerncard, skipUnderWine } from '../support/ferncard.mjs';
import { freePort } from '../support/launch.mjs';
import { digest, sql, startProgram, tagOf } from '../support/session.mjs';

const storeError = JSON.stringify({
  error: 'store_error',
  message: 'ファイルに保存できません。ファイルが移動または削除されていないか、空き容量と権限をご確認ください。',
});
const pageIds = ['0f8fad5b-d9cb-469f-a165-70867728950e', '7c9e6679-7425-40de-944b-e07fc1f90ae7'];
const png = (label, size = 0) => Buffer.concat([Buffer.from('89504e470d0a1a0a', 'hex'), Buffer.from(label),
  Buffer.alloc(size, label.length)]);
const isRoot = process.getuid?.() === 0;

// A body of about size bytes that names its writer and its number.
const body = (label, n, size) => Buffer.concat([Buffer.from(`<p>${label} ${n}</p>`), Buffer.alloc(size, 0x61 + (n % 26))]);

// Each request, answered with store_error.
async function assertStoreErrors(program, requests) {
  for (const [method, target, headers, sent] of requests) {
    const answer = await program.api(method, target, headers, sent);
    assert.equal(answer.status, 500, `${method} ${target}`);
    assert.equal(answer.text, storeError);
  }
}
const everyOperation = [
  ['GET', '/api/tree', {}], ['PUT', '/api/tree', { 'If-Match': '"0"' }, '{}'], ['GET', `/api/pages/${pageIds[0]}`, {}],
  ['PUT', `/api/pages/${pageIds[0]}`, { 'If-Match': '"0"' }, 'x'], ['POST', '/api/images', {}, png('x')], ['GET', '/api/images', {}],
];

describe('killed in the middle of writes', { skip: skipUnderWine('a signal ends only Wine\'s starter') }, () => {
  test('the document opens after each kill with every record at its last acknowledged or in-flight version',
    async () => {
      const dir = mkdtempSync(path.join(os.tmpdir(), 'ferncard-kill-'));
      const data = path.join(dir, 'data');
      // What each record may hold: its last acknowledged body and any body in flight at the kill.
      const records = new Map([['/api/tree', { acked: null, inFlight: [] }],
        ...pageIds.map((id) => [`/api/pages/${id}`, { acked: null, inFlight: [] }])]);
      const images = new Map();  // acknowledged id -> bytes
      try {
        for (let round = 0; round < 4; round += 1) {
          const program = await startProgram({ data });
          for (const [target, record] of records) {
            const read = await program.api('GET', target);
            assert.equal(read.status, 200, target);
            const allowed = [record.acked, ...record.inFlight].map((b) => (b ?? Buffer.alloc(0)).toString('latin1'));
            if (target === '/api/tree' && record.acked === null) allowed.push('{"schemaVersion":1,"pages":[]}');
            assert.ok(allowed.includes(read.body.toString('latin1')), `${target} after round ${round}`);
            record.acked = read.body;
            record.inFlight = [];
          }
          for (const [id, bytes] of images) assert.deepEqual((await program.api('GET', `/api/images/${id}`)).body, bytes);

          // Writers in parallel; the kill comes after a chosen number of acknowledged writes.
          const killAfter = 6 + Math.floor(Math.random() * 20);
          let acknowledged = 0;
          let killed = false;
          const acknowledge = () => {
            acknowledged += 1;
            if (acknowledged >= killAfter && !killed) {
              killed = true;
              program.run.child.kill('SIGKILL');
            }
          };
          const writeRecord = async (target, label, size) => {
            const record = records.get(target);
            let tag = (await program.api('GET', target)).header('ETag');
            for (let n = 0; !killed; n += 1) {
              const next = target === '/api/tree' ? Buffer.from(`{"round":${round},"n":${n}}`) : body(label, n, size);
              record.inFlight.push(next);
              const answer = await program.api('PUT', target, { 'If-Match': tag }, next).catch(() => null);
              if (answer?.status !== 200) return;
              record.acked = next;
              record.inFlight = [];
              tag = answer.header('ETag');
              acknowledge();
            }
          };
          const uploadImages = async () => {
            for (let n = 0; !killed; n += 1) {
              const bytes = png(`round ${round} image ${n}`, 200000);
              const answer = await program.api('POST', '/api/images', {}, bytes).catch(() => null);
              if (answer?.status !== 201) return;
              images.set(answer.json().id, bytes);
              acknowledge();
            }
          };
          await Promise.all([writeRecord('/api/tree', 'tree', 0), writeRecord(`/api/pages/${pageIds[0]}`, 'a', 300000),
            writeRecord(`/api/pages/${pageIds[1]}`, 'b', 50000), uploadImages()]);
          assert.ok(killed, 'the writers stopped before the kill');
          await killFerncard(program.run);
          await program.stop();
        }
      } finally {
        rmSync(dir, { recursive: true, force: true });
      }
    });
});

describe('a full disk', { skip: skipUnderWine('the small file system is mounted on the Linux side') }, () => {
  // A 3 MiB tmpfs where mounting is allowed; elsewhere the test is skipped and says why.
  const mount = mkdtempSync(path.join(os.tmpdir(), 'ferncard-full-'));
  const mounted = isRoot && spawnSync('mount', ['-t', 'tmpfs', '-o', 'size=3m', 'tmpfs', mount]).status === 0;
  if (!mounted) rmSync(mount, { recursive: true, force: true });
  const fill = () => {
    const filler = path.join(mount, `filler-${readdirSync(mount).length}`);
    try { writeFileSync(filler, Buffer.alloc(8 << 20)); } catch (error) { assert.equal(error.code, 'ENOSPC'); }
    return filler;
  };

  test('writes fail with store_error, what is stored reads back, and writing works again once space is freed',
    { skip: mounted ? false : 'needs a tmpfs mount (root)' }, async (t) => {
      t.after(() => {
        spawnSync('umount', [mount]);
        rmSync(mount, { recursive: true, force: true });
      });
      const data = path.join(mount, 'data');
      const program = await startProgram({ data });
      try {
        const page = `/api/pages/${pageIds[0]}`;
        const stored = body('kept', 1, 100000);
        assert.equal((await program.api('PUT', page, { 'If-Match': '"0"' }, stored)).status, 200);
        const image = png('kept', 50000);
        const { id } = (await program.api('POST', '/api/images', {}, image)).json();

        const filler = fill();
        await assertStoreErrors(program, [
          ['PUT', page, { 'If-Match': tagOf(stored) }, body('lost', 2, 400000)],
          ['PUT', `/api/pages/${pageIds[1]}`, { 'If-Match': '"0"' }, body('lost', 3, 400000)],
          ['POST', '/api/images', {}, png('lost', 400000)],
        ]);
        assert.deepEqual((await program.api('GET', page)).body, stored);
        assert.deepEqual((await program.api('GET', `/api/images/${id}`)).body, image);
        assert.equal((await program.api('GET', `/api/pages/${pageIds[1]}`)).body.length, 0);

        rmSync(filler);
        const again = body('again', 4, 400000);
        assert.equal((await program.api('PUT', page, { 'If-Match': tagOf(stored) }, again)).status, 200);
        assert.deepEqual((await program.api('GET', page)).body, again);
      } finally {
        await program.stop();
      }

      // A start that has to create its document on the full disk ends with its message and
      // leaves no temporary file behind.
      rmSync(data, { recursive: true, force: true });
      mkdirSync(data);
      fill();
      const ended = await runFerncard(['--no-browser', '--data', data, '--port', String(await freePort())]);
      assert.notEqual(ended.code, 0);
      assert.equal(ended.signal, null);
      assert.match(ended.stderr, /データフォルダーにファイルを作成できません。空き容量と権限をご確認ください。/);
      assert.deepEqual(readdirSync(data).filter((name) => name !== 'recent.txt'), []);
    });
});

describe('a read-only document and folder', { skip: skipUnderWine('file modes are Linux\'s') }, () => {
  test('reads work, writes fail with store_error, and both work once writing is allowed again', async () => {
    const dir = mkdtempSync(path.join(os.tmpdir(), 'ferncard-readonly-'));
    const folder = path.join(dir, 'notes');
    const data = path.join(dir, 'data');
    mkdirSync(folder);
    mkdirSync(data);
    // Root writes anyway: the program then runs as an ordinary user, for whom the modes hold.
    const user = isRoot ? { uid: 65534, gid: 65534 } : undefined;
    if (user) {
      chmodSync(dir, 0o755);
      chownSync(data, user.uid, user.gid);
    }
    const document = path.join(folder, 'notes.fcard');
    let program = await startProgram({ data, user });
    try {
      await program.stop();
      copyFileSync(program.document, document);
      const page = `/api/pages/${pageIds[0]}`;
      const stored = body('kept', 1, 1000);
      chmodSync(folder, 0o777);
      chmodSync(document, 0o666);
      program = await startProgram({ data, user, document });
      assert.equal((await program.api('PUT', page, { 'If-Match': '"0"' }, stored)).status, 200);

      chmodSync(document, 0o444);
      chmodSync(folder, 0o555);
      const before = digest(document);
      await assertStoreErrors(program, [
        ['PUT', page, { 'If-Match': tagOf(stored) }, 'lost'], ['PUT', '/api/tree', { 'If-Match': '"0"' }, '{}'],
        ['POST', '/api/images', {}, png('lost')], ['DELETE', page, {}],
      ]);
      assert.deepEqual((await program.api('GET', page)).body, stored);
      assert.equal((await program.api('GET', '/api/images')).status, 200);
      assert.equal(digest(document), before);

      chmodSync(folder, 0o777);
      chmodSync(document, 0o666);
      assert.equal((await program.api('PUT', page, { 'If-Match': tagOf(stored) }, 'again')).status, 200);
      assert.equal((await program.api('GET', page)).text, 'again');
    } finally {
      await program.stop();
      chmodSync(folder, 0o777);
      rmSync(dir, { recursive: true, force: true });
    }
  });
});

// The program keeps a verified connection between requests; each use checks again what opening
// checked, so another program's work on the file is seen at once and a changed file is refused.
describe('another program at the document between requests', () => {
  const target = `/api/pages/${pageIds[0]}`;

  test('a write in place is read at the next request, and a write under the old tag conflicts',
    { skip: skipUnderWine('the sqlite3 shell is Linux\'s') }, async () => {
      const program = await startProgram();
      try {
        assert.equal((await program.api('PUT', target, { 'If-Match': '"0"' }, 'mine')).status, 200);
        assert.equal((await program.api('GET', target)).text, 'mine');
        sql(program.document, `UPDATE pages SET body = CAST('theirs' AS BLOB) WHERE id = '${pageIds[0]}'`);
        const read = await program.api('GET', target);
        assert.deepEqual([read.text, read.header('ETag')], ['theirs', tagOf('theirs')]);
        assert.equal((await program.api('PUT', target, { 'If-Match': tagOf('mine') }, 'late')).status, 412);
      } finally {
        await program.stop();
      }
    });

  // How the file at the document's path changes while the program keeps its connection; after
  // each, every store operation answers 500 store_error and the file is never written.
  const changes = [
    ['a copy with the same records put in its place', (program) => {
      const copy = path.join(program.dir, 'copy.fcard');
      copyFileSync(program.document, copy);
      renameSync(copy, program.document);
    }],
    ['its tables changed', (program) => sql(program.document, 'CREATE TABLE extra(x)'), skipUnderWine('the sqlite3 shell is Linux\'s')],
    ['removed', (program) => rmSync(program.document)],
  ];
  for (const [name, change, skip = false] of changes) {
    test(`the document ${name}: refused and never written`, { skip }, async () => {
      const program = await startProgram();
      try {
        assert.equal((await program.api('PUT', target, { 'If-Match': '"0"' }, 'mine')).status, 200);
        assert.equal((await program.api('GET', target)).text, 'mine');
        change(program);
        const after = existsSync(program.document) ? digest(program.document) : null;
        await assertStoreErrors(program, [['PUT', target, { 'If-Match': tagOf('mine') }, 'x'], ...everyOperation]);
        assert.equal(existsSync(program.document) ? digest(program.document) : null, after, 'not written, nor made again');
      } finally {
        await program.stop();
      }
    });
  }
});
