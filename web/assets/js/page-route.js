// The window's address of an open page, "#/p/<page id>": written when a page opens, read at
// start-up and when the address changes.
import { isPageId } from './tree-model.js';

const PREFIX = '#/p/';

export function pageHash(id) {
  return PREFIX + id;
}

// The page an address names, or null.
export function pageFromHash(hash) {
  const id = hash.startsWith(PREFIX) ? hash.slice(PREFIX.length) : null;
  return isPageId(id) ? id : null;
}
