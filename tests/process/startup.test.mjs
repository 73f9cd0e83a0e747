// Start-up, choice of the first document, launch address and shutdown of the running program.
import assert from 'node:assert/strict';
import { chmodSync, existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, describe, test } from 'node:test';

import {
  exitWithin, killFerncard, patience, programPath, skipUnderWine, startFerncard,
} from '../support/ferncard.mjs';
import { request } from '../support/http.mjs';
import {
  connect, freePort, portOf, requestEnd as stop, sendEndRequest, waitFor, waitForLaunchAddress,
} from '../support/launch.mjs';

// Every program started here; one left running by a failed test is killed at the end, so the
// failure is reported instead of keeping the test file alive.
const runs = [];
function start(...args) {
  const run = startFerncard(...args);
  runs.push(run);
  return run;
}

const dirs = [];
after(async () => {
  for (const run of runs) await killFerncard(run);
  dirs.forEach((dir) => rmSync(dir, { recursive: true, force: true }));
});
function tempDir() {
  const dir = mkdtempSync(path.join(os.tmpdir(), 'ferncard-start-'));
  dirs.push(dir);
  return dir;
}

const messages = {
  dataFolder: 'データフォルダーを作成できません。権限をご確認ください。',
  fileNotFound: 'ファイルが見つかりません。移動または削除された可能性があります。',
  notADocument: 'Ferncard のファイルではないか、ファイルが壊れています。',
};

// A document file: the database header with the program's application id and format version.
function assertIsDocument(file) {
  const bytes = readFileSync(file);
  assert.equal(bytes.subarray(0, 16).toString('latin1'), 'SQLite format 3\0');
  assert.equal(bytes.readUInt32BE(60), 1, 'user_version');
  assert.equal(bytes.readUInt32BE(68), 1178948174, 'application_id');
}

// Starts the program quietly on a free port; resolves once its launch address is written.
async function startQuiet(dataDir, extra = []) {
  const ticketFile = path.join(tempDir(), 'ticket');
  const port = await freePort();
  const run = start(['--no-browser', '--data', dataDir, '--port', String(port), '--ticket-file', ticketFile, ...extra]);
  run.port = port;
  run.address = await waitForLaunchAddress(ticketFile);
  return run;
}

// A document made by the program itself, as a fresh data folder's default document.
async function makeDocument() {
  const dir = tempDir();
  const run = await startQuiet(dir);
  assert.equal((await stop(run))?.code, 0);
  return path.join(dir, 'Ferncard.fcard');
}

async function stopAndExpectZero(run) {
  const result = await stop(run);
  assert.ok(result, 'ends within 6 seconds of the request to end');
  assert.deepEqual([result.code, result.signal], [0, null], result.stderr);
}

async function expectExit(run, code) {
  const result = await exitWithin(run, 5000);
  assert.ok(result, 'ends by itself');
  assert.deepEqual([result.code, result.signal], [code, null]);
  return result;
}

describe('first start in an empty data folder', () => {
  test('creates the default document and the recent list, writes the address with the page, serves, ends on request', async () => {
    const data = path.join(tempDir(), 'nested', 'data');
    const ticketFile = path.join(tempDir(), 'ticket');
    // An older, longer address file is replaced whole.
    writeFileSync(ticketFile, 'an older and much longer content that must disappear completely, with no trace left');
    const page = '0f8fad5b-d9cb-469f-a165-70867728950e';
    const port = await freePort();
    const run = start(['--no-browser', '--data', data, '--port', String(port), '--page', page, '--ticket-file', ticketFile]);
    const address = await waitForLaunchAddress(ticketFile);
    assert.match(address, new RegExp(`^http://127\\.0\\.0\\.1:${port}/\\?ticket=[0-9a-f]{64}&page=${page}$`));
    assert.equal(readFileSync(ticketFile).length, address.length, 'no line end after the address');

    const document = path.join(data, 'Ferncard.fcard');
    assertIsDocument(document);
    assert.equal(readFileSync(path.join(data, 'recent.txt'), 'utf8'), `${programPath(document)}\n`);

    const socket = await connect(port);
    assert.ok(socket, 'the document is served on the given port');
    socket.destroy();

    const started = Date.now();
    await stopAndExpectZero(run);
    assert.ok(Date.now() - started < patience(6000));
  });

  test('without --port the first free port of 8890 to 8909 is used', async () => {
    const data = tempDir();
    const ticketFile = path.join(tempDir(), 'ticket');
    const run = start(['--no-browser', '--data', data, '--ticket-file', ticketFile]);
    const address = await waitForLaunchAddress(ticketFile);
    const port = portOf(address);
    assert.ok(port >= 8890 && port <= 8909, address);
    const socket = await connect(port);
    assert.ok(socket);
    socket.destroy();
    await stopAndExpectZero(run);
  });
});

