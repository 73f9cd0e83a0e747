// Automatic backups as the window shows them: their folder, and a failed backup once in the status line.
import { api } from './api.js';

export const OPEN_BACKUP_ACTION = 'open-backup';

const POLL_MS = 1000;

// The backups folder, or '' when the program cannot be asked.
export async function backupsFolder() {
  try {
    return String((await api.getBackups()).folder ?? '');
  } catch {
    return '';
  }
}

// Follows the program's backup of this window's document while one is waiting or running, and
// again whenever the window gets the focus; each failed attempt is shown once.
export function watchBackups(status) {
  let reported = 0;
  let timer = 0;
  async function check() {
    timer = 0;
    let report;
    try {
      report = await api.getBackups();
    } catch {
      return; // a lost connection shows at the next save
    }
    if (report.state === 'failed' && report.attempt !== reported) {
      reported = report.attempt;
      status.textContent = report.message;
      status.title = report.message;
      status.classList.add('error');
    }
    if (report.state === 'waiting' || report.state === 'running') timer = setTimeout(check, POLL_MS);
  }
  check();
  window.addEventListener('focus', () => { if (!timer) check(); });
}
