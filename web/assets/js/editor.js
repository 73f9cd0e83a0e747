// The page editor: loads a page's body and title into the window and runs the formatting
// commands; its saving (autosave, writes under the version tag, retries) is in editor-save.js.
import { ApiError, NO_RECORD, api } from './api.js';
import { ImageTool } from './images.js';
import { messages } from './messages.js';
import { sanitizeHtml, sanitizeToNodes, escapeHtml } from './sanitize.js';
import { restoreSelection, liftBlocks, currentBlock, endListItemFor, deleteWide } from './editor-blocks.js';
import { attachEditorEvents, withTransfers } from './editor-events.js';
import { EditorHistory } from './editor-history.js';
import {
  commitTitle, flush, markDirty, overwrite, report, save, saveNow, schedule, scheduleTitle,
} from './editor-save.js';

export class Editor {
  constructor({ titleInput, body, wrap, pages, onStatus, onSelectionChange, onConflict }) {
    this.titleInput = titleInput;
    this.body = body;
    this.wrap = wrap;
    this.pages = pages; // the tree store: titles, touches and renames
    this.onStatus = onStatus || (() => {});
    this.onSelectionChange = onSelectionChange || (() => {});
    this.onConflict = onConflict || (() => {});
    this.pageId = null;
    this.etag = NO_RECORD;
    this.lastSaved = '';
    this.dirty = false;
    this.saving = null;
    this.saveTimer = 0;
    this.titleTimer = 0;
    this.titleSaving = null;
    this.savedRange = null;
    this.internalDrag = false;
    this.composing = false;
    this.typedAtCaret = false; // the input under way types text at a collapsed caret
    this.typedCaret = null; // where that text left the caret, until the selection change it made
    this.loading = 0; // page loads in progress: the body takes no input meanwhile
    this.clickedWhileLoading = false;
    this.conflict = false; // a save met a newer version; nothing is saved until the user chooses
    this.keepRevision = false; // the next save asks the server to keep the body it replaces
    this.uploads = new Set(); // pending image insertions of the open page
    this.history = new EditorHistory(body, () => this.markDirty());
    this.imageTool = new ImageTool(body, wrap, () => {
      this.markDirty();
      this.history.record();
    }, (change) => this.quietly(change));
    try {
      document.execCommand('defaultParagraphSeparator', false, 'p');
    } catch {
      // Older engines keep their own separator.
    }
    attachEditorEvents(this);
  }

  get hasUnsaved() {
    return this.dirty || Boolean(this.saving) || Boolean(this.titleTimer) || this.uploads.size > 0;
  }

  // ---- Saving (editor-save.js) ----

  report(state, message) {
    report(this, state, message);
  }

  markDirty() {
    markDirty(this);
  }

  schedule(ms) {
    schedule(this, ms);
  }

  scheduleTitle() {
    scheduleTitle(this);
  }

  save(keepalive = false) {
    return save(this, keepalive);
  }

  commitTitle() {
    return commitTitle(this);
  }

  flush() {
    return flush(this);
  }

  saveNow() {
    saveNow(this);
  }

  overwrite() {
    return overwrite(this);
  }

  // ---- Loading ----

  // Once the current page is saved, and until the next one is shown, the body takes no input:
  // keys typed then would land in the page being left, after its last save. Rejects with an
  // ApiError: "unsaved" when the page being left could not be saved, else the load's own.
  async open(id) {
    if (!(await this.flush())) throw new ApiError(0, 'unsaved', messages.switchRefused);
    const unlock = this.lock();
    try {
      this.imageTool.clear();
      if (id === null) {
        this.pageId = null;
        this.etag = NO_RECORD;
        this.lastSaved = '';
        this.body.innerHTML = '';
        this.history.reset();
        this.titleInput.value = '';
        this.dirty = false;
        return;
      }
      const { html, etag } = await api.getPage(id);
      this.show(id, html, etag);
      // Whatever was said to be saving belonged to the page left, which is saved by now.
      if (this.reported === 'saving') this.report('saved');
    } finally {
      unlock();
    }
  }

  // Makes the body read-only until the returned function is called (loads may overlap); a click
  // into it meanwhile puts the caret there once it is editable again.
  lock() {
    if (this.loading++ === 0) {
      this.editableBefore = this.body.contentEditable;
      this.clickedWhileLoading = false;
      this.body.contentEditable = 'false';
      this.body.setAttribute('aria-busy', 'true');
      this.titleReadOnlyBefore = this.titleInput.readOnly;
      this.titleInput.readOnly = true;
    }
    let unlocked = false;
    return () => {
      if (unlocked) return;
      unlocked = true;
      if (--this.loading > 0) return;
      this.body.contentEditable = this.editableBefore;
      this.body.removeAttribute('aria-busy');
      this.titleInput.readOnly = this.titleReadOnlyBefore;
      if (this.clickedWhileLoading && this.body.isContentEditable) this.body.focus();
    };
  }

