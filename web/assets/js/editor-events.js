// The editor's event wiring: typing and composition, undo keys, the title field, the remembered
// selection, pastes and drops, and clicks on links.
import { showToast } from './dialogs.js';
import { firstLineFix, leaveCodeBlock } from './editor-blocks.js';
import { messages } from './messages.js';
import { onDemandObject } from './on-demand.js';
import { deleteWide } from './wide-delete.js';

// What pastes and drops insert (editor-transfer.js), loaded after the window's first frame.
export const transfers = onDemandObject('./editor-transfer.js', (module) => module);

// A paste's or drop's data, read while its event lasts (the browser empties it after).
function heldData(data) {
  const text = { 'text/plain': data.getData('text/plain'), 'text/html': data.getData('text/html') };
  return { files: [...(data.files || [])], getData: (type) => text[type] ?? '' };
}

// Runs insert(transfers, data) at once when editor-transfer.js is in; else once it is, with the
// caret put back where it was and the page's switches and saves waiting for it meanwhile.
export function withTransfers(editor, data, insert) {
  if (transfers.now) {
    insert(transfers.now, data);
    return;
  }
  const held = data && heldData(data);
  const id = editor.pageId;
  const selection = document.getSelection();
  const range = selection.rangeCount ? selection.getRangeAt(0).cloneRange() : null;
  const task = transfers().then((module) => {
    if (editor.pageId !== id) return undefined;
    if (range && editor.body.contains(range.commonAncestorContainer)) {
      selection.removeAllRanges();
      selection.addRange(range);
      editor.savedRange = range.cloneRange();
    }
    return insert(module, held);
  }).catch((error) => showToast(error.message));
  editor.uploads.add(task);
  task.finally(() => editor.uploads.delete(task));
}

function attachTransferEvents(editor) {
  editor.body.addEventListener('paste', (event) => {
    event.preventDefault();
    if (event.clipboardData) withTransfers(editor, event.clipboardData, (module, data) => module.insertTransfer(editor, data));
  });
  editor.body.addEventListener('dragstart', () => { editor.internalDrag = true; });
  editor.body.addEventListener('dragend', () => { editor.internalDrag = false; });
  editor.body.addEventListener('drop', (event) => {
    if (editor.internalDrag) return;
    event.preventDefault();
    const point = document.caretRangeFromPoint ? document.caretRangeFromPoint(event.clientX, event.clientY) : null;
    if (point && editor.body.contains(point.startContainer)) {
      const selection = document.getSelection();
      selection.removeAllRanges();
      selection.addRange(point);
      editor.savedRange = point.cloneRange();
    }
    // Every dropped file is offered as an image, so that one of another kind is refused aloud.
    withTransfers(editor, event.dataTransfer, (module, data) => {
      const files = [...(data.files || [])];
      return files.length ? module.insertImageFiles(editor, files) : module.insertTransfer(editor, data);
    });
  });
}

// Input that continues a typing run; any other input (a format by shortcut, a moved drag) is a
// step of its own.
const TYPING = /^(insertText|insertCompositionText|insertParagraph|insertLineBreak|insertReplacementText|delete(Content|Word|SoftLine|HardLine)?(Backward|Forward)?)$/;

// Input that replaces the selection: a wide one is deleted before the browser's command runs.
const WIDE_INPUT = /^(insertText|insertParagraph|insertLineBreak|delete\w*)$/;

// Text typed at a collapsed caret takes the caret's formatting, so the toolbar's state stays as
// it was: the selection change it makes is not asked about again (over a large page the queries
// cost as much as a fifth of a key).
const TYPED_TEXT = /^insert(Text|CompositionText)$/;

function undoKey(event) {
  if (!event.ctrlKey || event.altKey || event.metaKey) return null;
  const key = event.key.toLowerCase();
  if (key === 'z') return event.shiftKey ? 'redo' : 'undo';
  if (key === 'y' && !event.shiftKey) return 'redo';
  return null;
}

export function attachEditorEvents(editor) {
  const { body, titleInput, history } = editor;
  body.addEventListener('beforeinput', (event) => {
    // A format key on a caret changes only what is typed next, and no change of the selection
    // follows to tell the tool bar: it is told once the browser has made the change.
    if (event.inputType.startsWith('format')) setTimeout(() => editor.onSelectionChange());
    if (event.inputType === 'historyUndo' || event.inputType === 'historyRedo') {
      event.preventDefault();
      editor.exec(event.inputType === 'historyUndo' ? 'undo' : 'redo');
    } else if (!editor.commanding) {
      editor.typedAtCaret = TYPED_TEXT.test(event.inputType) && document.getSelection().isCollapsed;
      const typing = TYPING.test(event.inputType);
      if (!typing) history.checkpoint();
      // Over a selection of many blocks the deletion is made here; an insertion goes on at the caret.
      if (WIDE_INPUT.test(event.inputType) && deleteWide(body) && event.inputType.startsWith('delete')) {
        event.preventDefault();
        editor.markDirty();
        if (typing) history.typed();
        else history.record();
      }
    }
  });
  body.addEventListener('input', (event) => {
    editor.typedCaret = null;
    if (editor.commanding) return;
    if (!event.isComposing && !editor.composing) editor.quietly(() => firstLineFix(body));
    editor.markDirty();
    if (TYPING.test(event.inputType)) history.typed();
    else history.record();
    editor.imageTool.reposition();
    const selection = document.getSelection();
    if (editor.typedAtCaret && TYPED_TEXT.test(event.inputType) && selection.isCollapsed) {
      editor.typedCaret = [selection.focusNode, selection.focusOffset];
    }
  });
  body.addEventListener('compositionstart', () => { editor.composing = true; });
  body.addEventListener('compositionend', () => {
    editor.composing = false;
    editor.quietly(() => firstLineFix(body));
    if (editor.dirty && !editor.conflict) editor.schedule();
  });
  body.addEventListener('mousedown', () => {
    if (editor.loading) editor.clickedWhileLoading = true;
  });
  // An image is resized or placed from the overlay beside the body: that is a step of its own.
  editor.wrap.addEventListener('pointerdown', () => history.checkpoint(), true);
  titleInput.addEventListener('input', () => {
    if (!editor.pageId) return;
    editor.scheduleTitle();
  });
  body.addEventListener('keydown', (event) => {
    const step = undoKey(event);
    if (step && !event.isComposing && !editor.composing) {
      event.preventDefault();
      editor.exec(step);
    } else if (event.key === 'Enter' && !event.shiftKey && !event.isComposing && !editor.composing &&
        leaveCodeBlock(editor)) {
      event.preventDefault();
    }
  });
  titleInput.addEventListener('keydown', (event) => {
    if (event.key === 'Enter' && !event.isComposing) {
      event.preventDefault();
      body.focus();
    }
  });
  document.addEventListener('selectionchange', () => {
    const selection = document.getSelection();
    if (!selection.rangeCount) return;
    const range = selection.getRangeAt(0);
    if (!body.contains(range.commonAncestorContainer)) return;
    editor.savedRange = range.cloneRange();
    const typed = editor.typedCaret;
    editor.typedCaret = null;
    if (typed && range.collapsed && range.startContainer === typed[0] && range.startOffset === typed[1]) return;
    editor.onSelectionChange();
  });
  attachTransferEvents(editor);
  body.addEventListener('click', (event) => {
    const link = event.target.closest && event.target.closest('a');
    if (!link || !body.contains(link)) return;
    event.preventDefault();
    if (event.ctrlKey) window.open(link.href, '_blank', 'noopener,noreferrer');
    else showToast(messages.linkNeedsCtrl);
  });
}
