// The command line as a caller sees it: exit code 2 and the report for every invalid line.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { chmodSync, existsSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {
  exitWithin, killFerncard, runFerncard, skipUnderWine, startFerncard, underWine,
} from '../support/ferncard.mjs';

const invalidMessage = '起動オプションが正しくありません。\n';
const page = '0123abcd-4567-89ef-0123-456789abcdef';

// The parser's every refusal is a native test; these show that each kind ends the process.
const invalidLines = {
  'port 65536': ['--port', '65536'],
  'upper-case page': ['--page', page.toUpperCase()],
  'data as the last argument': ['--data'],
  'two document paths': ['a.fcard', 'b.fcard'],
};

// Under Wine the error box would wait for a click that never comes: the lines are given with
// --no-browser there, which keeps the report on the error output.
for (const [name, args] of Object.entries(invalidLines)) {
  test(`invalid command line: ${name}`, async () => {
    const result = await runFerncard(underWine ? ['--no-browser', ...args] : args);
    assert.equal(result.code, 2);
    assert.equal(result.stderr, invalidMessage);
  });
}

test('quiet mode still exits with 2 and reports on the error output', async () => {
  const result = await runFerncard(['--no-browser', '--bogus']);
  assert.equal(result.code, 2);
  assert.equal(result.stderr, invalidMessage);
});

test('valid lines are not refused', async (t) => {
  const folder = mkdtempSync(path.join(os.tmpdir(), 'ferncard-cli-'));
  t.after(() => rmSync(folder, { recursive: true, force: true }));
  const base = ['--no-browser', '--data', folder, '--ticket-file', path.join(folder, 'ticket.txt')];
  for (const extra of [
    ['--port', 'abc'],
    ['--port', '0'],
    ['--page', ''],
    ['--page', page],
    ['--data', '-hyphen-folder', '--data', folder],
  ]) {
    const run = startFerncard([...base, ...extra]);
    // The line is read first of all: a refused line ends the process at once. A process that
    // is still running after that was accepted and is stopped here.
    const result = await exitWithin(run, 1500);
    await killFerncard(run);
    if (result === null) continue;
    assert.notEqual(result.code, 2, `${extra.join(' ')}: ${result.stderr}`);
    assert.ok(!result.stderr.includes(invalidMessage.trim()), extra.join(' '));
  }
});

// On Linux the error box is a zenity dialog. A stand-in zenity on PATH records how it is called.
test('the error box is shown unless quiet mode is on',
  { skip: skipUnderWine('the error box is a real window there; this checks the zenity stand-in') }, async (t) => {
  const folder = mkdtempSync(path.join(os.tmpdir(), 'ferncard-box-'));
  t.after(() => rmSync(folder, { recursive: true, force: true }));
  const record = path.join(folder, 'calls.txt');
  const fake = path.join(folder, 'zenity');
  writeFileSync(fake, `#!/bin/sh\nfor a in "$@"; do printf '%s\\n' "$a"; done >> '${record}'\n`);
  chmodSync(fake, 0o755);
  const env = { DISPLAY: ':99', PATH: `${folder}:${process.env.PATH}` };

  const quiet = await runFerncard(['--no-browser', '--help'], { env });
  assert.equal(quiet.code, 2);
  assert.equal(existsSync(record), false);

  const shown = await runFerncard(['--help'], { env });
  assert.equal(shown.code, 2);
  assert.equal(shown.stderr, invalidMessage);
  assert.equal(readFileSync(record, 'utf8'), `--error\n--title=Ferncard\n--no-markup\n--text=${invalidMessage}`);
});
