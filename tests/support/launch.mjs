// Helpers for tests of a running program: free ports, the launch address in the ticket file,
// loopback connections and the request to end. Starting the program is ferncard.mjs's job.
import { spawnSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import net from 'node:net';
import path from 'node:path';

import { exitWithin, ferncardBinary, killFerncard, patience, underWine } from './ferncard.mjs';

// Whether a listener could be opened on 127.0.0.1:port a moment ago.
function canListen(port) {
  return new Promise((resolve) => {
    const server = net.createServer();
    server.once('error', () => resolve(false));
    server.listen(port, '127.0.0.1', () => server.close(() => resolve(true)));
  });
}

// A first port for a program: it and the 20 ports after it (where later documents open) were
// free a moment ago. Chosen below the system's range of ephemeral ports, so that the tests' own
// client connections never take a port that a program is about to listen on.
export async function freePort() {
  for (let attempt = 0; attempt < 100; attempt += 1) {
    const base = 20000 + Math.floor(Math.random() * 10000);
    let free = true;
    for (let port = base; free && port <= base + 20; port += 1) free = await canListen(port);
    if (free) return base;
  }
  throw new Error('no free range of 21 ports found');
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

// Waits for the ticket file to hold a complete launch address and returns its content. Under
// Wine the first window of a process may wait for Wine's desktop process to start.
export function waitForLaunchAddress(ticketFile, ms = 10000) {
  const wait = underWine ? Math.max(patience(ms), 20000) : ms;
  return waitFor(() => readFileSync(ticketFile, 'utf8'), (text) => launchAddress.test(text ?? ''), wait);
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

// Opens count connections to port, each handed to onConnect once connected (a later error on one
// is ignored); resolves with the sockets once all are open.
export function openMany(port, count, onConnect) {
  return Promise.all(Array.from({ length: count }, () => new Promise((resolve, reject) => {
    const socket = net.connect(port, '127.0.0.1');
    socket.once('error', reject);
    socket.once('connect', () => {
      socket.removeListener('error', reject);
      socket.on('error', () => {});
      onConnect(socket);
      resolve(socket);
    });
  })));
}

// A Linux process's memory in MiB: resident now (VmRSS) or at its peak (VmHWM).
export const residentMiB = (pid, field = 'VmRSS') =>
  Number(new RegExp(`${field}:\\s+(\\d+)`).exec(readFileSync(`/proc/${pid}/status`, 'utf8'))[1]) / 1024;

// Asks the program to end as its system does: SIGTERM on Linux; under Wine, where a signal kills
// the process outright, the close message to its windows (taskkill without /f). taskkill can
// name the program only by its image name there, so every running ferncard.exe of the Wine
// prefix is asked: tests that use it under Wine have no other program running that must stay.
export function sendEndRequest(run) {
  if (!underWine) {
    run.child.kill('SIGTERM');
    return;
  }
  spawnSync('wine', ['taskkill', '/im', path.basename(ferncardBinary())], { stdio: 'ignore' });
}

// Asks the program to end and gives it ms to do so; one that is still running is killed, under
// Wine its Windows process too (killing Wine's starter alone would leave it running, holding the
// test's output pipes open). Resolves with the exit, or null when the process had to be killed.
export async function requestEnd(run, ms = 6000) {
  if (run.child.exitCode !== null || run.child.signalCode !== null) return run.exited;
  sendEndRequest(run);
  const result = await exitWithin(run, ms);
  if (result === null) {
    if (underWine) spawnSync('wine', ['taskkill', '/f', '/im', path.basename(ferncardBinary())], { stdio: 'ignore' });
    await killFerncard(run);
  }
  return result;
}
