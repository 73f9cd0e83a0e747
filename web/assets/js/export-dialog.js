// The HTML export dialog: which pages to write, the save picker, and the toasts that follow.
import { element, openDialog, showToast } from './dialogs.js';
import { createExport, pickSaveTarget, sanitizeFileName, writeTarget } from './export.js';
import { FILE_ERROR_TOAST_MS, baseName, messageOf } from './file-menu.js';
import { displayTitle } from './tree-model.js';

const EXPORT_DONE_TOAST_MS = 6000;
const EXPORTING_TOAST_MS = 60000;

async function runExport(editor, title, list) {
  const target = await pickSaveTarget(sanitizeFileName(title) + '.html');
  if (!target) return;
  if (!(await editor.flush())) {
    showToast('編集中の内容を保存できないため、出力を中止しました。', { ms: FILE_ERROR_TOAST_MS, error: true });
    return;
  }
  showToast('出力しています…', { ms: EXPORTING_TOAST_MS });
  try {
    const { text, missing } = await createExport(title, list);
    await writeTarget(target, text);
    let message = list.length + ' ページを出力しました: ' + target.fileName;
    if (missing > 0) message += '（読み込めなかった画像 ' + missing + ' 枚）';
    showToast(message, { ms: EXPORT_DONE_TOAST_MS });
  } catch (error) {
    showToast('出力できませんでした: ' + messageOf(error), { ms: FILE_ERROR_TOAST_MS, error: true });
  }
}

// pages: the tree store; selectedId: the selected page or null; fileName: the open file's name.
export async function openExportDialog({ pages, selectedId, fileName, editor }) {
  if (!(selectedId && pages.isLivePage(selectedId))) selectedId = null;
  const selected = selectedId ? pages.page(selectedId) : null;
  const title = selected ? displayTitle(selected) : '';
  const all = pages.exportList();
  const branch = selectedId ? pages.exportList(selectedId) : [];
  const choice = await openDialog((dialog, close) => {
    const button = (label, value, disabled, className = '') => element('button', {
      type: 'button', text: label, disabled, class: className, onclick: () => close(value),
    });
    const cancel = element('button', { type: 'button', text: 'キャンセル', onclick: () => close(null) });
    dialog.append(
      element('h2', { text: 'HTML 出力' }),
      element('p', { text: selected ? '選択中のページ: ' + title : 'ページが選択されていません。' }),
      element('p', { class: 'muted', text: '画像も含めて 1 つの HTML ファイルに保存します。ごみ箱のページは含みません。' }),
      element('div', { class: 'dialog-actions export-actions' },
        button('このページ', 'page', !selected, 'primary'),
        button('子ページも含める（' + branch.length + ' ページ）', 'branch', branch.length < 2),
        button('すべてのページ（' + all.length + ' ページ）', 'all', all.length === 0),
        cancel));
    requestAnimationFrame(() => cancel.focus());
  });
  // The save picker is asked for right away, while the click still counts as the user's action.
  if (choice === 'page') await runExport(editor, title, branch.slice(0, 1));
  else if (choice === 'branch') await runExport(editor, title, branch);
  else if (choice === 'all') await runExport(editor, baseName(fileName), all);
}
