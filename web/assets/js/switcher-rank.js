// The quick switcher's order: pages whose title holds the typed letters in order, best matches
// first; with nothing typed, the recently opened pages first. No DOM, so it runs anywhere.
import { foldText } from './search-text.js';

export const MAX_ROWS = 50;

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

// Where the letters of needle appear in order in text, or null. The match that ends first is
// then tightened from the right, so "abc" in "a-ab-c" takes the second a.
function scattered(text, needle) {
  const chars = [...needle];
  const positions = [];
  let at = 0;
  for (const ch of chars) {
    const found = text.indexOf(ch, at);
    if (found < 0) return null;
    positions.push(found);
    at = found + ch.length;
  }
  for (let i = positions.length - 2; i >= 0; i--) {
    const before = text.lastIndexOf(chars[i], positions[i + 1] - chars[i].length);
    if (before > positions[i]) positions[i] = before;
  }
  return positions;
}

function range(start, length) {
  return Array.from({ length }, (_, i) => start + i);
}

// A match of one title: { kind, spread, first, positions } or null.
export function matchTitle(folded, needle) {
  if (folded === needle) return { kind: EXACT, spread: 0, first: 0, positions: range(0, needle.length) };
  const index = folded.indexOf(needle);
  if (index === 0) return { kind: PREFIX, spread: 0, first: 0, positions: range(0, needle.length) };
  if (index > 0) {
    const kind = WORD_EDGE.test(folded[index - 1]) ? WORD : INNER;
    return { kind, spread: 0, first: index, positions: range(index, needle.length) };
  }
  const positions = scattered(folded, needle);
  if (!positions) return null;
  const spread = positions[positions.length - 1] - positions[0] + 1 - positions.length;
  return { kind: SCATTERED, spread, first: positions[0], positions };
}

// The rows to show: [{ entry, positions }] (positions: matched characters of the folded title,
// which has the title's own character positions). recent: page ids, most recently opened first.
export function rankPages(prepared, query, recent = [], limit = MAX_ROWS) {
  const recency = new Map(recent.map((id, i) => [id, i]));
  const lastSeen = (item) => recency.get(item.entry.id) ?? Infinity;
  const needle = foldText(query).replace(/ /g, '');
  if (!needle) {
    const seen = prepared.filter((item) => recency.has(item.entry.id)).sort((a, b) => lastSeen(a) - lastSeen(b));
    const rest = prepared.filter((item) => !recency.has(item.entry.id));
    return seen.concat(rest).slice(0, limit).map((item) => ({ entry: item.entry, positions: [] }));
  }
  const hits = [];
  for (const item of prepared) {
    const match = matchTitle(item.folded, needle);
    if (match) hits.push({ item, match });
  }
  hits.sort((a, b) => a.match.kind - b.match.kind || a.match.spread - b.match.spread ||
    a.match.first - b.match.first || lastSeen(a.item) - lastSeen(b.item) ||
    a.item.folded.length - b.item.folded.length || a.item.index - b.item.index);
  return hits.slice(0, limit).map(({ item, match }) => ({ entry: item.entry, positions: match.positions }));
}
