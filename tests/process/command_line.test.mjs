// The command line as a caller sees it: exit code 2 and the report for every invalid line.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { chmodSync, existsSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { runFerncard, skipUnderWine, underWine } from '../support/ferncard.mjs';

const invalidMessage = '起動オプションが正しくありません。\n';

// The parser's every refusal is a native test; these show that a refused line ends the process
// with 2 and its report, quiet or not. Under Wine the error box would wait for a click that
// never comes: there every line is given with --no-browser, which keeps the report on stderr.
for (const args of [['--port', '65536'], ['--no-browser', '--bogus']]) {
  test(`invalid command line: ${args.join(' ')}`, async () => {
    const result = await runFerncard(underWine && args[0] !== '--no-browser' ? ['--no-browser', ...args] : args);
    assert.equal(result.code, 2);
    assert.equal(result.stderr, invalidMessage);
  });
}

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
