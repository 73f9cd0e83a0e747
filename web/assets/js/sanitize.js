// Allow-list HTML sanitizer: builds a fresh tree in an empty document from the parsed input,
// so nothing that was removed can come back through re-parsing.

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
const IMAGE_CLASSES = ['img-left', 'img-center', 'img-right'];
const STORED_IMAGE = /^\/api\/images\/[0-9a-f]{32}$/;
const PAGE_LINK = /^#[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$/;
const HTML_NS = 'http://www.w3.org/1999/xhtml';
export const MAX_DEPTH = 200;

function safeStyleValue(value) {
  return /^[A-Za-z0-9\s#%.,()-]*$/.test(value) &&
    !/(url|var)\s*\(/i.test(value) && !/expression/i.test(value);
}

function numberAttr(value, limit) {
  if (value === null || !/^[0-9]{1,5}$/.test(value)) return null;
  const number = Number(value);
  return number > 0 && number <= limit ? value : null;
}

export function safeLink(text) {
  const trimmed = String(text ?? '').trim();
  if (!trimmed) return null;
  let url;
  try {
    url = new URL(trimmed);
  } catch {
    return null;
  }
  return ['http:', 'https:', 'mailto:'].includes(url.protocol) ? url.href : null;
}

// A link to another page of the document: '#' and a page id, exactly.
export function pageLinkHref(text) {
  return typeof text === 'string' && PAGE_LINK.test(text) ? text : null;
}

function storedImagePath(src) {
  if (!src) return null;
  if (STORED_IMAGE.test(src)) return src;
  try {
    const url = new URL(src);
    if (url.origin === location.origin && STORED_IMAGE.test(url.pathname) && !url.search && !url.hash) {
      return url.pathname;
    }
  } catch {
    // Not an absolute address.
  }
  return null;
}

function copyStyles(from, to) {
  // Most pasted elements carry no style attribute; asking for .style would build one anyway.
  if (!from.hasAttribute('style')) return;
  const style = from.style;
  if (!style) return;
  for (let i = 0; i < style.length; i++) {
    const name = style[i];
    if (!ALLOWED_STYLES.has(name)) continue;
    const value = style.getPropertyValue(name);
    if (value && safeStyleValue(value)) to.style.setProperty(name, value);
  }
}

function copyChildren(from, to, out, depth) {
  // Walked by siblings: iterating the live child list costs several times more.
  for (let child = from.firstChild; child; child = child.nextSibling) copyNode(child, to, out, depth);
}

function copyNode(node, parent, out, depth) {
  if (node.nodeType === Node.TEXT_NODE) {
    parent.append(out.createTextNode(node.data));
    return;
  }
  if (node.nodeType !== Node.ELEMENT_NODE) return;
  if (node.namespaceURI !== HTML_NS) return;
  let name = node.localName;
  if (DROPPED.has(name)) return;
  name = RENAMED[name] || name;
  if (!ALLOWED.has(name) || depth >= MAX_DEPTH) {
    copyChildren(node, parent, out, depth + 1);
    return;
  }
  if (name === 'img') {
    const src = node.getAttribute('src');
    const stored = storedImagePath(src);
    if (stored) {
      const img = out.createElement('img');
      img.setAttribute('src', stored);
      img.setAttribute('alt', node.getAttribute('alt') || '');
      const width = numberAttr(node.getAttribute('width'), 8000);
      if (width) img.setAttribute('width', width);
      const imageClass = [...node.classList].find((c) => IMAGE_CLASSES.includes(c));
      if (imageClass) img.className = imageClass;
      parent.append(img);
      return;
    }
    const link = safeLink(src);
    if (link && /^https?:/.test(link)) {
      const a = out.createElement('a');
      a.setAttribute('href', link);
      a.textContent = '[外部画像] ' + link;
      parent.append(a);
    }
    return;
  }
  if (name === 'a') {
    const href = pageLinkHref(node.getAttribute('href')) || safeLink(node.getAttribute('href'));
    if (!href) {
      copyChildren(node, parent, out, depth + 1);
      return;
    }
    const a = out.createElement('a');
    a.setAttribute('href', href);
    copyStyles(node, a);
    copyChildren(node, a, out, depth + 1);
    parent.append(a);
    return;
  }
  const copy = out.createElement(name);
  copyStyles(node, copy);
  if (name === 'td' || name === 'th') {
    for (const attr of ['colspan', 'rowspan']) {
      const value = numberAttr(node.getAttribute(attr), 100);
      if (value) copy.setAttribute(attr, value);
    }
  }
  if (name === 'ol') {
    const start = numberAttr(node.getAttribute('start'), 99999);
    if (start) copy.setAttribute('start', start);
  }
  if (name !== 'br' && name !== 'hr') copyChildren(node, copy, out, depth + 1);
  if (name === 'p' && !copy.hasChildNodes()) return;
  parent.append(copy);
}

// The sanitized content as a detached element of an empty document.
function sanitizedRoot(html) {
  const text = html === null || html === undefined ? '' : String(html);
  const parsed = new DOMParser().parseFromString(text, 'text/html');
  const out = document.implementation.createHTMLDocument('');
  const root = out.createElement('div');
  copyChildren(parsed.body, root, out, 0);
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

export function escapeHtml(text) {
  const scratch = document.createElement('div');
  scratch.textContent = String(text ?? '');
  return scratch.innerHTML;
}
