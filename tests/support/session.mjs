// A running program with a browser-like session: the ticket traded for the cookie, and requests
// sent as the program's own page would send them.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { createHash } from 'node:crypto';
import { chmodSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';

import { killFerncard, startFerncard } from './ferncard.mjs';
import { request } from './http.mjs';
import { freePort, requestEnd, waitFor, waitForLaunchAddress } from './launch.mjs';

export { waitFor };

// The version tag the program gives a body, as it appears in ETag and If-Match.
export const tagOf = (bytes) => `"${createHash('sha256').update(bytes).digest('hex').slice(0, 32)}"`;
// The program's error answer.
export const envelope = (code, message = '') => JSON.stringify({ error: code, message });
// The SHA-256 of a file, to show that it was not written.
export const digest = (file) => createHash('sha256').update(readFileSync(file)).digest('hex');

// Runs an SQL statement on a file with the sqlite3 shell; its output, trimmed.
export function sql(file, statement) {
  const result = spawnSync('sqlite3', [file, statement], { encoding: 'utf8' });
  assert.equal(result.status, 0, result.stderr);
  return result.stdout.trim();
}

// Starts the program quietly on a free port and waits for its launch address. Options: document
// (a document path argument), env (added to its environment), data (the data folder; a fresh
// one by default), user ({ uid, gid } to run it as another user).
export async function launchProgram({ document, env = {}, data, user } = {}) {
  const dir = mkdtempSync(path.join(os.tmpdir(), 'ferncard-'));
  if (user) chmodSync(dir, 0o777);
  data ??= path.join(dir, 'data');
  const ticketFile = path.join(dir, 'ticket');
  const port = await freePort();
  const args = ['--no-browser', '--data', data, '--port', String(port), '--ticket-file', ticketFile];
  if (document) args.push(document);
  const run = startFerncard(args, { env, user });
  const address = await waitForLaunchAddress(ticketFile, 15000);
  if (!/\?ticket=[0-9a-f]{64}$/.test(address ?? '')) {
    await killFerncard(run);
    throw new Error(`no launch address; stderr: ${run.stderr()}`);
  }
  return {
    run, dir, data, dataDir: data, ticketFile, port, address,
    document: document ?? path.join(data, 'Ferncard.fcard'),
    host: `127.0.0.1:${port}`,
    origin: `http://127.0.0.1:${port}`,
    // The address most recently written: the program rewrites the file for every window it opens.
    launchAddress: () => readFileSync(ticketFile, 'utf8'),
    async stop() {
      await requestEnd(run, 8000);
      rmSync(dir, { recursive: true, force: true });
    },
  };
}

// launchProgram, with the launch ticket traded for the session cookie.
export async function startProgram(options) {
  const program = await launchProgram(options);
  program.cookie = '';
  // A request of the program's own page: its host, origin and cookie, plus the given headers.
  program.api = (method, target, headers = {}, body) => {
    const pairs = [['Host', program.host], ['Origin', program.origin], ['Cookie', program.cookie],
      ...Object.entries(headers)];
    return request(program.port, method, target, pairs, body);
  };
  const answer = await request(program.port, 'GET', program.address.slice(program.origin.length),
    [['Host', program.host], ['Sec-Fetch-Site', 'none']]);
  assert.equal(answer.status, 302);
  program.cookie = answer.header('Set-Cookie').split(';')[0];
  return program;
}
