// Start-up's first requests, sent as soon as the window has its address and before the other
// modules have loaded: the status and the tree (asked for by index.html's preloads, which these
// requests take over) and the body of the page the window will open. That page is the one in the
// address, else the one this window last had open; when neither is known, or the one known is not
// a live page of the tree, the first page of the tree is asked for as soon as the tree is in.
// The tree is read and parsed here, while the other modules are still loading.

import { isPageId, pageFromHash } from './page-route.js';

const VIEW_KEY = 'ferncard.view'; // the remembered view (view-state.js)

const early = new Map(); // path → the promise of its response, taken once
let earlyTree = null; // the promise of the tree's { response, text, doc }, taken once

// The same request as index.html's preload, so that the browser hands over the preloaded answer.
function ask(path) {
  const answer = fetch(path, { credentials: 'same-origin' });
  answer.catch(() => {}); // a failure is met by whoever takes it
  early.set(path, answer);
  return answer;
}

function rememberedPage() {
  const fromHash = pageFromHash(location.hash);
  if (fromHash) return fromHash;
  try {
    const id = JSON.parse(localStorage.getItem(VIEW_KEY) || '{}').selectedId;
    return isPageId(id) ? id : null;
  } catch {
    return null;
  }
}

// The tree's answer with its text and parsed document (null when it does not parse: the tree
// store says why); an answer that failed is handed over unread, for the caller to report.
async function readTree(answer, remembered) {
  const response = await answer;
  if (!response.ok) return { response, text: null, doc: null };
  const text = await response.text();
  const { indexOf, pageToOpen, parseTree } = await import('./tree-model.js');
  let doc = null;
  try {
    doc = parseTree(text);
  } catch {
    return { response, text, doc };
  }
  const id = pageToOpen(indexOf(doc), [remembered]);
  if (id && id !== remembered && !early.has('/api/pages/' + id)) ask('/api/pages/' + id);
  return { response, text, doc };
}

ask('/api/status');
const remembered = rememberedPage();
if (remembered) ask('/api/pages/' + remembered);
earlyTree = readTree(fetch('/api/tree', { credentials: 'same-origin' }), remembered);
earlyTree.catch(() => {});

// The response already asked for at `path`, once; null when there is none (or no more).
export function takeEarly(path) {
  const answer = early.get(path);
  if (!answer) return null;
  early.delete(path);
  return answer;
}

// The tree's answer read at start-up ({ response, text, doc }), once; null when taken already.
export function takeEarlyTree() {
  const tree = earlyTree;
  earlyTree = null;
  return tree;
}

// Start-up is over: what was not taken would be out of date by now.
export function dropEarly() {
  early.clear();
  earlyTree = null;
}
