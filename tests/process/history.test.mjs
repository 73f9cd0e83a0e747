// Page history: which writes keep the body they replace, what the revisions endpoints answer,
// and that neither a kill nor an unwritable history folder costs a page save.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { chmodSync, chownSync, mkdirSync, mkdtempSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';

import { killFerncard, skipUnderWine } from '../support/ferncard.mjs';
import { sql, startProgram, tagOf, waitFor } from '../support/session.mjs';

const failedMessage = '履歴を保存できませんでした。空き容量と権限をご確認ください。ページは保存されています。';
const isRoot = process.getuid?.() === 0;
const linuxOnly = (reason) => ({ skip: skipUnderWine(reason) });

let pageCount = 0;
const newPageId = () => `00000000-0000-4000-8000-${String(pageCount += 1).padStart(12, '0')}`;

// A page's writes through one program, each sent under the tag of the body last written.
function pageOf(program, id = newPageId()) {
  let tag = '"0"';
  const page = {
    id,
    async put(body, { query = '', expect = 200 } = {}) {
      const answer = await program.api('PUT', `/api/pages/${id}${query}`, { 'If-Match': tag }, body);
      assert.equal(answer.status, expect, answer.text);
      if (answer.status === 200) tag = tagOf(body);
      return answer;
    },
    async revisions() {
      const answer = await program.api('GET', `/api/pages/${id}/revisions`);
      assert.equal(answer.status, 200);
      assert.equal(answer.header('Content-Type'), 'application/json; charset=utf-8');
      return answer.json().revisions;
    },
    async bodies() {
      const bodies = [];
      for (const { id: revision } of await page.revisions()) {
        bodies.push((await program.api('GET', `/api/pages/${id}/revisions/${revision}`)).text);
      }
      return bodies;
    },
  };
  return page;
}

describe('page history of one running program', () => {
  let program;
  before(async () => { program = await startProgram(); });
  after(async () => { await program?.stop(); });

  // Which writes keep is the history's native test (ten minutes to the millisecond, the same
  // bytes, a refused write, an empty body, a purge); here the requests that reach each rule.
  test('which writes keep the replaced body', async () => {
    // Each case starts on a page holding "A" (written over nothing, which keeps nothing).
    const cases = [
      { name: 'the first replacement, then again within ten minutes', steps: [['B'], ['C']], kept: ['A'] },
      { name: 'asked with revision=keep', steps: [['B'], ['C', '?revision=keep']], kept: ['B', 'A'] },
      { name: 'an unknown revision request', steps: [['B', '?revision=always', 400]], kept: [] },
      { name: 'a purge', steps: [['B'], ['purge']], kept: ['B', 'A'] },
    ];
    for (const c of cases) {
      const page = pageOf(program);
      await page.put('A');
      assert.deepEqual(await page.revisions(), [], c.name);
      for (const [body, query = '', expect = 200] of c.steps) {
        if (body === 'purge') assert.equal((await program.api('DELETE', `/api/pages/${page.id}`)).status, 204);
        else assert.equal((await page.put(body, { query, expect })).text.startsWith('{"history"'), false, c.name);
      }
      assert.deepEqual(await page.bodies(), c.kept, c.name);
    }
  });

  test('the list is newest first with id, time and size; bodies come back byte for byte', async () => {
    const page = pageOf(program);
    const bodies = [Buffer.from('<p>first</p>'), Buffer.from([0x3c, 0x70, 0x00, 0xff, 0xfe, 0x0a]),
      Buffer.from('<p>日本語の本文</p>'), Buffer.from('last')];
    const started = Date.now();
    for (const [i, body] of bodies.entries()) await page.put(body, { query: i ? '?revision=keep' : '' });
    const revisions = await page.revisions();
    assert.equal(revisions.length, 3);
    for (const [i, revision] of revisions.entries()) {
      assert.deepEqual(Object.keys(revision), ['id', 'time', 'size']);
      assert.match(revision.id, /^[0-9a-f]{32}$/);
      assert.ok(revision.time >= started - 1000 && revision.time <= Date.now() + 1000, 'time in ms since 1970');
      assert.equal(revision.size, bodies[2 - i].length);
      if (i > 0) assert.ok(revision.time <= revisions[i - 1].time, 'newest first');
      const answer = await program.api('GET', `/api/pages/${page.id}/revisions/${revision.id}`);
      assert.equal(answer.status, 200);
      assert.equal(answer.header('Content-Type'), 'text/html; charset=utf-8');
      assert.deepEqual(answer.body, bodies[2 - i]);
    }
    assert.equal(new Set(revisions.map((r) => r.id)).size, 3);
  });

  // Paths of the wrong shape and other methods are the routing table's (api.test.mjs); the gate
  // is the same for every path (gate.test.mjs).
  test('unknown revisions, and revisions of another page, are 404', async () => {
    const page = pageOf(program);
    await page.put('A');
    await page.put('B');
    const [{ id: revision }] = await page.revisions();
    assert.deepEqual(await pageOf(program).revisions(), [], 'a page without revisions');
    for (const target of [`/api/pages/${page.id}/revisions/${'0'.repeat(32)}`, `/api/pages/${newPageId()}/revisions/${revision}`,
      `/api/pages/${page.id}/revisions/${revision.toUpperCase()}`, `/api/pages/${page.id}/revisions/${revision}0`]) {
      const answer = await program.api('GET', target);
      assert.equal(answer.status, 404, target);
      assert.equal(answer.text, '{"error":"not_found","message":""}', target);
    }
  });

  test('the images of kept bodies are listed for image clean-up', async () => {
    const [a, b] = ['a'.repeat(32), '0123456789abcdef'.repeat(2)];
    const page = pageOf(program);
    await page.put(`<p><img src="/api/images/${a}"><img src="/api/images/${b}"></p>`);
    await page.put(`<p><img src="/api/images/${b}"><img src="/api/images/${'z'.repeat(32)}"></p>`);
    const listed = (await program.api('GET', '/api/history/images')).json().images;
    assert.ok(listed.includes(a) && listed.includes(b), JSON.stringify(listed));
    assert.ok(listed.every((id) => /^[0-9a-f]{32}$/.test(id)));
  });
});

