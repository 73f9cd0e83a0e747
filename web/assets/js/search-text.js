// Folding text for search as the server does: ASCII case, full-width Latin letters and digits,
// runs of white space; and the search highlight over a page body.

const HIGHLIGHT = 'search-match';
const SPACE = /[ \t\n\f\r\u00a0]/;
// Elements whose edges do not separate words; every other edge counts as a space, as on the server.
const INLINE = new Set(['a', 'b', 'strong', 'i', 'em', 'u', 's', 'sub', 'sup', 'span', 'code', 'font', 'small', 'big', 'mark']);

function blockOf(node, root) {
  let element = node.parentElement;
  while (element && element !== root && INLINE.has(element.localName)) element = element.parentElement;
  return element;
}

// One folded character for one UTF-16 unit, so positions in folded text are positions in the
// original; white space is left for the caller to collapse.
function foldChar(ch) {
  const code = ch.charCodeAt(0);
  if (code >= 0x41 && code <= 0x5a) return String.fromCharCode(code + 32);
  if (code >= 0xff10 && code <= 0xff19) return String.fromCharCode(code - 0xff10 + 0x30);
  if (code >= 0xff21 && code <= 0xff3a) return String.fromCharCode(code - 0xff21 + 0x61);
  if (code >= 0xff41 && code <= 0xff5a) return String.fromCharCode(code - 0xff41 + 0x61);
  return ch;
}

export function foldText(text) {
  let out = '';
  let space = false;
  for (const ch of String(text ?? '')) {
    if (SPACE.test(ch)) {
      space = out.length > 0;
      continue;
    }
    if (space) out += ' ';
    space = false;
    out += ch.length === 1 ? foldChar(ch) : ch;
  }
  return out;
}

// Marks every match of the query in root's text with the CSS Custom Highlight API (the DOM is not
// touched, so the body stays as stored) and scrolls the first one into view. Returns the count.
export function highlightMatches(root, query) {
  clearHighlight();
  const needle = foldText(query);
  if (!needle || typeof Highlight !== 'function' || !globalThis.CSS || !CSS.highlights) return 0;
  // The folded text of every text node, white space collapsed, with where each character came from.
  let folded = '';
  const origin = [];
  let space = false;
  let block = null;
  let edge = false;
  const walker = document.createTreeWalker(root, NodeFilter.SHOW_ELEMENT | NodeFilter.SHOW_TEXT);
  for (let node = walker.nextNode(); node; node = walker.nextNode()) {
    if (node.nodeType === Node.ELEMENT_NODE) {
      if (!INLINE.has(node.localName)) edge = true;
      continue;
    }
    const text = node.data;
    const nodeBlock = blockOf(node, root);
    if ((edge || nodeBlock !== block) && folded) space = true;
    block = nodeBlock;
    edge = false;
    for (let i = 0; i < text.length; i += 1) {
      if (SPACE.test(text[i])) {
        space = Boolean(folded);
        continue;
      }
      if (space) {
        folded += ' ';
        origin.push([node, i]);
      }
      space = false;
      folded += foldChar(text[i]);
      origin.push([node, i]);
    }
  }
  const ranges = [];
  for (let at = folded.indexOf(needle); at >= 0; at = folded.indexOf(needle, at + needle.length)) {
    const [startNode, startOffset] = origin[at];
    const [endNode, endOffset] = origin[at + needle.length - 1];
    const range = document.createRange();
    range.setStart(startNode, startOffset);
    range.setEnd(endNode, endOffset + 1);
    ranges.push(range);
  }
  if (!ranges.length) return 0;
  CSS.highlights.set(HIGHLIGHT, new Highlight(...ranges));
  const box = ranges[0].getBoundingClientRect();
  const element = ranges[0].startContainer.parentElement;
  if (element && (box.top < 0 || box.bottom > window.innerHeight)) element.scrollIntoView({ block: 'center' });
  return ranges.length;
}

export function clearHighlight() {
  if (globalThis.CSS && CSS.highlights) CSS.highlights.delete(HIGHLIGHT);
}
