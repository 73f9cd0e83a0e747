// Allow-list HTML sanitizer: builds a fresh tree in an empty document from the parsed input,
// so nothing that was removed can come back through re-parsing, and shapes the tree so that
// reading its output again gives the same tree.
import { IMAGE_CLASSES, pageLinkHref, safeLink, storedImagePath } from './content-rules.js';
import { parseInert } from './inert-html.js';
import { messages } from './messages.js';

const ALLOWED = new Set(['p', 'div', 'br', 'h1', 'h2', 'h3', 'b', 'strong', 'i', 'em', 'u', 's', 'sub',
  'sup', 'span', 'ul', 'ol', 'li', 'blockquote', 'pre', 'code', 'hr', 'a', 'img', 'table', 'thead',
  'tbody', 'tfoot', 'tr', 'th', 'td', 'caption']);
const RENAMED = { h4: 'h3', h5: 'h3', h6: 'h3', strike: 's', del: 's', ins: 'u' };
const DROPPED = new Set(['script', 'style', 'iframe', 'object', 'embed', 'applet', 'svg', 'math',
  'template', 'noscript', 'noembed', 'noframes', 'link', 'meta', 'title', 'head', 'base', 'frame',
  'frameset', 'audio', 'video', 'source', 'track', 'canvas', 'input', 'button', 'select', 'option',
  'textarea', 'dialog', 'marquee', 'xmp', 'plaintext', 'listing']);
const STYLES = ['color', 'background-color', 'text-align', 'font-weight', 'font-style',
  'text-decoration-line', 'font-size'];
const ALLOWED_STYLES = new Set(STYLES);
const HTML_NS = 'http://www.w3.org/1999/xhtml';
const MAX_DEPTH = 200;

// Blocks that end an open paragraph when the parser meets them.
export const BLOCKS = new Set(['p', 'div', 'h1', 'h2', 'h3', 'ul', 'ol', 'li', 'blockquote', 'pre',
  'hr', 'table']);
const HEADINGS = new Set(['h1', 'h2', 'h3']);
// Elements the parser does not look past when it closes an open list item.
const LIST_ITEM_STOPS = new Set(['blockquote', 'br', 'h1', 'h2', 'h3', 'hr', 'img', 'ol', 'pre', 'table',
  'tbody', 'td', 'tfoot', 'th', 'thead', 'tr', 'ul', 'caption']);
const CELL_BOUNDARIES = new Set(['td', 'th', 'caption']);
const TABLE_PARTS = new Set(['caption', 'thead', 'tbody', 'tfoot', 'tr', 'td', 'th']);
// What each table element may hold directly, and the part that wraps anything else.
const TABLE_CHILDREN = {
  table: [new Set(['caption', 'thead', 'tbody', 'tfoot']), 'tbody'],
  thead: [new Set(['tr']), 'tr'],
  tbody: [new Set(['tr']), 'tr'],
  tfoot: [new Set(['tr']), 'tr'],
  tr: [new Set(['td', 'th']), 'td'],
};
// How deep each part sits in a table: a part is wrapped only into a deeper place.
const TABLE_RANK = { table: 0, caption: 1, thead: 1, tbody: 1, tfoot: 1, tr: 2, td: 3, th: 3 };

// The input's nodes are read only through the prototypes' own accessors: a form's named
// controls shadow its properties (an input named "childNodes" replaces form.childNodes).
const getter = (proto, name) => Object.getOwnPropertyDescriptor(proto, name).get;
const read = {
  body: getter(Document.prototype, 'body'),
  firstChild: getter(Node.prototype, 'firstChild'),
  nextSibling: getter(Node.prototype, 'nextSibling'),
  nodeType: getter(Node.prototype, 'nodeType'),
  data: getter(CharacterData.prototype, 'data'),
  namespaceURI: getter(Element.prototype, 'namespaceURI'),
  localName: getter(Element.prototype, 'localName'),
  style: getter(HTMLElement.prototype, 'style'),
};
const getAttribute = (node, name) => Element.prototype.getAttribute.call(node, name);

