// Block structure fixes for the editor: no blocks inside paragraphs, leaving a code block,
// typed first lines made paragraphs, the caret put back where it was, and wide selections deleted.
import { BLOCKS as PARAGRAPH_BREAKERS, splitParagraph } from './sanitize.js';
export { deleteWide } from './wide-delete.js';

const BLOCKS = ['h1', 'h2', 'h3', 'blockquote', 'pre'];

export function restoreSelection(body, savedRange) {
  const selection = document.getSelection();
  if (document.activeElement === body && selection.rangeCount &&
      body.contains(selection.getRangeAt(0).commonAncestorContainer)) return;
  body.focus();
  const range = document.createRange();
  if (savedRange && body.contains(savedRange.commonAncestorContainer)) {
    range.setStart(savedRange.startContainer, savedRange.startOffset);
    range.setEnd(savedRange.endContainer, savedRange.endOffset);
  } else {
    range.selectNodeContents(body);
    range.collapse(false);
  }
  selection.removeAllRanges();
  selection.addRange(range);
}

// The browser builds lists inside the paragraph they are made in, and a paragraph inside a
// code block it is toggled off in: such blocks are moved out, beside the paragraph or code.
export function liftBlocks(body) {
  const nested = [...body.querySelectorAll('p, pre')].filter((outer) =>
    [...outer.querySelectorAll('*')].some((inner) => outer.localName === 'pre'
      ? inner.localName === 'p' : PARAGRAPH_BREAKERS.has(inner.localName)));
  if (!nested.length) return;
  const selection = document.getSelection();
  const range = selection.rangeCount ? selection.getRangeAt(0) : null;
  const caret = range && [range.startContainer, range.startOffset, range.endContainer, range.endOffset];
  for (const outer of nested) if (outer.isConnected) splitParagraph(outer, outer.localName === 'pre' ? 'p' : null);
  if (caret && caret[0].isConnected && caret[2].isConnected) {
    const restored = document.createRange();
    restored.setStart(caret[0], Math.min(caret[1], nodeLength(caret[0])));
    restored.setEnd(caret[2], Math.min(caret[3], nodeLength(caret[2])));
    selection.removeAllRanges();
    selection.addRange(restored);
  }
}

export function currentBlock(body) {
  const selection = document.getSelection();
  let node = selection.rangeCount ? selection.getRangeAt(0).startContainer : null;
  while (node && node !== body) {
    if (node.nodeType === Node.ELEMENT_NODE && BLOCKS.includes(node.localName)) return node.localName;
    node = node.parentNode;
  }
  return 'p';
}

// Enter on an empty last line of a code block ends the block with a paragraph after it.
export function leaveCodeBlock(editor) {
  const selection = document.getSelection();
  if (!selection.rangeCount || !selection.isCollapsed) return false;
  const caret = selection.getRangeAt(0);
  const pre = closestElement(caret.startContainer, 'pre', editor.body);
  if (!pre) return false;
  const after = document.createRange();
  after.setStart(caret.startContainer, caret.startOffset);
  after.setEnd(pre, pre.childNodes.length);
  if (textWithBreaks(after.cloneContents()).replace(/\n$/, '') !== '') return false;
  const before = document.createRange();
  before.setStart(pre, 0);
  before.setEnd(caret.startContainer, caret.startOffset);
  const text = textWithBreaks(before.cloneContents());
  if (text === '') {
    editor.exec('formatBlock', 'p');
    return true;
  }
  if (!text.endsWith('\n')) return false;
  document.execCommand('delete', false, null);
  while (pre.lastChild && pre.lastChild.nodeName === 'BR' && pre.lastChild.previousSibling) pre.lastChild.remove();
  const paragraph = document.createElement('p');
  paragraph.append(document.createElement('br'));
  pre.after(paragraph);
  const range = document.createRange();
  range.setStart(paragraph, 0);
  selection.removeAllRanges();
  selection.addRange(range);
  editor.markDirty();
  return true;
}

// Makes room for a block about to be put at the caret: at the end of a list item it would land
// inside the item. An item with text ends its list first, as two Enters do; an empty item is
// replaced, as one Enter does.
export function endListItemFor(body) {
  const selection = document.getSelection();
  if (!selection.rangeCount || !selection.isCollapsed) return;
  const caret = selection.getRangeAt(0);
  const item = closestElement(caret.startContainer, 'li', body);
  if (!item) return;
  const after = document.createRange();
  after.setStart(caret.startContainer, caret.startOffset);
  after.setEnd(item, item.childNodes.length);
  const rest = after.cloneContents();
  if (textWithBreaks(rest).trim() !== '' || rest.querySelector('img, table, hr, ul, ol')) return;
  const empty = !item.textContent.trim() && !item.querySelector('img');
  document.execCommand('insertParagraph', false, null);
  if (!empty) document.execCommand('insertParagraph', false, null);
}

export function firstLineFix(body) {
  const first = body.firstChild;
  const selection = document.getSelection();
  if (first && first.nodeType === Node.TEXT_NODE && first.data.trim() && selection.rangeCount &&
      selection.getRangeAt(0).startContainer === first) {
    document.execCommand('formatBlock', false, 'p');
  }
}

function nodeLength(node) {
  return node.nodeType === Node.ELEMENT_NODE ? node.childNodes.length : node.length;
}

function closestElement(node, name, root) {
  for (; node && node !== root; node = node.parentNode) {
    if (node.nodeType === Node.ELEMENT_NODE && node.localName === name) return node;
  }
  return null;
}

// The text of a fragment with each line break element as a line feed.
function textWithBreaks(fragment) {
  let text = '';
  const walker = document.createTreeWalker(fragment, NodeFilter.SHOW_ELEMENT | NodeFilter.SHOW_TEXT);
  for (let node = walker.nextNode(); node; node = walker.nextNode()) {
    if (node.nodeType === Node.TEXT_NODE) text += node.data;
    else if (node.localName === 'br') text += '\n';
  }
  return text;
}
