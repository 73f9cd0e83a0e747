// Start-up's first requests, sent as soon as the window has its address and before the other
// modules have loaded: the status, the tree and the body of the page the window will open (the
// one in the address, else the one this window last had open), all at once.

const VIEW_KEY = 'ferncard.view'; // the remembered view (view-state.js)
const PAGE_ID = /^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$/;

const early = new Map(); // path → the promise of its response, taken once

function ask(path) {
  const answer = fetch(path, { credentials: 'same-origin', cache: 'no-store' });
  answer.catch(() => {}); // a failure is met by whoever takes it
  early.set(path, answer);
}

// The page named in the window's address (#/p/<id>), or null.
export function pageFromHash() {
  const match = /^#\/p\/(.{36})$/.exec(location.hash);
  return match && PAGE_ID.test(match[1]) ? match[1] : null;
}

function pageToOpen() {
  const fromHash = pageFromHash();
  if (fromHash) return fromHash;
  try {
    const id = JSON.parse(localStorage.getItem(VIEW_KEY) || '{}').selectedId;
    return typeof id === 'string' && PAGE_ID.test(id) ? id : null;
  } catch {
    return null;
  }
}

ask('/api/status');
ask('/api/tree');
const id = pageToOpen();
if (id) ask('/api/pages/' + id);

// The response already asked for at `path`, once; null when there is none (or no more).
export function takeEarly(path) {
  const answer = early.get(path);
  if (!answer) return null;
  early.delete(path);
  return answer;
}

// Start-up is over: what was not taken would be out of date by now.
export function dropEarly() {
  early.clear();
}
