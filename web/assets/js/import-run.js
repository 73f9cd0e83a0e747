// Runs an import: reads every note, resolves the links and pictures between the files, writes
// each page's sanitized body as it is made and the tree once at the end. A cancelled or failed
// import removes what it wrote, so the document is as it was.
import { NO_RECORD, api } from './api.js';
import { IMAGE_TYPES, storedImageAddress } from './content-rules.js';
import { readHtml, readMarkdown, readPlainText, decodeText } from './import-read.js';
import { makeLinkFinder, planImport, sortedChildren, stemOf } from './import-plan.js';
import { messageOf, messages } from './messages.js';
import { sanitizeHtml } from './sanitize.js';
import { addPage } from './tree-model.js';

export const MAX_PICTURE_SIZE = 20 * 1024 * 1024;
// Notes are read whole; an HTML export with its pictures inside may be large.
const MAX_NOTE_SIZE = { markdown: 16 * 1024 * 1024, text: 16 * 1024 * 1024, html: 256 * 1024 * 1024 };
const WRITERS = 4;
const TITLE_LIMIT = 200;
const DATA_PICTURE = /^data:(image\/[a-z]+);base64,([A-Za-z0-9+/=\s]*)$/i;

export class ImportCancelled extends Error {
  constructor() {
    super(messages.importCancelled);
    this.name = 'ImportCancelled';
  }
}

// The type of picture bytes by their first bytes, as the server tells them; '' for none.
function pictureType(bytes) {
  const starts = (...values) => values.every((value, i) => bytes[i] === value);
  if (starts(0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a)) return 'image/png';
  if (starts(0xff, 0xd8, 0xff)) return 'image/jpeg';
  if (starts(0x47, 0x49, 0x46, 0x38) && (bytes[4] === 0x37 || bytes[4] === 0x39) && bytes[5] === 0x61) return 'image/gif';
  if (starts(0x52, 0x49, 0x46, 0x46) && String.fromCharCode(...bytes.subarray(8, 12)) === 'WEBP') return 'image/webp';
  return '';
}

async function hashOf(bytes) {
  const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', bytes));
  return Array.from(digest, (b) => b.toString(16).padStart(2, '0')).join('');
}

// Uploads pictures once per distinct content; remembers every stored id for a purge.
class PictureStore {
  constructor() {
    this.byHash = new Map();
    this.byFile = new Map();
    this.uploaded = [];
  }

  // { id } or { reason } for a picture file of the plan.
  fromFile(picture) {
    if (!this.byFile.has(picture)) {
      picture.used = true;
      this.byFile.set(picture, (async () => {
        if (picture.file.size > MAX_PICTURE_SIZE) return { reason: messages.pictureTooLarge };
        return this.fromBytes(new Uint8Array(await picture.file.arrayBuffer()));
      })());
    }
    return this.byFile.get(picture);
  }

  async fromBytes(bytes) {
    if (bytes.length > MAX_PICTURE_SIZE) return { reason: messages.pictureTooLarge };
    const type = pictureType(bytes);
    if (!IMAGE_TYPES.includes(type)) return { reason: messages.notAPicture };
    const hash = await hashOf(bytes);
    if (!this.byHash.has(hash)) {
      const upload = api.uploadImage(new Blob([bytes], { type })).then((id) => {
        this.uploaded.push(id);
        return { id };
      });
      this.byHash.set(hash, upload);
    }
    return this.byHash.get(hash);
  }

  fromDataAddress(src) {
    const match = DATA_PICTURE.exec(src);
    if (!match) return Promise.resolve({ reason: messages.notAPicture });
    try {
      const binary = atob(match[2].replace(/\s/g, ''));
      return this.fromBytes(Uint8Array.from(binary, (c) => c.charCodeAt(0)));
    } catch {
      return Promise.resolve({ reason: messages.notAPicture });
    }
  }

  get count() {
    return this.byHash.size;
  }
}

async function readNote(note) {
  if (note.file.size > MAX_NOTE_SIZE[note.type]) {
    return { reason: messages.noteTooLarge(MAX_NOTE_SIZE[note.type] >> 20) };
  }
  const text = decodeText(new Uint8Array(await note.file.arrayBuffer()));
  if (note.type === 'markdown') return readMarkdown(text);
  if (note.type === 'html') return readHtml(text);
  return readPlainText(text);
}

