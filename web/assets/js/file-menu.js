// The file menu and the About box: the menu of file actions and recent files, and the About dialog.
import { api } from './api.js';
import { OPEN_BACKUP_ACTION, backupsFolder } from './backups.js';
import { ContextMenu } from './context-menu.js';
import { FILE_ERROR_TOAST_MS, openDialog, showToast } from './dialogs.js';
import { element } from './element.js';
import { messageOf, messages } from './messages.js';

const CLOSE_CHECK_MS = 500;

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
      { label: messages.newFile, action: run('new') },
      { label: messages.openFileAction, action: run('open') },
      { label: messages.saveAs, action: run('save-as') },
      { label: messages.openBackup, action: run(OPEN_BACKUP_ACTION) },
      { label: messages.importAction, action: run('import') },
    ];
    // The file open in this window is not offered again.
    const others = recent.map((entry, index) => ({ entry, index })).filter(({ entry }) => entry.path !== this.fileStatus().file);
    if (others.length) {
      items.push({
        group: messages.recentFiles,
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
