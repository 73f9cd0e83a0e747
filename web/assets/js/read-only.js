// A backup's window: its title and a notice say that it is read-only, and the editor and the page list take no edits.
import { baseName } from './file-menu.js';

export const READ_ONLY_NOTICE = 'バックアップ（読み取り専用）';
export const SAVE_COPY_LABEL = '名前を付けて保存…';
const NOTICE_TEXT = READ_ONLY_NOTICE + ' — 古いバックアップは自動で削除されるため、このファイルは編集できません。' +
  '編集するには、名前を付けてコピーを保存してください。';

// Every way into the page body that bypasses typing: pasting, dropping, and the image tool's clicks.
const BLOCKED_EVENTS = ['beforeinput', 'paste', 'drop', 'dragover', 'cut'];

export function readOnlyTitle(fileName) {
  return baseName(fileName) + ' [読み取り専用] - Ferncard';
}

// onSaveCopy() runs save as: the copy opens, editable, in a window of its own.
export function lockForReading({ ui, banner, pages, fileName, onSaveCopy }) {
  document.title = readOnlyTitle(fileName);
  document.body.classList.add('read-only');
  pages.readOnly = true;
  ui.editor.contentEditable = 'false';
  ui.editor.removeAttribute('data-placeholder');
  ui.title.readOnly = true;
  ui.toolbar.hidden = true;
  ui.newPageBtn.disabled = true;
  ui.newPageBtn.hidden = true;
  for (const type of BLOCKED_EVENTS) {
    ui.editorWrap.addEventListener(type, (event) => {
      event.preventDefault();
      event.stopPropagation();
    }, true);
  }
  ui.editorWrap.addEventListener('click', (event) => {
    if (event.target instanceof Element && event.target.closest('img')) event.stopPropagation();
  }, true);
  banner.show('read-only', NOTICE_TEXT, [{ label: SAVE_COPY_LABEL, handler: onSaveCopy }]);
}
