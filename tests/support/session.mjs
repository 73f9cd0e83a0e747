// A running program with a browser-like session: the ticket traded for the cookie, and requests
// sent as the program's own page would send them.
import assert from 'node:assert/strict';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';

import { exitWithin, killFerncard, startFerncard } from './ferncard.mjs';
import { request } from './http.mjs';

// A port that was free a moment ago on 127.0.0.1.
export function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

// Polls read() until accept() takes its value or ms pass; returns the last value.
export async function waitFor(read, accept, ms = 5000) {
  const until = Date.now() + ms;
  for (;;) {
    let value;
    try { value = read(); } catch { value = undefined; }
    if (accept(value) || Date.now() >= until) return value;
    await new Promise((resolve) => setTimeout(resolve, 20));
  }
}

const launchAddress = /^http:\/\/127\.0\.0\.1:(\d+)\/\?ticket=[0-9a-f]{64}$/;

// Starts the program quietly on a free port with a fresh data folder and trades its launch
// ticket for the session cookie. extraEnv is added to the child's environment.
export async function startProgram({ env = {} } = {}) {
  const dir = mkdtempSync(path.join(os.tmpdir(), 'ferncard-api-'));
  const data = path.join(dir, 'data');
  const ticketFile = path.join(dir, 'ticket');
  const port = await freePort();
  const run = startFerncard(['--no-browser', '--data', data, '--port', String(port), '--ticket-file', ticketFile],
    { env });
  const address = await waitFor(() => readFileSync(ticketFile, 'utf8'), (text) => launchAddress.test(text ?? ''));
  assert.match(address ?? '', launchAddress, `no launch address; stderr: ${run.stderr()}`);
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
