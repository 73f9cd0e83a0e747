// Keys on a focused row of the page list: moving through the tree, type-ahead, and moving a page
// up, down, in and out with Alt and the arrows (drag and drop needs a mouse).
import { foldText } from './search-text.js';
import { displayTitle } from './tree-model.js';

const TYPE_AHEAD_MS = 800;

// The name of a key with its modifiers ("Alt+ArrowUp", "Shift+F10"); a typed character keeps its
// own case and no "Shift+".
export function keyName(event) {
  const named = event.key.length > 1;
  return (event.ctrlKey ? 'Ctrl+' : '') + (event.altKey ? 'Alt+' : '') + (event.metaKey ? 'Meta+' : '') +
    (event.shiftKey && named ? 'Shift+' : '') + event.key;
}

export class TreeKeys {
  // tree: the TreeController (its store, view, filter and operations).
  constructor(tree) {
    this.tree = tree;
    this.typed = '';
    this.typedAt = 0;
    this.moving = Promise.resolve();
  }

  // Returns whether the key was handled.
  handle(id, key, expanded) {
    const tree = this.tree;
    const view = tree.view;
    switch (key) {
      case 'ArrowDown': view.focusNear(id, 1); return true;
      case 'ArrowUp': view.focusNear(id, -1); return true;
      case 'Home': view.focusIndex(0); return true;
      case 'End': view.focusIndex(-1); return true;
      case '*': tree.expandSiblings(id); return true;
      case 'ArrowRight':
        if (expanded === 'false') tree.toggle(id);
        else if (expanded === 'true') view.focusNear(id, 1);
        return true;
      case 'ArrowLeft':
        if (expanded === 'true' && !tree.filter) tree.toggle(id);
        else {
          const entry = tree.store.page(id);
          view.focusPage(entry ? entry.parentId : null);
        }
        return true;
      case 'Enter': tree.run(tree.select(id)); return true;
      case 'F2': tree.startRename(id); return true;
      case 'Delete': tree.run(tree.deletePage(id)); return true;
      case 'Shift+F10':
      case 'ContextMenu': {
        const box = view.rowOf(id).getBoundingClientRect();
        tree.openMenu(id, box.left + 24, box.bottom);
        return true;
      }
      case 'Alt+ArrowUp': case 'Alt+ArrowDown': case 'Alt+ArrowLeft': case 'Alt+ArrowRight':
        // Always taken, so that Alt+← never leaves the window for the browser's history.
        // One after the other, each from where the last one left the page (a held key repeats).
        if (!tree.filter) this.moving = this.moving.then(() => this.move(id, key.slice(4))).catch((error) => tree.onError(error));
        return true;
      default:
        return [...key].length === 1 && key !== ' ' && this.typeAhead(id, key);
    }
  }

  // Up and down among the siblings, right into the page above (as its last child), left out of
  // the parent (right after it). The keyboard stays on the page's row, wherever it went.
  async move(id, arrow) {
    const moved = await this.moveOnce(id, arrow);
    this.tree.view.focusPage(id);
    return moved;
  }

  moveOnce(id, arrow) {
    const tree = this.tree;
    const model = tree.store.model;
    const entry = tree.store.page(id);
    if (!entry) return false;
    const parentId = model.shownParent(entry);
    const siblings = model.children(parentId);
    const index = siblings.findIndex((sibling) => sibling.id === id);
    const before = siblings[index - 1];
    const after = siblings[index + 1];
    if (arrow === 'ArrowUp' && before) return tree.move(id, before.id, 'before');
    if (arrow === 'ArrowDown' && after) return tree.move(id, after.id, 'after');
    if (arrow === 'ArrowRight' && before) return tree.move(id, before.id, 'inside');
    if (arrow === 'ArrowLeft' && parentId) return tree.move(id, parentId, 'after');
    return false;
  }

  // Characters typed quickly one after the other find the next row whose title begins with them;
  // when the run so far begins no title, the last character alone is looked for.
  typeAhead(id, ch) {
    const now = Date.now();
    const run = now - this.typedAt < TYPE_AHEAD_MS && this.typed !== ch ? this.typed + ch : ch;
    this.typedAt = now;
    this.typed = this.find(id, run) || run === ch ? run : ch;
    if (this.typed !== run) this.find(id, ch);
    return true;
  }

  // Focuses the first row after the focused one (or, for a run of characters, from it) whose title
  // begins with text; returns whether there was one. Rows out of view count too.
  find(id, text) {
    const needle = foldText(text);
    const rows = this.tree.view.shown;
    if (!rows || !rows.length) return false;
    const from = rows.indexOf(id);
    const start = [...text].length > 1 ? from : from + 1;
    for (let i = 0; i < rows.length; i++) {
      const entry = rows.entryAt((start + i + rows.length) % rows.length);
      if (foldedTitle(entry).startsWith(needle)) {
        this.tree.view.focusPage(entry.id);
        return true;
      }
    }
    return false;
  }
}

// Titles folded once per entry: a search through a long list then only compares.
const folded = new WeakMap();
function foldedTitle(entry) {
  const title = displayTitle(entry);
  let known = folded.get(entry);
  if (!known || known.title !== title) {
    known = { title, folded: foldText(title) };
    folded.set(entry, known);
  }
  return known.folded;
}