const titleOf = (text, fallback) => (String(text || '').trim() || fallback).slice(0, TITLE_LIMIT);

// The pages of the plan in tree order: { id, parentId, title, doc, folder, anchors }.
function layOut(plan, rootTitle) {
  const top = plan.root.index;
  const pages = [{
    id: crypto.randomUUID(), parentId: null, title: titleOf(rootTitle, messages.importHeading),
    doc: top ? top.read.doc : null, folder: '', source: top,
  }];
  plan.root.pageId = pages[0].id;
  if (top) top.pageId = pages[0].id;
  const orderOf = (node) => {
    const note = node.kind === 'note' ? node : node.index;
    return note && note.read && typeof note.read.order === 'number' ? note.read.order : null;
  };
  const walk = (folder, parentId) => {
    for (const child of sortedChildren(folder, orderOf)) {
      if (child.kind === 'folder') {
        const index = child.index;
        child.pageId = crypto.randomUUID();
        if (index) index.pageId = child.pageId;
        pages.push({
          id: child.pageId, parentId, title: titleOf(index && index.read.title, child.name),
          doc: index ? index.read.doc : null, folder: child.path, source: index,
        });
        walk(child, child.pageId);
      } else if (child.read.articles) {
        // An HTML export of this program: its pages, nested as they were.
        const anchors = new Map();
        const parents = [parentId];
        const group = child.read.articles.map((article) => {
          const page = { id: crypto.randomUUID(), title: titleOf(article.title, stemOf(child.name)), doc: article.doc, folder: child.folder, source: child, anchors };
          const depth = Math.min(article.depth, parents.length - 1);
          page.parentId = parents[depth];
          parents.length = depth + 1;
          parents.push(page.id);
          anchors.set(article.anchor, page.id);
          return page;
        });
        child.pageId = group[0].id;
        pages.push(...group);
      } else {
        child.pageId = crypto.randomUUID();
        pages.push({ id: child.pageId, parentId, title: titleOf(child.read.title, stemOf(child.name)), doc: child.read.doc, folder: child.folder, source: child });
      }
    }
  };
  walk(plan.root, plan.root.pageId);
  return pages;
}

function unwrap(node) {
  node.replaceWith(...node.childNodes);
}

// Turns the links and pictures of one page into page links and stored pictures.
async function resolvePage(page, finder, titles, pictures, note) {
  const doc = page.doc;
  const resolved = new Set();
  for (const anchor of [...doc.querySelectorAll('a[data-wiki]')]) {
    const target = anchor.getAttribute('data-wiki');
    const node = finder.wiki(target, titles);
    anchor.removeAttribute('data-wiki');
    if (node && node.pageId) {
      anchor.setAttribute('href', '#' + node.pageId);
      resolved.add(anchor);
    } else {
      note(messages.linkNotFound('[[' + target + ']]'));
      unwrap(anchor);
    }
  }
  for (const anchor of [...doc.querySelectorAll('a[href]')]) {
    if (resolved.has(anchor)) continue;
    const href = anchor.getAttribute('href');
    if (href.startsWith('#')) {
      const id = page.anchors && page.anchors.get(href.slice(1));
      if (id) anchor.setAttribute('href', '#' + id);
      else unwrap(anchor);
      continue;
    }
    const found = finder.path(page.folder, href);
    if (found.external) continue;
    if (found.node && found.node.pageId) anchor.setAttribute('href', '#' + found.node.pageId);
    else {
      note(messages.linkNotFound(found.missing ?? href));
      unwrap(anchor);
    }
  }
  for (const img of [...doc.querySelectorAll('img')]) {
    const wiki = img.getAttribute('data-wiki');
    const src = img.getAttribute('src') || '';
    let result;
    let target = wiki ?? src;
    if (wiki === null && /^data:/i.test(src)) {
      target = messages.embeddedPicture;
      result = await pictures.fromDataAddress(src);
    } else {
      const found = wiki !== null ? finder.wikiPicture(wiki) : finder.picture(page.folder, src);
      if (found.external) continue;
      result = found.picture ? await pictures.fromFile(found.picture) : { reason: messages.pictureNotFound };
      if (found.missing) target = found.missing;
    }
    img.removeAttribute('data-wiki');
    if (result.id) img.setAttribute('src', storedImageAddress(result.id));
    else {
      note(result.reason + ': ' + target);
      img.remove();
    }
  }
}