describe('default folders of this system', { skip: skipUnderWine('the XDG folders of Linux are checked here') }, () => {
  async function startWithHome(env) {
    const ticketFile = path.join(tempDir(), 'ticket');
    const run = start(['--no-browser', '--port', String(await freePort()), '--ticket-file', ticketFile],
      { env: { XDG_CONFIG_HOME: '', XDG_STATE_HOME: '', ...env } });
    await waitForLaunchAddress(ticketFile);
    await stopAndExpectZero(run);
  }

  for (const [name, userDirs, documents, state] of [
    ['the Documents folder named in user-dirs.dirs holds the data, the state folder the recent list',
      '# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR="$HOME/Desktop"\nXDG_DOCUMENTS_DIR="$HOME/My Notes"\n', 'My Notes', null],
    ['without user-dirs.dirs the Documents folder is in the home folder; XDG_STATE_HOME is honoured', null, 'Documents', tempDir()],
  ]) {
    test(name, async () => {
      const home = tempDir();
      if (userDirs) {
        mkdirSync(path.join(home, '.config'));
        writeFileSync(path.join(home, '.config', 'user-dirs.dirs'), userDirs);
      }
      await startWithHome(state ? { HOME: home, XDG_STATE_HOME: state } : { HOME: home });
      const document = path.join(home, documents, 'Ferncard', 'Ferncard.fcard');
      assertIsDocument(document);
      const recent = path.join(state ?? path.join(home, '.local', 'state'), 'Calderwin', 'Ferncard', 'recent.txt');
      assert.equal(readFileSync(recent, 'utf8'), `${document}\n`);
    });
  }
});

describe('choosing the first document', () => {
  test('the older layout is imported even when a document path is given, then that document opens', async () => {
    const given = await makeDocument();
    const data = tempDir();
    writeFileSync(path.join(data, 'tree.json'), '{"schemaVersion":1,"pages":[]}');
    const run = await startQuiet(data, [given]);
    assertIsDocument(path.join(data, 'Ferncard.fcard'));
    assert.equal(readFileSync(path.join(data, 'recent.txt'), 'utf8'), `${programPath(given)}\n`);
    await stopAndExpectZero(run);
  });

  test('a first recent entry that is a document is opened, and no default document is made', async () => {
    const listed = await makeDocument();
    const data = tempDir();
    writeFileSync(path.join(data, 'recent.txt'), `${programPath(listed)}\r\n/elsewhere/old.fcard\r\n`);
    const run = await startQuiet(data);
    assert.equal(existsSync(path.join(data, 'Ferncard.fcard')), false);
    assert.equal(readFileSync(path.join(data, 'recent.txt'), 'utf8'),
      `${programPath(listed)}\n/elsewhere/old.fcard\n`);
    await stopAndExpectZero(run);
  });

  for (const [kind, prepare] of [
    ['missing', (dir) => path.join(dir, 'deleted.fcard')],
    ['not a document', (dir) => { const file = path.join(dir, 'notes.txt'); writeFileSync(file, 'plain text'); return file; }],
    ['a folder', (dir) => { const folder = path.join(dir, 'folder.fcard'); mkdirSync(folder); return folder; }],
  ]) {
    test(`a first recent entry that is ${kind} is skipped silently and stays listed`, async () => {
      const data = tempDir();
      const entry = programPath(prepare(tempDir()));
      writeFileSync(path.join(data, 'recent.txt'), `${entry}\n`);
      const run = await startQuiet(data);
      const document = path.join(data, 'Ferncard.fcard');
      assertIsDocument(document);
      assert.equal(readFileSync(path.join(data, 'recent.txt'), 'utf8'), `${programPath(document)}\n${entry}\n`);
      await stopAndExpectZero(run);
    });
  }

  test('a document that is missing or not a document, or a data folder that is relative or a file, ends with 4 and its message', async () => {
    const foreign = path.join(tempDir(), 'foreign.fcard');
    writeFileSync(foreign, 'x'.repeat(4096));
    const file = path.join(tempDir(), 'a-file');
    writeFileSync(file, '');
    for (const [data, document, message] of [
      [tempDir(), path.join(tempDir(), 'missing.fcard'), messages.fileNotFound],
      [tempDir(), foreign, messages.notADocument],
      ['relative/data', null, messages.dataFolder],
      [file, null, messages.dataFolder],
    ]) {
      const run = start(['--no-browser', '--data', data, '--port', String(await freePort()), ...(document ? [document] : [])]);
      const result = await expectExit(run, 4);
      assert.equal(result.stderr, `${message}\n`);
      if (document) assert.equal(existsSync(path.join(data, 'recent.txt')), false, 'a failed opening adds no entry');
    }
    assert.equal(existsSync('relative'), false, 'nothing is created relative to the current folder');
  });
});

