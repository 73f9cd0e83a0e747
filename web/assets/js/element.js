// Builds elements in one expression: element('p', { class, text, ...properties }, ...children).
export function element(tag, props = {}, ...children) {
  const node = document.createElement(tag);
  for (const [key, value] of Object.entries(props || {})) {
    if (key === 'class') node.className = value;
    else if (key === 'text') node.textContent = value;
    else node[key] = value;
  }
  for (const child of children) {
    if (child === null || child === undefined || child === false) continue;
    node.append(child);
  }
  return node;
}

// Sets an element's text only when it differs, so that an unchanged element keeps its nodes.
export function setText(node, text) {
  if (node.textContent !== text) node.textContent = text;
}
