// Parses foreign HTML (pastes, drops, stored bodies) where no script can ever run. Markup in the
// shape the browser itself writes out, with no handler attribute and no base, is read by this
// window's own parser: its documents run nothing, and such markup gives its policy nothing to
// report. Anything else is read in documents of a frame that may run no scripts and is already
// gone, so that a handler attribute is never compiled, nor even checked against this window's
// policy. Making that frame costs a start-up tens of milliseconds, so it waits until first needed.
let parserClass = null;

// One piece of markup in the shape the browser writes out: a run of text, or a tag with lower-case
// names and double-quoted values, with the angle brackets of text and values written as references.
const PIECE = /[^<>]+|<\/?[a-z][a-z0-9-]*(?: [a-z][a-z0-9:._-]*="[^"<>]*")*\/?>/y;

// True when every "<" of html opens a tag of that shape (so the parser meets no tag other than
// those seen here) and no tag is a base or has an attribute named on…. Anything else, a comment or
// an unquoted value say, is left to the frame.
function readsQuietly(html) {
  for (PIECE.lastIndex = 0; PIECE.lastIndex < html.length;) {
    const piece = PIECE.exec(html);
    if (!piece) return false;
    if (piece[0][0] === '<' && /^<base\b| on/i.test(piece[0])) return false;
  }
  return true;
}

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
  const parser = !parserClass && readsQuietly(html) ? new DOMParser() : inertParser();
  return parser.parseFromString('<!DOCTYPE html><body>' + html, 'text/html');
}
