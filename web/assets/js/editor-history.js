// Undo and redo for the editor body, by steps as a text field has them: a typing run ends at a
// pause, a caret move or any command; each command, paste, drop or image change is one step.
// The body's HTML and caret are kept at each step's boundary.

const RUN_PAUSE_MS = 1000;
const MAX_STEPS = 200;
const MAX_KEPT_CHARS = 64 * 1024 * 1024; // what all kept bodies may add up to
const CARET_KEYS = new Set(['ArrowLeft', 'ArrowRight', 'ArrowUp', 'ArrowDown', 'Home', 'End', 'PageUp', 'PageDown']);

// The path of child indexes from root down to node.
function pathOf(root, node) {
  const path = [];
  for (; node && node !== root; node = node.parentNode) {
    if (!node.parentNode) return null;
    path.unshift(Array.prototype.indexOf.call(node.parentNode.childNodes, node));
  }
  return node === root ? path : null;
}

function nodeAt(root, path) {
  let node = root;
  for (const index of path || []) {
    node = node.childNodes[index];
    if (!node) return null;
  }
  return node;
}

function caretOf(root) {
  const selection = document.getSelection();
  if (!selection.rangeCount) return null;
  const range = selection.getRangeAt(0);
  const start = pathOf(root, range.startContainer);
  const end = pathOf(root, range.endContainer);
  return start && end ? [start, range.startOffset, end, range.endOffset] : null;
}

function placeCaret(root, caret) {
  const range = document.createRange();
  const start = caret && nodeAt(root, caret[0]);
  const end = caret && nodeAt(root, caret[2]);
  try {
    if (!start || !end) throw new Error('gone');
    range.setStart(start, caret[1]);
    range.setEnd(end, caret[3]);
  } catch {
    range.selectNodeContents(root);
    range.collapse(false);
  }
  const selection = document.getSelection();
  selection.removeAllRanges();
  selection.addRange(range);
}

export class EditorHistory {
  // onRestore() is told after the body was put back to another step.
  constructor(body, onRestore) {
    this.body = body;
    this.onRestore = onRestore;
    this.undoSteps = [];
    this.redoSteps = [];
    this.base = { html: '', caret: null }; // the body at the last step boundary
    this.changed = false;
    this.runTimer = 0;
    body.addEventListener('keydown', (event) => {
      if (CARET_KEYS.has(event.key)) this.checkpoint();
    });
    body.addEventListener('mousedown', () => this.checkpoint());
  }

  // A new body (another page, or another window's version): no steps to go back to. `html`, when
  // given, is the body's HTML as the caller already has it.
  reset(html = this.body.innerHTML) {
    clearTimeout(this.runTimer);
    this.undoSteps = [];
    this.redoSteps = [];
    this.changed = false;
    this.base = { html, caret: null };
  }

  // The body changed by typing: the run goes on until a pause.
  typed() {
    this.changed = true;
    clearTimeout(this.runTimer);
    this.runTimer = setTimeout(() => this.checkpoint(), RUN_PAUSE_MS);
  }

  // A change that is a step of its own (a command, an image change) has just been made.
  record() {
    this.changed = true;
    this.checkpoint();
  }

  // Ends the current step: what changed since the last boundary becomes one step to undo.
  checkpoint() {
    clearTimeout(this.runTimer);
    if (!this.changed) return;
    this.changed = false;
    const html = this.body.innerHTML;
    if (html === this.base.html) return;
    this.undoSteps.push(this.base);
    this.redoSteps.length = 0; // emptied in place: a move in progress holds it
    this.base = { html, caret: caretOf(this.body) };
    this.trim();
  }

  trim() {
    let kept = this.undoSteps.reduce((sum, step) => sum + step.html.length, 0);
    while (this.undoSteps.length > MAX_STEPS || (this.undoSteps.length > 1 && kept > MAX_KEPT_CHARS)) {
      kept -= this.undoSteps.shift().html.length;
    }
  }

  undo() {
    this.move(this.undoSteps, this.redoSteps);
  }

  redo() {
    this.move(this.redoSteps, this.undoSteps);
  }

  move(from, to) {
    this.checkpoint();
    if (!from.length) return;
    to.push({ html: this.body.innerHTML, caret: caretOf(this.body) });
    this.base = from.pop();
    this.body.innerHTML = this.base.html;
    placeCaret(this.body, this.base.caret);
    this.onRestore();
    this.changed = false;
  }
}
