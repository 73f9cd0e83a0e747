// The window's notices: the banner across the top and the save indicator in the header.
import { element } from './element.js';
import { messages } from './messages.js';
import { clockTime } from './time.js';

export class Banner {
  constructor(node) {
    this.node = node;
    this.kind = '';
  }

  // actions: [{ label, handler }], shown as buttons after the message.
  show(kind, message, actions = []) {
    const node = this.node;
    this.kind = kind;
    node.replaceChildren(element('span', { class: 'banner-text', text: message }));
    if (actions.length) {
      node.append(element('span', { class: 'banner-actions' },
        ...actions.map(({ label, handler }) => element('button', { type: 'button', text: label, onclick: handler }))));
    }
    node.dataset.kind = kind;
    node.hidden = false;
  }

  hide() {
    this.kind = '';
    this.node.hidden = true;
    this.node.replaceChildren();
    delete this.node.dataset.kind;
  }
}

// Shows 'saving', 'saved', 'error' (with its message, also in the banner) or nothing ('').
export class SaveStatus {
  constructor(node, banner) {
    this.node = node;
    this.banner = banner;
    this.pendingNote = '';
  }

  // A message that the next "saved" state shows beside its time, once (the history's failure).
  noteOnce(message) {
    this.pendingNote = message;
  }

  get failed() {
    return this.node.classList.contains('error');
  }

  set(state, message = '') {
    const status = this.node;
    if (state === 'error') {
      status.textContent = messages.saveFailed;
      status.classList.add('error');
      status.title = message || '';
      // An open conflict stays on show until the user resolves it.
      if (message && this.banner.kind !== 'conflict') this.banner.show('save', message);
      return;
    }
    status.classList.remove('error', 'warn');
    status.title = '';
    // Written only when it differs: every key reports 'saving', and a new text lays the window out
    // again, after which the browser re-reads the whole page's text for the input method.
    if (state === 'saving') {
      if (status.textContent !== messages.saving) status.textContent = messages.saving;
    } else if (state === 'saved') {
      status.textContent = messages.savedAt(clockTime(new Date()));
      if (this.pendingNote) {
        status.textContent += messages.historyNotSaved;
        status.title = this.pendingNote;
        status.classList.add('warn');
        this.pendingNote = '';
      }
    } else status.textContent = '';
    if (this.banner.kind === 'save') this.banner.hide();
  }

  clear() {
    this.node.textContent = '';
  }
}