describe('history across programs and documents', () => {
  test('revisions stay after a restart, documents of one name keep their own, the document is unchanged',
    async () => {
      const dir = mkdtempSync(path.join(os.tmpdir(), 'ferncard-history-'));
      const data = path.join(dir, 'data');
      const documents = ['one', 'two'].map((folder) => path.join(dir, folder, 'Notes.fcard'));
      try {
        let program = await startProgram({ data });
        await program.stop();
        for (const document of documents) {
          mkdirSync(path.dirname(document));
          spawnSync('cp', [path.join(data, 'Ferncard.fcard'), document]);
        }
        const id = newPageId();
        for (const [i, document] of documents.entries()) {
          program = await startProgram({ data, document });
          const page = pageOf(program, id);
          await page.put(`old ${i}`);
          await page.put(`new ${i}`);
          await program.stop();
        }
        const names = readdirSync(path.join(data, 'history')).sort();
        assert.equal(names.length, 2);
        for (const name of names) assert.match(name, /^Notes-[0-9a-f]{8}\.history$/);
        for (const [i, document] of documents.entries()) {
          program = await startProgram({ data, document });
          assert.deepEqual(await pageOf(program, id).bodies(), [`old ${i}`], 'after a restart, its own');
          await program.stop();
          // A table the history added to the document would have refused this start.
          assert.equal(sql(document, 'PRAGMA user_version; PRAGMA application_id; PRAGMA integrity_check'),
            '1\n1178948174\nok');
        }
      } finally {
        rmSync(dir, { recursive: true, force: true });
      }
    });

  test('killed during a stream of writes, both the document and the history open and read',
    linuxOnly('a signal ends only Wine\'s starter'), async () => {
      const dir = mkdtempSync(path.join(os.tmpdir(), 'ferncard-history-kill-'));
      const data = path.join(dir, 'data');
      try {
        for (let round = 0; round < 3; round += 1) {
          const program = await startProgram({ data });
          const page = pageOf(program, '00000000-0000-4000-8000-00000000abcd');
          const current = await program.api('GET', `/api/pages/${page.id}`);
          let tag = current.header('ETag');
          let written = 0;
          const writes = (async () => {
            for (;;) {
              const body = `<p>round ${round} write ${written}</p>${'x'.repeat(20000)}`;
              let answer;
              try {
                answer = await program.api('PUT', `/api/pages/${page.id}?revision=keep`, { 'If-Match': tag }, body);
              } catch {
                return;  // the program is gone
              }
              if (answer.status !== 200) return;
              tag = tagOf(body);
              written += 1;
            }
          })();
          // Killed at a different point of the stream each round, with a write in flight.
          await waitFor(() => written, (n) => n >= 5 + round * 7, 30000);
          await killFerncard(program.run);
          await writes;
          rmSync(program.dir, { recursive: true, force: true });
          const history = path.join(data, 'history');
          for (const file of [path.join(data, 'Ferncard.fcard'), ...readdirSync(history)
            .filter((name) => name.endsWith('.history')).map((name) => path.join(history, name))]) {
            assert.equal(sql(file, 'PRAGMA integrity_check'), 'ok', file);
          }
          const again = await startProgram({ data });
          assert.ok((await pageOf(again, page.id).bodies()).length > 0);
          await again.stop();
        }
      } finally {
        rmSync(dir, { recursive: true, force: true });
      }
    });
});

