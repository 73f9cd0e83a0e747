// The body matches under the page list: asks the server as the filter text changes and lists
// each page with the text around its first match.
import { api } from './api.js';
import { element } from './element.js';
import { messages } from './messages.js';
import { displayTitle } from './tree-model.js';
import { styleSheet } from './on-demand.js';

// Its style sheet, which start-up does without.
await styleSheet('/assets/css/search.css');

const DELAY_MS = 150;

export class SearchResults {
  // container: the element under the list; onOpen(id): opens a page; onLeave(): focus goes back
  // to the filter field.
  constructor({ container, onOpen, onLeave }) {
    this.container = container;
    this.onOpen = onOpen;
    this.onLeave = onLeave;
    this.query = '';
    this.timer = 0;
    this.asked = 0; // numbers the requests, so a late answer never replaces a newer one
    container.addEventListener('keydown', (event) => this.onKey(event));
  }

  // Searches for text shortly after the last change; empty text clears the list at once.
  update(text) {
    clearTimeout(this.timer);
    this.query = String(text ?? '').trim();
    const asked = ++this.asked;
    if (!this.query) {
      this.show([]);
      return;
    }
    // Until the answer is in, the page list does not say that nothing matches.
    this.container.dataset.searching = '';
    this.timer = setTimeout(() => { this.fetch(asked); }, DELAY_MS);
  }

  async fetch(asked) {
    let answer;
    try {
      answer = await api.search(this.query);
    } catch {
      answer = { results: [] }; // an over-long query or a failed read just shows no body matches
    }
    if (asked !== this.asked) return;
    this.show((answer.results || []).filter((hit) => hit.snippet && hit.snippet.match));
  }

  show(hits) {
    delete this.container.dataset.searching;
    if (!hits.length) {
      this.container.hidden = true;
      this.container.replaceChildren();
      return;
    }
    const items = hits.map((hit) => {
      const snippet = hit.snippet;
      const title = displayTitle({ title: hit.title });
      const button = element('button', {
        type: 'button', class: 'search-hit' + (hit.trashed ? ' trashed' : ''), title,
        onclick: () => this.onOpen(hit.id),
      },
      element('span', { class: 'search-hit-title' }, title,
        hit.trashed ? element('span', { class: 'search-hit-badge', text: messages.trashBadge }) : null),
      element('span', { class: 'search-hit-snippet' },
        snippet.before, element('mark', { text: snippet.match }), snippet.after));
      button.dataset.id = hit.id;
      return element('li', {}, button);
    });
    this.container.replaceChildren(
      element('h2', { class: 'search-heading', text: messages.bodyMatches }),
      element('ul', { class: 'search-list' }, ...items));
    this.container.hidden = false;
  }

  // Moves the keyboard into the list; false when there is nothing to move to.
  focusFirst() {
    const first = this.container.querySelector('.search-hit');
    if (first) first.focus();
    return Boolean(first);
  }

  onKey(event) {
    const buttons = [...this.container.querySelectorAll('.search-hit')];
    const index = buttons.indexOf(document.activeElement);
    if (index < 0) return;
    if (event.key === 'ArrowDown' && index + 1 < buttons.length) buttons[index + 1].focus();
    else if (event.key === 'ArrowUp' && index > 0) buttons[index - 1].focus();
    else if (event.key === 'ArrowUp' || event.key === 'Escape') this.onLeave();
    else return;
    event.preventDefault();
  }
}
