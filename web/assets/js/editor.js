// The page editor: loads a body, saves it 800 ms after the last change under its version tag,
// writes the title through the page tree, and takes in pasted and dropped content.
import { api } from './api.js';
import { showToast } from './dialogs.js';
import { uploadImages, uploadDataImages, imageFilesOf, ImageTool } from './images.js';
import { sanitizeHtml, sanitizeToNodes, escapeHtml } from './sanitize.js';

export const SAVE_DELAY_MS = 800;
export const RETRY_DELAY_MS = 5000;
export const TITLE_DELAY_MS = 400;
const BLOCKS = ['h1', 'h2', 'h3', 'blockquote', 'pre'];

export class Editor {
  constructor({ titleInput, body, wrap, tree, onStatus, onSelectionChange, onConflict }) {
    this.titleInput = titleInput;
    this.body = body;
    this.wrap = wrap;
    this.tree = tree;
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
    this.imageTool = new ImageTool(body, wrap, () => this.markDirty());
    try {
      document.execCommand('defaultParagraphSeparator', false, 'p');
    } catch {
      // Older engines keep their own separator.
    }
    this.attachEvents();
  }

  get hasUnsaved() {
    return this.dirty || Boolean(this.saving) || Boolean(this.titleTimer);
  }

  async open(id) {
    if (!(await this.flush())) return false;
    this.imageTool.clear();
    if (id === null) {
      this.pageId = null;
      this.etag = '0';
      this.lastSaved = '';
      this.body.innerHTML = '';
      this.titleInput.value = '';
      this.dirty = false;
      return true;
    }
    const { html, etag } = await api.getPage(id);
    const { fragment, text: clean } = sanitizeToNodes(html);
    this.pageId = id;
    this.etag = etag;
    const entry = this.tree.page(id);
    this.titleInput.value = entry && typeof entry.title === 'string' ? entry.title : '';
    this.body.replaceChildren(fragment);
    this.lastSaved = clean;
    this.dirty = false;
    this.savedRange = null;
    this.wrap.scrollTop = 0;
    return true;
  }

  markDirty() {
    if (!this.pageId) return;
    this.dirty = true;
    this.onStatus('saving');
    this.schedule(SAVE_DELAY_MS);
  }

  schedule(ms) {
    clearTimeout(this.saveTimer);
    this.saveTimer = setTimeout(() => { this.save(false); }, ms);
  }

  async save(keepalive = false) {
    for (;;) {
      clearTimeout(this.saveTimer);
      this.saveTimer = 0;
      if (this.saving) {
        await this.saving;
        if (!this.dirty) return true;
      }
      if (!this.dirty || !this.pageId) return true;
      this.saving = this.saveOnce(keepalive);
      let ok;
      try {
        ok = await this.saving;
      } finally {
        this.saving = null;
      }
      if (!ok || !this.dirty) return ok;
    }
  }

