// Images of the document: upload of image files and pasted data: images, the image tool of the
// editor, and removal of stored images that no page refers to any more.
import { api } from './api.js';
import { DATA_IMAGE, IMAGE_CLASSES, IMAGE_TYPES, storedImageAddress, storedImageIds } from './content-rules.js';
import { formDialog, showToast } from './dialogs.js';
import { element } from './element.js';
import { messages } from './messages.js';
import { DAY_MS } from './time.js';
import { rovingFocus } from './roving-focus.js';

const MAX_IMAGE_SIZE = 20 * 1024 * 1024;
const GC_MIN_AGE_MS = DAY_MS;
// Where the clean-up remembers when it first saw each image unreferenced.
const GC_SEEN_KEY = 'ferncard.unreferencedImages';

export function imageFilesOf(list) {
  return list ? [...list].filter((file) => String(file.type || '').startsWith('image/')) : [];
}

export async function uploadImages(files) {
  const paths = [];
  for (const file of files) {
    if (!IMAGE_TYPES.includes(file.type)) {
      showToast(messages.notAnImage(file.name || file.type));
      continue;
    }
    if (file.size > MAX_IMAGE_SIZE) {
      showToast(messages.imageTooLarge(file.name || ''));
      continue;
    }
    paths.push(storedImageAddress(await api.uploadImage(file)));
  }
  return paths;
}

// Stores the data: images of a parsed (inert) document and points them at their stored copies.
export async function uploadDataImages(doc) {
  for (const img of [...doc.querySelectorAll('img')]) {
    const match = DATA_IMAGE.exec(img.getAttribute('src') || '');
    if (!match) continue;
    let file;
    try {
      const binary = atob(match[2].replace(/\s/g, ''));
      const bytes = Uint8Array.from(binary, (c) => c.charCodeAt(0));
      file = new File([bytes], 'pasted', { type: match[1].toLowerCase() });
    } catch {
      img.remove();
      showToast(messages.pastedImageUnreadable);
      continue;
    }
    try {
      const [path] = await uploadImages([file]);
      if (path) img.setAttribute('src', path);
      else img.remove();
    } catch (error) {
      img.remove();
      showToast(messages.pastedImageNotSaved(error.message));
    }
  }
}

const MIN_IMAGE_WIDTH = 24;
const HANDLES = ['nw', 'ne', 'sw', 'se'];
const CHANGED_MARK = 'data-changed';

// Frame, resize handles and a button bar over the image selected in the editor.
export class ImageTool {
  // onChange() is told after each change; quietly(change) runs the change's editing command (the
  // editor takes the whole change as one step).
  constructor(editor, wrap, onChange, quietly = (change) => change()) {
    this.editor = editor;
    this.wrap = wrap;
    this.onChange = onChange;
    this.quietly = quietly;
    this.image = null;
    this.drag = null;
    this.overlay = element('div', { class: 'img-overlay', hidden: true });
    for (const corner of HANDLES) {
      const handle = element('div', { class: 'img-handle ' + corner });
      handle.dataset.corner = corner;
      this.attachHandle(handle, corner);
      this.overlay.append(handle);
    }
    const tools = element('div', { class: 'img-tools' },
      this.toolButton(messages.imageLeft, () => this.place('img-left'), 'img-left'),
      this.toolButton(messages.imageCenter, () => this.place('img-center'), 'img-center'),
      this.toolButton(messages.imageRight, () => this.place('img-right'), 'img-right'),
      this.toolButton(messages.imageActualSize, () => this.actualSize()),
      this.toolButton(messages.altText, () => this.editAlt()),
      this.toolButton(messages.imageDelete, () => this.remove()));
    tools.setAttribute('role', 'toolbar');
    tools.setAttribute('aria-label', messages.imageTools);
    tools.addEventListener('mousedown', (event) => event.preventDefault());
    rovingFocus(tools, 'button');
    // Escape or Shift+Tab goes back to the image in the page.
    tools.addEventListener('keydown', (event) => {
      if (event.key !== 'Escape' && !(event.key === 'Tab' && event.shiftKey)) return;
      event.preventDefault();
      event.stopPropagation();
      this.backToImage();
    });
    this.tools = tools;
    this.overlay.append(tools);
    wrap.append(this.overlay);
    editor.addEventListener('click', (event) => {
      if (event.target.localName === 'img') this.select(event.target);
      else this.clear();
    });
    editor.addEventListener('keydown', (event) => {
      this.keySelecting = event.shiftKey && /^(Arrow|Home$|End$|Page)/.test(event.key);
      this.onEditorKey(event);
    });
    editor.addEventListener('mousedown', () => { this.keySelecting = false; });
    // An image selected from the keyboard (Shift with an arrow key across it) gets the tool too.
    document.addEventListener('selectionchange', () => {
      if (!this.keySelecting || document.activeElement !== editor) return;
      const image = selectedImage(editor);
      if (image && image !== this.image) this.select(image);
    });
    wrap.addEventListener('scroll', () => this.reposition());
    window.addEventListener('resize', () => this.reposition());
  }

