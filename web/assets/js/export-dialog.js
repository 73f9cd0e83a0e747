// The export dialog: which pages to write and in which format, the save picker, and the toasts
// that follow.
import { FILE_ERROR_TOAST_MS, openDialog, showToast } from './dialogs.js';
import { element, setText } from './element.js';
import { HTML_FILE, ZIP_FILE, createExport, pickSaveTarget, sanitizeFileName, writeTarget } from './export.js';
import { messageOf, messages } from './messages.js';
import { displayTitle } from './tree-model.js';
import { baseName } from './window-title.js';
import { styleSheet } from './on-demand.js';

// The dialog's own style sheet, which start-up does without.
await styleSheet('/assets/css/import.css');

const EXPORT_DONE_TOAST_MS = 6000;
const EXPORTING_TOAST_MS = 60000;

const FORMATS = {
  html: {
    label: messages.htmlFormat, heading: messages.htmlHeading, extension: '.html', fileType: HTML_FILE,
    note: messages.htmlNote,
    async build(title, list) {
      return createExport(title, list);
    },
  },
  markdown: {
    label: messages.zipFormat, heading: messages.zipHeading, extension: '.zip', fileType: ZIP_FILE,
    note: messages.zipNote,
    async build(title, list) {
      const { createMarkdownZip } = await import('./markdown-export.js');
      const { bytes, missing } = await createMarkdownZip(list);
      return { text: bytes, missing, type: 'application/zip' };
    },
  },
};

async function runExport(editor, title, list, format) {
  const target = await pickSaveTarget(sanitizeFileName(title) + format.extension, format.fileType);
  if (!target) return;
  if (!(await editor.flush())) {
    showToast(messages.exportSaveFailed, { ms: FILE_ERROR_TOAST_MS, error: true });
    return;
  }
  showToast(messages.exporting, { ms: EXPORTING_TOAST_MS });
  try {
    const { text, missing, type } = await format.build(title, list);
    await writeTarget(target, text, type);
    showToast(messages.exported(list.length, target.fileName, missing), { ms: EXPORT_DONE_TOAST_MS });
  } catch (error) {
    showToast(messages.exportFailed(messageOf(error)), { ms: FILE_ERROR_TOAST_MS, error: true });
  }
}

// pages: the tree store; selectedId: the selected page or null; fileName: the open file's name.
export async function openExportDialog({ pages, selectedId, fileName, editor }) {
  if (!(selectedId && pages.isLivePage(selectedId))) selectedId = null;
  const selected = selectedId ? pages.page(selectedId) : null;
  const title = selected ? displayTitle(selected) : '';
  const all = pages.exportList();
  const branch = selectedId ? pages.exportList(selectedId) : [];
  let format = FORMATS.html;
  const choice = await openDialog((dialog, close) => {
    const button = (label, value, disabled, className = '') => element('button', {
      type: 'button', text: label, disabled, class: className, onclick: () => close(value),
    });
    const cancel = element('button', { type: 'button', text: messages.cancel, onclick: () => close(null) });
    const heading = element('h2', { text: format.heading });
    const note = element('p', { class: 'muted', text: format.note });
    const formats = element('fieldset', { class: 'export-format' }, element('legend', { text: messages.format }),
      ...Object.entries(FORMATS).map(([key, entry]) => element('label', {},
        element('input', {
          type: 'radio', name: 'export-format', value: key, checked: entry === format,
          onchange: () => {
            format = entry;
            setText(heading, entry.heading);
            setText(note, entry.note);
          },
        }),
        entry.label)));
    dialog.append(
      heading,
      element('p', { text: selected ? messages.selectedPage(title) : messages.noPageSelected }),
      formats,
      note,
      element('div', { class: 'dialog-actions export-actions' },
        button(messages.thisPage, 'page', !selected, 'primary'),
        button(messages.withChildren(branch.length), 'branch', branch.length < 2),
        button(messages.allPages(all.length), 'all', all.length === 0),
        cancel));
    requestAnimationFrame(() => cancel.focus());
  });
  // The save picker is asked for right away, while the click still counts as the user's action.
  if (choice === 'page') await runExport(editor, title, branch.slice(0, 1), format);
  else if (choice === 'branch') await runExport(editor, title, branch, format);
  else if (choice === 'all') await runExport(editor, baseName(fileName), all, format);
}
