// Allow-list HTML sanitizer: cleans the tree parsed in an inert document in place (every element
// kept loses all but its allowed attributes, anything else is unwrapped or removed), and shapes
// the tree so that reading its output again gives the same tree.
import { IMAGE_CLASSES, pageLinkHref, safeLink, storedImagePath } from './content-rules.js';
import { parseInert } from './inert-html.js';
import { messages } from './messages.js';

const ALLOWED = new Set(['p', 'div', 'br', 'h1', 'h2', 'h3', 'b', 'strong', 'i', 'em', 'u', 's', 'sub',
  'sup', 'span', 'ul', 'ol', 'li', 'blockquote', 'pre', 'code', 'hr', 'a', 'img', 'table', 'thead',
  'tbody', 'tfoot', 'tr', 'th', 'td', 'caption']);
// Maps, not objects, for every table looked up by element name: names come from the DOM as
// strings a property lookup must first find in the engine's string table.
const RENAMED = new Map([['h4', 'h3'], ['h5', 'h3'], ['h6', 'h3'], ['strike', 's'], ['del', 's'], ['ins', 'u']]);
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
const LINKS = new Set(['a']);
const LIST_ITEMS = new Set(['li']);
const TABLE_PARTS = new Set(['caption', 'thead', 'tbody', 'tfoot', 'tr', 'td', 'th']);
// What each table element may hold directly, and the part that wraps anything else.
const TABLE_CHILDREN = new Map([
  ['table', [new Set(['caption', 'thead', 'tbody', 'tfoot']), 'tbody']],
  ['thead', [new Set(['tr']), 'tr']],
  ['tbody', [new Set(['tr']), 'tr']],
  ['tfoot', [new Set(['tr']), 'tr']],
  ['tr', [new Set(['td', 'th']), 'td']],
]);
// How deep each part sits in a table: a part is wrapped only into a deeper place.
const TABLE_RANK = new Map([['table', 0], ['caption', 1], ['thead', 1], ['tbody', 1], ['tfoot', 1], ['tr', 2], ['td', 3], ['th', 3]]);

// The input's nodes are read only through the prototypes' own accessors: a form's named
// controls shadow its properties (an input named "childNodes" replaces form.childNodes). Forms
// are never kept, so the elements kept, and so every parent below, can be used directly.
const getter = (proto, name) => Object.getOwnPropertyDescriptor(proto, name).get;
const read = {
  body: getter(Document.prototype, 'body'),
  firstChild: getter(Node.prototype, 'firstChild'),
  nextSibling: getter(Node.prototype, 'nextSibling'),
  parentNode: getter(Node.prototype, 'parentNode'),
  nodeType: getter(Node.prototype, 'nodeType'),
  data: getter(CharacterData.prototype, 'data'),
  namespaceURI: getter(Element.prototype, 'namespaceURI'),
  localName: getter(Element.prototype, 'localName'),
  style: getter(HTMLElement.prototype, 'style'),
};
const getAttribute = (node, name) => Element.prototype.getAttribute.call(node, name);
const insertBefore = (parent, node, before) => Node.prototype.insertBefore.call(parent, node, before);
const removeNode = (node) => {
  const parent = read.parentNode.call(node);
  if (parent) Node.prototype.removeChild.call(parent, node);
};

