// A backup's window: its title and a notice say that it is read-only, and the editor and the page list take no edits.
import { messages } from './messages.js';
import { baseName } from './window-title.js';


// Every way into the page body that bypasses typing: pasting, dropping, and the image tool's clicks.
const BLOCKED_EVENTS = ['beforeinput', 'paste', 'drop', 'dragover', 'cut'];

export function readOnlyTitle(fileName) {
  return messages.readOnlyTitle(baseName(fileName));
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
  banner.show('read-only', messages.readOnlyNotice + messages.readOnlyExplained, [{ label: messages.saveCopy, handler: onSaveCopy }]);
}
