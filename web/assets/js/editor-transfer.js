// Pasted and dropped content and image uploads, inserted where the caret was when they began
// (loaded after the window's first frame, or at the first paste or drop: see editor-events.js).
import { showToast } from './dialogs.js';
import { uploadImages, uploadDataImages, imageFilesOf } from './images.js';
import { parseInert } from './inert-html.js';
import { convertOfficeLists } from './office-lists.js';
import { insertLines } from './paste-text.js';
import { deleteWide } from './wide-delete.js';
import { escapeHtml } from './sanitize.js';

// Runs an upload and inserts what it gives where the caret was when it began, in the page
// that was open then; a page switch waits for it (see flush).
export async function insertAfterUpload(editor, upload) {
  const id = editor.pageId;
  const selection = document.getSelection();
  const current = selection.rangeCount ? selection.getRangeAt(0) : null;
  const range = current && editor.body.contains(current.commonAncestorContainer)
    ? current.cloneRange() : editor.savedRange && editor.savedRange.cloneRange();
  const task = (async () => {
    const html = await upload();
    if (!html || editor.pageId !== id) return;
    if (range && editor.body.contains(range.commonAncestorContainer)) {
      editor.savedRange = range;
      selection.removeAllRanges();
      selection.addRange(range.cloneRange());
    }
    editor.insertHtml(html);
  })();
  editor.uploads.add(task);
  try {
    await task;
  } finally {
    editor.uploads.delete(task);
  }
}

export async function insertImageFiles(editor, files) {
  editor.report('saving');
  try {
    await insertAfterUpload(editor, async () => {
      const paths = await uploadImages(files);
      if (!paths.length) editor.report(editor.dirty ? 'saving' : 'saved');
      return paths.map((path) => '<img src="' + path + '" alt="">').join('');
    });
  } catch (error) {
    editor.report('error', error.message);
    showToast(error.message);
  }
}

export async function insertTransfer(editor, data) {
  const files = imageFilesOf(data.files);
  const text = data.getData('text/plain');
  const html = data.getData('text/html');
  if (files.length && !text.trim()) {
    await insertImageFiles(editor, files);
  } else if (html) {
    try {
      await insertAfterUpload(editor, async () => {
        // Read where nothing in it can run; the editor takes it in only once sanitized.
        const doc = parseInert(html);
        convertOfficeLists(doc);
        await uploadDataImages(doc);
        return doc.body.innerHTML;
      });
    } catch (error) {
      showToast(error.message);
    }
  } else if (text) {
    insertPlainText(editor, text);
  }
}

// A line of plain text as HTML, its runs of spaces kept as typed.
function lineHtml(line) {
  return escapeHtml(line).replace(/^ | (?= )| $/g, '&nbsp;');
}

// Several lines go in at once, one block each, as one step (see paste-text.js).
export function insertPlainText(editor, text) {
  const lines = text.replace(/\r\n?/g, '\n').split('\n');
  if (lines.length === 1) {
    editor.exec('insertText', text);
    return;
  }
  editor.edit(() => {
    if (!document.getSelection().isCollapsed && !deleteWide(editor.body)) document.execCommand('delete', false, null);
    if (!insertLines(editor.body, lines)) {
      document.execCommand('insertHTML', false, lines.map((line) => '<p>' + (lineHtml(line) || '<br>') + '</p>').join(''));
    }
  });
}
