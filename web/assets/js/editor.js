// The page editor: loads a body, saves it 800 ms after the last change under its version tag,
// writes the title through the page tree, and runs the formatting commands.
import { api } from './api.js';
import { ImageTool } from './images.js';
import { sanitizeHtml, sanitizeToNodes, escapeHtml } from './sanitize.js';
import { restoreSelection, liftBlocks, currentBlock, endListItemFor, deleteWide } from './editor-blocks.js';
import { attachEditorEvents } from './editor-events.js';
import { EditorHistory } from './editor-history.js';
import { insertImageFiles } from './editor-transfer.js';

const SAVE_DELAY_MS = 800;
const RETRY_DELAY_MS = 5000;
const CONFLICT_MESSAGE = '別のウィンドウで更新されています';

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
    this.etag = '0';
    this.lastSaved = '';
    this.dirty = false;
    this.saving = null;
    this.saveTimer = 0;
    this.titleTimer = 0;
    this.titleSaving = null;
    this.savedRange = null;
    this.internalDrag = false;
    this.composing = false;
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

  // The save indicator; while a conflict is open it keeps saying so.
  report(state, message) {
    this.reported = state;
    if (this.conflict && state !== 'error') this.onStatus('error', CONFLICT_MESSAGE);
    else this.onStatus(state, message);
  }

  // Once the current page is saved, and until the next one is shown, the body takes no input:
  // keys typed then would land in the page being left, after its last save.
  async open(id) {
    if (!(await this.flush())) return false;
    const unlock = this.lock();
    try {
      this.imageTool.clear();
      if (id === null) {
        this.pageId = null;
        this.etag = '0';
        this.lastSaved = '';
        this.body.innerHTML = '';
        this.history.reset();
        this.titleInput.value = '';
        this.dirty = false;
        return true;
      }
      const { html, etag } = await api.getPage(id);
      this.show(id, html, etag);
      // Whatever was said to be saving belonged to the page left, which is saved by now.
      if (this.reported === 'saving') this.report('saved');
      return true;
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
    this.wrap.scrollTop = 0; // while the old body is in: after, it would lay the new one out at once
    this.body.replaceChildren(fragment);
    this.history.reset(clean);
    this.lastSaved = clean;
    this.dirty = false;
    this.conflict = false;
    this.composing = false;
    this.savedRange = null;
  }

  markDirty() {
    if (!this.pageId) return;
    this.dirty = true;
    this.report('saving');
    if (!this.conflict) this.schedule(SAVE_DELAY_MS);
  }

  schedule(ms = SAVE_DELAY_MS) {
    clearTimeout(this.saveTimer);
    this.saveTimer = setTimeout(() => { this.save(false, true); }, ms);
  }

  // Resolves only when no save is in flight and nothing is dirty (true), or with false as soon as
  // a save this call waited for failed. Every caller waits for the follow-up saves of the others.
  // An autosave leaves the body alone while an input method composition is open (it would store
  // the half-typed reading); the composition's end starts the next one.
  async save(keepalive = false, auto = false) {
    for (;;) {
      clearTimeout(this.saveTimer);
      this.saveTimer = 0;
      if (this.saving) {
        if (!(await this.saving)) return false;
        continue;
      }
      if (!this.dirty || !this.pageId) return true;
      if (auto && this.composing) return true;
      if (this.conflict) return false;
      const once = this.saveOnce(keepalive);
      this.saving = once;
      let ok;
      try {
        ok = await once;
      } finally {
        if (this.saving === once) this.saving = null;
      }
      if (!ok) return false;
    }
  }

  async saveOnce(keepalive) {
    const id = this.pageId;
    const html = sanitizeHtml(this.body.innerHTML);
    if (html === this.lastSaved) {
      this.dirty = false;
      this.report('saved');
      return true;
    }
    this.dirty = false;
    this.report('saving');
    const keepRevision = this.keepRevision;
    this.keepRevision = false;
    try {
      const etag = await api.putPage(id, html, this.etag, keepalive, { keepRevision });
      if (this.pageId !== id) return true;
      this.etag = etag;
      this.lastSaved = html;
      this.report(this.dirty ? 'saving' : 'saved');
      this.pages.touch(id);
      return true;
    } catch (error) {
      if (this.pageId !== id) return false;
      this.dirty = true;
      this.keepRevision ||= keepRevision;
      if (error.status === 412) {
        this.conflict = true;
        this.onStatus('error', CONFLICT_MESSAGE);
        this.onConflict();
      } else if (error.status === 403) {
        this.onStatus('error', error.message);
      } else {
        this.onStatus('error', error.message);
        this.schedule(RETRY_DELAY_MS);
      }
      return false;
    }
  }

  async commitTitle() {
    if (!this.titleTimer) return true;
    clearTimeout(this.titleTimer);
    this.titleTimer = 0;
    if (!this.pageId) return true;
    const ok = await this.pages.rename(this.pageId, this.titleInput.value);
    if (ok && !this.dirty) this.report('saved');
    return ok;
  }

  // Waits for the page's image insertions, then commits the title and the body.
  async flush() {
    while (this.uploads.size) await Promise.all(this.uploads);
    const titleOk = await this.commitTitle();
    const bodyOk = await this.save(false);
    return titleOk && bodyOk;
  }

  // The window is being hidden or closed: title and body go out at once.
  saveNow() {
    this.commitTitle().catch(() => {});
    this.save(true);
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

  async overwrite() {
    if (!this.pageId) return;
    const { etag } = await api.getPage(this.pageId);
    this.etag = etag;
    this.lastSaved = null;
    this.conflict = false;
    this.keepRevision = true; // the other window's version stays in the history
    this.markDirty();
    await this.save(false);
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
    return insertImageFiles(this, files);
  }
}
