// The file menu and the About box: the dialogs about the open file, and the window's title.
import { api } from './api.js';
import { OPEN_BACKUP_ACTION, backupsFolder } from './backups.js';
import { openDialog, showToast } from './dialogs.js';
import { element } from './element.js';
import { messageOf, messages } from './messages.js';

export const FILE_ERROR_TOAST_MS = 8000;
const CLOSE_CHECK_MS = 500;

export function baseName(fileName) {
  return String(fileName || '').replace(/\.fcard$/i, '') || 'Ferncard';
}

export function windowTitle(fileName) {
  const base = baseName(fileName);
  return base === 'Ferncard' ? 'Ferncard' : messages.windowTitle(base);
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
      const closeButton = element('button', { type: 'button', class: 'primary', text: messages.close, onclick: () => close(null) });
      dialog.append(
        element('h2', { text: status.product + ' ' + status.version }),
        element('p', { class: 'about-maker', text: messages.maker }),
        element('p', { class: 'about-file', text: messages.fileLocation(status.file) }),
        element('p', { class: 'muted', text: messages.copyIsBackup }),
        element('p', { class: 'about-backups', text: messages.backupsLocation(backups) }),
        element('div', { class: 'dialog-actions' },
          element('button', {
            type: 'button', text: messages.openFileLocation,
            onclick: () => api.openDataFolder().catch((error) => showToast(error.message, { error: true })),
          }),
          closeButton));
      requestAnimationFrame(() => closeButton.focus());
    });
  }

  // Runs one file action of the program; resolves whether a file was opened.
  async runFileAction(action) {
    if (action === 'save-as' && !(await this.editor.flush())) {
      showToast(messages.fileSaveFailed, { ms: FILE_ERROR_TOAST_MS, error: true });
      return false;
    }
    try {
      const result = await api.fileAction(action);
      if (!result || !result.opened) return false;
      showToast(messages.opened(result.name));
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
      this.banner.show('file', messages.stillOriginal(this.fileStatus().fileName));
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
      const closeButton = element('button', { type: 'button', class: 'primary', text: messages.close, onclick: () => close(null) });
      dialog.classList.add('file-menu');
      dialog.append(
        element('h2', { text: messages.fileMenu }),
        element('p', { class: 'file-menu-current', text: messages.openFile(fileName) }),
        element('p', { class: 'muted', text: messages.autosaveNote }),
        element('div', { class: 'dialog-actions file-actions' },
          actionButton(messages.newFile, 'new'),
          actionButton(messages.openFileAction, 'open'),
          actionButton(messages.saveAs, 'save-as'),
          actionButton(messages.openBackup, OPEN_BACKUP_ACTION),
          actionButton(messages.importAction, 'import')));
      // The file open in this window is not offered again.
      if (recent.some((entry) => entry.path !== this.fileStatus().file)) {
        dialog.append(
          element('h3', { text: messages.recentFiles }),
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
