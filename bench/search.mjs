// Search figure: GET /api/search over 10,000 pages of 10 KB each, against a plain SQLite scan of
// the same bodies in the same run. Prints one JSON line (wall and CPU times, the first search that
// builds the program's index of page text, and the memory that index takes); the goal is searchMs
// under 200. Linux only: CPU time and memory come from /proc.
//   FERNCARD_BIN=build/ferncard node bench/search.mjs [pages] [bytesPerPage] [query]
// Needs the sqlite3 shell (Debian package sqlite3).
import { execFileSync } from 'node:child_process';
import { readFileSync, writeFileSync } from 'node:fs';
import path from 'node:path';

import { startProgram } from '../tests/support/session.mjs';

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

const program = await startProgram();
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
  const rssBefore = rssMiB(program.run.child.pid);
  for (let run = 0; run <= RUNS; run += 1) {
    if (run === 1) cpuStart = cpuMs(program.run.child.pid);
    const started = process.hrtime.bigint();
    const answer = await program.api('GET', `/api/search?q=${encodeURIComponent(QUERY)}`);
    const ms = Number(process.hrtime.bigint() - started) / 1e6;
    if (answer.status !== 200) throw new Error(`search answered ${answer.status}: ${answer.text}`);
    total = JSON.parse(answer.text).total;
    // The first run builds the index and warms the file cache for both sides.
    if (run > 0) searchTimes.push(ms);
    else firstMs = ms;
  }
  const rssAfter = rssMiB(program.run.child.pid);
  const searchCpuMs = (cpuMs(program.run.child.pid) - cpuStart) / RUNS;
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
    ratio: Number((searchMs / scanMs).toFixed(2)), goalMs: 200, met: searchMs < 200,
    firstMs: Number(firstMs.toFixed(1)),
    rssBeforeMiB: Number(rssBefore.toFixed(1)), rssAfterMiB: Number(rssAfter.toFixed(1)),
    // CPU time per request on each side: steadier than wall time on a shared machine.
    searchCpuMs: Math.round(searchCpuMs), scanCpuMs: Math.round(scanCpuMs),
    cpuRatio: Number((searchCpuMs / scanCpuMs).toFixed(2)),
  }));
} finally {
  await program.stop();
}
