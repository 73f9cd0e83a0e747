// HTML export: one self-contained file per export, with its own style sheet, a security policy
// that allows no script and no network access, and every image embedded once as a data: address
// in the style sheet, which each of its uses names by class.
import { api, request } from './api.js';
import { IMAGE_TYPES, exportedPictureRule, storedImageId } from './content-rules.js';
import { messages } from './messages.js';
import { escapeHtml, sanitizeToBody } from './sanitize.js';
import { retargetPageLinks } from './page-links.js';

const EXPORT_CSP = "default-src 'none'; img-src data:; style-src 'unsafe-inline'; base-uri 'none'; form-action 'none'";
const RESERVED_NAME = /^(con|prn|aux|nul|com[0-9]|lpt[0-9])$/i;
const DOWNLOAD_URL_LIFETIME_MS = 60000;
// Pages asked for in one read, and reads under way at once: few requests, each a short wait.
const PAGES_PER_READ = 50;
const BATCHES_AHEAD = 3;
const NONE_MISSING = new Set();
const LEADING_SPACE = /^[\t\n\f\r ]+/;

const CONTENT_STYLE_ADDRESS = '/assets/css/content.css';
// The frame around the pages; the pages' own rules are the editor's, read from content.css.
const EXPORT_STYLE = `
:root { color-scheme: light dark; --bg: #fff; --text: #23262b; --muted: #636973; --line: #dcdbd5; --code: #f0efeb; --accent: #24617f; }
@media (prefers-color-scheme: dark) {
  :root { --bg: #1b1d20; --text: #e8e9eb; --muted: #a2a8b1; --line: #3a3f46; --code: #2a2e33; --accent: #79bcd9; }
}
html { background: var(--bg); color: var(--text); }
body { max-width: 860px; margin: 0 auto; padding: 32px 24px 64px; font: 15px/1.75 "Yu Gothic UI", "Meiryo", system-ui, sans-serif; overflow-wrap: anywhere; }
.toc a { color: var(--accent); }
.toc { border-bottom: 1px solid var(--line); padding-bottom: 16px; margin-bottom: 32px; }
.toc ul { list-style: none; margin: 0; padding: 0; }
/* Pages out of view are laid out as they come near it: a file of many pages opens at once. */
.page { content-visibility: auto; contain-intrinsic-size: auto 900px; }
.page + .page { border-top: 1px solid var(--line); margin-top: 40px; padding-top: 32px; }
.page-title { font-size: 26px; line-height: 1.35; margin: 0 0 12px; }
.missing-image { color: var(--muted); }
@media print {
  .page { content-visibility: visible; }
  .page + .page { break-before: page; border-top: 0; margin-top: 0; padding-top: 0; }
}
`;

