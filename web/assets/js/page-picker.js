// The link dialog: a web address, or a page of this document found by typing part of its title.
import { openDialog } from './dialogs.js';
import { element } from './element.js';
import { messages } from './messages.js';
import { pageLinkId } from './page-links.js';
import { foldText } from './search-text.js';
import { displayTitle } from './tree-model.js';
import { styleSheet } from './on-demand.js';

// Its style sheet, which start-up does without.
await styleSheet('/assets/css/search.css');

const MAX_CHOICES = 8;

// Resolves to null (cancelled), { unlink: true }, { url } (the typed address, untrimmed) or
// { page } (a live page entry). link: the link the selection is in, or null; pages: live entries.
export function linkDialog({ link, pages }) {
  return openDialog((dialog, close) => {
    const current = link ? pageLinkId(link) : null;
    const currentPage = current ? pages.find((entry) => entry.id === current) : null;
    const url = element('input', { type: 'text', value: link && !current ? link.getAttribute('href') : 'https://' });
    const search = element('input', {
      type: 'text', class: 'picker-input', placeholder: messages.pickerPlaceholder,
      value: currentPage ? displayTitle(currentPage) : '',
    });
    const list = element('ul', { class: 'picker-list', role: 'listbox', id: 'pickerList' });
    list.setAttribute('aria-label', messages.pickerList);
    search.setAttribute('role', 'combobox');
    search.setAttribute('aria-controls', list.id);
    search.setAttribute('aria-expanded', 'false');
    search.setAttribute('aria-label', messages.pickerList);
    search.setAttribute('aria-autocomplete', 'list');
    let choices = [];
    let active = 0;

    const render = () => {
      const needle = foldText(search.value);
      choices = needle
        ? pages.filter((entry) => foldText(displayTitle(entry)).includes(needle)).slice(0, MAX_CHOICES)
        : [];
      active = Math.min(active, Math.max(choices.length - 1, 0));
      list.replaceChildren(...choices.map((entry, index) => {
        const option = element('li', {
          class: 'picker-option', text: displayTitle(entry), role: 'option', id: 'picker-option-' + index,
          onmousedown: (event) => event.preventDefault(),
          onclick: () => close({ page: entry }),
        });
        option.setAttribute('aria-selected', String(index === active));
        return option;
      }));
      list.hidden = !choices.length && !needle;
      search.setAttribute('aria-expanded', String(!list.hidden));
      if (needle && !choices.length) {
        list.append(element('li', { class: 'picker-none', text: messages.noMatch, role: 'option', ariaDisabled: 'true' }));
      }
      if (choices[active]) search.setAttribute('aria-activedescendant', 'picker-option-' + active);
      else search.removeAttribute('aria-activedescendant');
    };

    // With a page chosen in the list, the button links to it; otherwise to the address.
    const submit = () => close(choices[active] ? { page: choices[active] } : { url: url.value });

    url.addEventListener('keydown', (event) => {
      if (event.key === 'Enter' && !event.isComposing) {
        event.preventDefault();
        close({ url: url.value });
      }
    });
    search.addEventListener('input', () => { active = 0; render(); });
    search.addEventListener('keydown', (event) => {
      if (event.isComposing) return;
      if (event.key === 'ArrowDown' && choices.length) active = (active + 1) % choices.length;
      else if (event.key === 'ArrowUp' && choices.length) active = (active + choices.length - 1) % choices.length;
      else if (event.key === 'Enter') {
        if (choices[active]) close({ page: choices[active] });
      } else return;
      event.preventDefault();
      render();
    });

    dialog.append(
      element('h2', { text: messages.link }),
      element('div', { class: 'dialog-form' },
        element('label', { class: 'field' }, element('span', { text: 'URL（http、https、mailto）' }), url),
        element('label', { class: 'field' }, element('span', { text: messages.pickerPages }), search),
        list),
      element('div', { class: 'dialog-actions' },
        link ? element('button', { type: 'button', text: messages.unlink, onclick: () => close({ unlink: true }) }) : null,
        element('button', { type: 'button', text: messages.cancel, onclick: () => close(null) }),
        element('button', { type: 'button', class: 'primary', text: messages.set, onclick: submit })),
    );
    render();
    requestAnimationFrame(() => { url.focus(); url.select(); });
  });
}
