// Markdown export: one ZIP with a Markdown file per page (a folder for a page with children,
// its own text in the folder's index.md), the pictures in images/, and page links as relative
// links between the files.
import TurndownService from '/vendor/turndown.js';
import { gfm } from '/vendor/turndown-plugin-gfm.js';
import { dump as dumpYaml } from '/vendor/js-yaml.js';
import { zipSync } from '/vendor/fflate.js';
import { api } from './api.js';
import { storedImageId } from './content-rules.js';
import { TASK_DONE, TASK_OPEN } from './import-read.js';
import { messages } from './messages.js';
import { pageLinkId } from './page-links.js';
import { sanitizeFileName } from './export.js';
import { sanitizeHtml } from './sanitize.js';

const IMAGES = 'images';
const EXTENSIONS = { 'image/png': 'png', 'image/jpeg': 'jpg', 'image/gif': 'gif', 'image/webp': 'webp' };
// Names a page file never takes: a folder's own text and the pictures' folder.
const RESERVED = new Set(['index', 'readme', IMAGES]);

function markdownWriter() {
  const turndown = new TurndownService({
    headingStyle: 'atx', codeBlockStyle: 'fenced', bulletListMarker: '-', emDelimiter: '*', hr: '---',
  });
  turndown.use(gfm);
  // What Markdown has no mark for stays as HTML, which the import takes back.
  turndown.keep(['u', 'sub', 'sup']);
  // Strikethrough with two tildes, the form every reader of GitHub's Markdown knows.
  turndown.addRule('strikethroughTwice', { filter: ['del', 's', 'strike'], replacement: (content) => '~~' + content + '~~' });
  // List items with one space after their mark, as people write them.
  turndown.addRule('listItemOneSpace', {
    filter: 'li',
    replacement: (content, node, options) => {
      const parent = node.parentNode;
      let prefix = options.bulletListMarker + ' ';
      if (parent.nodeName === 'OL') prefix = ((Number(parent.getAttribute('start')) || 1) + [...parent.children].indexOf(node)) + '. ';
      const text = content.replace(/^\n+|\n+$/g, '') + (/\n$/.test(content) ? '\n' : '');
      return prefix + text.replace(/\n/gm, '\n' + ' '.repeat(prefix.length)) + (node.nextSibling ? '\n' : '');
    },
  });
  // A cell stays on one line, and its bars are not taken for the table's.
  turndown.addRule('tableCellOneLine', {
    filter: ['th', 'td'],
    replacement: (content, node) => {
      const first = node.parentNode.firstElementChild === node;
      return (first ? '| ' : ' ') + content.replace(/\s*\n+\s*/g, ' ').replace(/\|/g, '\\|').trim() + ' |';
    },
  });
  return turndown;
}

// The page list (ids, titles, depths in reading order) as a tree with a file path for each page.
function layOutFiles(list) {
  const roots = [];
  const stack = [];
  for (const entry of list) {
    const node = { ...entry, children: [] };
    stack.length = Math.min(stack.length, entry.depth);
    (stack.length ? stack[stack.length - 1].children : roots).push(node);
    stack.push(node);
  }
  const byId = new Map();
  const place = (nodes, folder) => {
    const taken = new Set(folder ? [] : [IMAGES]);
    nodes.forEach((node, index) => {
      const base = sanitizeFileName(node.title);
      let name = base;
      for (let n = 2; taken.has(name.toLowerCase()) || RESERVED.has(name.toLowerCase()); n++) name = base + ' (' + n + ')';
      taken.add(name.toLowerCase());
      node.order = index + 1;
      node.dir = node.children.length ? folder + name + '/' : folder;
      node.path = node.children.length ? node.dir + 'index.md' : folder + name + '.md';
      byId.set(node.id, node);
      place(node.children, node.dir);
    });
  };
  place(roots, '');
  return byId;
}

// The path of file `to` as written in a file of folder `from` (both relative to the ZIP's top).
function relativePath(from, to) {
  const source = from.split('/').filter(Boolean);
  const target = to.split('/');
  let shared = 0;
  while (shared < source.length && shared < target.length - 1 && source[shared] === target[shared]) shared++;
  return '../'.repeat(source.length - shared) +
    target.slice(shared).map((part) => part.replace(/%/g, '%25')).join('/');
}

