// Runs the benchmark and prints a Markdown table (also written to bench/results.md): every figure
// beside a baseline measured in the same run. Options: --smoke (a few seconds, small inputs),
// --seconds N (per load run), --only server|client, --out FILE. FERNCARD_BIN names the program (default build/ferncard).
// The search rows need the sqlite3 shell.
// Each area's runs live in a module of their own; harness.mjs holds what they share.
import fs from 'node:fs';
import path from 'node:path';
import { bareStartupRuns, bareTreeRuns } from './bare.mjs';
import { historyRuns } from './history.mjs';
import { importRows, importTimings } from './import.mjs';
import { sanitizeAndExportRuns } from './export.mjs';
import { here, inBrowser, memoryOf, openWindow, option, program, row, run, smoke, startProgram, table, TIMEOUT_MS,
  tool } from './harness.mjs';
import { pageHtml, pageIdOf } from './inputs.mjs';
import { openPageRuns, pasteRuns, startupRuns } from './pages.mjs';
import { documentRuns, denialRuns, searchRuns } from './programs.mjs';
import { serverRuns } from './store.mjs';
import { treeRuns } from './tree.mjs';

const out = path.resolve(option('--out', path.join(here, 'results.md')));

async function clientRuns(app, large) {
  // A small tree, so that the window opens quickly for the page and sanitizer runs.
  const current = await app.api('GET', '/api/tree');
  const pages = [1, 2].map((n) => ({ id: pageIdOf(n), parentId: null, order: n * 1000, title: `ページ ${n}`,
    createdAt: 1700000000000, updatedAt: 1700000000000, deletedAt: null }));
  await app.api('PUT', '/api/tree', JSON.stringify({ schemaVersion: 1, pages }),
    { 'If-Match': current.headers.get('etag'), 'Content-Type': 'application/json' });

  await treeRuns(app);
  await bareTreeRuns(app);
  await openPageRuns(app, large);
  await pasteRuns(app);
  await sanitizeAndExportRuns(app);

  const folder = smoke ? { notes: 50, pictures: 10 } : { notes: 1000, pictures: 200 };
  const imported = await inBrowser(app, async (page) => {
    await openWindow(page, app);
    return importTimings(page, folder);
  }, 6 * TIMEOUT_MS);
  importRows(row, folder, imported);
}

// ---- main ----

try {
  for (const needed of [program, tool]) if (!fs.existsSync(needed)) throw new Error(`missing ${needed}: build it first (bench/run.sh does)`);
  const app = await startProgram();
  await new Promise((resolve) => setTimeout(resolve, 500));
  row('memory', 'idle after start', memoryOf(app.child.pid, 'VmRSS'), 'MiB', '—', NaN, NaN, '< 10 MiB',
    memoryOf(app.child.pid, 'VmRSS') < 10);
  // --only server|client runs one half (the client half still writes its page through the program).
  const only = option('--only', '');
  if (only !== 'server') {
    await startupRuns(app);
    await bareStartupRuns(app);
  }
  let large = pageHtml(smoke ? 20000 : 1024 * 1024);
  if (only !== 'client') ({ large } = await serverRuns(app));
  else await app.api('PUT', `/api/pages/${pageIdOf(2)}`, large, { 'If-Match': '"0"', 'Content-Type': 'text/plain; charset=utf-8' });
  if (only !== 'server') await clientRuns(app, large);
  if (only !== 'client') await searchRuns();
  if (only !== 'client') await historyRuns({ startProgram, smoke, row, run, pageHtml, pageIdOf });
  if (only !== 'client') await denialRuns();
  await documentRuns();
  const text = table();
  fs.writeFileSync(out, text);
  process.stdout.write(text);
  process.exit(0);
} catch (error) {
  // The rows measured before the failure are still worth having.
  const text = table();
  fs.writeFileSync(out, text);
  process.stdout.write(text);
  console.error('bench: ' + (error && error.stack ? error.stack : error));
  process.exit(1);
}
