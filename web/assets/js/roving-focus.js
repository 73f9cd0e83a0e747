// One tab stop for a row of controls: Tab enters at the last one used, ←/→ (and Home/End) move
// between them. The controls are the container's focusable children matching `selector`.
export function rovingFocus(container, selector) {
  const controls = () => [...container.querySelectorAll(selector)].filter((node) => !node.disabled && !node.hidden);
  const settle = (current) => {
    const all = controls();
    const stop = all.includes(current) ? current : all[0];
    for (const node of all) node.tabIndex = node === stop ? 0 : -1;
  };
  container.addEventListener('focusin', (event) => {
    if (event.target.matches(selector)) settle(event.target);
  });
  container.addEventListener('keydown', (event) => {
    if (event.altKey || event.ctrlKey || event.metaKey || event.isComposing) return;
    const all = controls();
    const index = all.indexOf(document.activeElement);
    if (index < 0) return;
    const target = {
      ArrowRight: (index + 1) % all.length, ArrowLeft: (index - 1 + all.length) % all.length,
      Home: 0, End: all.length - 1,
    }[event.key];
    if (target === undefined) return;
    event.preventDefault();
    all[target].focus();
  });
  settle(null);
}
