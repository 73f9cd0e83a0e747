// A pop-up menu of buttons at the pointer or under its button, closed by a click elsewhere, Escape,
// Tab or leaving the window; the arrow keys, Home and End move between its items.
import { element } from './element.js';

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
      const target = {
        ArrowDown: (index + 1) % items.length, ArrowUp: (index - 1 + items.length) % items.length,
        Home: 0, End: items.length - 1,
      }[event.key];
      if (target !== undefined) {
        event.preventDefault();
        items[target].focus();
      } else if (event.key === 'Tab') {
        event.preventDefault();
        this.close();
      }
    });
    window.addEventListener('blur', () => this.close());
  }

  // Shows the menu under the button that opens it (kept inside the window), and tells the button.
  openUnder(button, items) {
    const box = button.getBoundingClientRect();
    this.trigger = button;
    button.setAttribute('aria-expanded', 'true');
    this.open(items, box.right, box.bottom + 4);
  }

  // Shows the menu at (x, y) with items [{ label, action, danger }].
  open(items, x, y) {
    const menu = this.menu;
    // The focus goes back where it was: the row or button the menu was opened from.
    if (!menu.contains(document.activeElement)) this.returnTo = document.activeElement;
    menu.replaceChildren(...items.map(({ label, action, danger = false }) => {
      const button = element('button', {
        type: 'button', class: danger ? 'menu-item danger' : 'menu-item', text: label, tabIndex: -1,
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
    if (this.trigger) this.trigger.setAttribute('aria-expanded', 'false');
    this.trigger = null;
    const back = this.returnTo;
    this.returnTo = null;
    if (hadFocus) {
      const target = back && back.isConnected && back !== document.body ? back : this.focusAfter();
      if (target) target.focus();
    }
  }
}
