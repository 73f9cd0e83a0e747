// Plain text of several lines put in at the caret in one go, each line a block as Enter between
// them would make: the browser's own commands split the block line by line (or re-nest every
// pasted paragraph in a heading), which takes minutes for a megabyte.

// Blocks that hold one line of text and are split in two at the caret.
const LINE_BLOCKS = new Set(['p', 'div', 'h1', 'h2', 'h3', 'li']);

// A line's text with its runs of spaces kept as typed.
function lineNode(line) {
  if (!line) return document.createElement('br');
  return document.createTextNode(line.replace(/^ | (?= )| $/g, '\u00a0'));
}

function lineBlock(node, body) {
  for (; node && node !== body; node = node.parentNode) {
    if (node.nodeType === Node.ELEMENT_NODE && LINE_BLOCKS.has(node.localName)) return node;
  }
  return null;
}

function isBlank(element) {
  return !element.textContent && !element.querySelector('img, br, hr, table');
}

function placeCaret(node, offset) {
  const range = document.createRange();
  range.setStart(node, offset);
  const selection = document.getSelection();
  selection.removeAllRanges();
  selection.addRange(range);
}

// Inserts the lines (at least two) at the collapsed selection inside body. Answers false where
// the caret is in no line block (a table cell, say), for the caller to insert them otherwise.
export function insertLines(body, lines) {
  const selection = document.getSelection();
  if (!selection.rangeCount) return false;
  let range = selection.getRangeAt(0);
  if (!body.firstChild) {
    const paragraph = document.createElement('p');
    body.append(paragraph);
    range = document.createRange();
    range.setStart(paragraph, 0);
  }
  const pre = range.startContainer.parentElement && range.startContainer.parentElement.closest('pre');
  if (pre && body.contains(pre)) {
    const text = document.createTextNode(lines.join('\n'));
    range.insertNode(text);
    placeCaret(text, text.length);
    return true;
  }
  const block = lineBlock(range.startContainer, body);
  if (!block) return false;
  // What follows the caret in its block moves to the block of the last line.
  const after = document.createRange();
  after.setStart(range.startContainer, range.startOffset);
  after.setEnd(block, block.childNodes.length);
  const rest = after.extractContents();
  const kind = block.localName === 'li' ? 'li' : 'p';
  const restBlank = !rest.textContent && !rest.querySelector('img, table, hr');
  const last = restBlank && kind === 'p' ? document.createElement('p') : block.cloneNode(false);
  range.insertNode(lineNode(lines[0]));
  const middle = document.createDocumentFragment();
  for (const line of lines.slice(1, -1)) {
    const element = document.createElement(kind);
    element.append(lineNode(line));
    middle.append(element);
  }
  const end = lineNode(lines[lines.length - 1]);
  last.append(end);
  if (!restBlank) last.append(rest);
  // A line break that only held the emptied block open goes.
  const trailing = block.lastChild;
  if (trailing && trailing.nodeName === 'BR' && trailing.previousSibling && trailing.previousSibling.nodeName !== 'BR') {
    trailing.remove();
  }
  if (isBlank(block)) block.append(document.createElement('br'));
  block.after(middle, last);
  if (end.nodeType === Node.TEXT_NODE) placeCaret(end, end.length);
  else placeCaret(last, 0);
  last.scrollIntoView({ block: 'nearest' });
  return true;
}
