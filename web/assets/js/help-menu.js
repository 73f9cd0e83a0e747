// The "?" button's menu: the keyboard shortcuts and the About box. Loads after the window's first
// frame, or at the button's first use (its ARIA attributes are in index.html).
import { ContextMenu } from './context-menu.js';
import { messages } from './messages.js';

// Wires the button to the menu; answers { open } for the use that loaded this module.
export function attachHelpMenu({ button, menu, onShortcuts, onAbout }) {
  const popup = new ContextMenu(menu, () => button);
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
  return { open };
}
