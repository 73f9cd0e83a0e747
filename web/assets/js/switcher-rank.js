// The quick switcher's order: pages whose title holds the typed letters in order, best matches
// first; with nothing typed, the recently opened pages first. No DOM, so it runs anywhere.
import { foldText } from './search-text.js';

export const MAX_ROWS = 30; // about three boxes full: more is found by typing more

// How a title matches, best first.
const EXACT = 0;
const PREFIX = 1;
const WORD = 2; // the letters together, at the start of a word
const INNER = 3; // the letters together, inside a word
const SCATTERED = 4; // the letters in order with others between them
const WORD_EDGE = /[\s\-_/.,:;()[\]「」『』【】・、。]/;

// entries: [{ id, title }] in the list's order (title as shown). Folds each title once, so that
// every keystroke after that only compares.
export function prepare(entries) {
  return entries.map((entry, index) => ({ entry, index, folded: foldText(entry.title) }));
}

// Where the letters (an array of characters) appear in order in text, or null. The match that
// ends first is then tightened from the right, so "abc" in "a-ab-c" takes the second a.
function scattered(text, letters) {
  const positions = [];
  let at = 0;
  for (const ch of letters) {
    const found = text.indexOf(ch, at);
    if (found < 0) return null;
    positions.push(found);
    at = found + ch.length;
  }
  for (let i = positions.length - 2; i >= 0; i--) {
    const before = text.lastIndexOf(letters[i], positions[i + 1] - letters[i].length);
    if (before > positions[i]) positions[i] = before;
  }
  return positions;
}

function range(start, length) {
  return Array.from({ length }, (_, i) => start + i);
}

// What is looked for: the folded query as typed (spaces kept, for a match of the letters
// together) and its letters without the spaces (for a scattered match).
function needleOf(query) {
  const text = foldText(query);
  return { text, letters: [...text.replace(/ /g, '')] };
}

// A match of one title: { kind, spread, first, positions } (positions: the matched characters'
// places in the title, for a scattered match only) or null.
function match(folded, needle) {
  const { text, letters } = needle;
  if (folded === text) return { kind: EXACT, spread: 0, first: 0 };
  const index = folded.indexOf(text);
  if (index === 0) return { kind: PREFIX, spread: 0, first: 0 };
  if (index > 0) return { kind: WORD_EDGE.test(folded[index - 1]) ? WORD : INNER, spread: 0, first: index };
  const positions = scattered(folded, letters);
  if (!positions) return null;
  const spread = positions[positions.length - 1] - positions[0] + 1 - positions.length;
  return { kind: SCATTERED, spread, first: positions[0], positions };
}

// The matched characters' places in a folded title, for marking.
export function matchTitle(folded, query) {
  const needle = needleOf(query);
  const found = match(folded, needle);
  if (!found) return null;
  return { ...found, positions: found.positions || range(found.first, needle.text.length) };
}

// The rows to show: [{ entry, positions }] (positions: matched characters of the folded title,
// which has the title's own character positions). recent: page ids, most recently opened first.
export function rankPages(prepared, query, recent = [], limit = MAX_ROWS) {
  const recency = new Map(recent.map((id, i) => [id, i]));
  const needle = needleOf(query);
  if (!needle.letters.length) {
    const seen = prepared.filter((item) => recency.has(item.entry.id))
      .sort((a, b) => recency.get(a.entry.id) - recency.get(b.entry.id));
    const rest = [];
    for (let i = 0; i < prepared.length && rest.length < limit; i++) {
      if (!recency.has(prepared[i].entry.id)) rest.push(prepared[i]);
    }
    return seen.concat(rest).slice(0, limit).map((item) => ({ entry: item.entry, positions: [] }));
  }
  const hits = [];
  for (const item of prepared) {
    const found = match(item.folded, needle);
    if (found) hits.push({ item, found, seen: recency.get(item.entry.id) ?? Infinity });
  }
  hits.sort((a, b) => a.found.kind - b.found.kind || a.found.spread - b.found.spread ||
    a.found.first - b.found.first || a.seen - b.seen ||
    a.item.folded.length - b.item.folded.length || a.item.index - b.item.index);
  return hits.slice(0, limit).map(({ item, found }) => ({
    entry: item.entry, positions: found.positions || range(found.first, needle.text.length),
  }));
}
