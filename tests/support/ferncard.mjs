// Starting the ferncard binary from node tests.
//   FERNCARD_BIN      the binary (default build/ferncard, relative to the repository root)
//   FERNCARD_WRAPPER  an optional command put in front of it, split at spaces (e.g. "wine")
// Under Wine the program is given Windows paths (winepath -w) for --data, --ticket-file and a
// document path; the tests read its files at their Linux paths.
import { spawn, spawnSync } from 'node:child_process';
import path from 'node:path';
import { after } from 'node:test';
import { fileURLToPath } from 'node:url';

export const repoRoot = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');

export function ferncardBinary() {
  return process.env.FERNCARD_BIN || path.join(repoRoot, 'build', 'ferncard');
}

const wrapper = (process.env.FERNCARD_WRAPPER || '').split(' ').filter(Boolean);

// True when the program runs under Wine.
export const underWine = wrapper.length > 0 && path.basename(wrapper[0]) === 'wine';

// For a test's or a group's options: skipped under Wine, with the reason shown in the report.
export function skipUnderWine(reason) {
  return underWine ? `not under Wine: ${reason}` : false;
}

// Waits scaled for Wine, whose process start and first window cost seconds.
export function patience(ms) {
  return underWine ? ms * 4 : ms;
}

// The given absolute paths as the program sees them: Windows paths under Wine, else unchanged.
// winepath itself is a Wine process and now and then fails to start while another one ends, with
// no message: it gets three tries.
export function programPaths(paths) {
  if (!underWine || paths.length === 0) return paths;
  let result;
  for (let attempt = 0; attempt < 3; attempt += 1) {
    result = spawnSync('winepath', ['-w', ...paths], { encoding: 'utf8' });
    const lines = (result.stdout ?? '').split('\n').filter(Boolean);
    if (result.status === 0 && lines.length === paths.length) return lines;
  }
  throw new Error(`winepath -w failed for ${paths.join(' ')} (status ${result.status}): ${result.stderr}`);
}

export function programPath(file) {
  return programPaths([file])[0];
}

const valueOptions = new Set(['--data', '--port', '--page', '--ticket-file']);
const pathOptions = new Set(['--data', '--ticket-file']);

// The arguments with every absolute path (values of --data and --ticket-file, document paths)
// in the program's form.
function translateArguments(args) {
  if (!underWine) return args;
  const positions = [];
  for (let i = 0; i < args.length; i += 1) {
    const takesValue = valueOptions.has(args[i]) && i + 1 < args.length;
    const index = takesValue ? i + 1 : i;
    const isPath = takesValue ? pathOptions.has(args[i]) : !args[i].startsWith('-');
    if (isPath && args[index].startsWith('/')) positions.push(index);
    if (takesValue) i += 1;
  }
  const translated = programPaths(positions.map((index) => args[index]));
  const result = [...args];
  positions.forEach((index, n) => { result[index] = translated[n]; });
  return result;
}

// The environment for a child: no display, so a failing start never opens a dialog that waits
// for a click, unless the caller passes one in extraEnv.
function childEnvironment(extraEnv) {
  const env = { ...process.env };
  delete env.DISPLAY;
  delete env.WAYLAND_DISPLAY;
  return { ...env, ...extraEnv };
}

// Programs still running when a test file's tests are done, or when a test failed before it
// stopped its program: killed, so that no program outlives its test file and none keeps the
// file's process from ending.
const running = new Set();
after(() => {
  for (const child of running) child.kill('SIGKILL');
});

// Starts ferncard with args, as the user with the given uid and gid when user is given.
// Returns { child, stdout(), stderr(), exited } where exited is a promise of
// { code, signal, stdout, stderr }.
export function startFerncard(args, { env = {}, cwd = repoRoot, user } = {}) {
  const programArgs = translateArguments(args);
  const command = wrapper.length > 0 ? wrapper[0] : ferncardBinary();
  const commandArgs = wrapper.length > 0 ? [...wrapper.slice(1), ferncardBinary(), ...programArgs] : programArgs;
  const child = spawn(command, commandArgs,
    { cwd, env: childEnvironment(env), stdio: ['ignore', 'pipe', 'pipe'], ...(user ?? {}) });
  running.add(child);
  child.on('close', () => running.delete(child));
  const out = [];
  const err = [];
  child.stdout.on('data', (chunk) => out.push(chunk));
  child.stderr.on('data', (chunk) => err.push(chunk));
  const stdout = () => Buffer.concat(out).toString('utf8');
  const stderr = () => Buffer.concat(err).toString('utf8');
  const exited = new Promise((resolve, reject) => {
    child.on('error', reject);
    child.on('close', (code, signal) => resolve({ code, signal, stdout: stdout(), stderr: stderr() }));
  });
  return { child, stdout, stderr, exited };
}

// Resolves with the exit of the process, or kills it and rejects after timeoutMs.
export async function waitForExit(run, timeoutMs = patience(15000)) {
  let timer;
  const timeout = new Promise((_, reject) => {
    timer = setTimeout(() => {
      run.child.kill('SIGKILL');
      reject(new Error(`ferncard did not exit within ${timeoutMs} ms; stderr: ${run.stderr()}`));
    }, timeoutMs);
  });
  try {
    return await Promise.race([run.exited, timeout]);
  } finally {
    clearTimeout(timer);
  }
}

// Runs ferncard to its end: { code, signal, stdout, stderr }.
export function runFerncard(args, options = {}) {
  const { timeoutMs, ...startOptions } = options;
  return waitForExit(startFerncard(args, startOptions), timeoutMs);
}

// The exit of the process if it ends within ms (scaled under Wine), else null (the process
// keeps running).
export async function exitWithin(run, ms) {
  let timer;
  const stillRunning = new Promise((resolve) => {
    timer = setTimeout(() => resolve(null), patience(ms));
  });
  try {
    return await Promise.race([run.exited, stillRunning]);
  } finally {
    clearTimeout(timer);
  }
}

// Ends a process that is still running and waits for it.
export async function killFerncard(run) {
  if (run.child.exitCode === null && run.child.signalCode === null) run.child.kill('SIGKILL');
  return run.exited;
}