describe('a history that cannot be written', linuxOnly('file modes and mounts are Linux\'s'), () => {
  // Each way the history folder or file can refuse; every save still succeeds and says so.
  const cases = [
    {
      name: 'a damaged history file',
      damage: (history) => readdirSync(history).forEach((name) => writeFileSync(path.join(history, name), 'not a database')),
      repair: (history) => readdirSync(history).forEach((name) => rmSync(path.join(history, name))),
    },
    {
      name: 'a read-only history folder',
      skip: isRoot ? false : 'needs root to run the program as another user',
      user: { uid: 65534, gid: 65534 },
      damage: (history) => {
        readdirSync(history).forEach((name) => chmodSync(path.join(history, name), 0o444));
        chmodSync(history, 0o555);
      },
      repair: (history) => {
        chmodSync(history, 0o755);
        readdirSync(history).forEach((name) => chmodSync(path.join(history, name), 0o644));
      },
    },
    {
      name: 'a full history folder',
      skip: isRoot ? false : 'needs a tmpfs mount (root)',
      mount: true,
      damage: (history) => {
        try { writeFileSync(path.join(history, 'filler'), Buffer.alloc(8 << 20)); } catch (error) { assert.equal(error.code, 'ENOSPC'); }
      },
      repair: (history) => rmSync(path.join(history, 'filler')),
    },
  ];
  for (const c of cases) {
    test(`${c.name}: saves work, each says the history failed, and keeping works again once repaired`,
      { skip: c.skip ?? false }, async (t) => {
        const dir = mkdtempSync(path.join(os.tmpdir(), 'ferncard-history-fault-'));
        const data = path.join(dir, 'data');
        const history = path.join(data, 'history');
        mkdirSync(history, { recursive: true });
        t.after(() => {
          if (c.mount) spawnSync('umount', [history]);
          chmodSync(history, 0o777);
          rmSync(dir, { recursive: true, force: true });
        });
        if (c.mount) assert.equal(spawnSync('mount', ['-t', 'tmpfs', '-o', 'size=1m', 'tmpfs', history]).status, 0);
        if (c.user) {
          chmodSync(dir, 0o755);
          chownSync(data, c.user.uid, c.user.gid);
          chownSync(history, c.user.uid, c.user.gid);
        }
        const program = await startProgram({ data, user: c.user });
        try {
          const page = pageOf(program);
          await page.put('A');
          await page.put('B');  // a history file now exists
          c.damage(history);
          for (const body of ['C', 'D']) {
            const answer = await page.put(`${body}${'y'.repeat(300000)}`, { query: '?revision=keep' });
            assert.equal(answer.text, JSON.stringify({ history: 'failed', message: failedMessage }));
          }
          assert.equal((await program.api('GET', `/api/pages/${page.id}`)).text, `D${'y'.repeat(300000)}`);
          c.repair(history);
          assert.equal((await page.put('E', { query: '?revision=keep' })).text, '{}');
          assert.equal((await page.bodies())[0], `D${'y'.repeat(300000)}`);
        } finally {
          await program.stop();
        }
      });
  }
});
