// The plan of an import: which chosen files are notes, pictures or neither, the folder tree the
// pages follow, and how a link written in one file finds another file. No reading, no writing.
import { messages } from './messages.js';

export const NOTE_TYPES = { md: 'markdown', markdown: 'markdown', html: 'html', htm: 'html', txt: 'text' };
export const PICTURE_EXTENSIONS = new Set(['png', 'jpg', 'jpeg', 'gif', 'webp']);
const INDEX_NAMES = new Set(['index', 'readme']);
const collator = new Intl.Collator('ja', { numeric: true, sensitivity: 'base' });

export const extensionOf = (name) => {
  const dot = name.lastIndexOf('.');
  return dot > 0 ? name.slice(dot + 1).toLowerCase() : '';
};
export const stemOf = (name) => {
  const dot = name.lastIndexOf('.');
  return dot > 0 ? name.slice(0, dot) : name;
};
const baseOf = (path) => path.slice(path.lastIndexOf('/') + 1);
const folderOf = (path) => path.slice(0, Math.max(0, path.lastIndexOf('/')));
const keyOf = (path) => path.toLowerCase();

// The path of `target` written in a file of folder `from`: '.', '..' and a leading '/' (the
// import's top) resolved; null when it climbs above the top.
export function joinPath(from, target) {
  const parts = target.startsWith('/') ? [] : from.split('/').filter(Boolean);
  for (const part of target.split('/')) {
    if (part === '' || part === '.') continue;
    if (part === '..') {
      if (!parts.length) return null;
      parts.pop();
    } else parts.push(part);
  }
  return parts.join('/');
}

// A link's file part, decoded, without its #anchor or ?query; null for a web or other address.
export function linkPath(href) {
  const text = String(href ?? '').trim();
  if (!text || text.startsWith('#') || /^[a-z][a-z0-9+.-]*:/i.test(text) || text.startsWith('//')) return null;
  const bare = text.replace(/[?#].*$/s, '');
  try {
    return decodeURIComponent(bare);
  } catch {
    return bare;
  }
}

// The chosen files as a plan. files: [{ path, file }] with '/' between folders; with a folder
// chosen every path starts with its name. Hidden files and folders (a leading dot) are left out.
export function planImport(files, rootName) {
  const root = { kind: 'folder', name: rootName, path: '', children: [], index: null };
  const folders = new Map([['', root]]);
  const notes = [];
  const pictures = new Map();
  const skipped = [];
  const folder = (path) => {
    if (folders.has(path)) return folders.get(path);
    const node = { kind: 'folder', name: baseOf(path), path, children: [], index: null };
    folders.set(path, node);
    folder(folderOf(path)).children.push(node);
    return node;
  };
  for (const { path, file } of files) {
    if (path.split('/').some((part) => part.startsWith('.'))) continue;
    const name = baseOf(path);
    const type = NOTE_TYPES[extensionOf(name)];
    if (type) {
      const note = { kind: 'note', type, name, path, file, folder: folderOf(path) };
      notes.push(note);
      folder(note.folder).children.push(note);
    } else if (PICTURE_EXTENSIONS.has(extensionOf(name))) {
      pictures.set(keyOf(path), { path, file, used: false });
    } else {
      skipped.push({ path, reason: messages.unsupportedNote });
    }
  }
  // A folder's index.md or README.md is the folder's own page (the top's too: the top page's body).
  for (const node of folders.values()) {
    const index = node.children.find((child) => child.kind === 'note' && child.type !== 'text' &&
      INDEX_NAMES.has(stemOf(child.name).toLowerCase()));
    if (index) {
      node.index = index;
      node.children.splice(node.children.indexOf(index), 1);
      index.folderPage = node;
    }
  }
  return { root, folders, notes, pictures, skipped };
}

// Whether a folder holds a note anywhere below it: empty folders and folders of pictures alone
// make no page.
export function holdsNotes(node) {
  if (node.kind === 'note') return true;
  return Boolean(node.index) || node.children.some(holdsNotes);
}

// A folder's children in page order: those whose front matter gives an order first, by it, then
// the rest by name.
export function sortedChildren(node, orderOf) {
  return node.children.filter(holdsNotes).sort((a, b) => {
    const x = orderOf(a);
    const y = orderOf(b);
    if (x !== null && y !== null && x !== y) return x - y;
    if ((x === null) !== (y === null)) return x === null ? 1 : -1;
    return collator.compare(a.name, b.name);
  });
}

// Finds the note or folder a relative link from a file in folder `from` names, or null.
export function makeLinkFinder(plan) {
  const notes = new Map(plan.notes.map((note) => [keyOf(note.path), note]));
  const byName = new Map();
  const add = (key, note) => { if (key && !byName.has(key)) byName.set(key, note); };
  for (const note of plan.notes) add(keyOf(stemOf(note.name)), note);
  for (const node of plan.folders.values()) if (node.path) add(keyOf(node.name), node);
  return {
    path(from, href) {
      const wanted = linkPath(href);
      if (wanted === null) return { external: true };
      const path = joinPath(from, wanted.replace(/\/+$/, ''));
      if (path === null) return { missing: wanted };
      const key = keyOf(path);
      const found = notes.get(key) || notes.get(key + '.md') || plan.folders.get(path) ||
        [...plan.folders.values()].find((node) => keyOf(node.path) === key);
      if (found && found.kind === 'folder') return found.path === '' ? { missing: wanted } : { node: found };
      return found ? { node: found } : { missing: wanted };
    },
    // [[name]]: a file name without its extension, a path, or a title.
    wiki(target, titles) {
      const name = keyOf(target.replace(/#.*$/s, '').trim());
      if (!name) return null;
      return notes.get(name) || notes.get(name + '.md') || byName.get(name) ||
        byName.get(keyOf(stemOf(baseOf(name)))) || titles.get(name) || null;
    },
    picture(from, src) {
      const wanted = linkPath(src);
      if (wanted === null) return { external: true };
      const path = joinPath(from, wanted);
      const found = path === null ? null : plan.pictures.get(keyOf(path));
      return found ? { picture: found } : { missing: wanted };
    },
    // ![[picture.png]]: by path, else by file name anywhere in the import.
    wikiPicture(target) {
      const name = keyOf(target.trim());
      const direct = plan.pictures.get(name);
      if (direct) return { picture: direct };
      for (const [key, picture] of plan.pictures) if (baseOf(key) === baseOf(name)) return { picture };
      return { missing: target };
    },
  };
}
