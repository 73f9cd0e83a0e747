// Lists pasted from office programs: their items arrive as paragraphs styled `mso-list` (or of
// the MsoListParagraph classes) that start with a bullet or number drawn as text. Such runs of
// paragraphs become real ul/ol lists, nested by their levels, without the drawn markers.

const LIST_STYLE = /mso-list\s*:\s*l\d+\s+level(\d+)/i;
const MARKER_STYLE = /mso-list\s*:\s*ignore/i;
const LIST_CLASS = /^MsoListParagraph/i;
// A marker that counts: 1. 2) (3) a. iv. １．; anything else (・ · o § ■) is a bullet.
const NUMBER_MARKER = /^[(（]?(?:[0-9０-９]+|[A-Za-z]|[ivxlcdmIVXLCDM]+)[.)）．]$|^[0-9０-９]+$/;
// A drawn marker left as text where no marker span says so.
const TEXT_MARKER = /^[\s\u00a0]*(?:[·・•▪■◦§o-]|[(（]?(?:[0-9０-９]+|[A-Za-z])[.)）．])[\s\u00a0]+/;

// The level (1, 2, ...) of an office list paragraph, or 0 for any other node.
function listLevel(node) {
  if (node.nodeType !== Node.ELEMENT_NODE || node.localName !== 'p') return 0;
  const style = node.getAttribute('style') || '';
  const match = LIST_STYLE.exec(style);
  if (match) return Math.max(1, Math.min(9, Number(match[1])));
  return [...node.classList].some((name) => LIST_CLASS.test(name)) ? 1 : 0;
}

// Takes the drawn marker out of an item's paragraph; answers whether it was a number.
function takeMarker(p) {
  const span = [...p.querySelectorAll('span')].find((el) => MARKER_STYLE.test(el.getAttribute('style') || ''));
  if (span) {
    const marker = span.textContent.replace(/[\s\u00a0]+/g, '');
    span.remove();
    return NUMBER_MARKER.test(marker);
  }
  // No marker span: a marker typed out at the start of the first text.
  const walker = p.ownerDocument.createTreeWalker(p, NodeFilter.SHOW_TEXT);
  for (let text = walker.nextNode(); text; text = walker.nextNode()) {
    if (!text.data.trim()) continue;
    const match = TEXT_MARKER.exec(text.data);
    if (!match) return false;
    text.data = text.data.slice(match[0].length);
    return /[0-9０-９A-Za-z][.)）．]/.test(match[0]);
  }
  return false;
}

// Whether a node between two list paragraphs may be passed over (blank text, comments).
function ignorable(node) {
  return node.nodeType === Node.COMMENT_NODE ||
    (node.nodeType === Node.TEXT_NODE && !node.data.trim());
}

// Turns one run of list paragraphs (siblings, in order) into nested lists in their place.
function buildLists(run) {
  const doc = run[0].ownerDocument;
  const stack = []; // { level, list } from the outermost list in
  const first = run[0];
  let outer = null;
  for (const p of run) {
    const level = listLevel(p);
    const tag = takeMarker(p) ? 'ol' : 'ul';
    while (stack.length && stack[stack.length - 1].level > level) stack.pop();
    let top = stack[stack.length - 1];
    // A list of the other kind at the same level starts a new list beside it.
    if (top && top.level === level && top.list.localName !== tag) {
      stack.pop();
      top = stack[stack.length - 1];
    }
    if (!top || top.level < level) {
      const list = doc.createElement(tag);
      if (top) {
        let item = top.list.lastElementChild;
        if (!item) top.list.append(item = doc.createElement('li'));
        item.append(list);
      } else if (outer) {
        outer.after(list);
        outer = list;
      } else {
        first.before(list);
        outer = list;
      }
      stack.push({ level, list });
    }
    const item = doc.createElement('li');
    const align = p.style.textAlign;
    if (align) item.style.textAlign = align;
    item.append(...p.childNodes);
    stack[stack.length - 1].list.append(item);
  }
  for (const p of run) p.remove();
}

// Replaces every run of office list paragraphs in the parsed document by real lists.
export function convertOfficeLists(doc) {
  const paragraphs = [...doc.querySelectorAll('p')].filter((p) => listLevel(p) > 0);
  const done = new Set();
  for (const p of paragraphs) {
    if (done.has(p)) continue;
    const run = [p];
    for (let next = p.nextSibling; next; next = next.nextSibling) {
      if (ignorable(next)) continue;
      if (!listLevel(next)) break;
      run.push(next);
    }
    run.forEach((item) => done.add(item));
    buildLists(run);
  }
}
