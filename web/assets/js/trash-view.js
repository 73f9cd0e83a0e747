// The trash below the page list: its button with the count, and an entry per trashed group.
import { element, setText } from './element.js';
import { messages } from './messages.js';
import { displayTitle } from './tree-model.js';

export class TrashView {
  constructor({ button, list }) {
    this.button = button;
    this.list = list;
    this.shown = null;
    this.model = null;
    this.restoreHandler = () => {};
    this.purgeHandler = () => {};
    this.historyHandler = () => {};
    button.addEventListener('click', () => {
      const show = list.hidden;
      list.hidden = !show;
      button.setAttribute('aria-expanded', show ? 'true' : 'false');
    });
  }

  // handler(id): the restore button of an entry.
  bindRestore(handler) {
    this.restoreHandler = handler;
  }

  // handler(id): the delete-for-good button of an entry.
  bindPurge(handler) {
    this.purgeHandler = handler;
  }

  // handler(id): the history button of an entry.
  bindHistory(handler) {
    this.historyHandler = handler;
  }

  render(model) {
    // The same document draws the same trash.
    if (model === this.model) return;
    this.model = model;
    setText(this.button, messages.trashButton(model.trashed.length));
    const roots = model.trashRoots();
    // An unchanged trash keeps its buttons, so that a click on one is never lost to a re-render.
    const shown = JSON.stringify(roots.map((entry) => [entry.id, displayTitle(entry)]));
    if (shown === this.shown && this.list.firstElementChild) return;
    this.shown = shown;
    if (!roots.length) {
      this.list.replaceChildren(element('div', { class: 'trash-empty', text: messages.trashEmpty }));
      return;
    }
    this.list.replaceChildren(...roots.map((entry) => {
      const title = displayTitle(entry);
      // Each button names its page: a screen reader reaching it alone would hear "restore" only.
      const button = (className, text, handler) => {
        const node = element('button', { type: 'button', class: className, text, onclick: () => handler(entry.id) });
        node.setAttribute('aria-label', messages.trashAction(title, text));
        return node;
      };
      const historyButton = button('trash-history', messages.history, (id) => this.historyHandler(id));
      historyButton.title = messages.historyOfPage;
      historyButton.setAttribute('aria-label', messages.historyOf(title));
      const item = element('div', { class: 'trash-item' },
        element('span', { class: 'trash-title', text: title, title }),
        historyButton,
        button('trash-restore', messages.restore, (id) => this.restoreHandler(id)),
        button('trash-purge', messages.purge, (id) => this.purgeHandler(id)));
      item.dataset.id = entry.id;
      return item;
    }));
  }
}