function sniffExtension(bytes, served) {
  if (EXTENSIONS[served]) return EXTENSIONS[served];
  if (bytes[0] === 0x89 && bytes[1] === 0x50) return 'png';
  if (bytes[0] === 0xff && bytes[1] === 0xd8) return 'jpg';
  if (bytes[0] === 0x47 && bytes[1] === 0x49) return 'gif';
  if (bytes[0] === 0x52 && bytes[8] === 0x57) return 'webp';
  return '';
}

// Makes the sanitized body ready for Markdown: pictures and page links point at files, code is
// code, tables have a heading row and task marks become checkboxes.
async function prepareBody(html, node, byId, loadImage) {
  const doc = new DOMParser().parseFromString(html, 'text/html');
  let missing = 0;
  for (const img of [...doc.querySelectorAll('img')]) {
    const id = storedImageId(img.getAttribute('src'));
    const file = id ? await loadImage(id) : null;
    if (file) img.setAttribute('src', relativePath(node.dir, file));
    else {
      missing++;
      img.replaceWith(doc.createTextNode(messages.missingImage));
    }
  }
  for (const anchor of [...doc.querySelectorAll('a[href]')]) {
    const id = pageLinkId(anchor);
    if (!id) continue;
    const target = byId.get(id);
    if (target) anchor.setAttribute('href', relativePath(node.dir, target.path));
    else anchor.replaceWith(...anchor.childNodes);
  }
  for (const pre of doc.querySelectorAll('pre')) {
    if (!(pre.childNodes.length === 1 && pre.firstChild.localName === 'code')) {
      const code = doc.createElement('code');
      code.textContent = pre.textContent;
      pre.replaceChildren(code);
    }
  }
  for (const table of doc.querySelectorAll('table')) {
    const first = table.rows[0];
    if (!first || first.parentNode.localName === 'thead' || [...first.cells].every((cell) => cell.localName === 'th')) continue;
    for (const cell of [...first.cells]) {
      const th = doc.createElement('th');
      th.append(...cell.childNodes);
      cell.replaceWith(th);
    }
  }
  for (const item of doc.querySelectorAll('li')) {
    const text = item.firstChild;
    if (!text || text.nodeType !== Node.TEXT_NODE) continue;
    const mark = text.data.startsWith(TASK_DONE) ? TASK_DONE : text.data.startsWith(TASK_OPEN) ? TASK_OPEN : '';
    if (!mark) continue;
    const box = doc.createElement('input');
    box.type = 'checkbox';
    if (mark === TASK_DONE) box.setAttribute('checked', '');
    text.data = text.data.slice(mark.length);
    item.prepend(box);
  }
  return { html: doc.body.innerHTML, missing };
}

function frontMatter(node) {
  return '---\n' + dumpYaml({ title: node.title, order: node.order }) + '---\n\n';
}

// list: the export list of the tree store. Resolves { bytes, missing }: the ZIP and the count
// of pictures that could not be read.
export async function createMarkdownZip(list) {
  const byId = layOutFiles(list);
  const files = {};
  const images = new Map();
  // One read per picture; its file name, or null when it cannot be read.
  const loadImage = (id) => {
    if (!images.has(id)) {
      images.set(id, (async () => {
        const blob = await api.getImage(id);
        const bytes = new Uint8Array(await blob.arrayBuffer());
        const extension = sniffExtension(bytes, String(blob.type || '').split(';')[0].trim());
        if (!bytes.length || !extension) return null;
        const path = IMAGES + '/' + id + '.' + extension;
        files[path] = [bytes, { level: 0 }];
        return path;
      })().catch(() => null));
    }
    return images.get(id);
  };
  const turndown = markdownWriter();
  const encoder = new TextEncoder();
  let missing = 0;
  for (const node of byId.values()) {
    const { html } = await api.getPage(node.id);
    const prepared = await prepareBody(sanitizeHtml(html), node, byId, loadImage);
    missing += prepared.missing;
    const text = frontMatter(node) + turndown.turndown(prepared.html).trim() + '\n';
    files[node.path] = encoder.encode(text);
  }
  return { bytes: zipSync(files, { level: 6 }), missing };
}
