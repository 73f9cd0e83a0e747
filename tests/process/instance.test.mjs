// One running instance per data folder: later starts hand their request over and end.
import assert from 'node:assert/strict';
import { spawn, spawnSync } from 'node:child_process';
import { createHash } from 'node:crypto';
import { copyFileSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';

import { exitWithin, programPath, skipUnderWine, startFerncard } from '../support/ferncard.mjs';
import { freePort, portOf, requestEnd, waitFor, waitForLaunchAddress } from '../support/launch.mjs';

const cannotConnect = '起動中の Ferncard に接続できませんでした。';
const pageId = '0f8fad5b-d9cb-469f-a165-70867728950e';

const makeTempDir = (prefix) => mkdtempSync(path.join(os.tmpdir(), prefix));
const removeDir = (dir) => rmSync(dir, { recursive: true, force: true });
const ended = (run) => run && { code: run.code, signal: run.signal };

describe('single instance per data folder', () => {
  let dir;
  let env;
  const running = [];

  before(() => {
    dir = makeTempDir('ferncard-instance-');
    // A runtime folder of the tests' own, so that nothing else running on the machine meets them.
    env = { XDG_RUNTIME_DIR: makeTempDir('ferncard-runtime-') };
  });
  after(async () => {
    for (const run of running) await requestEnd(run);
    removeDir(env.XDG_RUNTIME_DIR);
    removeDir(dir);
  });

  // Starts a first instance and waits for its first window's address.
  let starts = 0;
  async function startFirst(name) {
    const data = path.join(dir, name);
    starts += 1;
    const ticketFile = path.join(dir, `${name}-${starts}.ticket`);
    const port = await freePort();
    const run = startFerncard(['--no-browser', '--data', data, '--port', String(port), '--ticket-file', ticketFile], { env });
    running.push(run);
    const address = await waitForLaunchAddress(ticketFile, 5000);
    assert.equal(portOf(address), port, `first instance did not start; stderr: ${run.stderr()}`);
    return { run, data, ticketFile, port, address, document: path.join(data, 'Ferncard.fcard') };
  }

  function secondStart(args) {
    const run = startFerncard(['--no-browser', ...args], { env });
    running.push(run);
    return run;
  }

  const recentTop = (data) => readFileSync(path.join(data, 'recent.txt'), 'utf8').split('\n')[0];
  const newAddress = (first, previous) =>
    waitFor(() => readFileSync(first.ticketFile, 'utf8'), (text) => text && text !== previous, 5000);

  test('a second start with a document hands it over and ends with 0', async () => {
    const first = await startFirst('a');
    const other = path.join(dir, 'other.fcard');
    copyFileSync(first.document, other);
    const secondTicket = path.join(dir, 'second.ticket');
    const second = secondStart(['--data', first.data, '--ticket-file', secondTicket, '--page', pageId, other]);
    assert.deepEqual(ended(await exitWithin(second, 5000)), { code: 0, signal: null }, second.stderr());
    const address = await newAddress(first, first.address);
    assert.equal(portOf(address), first.port + 1);
    assert.ok(address.endsWith(`&page=${pageId}`), address);
    assert.equal(recentTop(first.data), programPath(other));
    assert.throws(() => readFileSync(secondTicket), 'the second start opens no window of its own');

    // Without arguments the running instance opens one more window on its current document.
    const before = readFileSync(first.ticketFile, 'utf8');
    const third = secondStart(['--data', first.data]);
    assert.deepEqual(ended(await exitWithin(third, 5000)), { code: 0, signal: null }, third.stderr());
    const again = await newAddress(first, before);
    assert.equal(portOf(again), first.port + 1);
    assert.ok(!again.includes('&page='));
  });

  test('a document that cannot be opened is the running instance\'s report; the sender ends with 0', async () => {
    const first = await startFirst('b');
    const second = secondStart(['--data', first.data, path.join(dir, 'missing.fcard')]);
    assert.deepEqual(ended(await exitWithin(second, 5000)), { code: 0, signal: null });
    const report = await waitFor(() => first.run.stderr(), (text) => text.includes('ファイルが見つかりません'), 5000);
    assert.match(report, /ファイルが見つかりません。移動または削除された可能性があります。/);
    assert.equal(first.run.child.exitCode, null);
  });

  test('after the running instance is killed the next start runs by itself', async () => {
    const first = await startFirst('d');
    first.run.child.kill('SIGKILL');
    await first.run.exited;
    const next = await startFirst('d');
    assert.equal(next.run.child.exitCode, null);
  });

  test('a held instance lock without a running instance to talk to ends the start with 3',
    { skip: skipUnderWine('the lock held here is the Linux lock file, not the named mutex') }, async (t) => {
    if (spawnSync('flock', ['--version']).status !== 0) {
      t.skip('the flock tool is not installed');
      return;
    }
    const data = path.join(dir, 'f');
    const key = createHash('sha256').update(data).digest('hex').slice(0, 16);
    const lockFile = path.join(env.XDG_RUNTIME_DIR, `ferncard-instance.${key}.lock`);
    const holder = spawn('flock', [lockFile, 'sleep', '60'], { stdio: 'ignore' });
    try {
      await waitFor(() => spawnSync('flock', ['-n', lockFile, 'true']).status, (status) => status === 1, 5000);
      const second = secondStart(['--data', data]);
      assert.deepEqual(ended(await exitWithin(second, 20000)), { code: 3, signal: null });
      assert.ok(second.stderr().includes(cannotConnect), second.stderr());
    } finally {
      holder.kill('SIGKILL');
      rmSync(lockFile, { force: true });
    }
  });
});
