// The import's dialogs: choosing a folder or files, the progress line with its cancel button,
// and the summary of what came in and what was left out.
import { openDialog, showToast } from './dialogs.js';
import { element, setText } from './element.js';
import { extensionOf, stemOf } from './import-plan.js';
import { ImportCancelled, runImport } from './import-run.js';
import { messageOf, messages } from './messages.js';
import { styleSheet } from './on-demand.js';

// The dialog's own style sheet, which start-up does without.
await styleSheet('/assets/css/import.css');

const ERROR_TOAST_MS = 8000;

// Asks the browser for a folder (every file below it) or for several files; resolves the files,
// or null when the user chose nothing.
function chooseFiles(folder) {
  return new Promise((resolve) => {
    const input = element('input', { type: 'file', multiple: true, hidden: true });
    if (folder) input.webkitdirectory = true;
    else input.accept = '.md,.markdown,.html,.htm,.txt,.zip,.png,.jpg,.jpeg,.gif,.webp';
    const done = (files) => {
      input.remove();
      resolve(files && files.length ? [...files] : null);
    };
    input.addEventListener('change', () => done(input.files));
    input.addEventListener('cancel', () => done(null));
    document.body.append(input);
    input.click();
  });
}

// The chosen files relative to the import's top, and the top's name. A folder's files carry the
// folder's name first; a ZIP file is read as the folder it holds.
async function importEntries(files) {
  const relative = files[0].webkitRelativePath || '';
  if (relative.includes('/')) {
    const rootName = relative.slice(0, relative.indexOf('/'));
    return {
      rootName,
      entries: files.map((file) => ({ path: file.webkitRelativePath.slice(rootName.length + 1), file })),
    };
  }
  const entries = [];
  for (const file of files) {
    if (extensionOf(file.name) !== 'zip') {
      entries.push({ path: file.name, file });
      continue;
    }
    const { unzipSync } = await import('/vendor/fflate.js');
    const contents = unzipSync(new Uint8Array(await file.arrayBuffer()));
    const prefix = files.length > 1 ? stemOf(file.name) + '/' : '';
    for (const [path, bytes] of Object.entries(contents)) {
      if (path.endsWith('/')) continue;
      entries.push({ path: prefix + path, file: new File([bytes], path.slice(path.lastIndexOf('/') + 1)) });
    }
  }
  const rootName = files.length === 1 ? stemOf(files[0].name) : messages.fileCount(files.length);
  return { rootName, entries };
}

// The modal progress line; Escape or the button cancels.
function showProgress(onCancel) {
  const text = element('p', { class: 'import-progress-text', text: messages.readingFiles });
  const bar = element('progress', { class: 'import-progress-bar', max: 1, value: 0 });
  const cancel = element('button', { type: 'button', text: messages.cancel });
  const dialog = element('dialog', { class: 'dialog import-progress' },
    element('h2', { text: messages.importHeading }), text, bar,
    element('div', { class: 'dialog-actions' }, cancel));
  const stop = () => {
    if (cancel.disabled) return;
    cancel.disabled = true;
    setText(text, messages.cancelling);
    onCancel();
  };
  cancel.addEventListener('click', stop);
  dialog.addEventListener('cancel', (event) => {
    event.preventDefault();
    stop();
  });
  document.body.append(dialog);
  dialog.showModal();
  cancel.focus();
  return {
    update({ phase, done, total }) {
      if (cancel.disabled) return;
      if (phase === 'tree') {
        cancel.disabled = true;
        setText(text, messages.addingToTree);
        return;
      }
      const label = phase === 'read' ? messages.readingProgress : messages.writingProgress;
      setText(text, label + done + ' / ' + total);
      bar.max = total || 1;
      bar.value = done;
    },
    close() {
      dialog.close();
      dialog.remove();
    },
  };
}

function showSummary({ pages, pictures, skipped }) {
  return openDialog((dialog, close) => {
    const closeButton = element('button', { type: 'button', class: 'primary', text: messages.close, onclick: () => close(null) });
    dialog.classList.add('import-summary');
    dialog.append(
      element('h2', { text: messages.imported }),
      element('p', { class: 'import-counts', text: messages.importCounts(pages, pictures) }));
    if (skipped.length) {
      dialog.append(
        element('h3', { text: messages.skippedHeading(skipped.length) }),
        element('ul', { class: 'import-skipped' }, ...skipped.map(({ path, reason }) => element('li', {},
          element('span', { class: 'import-skipped-path', text: path || messages.chosenFile }),
          element('span', { class: 'import-skipped-reason', text: reason })))));
    }
    dialog.append(element('div', { class: 'dialog-actions' }, closeButton));
    requestAnimationFrame(() => closeButton.focus());
  });
}

async function runWithProgress(files, store, open) {
  const { rootName, entries } = await importEntries(files);
  const controller = new AbortController();
  const progress = showProgress(() => controller.abort());
  let summary;
  try {
    summary = await runImport({ files: entries, rootName, store, signal: controller.signal, onProgress: progress.update });
  } catch (error) {
    progress.close();
    if (error instanceof ImportCancelled) showToast(messages.importCancelledNothingAdded);
    else showToast(messages.importFailed(messageOf(error)), { ms: ERROR_TOAST_MS });
    return;
  }
  progress.close();
  await open(summary.rootId);
  await showSummary(summary);
}

// The file menu's import: store is the tree store, open(id) shows a page.
export async function openImportDialog({ store, open }) {
  const folder = await openDialog((dialog, close) => {
    const choose = (label, value, className = '') => element('button', { type: 'button', text: label, class: className, onclick: () => close(value) });
    const cancel = element('button', { type: 'button', text: messages.cancel, onclick: () => close(null) });
    dialog.classList.add('import-choice');
    dialog.append(
      element('h2', { text: messages.importHeading }),
      element('p', { text: messages.importIntro }),
      element('p', { class: 'muted', text: messages.importExplained }),
      element('div', { class: 'dialog-actions import-actions' },
        choose(messages.chooseFolder, 'folder', 'primary'), choose(messages.chooseFiles, 'files'), cancel));
    requestAnimationFrame(() => cancel.focus());
  });
  if (!folder) return;
  const files = await chooseFiles(folder === 'folder');
  if (!files) return;
  try {
    await runWithProgress(files, store, open);
  } catch (error) {
    showToast(messages.importFailed(messageOf(error)), { ms: ERROR_TOAST_MS });
  }
}