function safeStyleValue(value) {
  return /^[A-Za-z0-9\s#%.,()-]*$/.test(value) &&
    !/(url|var)\s*\(/i.test(value) && !/expression/i.test(value);
}

function numberAttr(value, limit) {
  if (value === null || !/^[0-9]{1,5}$/.test(value)) return null;
  const number = Number(value);
  return number > 0 && number <= limit ? value : null;
}

function copyStyles(from, to) {
  // Most pasted elements carry no style attribute; asking for .style would build one anyway.
  if (getAttribute(from, 'style') === null) return;
  const style = read.style.call(from);
  if (!style) return;
  for (let i = 0; i < style.length; i++) {
    const name = style[i];
    if (!ALLOWED_STYLES.has(name)) continue;
    const value = style.getPropertyValue(name);
    if (value && safeStyleValue(value)) to.style.setProperty(name, value);
  }
}

function hasAncestor(parent, names, boundaries) {
  for (let node = parent; node; node = node.parentNode) {
    if (names.has(node.localName)) return true;
    if (boundaries.has(node.localName)) return false;
  }
  return false;
}

// Whether an element of this name under `parent` would be closed or moved by the parser when
// the output is read again; such an element is unwrapped instead.
function misplaced(name, parent) {
  const where = parent.localName;
  if (name === 'a') return hasAncestor(parent, new Set(['a']), CELL_BOUNDARIES);
  if (name === 'li') return hasAncestor(parent, new Set(['li']), LIST_ITEM_STOPS);
  if (HEADINGS.has(name)) return HEADINGS.has(where);
  if (TABLE_PARTS.has(name)) {
    if (name === 'td' || name === 'th') return where !== 'tr';
    if (name === 'tr') return !['thead', 'tbody', 'tfoot'].includes(where);
    return where !== 'table';
  }
  return false;
}

// The element that takes a child under a table part: the parent itself when the child belongs
// there (or is a part no deeper than it, to be unwrapped), else the parent's last child or a
// new one of the wrapping part, followed down.
function holder(parent, name, out) {
  for (;;) {
    const rule = TABLE_CHILDREN[parent.localName];
    if (!rule || rule[0].has(name)) return parent;
    if (name !== 'table' && Object.hasOwn(TABLE_RANK, name) && TABLE_RANK[name] <= TABLE_RANK[parent.localName]) return parent;
    const wrap = rule[1];
    const last = parent.lastChild;
    if (last && last.localName === wrap) {
      parent = last;
    } else {
      const part = out.createElement(wrap);
      parent.append(part);
      parent = part;
    }
  }
}

function appendText(text, parent, out) {
  // Blank text stays where it is in tables; the parser moves any other text out of them.
  const target = /^[ \t\n\f\r]*$/.test(text) ? parent : holder(parent, '#text', out);
  target.append(out.createTextNode(text));
}

function copyChildren(from, to, out, depth) {
  for (let child = read.firstChild.call(from); child; child = read.nextSibling.call(child)) {
    copyNode(child, to, out, depth);
  }
}

function copyImage(node, parent, out) {
  const src = getAttribute(node, 'src');
  const stored = storedImagePath(src);
  if (stored) {
    const img = out.createElement('img');
    img.setAttribute('src', stored);
    img.setAttribute('alt', getAttribute(node, 'alt') || '');
    const width = numberAttr(getAttribute(node, 'width'), 8000);
    if (width) img.setAttribute('width', width);
    const classes = (getAttribute(node, 'class') || '').split(/\s+/);
    const imageClass = classes.find((c) => IMAGE_CLASSES.includes(c));
    if (imageClass) img.className = imageClass;
    holder(parent, 'img', out).append(img);
    return;
  }
  const link = safeLink(src);
  if (link && /^https?:/.test(link)) {
    const text = messages.outsideImage + link;
    if (misplaced('a', parent)) {
      appendText(text, parent, out);
      return;
    }
    const a = out.createElement('a');
    a.setAttribute('href', link);
    a.textContent = text;
    holder(parent, 'a', out).append(a);
  }
}

function copyNode(node, parent, out, depth) {
  const type = read.nodeType.call(node);
  if (type === Node.TEXT_NODE) {
    appendText(read.data.call(node), parent, out);
    return;
  }
  if (type !== Node.ELEMENT_NODE) return;
  if (read.namespaceURI.call(node) !== HTML_NS) return;
  let name = read.localName.call(node);
  if (DROPPED.has(name)) return;
  name = RENAMED[name] || name;
  if (name === 'img') {
    copyImage(node, parent, out);
    return;
  }
  const href = name === 'a' ? pageLinkHref(getAttribute(node, 'href')) || safeLink(getAttribute(node, 'href')) : null;
  // The parts of a kept table stay whatever the depth, so that no cell runs into another.
  const tablePart = TABLE_PARTS.has(name) && Object.hasOwn(TABLE_CHILDREN, parent.localName);
  if (!ALLOWED.has(name) || (depth >= MAX_DEPTH && !tablePart) || (name === 'a' && !href)) {
    copyChildren(node, parent, out, depth + 1);
    return;
  }
  const target = holder(parent, name, out);
  if (misplaced(name, target)) {
    copyChildren(node, target, out, depth + 1);
    return;
  }
  const copy = out.createElement(name);
  if (href) copy.setAttribute('href', href);
  copyStyles(node, copy);
  if (name === 'td' || name === 'th') {
    for (const attr of ['colspan', 'rowspan']) {
      const value = numberAttr(getAttribute(node, attr), 100);
      if (value) copy.setAttribute(attr, value);
    }
  }
  if (name === 'ol') {
    const start = numberAttr(getAttribute(node, 'start'), 99999);
    if (start) copy.setAttribute('start', start);
  }
  // Attached first, so that the checks made for its children see every element above them.
  target.append(copy);
  if (name !== 'br' && name !== 'hr') copyChildren(node, copy, out, depth + 1);
  // A paragraph left empty, or holding only blank text (a script between line breaks), is dropped.
  if (name === 'p' && !copy.firstElementChild && !/[^ \t\n\f\r]/.test(copy.textContent)) copy.remove();
  // The parser drops one line break right after <pre>: a leading one is written twice.
  if (name === 'pre' && copy.firstChild && copy.firstChild.nodeType === Node.TEXT_NODE &&
      copy.firstChild.data.startsWith('\n')) {
    copy.firstChild.data = '\n' + copy.firstChild.data;
  }
}

// The first block in `container`, in document order (so never one inside another block); or
// the first element named `only` when that is given.
function firstBlockIn(container, only = null) {
  const walker = container.ownerDocument.createTreeWalker(container, NodeFilter.SHOW_ELEMENT);
  for (let node = walker.nextNode(); node; node = walker.nextNode()) {
    if (only ? node.localName === only : BLOCKS.has(node.localName)) return node;
  }
  return null;
}

function pruneEmptyInline(node) {
  for (const child of [...node.childNodes]) {
    if (child.nodeType !== Node.ELEMENT_NODE) continue;
    pruneEmptyInline(child);
    if (!child.hasChildNodes() && !BLOCKS.has(child.localName) &&
        !['br', 'img', 'td', 'th', 'tr'].includes(child.localName)) child.remove();
  }
}

// Moves every block (or every `only` element) out of the element `p`: what comes before a
// block stays in a copy of p before it, what comes after in p after it. Inline elements on the
// way to a block are split in two; copies left empty are removed.
export function splitParagraph(p, only = null) {
  const doc = p.ownerDocument;
  let rest = p;
  for (let block = firstBlockIn(rest, only); block; block = firstBlockIn(rest, only)) {
    const range = doc.createRange();
    range.setStart(rest, 0);
    range.setEndBefore(block);
    const before = rest.cloneNode(false);
    before.append(range.extractContents());
    pruneEmptyInline(before);
    if (before.hasChildNodes()) rest.before(before);
    rest.before(block);
  }
  pruneEmptyInline(rest);
  if (!rest.hasChildNodes()) rest.remove();
}

// Paragraphs holding blocks, which the parser would break apart, are split around them.
function splitParagraphs(root) {
  for (const p of [...root.querySelectorAll('p')]) {
    if (p.isConnected && firstBlockIn(p)) splitParagraph(p);
  }
}

// The sanitized content as an element of an otherwise empty document.
function sanitizedRoot(html) {
  const text = html === null || html === undefined ? '' : String(html);
  const parsed = parseInert(text);
  const out = document.implementation.createHTMLDocument('');
  const root = out.createElement('div');
  out.body.append(root);
  copyChildren(read.body.call(parsed), root, out, 0);
  splitParagraphs(root);
  return root;
}

export function sanitizeHtml(html) {
  return sanitizedRoot(html).innerHTML;
}

// The sanitized content as nodes to insert, with its text: inserting the nodes spares parsing
// the text again.
export function sanitizeToNodes(html) {
  const root = sanitizedRoot(html);
  const text = root.innerHTML;
  const fragment = document.createDocumentFragment();
  document.adoptNode(root);
  while (root.firstChild) fragment.append(root.firstChild);
  return { fragment, text };
}

const ESCAPES = { '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;', "'": '&#39;', '\u00a0': '&nbsp;' };

export function escapeHtml(text) {
  return String(text ?? '').replace(/[&<>"'\u00a0]/g, (c) => ESCAPES[c]);
}
