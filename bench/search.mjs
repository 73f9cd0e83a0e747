// Search figure: GET /api/search over 10,000 pages of 10 KB each, against a plain SQLite scan of
// the same bodies in the same run. Prints one JSON line; the goal is searchMs under 200.
//   FERNCARD_BIN=build/ferncard node bench/search.mjs [pages] [bytesPerPage]
// Needs the sqlite3 shell (Debian package sqlite3).
import { execFileSync } from 'node:child_process';
import { writeFileSync } from 'node:fs';
import path from 'node:path';

import { startProgram } from '../tests/support/session.mjs';

const PAGES = Number(process.argv[2] ?? 10000);
const BYTES = Number(process.argv[3] ?? 10240);
const RUNS = 5;
const WORD = 'marmalade';  // in one page of a hundred

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const pageId = (n) => `${n.toString(16).padStart(8, '0')}-0000-4000-8000-${n.toString(16).padStart(12, '0')}`;

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
  for (let run = 0; run <= RUNS; run += 1) {
    const started = process.hrtime.bigint();
    const answer = await program.api('GET', `/api/search?q=${WORD}`);
    const ms = Number(process.hrtime.bigint() - started) / 1e6;
    if (answer.status !== 200) throw new Error(`search answered ${answer.status}: ${answer.text}`);
    total = JSON.parse(answer.text).total;
    if (run > 0) searchTimes.push(ms);  // the first run warms the file cache for both sides
  }
  const scan = `SELECT count(*) FROM pages WHERE instr(body, CAST('${WORD}' AS BLOB)) > 0;\n`;
  const timed = sqlite(program.document, `.timer on\n${scan.repeat(RUNS + 1)}`);
  const scanTimes = [...timed.matchAll(/Run Time: real ([0-9.]+)/g)].map((m) => Number(m[1]) * 1000).slice(1);
  const searchMs = median(searchTimes);
  const scanMs = median(scanTimes);
  console.log(JSON.stringify({
    pages: stored[0], bodyBytes: stored[1], query: WORD, results: total,
    searchMs: Number(searchMs.toFixed(1)), scanMs: Number(scanMs.toFixed(1)),
    ratio: Number((searchMs / scanMs).toFixed(2)), goalMs: 200, met: searchMs < 200,
  }));
} finally {
  await program.stop();
}
