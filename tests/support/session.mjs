// A running program with a browser-like session: the ticket traded for the cookie, and requests
// sent as the program's own page would send them.
import assert from 'node:assert/strict';
import { mkdtempSync, rmSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';

import { exitWithin, killFerncard, startFerncard } from './ferncard.mjs';
import { request } from './http.mjs';
import { freePort, waitFor, waitForLaunchAddress } from './launch.mjs';

export { waitFor };

// Starts the program quietly on a free port with a fresh data folder and trades its launch
// ticket for the session cookie. extraEnv is added to the child's environment.
export async function startProgram({ env = {} } = {}) {
  const dir = mkdtempSync(path.join(os.tmpdir(), 'ferncard-api-'));
  const data = path.join(dir, 'data');
  const ticketFile = path.join(dir, 'ticket');
  const port = await freePort();
  const run = startFerncard(['--no-browser', '--data', data, '--port', String(port), '--ticket-file', ticketFile],
    { env });
  const address = await waitForLaunchAddress(ticketFile);
  assert.match(address ?? '', /\?ticket=[0-9a-f]{64}$/, `no launch address; stderr: ${run.stderr()}`);
  const program = {
    run, dir, data, port, address,
    document: path.join(data, 'Ferncard.fcard'),
    host: `127.0.0.1:${port}`,
    origin: `http://127.0.0.1:${port}`,
    cookie: '',
    async stop() {
      run.child.kill('SIGTERM');
      if ((await exitWithin(run, 8000)) === null) await killFerncard(run);
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
