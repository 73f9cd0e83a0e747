// Images of the document: upload of image files and pasted data: images, the image tool of the
// editor, and removal of stored images that no page refers to any more.
import { api } from './api.js';
import { showToast } from './dialogs.js';

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

// Selection frame over a clicked image. The resize handles and the placement bar are not part
// of this module yet; selecting an image and deleting it with the keyboard works.
export class ImageTool {
  constructor(editor, wrap, onChange) {
    this.editor = editor;
    this.wrap = wrap;
    this.onChange = onChange;
    this.image = null;
    this.overlay = document.createElement('div');
    this.overlay.className = 'img-overlay';
    this.overlay.hidden = true;
    wrap.append(this.overlay);
    editor.addEventListener('click', (event) => {
      if (event.target.localName === 'img') this.select(event.target);
      else this.clear();
    });
    editor.addEventListener('keydown', (event) => {
      if (!this.image) return;
      if (event.key === 'Delete' || event.key === 'Backspace') {
        event.preventDefault();
        this.image.remove();
        this.clear();
        this.onChange();
      } else {
        this.clear();
      }
    });
    wrap.addEventListener('scroll', () => this.reposition());
    window.addEventListener('resize', () => this.reposition());
  }

  select(img) {
    this.image = img;
    const range = document.createRange();
    range.selectNode(img);
    const selection = document.getSelection();
    selection.removeAllRanges();
    selection.addRange(range);
    this.overlay.hidden = false;
    this.reposition();
  }

  clear() {
    this.image = null;
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
