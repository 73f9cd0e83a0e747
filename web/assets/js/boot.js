// Start-up's first requests, sent as soon as the window has its address and before the other
// modules have loaded: the status, the tree and the body of the page the window will open (the
// one in the address, else the one this window last had open), all at once.

import { isPageId, pageFromHash } from './page-route.js';

const VIEW_KEY = 'ferncard.view'; // the remembered view (view-state.js)

const early = new Map(); // path → the promise of its response, taken once

function ask(path) {
  const answer = fetch(path, { credentials: 'same-origin', cache: 'no-store' });
  answer.catch(() => {}); // a failure is met by whoever takes it
  early.set(path, answer);
}

function pageToOpen() {
  const fromHash = pageFromHash(location.hash);
  if (fromHash) return fromHash;
  try {
    const id = JSON.parse(localStorage.getItem(VIEW_KEY) || '{}').selectedId;
    return isPageId(id) ? id : null;
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
