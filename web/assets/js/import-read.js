// Reading one imported note: its text in whatever encoding it came in, front matter, Markdown,
// HTML and plain text, each made into a title and an HTML body (not yet sanitized).
import MarkdownIt from '/vendor/markdown-it.js';
import taskLists from '/vendor/markdown-it-task-lists.js';
import { load as loadYaml } from '/vendor/js-yaml.js';
import { exportedPictures } from './content-rules.js';
import { escapeHtml } from './sanitize.js';

// The marks a task-list item keeps in a page: the editor has no checkboxes, the text keeps the state.
export const TASK_OPEN = '☐ ';
export const TASK_DONE = '☑ ';

const FRONT_MATTER = /^---[ \t]*\r?\n([\s\S]*?)\r?\n(?:---|\.\.\.)[ \t]*(?:\r?\n|$)/;
const LEGACY_ENCODINGS = ['shift_jis', 'windows-1252'];

// Text of a file's bytes: UTF-8 (or UTF-16 with its byte-order mark) when the bytes are valid,
// else the likeliest older encoding of a Japanese Windows user's files; never nothing.
export function decodeText(bytes) {
  if (bytes[0] === 0xff && bytes[1] === 0xfe) return new TextDecoder('utf-16le').decode(bytes);
  if (bytes[0] === 0xfe && bytes[1] === 0xff) return new TextDecoder('utf-16be').decode(bytes);
  for (const encoding of ['utf-8', ...LEGACY_ENCODINGS]) {
    try {
      return new TextDecoder(encoding, { fatal: true }).decode(bytes);
    } catch {
      // Not this encoding; windows-1252 below decodes anything.
    }
  }
  return new TextDecoder('windows-1252').decode(bytes);
}

// The YAML front matter block of a Markdown text, as data, and the text after it.
export function splitFrontMatter(text) {
  const match = FRONT_MATTER.exec(text);
  if (!match) return { data: {}, body: text };
  let data = {};
  try {
    const loaded = loadYaml(match[1]);
    if (loaded && typeof loaded === 'object' && !Array.isArray(loaded)) data = loaded;
  } catch {
    // A block that is not YAML is still front matter: it is not shown, it gives no title.
  }
  return { data, body: text.slice(match[0].length) };
}