function safeStyleValue(value) {
  return /^[A-Za-z0-9\s#%.,()-]*$/.test(value) &&
    !/(url|var)\s*\(/i.test(value) && !/expression/i.test(value);
}

function numberAttr(value, limit) {
  if (value === null || !/^[0-9]{1,5}$/.test(value)) return null;
  const number = Number(value);
  return number > 0 && number <= limit ? value : null;
}

// The allowed declarations of each style attribute already read in this run, as the attribute
// they make: pasted office HTML repeats a few styles on thousands of elements.
let stylesSeen = new Map();
let styleScratch = null;

function keptStyle(node) {
  // Most pasted elements carry no style attribute; asking for .style would build one anyway.
  const text = getAttribute(node, 'style');
  if (text === null) return null;
  if (stylesSeen.has(text)) return stylesSeen.get(text);
  styleScratch ??= document.implementation.createHTMLDocument('').createElement('span');
  styleScratch.removeAttribute('style');
  const style = read.style.call(node);
  for (let i = 0; style && i < style.length; i++) {
    const name = style[i];
    if (!ALLOWED_STYLES.has(name)) continue;
    const value = style.getPropertyValue(name);
    if (value && safeStyleValue(value)) styleScratch.style.setProperty(name, value);
  }
  const kept = styleScratch.getAttribute('style');
  stylesSeen.set(text, kept);
  return kept;
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
  if (name === 'a') return hasAncestor(parent, LINKS, CELL_BOUNDARIES);
  if (name === 'li') return hasAncestor(parent, LIST_ITEMS, LIST_ITEM_STOPS);
  if (HEADINGS.has(name)) return HEADINGS.has(where);
  if (TABLE_PARTS.has(name)) {
    if (name === 'td' || name === 'th') return where !== 'tr';
    if (name === 'tr') return !['thead', 'tbody', 'tfoot'].includes(where);
    return where !== 'table';
  }
  return false;
}

// A place in the cleaned tree: before `before` in `parent` (at its end when null). Everything
// in `parent` before it is already clean; the node being cleaned is at the place or inside an
// element being unwrapped there.
const placeOf = (parent, before) => ({ parent, before });
const lastBefore = ({ parent, before }) => (before ? before.previousSibling : parent.lastChild);

// The place that takes a child under a table part: the place itself when the child belongs
// there (or is a part no deeper than its parent, to be unwrapped), else the end of the last
// clean child, or of a new one, of the wrapping part, followed down.
function holder(place, name) {
  for (;;) {
    const parent = place.parent;
    const rule = TABLE_CHILDREN.get(parent.localName);
    if (!rule || rule[0].has(name)) return place;
    if (name !== 'table' && TABLE_RANK.has(name) && TABLE_RANK.get(name) <= TABLE_RANK.get(parent.localName)) return place;
    const wrap = rule[1];
    const last = lastBefore(place);
    if (last && last.localName === wrap) {
      place = placeOf(last, null);
    } else {
      const part = parent.ownerDocument.createElement(wrap);
      insertBefore(parent, part, place.before);
      place = placeOf(part, null);
    }
  }
}

function put(node, place) {
  if (place.before !== node) insertBefore(place.parent, node, place.before);
}

function cleanText(node, place) {
  // Blank text stays where it is in tables; the parser moves any other text out of them.
  const inTable = TABLE_CHILDREN.has(place.parent.localName);
  put(node, !inTable || /^[ \t\n\f\r]*$/.test(read.data.call(node)) ? place : holder(place, '#text'));
}

// Cleans the children of `from` into the place, one after another (each is moved out of `from`).
function cleanChildren(from, place, depth) {
  for (let child = read.firstChild.call(from); child;) {
    const next = read.nextSibling.call(child);
    cleanNode(child, place, depth);
    child = next;
  }
}

// Replaces the children of a kept element by their clean forms, in place.
function cleanOwnChildren(element, depth) {
  for (let child = element.firstChild; child;) {
    const next = read.nextSibling.call(child);
    cleanNode(child, placeOf(element, child), depth);
    child = next;
  }
}

function unwrap(node, place, depth) {
  cleanChildren(node, place, depth);
  removeNode(node);
}

function imageReplacement(node, place) {
  const doc = place.parent.ownerDocument;
  const src = getAttribute(node, 'src');
  const stored = storedImagePath(src);
  if (stored) {
    const img = doc.createElement('img');
    img.setAttribute('src', stored);
    img.setAttribute('alt', getAttribute(node, 'alt') || '');
    const width = numberAttr(getAttribute(node, 'width'), 8000);
    if (width) img.setAttribute('width', width);
    const classes = (getAttribute(node, 'class') || '').split(/\s+/);
    const imageClass = classes.find((c) => IMAGE_CLASSES.includes(c));
    if (imageClass) img.className = imageClass;
    return [img, holder(place, 'img')];
  }
  const link = safeLink(src);
  if (!(link && /^https?:/.test(link))) return [null, place];
  const text = doc.createTextNode(messages.outsideImage + link);
  if (misplaced('a', place.parent)) return [text, holder(place, '#text')];
  const a = doc.createElement('a');
  a.setAttribute('href', link);
  a.append(text);
  return [a, holder(place, 'a')];
}

function cleanImage(node, place) {
  const [replacement, target] = imageReplacement(node, place);
  if (replacement) insertBefore(target.parent, replacement, target.before);
  removeNode(node);
}

// The value an attribute keeps on an element of this name, or null when it goes.
function keptValue(node, name, attr, href) {
  if (attr === 'href') return href;
  if (attr === 'style') return keptStyle(node);
  if (attr === 'colspan' || attr === 'rowspan') return name === 'td' || name === 'th' ? numberAttr(getAttribute(node, attr), 100) : null;
  if (attr === 'start') return name === 'ol' ? numberAttr(getAttribute(node, attr), 99999) : null;
  return null;
}

// Leaves the element only its kept attributes, in one pass over their names. A value is written
// only where it changes: writing a style attribute parses it again, the dearest step of cleaning
// office HTML.
function keepOnly(node, name, href) {
  for (const attr of Element.prototype.getAttributeNames.call(node)) {
    const value = keptValue(node, name, attr, href);
    if (value === null) node.removeAttribute(attr);
    else if (getAttribute(node, attr) !== value) node.setAttribute(attr, value);
  }
}

// Gives `element` the attributes `node` keeps under the element's name, in the order node has them.
function copyKept(node, element, name, href) {
  for (const attr of Element.prototype.getAttributeNames.call(node)) {
    const value = keptValue(node, name, attr, href);
    if (value !== null) element.setAttribute(attr, value);
  }
}

function cleanNode(node, place, depth) {
  const type = read.nodeType.call(node);
  if (type === Node.TEXT_NODE) {
    cleanText(node, place);
    return;
  }
  if (type !== Node.ELEMENT_NODE || read.namespaceURI.call(node) !== HTML_NS) {
    removeNode(node);
    return;
  }
  const own = read.localName.call(node);
  if (DROPPED.has(own)) {
    removeNode(node);
    return;
  }
  const name = RENAMED.get(own) || own;
  if (name === 'img') {
    cleanImage(node, place);
    return;
  }
  const href = name === 'a' ? pageLinkHref(getAttribute(node, 'href')) || safeLink(getAttribute(node, 'href')) : null;
  // The parts of a kept table stay whatever the depth, so that no cell runs into another.
  const tablePart = TABLE_PARTS.has(name) && TABLE_CHILDREN.has(place.parent.localName);
  if (!ALLOWED.has(name) || (depth >= MAX_DEPTH && !tablePart) || (name === 'a' && !href)) {
    unwrap(node, place, depth + 1);
    return;
  }
  const target = holder(place, name);
  if (misplaced(name, target.parent)) {
    unwrap(node, target, depth + 1);
    return;
  }
  const attributed = Element.prototype.hasAttributes.call(node);
  // Placed first, so that the checks made for its children see every element above them.
  let element = node;
  if (name !== own) {
    element = node.ownerDocument.createElement(name);
    if (attributed) copyKept(node, element, name, href);
    insertBefore(target.parent, element, target.before);
  } else {
    put(node, target);
    if (attributed) keepOnly(node, name, href);
  }
  if (BLOCKS.has(name) && openParagraphs > 0) blockInParagraph = true;
  if (name === 'p') openParagraphs++;
  if (element !== node) {
    unwrap(node, placeOf(element, null), depth + 1);
  } else if (name === 'br' || name === 'hr') {
    while (element.firstChild) element.firstChild.remove();
  } else {
    cleanOwnChildren(element, depth + 1);
  }
  if (name === 'p') openParagraphs--;
  // A paragraph left empty, or holding only blank text (a script between line breaks), is dropped.
  if (name === 'p' && !element.firstElementChild && !/[^ \t\n\f\r]/.test(element.textContent)) element.remove();
  // The parser drops one line break right after <pre>: a leading one is written twice.
  if (name === 'pre' && element.firstChild && element.firstChild.nodeType === Node.TEXT_NODE &&
      element.firstChild.data.startsWith('\n')) {
    element.firstChild.data = '\n' + element.firstChild.data;
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

// Paragraphs holding blocks, which the parser would break apart, are split around them. Cleaning
// notes whether it kept a block inside a paragraph, so most content is never searched for one.
let openParagraphs = 0;
let blockInParagraph = false;

function splitParagraphs(root) {
  for (const p of [...root.querySelectorAll('p')]) {
    if (p.isConnected && firstBlockIn(p)) splitParagraph(p);
  }
}

// The sanitized content as the body of the inert document it was parsed in.
function sanitizedRoot(html) {
  const text = html === null || html === undefined ? '' : String(html);
  const root = read.body.call(parseInert(text));
  stylesSeen = new Map();
  openParagraphs = 0;
  blockInParagraph = false;
  try {
    cleanOwnChildren(root, 0);
  } finally {
    stylesSeen = new Map();
  }
  if (blockInParagraph) splitParagraphs(root);
  return root;
}

// The sanitized content as the body element of its own inert document, for work that goes on
// changing it before it is written out.
export function sanitizeToBody(html) {
  return sanitizedRoot(html);
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
