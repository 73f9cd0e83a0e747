// Denial figures: how long the window's own requests take while other peers hold the server —
// 1,000 connections sending their heads a byte at a time, 64 peers that never read a 30 MB
// page (and the same 64 asked for it just before the window's requests), 64 searches at once —
// each against the same request on the same server when idle, in the same run; and the
// program's memory while the unread answers are held and the 30 MB page is written over. Prints
// one JSON line. Linux only: memory comes from /proc.
//   FERNCARD_BIN=build/ferncard node bench/denial.mjs [--smoke]
import { writeFileSync } from 'node:fs';

import { buildRequest } from '../tests/support/http.mjs';
import { openMany, residentMiB } from '../tests/support/launch.mjs';
import { startProgram } from '../tests/support/session.mjs';

const smoke = process.argv.includes('--smoke');
const SLOW = smoke ? 100 : 1000;
const UNREAD = smoke ? 8 : 64;
const UNREAD_BYTES = smoke ? 1e6 : 30e6;
const SEARCHES = smoke ? 8 : 64;
const [SEARCH_PAGES, SEARCH_BYTES] = smoke ? [50, 10000] : [2000, 50000];
const RUNS = smoke ? 3 : 9;
const WAVES = smoke ? 1 : 3;

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const pageId = (n) => `00000000-0000-4000-8000-${String(n).padStart(12, '0')}`;
// Starts the peak (VmHWM) afresh at what is resident now.
const resetPeak = (pid) => writeFileSync(`/proc/${pid}/clear_refs`, '5');

const program = await startProgram();
const time = async (method, target, headers, body) => {
  const started = process.hrtime.bigint();
  const answer = await program.api(method, target, headers, body);
  if (answer.status >= 300) throw new Error(`${method} ${target}: ${answer.status} ${answer.text}`);
  return Number(process.hrtime.bigint() - started) / 1e6;
};
// Median times of a status request, a page read and a page write.
let version = 0;
const measure = async () => {
  const status = [];
  const read = [];
  const write = [];
  for (let run = 0; run < RUNS; run += 1) {
    status.push(await time('GET', '/api/status'));
    read.push(await time('GET', `/api/pages/${pageId(1)}`));
    const tag = (await program.api('GET', `/api/pages/${pageId(1)}`)).header('ETag');
    write.push(await time('PUT', `/api/pages/${pageId(1)}`, { 'If-Match': tag }, `<p>edit ${version += 1}</p>`));
  }
  return { statusMs: median(status), readMs: median(read), writeMs: median(write) };
};
const put = async (target, body, tag = '"0"') => {
  const answer = await program.api('PUT', target, { 'If-Match': tag }, body);
  if (answer.status !== 200) throw new Error(`PUT ${target}: ${answer.status}`);
  return answer.header('ETag');
};

try {
  await put(`/api/pages/${pageId(1)}`, '<p>page</p>');
  const idle = await measure();

  // Slow heads: no cookie needed.
  const slow = await openMany(program.port, SLOW, (socket) => socket.write('GET / HTTP/1.1\r\nX: '));
  const drip = setInterval(() => { for (const socket of slow) socket.write('a'); }, 100);
  const withSlow = await measure();
  clearInterval(drip);
  for (const socket of slow) socket.destroy();

  // Unread answers.
  const pid = program.run.child.pid;
  resetPeak(pid);
  const bigTag = await put(`/api/pages/${pageId(2)}`, `<p>${'x'.repeat(UNREAD_BYTES)}</p>`);
  const putPeakMiB = residentMiB(pid, 'VmHWM');
  const ask = buildRequest('GET', `/api/pages/${pageId(2)}`,
    [['Host', program.host], ['Origin', program.origin], ['Cookie', program.cookie]]);
  const asking = () => openMany(program.port, UNREAD, (socket) => { socket.pause(); socket.write(ask); });
  // The window's three requests sent right behind 64 asks for the big page, each timed on its own.
  const behind = { status: [], read: [], write: [] };
  for (let wave = 0; wave < WAVES; wave += 1) {
    const tag = (await program.api('GET', `/api/pages/${pageId(1)}`)).header('ETag');
    const peers = await asking();
    const [status, read, write] = await Promise.all([
      time('GET', '/api/status'),
      time('GET', `/api/pages/${pageId(1)}`),
      time('PUT', `/api/pages/${pageId(1)}`, { 'If-Match': tag }, `<p>edit ${version += 1}</p>`),
    ]);
    behind.status.push(status);
    behind.read.push(read);
    behind.write.push(write);
    for (const socket of peers) socket.destroy();
  }
  const behindBig = { statusMs: median(behind.status), readMs: median(behind.read), writeMs: median(behind.write) };
  resetPeak(pid);
  const unread = await asking();
  // Large answers go out in the order asked: once one asked after them is read, they are held.
  await program.api('GET', `/api/pages/${pageId(2)}`);
  const withUnread = await measure();
  const unreadRssMiB = residentMiB(pid);
  // The big page written over while the unread answers are held, its old body kept in history.
  await put(`/api/pages/${pageId(2)}?revision=keep`, `<p>${'y'.repeat(UNREAD_BYTES)}</p>`, bigTag);
  const unreadPeakMiB = residentMiB(pid, 'VmHWM');
  for (const socket of unread) socket.destroy();

  // Many searches.
  const tree = await program.api('GET', '/api/tree');
  const pages = Array.from({ length: SEARCH_PAGES }, (_, n) => pageId(1000 + n));
  const entries = pages.map((id) => ({ id, parentId: null, order: 0, title: 'p', createdAt: 1, updatedAt: 1, deletedAt: null }));
  await program.api('PUT', '/api/tree', { 'If-Match': tree.header('ETag') }, JSON.stringify({ schemaVersion: 1, pages: entries }));
  const text = `<p>${'lorem ipsum dolor sit amet '.repeat(Math.ceil(SEARCH_BYTES / 27))}</p>`;
  for (const id of pages) await put(`/api/pages/${id}`, text);
  let searching = true;
  const searches = [];
  // Each of 64 windows searches again 150 ms after its last answer, as typing into the filter does.
  const searchLoop = async (n) => {
    while (searching) {
      await program.api('GET', `/api/search?q=${n % 2 ? 'dolor+sit' : 'amet+lorem'}&window=b${n}`);
      await new Promise((resolve) => setTimeout(resolve, 150));
    }
  };
  for (let n = 0; n < SEARCHES; n += 1) searches.push(searchLoop(n));
  const withSearches = await measure();
  searching = false;
  await Promise.all(searches);

  console.log(JSON.stringify({
    slow: SLOW, unread: UNREAD, unreadBytes: UNREAD_BYTES, searches: SEARCHES,
    searchPages: SEARCH_PAGES, searchBytes: SEARCH_BYTES,
    idle, withSlow, behindBig, withUnread, withSearches,
    unreadRssMiB: Number(unreadRssMiB.toFixed(1)),
    putPeakMiB: Number(putPeakMiB.toFixed(1)),
    peakRssMiB: Number(unreadPeakMiB.toFixed(1)),
  }));
} finally {
  await program.stop();
}
