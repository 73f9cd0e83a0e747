// Runs that start programs of their own: documents held open, searches, denial of service.
import fs from 'node:fs';
import path from 'node:path';
import { here, memoryOf, program, run, row, session, smoke, startProgram, waitFor, work } from './harness.mjs';
import { treeDocument } from './inputs.mjs';

// by a session that reads its status and tree, as a window would.
export async function documentRuns() {
  const count = smoke ? 5 : 20;
  const app = await startProgram('documents');
  await new Promise((resolve) => setTimeout(resolve, 500));
  const idle = memoryOf(app.child.pid, 'VmRSS');
  const source = JSON.parse(await (await app.api('GET', '/api/status')).text()).file;
  let previous = fs.readFileSync(app.ticketFile, 'utf8');
  for (let i = 1; i <= count; i++) {
    const file = path.join(work, `document-${i}.fcard`);
    fs.copyFileSync(source, file);
    await run(program, ['--no-browser', '--data', app.data, file]);
    const launch = await waitFor(() => {
      const text = fs.readFileSync(app.ticketFile, 'utf8');
      return text !== previous && /\?ticket=[0-9a-f]{64}$/.test(text) && text;
    }, 30000, `document ${i} to open`);
    previous = launch;
    const window = await session(launch);
    await window.api('GET', '/api/status');
    await window.api('GET', '/api/tree');
  }
  const open = memoryOf(app.child.pid, 'VmRSS');
  app.child.kill('SIGKILL');
  row('memory', `${count} documents open`, open, 'MiB', 'idle, same process', idle, open / idle, '< 30 MiB', open < 30);
  await bigTreeRuns();
}

// A program of its own holding a 100,000-page tree: written once, then read as windows do at
// start and focus; its peak memory beside the size of the tree itself.
async function bigTreeRuns() {
  const pages = smoke ? 10000 : 100000;
  const app = await startProgram('bigtree');
  const tree = treeDocument(pages / 100, 99);
  const old = await app.api('GET', '/api/tree');
  await app.api('PUT', '/api/tree', tree, { 'If-Match': old.headers.get('etag'), 'Content-Type': 'application/json' });
  for (let i = 0; i < 5; i++) await (await app.api('GET', '/api/tree')).arrayBuffer();
  const peak = memoryOf(app.child.pid, 'VmHWM');
  app.child.kill('SIGKILL');
  const treeMiB = Buffer.byteLength(tree) / 1048576;
  row('memory', `${pages.toLocaleString('en')}-page tree written and read 5 times: peak`, peak, 'MiB',
    'the tree document', treeMiB, peak / treeMiB, '< 60 MiB', peak < 60);
}

// bench/search.mjs in a program of its own: a tiny document in a smoke run.
export async function searchRuns() {
  const [pages, bytes] = smoke ? [200, 1024] : [10000, 10240];
  const output = await run(process.execPath, [path.join(here, 'search.mjs'), String(pages), String(bytes)],
    { FERNCARD_BIN: program });
  const result = JSON.parse(output.trim().split('\n').filter((line) => line.startsWith('{')).pop());
  const name = `GET /api/search, ${pages.toLocaleString('en')} pages of ${bytes / 1024} KB`;
  row('search', `${name}: time per request`, result.searchMs, 'ms', 'sqlite3 shell scan', result.scanMs, result.ratio,
    '< 50 ms', result.met);
  row('search', `${name}: first request after a start, index file from an earlier run`, result.firstMs, 'ms',
    'sqlite3 shell scan', result.scanMs, result.firstMs / result.scanMs, '< 300 ms', result.firstMs < 300);
  row('search', `${name}: first request after a start, no index file yet`, result.firstNoFileMs, 'ms',
    'sqlite3 shell scan', result.scanMs, result.firstNoFileMs / result.scanMs, '—', true);
  // What the program keeps between searches: its resident memory after them less before them.
  const indexMiB = result.rssAfterMiB - result.rssBeforeMiB;
  const bodyMiB = result.bodyBytes / 1048576;
  row('memory', `search index of ${pages.toLocaleString('en')} pages of ${bytes / 1024} KB`, indexMiB, 'MiB',
    'page bodies stored', bodyMiB, indexMiB / bodyMiB, '—', true);
  // CPU time is counted in 10 ms ticks: too coarse for the smoke run.
  if (!smoke) {
    row('search', `${name}: CPU per request`, result.searchCpuMs, 'ms', 'sqlite3 shell scan', result.scanCpuMs,
      result.cpuRatio, '—', true);
  }
}

// bench/denial.mjs in a program of its own: the window's requests while others hold the server.
export async function denialRuns() {
  const output = await run(process.execPath, [path.join(here, 'denial.mjs'), ...(smoke ? ['--smoke'] : [])],
    { FERNCARD_BIN: program });
  const r = JSON.parse(output.trim().split('\n').filter((line) => line.startsWith('{')).pop());
  const rows3 = (what, measured, target, limit) => {
    for (const [name, key] of [['GET /api/status', 'statusMs'], ['GET a page', 'readMs'], ['PUT a page', 'writeMs']]) {
      row('denial', `${name} with ${what}`, measured[key], 'ms', 'idle server', r.idle[key], measured[key] / r.idle[key],
        target, measured[key] < limit(r.idle[key]));
    }
  };
  rows3(`${r.slow.toLocaleString('en')} slow heads open`, r.withSlow, '< 100 ms', () => 100);
  rows3(`${r.unread} peers not reading ${r.unreadBytes / 1e6} MB`, r.withUnread, '< 100 ms', () => 100);
  rows3(`${r.unread} asks for a ${r.unreadBytes / 1e6} MB page just before`, r.behindBig, '≤ idle + 50 ms',
    (idle) => idle + 50);
  rows3(`${r.searches} searches running (${r.searchPages.toLocaleString('en')} pages of ${r.searchBytes / 1000} KB)`,
    r.withSearches, '≤ idle + 50 ms', (idle) => idle + 50);
  row('memory', `${r.unread} peers not reading ${r.unreadBytes / 1e6} MB: resident`, r.unreadRssMiB, 'MiB', '—', NaN, NaN,
    '< 200 MiB', r.unreadRssMiB < 200);
  row('memory', `write of a new ${r.unreadBytes / 1e6} MB page: peak`, r.putPeakMiB, 'MiB', '—', NaN, NaN,
    '< 200 MiB', r.putPeakMiB < 200);
  row('memory', `${r.unread} peers not reading ${r.unreadBytes / 1e6} MB while it is written over: peak`, r.peakRssMiB,
    'MiB', '—', NaN, NaN, '< 200 MiB', r.peakRssMiB < 200);
}
