// A running program with a browser-like session: the ticket traded for the cookie, and requests
// sent as the program's own page would send them.
import assert from 'node:assert/strict';
import path from 'node:path';

import { request } from './http.mjs';
import { freePort, makeTempDir, portOf, removeDir, start, stop, waitForLaunchAddress } from './server.mjs';

export async function startProgram({ env } = {}) {
  const dir = makeTempDir();
  const data = path.join(dir, 'data');
  const ticketFile = path.join(dir, 'ticket');
  const port = await freePort();
  const run = start(['--no-browser', '--data', data, '--port', String(port), '--ticket-file', ticketFile],
    env ? { env } : undefined);
  const address = await waitForLaunchAddress(ticketFile, 5000);
  assert.equal(portOf(address), port, `no launch address; stderr: ${run.stderr}`);
  const program = {
    run, dir, data, port, address,
    document: path.join(data, 'Ferncard.fcard'),
    host: `127.0.0.1:${port}`,
    origin: `http://127.0.0.1:${port}`,
    cookie: '',
    async stop() {
      await stop(run);
      removeDir(dir);
    },
    // A request of the program's own page: its host, origin and cookie, plus the given headers.
    api(method, target, headers = {}, body) {
      const pairs = [['Host', program.host], ['Origin', program.origin], ['Cookie', program.cookie],
        ...Object.entries(headers)];
      return request(port, method, target, pairs, body);
    },
  };
  const ticketTarget = address.slice(`http://127.0.0.1:${port}`.length);
  const answer = await request(port, 'GET', ticketTarget, [['Host', program.host], ['Sec-Fetch-Site', 'none']]);
  assert.equal(answer.status, 302);
  program.cookie = answer.header('Set-Cookie').split(';')[0];
  return program;
}