// [[Page]], [[Page|label]] and ![[picture.png]]: kept as marked links and images, which the
// import resolves once it knows every file's name and title.
function wikiLinks(md) {
  md.inline.ruler.before('link', 'wiki_link', (state, silent) => {
    const src = state.src;
    const embed = src.charCodeAt(state.pos) === 0x21;
    const start = state.pos + (embed ? 1 : 0);
    if (!src.startsWith('[[', start)) return false;
    const end = src.indexOf(']]', start + 2);
    if (end < 0) return false;
    const inner = src.slice(start + 2, end);
    if (!inner.trim() || /[[\]\n]/.test(inner)) return false;
    if (!silent) {
      const bar = inner.indexOf('|');
      const token = state.push('wiki_link', '', 0);
      token.meta = {
        target: (bar < 0 ? inner : inner.slice(0, bar)).trim(),
        label: bar < 0 ? '' : inner.slice(bar + 1).trim(),
        embed,
      };
    }
    state.pos = end + 2;
    return true;
  });
  md.renderer.rules.wiki_link = (tokens, index) => {
    const { target, label, embed } = tokens[index].meta;
    const attr = escapeHtml(target).replace(/"/g, '&quot;');
    return embed
      ? '<img data-wiki="' + attr + '" alt="' + escapeHtml(label).replace(/"/g, '&quot;') + '">'
      : '<a data-wiki="' + attr + '">' + escapeHtml(label || target) + '</a>';
  };
}

let markdown = null;
function markdownParser() {
  // Raw HTML is let through here: every body passes the sanitizer before it is stored.
  markdown ??= new MarkdownIt({ html: true, linkify: true }).use(taskLists).use(wikiLinks);
  return markdown;
}

// Task-list checkboxes become the marks above, which survive the sanitizer.
function markTasks(doc) {
  for (const box of [...doc.querySelectorAll('input[type="checkbox"]')]) {
    const next = box.nextSibling;
    if (next && next.nodeType === Node.TEXT_NODE) next.data = next.data.replace(/^\s+/, '');
    box.replaceWith(doc.createTextNode(box.hasAttribute('checked') ? TASK_DONE : TASK_OPEN));
  }
}

// The first element of body when it is an h1: a title taken from it is not repeated in the body.
function leadingHeading(body) {
  const first = body.firstElementChild;
  return first && first.localName === 'h1' ? first : null;
}

const textOf = (node) => (node ? node.textContent.replace(/\s+/g, ' ').trim() : '');

// A Markdown note: { title, doc, order }; the title from the front matter, else a leading h1
// (then dropped from the body), else none.
export function readMarkdown(text) {
  const { data, body } = splitFrontMatter(text.replace(/^\uFEFF/, ''));
  const doc = new DOMParser().parseFromString(markdownParser().render(body), 'text/html');
  markTasks(doc);
  let title = typeof data.title === 'string' || typeof data.title === 'number' ? String(data.title).trim() : '';
  if (!title) {
    const heading = leadingHeading(doc.body) || doc.body.querySelector('h1');
    title = textOf(heading);
    if (heading && heading === leadingHeading(doc.body)) heading.remove();
  }
  const order = Number.isFinite(data.order) ? data.order : null;
  return { title, doc, order };
}

// Plain text: paragraphs at blank lines, line breaks kept.
export function readPlainText(text) {
  const html = text.replace(/^\uFEFF/, '').replace(/\r\n?/g, '\n').split(/\n[ \t]*\n+/)
    .filter((block) => block.trim())
    .map((block) => '<p>' + block.split('\n').map(escapeHtml).join('<br>') + '</p>').join('');
  return { title: '', doc: new DOMParser().parseFromString(html, 'text/html'), order: null };
}

// The pages of an HTML export of this program: each article with its title, depth and body.
function exportedArticles(doc) {
  const articles = [...doc.querySelectorAll('article.page[id^="p-"]')]
    .filter((article) => article.querySelector(':scope > .page-title') && article.querySelector(':scope > .page-body'));
  if (!articles.length) return null;
  // Each picture is kept once in the style sheet; its uses get their address back.
  const pictures = exportedPictures([...doc.querySelectorAll('style')].map((style) => style.textContent).join('\n'));
  for (const img of doc.querySelectorAll('.page-body img[class*="picture-"]')) {
    const name = [...img.classList].find((className) => pictures.has(className));
    if (!name || img.hasAttribute('src')) continue;
    img.setAttribute('src', pictures.get(name));
    img.classList.remove(name);
  }
  return articles.map((article) => {
    let depth = Number.parseInt(article.getAttribute('data-depth') || '', 10);
    if (!Number.isFinite(depth)) {
      // Older exports give the depth only in the contents list, as 16 pixels of indent a level.
      const entry = doc.querySelector('.toc a[href="#' + CSS.escape(article.id) + '"]');
      const indent = entry && entry.parentElement ? Number.parseFloat(entry.parentElement.style.paddingLeft) : 0;
      depth = Number.isFinite(indent) ? Math.round(indent / 16) : 0;
    }
    const body = article.querySelector(':scope > .page-body');
    return {
      anchor: article.id,
      title: textOf(article.querySelector(':scope > .page-title')),
      depth: Math.max(0, depth),
      doc: new DOMParser().parseFromString(body.innerHTML, 'text/html'),
    };
  });
}

// An HTML note: { title, doc, order }, or { articles } for an export of this program. Parsing
// runs nothing and loads nothing.
export function readHtml(text) {
  const doc = new DOMParser().parseFromString(text, 'text/html');
  const articles = exportedArticles(doc);
  if (articles) return { articles };
  const title = textOf(doc.querySelector('title')) || textOf(doc.body.querySelector('h1'));
  markTasks(doc);
  return { title, doc: new DOMParser().parseFromString(doc.body.innerHTML, 'text/html'), order: null };
}
