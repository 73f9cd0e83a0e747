// A selection across many blocks is removed with the DOM's own range deletion, and the blocks at
// its two ends joined as the browser's delete joins them: the browser's command takes the nodes
// between out one at a time, which freezes the window for minutes over a megabyte.

const WIDE = 64; // top-level blocks from one end of the selection to the other
const JOINED = new Set(['p', 'div', 'h1', 'h2', 'h3']);
const SHOWN = new Set(['img', 'br', 'hr', 'table']); // elements that show without text

function topBlock(node, body) {
  for (; node && node.parentNode !== body; node = node.parentNode) if (!node.parentNode) return null;
  return node;
}

const nodeLength = (node) => (node.nodeType === Node.TEXT_NODE ? node.length : node.childNodes.length);

// A block left with no text and nothing else to show keeps a line break, so the caret has a line.
function keepOpen(block) {
  for (const node of [...block.childNodes]) {
    const empty = node.nodeType === Node.TEXT_NODE ? !node.length
      : !SHOWN.has(node.localName) && !node.textContent && !node.querySelector('img, br, hr, table');
    if (empty) node.remove();
  }
  if (!block.firstChild) block.append(document.createElement('br'));
}

// Deletes the selection in body when it spans many blocks, leaving the caret where it began;
// answers whether it did (else the browser's own command is the one to run).
export function deleteWide(body) {
  const selection = document.getSelection();
  if (!selection.rangeCount || selection.isCollapsed) return false;
  const range = selection.getRangeAt(0);
  if (!body.contains(range.startContainer) || !body.contains(range.endContainer)) return false;
  const first = range.startContainer === body ? body.childNodes[range.startOffset] : topBlock(range.startContainer, body);
  const last = range.endContainer === body ? body.childNodes[range.endOffset - 1] : topBlock(range.endContainer, body);
  if (!first || !last) return false;
  let span = 0;
  for (let node = first; node && node !== last && span <= WIDE; node = node.nextSibling) span++;
  if (span <= WIDE) return false;
  // The deletion leaves the range between the two blocks; the caret goes where the selection began.
  const start = range.startContainer;
  const startOffset = range.startOffset;
  range.deleteContents();
  // What is left of the last block goes into the first, as the browser's delete does with paragraphs.
  const head = first.isConnected ? first : null;
  const tail = last.isConnected && last !== first ? last : null;
  if (head && tail && JOINED.has(head.localName) && JOINED.has(tail.localName)) {
    head.append(...tail.childNodes);
    tail.remove();
  }
  const block = head || tail;
  if (block && block.nodeType === Node.ELEMENT_NODE && JOINED.has(block.localName)) keepOpen(block);
  if (!body.firstChild) {
    const paragraph = document.createElement('p');
    paragraph.append(document.createElement('br'));
    body.append(paragraph);
  }
  // A text node emptied where it began was taken out above.
  const caret = document.createRange();
  if (start !== body && body.contains(start)) caret.setStart(start, Math.min(startOffset, nodeLength(start)));
  else caret.setStart(body.firstChild, 0);
  selection.removeAllRanges();
  selection.addRange(caret);
  return true;
}