export function sanitizeFileName(name) {
  let text = name === null || name === undefined ? '' : String(name);
  text = text.replace(/[\\/:*?"<>|\u0000-\u001f]/g, '_');
  text = text.replace(/^[\s.]+|[\s.]+$/g, '');
  text = text.slice(0, 80).replace(/[\s.]+$/g, '');
  if (!text) text = 'Ferncard';
  if (RESERVED_NAME.test(text)) text = '_' + text;
  return text;
}

// The media type of image bytes from their first bytes, for images served without a usable type.
function sniffImageType(bytes) {
  const starts = (...values) => values.every((value, i) => bytes[i] === value);
  if (starts(0x89, 0x50, 0x4e, 0x47)) return 'image/png';
  if (starts(0xff, 0xd8, 0xff)) return 'image/jpeg';
  if (starts(0x47, 0x49, 0x46, 0x38)) return 'image/gif';
  if (starts(0x52, 0x49, 0x46, 0x46) && bytes[8] === 0x57 && bytes[9] === 0x45 && bytes[10] === 0x42 && bytes[11] === 0x50) {
    return 'image/webp';
  }
  return '';
}

function base64Of(bytes) {
  let binary = '';
  const CHUNK = 0x8000;
  for (let i = 0; i < bytes.length; i += CHUNK) {
    binary += String.fromCharCode.apply(null, bytes.subarray(i, i + CHUNK));
  }
  return btoa(binary);
}

// Reads a stored image as a data: address; empty when it holds no recognisable image.
async function imageDataAddress(id) {
  const blob = await api.getImage(id);
  const bytes = new Uint8Array(await blob.arrayBuffer());
  if (!bytes.length) return '';
  const served = String(blob.type || '').split(';')[0].trim().toLowerCase();
  // Only image types go into the file, whatever type the bytes were served with.
  const type = IMAGE_TYPES.includes(served) ? served : sniffImageType(bytes);
  return type ? 'data:' + type + ';base64,' + base64Of(bytes) : '';
}

// Each stored image's picture: read once, however many times it is used, and named by class
// ("picture-N") in the order of first use, whether or not it turns out to hold an image.
function pictureBook() {
  const reads = new Map();
  const names = new Map();
  const read = (id) => {
    if (!reads.has(id)) reads.set(id, imageDataAddress(id).catch(() => ''));
    return reads.get(id);
  };
  return {
    nameOf(id) {
      if (!names.has(id)) names.set(id, 'picture-' + (names.size + 1));
      read(id);
      return names.get(id);
    },
    // Once every read is done: the style rules, and the ids that hold no image.
    async settle() {
      const rules = [];
      const missing = new Set();
      for (const [id, name] of names) {
        const address = await read(id);
        if (/^data:image\//.test(address)) rules.push(exportedPictureRule(name, address));
        else missing.add(id);
      }
      return { rules, missing };
    },
  };
}

// The page's body for the file, in one parse: sanitized, its page links retargeted, and each
// stored image pointed at its picture's class, or, when its id is in missing, replaced by a note.
function exportedBody(html, exportedIds, book, missing) {
  const root = sanitizeToBody(html);
  // White space before the first node shows nothing, and the file has always been written without it.
  while (root.firstChild && root.firstChild.nodeType === Node.TEXT_NODE) {
    root.firstChild.data = root.firstChild.data.replace(LEADING_SPACE, '');
    if (root.firstChild.data) break;
    root.firstChild.remove();
  }
  retargetPageLinks(root, exportedIds);
  const images = [];
  let notes = 0;
  for (const img of [...root.querySelectorAll('img')]) {
    const id = storedImageId(img.getAttribute('src'));
    if (id && !missing.has(id)) {
      images.push(id);
      img.removeAttribute('src');
      img.classList.add(book.nameOf(id));
    } else {
      if (id) images.push(id);
      notes++;
      const note = root.ownerDocument.createElement('span');
      note.className = 'missing-image';
      note.textContent = messages.missingImage;
      img.replaceWith(note);
    }
  }
  return { html: root.innerHTML, images, missing: notes };
}

// The bodies of the pages with these ids, in order: as many at a time as an answer holds.
async function readBodies(ids) {
  const bodies = [];
  while (bodies.length < ids.length) {
    const rest = ids.slice(bodies.length);
    const read = await api.getPages(rest);
    if (read.length) bodies.push(...read.map((page) => page.html));
    else bodies.push((await api.getPage(rest[0])).html);
  }
  return bodies;
}

// The pages' bodies, a batch at a time in order, with the next few batches already under way.
async function* bodyBatches(ids) {
  const reads = [];
  for (let next = 0; next < ids.length || reads.length;) {
    while (next < ids.length && reads.length < BATCHES_AHEAD) {
      const read = readBodies(ids.slice(next, next + PAGES_PER_READ));
      read.catch(() => {}); // a failure is met where the batch is awaited
      reads.push(read);
      next += PAGES_PER_READ;
    }
    yield await reads.shift();
  }
}

// The content rules as the editor uses them, for the export to embed.
async function loadContentStyle() {
  return (await request(CONTENT_STYLE_ADDRESS)).text();
}

function buildDocument(title, pages, contentStyle, pictures) {
  const toc = pages.length > 1
    ? '<nav class="toc"><h2>' + messages.contents + '</h2><ul>' + pages.map((page) =>
      '<li style="padding-left:' + 16 * page.depth + 'px"><a href="#p-' + page.id + '">' +
      escapeHtml(page.title) + '</a></li>').join('') + '</ul></nav>'
    : '';
  const articles = pages.map((page) =>
    '<article class="page" id="p-' + page.id + '" data-depth="' + page.depth + '"><h1 class="page-title">' + escapeHtml(page.title) +
    '</h1><div class="page-body">' + page.html + '</div></article>');
  return [
    '<!doctype html>',
    '<html lang="ja">',
    '<head>',
    '<meta charset="utf-8">',
    '<meta http-equiv="Content-Security-Policy" content="' + EXPORT_CSP + '">',
    '<meta name="viewport" content="width=device-width, initial-scale=1">',
    '<title>' + escapeHtml(title) + '</title>',
    '<style>' + EXPORT_STYLE + contentStyle + '</style>',
    ...(pictures.length ? ['<style>\n' + pictures.join('\n') + '\n</style>'] : []),
    '</head>',
    '<body>',
    toc,
    '<main>',
    ...articles,
    '</main>',
    '</body>',
    '</html>',
  ].join('\n') + '\n';
}

export async function createExport(title, list) {
  const book = pictureBook();
  const contentStyle = loadContentStyle();
  contentStyle.catch(() => {}); // a failure is met where it is awaited
  const exportedIds = new Set(list.map((entry) => entry.id));
  const pages = [];
  for await (const bodies of bodyBatches(list.map((entry) => entry.id))) {
    for (const body of bodies) {
      const entry = list[pages.length];
      const page = exportedBody(body, exportedIds, book, NONE_MISSING);
      // The body is kept only while a picture it uses may yet turn out missing.
      pages.push({ id: entry.id, title: entry.title, depth: entry.depth, body: page.images.length ? body : '', ...page });
    }
  }
  const { rules, missing } = await book.settle();
  for (const page of pages) {
    if (page.images.some((id) => missing.has(id))) Object.assign(page, exportedBody(page.body, exportedIds, book, missing));
  }
  const notes = pages.reduce((sum, page) => sum + page.missing, 0);
  return { text: buildDocument(title, pages, await contentStyle, rules), missing: notes };
}

export const HTML_FILE = { description: messages.htmlFile, accept: { 'text/html': ['.html'] } };
export const ZIP_FILE = { description: messages.zipFile, accept: { 'application/zip': ['.zip'] } };

// Must run directly after the user's click: the browser allows the picker only then.
export async function pickSaveTarget(fileName, fileType = HTML_FILE) {
  if (typeof window.showSaveFilePicker !== 'function') return { handle: null, fileName };
  try {
    const handle = await window.showSaveFilePicker({ suggestedName: fileName, types: [fileType] });
    return { handle, fileName: handle.name || fileName };
  } catch (error) {
    if (error && error.name === 'AbortError') return null;
    return { handle: null, fileName };
  }
}

// Writes text (or bytes) of the given type, HTML by default.
export async function writeTarget(target, text, type = 'text/html;charset=utf-8') {
  const blob = new Blob([text], { type });
  if (target.handle) {
    const writable = await target.handle.createWritable();
    try {
      await writable.write(blob);
    } catch (error) {
      await writable.abort().catch(() => {});
      throw error;
    }
    await writable.close();
    return;
  }
  const address = URL.createObjectURL(blob);
  const link = document.createElement('a');
  link.href = address;
  link.download = target.fileName;
  link.hidden = true;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(address), DOWNLOAD_URL_LIFETIME_MS);
}
