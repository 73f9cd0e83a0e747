// Peers that hold connections or ask a lot never keep the window's own requests from being
// answered: slow heads, answers nobody reads, and many searches at once.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { underWine } from '../support/ferncard.mjs';
import { buildRequest } from '../support/http.mjs';
import { openMany, residentMiB } from '../support/launch.mjs';
import { startProgram, waitFor } from '../support/session.mjs';

const id = (n) => `00000000-0000-4000-8000-${String(n).padStart(12, '0')}`;
const entry = (pageId, title) =>
  ({ id: pageId, parentId: null, order: 0, title, createdAt: 1, updatedAt: 1, deletedAt: null });

describe('denial by slow or greedy peers', () => {
  let program;
  const put = async (target, body, tag = '"0"') => {
    const answer = await program.api('PUT', target, { 'If-Match': tag }, body);
    assert.equal(answer.status, 200, target);
    return answer.header('ETag');
  };
  before(async () => {
    program = await startProgram();
  });
  after(() => program?.stop());

  test('1,000 connections sending their heads a byte at a time: status and a page are answered', async () => {
    const tag = await put(`/api/pages/${id(1)}`, '<p>kept</p>');
    const slow = await openMany(program.port, 1000, (socket) => socket.write('GET / HTTP/1.1\r\nX: '));
    const drip = setInterval(() => { for (const socket of slow) if (!socket.destroyed) socket.write('a'); }, 200);
    try {
      const status = await program.api('GET', '/api/status');
      assert.equal(status.status, 200);
      assert.equal(JSON.parse(status.text).port, program.port);
      const page = await program.api('GET', `/api/pages/${id(1)}`);
      assert.equal(page.text, '<p>kept</p>');
      assert.equal(page.header('ETag'), tag);
      // The slow ones are still held, not dropped to make room.
      assert.equal(slow.filter((socket) => socket.destroyed).length, 0);
    } finally {
      clearInterval(drip);
      for (const socket of slow) socket.destroy();
    }
  });

  // 8 MB rather than 30 keeps the test short on a busy machine; the benchmark reads 30 MB.
  test('64 peers that never read a large page: memory stays bounded and others are answered', async () => {
    const big = `<p>${'x'.repeat(8 * 1000 * 1000)}</p>`;
    await put(`/api/pages/${id(2)}`, big);
    const ask = buildRequest('GET', `/api/pages/${id(2)}`,
      [['Host', program.host], ['Origin', program.origin], ['Cookie', program.cookie]]);
    const idle = await openMany(program.port, 64, (socket) => {
      socket.pause();  // reads nothing
      socket.write(ask);
    });
    try {
      for (let n = 0; n < 3; n += 1) assert.equal((await program.api('GET', '/api/status')).status, 200);
      const tag = await put(`/api/pages/${id(3)}`, '<p>saved</p>');
      assert.equal((await program.api('GET', `/api/pages/${id(3)}`)).header('ETag'), tag);
      if (!underWine) {
        // Far below the 512 MB that 64 whole answers take; the goal itself is in the benchmark.
        const resident = residentMiB(program.run.child.pid);
        assert.ok(resident < 200, `${resident} MiB`);
      }
    } finally {
      for (const socket of idle) socket.destroy();
    }
  });

  test('status, a small page and its save are answered before 64 reads of a large page asked just before', async () => {
    const large = `<p>${'x'.repeat(2 * 1000 * 1000)}</p>`;
    await put(`/api/pages/${id(4)}`, large);
    await put(`/api/pages/${id(5)}`, '<p>small</p>');
    // The save makes a page of its own: sent together, the read and the save may be served in
    // either order. A first body keeps no earlier revision, so the save's time is the document's
    // own write, not a second one to the history file that large reads would run on beside.
    const ask = buildRequest('GET', `/api/pages/${id(4)}`,
      [['Host', program.host], ['Origin', program.origin], ['Cookie', program.cookie]]);
    let answered = 0;  // large answers begun
    let ended = 0;
    const readers = await openMany(program.port, 64, (socket) => {
      socket.once('data', () => { answered += 1; });
      socket.on('end', () => { ended += 1; });  // each answer ends its connection
      socket.write(ask);
    });
    try {
      const [status, page, saved] = await Promise.all([
        program.api('GET', '/api/status').then((answer) => ({ answer, answered })),
        program.api('GET', `/api/pages/${id(5)}`).then((answer) => ({ answer, answered })),
        program.api('PUT', `/api/pages/${id(6)}`, { 'If-Match': '"0"' }, '<p>saved</p>').then((answer) => ({ answer, answered })),
      ]);
      assert.deepEqual([status.answer.status, page.answer.text, saved.answer.status], [200, '<p>small</p>', 200]);
      // In turn behind them, these would wait for at least 48 of the 64 (16 workers).
      for (const { answered: before } of [status, page, saved]) assert.ok(before < 32, `${before} large reads first`);
      await waitFor(() => ended, (count) => count === 64, 60000);
    } finally {
      for (const socket of readers) socket.destroy();
    }
  });

  test('64 searches at once: status and a save are answered meanwhile', async () => {
    const pages = Array.from({ length: 120 }, (_, n) => id(100 + n));
    const tree = await program.api('GET', '/api/tree');
    await put('/api/tree', JSON.stringify({ schemaVersion: 1, pages: pages.map((p) => entry(p, 'page')) }),
      tree.header('ETag'));
    const text = `<p>${'lorem ipsum dolor '.repeat(3000)}</p>`;
    for (const pageId of pages) await put(`/api/pages/${pageId}`, text);

    const searches = Array.from({ length: 64 }, (_, n) =>
      program.api('GET', `/api/search?q=dolor+${n % 8 === 0 ? 'lorem' : 'ipsum'}&window=w${n % 16}`));
    const status = await program.api('GET', '/api/status');
    assert.equal(status.status, 200);
    const saved = await program.api('PUT', `/api/pages/${pages[0]}`, { 'If-Match': '"0"' }, '<p>x</p>');
    assert.equal(saved.status, 412);  // answered: the page already had a body
    const current = await program.api('GET', `/api/pages/${pages[0]}`);
    await put(`/api/pages/${pages[0]}`, '<p>edited</p>', current.header('ETag'));

    const answers = await Promise.all(searches);
    for (const answer of answers) {
      if (answer.status === 409) {
        assert.equal(answer.text, '{"error":"search_replaced","message":""}');
      } else {
        assert.equal(answer.status, 200);
      }
    }
    assert.ok(answers.some((a) => a.status === 200));
    await waitFor(async () => JSON.parse((await program.api('GET', '/api/search?q=edited')).text).total,
      (total) => total === 1, 5000);
  });
});
