// Images of the document: upload of image files and pasted data: images, the image tool of the
// editor, and removal of stored images that no page refers to any more.
import { api } from './api.js';
import { element, showToast } from './dialogs.js';

export const MAX_IMAGE_SIZE = 20 * 1024 * 1024;
export const ALLOWED_TYPES = ['image/png', 'image/jpeg', 'image/gif', 'image/webp'];
export const GC_MIN_AGE_MS = 24 * 60 * 60 * 1000;
const DATA_IMAGE = /^data:(image\/(?:png|jpeg|gif|webp));base64,([A-Za-z0-9+/=\s]*)$/i;
const IMAGE_REF = /\/api\/images\/([0-9a-f]{32})/g;

export function imageFilesOf(list) {
  return list ? [...list].filter((file) => String(file.type || '').startsWith('image/')) : [];
}

export async function uploadImages(files) {
  const paths = [];
  for (const file of files) {
    if (!ALLOWED_TYPES.includes(file.type)) {
      showToast('追加できない形式です: ' + (file.name || file.type) + '（PNG / JPEG / GIF / WebP）');
      continue;
    }
    if (file.size > MAX_IMAGE_SIZE) {
      showToast('画像は 1 枚 20MB までです: ' + (file.name || ''));
      continue;
    }
    paths.push('/api/images/' + (await api.uploadImage(file)));
  }
  return paths;
}

export async function uploadDataImages(html) {
  if (!/data:image\//i.test(html)) return html;
  const doc = new DOMParser().parseFromString(html, 'text/html');
  for (const img of [...doc.querySelectorAll('img')]) {
    const match = DATA_IMAGE.exec(img.getAttribute('src') || '');
    if (!match) continue;
    try {
      const binary = atob(match[2].replace(/\s/g, ''));
      const bytes = Uint8Array.from(binary, (c) => c.charCodeAt(0));
      const file = new File([bytes], 'pasted', { type: match[1].toLowerCase() });
      const [path] = await uploadImages([file]);
      if (path) img.setAttribute('src', path);
      else img.remove();
    } catch {
      img.remove();
    }
  }
  return doc.body.innerHTML;
}

const MIN_IMAGE_WIDTH = 24;
const IMAGE_CLASSES = ['img-left', 'img-center', 'img-right'];
const HANDLES = ['nw', 'ne', 'sw', 'se'];

// Frame, resize handles and a button bar over the image selected in the editor.
export class ImageTool {
  constructor(editor, wrap, onChange) {
    this.editor = editor;
    this.wrap = wrap;
    this.onChange = onChange;
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
      this.toolButton('左', () => this.place('img-left')),
      this.toolButton('中央', () => this.place('img-center')),
      this.toolButton('右', () => this.place('img-right')),
      this.toolButton('元の大きさ', () => this.actualSize()),
      this.toolButton('削除', () => this.remove()));
    tools.addEventListener('mousedown', (event) => event.preventDefault());
    this.overlay.append(tools);
    wrap.append(this.overlay);

    editor.addEventListener('click', (event) => {
      if (event.target.localName === 'img') this.select(event.target);
      else this.clear();
    });
    editor.addEventListener('keydown', (event) => {
      if (!this.image) return;
      if (event.key === 'Delete' || event.key === 'Backspace') {
        event.preventDefault();
        this.remove();
      } else {
        this.clear();
      }
    });
    wrap.addEventListener('scroll', () => this.reposition());
    window.addEventListener('resize', () => this.reposition());
  }

  toolButton(label, action) {
    const button = element('button', { type: 'button', text: label, title: label, tabIndex: -1 });
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
      this.drag = { startX: event.clientX, startWidth: this.image.getBoundingClientRect().width, grows };
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
      this.drag = null;
      this.onChange();
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
    this.image.classList.remove(...IMAGE_CLASSES);
    this.image.classList.add(imageClass);
    this.reposition();
    this.onChange();
  }

  actualSize() {
    this.image.removeAttribute('width');
    this.reposition();
    this.onChange();
  }

  // Deleted through the browser's command, so that undo brings the image back.
  remove() {
    const image = this.image;
    this.clear();
    this.editor.focus();
    selectNode(image);
    document.execCommand('delete', false, null);
    this.onChange();
  }

  select(img) {
    this.image = img;
    selectNode(img);
    this.overlay.hidden = false;
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

function selectNode(node) {
  const range = document.createRange();
  range.selectNode(node);
  const selection = document.getSelection();
  selection.removeAllRanges();
  selection.addRange(range);
}

export async function collectGarbage(pageIds) {
  const images = await api.listImages();
  if (!images.length) return 0;
  const used = new Set();
  for (const id of pageIds) {
    const { html } = await api.getPage(id);
    for (const match of html.matchAll(IMAGE_REF)) used.add(match[1]);
  }
  const now = Date.now();
  let removed = 0;
  for (const image of images) {
    if (used.has(image.id) || !(now - image.modified > GC_MIN_AGE_MS)) continue;
    await api.deleteImage(image.id);
    removed++;
  }
  return removed;
}