  onEditorKey(event) {
    if (!this.image || ['Shift', 'Control', 'Alt', 'Meta'].includes(event.key)) return;
    if (event.key === 'Delete' || event.key === 'Backspace') {
      event.preventDefault();
      this.remove();
    } else if ((event.key === 'F10' && event.altKey) || (event.key === 'Tab' && !event.shiftKey && !event.ctrlKey)) {
      // Alt+F10, or Tab, goes from the selected image to its tool bar.
      event.preventDefault();
      (this.tools.querySelector('button[tabindex="0"]') || this.tools.querySelector('button')).focus();
    } else {
      this.clear();
    }
  }

  backToImage() {
    const image = this.image;
    this.editor.focus();
    if (image && image.isConnected) this.select(image);
  }

  toolButton(label, action, imageClass = null) {
    const button = element('button', { type: 'button', text: label, title: label, tabIndex: -1 });
    if (imageClass) button.dataset.place = imageClass;
    button.addEventListener('click', (event) => {
      event.preventDefault();
      if (this.image) action();
    });
    return button;
  }

  attachHandle(handle, corner) {
    const grows = corner === 'ne' || corner === 'se' ? 1 : -1;
    handle.addEventListener('pointerdown', (event) => {
      if (!this.image || event.button !== 0) return;
      event.preventDefault();
      handle.setPointerCapture(event.pointerId);
      this.drag = {
        startX: event.clientX, startWidth: this.image.getBoundingClientRect().width, grows,
        before: this.image.getAttribute('width'),
      };
    });
    handle.addEventListener('pointermove', (event) => {
      if (!this.drag || !handle.hasPointerCapture(event.pointerId) || !this.image) return;
      const wanted = this.drag.startWidth + this.drag.grows * (event.clientX - this.drag.startX);
      const width = Math.round(Math.min(this.innerWidth(), Math.max(MIN_IMAGE_WIDTH, wanted)));
      this.image.setAttribute('width', String(width));
      this.reposition();
    });
    const end = (event) => {
      if (!this.drag) return;
      if (handle.hasPointerCapture(event.pointerId)) handle.releasePointerCapture(event.pointerId);
      const before = this.drag.before;
      this.drag = null;
      if (!this.image) return;
      const width = this.image.getAttribute('width');
      if (before === null) this.image.removeAttribute('width');
      else this.image.setAttribute('width', before);
      this.change((copy) => copy.setAttribute('width', width));
    };
    handle.addEventListener('pointerup', end);
    handle.addEventListener('pointercancel', end);
  }

  // The width available to an image: the editor's content box.
  innerWidth() {
    const style = getComputedStyle(this.editor);
    const padding = parseFloat(style.paddingLeft) + parseFloat(style.paddingRight);
    return Math.max(MIN_IMAGE_WIDTH, this.editor.clientWidth - padding);
  }

  place(imageClass) {
    this.change((copy) => {
      copy.classList.remove(...IMAGE_CLASSES);
      copy.classList.add(imageClass);
    });
  }

  actualSize() {
    this.change((copy) => copy.removeAttribute('width'));
  }

  // The text a screen reader says for the image (and a browser shows when it cannot load it).
  async editAlt() {
    const image = this.image;
    const result = await formDialog({
      title: messages.altText,
      fields: [{ name: 'alt', label: messages.altTextField, value: image.getAttribute('alt') || '' }],
      okLabel: messages.set,
    });
    if (!result || !image.isConnected) return;
    this.select(image);
    this.change((copy) => copy.setAttribute('alt', result.alt.trim()));
  }

