// The "?" button's menu: the keyboard shortcuts and the About box.
import { ContextMenu } from './context-menu.js';
import { messages } from './messages.js';

export function attachHelpMenu({ button, menu, onShortcuts, onAbout }) {
  const popup = new ContextMenu(menu, () => button);
  button.setAttribute('aria-haspopup', 'menu');
  button.setAttribute('aria-expanded', 'false');
  menu.setAttribute('aria-labelledby', button.id);
  const open = () => popup.openUnder(button, [
    { label: messages.shortcuts, action: onShortcuts },
    { label: messages.about, action: onAbout },
  ]);
  button.addEventListener('click', (event) => {
    // The document's click would close the menu this click opens.
    event.stopPropagation();
    if (menu.hidden) open();
    else popup.close();
  });
  button.addEventListener('keydown', (event) => {
    if (event.key !== 'ArrowDown' && event.key !== 'ArrowUp') return;
    event.preventDefault();
    open();
  });
}
