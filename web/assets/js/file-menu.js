// The file menu and the About box: the menu of file actions and recent files, the About dialog,
// and the window's title.
import { api } from './api.js';
import { OPEN_BACKUP_ACTION, OPEN_BACKUP_LABEL, backupsFolder } from './backups.js';
import { ContextMenu } from './context-menu.js';
import { element, openDialog, showToast } from './dialogs.js';

export const FILE_ERROR_TOAST_MS = 8000;
const CLOSE_CHECK_MS = 500;

export function messageOf(error) {
  return error && error.message ? error.message : String(error);
}

export function baseName(fileName) {
  return String(fileName || '').replace(/\.fcard$/i, '') || 'Ferncard';
}

export function windowTitle(fileName) {
  const base = baseName(fileName);
  return base === 'Ferncard' ? 'Ferncard' : base + ' - Ferncard';
}

export class FileMenu {
  // fileStatus() is the open file's last known status; editor.flush() saves the open page;
  // onImport() runs the import of notes.
  // button opens the file menu, an ARIA menu shown in `menu`.
  constructor({ fileStatus, editor, banner, button, menu, onImport = () => {} }) {
    this.fileStatus = fileStatus;
    this.editor = editor;
    this.banner = banner;
    this.onImport = onImport;
    this.button = button;
    this.menu = menu;
    this.popup = new ContextMenu(menu, () => button);
    button.setAttribute('aria-haspopup', 'menu');
    button.setAttribute('aria-expanded', 'false');
    menu.setAttribute('aria-labelledby', button.id);
    // ↓ or ↑ on the button opens the menu as its click does (which the window may refuse).
    button.addEventListener('keydown', (event) => {
      if ((event.key !== 'ArrowDown' && event.key !== 'ArrowUp') || !menu.hidden) return;
      event.preventDefault();
      button.click();
    });
  }

  async openAbout() {
    let status = this.fileStatus();
    try {
      status = await api.getStatus();
    } catch (error) {
      showToast(error.message, { error: true });
      return;
    }
    const backups = await backupsFolder();
    await openDialog((dialog, close) => {
      const closeButton = element('button', { type: 'button', class: 'primary', text: '閉じる', onclick: () => close(null) });
      dialog.append(
        element('h2', { text: status.product + ' ' + status.version }),
        element('p', { class: 'about-maker', text: '© Calderwin. シンプルで安全なメモ帳。' }),
        element('p', { class: 'about-file', text: 'ファイルの場所: ' + status.file }),
        element('p', { class: 'muted', text: 'このファイルをコピーするとバックアップになります。' }),
        element('p', { class: 'about-backups', text: '自動バックアップの場所: ' + backups }),
        element('div', { class: 'dialog-actions' },
          element('button', {
            type: 'button', text: 'ファイルの場所を開く',
            onclick: () => api.openDataFolder().catch((error) => showToast(error.message, { error: true })),
          }),
          closeButton));
      requestAnimationFrame(() => closeButton.focus());
    });
  }

  // Runs one file action of the program; resolves whether a file was opened.
  async runFileAction(action) {
    if (action === 'save-as' && !(await this.editor.flush())) {
      showToast('編集中の内容を保存できないため、中止しました。', { ms: FILE_ERROR_TOAST_MS, error: true });
      return false;
    }
    try {
      const result = await api.fileAction(action);
      if (!result || !result.opened) return false;
      showToast(result.name + ' を開きました。');
      return true;
    } catch (error) {
      showToast(messageOf(error), { ms: FILE_ERROR_TOAST_MS, error: true });
      return false;
    }
  }

  async saveAs() {
    if (!(await this.runFileAction('save-as'))) return;
    // The copy lives on in its own window; this one is no longer needed.
    window.close();
    setTimeout(() => {
      this.banner.show('file', 'このウィンドウは元のファイル（' + this.fileStatus().fileName + '）のままです。不要なら閉じてください。');
    }, CLOSE_CHECK_MS);
  }

  // Opens the menu under its button (once it has the recent files), or closes it when open.
  async open() {
    if (!this.menu.hidden) {
      this.popup.close();
      return;
    }
    let recent = [];
    try {
      recent = await api.getRecent();
    } catch {
      recent = [];
    }
    const run = (choice) => () => {
      if (choice === 'save-as') this.saveAs().catch(reportFailure);
      else if (choice === 'import') Promise.resolve(this.onImport()).catch(reportFailure);
      else this.runFileAction(choice);
    };
    const items = [
      { label: '新規作成…', action: run('new') },
      { label: '開く…', action: run('open') },
      { label: '別名で保存…', action: run('save-as') },
      { label: OPEN_BACKUP_LABEL, action: run(OPEN_BACKUP_ACTION) },
      { label: 'インポート…', action: run('import') },
    ];
    // The file open in this window is not offered again.
    const others = recent.map((entry, index) => ({ entry, index })).filter(({ entry }) => entry.path !== this.fileStatus().file);
    if (others.length) {
      items.push({
        group: '最近使ったファイル',
        items: others.map(({ entry, index }) => ({
          label: String(entry.name ?? ''), title: String(entry.path ?? ''), disabled: entry.exists === false,
          action: run('recent/' + index),
        })),
      });
    }
    this.popup.openUnder(this.button, items);
  }
}

function reportFailure(error) {
  showToast(messageOf(error), { ms: FILE_ERROR_TOAST_MS, error: true });
}
