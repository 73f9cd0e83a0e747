// Search figure: GET /api/search over 10,000 pages of 10 KB each, against a plain SQLite scan of
// the same bodies in the same run. Prints one JSON line (wall and CPU times; the first search after
// a start, both with no index file yet, when it extracts every page's text, and in a second
// program started with the file the first one left; the memory that index takes); the goal is
// searchMs under 50. Linux only: CPU time and memory come from /proc.
//   FERNCARD_BIN=build/ferncard node bench/search.mjs [pages] [bytesPerPage] [query]
// Needs the sqlite3 shell (Debian package sqlite3).
import { execFileSync } from 'node:child_process';
import { existsSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';

import { startProgram, waitFor } from '../tests/support/session.mjs';

const PAGES = Number(process.argv[2] ?? 10000);
const BYTES = Number(process.argv[3] ?? 10240);
const RUNS = 5;
const WORD = 'marmalade';  // in one page of a hundred
const QUERY = process.argv[4] ?? WORD;

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const pageId = (n) => `${n.toString(16).padStart(8, '0')}-0000-4000-8000-${n.toString(16).padStart(12, '0')}`;

// CPU time of a process so far, in milliseconds (user + system, from /proc).
function cpuMs(pid) {
  const fields = readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ');
  return (Number(fields[11]) + Number(fields[12])) * 10;  // clock ticks of 10 ms
}

// Resident memory of a process, in MiB.
function rssMiB(pid) {
  const kib = Number(/VmRSS:\s+(\d+)/.exec(readFileSync(`/proc/${pid}/status`, 'utf8'))[1]);
  return kib / 1024;
}

function sqlite(document, script) {
  return execFileSync('sqlite3', ['-bail', document], { input: script, encoding: 'utf8', maxBuffer: 1 << 26 });
}

// The data folder outlives the first program, so that the second one finds its index file.
const data = path.join(mkdtempSync(path.join(os.tmpdir(), 'ferncard-search-')), 'data');
const indexFolder = path.join(data, 'index');
const indexWritten = () => existsSync(indexFolder) &&
  readdirSync(indexFolder).some((name) => name.endsWith('.index')) &&
  !readdirSync(indexFolder).some((name) => name.endsWith('.tmp'));
const timedSearch = async (app) => {
  const started = process.hrtime.bigint();
  const answer = await app.api('GET', `/api/search?q=${encodeURIComponent(QUERY)}`);
  const ms = Number(process.hrtime.bigint() - started) / 1e6;
  if (answer.status !== 200) throw new Error(`search answered ${answer.status}: ${answer.text}`);
  return { ms, total: JSON.parse(answer.text).total };
};

let program = await startProgram({ data });
try {
  const tree = { schemaVersion: 1, pages: [] };
  for (let n = 0; n < PAGES; n += 1) {
    tree.pages.push({ id: pageId(n), parentId: null, order: n * 1000, title: `Page ${n}`, createdAt: 1, updatedAt: 1,
      deletedAt: n % 50 === 0 ? 2 : null });
  }
  const treeFile = path.join(program.dir, 'tree.json');
  writeFileSync(treeFile, JSON.stringify(tree));
  // Each body repeats one paragraph of markup, with the word in every hundredth page.
  sqlite(program.document, `
    BEGIN;
    INSERT OR REPLACE INTO meta(id, body) VALUES('tree', CAST(readfile('${treeFile}') AS BLOB));
    WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < ${PAGES - 1})
    INSERT OR REPLACE INTO pages(id, body)
    SELECT printf('%08x-0000-4000-8000-%012x', i, i),
           CAST(substr(replace(printf('%.*c', ${Math.ceil(BYTES / 90)}, 'x'), 'x',
             printf('<p style="color: red">Note %d: the <b>quick</b> brown fox &amp; its friends jump over %s.</p>',
                    i, CASE WHEN i % 100 = 7 THEN '${WORD}' ELSE 'the lazy dogs' END)), 1, ${BYTES}) AS BLOB)
    FROM n;
    COMMIT;`);
  const stored = sqlite(program.document, 'SELECT count(*), sum(length(body)) FROM pages;').trim().split('|').map(Number);

  const searchTimes = [];
  let total = 0;
  let cpuStart = 0;
  let firstMs = 0;
  let firstNoFileMs = 0;
  const rssBefore = rssMiB(program.run.child.pid);
  for (let run = 0; run <= RUNS; run += 1) {
    if (run === 1) cpuStart = cpuMs(program.run.child.pid);
    const { ms, total: found } = await timedSearch(program);
    total = found;
    // The first run builds the index and warms the file cache for both sides; the index file is
    // written after it, once.
    if (run > 0) searchTimes.push(ms);
    else firstNoFileMs = ms;
    if (run === 0 && !await waitFor(indexWritten, Boolean, 60000)) throw new Error('no index file was written');
  }
  const rssAfter = rssMiB(program.run.child.pid);
  const searchCpuMs = (cpuMs(program.run.child.pid) - cpuStart) / RUNS;
  // A fresh start of the program, which finds the index file the first one wrote after a search.
  await program.stop();
  program = await startProgram({ data });
  const restarted = await timedSearch(program);
  if (restarted.total !== total) throw new Error(`after a start the search found ${restarted.total}, not ${total}`);
  firstMs = restarted.ms;
  const scan = `SELECT count(*) FROM pages WHERE instr(body, CAST('${QUERY.replace(/'/g, "''")}' AS BLOB)) > 0;\n`;
  const timed = sqlite(program.document, `.timer on\n${scan.repeat(RUNS + 1)}`);
  const runTimes = [...timed.matchAll(/Run Time: real ([0-9.]+) user ([0-9.]+) sys ([0-9.]+)/g)].slice(1);
  const scanTimes = runTimes.map((m) => Number(m[1]) * 1000);
  const scanCpuMs = runTimes.reduce((sum, m) => sum + (Number(m[2]) + Number(m[3])) * 1000, 0) / RUNS;
  const searchMs = median(searchTimes);
  const scanMs = median(scanTimes);
  console.log(JSON.stringify({
    pages: stored[0], bodyBytes: stored[1], query: QUERY, results: total,
    searchMs: Number(searchMs.toFixed(1)), scanMs: Number(scanMs.toFixed(1)),
    ratio: Number((searchMs / scanMs).toFixed(2)), goalMs: 50, met: searchMs < 50,
    firstMs: Number(firstMs.toFixed(1)), firstNoFileMs: Number(firstNoFileMs.toFixed(1)),
    rssBeforeMiB: Number(rssBefore.toFixed(1)), rssAfterMiB: Number(rssAfter.toFixed(1)),
    // CPU time per request on each side: steadier than wall time on a shared machine.
    searchCpuMs: Math.round(searchCpuMs), scanCpuMs: Math.round(scanCpuMs),
    cpuRatio: Number((searchCpuMs / scanCpuMs).toFixed(2)),
  }));
} finally {
  await program.stop();
  rmSync(path.dirname(data), { recursive: true, force: true });
}