// Adds the laid-out pages: the first at the end of the top level, the others in their order.
function addImported(doc, pages, now) {
  const [root, ...rest] = pages;
  if (!addPage(doc, { id: root.id, parentId: null, title: root.title, now })) return false;
  const counts = new Map();
  for (const page of rest) {
    const count = (counts.get(page.parentId) || 0) + 1;
    counts.set(page.parentId, count);
    doc.pages.push({
      id: page.id, parentId: page.parentId, order: count * 1000, title: page.title,
      createdAt: now, updatedAt: now, deletedAt: null,
    });
  }
  return true;
}

// files: [{ path, file }] relative to the chosen folder; rootName names the top page.
// onProgress({ phase: 'read' | 'write', done, total }); signal: an AbortSignal.
// Resolves { rootId, pages, pictures, skipped: [{ path, reason }] }.
export async function runImport({ files, rootName, store, onProgress = () => {}, signal }) {
  const plan = planImport(files, rootName);
  if (!plan.notes.length) throw new Error(messages.noNotes);
  const skipped = [...plan.skipped];
  let failed = false;
  const check = () => {
    if (signal && signal.aborted) throw new ImportCancelled();
    if (failed) throw new Error('stopped');
  };
  let done = 0;
  for (const note of plan.notes) {
    check();
    try {
      note.read = await readNote(note);
    } catch (error) {
      note.read = { reason: messages.noteUnreadable(messageOf(error)) };
    }
    if (note.read.reason) {
      skipped.push({ path: note.path, reason: note.read.reason });
      const folder = plan.folders.get(note.folder);
      folder.children = folder.children.filter((child) => child !== note);
      if (note.folderPage) note.folderPage.index = null;
    }
    onProgress({ phase: 'read', done: ++done, total: plan.notes.length });
  }

  const pages = layOut(plan, messages.importRoot(rootName));
  const finder = makeLinkFinder(plan);
  const titles = new Map();
  for (const note of plan.notes) {
    const title = note.read.title && note.read.title.toLowerCase();
    if (title && note.pageId && !titles.has(title)) titles.set(title, note);
  }
  const pictures = new PictureStore();
  const written = [];
  let next = 0;
  done = 0;
  const writer = async () => {
    try {
      await writePages();
    } catch (error) {
      failed = true;
      throw error;
    }
  };
  const writePages = async () => {
    while (next < pages.length) {
      const page = pages[next++];
      check();
      if (page.doc) {
        const path = page.source ? page.source.path : '';
        const notes = new Set();
        await resolvePage(page, finder, titles, pictures, (reason) => notes.add(reason));
        for (const reason of notes) skipped.push({ path, reason });
        const html = sanitizeHtml(page.doc.body.innerHTML);
        page.doc = null;
        check();
        if (html) {
          await api.putPage(page.id, html, NO_RECORD);
          written.push(page.id);
        }
      }
      onProgress({ phase: 'write', done: ++done, total: pages.length });
    }
  };
  try {
    // Every writer is waited for, so nothing lands after a purge.
    const results = await Promise.allSettled(Array.from({ length: WRITERS }, writer));
    const failure = results.find((result) => result.status === 'rejected' && result.reason.message !== 'stopped') ||
      results.find((result) => result.status === 'rejected');
    if (failure) throw failure.reason;
    check();
    // From here on the import can no longer be cancelled: the tree is written in one step.
    onProgress({ phase: 'tree', done: pages.length, total: pages.length });
    const added = await store.mutate((doc) => addImported(doc, pages, Date.now()));
    if (!added) throw new Error(messages.treeNotWritten);
  } catch (error) {
    // What was written goes again, so the document is as it was before the import.
    await Promise.allSettled([...written.map((id) => api.deletePage(id)), ...pictures.uploaded.map((id) => api.deleteImage(id))]);
    throw error;
  }
  for (const picture of plan.pictures.values()) {
    if (!picture.used) skipped.push({ path: picture.path, reason: messages.unusedPicture });
  }
  return { rootId: pages[0].id, pages: pages.length, pictures: pictures.count, skipped };
}