  // Replaces the image by a changed copy through the browser's editing command, so that undo
  // brings the image back as it was.
  change(mutate) {
    const image = this.image;
    // An image standing between paragraphs would be merged into the next one by the command.
    if (image.parentNode === this.editor) {
      const paragraph = document.createElement('p');
      image.replaceWith(paragraph);
      paragraph.append(image);
    }
    const copy = image.cloneNode(false);
    mutate(copy);
    copy.setAttribute(CHANGED_MARK, '');
    this.editor.focus();
    selectNode(image);
    this.quietly(() => document.execCommand('insertHTML', false, copy.outerHTML));
    const placed = this.editor.querySelector('img[' + CHANGED_MARK + ']');
    if (placed) {
      placed.removeAttribute(CHANGED_MARK);
      this.select(placed);
    } else {
      this.clear();
    }
    this.onChange();
  }

  // Deleted through the browser's command, so that undo brings the image back.
  remove() {
    const image = this.image;
    this.clear();
    this.editor.focus();
    selectNode(image);
    this.quietly(() => document.execCommand('delete', false, null));
    this.onChange();
  }

  select(img) {
    this.image = img;
    selectNode(img);
    this.overlay.hidden = false;
    for (const button of this.tools.querySelectorAll('[data-place]')) {
      button.setAttribute('aria-pressed', String(img.classList.contains(button.dataset.place)));
    }
    this.reposition();
  }

  clear() {
    this.image = null;
    this.drag = null;
    this.overlay.hidden = true;
  }

  reposition() {
    if (!this.image) return;
    if (!this.image.isConnected) {
      this.clear();
      return;
    }
    const box = this.image.getBoundingClientRect();
    const outer = this.wrap.getBoundingClientRect();
    Object.assign(this.overlay.style, {
      left: box.left - outer.left + this.wrap.scrollLeft + 'px',
      top: box.top - outer.top + this.wrap.scrollTop + 'px',
      width: box.width + 'px',
      height: box.height + 'px',
    });
  }
}

// The image the selection holds exactly, if any.
function selectedImage(editor) {
  const selection = document.getSelection();
  if (!selection.rangeCount) return null;
  const range = selection.getRangeAt(0);
  if (range.collapsed) return null;
  const text = (node) => node.nodeType === Node.TEXT_NODE;
  const { startContainer: start, startOffset, endContainer: end, endOffset } = range;
  const first = text(start) ? (startOffset === start.length ? start.nextSibling : null) : start.childNodes[startOffset];
  const last = text(end) ? (endOffset === 0 ? end.previousSibling : null) : end.childNodes[endOffset - 1];
  return first && first === last && first.localName === 'img' && editor.contains(first) ? first : null;
}

function selectNode(node) {
  const range = document.createRange();
  range.selectNode(node);
  const selection = document.getSelection();
  selection.removeAllRanges();
  selection.addRange(range);
}

// keptImageIds: the images that the pages' kept earlier versions show; they stay too.
export async function collectGarbage(pageIds, keptImageIds = []) {
  const images = await api.listImages();
  if (!images.length) return 0;
  const used = new Set(keptImageIds);
  for (const id of pageIds) {
    const { html } = await api.getPage(id);
    for (const imageId of storedImageIds(html)) used.add(imageId);
  }
  // An image is removed only once a clean-up at least a day earlier already saw it unreferenced:
  // a cut waiting to be pasted, or a deletion about to be undone, still wants its image.
  const now = Date.now();
  const seen = readSeen();
  const unreferenced = {};
  for (const image of images) {
    if (used.has(image.id)) continue;
    const first = Number.isFinite(seen[image.id]) ? seen[image.id] : now;
    unreferenced[image.id] = first;
  }
  writeSeen(unreferenced);
  let removed = 0;
  for (const image of images) {
    const first = unreferenced[image.id];
    if (first === undefined || !(now - image.modified > GC_MIN_AGE_MS) || !(now - first > GC_MIN_AGE_MS)) continue;
    await api.deleteImage(image.id);
    delete unreferenced[image.id];
    writeSeen(unreferenced);
    removed++;
  }
  return removed;
}

function readSeen() {
  try {
    const value = JSON.parse(localStorage.getItem(GC_SEEN_KEY) || '{}');
    return value && typeof value === 'object' ? value : {};
  } catch {
    return {};
  }
}

// Losing this memory only delays removals, so a failed write is of no concern.
function writeSeen(seen) {
  try {
    localStorage.setItem(GC_SEEN_KEY, JSON.stringify(seen));
  } catch {
    // Storage full or refused.
  }
}
