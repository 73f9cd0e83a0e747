// Starting and stopping the program for process-level tests.
import { spawn } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';

export const binary = process.env.FERNCARD_BIN ?? path.resolve('build/ferncard');

export function makeTempDir(prefix = 'ferncard-') {
  return mkdtempSync(path.join(os.tmpdir(), prefix));
}

export function removeDir(dir) {
  rmSync(dir, { recursive: true, force: true });
}

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

// Starts the binary with args; the result carries the child, its collected standard error and a
// promise of its exit ({ code, signal }).
export function start(args, { env = process.env } = {}) {
  const wrapper = process.env.FERNCARD_WRAPPER;
  const command = wrapper ? wrapper : binary;
  const fullArgs = wrapper ? [binary, ...args] : args;
  const child = spawn(command, fullArgs, { env, stdio: ['ignore', 'pipe', 'pipe'] });
  const run = { child, stderr: '', stdout: '' };
  child.stderr.setEncoding('utf8').on('data', (text) => { run.stderr += text; });
  child.stdout.setEncoding('utf8').on('data', (text) => { run.stdout += text; });
  run.exited = new Promise((resolve) => child.once('exit', (code, signal) => resolve({ code, signal })));
  return run;
}

// Resolves with the exit, or with { timedOut: true } when the process is still running after ms.
export function exitWithin(run, ms) {
  let timer;
  const timeout = new Promise((resolve) => { timer = setTimeout(() => resolve({ timedOut: true }), ms); });
  return Promise.race([run.exited, timeout]).finally(() => clearTimeout(timer));
}

// Sends SIGTERM and waits for the exit; a process that does not end in time is killed.
export async function stop(run, ms = 6000) {
  if (run.child.exitCode !== null || run.child.signalCode !== null) return run.exited;
  run.child.kill('SIGTERM');
  const result = await exitWithin(run, ms);
  if (result.timedOut) run.child.kill('SIGKILL');
  return result;
}

// Polls until read() gives a value that accept() takes, or ms pass; returns the last value.
export async function waitFor(read, accept, ms = 1000) {
  const until = Date.now() + ms;
  for (;;) {
    let value;
    try { value = read(); } catch { value = undefined; }
    if (accept(value) || Date.now() >= until) return value;
    await new Promise((resolve) => setTimeout(resolve, 20));
  }
}

const launchAddress = /^http:\/\/127\.0\.0\.1:(\d+)\/\?ticket=[0-9a-f]{64}(&page=[0-9a-f-]{36})?$/;

// Waits for the ticket file to hold a complete launch address and returns it.
export function waitForLaunchAddress(ticketFile, ms = 1000) {
  return waitFor(() => readFileSync(ticketFile, 'utf8'), (text) => launchAddress.test(text ?? ''), ms);
}

export function portOf(address) {
  return Number(launchAddress.exec(address)?.[1]);
}

// Opens a TCP connection to 127.0.0.1:port; resolves with the socket, or null when refused.
export function connect(port) {
  return new Promise((resolve) => {
    const socket = net.connect(port, '127.0.0.1');
    socket.once('connect', () => resolve(socket));
    socket.once('error', () => resolve(null));
  });
}
