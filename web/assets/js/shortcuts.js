// The 「キーボードショートカット」 dialog: every key the window answers to, in one list.
import { openDialog } from './dialogs.js';
import { element } from './element.js';
import { SHORTCUTS, messages } from './messages.js';
import { styleSheet } from './on-demand.js';

// The dialog's own style sheet, which start-up does without.
await styleSheet('/assets/css/switcher.css');

export function openShortcuts() {
  return openDialog((dialog, close) => {
    dialog.classList.add('shortcuts');
    const closeButton = element('button', { type: 'button', class: 'primary', text: messages.close, onclick: () => close(null) });
    const sections = SHORTCUTS.map(([heading, rows]) => element('table', { class: 'shortcut-table' },
      element('caption', { text: heading }),
      element('tbody', {}, ...rows.map(([keys, meaning]) => element('tr', {},
        element('th', { scope: 'row' }, ...keys.split(' / ').flatMap((key, i) => [i ? ' / ' : null, element('kbd', { text: key })])),
        element('td', { text: meaning }))))));
    dialog.append(
      element('h2', { text: messages.shortcuts }),
      element('div', { class: 'shortcut-list', tabIndex: 0 }, ...sections),
      element('div', { class: 'dialog-actions' }, closeButton));
    const list = dialog.querySelector('.shortcut-list');
    list.setAttribute('role', 'region');
    list.setAttribute('aria-label', messages.shortcutList);
    requestAnimationFrame(() => closeButton.focus());
  });
}
