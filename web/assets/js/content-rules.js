// What a page may hold: the image types and placements, stored-image addresses, web and page links.
import { isPageId } from './tree-model.js';

// The image types the store takes and an export embeds.
export const IMAGE_TYPES = ['image/png', 'image/jpeg', 'image/gif', 'image/webp'];
// The classes that place an image left, centred or right.
export const IMAGE_CLASSES = ['img-left', 'img-center', 'img-right'];

// An HTML export holds each picture once, as a rule of its style sheet that every use names by
// class; importing the export reads the rules back. A data: address holds only letters, digits
// and + / ; , = : which need no escaping.
export function exportedPictureRule(name, address) {
  return '.page-body img.' + name + ' { content: url("' + address + '"); }';
}
const EXPORTED_PICTURE_RULE = /\.page-body img\.(picture-\d+) \{ content: url\("(data:image\/[^"]*)"\); \}/g;

// The pictures of an exported style sheet's text: class name → data: address.
export function exportedPictures(styleText) {
  return new Map([...styleText.matchAll(EXPORTED_PICTURE_RULE)].map((match) => [match[1], match[2]]));
}
// A pasted image written into the page as a data: address of one of those types.
export const DATA_IMAGE = new RegExp('^data:(image\\/(?:' +
  IMAGE_TYPES.map((type) => type.slice('image/'.length)).join('|') + '));base64,([A-Za-z0-9+/=\\s]*)$', 'i');

const IMAGE_PREFIX = '/api/images/';
const STORED_IMAGE = /^\/api\/images\/([0-9a-f]{32})$/;
const STORED_IMAGE_ANYWHERE = /\/api\/images\/([0-9a-f]{32})/g;
const WEB_PROTOCOLS = ['http:', 'https:', 'mailto:'];

export function storedImageAddress(id) {
  return IMAGE_PREFIX + id;
}

// The id of the stored image at src, an address written exactly as the page stores it; or null.
export function storedImageId(src) {
  const match = STORED_IMAGE.exec(src || '');
  return match ? match[1] : null;
}

// The ids of every stored image named anywhere in html.
export function storedImageIds(html) {
  return [...html.matchAll(STORED_IMAGE_ANYWHERE)].map((match) => match[1]);
}

// The stored image's address as a page keeps it, from its own or a full address of this origin.
export function storedImagePath(src) {
  if (!src) return null;
  if (STORED_IMAGE.test(src)) return src;
  try {
    const url = new URL(src);
    if (url.origin === location.origin && STORED_IMAGE.test(url.pathname) && !url.search && !url.hash) {
      return url.pathname;
    }
  } catch {
    // Not an absolute address.
  }
  return null;
}

// An http, https or mailto address, written out in full; null for anything else.
export function safeLink(text) {
  const trimmed = String(text ?? '').trim();
  if (!trimmed) return null;
  let url;
  try {
    url = new URL(trimmed);
  } catch {
    return null;
  }
  return WEB_PROTOCOLS.includes(url.protocol) ? url.href : null;
}

// A link to another page of the document: '#' and a page id, exactly.
export function pageLinkHref(text) {
  return typeof text === 'string' && text.startsWith('#') && isPageId(text.slice(1)) ? text : null;
}
