// Keyboard behaviour shared by every modal dialog: Tab stays inside, and the focus goes back to
// where it was when the dialog closes.

const FOCUSABLE = 'a[href], button, input, select, textarea, [tabindex], [contenteditable="true"]';

// The dialog's controls that Tab reaches, in order.
export function tabStops(root) {
  return [...root.querySelectorAll(FOCUSABLE)].filter((node) => node.tabIndex >= 0 && !node.disabled &&
    !node.closest('[hidden]') && node.getClientRects().length > 0);
}

// Keeps Tab and Shift+Tab cycling through the dialog's controls (the browser would otherwise
// carry the focus out to its own address bar), and remembers the element that had the focus.
// Returns the function that gives the focus back; call it once the dialog has closed.
export function holdFocus(dialog) {
  const before = document.activeElement;
  dialog.addEventListener('keydown', (event) => {
    if (event.key !== 'Tab' || event.ctrlKey || event.altKey || event.metaKey) return;
    const stops = tabStops(dialog);
    if (!stops.length) {
      event.preventDefault();
      return;
    }
    const first = stops[0];
    const last = stops[stops.length - 1];
    const inside = dialog.contains(document.activeElement);
    if (event.shiftKey && (!inside || document.activeElement === first)) {
      event.preventDefault();
      last.focus();
    } else if (!event.shiftKey && (!inside || document.activeElement === last)) {
      event.preventDefault();
      first.focus();
    }
  });
  return () => {
    // A dialog that opened another (a choice that asks for confirmation) leaves the focus to it.
    if (document.activeElement && document.activeElement !== document.body && document.activeElement.closest('dialog[open]')) return;
    if (before && before.isConnected && typeof before.focus === 'function') before.focus();
  };
}