describe('launch address', () => {
  // A stand-in browser on PATH that records its arguments.
  function fakeBrowserPath(name) {
    const bin = tempDir();
    const record = path.join(bin, 'arguments');
    writeFileSync(path.join(bin, name), `#!/bin/sh\nprintf '%s\\n' "$@" > '${record}'\n`);
    chmodSync(path.join(bin, name), 0o755);
    return { bin, record };
  }

  const linuxBrowser = { skip: skipUnderWine('the stand-in browsers on PATH are those of Linux') };

  test('opens a Chromium-family browser as an application window on the address', linuxBrowser, async () => {
    const { bin, record } = fakeBrowserPath('chromium');
    const ticketFile = path.join(tempDir(), 'ticket');
    const port = await freePort();
    const run = start(['--data', tempDir(), '--port', String(port), '--ticket-file', ticketFile],
      { env: { PATH: bin, DISPLAY: ':0' } });
    const address = await waitForLaunchAddress(ticketFile);
    // The stand-in's shell creates the file before it writes: wait for the whole line.
    const argumentsSeen = await waitFor(() => readFileSync(record, 'utf8'),
      (text) => Boolean(text?.endsWith('\n')), 3000);
    assert.equal(argumentsSeen, `--app=${address}\n`);
    await stopAndExpectZero(run);
  });

  // Where no window can be shown, the address and how to use it go to standard output; a later
  // start hands off to the running program, which prints a fresh one.
  const openItYourself = 'このアドレスを 60 秒以内にブラウザーで開いてください。' +
    '期限が切れたら、もう一度 ferncard を起動すると新しいアドレスがここに表示されます。';
  const unshown = [
    { name: 'without a graphical session', env: {} },
    { name: 'when the browser ends with an error at once', env: { DISPLAY: ':0' } },
    { name: 'when no browser is installed', env: { DISPLAY: ':0' }, noBrowser: true },
  ];
  for (const c of unshown) {
    test(`${c.name} the address is printed with how to use it, and a second start prints a fresh one`,
      linuxBrowser, async () => {
        const bin = tempDir();
        if (!c.noBrowser) {
          writeFileSync(path.join(bin, 'chromium'), "#!/bin/sh\necho 'Missing X server or $DISPLAY' >&2\nexit 1\n");
          chmodSync(path.join(bin, 'chromium'), 0o755);
        }
        const data = tempDir();
        const port = await freePort();
        const env = { PATH: bin, ...c.env };
        const run = start(['--data', data, '--port', String(port)], { env });
        const printed = () => [...run.stdout().matchAll(/^(http:\/\/\S+)\n(.*)\n/gm)];
        const addresses = [];
        for (const second of [false, true]) {
          const handingOff = second ? start(['--data', data], { env }) : null;
          const lines = await waitFor(printed, (found) => found.length > addresses.length, 5000);
          assert.equal(lines.length, addresses.length + 1, `stdout: ${run.stdout()} stderr: ${run.stderr()}`);
          const [, address, instruction] = lines.at(-1);
          assert.equal(instruction, openItYourself);
          assert.equal(portOf(address), port);
          assert.ok(!addresses.includes(address));
          addresses.push(address);
          // The address lets a browser in.
          const answer = await request(port, 'GET', address.slice(`http://127.0.0.1:${port}`.length),
            [['Host', `127.0.0.1:${port}`], ['Sec-Fetch-Site', 'none']]);
          assert.match(answer.header('Set-Cookie') ?? '', new RegExp(`^fc_${port}=`));
          if (handingOff) assert.equal((await exitWithin(handingOff, 5000))?.code, 0);
        }
        await stopAndExpectZero(run);
      });
  }

  test('with --no-browser nothing is printed', async () => {
    const run = await startQuiet(tempDir());
    const result = await stop(run);
    assert.deepEqual([result?.code, result?.stdout], [0, '']);
  });
});

describe('shutdown', () => {
  test('the request to end while a client holds a connection open ends with 0 after the bounded wait', async () => {
    const run = await startQuiet(tempDir());
    const socket = await connect(run.port);
    assert.ok(socket);
    socket.write('GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n');  // the request never ends
    await new Promise((resolve) => setTimeout(resolve, 100));
    sendEndRequest(run);
    const result = await exitWithin(run, 8000);
    socket.destroy();
    assert.ok(result, 'ends after the bounded wait');
    assert.deepEqual([result.code, result.signal], [0, null], result.stderr);
  });
});
