// The page history in the benchmark: what a save costs when it keeps the body it replaces, against
// a save of the same page when no revision is due, and how large the history file grows over a
// year of daily editing of a 10 KB page (days passed by moving every kept time back a day).
import fs from 'node:fs';
import path from 'node:path';

const DAY_MS = 86400000;

// A 10 KB page with the day's and the edit's mark in its first paragraph.
function edited(base, day, edit) {
  return `<p>日 ${day}, 編集 ${edit}</p>` + base;
}

// Milliseconds per PUT of alternating bodies; the tag follows each answer.
async function timeWrites(app, id, bodies, query) {
  let tag = '"0"';
  const headers = { 'Content-Type': 'text/plain; charset=utf-8' };
  await app.api('PUT', `/api/pages/${id}`, bodies[0], { ...headers, 'If-Match': tag });
  tag = (await app.api('GET', `/api/pages/${id}`)).headers.get('etag');
  const started = process.hrtime.bigint();
  for (let i = 1; i < bodies.length; i++) {
    const answer = await app.api('PUT', `/api/pages/${id}${query}`, bodies[i], { ...headers, 'If-Match': tag });
    tag = answer.headers.get('etag');
  }
  return Number(process.hrtime.bigint() - started) / 1e6 / (bodies.length - 1);
}

// A year of daily editing: each day six saves keep six revisions (an hour of typing, one every
// ten minutes). The program's clock cannot be moved, so its kept times are: each day's revisions
// go back to their day of the week, and at the end of each week everything goes back a week.
// Thinning works on calendar days and weeks, which whole weeks keep apart, and every keep judges
// the older revisions by their age at the end of their week, which is what the year ends with.
async function yearOfEditing({ app, smoke, row, run, base, pageIdOf }) {
  const weeks = smoke ? 5 : 52;
  const id = pageIdOf(300);
  let tag = '"0"';
  const headers = { 'Content-Type': 'text/plain; charset=utf-8' };
  const file = () => historyFileOf(app);
  for (let week = 0; week < weeks; week++) {
    if (week > 0) await run('sqlite3', [file(), `UPDATE revisions SET time = time - ${7 * DAY_MS}`]);
    for (let day = 0; day < 7; day++) {
      const since = Date.now() - 1000;
      for (let edit = 0; edit < 6; edit++) {
        const answer = await app.api('PUT', `/api/pages/${id}?revision=keep`, edited(base, week * 7 + day, edit),
          { ...headers, 'If-Match': tag });
        tag = answer.headers.get('etag');
      }
      if (day < 6) await run('sqlite3', [file(), `UPDATE revisions SET time = time - ${(6 - day) * DAY_MS} WHERE time >= ${since}`]);
    }
  }
  const days = weeks * 7;
  const { revisions } = await (await app.api('GET', `/api/pages/${id}/revisions`)).json();
  const bytes = fs.statSync(file()).size;
  const kibibytes = bytes / 1024;
  const bodyKiB = revisions.reduce((sum, revision) => sum + revision.size, 0) / 1024;
  row('history', `history file after ${days} days of 6 kept saves of a 10 KB page (${revisions.length} revisions kept)`,
    kibibytes, 'KiB', 'the kept bodies', bodyKiB, kibibytes / bodyKiB, smoke ? '—' : '< 2 MiB',
    smoke || kibibytes < 2048);
}

function historyFileOf(app) {
  const folder = path.join(app.data, 'history');
  const [name] = fs.readdirSync(folder).filter((file) => file.endsWith('.history'));
  return path.join(folder, name);
}

export async function historyRuns({ startProgram, smoke, row, run, pageHtml, pageIdOf }) {
  const app = await startProgram('history');
  const base = pageHtml(10 * 1024);
  await yearOfEditing({ app, smoke, row, run, base, pageIdOf });
  const count = smoke ? 20 : 300;
  const bodies = Array.from({ length: count }, (_, i) => edited(base, 0, i));
  // Rounds taken in turn, so that a slow moment of the machine falls on both.
  let kept = 0;
  let plain = 0;
  const rounds = smoke ? 1 : 3;
  for (let round = 0; round < rounds; round++) {
    kept += await timeWrites(app, pageIdOf(100 + round), bodies, '?revision=keep');
    // The first replacement keeps a revision; within ten minutes of it none is due.
    plain += await timeWrites(app, pageIdOf(200 + round), bodies, '');
  }
  [kept, plain] = [kept / rounds, plain / rounds];
  row('history', 'PUT 10 KB page that keeps the replaced body: time per request', kept, 'ms',
    'the same PUT, no revision due', plain, kept / plain, '≤ 2× without', kept / plain <= 2);

  app.child.kill('SIGKILL');
}
