// A pop-up menu of buttons at the pointer, closed by a click elsewhere, Escape or leaving the window.
import { element } from './dialogs.js';

export class ContextMenu {
  // focusAfter() names the element that gets the focus back when the menu closes with it.
  constructor(menu, focusAfter) {
    this.menu = menu;
    this.focusAfter = focusAfter;
    document.addEventListener('click', (event) => {
      if (!menu.hidden && !menu.contains(event.target)) this.close();
    });
    document.addEventListener('keydown', (event) => {
      if (event.key === 'Escape' && !menu.hidden) this.close();
    });
    menu.addEventListener('keydown', (event) => {
      const items = [...menu.querySelectorAll('[role="menuitem"]')];
      const index = items.indexOf(document.activeElement);
      if (event.key === 'ArrowDown' || event.key === 'ArrowUp') {
        event.preventDefault();
        const step = event.key === 'ArrowDown' ? 1 : -1;
        items[(index + step + items.length) % items.length].focus();
      }
    });
    window.addEventListener('blur', () => this.close());
  }

  // Shows the menu at (x, y) with items [{ label, action, danger }].
  open(items, x, y) {
    const menu = this.menu;
    menu.replaceChildren(...items.map(({ label, action, danger = false }) => {
      const button = element('button', {
        type: 'button', class: danger ? 'menu-item danger' : 'menu-item', text: label,
        onclick: (event) => {
          event.stopPropagation();
          this.close();
          action();
        },
      });
      button.setAttribute('role', 'menuitem');
      return button;
    }));
    menu.hidden = false;
    menu.style.left = '0px';
    menu.style.top = '0px';
    const box = menu.getBoundingClientRect();
    const left = Math.max(8, Math.min(x, window.innerWidth - box.width - 8));
    const top = Math.max(8, Math.min(y, window.innerHeight - box.height - 8));
    menu.style.left = left + 'px';
    menu.style.top = top + 'px';
    menu.querySelector('[role="menuitem"]').focus();
  }

  close() {
    const menu = this.menu;
    if (menu.hidden) return;
    const hadFocus = menu.contains(document.activeElement);
    menu.hidden = true;
    menu.replaceChildren();
    if (hadFocus) {
      const target = this.focusAfter();
      if (target) target.focus();
    }
  }
}
