// A running program with a browser-like session: the ticket traded for the cookie, and requests
// sent as the program's own page would send them.
import assert from 'node:assert/strict';
import { chmodSync, mkdtempSync, rmSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';

import { startFerncard } from './ferncard.mjs';
import { request } from './http.mjs';
import { freePort, requestEnd, waitFor, waitForLaunchAddress } from './launch.mjs';

export { waitFor };

// Starts the program quietly on a free port and trades its launch ticket for the session cookie.
// env is added to the child's environment; data is the data folder (a fresh one by default);
// document a document to open; user { uid, gid } runs it as another user.
export async function startProgram({ env = {}, data, document, user } = {}) {
  const dir = mkdtempSync(path.join(os.tmpdir(), 'ferncard-api-'));
  if (user) chmodSync(dir, 0o777);
  data ??= path.join(dir, 'data');
  const ticketFile = path.join(dir, 'ticket');
  const port = await freePort();
  const args = ['--no-browser', '--data', data, '--port', String(port), '--ticket-file', ticketFile];
  const run = startFerncard(document ? [...args, document] : args, { env, user });
  const address = await waitForLaunchAddress(ticketFile);
  assert.match(address ?? '', /\?ticket=[0-9a-f]{64}$/, `no launch address; stderr: ${run.stderr()}`);
  const program = {
    run, dir, data, port, address,
    document: document ?? path.join(data, 'Ferncard.fcard'),
    host: `127.0.0.1:${port}`,
    origin: `http://127.0.0.1:${port}`,
    cookie: '',
    async stop() {
      await requestEnd(run, 8000);
      rmSync(dir, { recursive: true, force: true });
    },
    // A request of the program's own page: its host, origin and cookie, plus the given headers.
    api(method, target, headers = {}, body) {
      const pairs = [['Host', program.host], ['Origin', program.origin], ['Cookie', program.cookie],
        ...Object.entries(headers)];
      return request(port, method, target, pairs, body);
    },
  };
  const answer = await request(port, 'GET', address.slice(program.origin.length),
    [['Host', program.host], ['Sec-Fetch-Site', 'none']]);
  assert.equal(answer.status, 302);
  program.cookie = answer.header('Set-Cookie').split(';')[0];
  return program;
}
