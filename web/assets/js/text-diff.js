// Marks in an old version's body, word by word, the words the current page no longer has (del)
// and the words it has gained (ins), with the jsdiff library over the words of both texts.
import '../../vendor/diff.js';

const { diffArrays } = globalThis.Diff;
// Words as the browser splits them: Japanese runs become words too, not single characters.
const segmenter = new Intl.Segmenter('ja', { granularity: 'word' });
const BLOCKS = new Set(['p', 'div', 'li', 'ul', 'ol', 'h1', 'h2', 'h3', 'blockquote', 'pre', 'tr', 'td', 'th',
  'table', 'hr', 'br', 'img']);

function words(text) {
  return Array.from(segmenter.segment(text), (part) => part.segment);
}

// The text of a tree and its text nodes, each with its place in that text. A block's edge adds
// a line break that belongs to no node, so the words of two paragraphs never run together.
function textRuns(root) {
  let text = '';
  const runs = [];
  const walk = (node) => {
    for (const child of node.childNodes) {
      if (child.nodeType === Node.TEXT_NODE) {
        runs.push({ node: child, start: text.length, end: text.length + child.data.length });
        text += child.data;
      } else if (child.nodeType === Node.ELEMENT_NODE) {
        const block = BLOCKS.has(child.localName);
        if (block && text && !text.endsWith('\n')) text += '\n';
        walk(child);
        if (block && text && !text.endsWith('\n')) text += '\n';
      }
    }
  };
  walk(root);
  return { text, runs };
}

function mark(tag, text) {
  const node = document.createElement(tag);
  node.className = tag === 'del' ? 'diff-removed' : 'diff-added';
  if (text !== undefined) node.textContent = text;
  return node;
}

// Wraps the old text's characters start..end in del, run by run.
function markRemoved(runs, start, end) {
  for (let i = runs.length - 1; i >= 0; i -= 1) {
    const run = runs[i];
    const from = Math.max(start, run.start);
    const to = Math.min(end, run.end);
    if (from >= to) continue;
    let node = run.node;
    if (to - run.start < node.data.length) node.splitText(to - run.start);
    if (from > run.start) node = node.splitText(from - run.start);
    const wrapper = mark('del');
    node.replaceWith(wrapper);
    wrapper.append(node);
  }
}

// The node itself, or the del around it when it was marked removed.
function outer(node) {
  const parent = node.parentNode;
  return parent && parent.classList && parent.classList.contains('diff-removed') ? parent : node;
}

// Puts the added text in at the old text's position at.
function markAdded(root, runs, at, text) {
  const added = mark('ins', text);
  const run = runs.find((r) => at >= r.start && at < r.end);
  if (run && at === run.start) outer(run.node).before(added);
  else if (run) run.node.splitText(at - run.start).before(added);
  else {
    const before = [...runs].reverse().find((r) => r.end <= at);
    if (before) outer(before.node).after(added);
    else root.prepend(added);
  }
}

// Marks root (the old version, already in the DOM tree it is shown in) against the text of
// current (a node holding the current page). Returns the number of removed and added words.
export function markChanges(root, current) {
  const old = textRuns(root);
  const now = textRuns(current).text;
  const parts = diffArrays(words(old.text), words(now));
  const changes = [];
  let at = 0;
  const counts = { removed: 0, added: 0 };
  for (const part of parts) {
    const text = part.value.join('');
    const wordy = part.value.some((word) => word.trim());
    if (part.removed) {
      changes.push({ kind: 'removed', start: at, end: at + text.length });
      if (wordy) counts.removed += part.value.filter((word) => word.trim()).length;
    } else if (part.added) {
      changes.push({ kind: 'added', start: at, text });
      if (wordy) counts.added += part.value.filter((word) => word.trim()).length;
    }
    if (!part.added) at += text.length;
  }
  // From the end backwards: a node split for a later change keeps the offsets of earlier ones.
  changes.sort((a, b) => b.start - a.start || (a.kind === 'removed' ? -1 : 1));
  for (const change of changes) {
    if (change.kind === 'removed') markRemoved(old.runs, change.start, change.end);
    else if (change.text.trim()) markAdded(root, old.runs, change.start, change.text.replace(/\n+/g, ' '));
  }
  return counts;
}