  show(id, html, etag) {
    const { fragment, text: clean } = sanitizeToNodes(html);
    this.pageId = id;
    this.etag = etag;
    const entry = this.pages.page(id);
    this.titleInput.value = entry && typeof entry.title === 'string' ? entry.title : '';
    // While the old body is in: after, it would lay the new one out at once. The first page shown
    // needs none, and setting it would lay the whole window out before its first frame.
    if (this.body.firstChild) this.wrap.scrollTop = 0;
    this.body.replaceChildren(fragment);
    this.history.reset(clean);
    this.lastSaved = clean;
    this.dirty = false;
    this.conflict = false;
    this.composing = false;
    this.savedRange = null;
  }

  async refreshIfChanged() {
    if (!this.pageId || this.hasUnsaved) return;
    const id = this.pageId;
    const { html, etag } = await api.getPage(id);
    if (this.pageId !== id || this.hasUnsaved) return;
    if (etag !== this.etag) {
      const clean = sanitizeHtml(html);
      this.etag = etag;
      this.body.innerHTML = clean;
      this.history.reset();
      this.lastSaved = clean;
    }
    if (document.activeElement !== this.titleInput) {
      const entry = this.pages.page(id);
      if (entry) this.titleInput.value = entry.title || '';
    }
  }

  // The page stays attached (and in conflict) until the newer version has been read.
  async discardAndReload() {
    const id = this.pageId;
    if (!id) return;
    const { html, etag } = await api.getPage(id);
    if (this.pageId !== id) return;
    clearTimeout(this.saveTimer);
    clearTimeout(this.titleTimer);
    this.titleTimer = 0;
    this.imageTool.clear();
    this.show(id, html, etag);
    this.report('saved');
  }

  // Puts an earlier version in place of the body and saves it at once, keeping the body it
  // replaces in the history. Resolves false when the page could not be saved.
  async restoreBody(html) {
    if (!this.pageId || !(await this.flush())) return false;
    this.imageTool.clear();
    this.body.replaceChildren(sanitizeToNodes(html).fragment);
    this.keepRevision = true;
    this.markDirty();
    return this.save(false);
  }

  // ---- Commands ----

  restoreSelection() {
    restoreSelection(this.body, this.savedRange);
  }

  // Every command is one undo step; undo and redo go through the editor's own history. A block
  // (a rule, a code block, or HTML inserted as a `block`) never goes inside a list item.
  exec(command, value = null, block = false) {
    if (command === 'undo' || command === 'redo') {
      this.restoreSelection();
      this.history[command]();
      this.onSelectionChange();
      return;
    }
    this.edit(() => {
      if (command === 'insertText' || command === 'insertHTML') deleteWide(this.body);
      if (block || command === 'insertHorizontalRule' || (command === 'formatBlock' && value === 'pre')) {
        endListItemFor(this.body);
      }
      document.execCommand('styleWithCSS', false, true);
      document.execCommand(command, false, value);
    });
  }

  // Makes one change to the body at the remembered selection, as one undo step.
  edit(change) {
    this.restoreSelection();
    this.history.checkpoint();
    this.quietly(() => {
      change();
      liftBlocks(this.body);
    });
    this.markDirty();
    this.history.record();
    this.onSelectionChange();
  }

  // Runs the editor's own changes to the body; the input events they raise are not the user's.
  quietly(change) {
    this.commanding = true;
    try {
      change();
    } finally {
      this.commanding = false;
    }
  }

  queryState(command) {
    try {
      return document.queryCommandState(command);
    } catch {
      return false;
    }
  }

  currentBlock() {
    return currentBlock(this.body);
  }

  setBlock(tag) {
    this.exec('formatBlock', tag);
  }

  toggleBlock(tag) {
    this.restoreSelection();
    this.setBlock(this.currentBlock() === tag ? 'p' : tag);
  }

  insertHtml(html, block = false) {
    this.exec('insertHTML', sanitizeHtml(html), block);
  }

  currentLink() {
    let node = this.savedRange ? this.savedRange.startContainer : null;
    while (node && node !== this.body) {
      if (node.nodeType === Node.ELEMENT_NODE && node.localName === 'a') return node;
      node = node.parentNode;
    }
    return null;
  }

  selectedText() {
    return this.savedRange ? this.savedRange.toString() : '';
  }

  setLink(url) {
    const link = this.currentLink();
    if (!url) {
      if (!link) return;
      this.restoreSelection();
      const range = document.createRange();
      range.selectNodeContents(link);
      const selection = document.getSelection();
      selection.removeAllRanges();
      selection.addRange(range);
      this.exec('unlink');
      return;
    }
    if (link) {
      this.history.checkpoint();
      link.href = url;
      this.markDirty();
      this.history.record();
    } else if (this.selectedText()) {
      this.exec('createLink', url);
    } else {
      const text = escapeHtml(url);
      this.insertHtml('<a href="' + text + '">' + text + '</a>');
    }
  }

  insertImageFiles(files) {
    withTransfers(this, null, (module) => module.insertImageFiles(this, files));
  }
}
