// Starts the program under test on a free loopback port with its own data folder and
// reads the launch address it writes to its ticket file.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');

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

async function waitFor(check, what, ms = 15000) {
  const end = Date.now() + ms;
  for (;;) {
    const value = check();
    if (value) return value;
    if (Date.now() > end) throw new Error('timed out waiting for ' + what);
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}

// Options: dataDir (a fresh temporary folder by default), document (a document path argument),
// env (added to the program's environment).
export async function startFerncard({ dataDir, document, env = {} } = {}) {
  const data = dataDir || fs.mkdtempSync(path.join(os.tmpdir(), 'ferncard-data-'));
  const ticketFile = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'ferncard-ticket-')), 'ticket.txt');
  const port = await freePort();
  const binary = path.resolve(root, process.env.FERNCARD_BIN || 'build/ferncard');
  const args = ['--no-browser', '--data', data, '--port', String(port), '--ticket-file', ticketFile];
  if (document) args.push(document);
  const wrapper = (process.env.FERNCARD_WRAPPER || '').split(' ').filter(Boolean);
  const command = wrapper.length ? wrapper[0] : binary;
  const commandArgs = wrapper.length ? [...wrapper.slice(1), binary, ...args] : args;
  const child = spawn(command, commandArgs, { stdio: ['ignore', 'ignore', 'pipe'], env: { ...process.env, ...env } });
  let stderr = '';
  child.stderr.on('data', (chunk) => { stderr += chunk; });
  let exited = null;
  child.on('exit', (code) => { exited = code; });

  const readAddress = () => {
    try {
      const text = fs.readFileSync(ticketFile, 'utf8');
      return /^http:\/\/127\.0\.0\.1:\d+\/\?ticket=[0-9a-f]{64}/.test(text) ? text : null;
    } catch {
      return null;
    }
  };
  await waitFor(() => {
    if (exited !== null) throw new Error('ferncard exited with ' + exited + ': ' + stderr);
    return readAddress();
  }, 'the launch address');

  return {
    port,
    dataDir: data,
    origin: 'http://127.0.0.1:' + port,
    launchAddress: readAddress,
    async stop() {
      if (exited !== null) return;
      const done = new Promise((resolve) => child.once('exit', resolve));
      child.kill('SIGTERM');
      const timer = setTimeout(() => child.kill('SIGKILL'), 5000);
      await done;
      clearTimeout(timer);
    },
  };
}