  async saveOnce(keepalive) {
    const id = this.pageId;
    const html = sanitizeHtml(this.body.innerHTML);
    if (html === this.lastSaved) {
      this.dirty = false;
      this.onStatus('saved');
      return true;
    }
    this.dirty = false;
    this.onStatus('saving');
    try {
      const etag = await api.putPage(id, html, this.etag, keepalive);
      if (this.pageId !== id) return true;
      this.etag = etag;
      this.lastSaved = html;
      this.onStatus(this.dirty ? 'saving' : 'saved');
      this.tree.touch(id);
      return true;
    } catch (error) {
      if (this.pageId !== id) return false;
      this.dirty = true;
      if (error.status === 412) {
        this.onStatus('error', '別のウィンドウで更新されています');
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
    const ok = await this.tree.rename(this.pageId, this.titleInput.value);
    if (ok && !this.dirty) this.onStatus('saved');
    return ok;
  }

  async flush() {
    const titleOk = await this.commitTitle();
    const bodyOk = await this.save(false);
    return titleOk && bodyOk;
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
      this.lastSaved = clean;
    }
    if (document.activeElement !== this.titleInput) {
      const entry = this.tree.page(id);
      if (entry) this.titleInput.value = entry.title || '';
    }
  }

  async discardAndReload() {
    const id = this.pageId;
    this.dirty = false;
    clearTimeout(this.saveTimer);
    clearTimeout(this.titleTimer);
    this.titleTimer = 0;
    this.pageId = null;
    await this.open(id);
    this.onStatus('saved');
  }

  async overwrite() {
    if (!this.pageId) return;
    const { etag } = await api.getPage(this.pageId);
    this.etag = etag;
    this.lastSaved = null;
    this.markDirty();
    await this.save(false);
  }

  // ---- Commands ----

  restoreSelection() {
    const selection = document.getSelection();
    if (document.activeElement === this.body && selection.rangeCount &&
        this.body.contains(selection.getRangeAt(0).commonAncestorContainer)) return;
    this.body.focus();
    const range = document.createRange();
    if (this.savedRange && this.body.contains(this.savedRange.commonAncestorContainer)) {
      range.setStart(this.savedRange.startContainer, this.savedRange.startOffset);
      range.setEnd(this.savedRange.endContainer, this.savedRange.endOffset);
    } else {
      range.selectNodeContents(this.body);
      range.collapse(false);
    }
    selection.removeAllRanges();
    selection.addRange(range);
  }

  exec(command, value = null) {
    this.restoreSelection();
    document.execCommand('styleWithCSS', false, true);
    document.execCommand(command, false, value);
    this.markDirty();
    this.onSelectionChange();
  }

  queryState(command) {
    try {
      return document.queryCommandState(command);
    } catch {
      return false;
    }
  }

  currentBlock() {
    const selection = document.getSelection();
    let node = selection.rangeCount ? selection.getRangeAt(0).startContainer : null;
    while (node && node !== this.body) {
      if (node.nodeType === Node.ELEMENT_NODE && BLOCKS.includes(node.localName)) return node.localName;
      node = node.parentNode;
    }
    return 'p';
  }

  setBlock(tag) {
    this.exec('formatBlock', tag);
  }

  toggleBlock(tag) {
    this.restoreSelection();
    this.setBlock(this.currentBlock() === tag ? 'p' : tag);
  }

  insertHtml(html) {
    this.exec('insertHTML', sanitizeHtml(html));
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
      link.href = url;
      this.markDirty();
    } else if (this.selectedText()) {
      this.exec('createLink', url);
    } else {
      const text = escapeHtml(url);
      this.insertHtml('<a href="' + text.replace(/"/g, '&quot;') + '">' + text + '</a>');
    }
  }

  async insertImageFiles(files) {
    this.onStatus('saving');
    try {
      const paths = await uploadImages(files);
      if (paths.length) {
        this.insertHtml(paths.map((path) => '<img src="' + path + '" alt="">').join(''));
      } else {
        this.onStatus(this.dirty ? 'saving' : 'saved');
      }
    } catch (error) {
      this.onStatus('error', error.message);
      showToast(error.message);
    }
  }

  async insertTransfer(data) {
    const files = imageFilesOf(data.files);
    const text = data.getData('text/plain');
    const html = data.getData('text/html');
    if (files.length && !text.trim()) {
      await this.insertImageFiles(files);
    } else if (html) {
      try {
        this.insertHtml(await uploadDataImages(html));
      } catch (error) {
        showToast(error.message);
      }
    } else if (text) {
      this.exec('insertText', text);
    }
  }

  // ---- Events ----

  firstLineFix() {
    const first = this.body.firstChild;
    const selection = document.getSelection();
    if (first && first.nodeType === Node.TEXT_NODE && first.data.trim() && selection.rangeCount &&
        selection.getRangeAt(0).startContainer === first) {
      document.execCommand('formatBlock', false, 'p');
    }
  }

  attachEvents() {
    this.body.addEventListener('input', (event) => {
      if (!event.isComposing && !this.composing) this.firstLineFix();
      this.markDirty();
      this.imageTool.reposition();
    });
    this.body.addEventListener('compositionstart', () => { this.composing = true; });
    this.body.addEventListener('compositionend', () => {
      this.composing = false;
      this.firstLineFix();
    });
    this.titleInput.addEventListener('input', () => {
      if (!this.pageId) return;
      clearTimeout(this.titleTimer);
      this.titleTimer = setTimeout(() => { this.commitTitle(); }, TITLE_DELAY_MS);
      this.onStatus('saving');
    });
    this.titleInput.addEventListener('keydown', (event) => {
      if (event.key === 'Enter' && !event.isComposing) {
        event.preventDefault();
        this.body.focus();
      }
    });
    document.addEventListener('selectionchange', () => {
      const selection = document.getSelection();
      if (!selection.rangeCount) return;
      const range = selection.getRangeAt(0);
      if (!this.body.contains(range.commonAncestorContainer)) return;
      this.savedRange = range.cloneRange();
      this.onSelectionChange();
    });
    this.body.addEventListener('paste', (event) => {
      event.preventDefault();
      if (event.clipboardData) this.insertTransfer(event.clipboardData);
    });
    this.body.addEventListener('dragstart', () => { this.internalDrag = true; });
    this.body.addEventListener('dragend', () => { this.internalDrag = false; });
    this.body.addEventListener('drop', (event) => {
      if (this.internalDrag) return;
      event.preventDefault();
      const point = document.caretRangeFromPoint ? document.caretRangeFromPoint(event.clientX, event.clientY) : null;
      if (point && this.body.contains(point.startContainer)) {
        const selection = document.getSelection();
        selection.removeAllRanges();
        selection.addRange(point);
        this.savedRange = point.cloneRange();
      }
      const files = imageFilesOf(event.dataTransfer.files);
      if (files.length) this.insertImageFiles(files);
      else this.insertTransfer(event.dataTransfer);
    });
    this.body.addEventListener('click', (event) => {
      const link = event.target.closest && event.target.closest('a');
      if (!link || !this.body.contains(link)) return;
      event.preventDefault();
      if (event.ctrlKey) window.open(link.href, '_blank', 'noopener,noreferrer');
      else showToast('リンクは Ctrl キーを押しながらクリックすると開きます。');
    });
  }
}
