// Page ids and the window's address of an open page, "#/p/<page id>": written when a page opens,
// read at start-up and when the address changes. Imports nothing, so that boot.js stays quick.
const PAGE_ID = /^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$/;
const PREFIX = '#/p/';

export function isPageId(value) {
  return typeof value === 'string' && PAGE_ID.test(value);
}

export function pageHash(id) {
  return PREFIX + id;
}

// The page an address names, or null.
export function pageFromHash(hash) {
  const id = hash.startsWith(PREFIX) ? hash.slice(PREFIX.length) : null;
  return isPageId(id) ? id : null;
}
