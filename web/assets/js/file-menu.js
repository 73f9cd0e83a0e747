// The file menu and the About box: the dialogs about the open file, and the window's title.
import { api } from './api.js';
import { OPEN_BACKUP_ACTION, OPEN_BACKUP_LABEL, backupsFolder } from './backups.js';
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
  constructor({ fileStatus, editor, banner, onImport = () => {} }) {
    this.fileStatus = fileStatus;
    this.editor = editor;
    this.banner = banner;
    this.onImport = onImport;
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

  async open() {
    let recent = [];
    try {
      recent = await api.getRecent();
    } catch {
      recent = [];
    }
    const fileName = this.fileStatus().fileName;
    const choice = await openDialog((dialog, close) => {
      const actionButton = (label, value) => element('button', { type: 'button', text: label, onclick: () => close(value) });
      const closeButton = element('button', { type: 'button', class: 'primary', text: '閉じる', onclick: () => close(null) });
      dialog.classList.add('file-menu');
      dialog.append(
        element('h2', { text: 'ファイル' }),
        element('p', { class: 'file-menu-current', text: '開いているファイル: ' + fileName }),
        element('p', { class: 'muted', text: '編集内容はこのファイルに自動で保存されます。' }),
        element('div', { class: 'dialog-actions file-actions' },
          actionButton('新規作成…', 'new'),
          actionButton('開く…', 'open'),
          actionButton('別名で保存…', 'save-as'),
          actionButton(OPEN_BACKUP_LABEL, OPEN_BACKUP_ACTION),
          actionButton('インポート…', 'import')));
      // The file open in this window is not offered again.
      if (recent.some((entry) => entry.path !== this.fileStatus().file)) {
        dialog.append(
          element('h3', { text: '最近使ったファイル' }),
          element('div', { class: 'recent-files' }, ...recent.map((entry, index) => element('button', {
            type: 'button', text: String(entry.name ?? ''), title: String(entry.path ?? ''),
            disabled: entry.exists === false, onclick: () => close('recent/' + index),
          })).filter((button, index) => recent[index].path !== this.fileStatus().file)));
      }
      dialog.append(element('div', { class: 'dialog-actions' }, closeButton));
      requestAnimationFrame(() => closeButton.focus());
    });
    if (!choice) return;
    if (choice === 'save-as') await this.saveAs();
    else if (choice === 'import') await this.onImport();
    else await this.runFileAction(choice);
  }
}
