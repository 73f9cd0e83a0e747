// The page editor: loads a body, saves it 800 ms after the last change under its version tag,
// writes the title through the page tree, and takes in pasted and dropped content.
import { api } from './api.js';
import { showToast } from './dialogs.js';
import { uploadImages, uploadDataImages, imageFilesOf, ImageTool } from './images.js';
import { BLOCKS as PARAGRAPH_BREAKERS, sanitizeHtml, sanitizeToNodes, escapeHtml, splitParagraph } from './sanitize.js';

const SAVE_DELAY_MS = 800;
const RETRY_DELAY_MS = 5000;
const TITLE_DELAY_MS = 400;
const BLOCKS = ['h1', 'h2', 'h3', 'blockquote', 'pre'];
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
    this.conflict = false; // a save met a newer version; nothing is saved until the user chooses
    this.uploads = new Set(); // pending image insertions of the open page
    this.imageTool = new ImageTool(body, wrap, () => this.markDirty());
    try {
      document.execCommand('defaultParagraphSeparator', false, 'p');
    } catch {
      // Older engines keep their own separator.
    }
    this.attachEvents();
  }

  get hasUnsaved() {
    return this.dirty || Boolean(this.saving) || Boolean(this.titleTimer) || this.uploads.size > 0;
  }

  // The save indicator; while a conflict is open it keeps saying so.
  report(state, message) {
    if (this.conflict && state !== 'error') this.onStatus('error', CONFLICT_MESSAGE);
    else this.onStatus(state, message);
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
    this.show(id, html, etag);
    return true;
  }

  show(id, html, etag) {
    const { fragment, text: clean } = sanitizeToNodes(html);
    this.pageId = id;
    this.etag = etag;
    const entry = this.pages.page(id);
    this.titleInput.value = entry && typeof entry.title === 'string' ? entry.title : '';
    this.body.replaceChildren(fragment);
    this.lastSaved = clean;
    this.dirty = false;
    this.conflict = false;
    this.savedRange = null;
    this.wrap.scrollTop = 0;
  }

  markDirty() {
    if (!this.pageId) return;
    this.dirty = true;
    this.report('saving');
    if (!this.conflict) this.schedule(SAVE_DELAY_MS);
  }

  schedule(ms) {
    clearTimeout(this.saveTimer);
    this.saveTimer = setTimeout(() => { this.save(false); }, ms);
  }

  // Resolves only when no save is in flight and nothing is dirty (true), or with false as soon as
  // a save this call waited for failed. Every caller waits for the follow-up saves of the others.
  async save(keepalive = false) {
    for (;;) {
      clearTimeout(this.saveTimer);
      this.saveTimer = 0;
      if (this.saving) {
        if (!(await this.saving)) return false;
        continue;
      }
      if (!this.dirty || !this.pageId) return true;
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
    try {
      const etag = await api.putPage(id, html, this.etag, keepalive);
      if (this.pageId !== id) return true;
      this.etag = etag;
      this.lastSaved = html;
      this.report(this.dirty ? 'saving' : 'saved');
      this.pages.touch(id);
      return true;
    } catch (error) {
      if (this.pageId !== id) return false;
      this.dirty = true;
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
    this.liftBlocks();
    this.markDirty();
    this.onSelectionChange();
  }

  // The browser builds lists inside the paragraph they are made in, and a paragraph inside a
  // code block it is toggled off in: such blocks are moved out, beside the paragraph or code.
  liftBlocks() {
    const nested = [...this.body.querySelectorAll('p, pre')].filter((outer) =>
      [...outer.querySelectorAll('*')].some((inner) => outer.localName === 'pre'
        ? inner.localName === 'p' : PARAGRAPH_BREAKERS.has(inner.localName)));
    if (!nested.length) return;
    const selection = document.getSelection();
    const range = selection.rangeCount ? selection.getRangeAt(0) : null;
    const caret = range && [range.startContainer, range.startOffset, range.endContainer, range.endOffset];
    for (const outer of nested) if (outer.isConnected) splitParagraph(outer, outer.localName === 'pre' ? 'p' : null);
    if (caret && caret[0].isConnected && caret[2].isConnected) {
      const restored = document.createRange();
      restored.setStart(caret[0], Math.min(caret[1], nodeLength(caret[0])));
      restored.setEnd(caret[2], Math.min(caret[3], nodeLength(caret[2])));
      selection.removeAllRanges();
      selection.addRange(restored);
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

  // Enter on an empty last line of a code block ends the block with a paragraph after it.
  leaveCodeBlock() {
    const selection = document.getSelection();
    if (!selection.rangeCount || !selection.isCollapsed) return false;
    const caret = selection.getRangeAt(0);
    const pre = closestElement(caret.startContainer, 'pre', this.body);
    if (!pre) return false;
    const after = document.createRange();
    after.setStart(caret.startContainer, caret.startOffset);
    after.setEnd(pre, pre.childNodes.length);
    if (textWithBreaks(after.cloneContents()).replace(/\n$/, '') !== '') return false;
    const before = document.createRange();
    before.setStart(pre, 0);
    before.setEnd(caret.startContainer, caret.startOffset);
    const text = textWithBreaks(before.cloneContents());
    if (text === '') {
      this.exec('formatBlock', 'p');
      return true;
    }
    if (!text.endsWith('\n')) return false;
    document.execCommand('delete', false, null);
    while (pre.lastChild && pre.lastChild.nodeName === 'BR' && pre.lastChild.previousSibling) pre.lastChild.remove();
    const paragraph = document.createElement('p');
    paragraph.append(document.createElement('br'));
    pre.after(paragraph);
    const range = document.createRange();
    range.setStart(paragraph, 0);
    selection.removeAllRanges();
    selection.addRange(range);
    this.markDirty();
    return true;
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
      this.insertHtml('<a href="' + text + '">' + text + '</a>');
    }
  }

  // Runs an upload and inserts what it gives where the caret was when it began, in the page
  // that was open then; a page switch waits for it (see flush).
  async insertAfterUpload(upload) {
    const id = this.pageId;
    const selection = document.getSelection();
    const current = selection.rangeCount ? selection.getRangeAt(0) : null;
    const range = current && this.body.contains(current.commonAncestorContainer)
      ? current.cloneRange() : this.savedRange && this.savedRange.cloneRange();
    const task = (async () => {
      const html = await upload();
      if (!html || this.pageId !== id) return;
      if (range && this.body.contains(range.commonAncestorContainer)) {
        this.savedRange = range;
        selection.removeAllRanges();
        selection.addRange(range.cloneRange());
      }
      this.insertHtml(html);
    })();
    this.uploads.add(task);
    try {
      await task;
    } finally {
      this.uploads.delete(task);
    }
  }

  async insertImageFiles(files) {
    this.report('saving');
    try {
      await this.insertAfterUpload(async () => {
        const paths = await uploadImages(files);
        if (!paths.length) this.report(this.dirty ? 'saving' : 'saved');
        return paths.map((path) => '<img src="' + path + '" alt="">').join('');
      });
    } catch (error) {
      this.report('error', error.message);
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
        await this.insertAfterUpload(() => uploadDataImages(html));
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
      this.report('saving');
    });
    this.body.addEventListener('keydown', (event) => {
      if (event.key === 'Enter' && !event.shiftKey && !event.isComposing && !this.composing &&
          this.leaveCodeBlock()) event.preventDefault();
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
      // Every dropped file is offered as an image, so that one of another kind is refused aloud.
      const files = [...(event.dataTransfer.files || [])];
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

function nodeLength(node) {
  return node.nodeType === Node.ELEMENT_NODE ? node.childNodes.length : node.length;
}

function closestElement(node, name, root) {
  for (; node && node !== root; node = node.parentNode) {
    if (node.nodeType === Node.ELEMENT_NODE && node.localName === name) return node;
  }
  return null;
}

// The text of a fragment with each line break element as a line feed.
function textWithBreaks(fragment) {
  let text = '';
  const walker = document.createTreeWalker(fragment, NodeFilter.SHOW_ELEMENT | NodeFilter.SHOW_TEXT);
  for (let node = walker.nextNode(); node; node = walker.nextNode()) {
    if (node.nodeType === Node.TEXT_NODE) text += node.data;
    else if (node.localName === 'br') text += '\n';
  }
  return text;
}
