// The quiet line under the editor that lists the pages linking to the open page.
import { api } from './api.js';
import { element } from './element.js';
import { messages } from './messages.js';
import { displayTitle } from './tree-model.js';
import { styleSheet } from './on-demand.js';

// Its style sheet, which start-up does without.
await styleSheet('/assets/css/search.css');

export class Backlinks {
  // container: the line's element; pages: the tree store; onOpen(id): opens a page.
  constructor({ container, pages, onOpen }) {
    this.container = container;
    this.pages = pages;
    this.onOpen = onOpen;
    this.asked = 0; // numbers the requests, so a late answer never shows under another page
  }

  async show(id) {
    const asked = ++this.asked;
    let results = [];
    if (id) {
      try {
        results = (await api.linksTo(id)).results || [];
      } catch {
        results = []; // a failed read leaves the line empty; the editor reports store failures
      }
    }
    if (asked !== this.asked) return;
    const pages = results.filter((hit) => hit.id !== id && this.pages.isLivePage(hit.id));
    if (!pages.length) {
      this.container.hidden = true;
      this.container.replaceChildren();
      return;
    }
    this.container.replaceChildren(
      element('span', { class: 'backlinks-label', text: messages.backlinks }),
      ...pages.map((hit) => {
        const entry = this.pages.page(hit.id);
        return element('button', {
          type: 'button', class: 'backlink', text: displayTitle(entry || { title: hit.title }),
          onclick: () => this.onOpen(hit.id),
        });
      }));
    this.container.hidden = false;
  }
}
