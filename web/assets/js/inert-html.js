// Parses foreign HTML (pastes, drops, stored bodies) where no script can ever run: in documents
// of a frame that may run no scripts and is already gone, so that a handler attribute is never
// compiled, nor even checked against this window's policy.
let parserClass = null;

// The DOMParser of a sandboxed blank frame, taken before the frame is removed: the documents it
// makes belong to a window without a frame, which runs nothing and reports nothing.
function inertParser() {
  if (!parserClass) {
    const frame = document.createElement('iframe');
    frame.setAttribute('sandbox', 'allow-same-origin');
    frame.hidden = true;
    document.documentElement.append(frame);
    // Should a browser give no such window, its own parser still runs nothing (the policy sees to it).
    parserClass = (frame.contentWindow && frame.contentWindow.DOMParser) || DOMParser;
    frame.remove();
  }
  return new parserClass();
}

// The HTML text as a whole document, read in standards mode as the editor's document is; the
// body tag keeps a leading line break.
export function parseInert(html) {
  return inertParser().parseFromString('<!DOCTYPE html><body>' + html, 'text/html');
}
