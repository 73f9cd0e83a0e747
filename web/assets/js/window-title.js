// The window's title: the open document's name without its extension.
import { messages } from './messages.js';

export function baseName(fileName) {
  return String(fileName || '').replace(/\.fcard$/i, '') || 'Ferncard';
}

export function windowTitle(fileName) {
  const base = baseName(fileName);
  return base === 'Ferncard' ? 'Ferncard' : messages.windowTitle(base);
}
